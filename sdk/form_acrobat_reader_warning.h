// The warning about a PDF reader too old to open help documents at a page.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace sdk {

class TAcrobatReaderWarning : public framework::TForm {
 public:
  explicit TAcrobatReaderWarning(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  framework::TCheckBox& DontShowAgain();
};

// Shows the warning modally while the switch is on; ticking "Don't show this again" turns the
// switch off for later calls.
void ShowAcrobatReaderWarning();

}  // namespace sdk
