// Plavena.exe, the stand-in host: loads a server module (and the PCB editor with a board),
// runs commands as the user would, answers the module's dialogs, and prints its journal.
//
//   Plavena.exe --module DLL [--board FILE] [--save-board FILE] [--common-dialog TEXT]
//               [--answer CAPTION=BUTTON]... [--run COMMAND PARAMETERS]...
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "host/plavena/host_session.h"

namespace {

struct Command {
  std::string name;
  std::string parameters;
};

// A crash ends the host with a message: under automation nobody would close an error box.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "Plavena: crashed with exception 0x%08lX at %p\n",
               static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
               info->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  ExitProcess(3);
}

int Usage() {
  std::fprintf(stderr,
               "usage: Plavena.exe --module DLL [--board FILE] [--save-board FILE]\n"
               "                   [--common-dialog TEXT] [--answer CAPTION=BUTTON]...\n"
               "                   [--run COMMAND PARAMETERS]...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(ReportCrash);
  plavena::HostOptions options;
  std::vector<Command> commands;
  std::string save_path;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool has_value = i + 1 < argc;
    if (option == "--module" && has_value) {
      options.module_path = argv[++i];
    } else if (option == "--board" && has_value) {
      options.board_path = argv[++i];
    } else if (option == "--save-board" && has_value) {
      save_path = argv[++i];
    } else if (option == "--common-dialog" && has_value) {
      options.common_dialog_answer = argv[++i];
    } else if (option == "--answer" && has_value) {
      const std::string rule = argv[++i];
      const size_t equals = rule.rfind('=');
      if (equals == std::string::npos) return Usage();
      options.answers.push_back({rule.substr(0, equals), rule.substr(equals + 1)});
    } else if (option == "--run" && i + 2 < argc) {
      commands.push_back({argv[i + 1], argv[i + 2]});
      i += 2;
    } else {
      return Usage();
    }
  }
  if (options.module_path.empty()) return Usage();

  int exit_code = 0;
  try {
    plavena::HostSession session(options);
    for (const Command& command : commands) {
      if (FAILED(session.Run(command.name, command.parameters).status)) exit_code = 1;
    }
    std::string error;
    if (!save_path.empty() && !session.SaveBoard(save_path, error)) {
      session.journal().Append("save failed: " + error);
      exit_code = 1;
    }
    std::fputs(session.journal().Text().c_str(), stdout);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Plavena: %s\n", e.what());
    return 1;
  }
  return exit_code;
}
