// The duplicate-pins report.
#include "router/duplicate_pins_form.h"

#include "framework/win/module.h"
#include "controls/xp_control_set.h"

namespace router {

TDuplicatePinsForm::TDuplicatePinsForm(framework::TComponent* owner) : TServerDialog(owner) {
  static const bool registered = [] {
    framework::RegisterStandardControls();
    controls::RegisterXPControls();
    framework::RegisterComponent<TDuplicatePinsForm>();
    return true;
  }();
  (void)registered;
  LoadFromResource(win::ThisModule(), "TDUPLICATEPINSFORM");
}

const framework::TClassInfo& TDuplicatePinsForm::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TDuplicatePinsForm, TServerDialog>("TDuplicatePinsForm");
  return info;
}

framework::TMemo& TDuplicatePinsForm::Memo() {
  return dynamic_cast<framework::TMemo&>(*FindComponent("Memo"));
}

void ShowDuplicatePins(const std::vector<std::string>& lines) {
  TDuplicatePinsForm form(nullptr);
  std::vector<std::string> shown = form.Memo().Lines();
  shown.insert(shown.end(), lines.begin(), lines.end());
  form.Memo().SetLines(shown);
  form.ShowModal();
}

}  // namespace router
