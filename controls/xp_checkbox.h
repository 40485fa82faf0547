// The own-drawn check box: a box and its caption, toggled by the mouse, Space, its accelerator
// or BM_CLICK. Every change of its state, the user's or the code's, runs OnClick: dialogs keep
// the controls that depend on a box in step in that handler, also when they load their values.
#pragma once

#include <windows.h>

#include "controls/xp_control_paint.h"
#include "controls/xp_controls.h"

namespace controls {

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// Draws the box of `state` in `look` into `box` as the paint style draws it; `theme_window`
// opens the theme's button part in the themed style.
void DrawCheckBoxGlyph(HDC dc, const RECT& box, TCheckBoxState state, TXPState look,
                       HWND theme_window);

class TXPCheckBox : public TXPCustomControl {
 public:
  explicit TXPCheckBox(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool Checked() const noexcept { return state_ == TCheckBoxState::cbChecked; }
  void SetChecked(bool value);
  TCheckBoxState State() const noexcept { return state_; }
  void SetState(TCheckBoxState state);
  // The user's clicks pass through grayed too.
  bool AllowGrayed() const noexcept { return allow_grayed_; }
  void SetAllowGrayed(bool value) { allow_grayed_ = value; }
  // Drawn pressed: held down by the mouse or by Space.
  bool Pressed() const noexcept { return press_.Pressed(); }

  bool IsValueChanged() const override { return state_ != original_state_; }
  void SaveOriginalValue() override { original_state_ = state_; }
  void WndProc(framework::TMessage& message) override;

 protected:
  // The user's press: the next state.
  void Click() override;
  void Paint() override;

  TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
  TCheckBoxState original_state_ = TCheckBoxState::cbUnchecked;
  bool allow_grayed_ = false;
  TPressTracker press_;
};

}  // namespace controls
