// Modal message boxes.
#include "framework/message_dialog.h"

#include <windows.h>

#include <utility>

#include "framework/application.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace framework {

namespace {

MessageDialogHandler& Handler() {
  static MessageDialogHandler handler;
  return handler;
}

UINT IconFor(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning: return MB_ICONWARNING;
    case MessageKind::Error: return MB_ICONERROR;
    case MessageKind::Information: return MB_ICONINFORMATION;
    case MessageKind::Confirmation: return MB_ICONQUESTION;
    case MessageKind::Custom: return 0;
  }
  return 0;
}

UINT ButtonsFor(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok: return MB_OK;
    case MessageButtons::OkCancel: return MB_OKCANCEL;
    case MessageButtons::YesNo: return MB_YESNO;
    case MessageButtons::YesNoCancel: return MB_YESNOCANCEL;
    case MessageButtons::RetryCancel: return MB_RETRYCANCEL;
    case MessageButtons::AbortRetryIgnore: return MB_ABORTRETRYIGNORE;
  }
  return MB_OK;
}

// The box centres itself on its owner; the host's dialogs sit in the middle of the screen.
// A thread-local CBT hook catches the box as it is activated and moves it there.
thread_local HHOOK centring_hook = nullptr;

LRESULT CALLBACK CentreOnScreen(int code, WPARAM wp, LPARAM lp) noexcept {
  if (code == HCBT_ACTIVATE) {
    const HWND box = reinterpret_cast<HWND>(wp);
    RECT bounds;
    if (GetWindowRect(box, &bounds)) {
      const int width = bounds.right - bounds.left;
      const int height = bounds.bottom - bounds.top;
      const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
      const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
      SetWindowPos(box, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Once is enough: later activations belong to whatever the user does with the box.
    const HHOOK hook = std::exchange(centring_hook, nullptr);
    const LRESULT result = CallNextHookEx(hook, code, wp, lp);
    UnhookWindowsHookEx(hook);
    return result;
  }
  return CallNextHookEx(centring_hook, code, wp, lp);
}

}  // namespace

int ShowMessageDialog(const MessageDialogRequest& request) {
  if (const MessageDialogHandler& handler = Handler()) return handler(request);
  const std::wstring caption = win::Widen(request.caption);
  const std::wstring message = win::Widen(request.message);
  win::UniqueHook hook(SetWindowsHookExW(WH_CBT, CentreOnScreen, nullptr, GetCurrentThreadId()));
  centring_hook = hook.get();
  const int result =
      MessageBoxW(Application::Instance().Handle(), message.c_str(), caption.c_str(),
                  IconFor(request.kind) | ButtonsFor(request.buttons) | MB_SETFOREGROUND);
  if (!centring_hook) (void)hook.release();  // the hook removed itself
  centring_hook = nullptr;
  return result;
}

void SetMessageDialogHandler(MessageDialogHandler handler) { Handler() = std::move(handler); }

}  // namespace framework
