// What the typed columns share, and their registration.
#include "treelist/columns/typed_columns.h"

#include <windows.h>

#include <string>
#include <vector>

#include "framework/win/text.h"

#include "treelist/columns/button_columns.h"
#include "treelist/columns/check_column.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/core/grid_helpers.h"
#include "treelist/columns/memo_column.h"
#include "treelist/columns/number_columns.h"
#include "treelist/columns/picture_columns.h"

namespace treelist {

unsigned ShortCutToEditorKey(unsigned short_cut) {
  unsigned shift = 0;
  if (short_cut & 0x2000) shift |= framework::ssShift;
  if (short_cut & 0x4000) shift |= framework::ssCtrl;
  if (short_cut & 0x8000) shift |= framework::ssAlt;
  return (short_cut & 0xFF) | (shift << 16);
}

namespace {

std::string ModuleString(UINT id) { return win::Narrow(ModuleText(id)); }

}  // namespace

void AssignOwnSettings(const framework::TClassInfo& info, const TdxTreeListColumn& source,
                       TdxTreeListColumn& target) {
  if (!source.ClassInfo().InheritsFrom(info)) return;
  // The getters only read: the table takes objects as they are stored, without const.
  auto* from = static_cast<framework::TComponent*>(const_cast<TdxTreeListColumn*>(&source));
  auto* to = static_cast<framework::TComponent*>(&target);
  for (const framework::PropInfo& p : info.OwnProperties()) {
    if (p.copied && p.get && p.set) p.set(to, p.get(from));
  }
}

void RestoreOwnDefaults(const framework::TClassInfo& info, TdxTreeListColumn& target) {
  auto* to = static_cast<framework::TComponent*>(&target);
  for (const framework::PropInfo& p : info.OwnProperties()) {
    if (p.restored && p.set && p.default_value) p.set(to, *p.default_value);
  }
}

const std::string& DefaultValueChecked() {
  static const std::string text = ModuleString(38901);
  return text;
}

const std::string& DefaultValueUnchecked() {
  static const std::string text = ModuleString(38902);
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
