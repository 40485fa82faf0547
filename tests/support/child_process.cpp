// A program run for a test, with its standard output read back.
#include "support/child_process.h"

#include <stdexcept>
#include <thread>

namespace testsupport {

ChildResult RunChild(const std::string& command_line) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) throw std::runtime_error("CreatePipe");
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string line = command_line;
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    throw std::runtime_error("cannot start " + command_line);
  }
  ChildResult result;
  // Read on a thread while this one answers messages: the child's broadcasts (SendMessage to
  // every top-level window) would otherwise wait for this thread's windows forever.
  std::thread reader([&result, read_end] {
    char chunk[512];
    DWORD read = 0;
    while (ReadFile(read_end, chunk, sizeof chunk, &read, nullptr) && read > 0) {
      result.output.append(chunk, read);
    }
  });
  const DWORD deadline = GetTickCount() + 30000;
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) !=
             WAIT_OBJECT_0 &&
         GetTickCount() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  reader.join();
  CloseHandle(read_end);
  GetExitCodeProcess(process.hProcess, &result.exit_code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return result;
}

}  // namespace testsupport
