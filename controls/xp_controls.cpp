// The root of the own-drawn controls.
#include "controls/xp_controls.h"

#include "controls/window_dc_redirect.h"
#include "framework/win/handles.h"

namespace controls {

namespace {

// Sets a ControlState flag for one scope, also when painting throws.
class ControlStateScope {
 public:
  ControlStateScope(framework::TControl& control, unsigned flag) : control_(control), flag_(flag) {
    control_.SetControlState(control_.ControlState() | flag_);
  }
  ~ControlStateScope() { control_.SetControlState(control_.ControlState() & ~flag_); }
  ControlStateScope(const ControlStateScope&) = delete;
  ControlStateScope& operator=(const ControlStateScope&) = delete;

 private:
  framework::TControl& control_;
  unsigned flag_;
};

}  // namespace

template <class Base>
void TXPControl<Base>::SetSmoothDraw(bool value) {
  if (value == smooth_draw_) return;
  smooth_draw_ = value;
  RedrawControl();
}

template <class Base>
void TXPControl<Base>::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case XPM_VALUECHANGED:
      if (message.wParam == kValueChangedQuery) {
        message.result = IsValueChanged() ? 1 : 0;
      } else if (message.wParam == kValueChangedSave) {
        SaveOriginalValue();
      }
      return;
    case WM_ERASEBKGND: message.result = 1; return;
    case WM_PRINTCLIENT: PrintClient(message); return;
    case WM_PRINT: Print(message); return;
  }
  Base::WndProc(message);
}

template <class Base>
void TXPControl<Base>::PrintClient(framework::TMessage& message) {
  if (message.result != 0 || ((message.lParam & PRF_CHECKVISIBLE) && !this->Visible())) {
    Base::WndProc(message);
    return;
  }
  const ControlStateScope copying(*this, framework::csPaintCopy);
  const HDC dc = reinterpret_cast<HDC>(message.wParam);
  const win::SavedDC saved(dc);
  this->PaintWindow(dc);
}

template <class Base>
void TXPControl<Base>::Print(framework::TMessage& message) {
  Base::WndProc(message);
  {
    const ControlStateScope printing(*this, framework::csPrinting);
    const HDC dc = reinterpret_cast<HDC>(message.wParam);
    const win::SavedDC saved(dc);
    PrintNonClientArea(this->Handle(), dc);
  }
  message.result = 1;
}

template class TXPControl<framework::TCustomControl>;
template class TXPControl<framework::TButtonControl>;

const framework::TClassInfo& TXPCustomControl::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPCustomControl, framework::TCustomControl>(
          "TXPCustomControl");
  return info;
}

}  // namespace controls
