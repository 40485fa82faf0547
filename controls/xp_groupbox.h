// The own-drawn group box: a captioned frame that holds controls. Its accelerator moves the focus
// to the first control inside it.
#pragma once

#include "controls/xp_controls.h"

namespace controls {

class TXPGroupBox : public TXPCustomControl {
 public:
  explicit TXPGroupBox(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  void WndProc(framework::TMessage& message) override;

 protected:
  void Paint() override;
};

}  // namespace controls
