// The router exchange's board.
#include "router/router_board.h"

#include <algorithm>
#include <vector>

#include "rtl/ascii_case.h"
#include "rtl/file_ownership.h"
#include "rtl/pcb_api.h"
#include "rtl/pcb_object_kinds.h"

namespace router {

namespace {

// The board record's unit byte: 0 mil, 1 mm.
constexpr uint8_t kMetricBoard = 1;

}  // namespace

bool TBoard::Imperial() const { return GetUnit() != kMetricBoard; }

int TBoard::Sync(rtl::Mode mode) {
  const int result = TPcbBoard::Sync(mode);
  framework::IniFile ini(SettingsFileName());
  if (mode == 0 || mode == 2) {
    WriteSpecctraSetup(ini, Imperial(), settings);
    rtl::SaveIniFile(ini);
  } else {
    ReadSpecctraSetup(ini, Imperial(), settings);
  }
  return result;
}

void RemoveMarkedEmbeddedObjects(rtl::TPcbBoard& board) {
  std::vector<rtl::Handle> marked;
  const std::string marker = rtl::UpperAscii(kExportMarker);
  rtl::LegacyLayerSet layer_zero;
  layer_zero.Include(0);
  // Collected first: deleting while the host iterates would disturb the walk.
  board.IterateObjects(
      [&](rtl::Handle handle) {
        rtl::TPcbEmbedded embedded(handle);
        embedded.Sync(1);
        if (rtl::UpperAscii(embedded.Name()).find(marker) != std::string::npos)
          marked.push_back(handle);
      },
      1u << pcbapi::kEmbedded, layer_zero, 0);
  for (const rtl::Handle handle : marked) board.DeleteObject(handle);
}

}  // namespace router
