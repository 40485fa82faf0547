// The GetWindowDC redirect.
#include "controls/window_dc_redirect.h"

#include "framework/win/module.h"
#include "controls/routine_redirect.h"

namespace controls {

namespace {

// Printing runs on the user-interface thread. A frame printed while another prints (a nested
// scope) only borrows the redirect: the routine is patched by the outermost scope alone.
TPatchRecord g_patch;
HDC g_redirect_dc = nullptr;
int g_depth = 0;

void* GetWindowDcRoutine() {
  return win::ProcAddress(GetModuleHandleW(L"user32.dll"), "GetWindowDC");
}

// Patched in only while a frame prints, so every call it gets is one for the print DC.
HDC WINAPI RedirectedGetWindowDC(HWND) { return g_redirect_dc; }

}  // namespace

WindowDcRedirect::WindowDcRedirect(HDC print_dc) : previous_dc_(g_redirect_dc) {
  g_redirect_dc = print_dc;
  if (g_depth++ > 0) return;
  if (void* const routine = GetWindowDcRoutine()) {
    RedirectRoutine(routine, reinterpret_cast<const void*>(&RedirectedGetWindowDC), g_patch);
  }
}

WindowDcRedirect::~WindowDcRedirect() {
  g_redirect_dc = previous_dc_;
  if (--g_depth > 0) return;
  RestoreRoutine(g_patch);
  g_patch = {};
}

bool WindowDcRedirect::Active() const { return g_patch.address != 0; }

void PrintNonClientArea(HWND hwnd, HDC print_dc) {
  const WindowDcRedirect redirect(print_dc);
  SendMessageW(hwnd, WM_NCPAINT, 1, 0);
}

}  // namespace controls
