// The description of a font that the text routines draw with: a value, compared field by field,
// from which GDI fonts of any scale are made.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/win/handles.h"

namespace controls {

enum TextFontStyle : uint8_t {
  kFontBold = 1,
  kFontItalic = 2,
  kFontUnderline = 4,
  kFontStrikeOut = 8,
};

// The framework's colour that means "the font's own colour".
constexpr COLORREF kDefaultTextColor = 0x20000000;

struct TextFont {
  std::wstring name = L"Tahoma";
  // Pixels as a logical font height: positive the cell height, negative the character height.
  int height = -11;
  // Points; below 1 the height alone describes the font.
  int size = 8;
  COLORREF color = 0;
  BYTE pitch = DEFAULT_PITCH;
  int pixels_per_inch = 96;
  uint8_t style = 0;

  // A font of `points` at `pixels_per_inch`, its height derived as the framework derives it.
  static TextFont OfSize(std::wstring name, int points, int pixels_per_inch = 96);
  // A font described by its height; a negative (character) height also gives its size.
  static TextFont OfHeight(std::wstring name, int height);

  // Same font for the text cache: equal heights (when this height is positive) or equal sizes,
  // and equal name, pitch, pixels per inch and style. The colour does not count.
  bool SameFace(const TextFont& other) const;
  // The logical height of this font enlarged `factor` times: the size is scaled when there is
  // one, else the height.
  int ScaledHeight(int factor) const;
};

win::UniqueFont CreateTextFont(const TextFont& font, int factor = 1,
                               DWORD quality = DEFAULT_QUALITY);

}  // namespace controls
