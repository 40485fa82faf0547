// What the typed columns share, and their registration.
#include "treelist/typed_columns.h"

#include "treelist/check_column.h"
#include "treelist/drop_down_columns.h"
#include "treelist/memo_column.h"

namespace treelist {

unsigned ShortCutToEditorKey(unsigned short_cut) {
  unsigned shift = 0;
  if (short_cut & 0x2000) shift |= framework::ssShift;
  if (short_cut & 0x4000) shift |= framework::ssCtrl;
  if (short_cut & 0x8000) shift |= framework::ssAlt;
  return (short_cut & 0xFF) | (shift << 16);
}

const std::string& DefaultValueChecked() {
  static const std::string text = "True";
  return text;
}

const std::string& DefaultValueUnchecked() {
  static const std::string text = "False";
  return text;
}

void RegisterTypedColumnClasses() {
  static const bool registered = [] {
    framework::RegisterComponent<TdxTreeListMemoColumn>();
    framework::RegisterComponent<TdxTreeListCheckColumn>();
    framework::RegisterComponent<TdxTreeListPickColumn>();
    framework::RegisterComponent<TdxTreeListMRUColumn>();
    return true;
  }();
  (void)registered;
}

}  // namespace treelist
