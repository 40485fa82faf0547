// The tests' dialog on the dialog base, built from the FORMTEXT resource TPROBEDIALOG.
#pragma once

#include "controls/server_dialog.h"

namespace xptest {

class TProbeDialog : public controls::TServerDialog {
 public:
  explicit TProbeDialog(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  // Fails: with our own failure (a message for the user) or, with `fault` set, with a fault of
  // the code (a bug report for the host).
  void ButtonThrowClick(framework::TComponent* sender);
  bool fault = false;
};

}  // namespace xptest
