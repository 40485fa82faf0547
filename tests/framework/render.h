// Pixels of what the framework drew: controls rendered into 32-bit bitmaps, read back as
// COLORREF values and written as pictures for a reviewer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/controls.h"
#include "framework/picture.h"

namespace testsupport {

// The pixel as a COLORREF (0x00BBGGRR), on either pixel format.
uint32_t PixelAt(const framework::TBitmap& bitmap, int x, int y);
int CountPixels(const framework::TBitmap& bitmap, const RECT& area, uint32_t color);
// The control's client area painted through PaintTo into a new 32-bit bitmap.
std::unique_ptr<framework::TBitmap> Render(framework::TControl& control);
// build\pictures\NAME.png
void SavePicture(const framework::TBitmap& bitmap, const std::string& name);

}  // namespace testsupport
