// The tests' dialog on the dialog base.
#include "probe_dialog.h"

#include <stdexcept>

#include "controls/xp_control_set.h"
#include "framework/exception.h"
#include "framework/stdctrls.h"

namespace xptest {

TProbeDialog::TProbeDialog(framework::TComponent* owner) : TServerDialog(owner) {
  static const bool registered = [] {
    controls::RegisterXPControls();
    framework::RegisterComponent<TProbeDialog>();
    return true;
  }();
  (void)registered;
  LoadFromResource(GetModuleHandleW(nullptr), "TPROBEDIALOG");
}

const framework::TClassInfo& TProbeDialog::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TProbeDialog, TServerDialog>("TProbeDialog")
          .Method("ButtonThrowClick", &TProbeDialog::ButtonThrowClick);
  return info;
}

void TProbeDialog::ButtonThrowClick(framework::TComponent*) {
  if (fault) throw std::logic_error("the handler's state is broken");
  throw framework::Exception("the handler failed");
}

}  // namespace xptest
