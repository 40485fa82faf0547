// The export's objects around a set-up dialog under test.
#include "setup_session.h"

#include <windows.h>

#include "router/router_settings.h"
#include "router/setup_dialog.h"
#include "router/via_styles.h"
#include "rules_session.h"
#include "sdk/pcb_api.h"

namespace setuptest {

ExportObjects::ExportObjects(const testsupport::TempDir& dir, const std::string& source) {
  const std::string board_file = dir.Path("board.json");
  testsupport::WriteFile(board_file, testsupport::ReadFile(testsupport::TestDataPath(source)));
  const std::string error = rulestest::OpenBoard(board_file);
  if (!error.empty()) throw std::runtime_error(error);
  board = sdk::PcbApi_GetCurrentBoardHandle();
  router::BuildViaStyleList(board);
  rules = std::make_unique<router::TOvixRules>(board);
  rules->Collect();
  settings = std::make_unique<router::TQixDocumentSetings>(board);
  router::DocumentSettingsGlobal() = settings.get();
  DeleteFileA(router::SettingsFileName().c_str());
}

ExportObjects::~ExportObjects() {
  router::DocumentSettingsGlobal() = nullptr;
  router::FreeViaStyleList();
  router::SetupDialogRunner() = nullptr;
  DeleteFileA(router::SettingsFileName().c_str());
}

}  // namespace setuptest
