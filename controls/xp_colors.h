// Colour arithmetic of the control library: grey values, hue/saturation/lightness, blends.
// Colours are framework colours; system colours are resolved before any arithmetic.
#pragma once

#include <cstdint>

#include "framework/graphics.h"

namespace controls {

// The eye-weighted grey of a colour, 0..255.
uint8_t GreyValue(uint8_t r, uint8_t g, uint8_t b) noexcept;
framework::TColor GreyColor(framework::TColor color) noexcept;

// Hue, saturation and lightness each 0..255. A grey has no hue: `h` keeps what the caller had.
void ColorToHSL(framework::TColor color, uint8_t& h, uint8_t& s, uint8_t& l) noexcept;
framework::TColor HSLToColor(uint8_t h, uint8_t s, uint8_t l) noexcept;

// `factor` 0 gives `c1`, 1 gives `c2`; every byte moves by the rounded share of its distance.
framework::TColor BlendColors(framework::TColor c1, framework::TColor c2, double factor) noexcept;

}  // namespace controls
