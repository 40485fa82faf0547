// Glyph bitmaps the editors show on buttons and boxes: kept as copies, drawn see-through.
#pragma once

#include <windows.h>

#include "framework/win/handles.h"

namespace editors {

// A copy of `glyph`; empty for a null or empty bitmap.
win::UniqueBitmap CopyGlyph(HBITMAP glyph);
// Draws image `index` of the `count` images side by side in `glyph`, centred in `rect`; the
// colour of the bitmap's bottom-left pixel is see-through.
void DrawGlyph(HDC dc, HBITMAP glyph, const RECT& rect, int index = 0, int count = 1);
// Draws an edit button's glyph centred in `rect`: such glyphs hold the enabled image on the left
// and the disabled one on the right, as the editors' own buttons read them.
void DrawButtonGlyph(HDC dc, HBITMAP glyph, const RECT& rect);

}  // namespace editors
