// The tests' dialog on the dialog base, built from the FORMTEXT resource TPROBEDIALOG.
#pragma once

#include "rtl/components/xp/server_dialog.h"

namespace xptest {

class TProbeDialog : public xp::TServerDialog {
 public:
  explicit TProbeDialog(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  // Fails, as a handler with a fault would.
  void ButtonThrowClick(framework::TComponent* sender);
};

}  // namespace xptest
