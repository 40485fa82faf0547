// A program run for a test, with its standard output read back.
#pragma once

#include <windows.h>

#include <string>

namespace testsupport {

struct ChildResult {
  DWORD exit_code = 0;
  std::string output;
};

// Runs a program with its standard output on a pipe; returns its exit code and what it wrote.
ChildResult RunChild(const std::string& command_line);

}  // namespace testsupport
