// The rooms of the structure section: each room definition of the board becomes a region of the
// design file with the rules scoped to the room itself, and one region per net or class that a
// rule scopes to the room, carrying that rule's clearances and track widths.
#pragma once

#include "router/design_file_output.h"

namespace sdk {
class TPcbBoard;
}

namespace router {

class TOvixRules;

// Writes the regions of every room of the collection's board that has at least 4 vertices.
// `board` answers which layers are in the layer stack.
void WriteRooms(DesignFileOutput& out, const sdk::TPcbBoard& board, const TOvixRules& rules);

}  // namespace router
