// Greyscale filters.
#include "controls/xp_bitmap_utils.h"

#include <cstdint>

#include "sdk/exceptions.h"

namespace controls {

namespace {

constexpr char kUnit[] = "RTL\\COMPONENTS\\XP\\XPBitmapUtils";

// The 32-bit pixels of a DIB section, or the assertion failure at `line`.
template <class Filter>
void Filter32(HBITMAP bitmap, int line, Filter&& filter) {
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof section, &section) != sizeof section ||
      section.dsBm.bmBitsPixel != 32 || !section.dsBm.bmBits) {
    throw sdk::EAssertionFailed("Assertion failure", kUnit, line);
  }
  GdiFlush();
  auto* p = static_cast<uint8_t*>(section.dsBm.bmBits);
  const size_t count = static_cast<size_t>(section.dsBm.bmWidth) * section.dsBm.bmHeight;
  for (size_t i = 0; i < count; ++i, p += 4) filter(p);
}

// At most (77 + 151 + 28) * 255 >> 8 = 255.
int Grey(const uint8_t* p) { return (77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8; }

}  // namespace

void GreyscaleBitmap(HBITMAP bitmap) {
  Filter32(bitmap, 452, [](uint8_t* p) { p[0] = p[1] = p[2] = static_cast<uint8_t>(Grey(p)); });
}

void LightGreyscaleBitmap(HBITMAP bitmap) {
  Filter32(bitmap, 583, [](uint8_t* p) {
    // A grey's lightness is its value.
    const int light = 255 - (255 - Grey(p)) * 3 / 5;
    p[0] = p[1] = p[2] = static_cast<uint8_t>(light);
    p[3] = 0;
  });
}

}  // namespace controls
