// Pixel filters on 32-bit DIB sections that make greyed glyphs.
#pragma once

#include <windows.h>

namespace controls {

// Every pixel grey ((77 R + 151 G + 28 B) >> 8); the fourth byte kept. A bitmap that is not a
// 32-bit DIB section fails an assertion.
void GreyscaleBitmap(HBITMAP bitmap);
// Every pixel a light grey, 3/5 of the way from its grey to white; the fourth byte becomes 0.
void LightGreyscaleBitmap(HBITMAP bitmap);

}  // namespace controls
