// The report of pins the router would reject: names repeated in their component on pins that
// carry a net, one line each, shown after the design file is written.
#pragma once

#include <string>
#include <vector>

#include "framework/stdctrls.h"
#include "controls/server_dialog.h"

namespace router {

class TDuplicatePinsForm : public controls::TServerDialog {
 public:
  explicit TDuplicatePinsForm(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  framework::TMemo& Memo();
};

// Shows the lines ("U1-5 (Net=SDA)") in the report, modally; OK and Close both just close it.
void ShowDuplicatePins(const std::vector<std::string>& lines);

}  // namespace router
