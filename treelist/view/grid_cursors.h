// The grid's ten cursors (delete, panning's seven, the two copy drags), loaded from the module's
// own resources and registered with the screen under their identifiers.
#pragma once

#include "framework/controls.h"

namespace treelist {

// The cursor resources by name with the screen identifiers they are registered under.
struct GridCursor {
  const wchar_t* resource;
  framework::TCursor id;
};
extern const GridCursor kGridCursors[10];

// Once per process; raises ETreeListError naming a cursor the module lacks.
void RegisterGridCursors();

}  // namespace treelist
