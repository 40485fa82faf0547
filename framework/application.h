// The plug-in's application object: the window that owns its forms and message boxes (the
// host's, once the server module exists) and the idle step of the component framework.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace framework {

class Application {
 public:
  static Application& Instance();

  HWND Handle() const noexcept { return handle_; }
  void SetHandle(HWND handle) noexcept { handle_ = handle; }

  // Work that waits for the host's idle time (forms freed after the host let go of them).
  void AddIdleTask(std::function<void()> task);
  // Runs and forgets every waiting idle task.
  void ProcessIdle();

 private:
  HWND handle_ = nullptr;
  std::vector<std::function<void()>> idle_tasks_;
};

}  // namespace framework
