// The stand-in PCB editor in the test process.
#include "standin_editor.h"

#include "support/test_paths.h"

namespace objtest {

namespace {
template <class Proc>
Proc Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

StandInEditor& StandInEditor::Get() {
  static StandInEditor editor;
  return editor;
}

StandInEditor::StandInEditor() {
  module_ = LoadLibraryA(testsupport::BinaryPath(quorvel_host::kModuleName).c_str());
  if (!module_) return;
  open_ = Lookup<quorvel_host::OpenBoard>(module_, quorvel_host::kOpenBoardName);
  save_ = Lookup<quorvel_host::SaveBoard>(module_, quorvel_host::kSaveBoardName);
  if (!open_ || !save_) module_ = nullptr;
}

std::string StandInEditor::Open(const std::string& path) const {
  char error[1024] = "";
  return open_(path.c_str(), error, sizeof error) == 0 ? std::string() : std::string(error);
}

std::string StandInEditor::Save(const std::string& path) const {
  char error[1024] = "";
  return save_(path.c_str(), error, sizeof error) == 0 ? std::string() : std::string(error);
}

std::string ObjectModelBoardPath() {
  return testsupport::TestDataPath("rtl/testdata/object_model_board.json");
}

}  // namespace objtest
