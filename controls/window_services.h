// Small window services of the control library: a hidden message window that hands each
// message to an event, a form's size and position kept in the registry, and the monitor under
// a screen point.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/controls.h"
#include "framework/win/handles.h"

namespace framework {
class TForm;
}

namespace controls {

// Owns a hidden message window; every message it receives goes to OnMessage, and to the
// default window processing when the event leaves `handled` false.
class TCustomWndProcObject {
 public:
  using MessageEvent = std::function<void(framework::TMessage& message, bool& handled)>;

  TCustomWndProcObject();
  TCustomWndProcObject(const TCustomWndProcObject&) = delete;
  TCustomWndProcObject& operator=(const TCustomWndProcObject&) = delete;

  HWND Handle() const noexcept { return window_.get(); }
  MessageEvent OnMessage;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) noexcept;
  win::UniqueWindow window_;
};

// Restores the bounds stored for the form's class under the forms key (its current values where
// a flag is off or nothing is stored). A stored rectangle that lies on no monitor any more is
// moved onto the nearest monitor's work area, its size kept, so the form stays reachable.
void LoadFormBounds(framework::TForm& form, bool restore_size, bool restore_position);
void SaveFormBounds(const framework::TForm& form, bool save_size, bool save_position);

// The monitor nearest to `point`; false (and `info` cleared) when there is none.
bool GetMonitorInfoAtPoint(POINT point, MONITORINFO& info);

}  // namespace controls
