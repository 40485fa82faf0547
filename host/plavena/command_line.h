// Plavena.exe's command line, read as wide text, and what the host prints after a run: the
// journal (without the PCB editor's object-level lines unless asked for) and one summary line
// per file the run wrote.
//
//   Plavena.exe --module DLL [--board FILE] [--save-board FILE] [--common-dialog TEXT]
//               [--answer CAPTION=BUTTON]... [--set NAME=VALUE]... [--interactive]
//               [--run COMMAND PARAMETERS]... [--verbose]
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/plavena/host_session.h"

namespace plavena {

struct Command {
  std::string name;
  std::string parameters;
};

struct CommandLine {
  HostOptions options;
  std::vector<Command> commands;
  std::string save_path;
  bool verbose = false;  // the PCB editor's object-level lines too
  std::string error;     // a usage error; empty when the line is sound
};

// Texts go to the module in the ANSI code page. A character that page cannot hold becomes "?"
// rather than a look-alike ("α" must not become "a" and name another file): the module then
// refuses the name. The host's own paths with such characters are a usage error.
CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The journal as the host prints it; without `verbose` the editor's lines about single objects
// ("pcb created", "pcb destroyed", "pcb added", "pcb deleted") are left out.
std::string PrintedJournal(const Journal& journal, bool verbose);

// Counts of a design file's statements: components placed, nets, and the wires and vias of
// its wiring.
struct DesignFileCounts {
  int components = 0;
  int nets = 0;
  int wires = 0;
  int vias = 0;
};
DesignFileCounts CountDesignFile(std::string_view text);

// The files a run may write, remembered before it; afterwards the ones it wrote.
class WrittenFiles {
 public:
  // The files of the commands' "FileName" (design file and do-file), the board's settings
  // file, the router settings and the saved board.
  explicit WrittenFiles(const CommandLine& line);
  // "file written: PATH, N bytes" for each file that is new or changed, with ", C components,
  // N nets, W wires, V vias" for a design file.
  std::vector<std::string> SummaryLines() const;

 private:
  struct State {
    std::string path;
    bool exists = false;
    uint64_t size = 0;
    uint64_t written = 0;  // last write time
  };
  static State Look(const std::string& path);
  std::vector<State> before_;
};

}  // namespace plavena
