// The router exchange's board: the host board with the router settings of "Tralvek.Ini", and
// the board services the design-file writer and the route-file reader share.
#pragma once

#include <string>
#include <vector>

#include "sdk/pcb_board.h"
#include "router/router_settings.h"

namespace router {

class TBoard : public sdk::TPcbBoard {
 public:
  explicit TBoard(sdk::Handle board) : TPcbBoard(board) {}

  // The host board first; then Mode 0 (and 2) writes the settings, any other Mode reads them.
  // Yields the board's own result.
  int Sync(sdk::Mode mode) override;

  // Writes the router settings alone to "Tralvek.Ini", replacing the file in one step.
  void WriteSettings() const;

  // Length texts follow the board's unit.
  bool Imperial() const;

  TRouterSettings settings;
  // What the last read of the settings refused, one line each (ReadSpecctraSetup).
  std::vector<std::string> settings_problems;
};

// The handle of the board open in the PCB editor; raises sdk::Exception when none is open.
sdk::Handle CurrentBoard();

// The marker in the names of embedded objects the export leaves on the board.
constexpr char kExportMarker[] = "Tralvek_HS";

// Deletes the board's embedded objects whose name holds the marker, in any letter case.
void RemoveMarkedEmbeddedObjects(sdk::TPcbBoard& board);

}  // namespace router
