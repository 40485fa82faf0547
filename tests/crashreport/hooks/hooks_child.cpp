// The child program of the tests that end or restart a process: "restart FILE" fills the
// exception history and restarts itself; the restarted copy writes the history it took over into
// FILE. The other modes take "-" as FILE: "close" ends through the close action, "console" writes
// the box's console text (or, in a CGI environment, its page), "boxclose" closes a box that cannot
// continue; "fault-main", "fault-thread", "throw-main" and "throw-thread" fail on the main or a
// second thread, "tenth" raises ten exceptions under an automatic restart rule, "autoclose" one
// under an automatic close rule, and "freeze" stops answering messages for a while.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

#include "crashreport/drosk_except.h"
#include "crashreport/drosk_except_road.h"
#include "crashreport/drosk_exception_box.h"
#include "crashreport/drosk_watchdog.h"
#include "hooks_test_settings.h"

namespace {

// Asks the box to close as soon as it is there.
DWORD WINAPI CloseTheBox(void*) {
  for (;;) {
    if (HWND box = FindWindowA(drosk::kBoxWindowClass, nullptr); box && IsWindowVisible(box)) {
      PostMessageA(box, WM_CLOSE, 0, 0);
      return 0;
    }
    Sleep(10);
  }
}

void Say(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

__attribute__((noinline)) void WriteThroughNull(volatile int* pointer) { pointer[4] = 1; }
volatile int quotient = 0;
__attribute__((noinline)) void Divide(int divisor) {
  volatile int d = divisor;
  quotient = 100 / d;
}

int RunFailure(const std::string& mode) {
  if (mode == "fault-main") WriteThroughNull(nullptr);
  if (mode == "throw-main") throw std::runtime_error("thrown on main");
  if (mode == "fault-thread") std::thread([] { Divide(0); }).join();
  if (mode == "throw-thread") {
    std::thread([] { throw std::runtime_error("thrown on a thread"); }).join();
  }
  Say("main goes on\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 3;
  const std::string mode = argv[1];
  drosk::TDroskSettings& settings = drosk::HooksTestSettings();
  settings.ErrorText = "An error occurred: %exceptMsg%";
  settings.ButtonCaptions[3] = "";  // the console text without the report
  if (mode == "freeze") settings.FreezeCheckInterval = 300;
  drosk::DroskExceptInitialization();
  const drosk::TExceptionHistory& history = drosk::ExceptionHistory();
  if (history[0] != 0) {
    std::string text;
    for (const uint64_t entry : history) text += std::to_string(entry) + " ";
    FILE* file = std::fopen(argv[2], "wb");
    if (!file) return 4;
    std::fputs(text.c_str(), file);
    std::fclose(file);
    return 0;
  }
  if (mode == "restart") {
    for (uint64_t i = 1; i <= 10; ++i) {
      drosk::AddToHistory(drosk::ExceptionHistory(), 13000000000 + i);
    }
    drosk::RestartApplication();
  }
  if (mode == "close") drosk::CloseApplication();
  if (mode == "tenth" || mode == "autoclose") {
    settings.AutoRestart = mode == "tenth" ? 60 : 0;
    settings.AutoClose = mode == "autoclose" ? 1 : 0;
    for (int i = 1; i <= 10; ++i) {
      drosk::HandleException(false, std::make_exception_ptr(std::runtime_error("closing")), 0, true,
                             0, 0, nullptr);
      Say(("continued " + std::to_string(i) + "\n").c_str());
    }
    return 0;
  }
  if (mode == "freeze") {
    Sleep(2500);
    Say("main goes on\n");
    return 0;
  }
  const drosk::TExceptionBoxInput input{false, "Division by zero", mode == "console", "",
                                        "exception message : Division by zero."};
  if (mode == "console") {
    settings.ButtonCaptions[3] = "show bug report";
    drosk::ShowExceptionBox(input);
    return 0;
  }
  if (mode == "boxclose") {
    settings.ConsoleOutput = false;
    CloseHandle(CreateThread(nullptr, 0, CloseTheBox, nullptr, 0, nullptr));
    drosk::ShowExceptionBox(input);
    return 6;  // the close action ends the process before
  }
  return RunFailure(mode);
}
