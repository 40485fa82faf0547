// Glyph bitmaps.
#include "editors/glyphs.h"

#include <algorithm>

#include "editors/gdi_scope.h"

namespace editors {

win::UniqueBitmap CopyGlyph(HBITMAP glyph) {
  BITMAP info{};
  if (!glyph || !GetObjectW(glyph, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
    return win::UniqueBitmap();
  }
  return win::UniqueBitmap(static_cast<HBITMAP>(CopyImage(glyph, IMAGE_BITMAP, 0, 0, 0)));
}

void DrawGlyph(HDC dc, HBITMAP glyph, const RECT& rect, int index, int count) {
  BITMAP info{};
  if (!glyph || count <= 0 || !GetObjectW(glyph, sizeof info, &info)) return;
  const int width = info.bmWidth / count;
  if (width <= 0) return;
  index = std::clamp(index, 0, count - 1);
  win::UniqueMemoryDc source(CreateCompatibleDC(dc));
  SelectScope selected(source.get(), glyph);
  const COLORREF transparent = GetPixel(source.get(), 0, info.bmHeight - 1);
  TransparentBlt(dc, (rect.left + rect.right - width) / 2,
                 (rect.top + rect.bottom - info.bmHeight) / 2, width, info.bmHeight, source.get(),
                 index * width, 0, width, info.bmHeight, transparent);
}

void DrawButtonGlyph(HDC dc, HBITMAP glyph, const RECT& rect) { DrawGlyph(dc, glyph, rect, 0, 2); }

}  // namespace editors
