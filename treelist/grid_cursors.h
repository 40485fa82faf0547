// The grid's own cursors (delete, and panning's eight), drawn here and registered with the
// screen under their identifiers unless something registered them before.
#pragma once

namespace treelist {

void RegisterGridCursors();

}  // namespace treelist
