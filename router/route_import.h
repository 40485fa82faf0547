// Reading a route file into the open board: the board's netted routing is replaced by the
// router's wires and vias, test points are marked, and the host refreshes its netlist and view.
#pragma once

#include <string>

#include "router/padstack_shapes.h"
#include "rtl/pcb_board.h"

namespace router {

// Imports the route file into the current board. The file is read and checked first: a file
// that cannot be read, or is not a complete route file, raises ERouteFileError before the board
// changes. False, with nothing done, when no board is open.
bool LoadRouteFile(const std::string& path);

// Makes the free pad that stands for a pad-like padstack placed as a via, and adds it to the
// board, as a padstack pad. The one place that decides which pad class carries the stack.
void AddPadstackPad(const rtl::TPcbBoard& board, const TPadstack& padstack, rtl::Coord x,
                    rtl::Coord y, rtl::Handle net, rtl::Coord hole_size);

// Deletes the board's netted routing (free tracks on signal layers, free vias and pads with a
// net; protected routing and polygon primitives excepted) in batches; stops when a batch
// deletes nothing. Yields the number deleted.
int RemoveNettedRouting(const rtl::TPcbBoard& board);

}  // namespace router
