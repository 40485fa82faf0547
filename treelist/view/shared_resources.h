// The drawing resources every tree list shares: the plus and minus expand glyphs drawn from the
// system colours and the background the drop arrows save on the screen; the grid's own cursors
// are registered with the first tree list. Made with the first tree list and freed with the last.
#pragma once

#include <windows.h>

#include "framework/controls.h"

namespace treelist {

constexpr int kExpandGlyphSize = 12;
// The grid's own cursors, registered with the screen while a tree list exists.
constexpr framework::TCursor crDragCopy = -1138, crMultiDragCopy = -1139;

// Counts the tree lists; the first makes the resources, the last frees them.
void AcquireSharedDrawingResources();
void ReleaseSharedDrawingResources() noexcept;

// Valid while a tree list exists.
HBITMAP ExpandGlyph(bool plus);
// Draws both glyphs again, after the system colours changed.
void RebuildExpandGlyphs();
// The saved-background bitmap, grown to at least width x height.
HBITMAP ArrowBackground(int width, int height);

}  // namespace treelist
