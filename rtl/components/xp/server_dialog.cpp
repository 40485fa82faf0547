// The base of the plug-in's dialogs.
#include "rtl/components/xp/server_dialog.h"

#include "framework/win/text.h"
#include "rtl/common_utils.h"
#include "rtl/components/xp/xp_control_utils.h"

namespace xp {

const framework::TClassInfo& TServerDialog::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TServerDialog, TForm>("TServerDialog");
  return info;
}

void TServerDialog::Loaded() {
  TForm::Loaded();
  SetColor(XPPalette().clXPFace);
}

int TServerDialog::ShowModal() {
  if (rtl::IsTestMode()) {
    rtl::WriteStandardOutput(Name() + " " + win::Narrow(Caption()) + "\r\n");
    rtl::TerminateCurrentProcess(1);
  }
  return TForm::ShowModal();
}

}  // namespace xp
