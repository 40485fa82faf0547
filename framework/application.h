// The plug-in's application object: the window that owns its forms and message boxes (the
// host's, once the server module exists), the message step that gives forms their dialog keys,
// the idle step, and the one place where an exception caught in a callback ends up.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
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

  // Takes one message a loop of ours got: a dialog key (Tab, Enter, Escape) goes to the form of
  // the window it was meant for. False when the loop should translate and dispatch it as usual.
  bool ProcessMessage(const MSG& msg);
  // Handles every waiting message, then returns (long work keeps its windows alive this way).
  void ProcessMessages();

  // Called inside a catch block of a window procedure, hook or timer callback: reports the
  // exception (through OnException when set, else in an error message box). Never throws.
  void HandleException() noexcept;
  std::function<void(const std::string& message)> OnException;

 private:
  HWND handle_ = nullptr;
  std::vector<std::function<void()>> idle_tasks_;
};

}  // namespace framework
