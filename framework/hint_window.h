// Hints: the small window that shows a control's Hint after the mouse rested on it, and the
// timer that decides when.
#pragma once

#include <windows.h>

#include <string>

#include "framework/controls.h"

namespace framework {

class THintWindow : public TCustomControl {
 public:
  explicit THintWindow(TComponent* owner);
  // The window's size for `text`, at most `max_width` wide.
  RECT CalcHintRect(int max_width, const std::wstring& text);
  // Shows `text` at `screen_rect` without taking the focus.
  void ActivateHint(const RECT& screen_rect, const std::wstring& text);
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateWnd() override;
  void Paint() override;
};

// Shows a control's hint HintPause milliseconds after the mouse entered it, while ShowHint is
// set and the hint is not empty; hides it when the mouse leaves or the control goes.
class THintController : public TComponent {
 public:
  static THintController& Instance();
  int HintPause() const noexcept { return hint_pause_; }
  void SetHintPause(int milliseconds) { hint_pause_ = milliseconds; }
  void MouseEntered(TControl& control);
  void MouseLeft(TControl& control);
  // The window shown now, or null.
  THintWindow* ShownHint() const noexcept { return shown_ ? window_ : nullptr; }
  void CancelHint();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  THintController();
  static void CALLBACK Elapsed(HWND, UINT, UINT_PTR, DWORD) noexcept;
  void Show();

  int hint_pause_ = 500;
  TControl* control_ = nullptr;
  THintWindow* window_ = nullptr;  // owned as a component
  UINT_PTR timer_ = 0;
  bool shown_ = false;
};

}  // namespace framework
