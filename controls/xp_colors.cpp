// Colour arithmetic of the control library.
#include "controls/xp_colors.h"

#include <algorithm>
#include <cmath>

namespace controls {

namespace {

// Rounds half to even, as the floating-point unit does by default.
int RoundToNearest(double value) { return static_cast<int>(std::nearbyint(value)); }

framework::TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

double HueToValue(double m1, double m2, double x) {
  if (x < 0) x += 1;
  if (x > 1) x -= 1;
  if (6 * x < 1) return m1 + (m2 - m1) * 6 * x;
  if (2 * x < 1) return m2;
  if (3 * x < 2) return m1 + (m2 - m1) * (2.0 / 3 - x) * 6;
  return m1;
}

}  // namespace

uint8_t GreyValue(uint8_t r, uint8_t g, uint8_t b) noexcept {
  return static_cast<uint8_t>((77 * r + 151 * g + 28 * b) >> 8);
}

framework::TColor GreyColor(framework::TColor color) noexcept {
  const COLORREF rgb = framework::ColorToRGB(color);
  const int grey = GreyValue(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
  return Rgb(grey, grey, grey);
}

void ColorToHSL(framework::TColor color, uint8_t& h, uint8_t& s, uint8_t& l) noexcept {
  const COLORREF rgb = framework::ColorToRGB(color);
  const double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
  const double max = std::max({r, g, b}), min = std::min({r, g, b});
  const double light = (max + min) / 2;
  if (max == min) {
    s = 0;
    l = static_cast<uint8_t>(RoundToNearest(255 * max));
    return;
  }
  const double delta = max - min;
  const double sat = light < 0.5 ? delta / (max + min) : delta / (2 - max - min);
  double hue;
  if (r == max)
    hue = (g - b) / delta;
  else if (g == max)
    hue = 2 + (b - r) / delta;
  else
    hue = 4 + (r - g) / delta;
  hue /= 6;
  if (hue < 0) hue += 1;
  h = static_cast<uint8_t>(RoundToNearest(255 * hue));
  s = static_cast<uint8_t>(RoundToNearest(255 * sat));
  l = static_cast<uint8_t>(RoundToNearest(255 * light));
}

framework::TColor HSLToColor(uint8_t h, uint8_t s, uint8_t l) noexcept {
  const double hue = h / 255.0, sat = s / 255.0, light = l / 255.0;
  if (s == 0) return Rgb(l, l, l);
  const double m2 = light < 0.5 ? light * (1 + sat) : light + sat - light * sat;
  const double m1 = 2 * light - m2;
  auto channel = [&](double x) { return RoundToNearest(255 * HueToValue(m1, m2, x)); };
  return Rgb(channel(hue + 1.0 / 3), channel(hue), channel(hue - 1.0 / 3));
}

framework::TColor BlendColors(framework::TColor c1, framework::TColor c2, double factor) noexcept {
  const uint32_t a = framework::ColorToRGB(c1), b = framework::ColorToRGB(c2);
  uint32_t result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int from = (a >> shift) & 0xFF, to = (b >> shift) & 0xFF;
    const int value = from + RoundToNearest((to - from) * factor);
    result |= static_cast<uint32_t>(value & 0xFF) << shift;
  }
  return static_cast<framework::TColor>(result);
}

}  // namespace controls
