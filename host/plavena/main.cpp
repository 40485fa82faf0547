// Plavena.exe, the stand-in host: loads a server module (and the PCB editor with a board),
// runs commands as the user would, answers the module's dialogs, and prints its journal and
// a line for each file the run wrote. The command line is read as wide text (command_line.h).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "host/plavena/command_line.h"
#include "host/plavena/desktop_session.h"
#include "host/plavena/host_session.h"
#include "host/plavena/server_processor.h"

namespace {

// How long a command waits for a keeper started beside it to be on the desktop: as long as the
// entry script would have waited for it.
constexpr DWORD kKeeperStartMs = 10000;

// A crash ends the host with a message: under automation nobody would close an error box.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "Plavena: crashed with exception 0x%08lX at %p\n",
               static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
               info->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  ExitProcess(3);
}

int Usage(const std::string& error) {
  std::fprintf(stderr,
               "Plavena: %s\n"
               "usage: Plavena.exe --module DLL [--board FILE] [--save-board FILE]\n"
               "                   [--common-dialog TEXT] [--answer CAPTION=BUTTON]...\n"
               "                   [--set NAME=VALUE]... [--interactive]\n"
               "                   [--run COMMAND PARAMETERS]... [--verbose]\n",
               error.c_str());
  return 2;
}

// Writes the text to the standard output in one piece, its lines ended as a text stream ends
// them. The C library writes a text stream a line at a time, and each write of a Wine program
// is a request to Wine's server: a short journal took 40 ms while a new session's programs
// started, a verbose one of a large board far longer. False when the output takes it not whole.
bool PrintWhole(const std::string& text) {
  std::string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  constexpr size_t kMostAtOnce = size_t{1} << 24;
  for (size_t done = 0; done < lines.size();) {
    DWORD written = 0;
    const auto part = static_cast<DWORD>(std::min(lines.size() - done, kMostAtOnce));
    if (!WriteFile(output, lines.data() + done, part, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(ReportCrash);
  plavena::RunBesideWineServer();
  plavena::MarkSessionUsed();
  const plavena::CommandLine line =
      plavena::ParseCommandLine(std::vector<std::wstring>(argv, argv + argc));
  if (!line.error.empty()) return Usage(line.error);

  int exit_code = 0;
  try {
    const plavena::WrittenFiles files(line);
    // The entry script starts the session's keeper beside the first command after a pause: the
    // host's first window waits for its desktop.
    plavena::HostSession session(line.options, [] {
      if (std::getenv("TRALVEK_KEEPER_STARTING")) plavena::WaitForKeptDesktop(kKeeperStartMs);
    });
    for (const plavena::Command& command : line.commands) {
      if (FAILED(session.Run(command.name, command.parameters).status)) exit_code = 1;
    }
    std::string error;
    if (!line.save_path.empty() && !session.SaveBoard(line.save_path, error)) {
      session.journal().Append("save failed: " + error);
      exit_code = 1;
    }
    for (const std::string& summary : files.SummaryLines()) session.journal().Append(summary);
    // A journal the output did not take is a command whose outcome nobody saw.
    if (!PrintWhole(plavena::PrintedJournal(session.journal(), line.verbose))) {
      std::fprintf(stderr, "Plavena: the journal could not be written to the output (error %lu)\n",
                   static_cast<unsigned long>(GetLastError()));
      exit_code = 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Plavena: %s\n", e.what());
    return 1;
  }
  return exit_code;
}
