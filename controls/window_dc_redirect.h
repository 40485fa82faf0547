// The GetWindowDC redirect of a control that prints its frame: while a WindowDcRedirect lives,
// every GetWindowDC of the process returns the print DC, so that non-client painting, which
// obtains its DC through GetWindowDC, lands in it. The routine is patched only for that scope
// (one synchronous WM_NCPAINT) and put back at its end, also when painting throws. Scopes nest.
#pragma once

#include <windows.h>

namespace controls {

class WindowDcRedirect {
 public:
  // Patches GetWindowDC; `Active()` tells whether the patch could be made.
  explicit WindowDcRedirect(HDC print_dc);
  ~WindowDcRedirect();
  WindowDcRedirect(const WindowDcRedirect&) = delete;
  WindowDcRedirect& operator=(const WindowDcRedirect&) = delete;

  bool Active() const;

 private:
  HDC previous_dc_;  // the DC of an enclosing redirect, back in force when this one ends
};

// Sends `hwnd` WM_NCPAINT (WParam 1) with GetWindowDC redirected to `print_dc`.
void PrintNonClientArea(HWND hwnd, HDC print_dc);

}  // namespace controls
