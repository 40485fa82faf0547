// A program run for a test, with its standard output read back.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

// The exit code of a child that was ended at its deadline.
constexpr DWORD kTimedOutExitCode = 0xDEAD;

struct ChildResult {
  DWORD exit_code = 0;
  std::string output;
  bool timed_out = false;  // ended (with what it started) at the deadline
};

// Runs a program with its standard output on a pipe; returns its exit code and what it wrote.
// A program still running after `timeout_ms` is ended, together with the processes it started.
ChildResult RunChild(const std::string& command_line, DWORD timeout_ms = 30000);
// The same with a command line of characters beyond the ANSI code page.
ChildResult RunChild(const std::wstring& command_line, DWORD timeout_ms = 30000);

}  // namespace testsupport
