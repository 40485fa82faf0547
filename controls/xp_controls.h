// The root of the own-drawn controls: a smooth-drawing option, a repaint hook, the value-changed
// query that dialogs send any control (message 1025), no background erasing (each control paints
// its whole client area), and printing of the client area and of the frame, whose painting gets
// its DC through GetWindowDC and so is redirected into the print DC.
#pragma once

#include <windows.h>

#include "framework/controls.h"
#include "framework/forms.h"

namespace controls {

// The value-changed query: WParam 1 asks IsValueChanged (result 0 or 1), WParam 2 makes the
// current value the original one; other WParam values do nothing.
constexpr UINT XPM_VALUECHANGED = WM_USER + 1;
constexpr WPARAM kValueChangedQuery = 1, kValueChangedSave = 2;

// The behaviour of the family on any framework control that paints itself on a canvas: the
// push button needs the framework's button base (Default, Cancel, ModalResult) beneath it.
template <class Base>
class TXPControl : public Base {
 public:
  explicit TXPControl(framework::TComponent* owner) : Base(owner) {
    this->SetControlStyle(this->ControlStyle() | framework::csDisplayDragImage);
  }

  bool SmoothDraw() const noexcept { return smooth_draw_; }
  void SetSmoothDraw(bool value);
  // Repaints what changed; the whole control unless a control knows better.
  virtual void RedrawControl() { this->Invalidate(); }
  // Whether the user changed the value since the last SaveOriginalValue.
  virtual bool IsValueChanged() const { return false; }
  virtual void SaveOriginalValue() {}

  void WndProc(framework::TMessage& message) override;

 private:
  void PrintClient(framework::TMessage& message);
  void Print(framework::TMessage& message);

  bool smooth_draw_ = false;
};

class TXPCustomControl : public TXPControl<framework::TCustomControl> {
 public:
  explicit TXPCustomControl(framework::TComponent* owner) : TXPControl(owner) {}
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

extern template class TXPControl<framework::TCustomControl>;
extern template class TXPControl<framework::TButtonControl>;

}  // namespace controls
