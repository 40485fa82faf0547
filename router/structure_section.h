// The structure section of the design file: the board's extent, the vias the router may use,
// the board-wide rule, the layers with their directions and plane nets, the split planes, the
// rooms with their rules, the net-less copper as keep-outs and the routing grids.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "router/design_file_output.h"
#include "router/rule_tables.h"
#include "router/writer_rule_queries.h"

namespace router {

class TBoard;
class TOvixRules;
class TPadStackList;

// The board-wide values the writer worked out before the sections.
struct TStructureContext {
  int32_t board_clearance = 0;
  int32_t board_width = 0;
  int32_t board_via_limit = -1;  // -1: no limit
  const TWidthTable* board_layer_widths = nullptr;
  const TPadStackList* padstacks = nullptr;
  // The rooms need the collection's scopes; without one no room is written.
  const TOvixRules* rules = nullptr;
  std::function<void()> progress;
};

// Writes the section and returns the board routing layers (the top and bottom layers, or the
// layers of a routing-layers rule scoped "All"), which it marks enabled on `board`.
TLayerFlags WriteStructureSection(DesignFileOutput& out, TBoard& board,
                                  const TStructureContext& context);

// The planes' nets of internal plane `layer`: the plane's own net unless "(No Net)", then the
// net of each split plane on the layer, escaped and separated by blanks.
std::string PlaneLayerNets(const sdk::TPcbBoard& board, int layer);

// The stack's internal planes the layers list leaves out, having no net: nothing else in the
// file may name them.
std::vector<int> UndeclaredPlaneLayers(const sdk::TPcbBoard& board);

}  // namespace router
