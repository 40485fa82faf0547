// The own-drawn panel that holds a dialog's page or a group of controls: epkSimple fills it with
// its colour, epkBackground with the shaded background of the dialog's pages.
#pragma once

#include "controls/xp_controls.h"

namespace controls {

enum class TXPExtPanelKind { epkSimple, epkBackground };

class TXPExtPanel : public TXPCustomControl {
 public:
  explicit TXPExtPanel(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  TXPExtPanelKind Kind() const noexcept { return kind_; }
  void SetKind(TXPExtPanelKind kind);

 protected:
  void Paint() override;

 private:
  TXPExtPanelKind kind_ = TXPExtPanelKind::epkSimple;
};

}  // namespace controls
