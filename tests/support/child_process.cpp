// A program run for a test, with its standard output read back.
#include "support/child_process.h"

#include <stdexcept>
#include <thread>

namespace testsupport {

ChildResult RunChild(const std::string& command_line, DWORD timeout_ms) {
  std::wstring wide(command_line.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_ACP, 0, command_line.data(),
                                  static_cast<int>(command_line.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  return RunChild(wide, timeout_ms);
}

ChildResult RunChild(const std::wstring& command_line, DWORD timeout_ms) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) throw std::runtime_error("CreatePipe");
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring line = command_line;
  // The child and whatever it starts live in a job, so that a child that hangs is ended with
  // all of them at the deadline (and the pipe they hold is closed).
  const HANDLE job = CreateJobObjectA(nullptr, nullptr);
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    if (job) CloseHandle(job);
    std::string name(command_line.size() * 3, '\0');
    name.resize(WideCharToMultiByte(CP_ACP, 0, command_line.data(),
                                    static_cast<int>(command_line.size()), name.data(),
                                    static_cast<int>(name.size()), nullptr, nullptr));
    throw std::runtime_error("cannot start " + name);
  }
  const bool in_job = job && AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
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
  const DWORD start = GetTickCount();
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) !=
         WAIT_OBJECT_0) {
    if (GetTickCount() - start >= timeout_ms) {
      result.timed_out = true;
      if (!in_job || !TerminateJobObject(job, kTimedOutExitCode)) {
        TerminateProcess(process.hProcess, kTimedOutExitCode);
      }
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  reader.join();
  if (job) CloseHandle(job);
  CloseHandle(read_end);
  GetExitCodeProcess(process.hProcess, &result.exit_code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return result;
}

}  // namespace testsupport
