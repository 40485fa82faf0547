// Font descriptions of the text routines.
#include "controls/text_font.h"

#include <utility>

namespace controls {

TextFont TextFont::OfSize(std::wstring name, int points, int pixels_per_inch) {
  TextFont font;
  font.name = std::move(name);
  font.size = points;
  font.pixels_per_inch = pixels_per_inch;
  font.height = -MulDiv(points, pixels_per_inch, 72);
  return font;
}

TextFont TextFont::OfHeight(std::wstring name, int height) {
  TextFont font;
  font.name = std::move(name);
  font.height = height;
  // As the framework derives it: a character height gives points, a cell height none.
  font.size = -MulDiv(height, 72, font.pixels_per_inch);
  return font;
}

bool TextFont::SameFace(const TextFont& other) const {
  const bool same_extent = height > 0 ? height == other.height : size == other.size;
  return same_extent && name == other.name && pitch == other.pitch &&
         pixels_per_inch == other.pixels_per_inch && style == other.style;
}

int TextFont::ScaledHeight(int factor) const {
  if (size < 1) return height * factor;
  return -MulDiv(size * factor, pixels_per_inch, 72);
}

win::UniqueFont CreateTextFont(const TextFont& font, int factor, DWORD quality) {
  LOGFONTW lf{};
  lf.lfHeight = font.ScaledHeight(factor);
  lf.lfWeight = (font.style & kFontBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.style & kFontItalic) != 0;
  lf.lfUnderline = (font.style & kFontUnderline) != 0;
  lf.lfStrikeOut = (font.style & kFontStrikeOut) != 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = font.pitch;
  lstrcpynW(lf.lfFaceName, font.name.c_str(), LF_FACESIZE);
  return win::UniqueFont(CreateFontIndirectW(&lf));
}

}  // namespace controls
