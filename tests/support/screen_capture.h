// What the screen shows, read back from the display (X11 tests only: the null driver has no
// screen to read). Checks look at regions (the colour of an area, where ink is), never at glyphs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class ScreenCapture {
 public:
  // The whole screen.
  static ScreenCapture OfScreen();
  // A window's rectangle as the screen shows it, frame, caption and scroll bars included.
  static ScreenCapture OfWindow(HWND hwnd);

  int width() const { return width_; }
  int height() const { return height_; }
  // Where the capture's top left corner is on the screen.
  POINT origin() const { return origin_; }
  COLORREF Pixel(int x, int y) const;

  // A rectangle in `hwnd`'s client coordinates, in this capture's coordinates.
  RECT FromClient(HWND hwnd, RECT client) const;
  // The capture's coordinates of `hwnd`'s whole client area.
  RECT ClientArea(HWND hwnd) const;

  // The share (0..1) of the region's pixels within `tolerance` (per channel) of `colour`.
  double ShareOf(const RECT& region, COLORREF colour, int tolerance = 24) const;
  // The box of the region's pixels within `tolerance` of `colour`; empty when none.
  RECT BoxOf(const RECT& region, COLORREF colour, int tolerance = 24) const;
  // The box of the region's pixels further than `tolerance` from `background`; empty when none.
  RECT InkBox(const RECT& region, COLORREF background, int tolerance = 24) const;
  // How many of the region's pixels differ (beyond `tolerance`) between two captures of the
  // same place.
  int DifferingPixels(const ScreenCapture& other, const RECT& region, int tolerance = 24) const;

  // Writes build/pictures/NAME.png.
  void Save(const std::string& name) const;

 private:
  static ScreenCapture Of(const RECT& screen_rect);
  RECT BoxWhere(const RECT& region, const std::function<bool(COLORREF)>& wanted) const;

  POINT origin_{};
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;  // 0x00RRGGBB, rows top to bottom
};

// Whether the colours differ by more than `tolerance` in some channel.
bool ColoursDiffer(COLORREF a, COLORREF b, int tolerance);

}  // namespace testsupport
