// The child program of the restart, close and box tests: "restart FILE" fills the exception
// history and restarts itself; the restarted copy writes the history it took over into FILE.
// "close -" ends through the close action, "console -" writes the box's console text (or, in a
// CGI environment, its page), "boxclose -" closes a box that cannot continue.
#include <windows.h>

#include <cstdio>
#include <string>

#include "crashreport/drosk_except.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 3;
  const std::string mode = argv[1];
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
  drosk::TDroskSettings& settings = drosk::HooksTestSettings();
  settings.ErrorText = "An error occurred: %exceptMsg%";
  const drosk::TExceptionBoxInput input{false, "Division by zero", mode == "console", "",
                                        "exception message : Division by zero."};
  if (mode == "console") {
    drosk::ShowExceptionBox(input);
    return 0;
  }
  if (mode == "boxclose") {
    settings.ConsoleOutput = false;
    CloseHandle(CreateThread(nullptr, 0, CloseTheBox, nullptr, 0, nullptr));
    drosk::ShowExceptionBox(input);
    return 6;  // the close action ends the process before
  }
  return 5;
}
