// The plug-in's application object.
#include "framework/application.h"

#include <exception>
#include <utility>

#include "framework/controls.h"
#include "framework/message_dialog.h"

namespace framework {

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::AddIdleTask(std::function<void()> task) {
  idle_tasks_.push_back(std::move(task));
}

void Application::ProcessIdle() {
  // A task may add new ones; those wait for the next idle step.
  std::vector<std::function<void()>> tasks = std::exchange(idle_tasks_, {});
  for (auto& task : tasks) task();
}

bool Application::ProcessMessage(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_SYSCHAR) {
    return false;
  }
  // Escape during a drag ends the drag, and nothing else.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    if (TWinControl* holder = TWinControl::FromHandle(GetCapture());
        holder && holder->CancelControlCapture()) {
      return true;
    }
  }
  TWinControl* target = nullptr;
  for (HWND hwnd = msg.hwnd; hwnd && !target; hwnd = GetParent(hwnd)) {
    target = TWinControl::FromHandle(hwnd);
  }
  if (!target) return false;
  if (msg.message == WM_SYSCHAR) {
    // Alt and a letter: the control whose caption underlines it acts (an accelerator).
    TWinControl* form = target;
    while (form->Parent()) form = form->Parent();
    return form->Perform(CM_DIALOGCHAR, msg.wParam, msg.lParam) != 0;
  }
  if (target->Perform(CM_WANTSPECIALKEY, msg.wParam, msg.lParam)) return false;
  // A control claims a key through its dialog code too: Tab with DLGC_WANTTAB, Enter with
  // DLGC_WANTALLKEYS. Escape only through CM_WANTSPECIALKEY: it cancels even from a memo.
  UINT wanted = 0;
  if (msg.wParam == VK_TAB) wanted = DLGC_WANTTAB;
  if (msg.wParam == VK_RETURN) wanted = DLGC_WANTALLKEYS;
  if (wanted && (target->Perform(WM_GETDLGCODE) & wanted)) return false;
  TWinControl* form = target;
  while (form->Parent()) form = form->Parent();
  return form->Perform(CM_DIALOGKEY, msg.wParam, msg.lParam) != 0;
}

void Application::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns the thread
      return;
    }
    if (!ProcessMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

void Application::HandleException() noexcept {
  try {
    std::string message = "Unknown error";
    try {
      throw;
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
    }
    if (OnException) {
      OnException(message);
    } else {
      ShowMessageDialog({"Error", message, MessageKind::Error, MessageButtons::Ok});
    }
  } catch (...) {
    // Reporting failed too (no memory): the message is dropped, the loop goes on.
  }
}

}  // namespace framework
