// The stand-in PCB editor "Quorvel.dll" loaded into the test process, so that the PcbApi bridge
// binds to it, with boards opened and saved through its host exports.
#pragma once

#include <windows.h>

#include <string>

#include "rtl/pcb_api.h"

namespace objtest {

class StandInEditor {
 public:
  // Loads the module from the binaries folder once.
  static StandInEditor& Get();
  bool loaded() const { return module_ != nullptr; }
  // "" on success, else the editor's message.
  std::string Open(const std::string& path) const;
  std::string Save(const std::string& path) const;

 private:
  StandInEditor();
  HMODULE module_ = nullptr;
  quorvel_host::OpenBoard open_ = nullptr;
  quorvel_host::SaveBoard save_ = nullptr;
};

std::string ObjectModelBoardPath();

}  // namespace objtest
