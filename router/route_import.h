// Reading a route file into the open board: the board's netted routing is replaced by the
// router's wires and vias, test points are marked, and the host refreshes its netlist and view.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "router/padstack_shapes.h"
#include "router/route_file_reader.h"
#include "sdk/pcb_board.h"

namespace router {

// What an import did, for the user.
struct TRouteImportReport {
  int tracks = 0, vias = 0, pads = 0;  // added
  int already_there = 0;               // copper the router gave back that the board has already
  bool has_resolution = true;
  SkippedRecords skipped;  // records not imported, and board objects not changed
  // Without a hole list, where the holes of new vias and pads came from.
  std::string missing_hole_list;  // the per-document file that has none; empty when it has one
  int holes_from_board = 0;       // of the board's copper the export gave the same padstack
  int default_holes = 0;          // the settings' default via hole
  int holes_fitted = 0;           // made smaller so that they fit inside their copper
  // Lines of the hole list that hold no hole a via can have; their vias took the default hole.
  std::string hole_list;                 // the per-document file the holes were read from
  std::set<std::string> unusable_holes;  // "key=value", once each

  // One text for the status bar: what was added, what was skipped and why.
  std::string Text(const std::string& path) const;
};

// Imports the route file into the current board and shows the report as the host's status text.
// The file is read and checked first: a file that cannot be read, or is not a complete route
// file, raises ERouteFileError before the board changes. Records the board has no layer or net
// for are skipped and reported; copper the board has already is not added again. Without an open
// board it raises sdk::Exception. True whenever it returns.
bool LoadRouteFile(const std::string& path, TRouteImportReport* report = nullptr);

// Makes the free pad that stands for a pad-like padstack placed as a via, and adds it to the
// board, as a padstack pad. The one place that decides which pad class carries the stack.
// False when the host made or took no pad.
bool AddPadstackPad(const sdk::TPcbBoard& board, const TPadstack& padstack, sdk::Coord x,
                    sdk::Coord y, sdk::Handle net, sdk::Coord hole_size);

// Each handle once, at its first visit, in the order of the visits: a walk layer by layer may
// visit a pad or via once per layer.
std::vector<sdk::Handle> FirstVisits(const std::vector<sdk::Handle>& visits);

}  // namespace router
