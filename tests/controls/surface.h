// A 32-bit drawing surface for the drawing tests: pixels to check, and a PNG of what was drawn
// written to build/pictures/ for a person to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "framework/win/handles.h"

namespace xptest {

class Surface {
 public:
  Surface(int width, int height, COLORREF fill = RGB(255, 255, 255));
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  void Fill(COLORREF colour);
  // Red, green, blue of a pixel (the fourth byte left out).
  COLORREF Pixel(int x, int y) const;
  uint8_t Alpha(int x, int y) const;
  // Sets every fourth byte to 255 (GDI drawing clears it).
  void MakeOpaque();
  void SetRaw(int x, int y, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
  // The box of pixels that differ from `background`; empty when none do.
  RECT InkBox(COLORREF background) const;
  // Mean row of the pixels that differ from `background`, weighted by how much they differ.
  double InkCentreY(COLORREF background) const;

 private:
  int width_;
  int height_;
  uint32_t* bits_ = nullptr;
  win::UniqueBitmap bitmap_;
  win::UniqueMemoryDc dc_;
  HGDIOBJ old_ = nullptr;
};

// The colours of the given pixels as "rrggbb rrggbb ...", to compare many pixels at once with
// Colours(), which writes expected colours alike.
std::string Pixels(const Surface& surface, std::initializer_list<POINT> points);
std::string Colours(std::initializer_list<COLORREF> colours);
// Pixels of `area` that differ between two surfaces; whether two surfaces are alike throughout.
int Differences(const Surface& a, const Surface& b, const RECT& area);
bool SamePixels(const Surface& a, const Surface& b);
// Pixels of `area` of that colour; of another colour; dark ones (red + green + blue under 200,
// as text on a light face).
int CountOfColour(const Surface& surface, const RECT& area, COLORREF colour);
int CountOtherThan(const Surface& surface, const RECT& area, COLORREF colour);
int CountDark(const Surface& surface, const RECT& area);
// The whole surface as an area.
RECT Whole(const Surface& surface);

// Turned text "WWWW......" aligned to where it starts: the heavy letters show which way it reads
// (from the top when `down`, else from the bottom); the picture goes to NAME.png.
void ExpectTurnedTextReads(const Surface& surface, bool down, const std::string& name);

// Writes the surface (scaled `scale` times) as build/pictures/NAME.png.
void WritePicture(const Surface& surface, const std::string& name, int scale = 1);

}  // namespace xptest
