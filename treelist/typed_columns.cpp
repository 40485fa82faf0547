// What the typed columns share, and their registration.
#include "treelist/typed_columns.h"

#include "treelist/button_columns.h"
#include "treelist/check_column.h"
#include "treelist/drop_down_columns.h"
#include "treelist/memo_column.h"
#include "treelist/number_columns.h"
#include "treelist/picture_columns.h"

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
    // The drop-down column is a base only: form descriptions never name it.
    framework::RegisterComponent<TdxTreeListMemoColumn>();
    framework::RegisterComponent<TdxTreeListDateColumn>();
    framework::RegisterComponent<TdxTreeListButtonColumn>();
    framework::RegisterComponent<TdxTreeListCheckColumn>();
    framework::RegisterComponent<TdxTreeListImageColumn>();
    framework::RegisterComponent<TdxTreeListSpinColumn>();
    framework::RegisterComponent<TdxTreeListPickColumn>();
    framework::RegisterComponent<TdxTreeListCalcColumn>();
    framework::RegisterComponent<TdxTreeListHyperLinkColumn>();
    framework::RegisterComponent<TdxTreeListTimeColumn>();
    framework::RegisterComponent<TdxTreeListCurrencyColumn>();
    framework::RegisterComponent<TdxTreeListGraphicColumn>();
    framework::RegisterComponent<TdxTreeListBlobColumn>();
    framework::RegisterComponent<TdxTreeListMRUColumn>();
    framework::RegisterComponent<TdxTreeListWrapperColumn>();
    return true;
  }();
  (void)registered;
}

}  // namespace treelist
