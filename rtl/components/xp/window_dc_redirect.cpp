// The GetWindowDC redirect.
#include "rtl/components/xp/window_dc_redirect.h"

#include "framework/win/module.h"
#include "rtl/components/xp/routine_redirect.h"

namespace xp {

namespace {

// One redirect at a time: printing runs on the user-interface thread, one frame after another.
TPatchRecord g_patch;
HDC g_redirect_dc = nullptr;

void* GetWindowDcRoutine() {
  return win::ProcAddress(GetModuleHandleW(L"user32.dll"), "GetWindowDC");
}

// Patched in only while a frame prints, so every call it gets is one for the print DC.
HDC WINAPI RedirectedGetWindowDC(HWND) { return g_redirect_dc; }

}  // namespace

WindowDcRedirect::WindowDcRedirect(HDC print_dc) {
  void* const routine = GetWindowDcRoutine();
  g_redirect_dc = print_dc;
  if (routine) {
    RedirectRoutine(routine, reinterpret_cast<const void*>(&RedirectedGetWindowDC), g_patch);
  }
}

WindowDcRedirect::~WindowDcRedirect() {
  RestoreRoutine(g_patch);
  g_patch = {};
  g_redirect_dc = nullptr;
}

bool WindowDcRedirect::Active() const { return g_patch.address != 0; }

void PrintNonClientArea(HWND hwnd, HDC print_dc) {
  const WindowDcRedirect redirect(print_dc);
  SendMessageW(hwnd, WM_NCPAINT, 1, 0);
}

}  // namespace xp
