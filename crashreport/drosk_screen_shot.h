// The screen shot: the virtual screen with the mouse cursor, as a palette PNG small enough to go
// with a report mail.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace drosk {

// Size codes 0 to 5: 1 always gives 16 greys; 2 to 5 take the greys when the colour image is
// longer than 50, 100, 200 or 300 KB and the greys are shorter. Empty when the screen cannot be
// captured.
std::string CreateScreenShotPng(int sizeCode);

// The area of a device context with the mouse cursor drawn at its place in it.
std::string ScreenShotOfDc(HDC source, int x, int y, int width, int height, int sizeCode);

// The image for a captured area: `pixels` holds width * height entries of blue, green, red and an
// unused byte, top row first.
std::string EncodeScreenShot(const uint8_t* pixels, uint32_t width, uint32_t height, int sizeCode);

// A PNG of colour type 3: bit depth 8 for a palette of 256 entries, else 4. `scanLines` holds
// every row with its filter byte. Empty when the lines cannot be compressed.
std::string PngImage(uint32_t width, uint32_t height, std::string_view palette,
                     std::string_view scanLines);

// Appends one chunk: length, type, content and the CRC-32 of type and content.
void PngChunk(std::string& data, std::string_view type, std::string_view content);

}  // namespace drosk
