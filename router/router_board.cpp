// The router exchange's board.
#include "router/router_board.h"

#include <algorithm>
#include <vector>

#include "sdk/ascii_case.h"
#include "sdk/exceptions.h"
#include "sdk/file_ownership.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

namespace {

// The board record's unit byte: 0 mil, 1 mm.
constexpr uint8_t kMetricBoard = 1;

}  // namespace

bool TBoard::Imperial() const { return GetUnit() != kMetricBoard; }

int TBoard::Sync(sdk::Mode mode) {
  const int result = TPcbBoard::Sync(mode);
  if (mode == 0 || mode == 2) {
    WriteSettings();
  } else {
    settings_problems =
        ReadSpecctraSetup(framework::IniFile(SettingsFileName()), Imperial(), settings);
  }
  return result;
}

void TBoard::WriteSettings() const {
  framework::IniFile ini(SettingsFileName());
  WriteSpecctraSetup(ini, Imperial(), settings);
  sdk::SaveIniFile(ini);
}

// The commands have nothing to work on without a board.
sdk::Handle CurrentBoard() {
  const sdk::Handle board = sdk::PcbApi_GetCurrentBoardHandle();
  if (board == 0) throw sdk::Exception("No board is open in the PCB editor");
  return board;
}

void RemoveMarkedEmbeddedObjects(sdk::TPcbBoard& board) {
  std::vector<sdk::Handle> marked;
  const std::string marker = sdk::UpperAscii(kExportMarker);
  // Collected first: deleting while the host iterates would disturb the walk.
  board.IterateObjects(
      [&](sdk::Handle handle) {
        sdk::TPcbEmbedded embedded(handle);
        embedded.Sync(1);
        if (sdk::UpperAscii(embedded.Name()).find(marker) != std::string::npos)
          marked.push_back(handle);
      },
      1u << pcbapi::kEmbedded, sdk::LayerZero(), 0);
  for (const sdk::Handle handle : marked) board.DeleteObject(handle);
}

}  // namespace router
