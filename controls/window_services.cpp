// Small window services of the control library.
#include "controls/window_services.h"

#include <algorithm>

#include "framework/forms.h"
#include "framework/ini_files.h"
#include "framework/win/module.h"
#include "controls/rt_forms.h"

namespace controls {

namespace {

// An ANSI class: unhandled messages go to DefWindowProcA, which must see ANSI texts.
constexpr char kWndProcObjectClass[] = "TralvekWndProcObject";

// Registered on first use and unregistered when the module unloads: a class a DLL leaves behind
// keeps the address of a procedure that is gone, and the module loaded again could not register
// it.
class WndProcObjectClass {
 public:
  explicit WndProcObjectClass(WNDPROC proc) {
    UnregisterClassA(kWndProcObjectClass, win::ThisModule());  // left by an earlier load
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = win::ThisModule();
    wc.lpszClassName = kWndProcObjectClass;
    atom_ = RegisterClassA(&wc);
  }
  ~WndProcObjectClass() {
    if (atom_) UnregisterClassA(kWndProcObjectClass, win::ThisModule());
  }
  WndProcObjectClass(const WndProcObjectClass&) = delete;
  WndProcObjectClass& operator=(const WndProcObjectClass&) = delete;
  bool Registered() const noexcept { return atom_ != 0; }

 private:
  ATOM atom_ = 0;
};

// A rectangle touching no monitor is moved into the nearest monitor's work area (the top-left
// corner first, so a form larger than the area shows its caption).
RECT KeepOnSomeMonitor(RECT rect) {
  if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr) return rect;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info)) return rect;
  const RECT& area = info.rcWork;
  const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
  LONG left = std::max(area.left, std::min(rect.left, area.right - width));
  LONG top = std::max(area.top, std::min(rect.top, area.bottom - height));
  return {left, top, left + width, top + height};
}

}  // namespace

TCustomWndProcObject::TCustomWndProcObject() {
  static const WndProcObjectClass window_class(&WindowProc);
  if (!window_class.Registered()) {
    throw framework::Exception("cannot register the message window class");
  }
  // A hidden top-level window rather than a message-only one: only top-level windows hear the
  // system's broadcasts (WM_SYSCOLORCHANGE and friends).
  window_.reset(CreateWindowExA(WS_EX_TOOLWINDOW, kWndProcObjectClass, "", WS_POPUP, 0, 0, 0, 0,
                                nullptr, nullptr, win::ThisModule(), nullptr));
  if (!window_) throw framework::Exception("cannot create a message window");
  SetWindowLongPtrA(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK TCustomWndProcObject::WindowProc(HWND hwnd, UINT msg, WPARAM wparam,
                                                  LPARAM lparam) noexcept {
  auto* self = reinterpret_cast<TCustomWndProcObject*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  framework::TMessage message{msg, wparam, lparam, 0};
  bool handled = false;
  if (self != nullptr && self->OnMessage) {
    try {
      self->OnMessage(message, handled);
    } catch (...) {
      // Nothing may leave a window procedure; the message gets the default processing.
      handled = false;
    }
  }
  if (!handled) message.result = DefWindowProcA(hwnd, msg, wparam, lparam);
  return message.result;
}

void LoadFormBounds(framework::TForm& form, bool restore_size, bool restore_position) {
  framework::TRegistryIniFile store(GetFormBoundsKey());
  const std::string section = form.ClassName();
  int width = form.Width(), height = form.Height(), left = form.Left(), top = form.Top();
  if (restore_size) {
    width = store.ReadInteger(section, "Width", width);
    height = store.ReadInteger(section, "Height", height);
  }
  if (restore_position) {
    left = store.ReadInteger(section, "Left", left);
    top = store.ReadInteger(section, "Top", top);
  }
  const RECT placed = KeepOnSomeMonitor({left, top, left + width, top + height});
  form.SetBounds(placed.left, placed.top, width, height);
}

void SaveFormBounds(const framework::TForm& form, bool save_size, bool save_position) {
  framework::TRegistryIniFile store(GetFormBoundsKey());
  const std::string section = form.ClassName();
  if (save_size) {
    store.WriteInteger(section, "Width", form.Width());
    store.WriteInteger(section, "Height", form.Height());
  }
  if (save_position) {
    store.WriteInteger(section, "Left", form.Left());
    store.WriteInteger(section, "Top", form.Top());
  }
}

bool GetMonitorInfoAtPoint(POINT point, MONITORINFO& info) {
  info = {};
  HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
  if (monitor == nullptr) return false;
  info.cbSize = sizeof info;
  return GetMonitorInfoW(monitor, &info) != FALSE;
}

}  // namespace controls
