// Gradients, transparent and alpha blits, skin stretching and the text entry points.
#include "controls/xp_graphics.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "controls/graphic_errors.h"
#include "controls/string_utils.h"

namespace controls {

namespace {

using GradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

// msimg32's GradientFill, looked up once; the library stays loaded until unload.
struct SystemGradient {
  win::UniqueLibrary library{LoadLibraryA("msimg32.dll")};
  GradientFillProc fill =
      library ? win::ProcAddress<GradientFillProc>(library.get(), "GradientFill") : nullptr;
};

const SystemGradient& TheSystemGradient() {
  static const SystemGradient gradient;
  return gradient;
}

uint8_t Mix(int a, int b, double w) { return static_cast<uint8_t>(std::lround(a + (b - a) * w)); }

COLORREF MixColour(COLORREF c1, COLORREF c2, double w) {
  return RGB(Mix(GetRValue(c1), GetRValue(c2), w), Mix(GetGValue(c1), GetGValue(c2), w),
             Mix(GetBValue(c1), GetBValue(c2), w));
}

TRIVERTEX Vertex(LONG x, LONG y, COLORREF c) {
  return {x,
          y,
          static_cast<COLOR16>(GetRValue(c) << 8),
          static_cast<COLOR16>(GetGValue(c) << 8),
          static_cast<COLOR16>(GetBValue(c) << 8),
          0};
}

// A monochrome mask of the source: 1 where the source has the transparent colour.
struct Mask {
  win::UniqueMemoryDc dc;
  win::UniqueBitmap bitmap;
  HGDIOBJ old = nullptr;

  Mask(HDC source, int x, int y, int width, int height, COLORREF transparent)
      : dc(CreateCompatibleDC(nullptr)), bitmap(CreateBitmap(width, height, 1, 1, nullptr)) {
    if (!dc || !bitmap) RaiseOutOfResources();
    old = SelectObject(dc.get(), bitmap.get());
    // Through 24 bits: Wine compares a 32-bit source's fourth byte with the background colour
    // too, so an opaque pixel of the transparent colour would not match.
    const TFastBMP rgb(width, height);
    BitBlt(rgb.DC(), 0, 0, width, height, source, x, y, SRCCOPY);
    SetBkColor(rgb.DC(), transparent);
    BitBlt(dc.get(), 0, 0, width, height, rgb.DC(), 0, 0, SRCCOPY);
  }
  ~Mask() { SelectObject(dc.get(), old); }
  Mask(const Mask&) = delete;
  Mask& operator=(const Mask&) = delete;
};

constexpr DWORD kMaskCopy = 0xCCAA0029;  // source where the mask is 0, target where it is 1
constexpr BLENDFUNCTION kSourceAlpha = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace

// ---- Gradients ---------------------------------------------------------------------------------

bool SystemGradientAvailable() { return TheSystemGradient().fill != nullptr; }

void SoftwareGradientFillRect(HDC dc, const RECT& rect, COLORREF colour1, int direction,
                              COLORREF colour2) {
  const bool across = direction == kGradientHorizontal;
  const int n = (across ? Width(rect) : Height(rect)) - 1;
  if (n < 0 || Width(rect) <= 0 || Height(rect) <= 0) return;
  for (int i = 0; i <= n; ++i) {
    const COLORREF c = n == 0 ? colour1 : MixColour(colour1, colour2, static_cast<double>(i) / n);
    SetPixel(dc, across ? rect.left + i : rect.left, across ? rect.top : rect.top + i, c);
  }
  if (across) {
    for (int y = rect.top + 1; y < rect.bottom; ++y) {
      BitBlt(dc, rect.left, y, Width(rect), 1, dc, rect.left, rect.top, SRCCOPY);
    }
  } else {
    for (int x = rect.left + 1; x < rect.right; ++x) {
      BitBlt(dc, x, rect.top, 1, Height(rect), dc, rect.left, rect.top, SRCCOPY);
    }
  }
}

void SystemGradientFillRect(HDC dc, const RECT& rect, COLORREF colour1, int direction,
                            COLORREF colour2) {
  TRIVERTEX vertices[2] = {Vertex(rect.left, rect.top, colour1),
                           Vertex(rect.right, rect.bottom, colour2)};
  GRADIENT_RECT area = {0, 1};
  TheSystemGradient().fill(
      dc, vertices, 2, &area, 1,
      direction == kGradientHorizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void GradientFillRect(HDC dc, const RECT& rect, COLORREF colour1, int direction, COLORREF colour2) {
  if (SystemGradientAvailable()) {
    SystemGradientFillRect(dc, rect, colour1, direction, colour2);
  } else {
    SoftwareGradientFillRect(dc, rect, colour1, direction, colour2);
  }
}

void SoftwareFourCornerGradient(HDC dc, const RECT& rect, COLORREF colour1, const CornerWeights& w,
                                COLORREF colour2) {
  const int width = Width(rect);
  const int height = Height(rect);
  for (int r = 0; r < height; ++r) {
    const double t = height > 1 ? static_cast<double>(r) / (height - 1) : 1.0;
    const double left = w.top_left + (w.bottom_left - w.top_left) * t;
    const double right = w.top_right + (w.bottom_right - w.top_right) * t;
    for (int c = 0; c < width; ++c) {
      const double s = width > 1 ? static_cast<double>(c) / (width - 1) : 1.0;
      SetPixel(dc, rect.left + c, rect.top + r,
               MixColour(colour1, colour2, left + (right - left) * s));
    }
  }
}

void SystemFourCornerGradient(HDC dc, const RECT& rect, COLORREF colour1, const CornerWeights& w,
                              COLORREF colour2) {
  TRIVERTEX vertices[4] = {
      Vertex(rect.left, rect.top, MixColour(colour1, colour2, w.top_left)),
      Vertex(rect.right, rect.top, MixColour(colour1, colour2, w.top_right)),
      Vertex(rect.left, rect.bottom, MixColour(colour1, colour2, w.bottom_left)),
      Vertex(rect.right, rect.bottom, MixColour(colour1, colour2, w.bottom_right)),
  };
  GRADIENT_TRIANGLE triangles[2] = {{0, 1, 2}, {3, 1, 2}};
  TheSystemGradient().fill(dc, vertices, 4, triangles, 2, GRADIENT_FILL_TRIANGLE);
}

void FourCornerGradient(HDC dc, const RECT& rect, COLORREF colour1, const CornerWeights& weights,
                        COLORREF colour2) {
  if (SystemGradientAvailable()) {
    SystemFourCornerGradient(dc, rect, colour1, weights, colour2);
  } else {
    SoftwareFourCornerGradient(dc, rect, colour1, weights, colour2);
  }
}

// ---- Blits -------------------------------------------------------------------------------------

void TransparentDraw(HDC target, int x, int y, COLORREF transparent, HDC source, int source_x,
                     int source_y, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const Mask mask(source, source_x, source_y, width, height, transparent);
  MaskBlt(target, x, y, width, height, source, source_x, source_y, mask.bitmap.get(), 0, 0,
          kMaskCopy);
}

void TransparentStretchDraw(HDC target, const RECT& t, COLORREF transparent, HDC source,
                            const RECT& s) {
  if (Width(s) <= 0 || Height(s) <= 0 || Width(t) <= 0 || Height(t) <= 0) return;
  const Mask mask(source, s.left, s.top, Width(s), Height(s), transparent);
  // Target ^ source, & mask (white keeps, black clears), ^ source: source where the mask is 0.
  const COLORREF old_background = SetBkColor(target, RGB(255, 255, 255));
  const COLORREF old_text = SetTextColor(target, RGB(0, 0, 0));
  StretchBlt(target, t.left, t.top, Width(t), Height(t), source, s.left, s.top, Width(s), Height(s),
             SRCINVERT);
  StretchBlt(target, t.left, t.top, Width(t), Height(t), mask.dc.get(), 0, 0, Width(s), Height(s),
             SRCAND);
  StretchBlt(target, t.left, t.top, Width(t), Height(t), source, s.left, s.top, Width(s), Height(s),
             SRCINVERT);
  SetTextColor(target, old_text);
  SetBkColor(target, old_background);
}

void AlphaDraw(HDC target, int x, int y, int width, int height, HDC source, int source_x,
               int source_y) {
  AlphaBlend(target, x, y, width, height, source, source_x, source_y, width, height, kSourceAlpha);
}

void AlphaStretchDraw(HDC target, const RECT& t, HDC source, const RECT& s) {
  AlphaBlend(target, t.left, t.top, Width(t), Height(t), source, s.left, s.top, Width(s), Height(s),
             kSourceAlpha);
}

void StretchDrawSkinBitmap(const RECT& target, const RECT& centre, const RECT& source, bool alpha,
                           HDC bitmap, HDC target_dc) {
  const int margin_right = Width(source) - centre.right;
  const int margin_bottom = Height(source) - centre.bottom;
  const LONG sx[4] = {source.left, source.left + centre.left, source.left + centre.right,
                      source.right};
  const LONG sy[4] = {source.top, source.top + centre.top, source.top + centre.bottom,
                      source.bottom};
  const LONG tx[4] = {target.left, target.left + centre.left, target.right - margin_right,
                      target.right};
  const LONG ty[4] = {target.top, target.top + centre.top, target.bottom - margin_bottom,
                      target.bottom};
  const int old_mode = SetStretchBltMode(target_dc, HALFTONE);
  POINT old_origin{};
  SetBrushOrgEx(target_dc, 0, 0, &old_origin);
  // Column by column: top-left, left edge, bottom-left, top edge, centre, ...
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const RECT s = {sx[i], sy[j], sx[i + 1], sy[j + 1]};
      const RECT t = {tx[i], ty[j], tx[i + 1], ty[j + 1]};
      if (Width(s) <= 0 || Height(s) <= 0 || Width(t) <= 0 || Height(t) <= 0) continue;
      const bool same_size = Width(s) == Width(t) && Height(s) == Height(t);
      if (alpha) {
        AlphaStretchDraw(target_dc, t, bitmap, s);
      } else if (same_size) {
        BitBlt(target_dc, t.left, t.top, Width(t), Height(t), bitmap, s.left, s.top, SRCCOPY);
      } else {
        StretchBlt(target_dc, t.left, t.top, Width(t), Height(t), bitmap, s.left, s.top, Width(s),
                   Height(s), SRCCOPY);
      }
    }
  }
  SetBrushOrgEx(target_dc, old_origin.x, old_origin.y, nullptr);
  SetStretchBltMode(target_dc, old_mode);
}

// ---- Text --------------------------------------------------------------------------------------

namespace {

UINT MeasureFlags(uint8_t ellipsis, uint8_t flags) {
  UINT format = DT_CALCRECT | ((flags & kTextWordWrap) ? DT_WORDBREAK : DT_SINGLELINE);
  if (ellipsis == kEllipsisPath) format |= DT_PATH_ELLIPSIS;
  if (ellipsis == kEllipsisEnd) format |= DT_END_ELLIPSIS;
  if (ellipsis == kEllipsisWord) format |= DT_WORD_ELLIPSIS;
  if (flags & kTextNoPrefix) format |= DT_NOPREFIX;
  return format;
}

// The text rectangle as seen along the text: a turned rectangle has its sides exchanged.
RECT AlongText(const RECT& rect, bool turned) {
  if (!turned) return rect;
  return {0, 0, Height(rect), Width(rect)};
}

class FontScope {
 public:
  FontScope(HDC dc, const TextFont& font) : dc_(dc), font_(CreateTextFont(font)) {
    if (!font_) RaiseOutOfResources();
    old_ = SelectObject(dc_, font_.get());
  }
  ~FontScope() { SelectObject(dc_, old_); }
  FontScope(const FontScope&) = delete;
  FontScope& operator=(const FontScope&) = delete;

 private:
  HDC dc_;
  win::UniqueFont font_;
  HGDIOBJ old_ = nullptr;
};

// Wine draws nothing through a turning world transform: a turned text is drawn upright in
// black on white, and those pixels, turned, are its coverage in the text colour.
void DrawTurnedPlainText(HDC dc, const RECT& rect, std::wstring_view text, const TextLayout& layout,
                         COLORREF colour, const TextFont& font) {
  std::wstring buffer(text);
  const UINT measure = MeasureFlags(kEllipsisNone, layout.flags);
  RECT measured = AlongText(rect, true);
  {
    const win::UniqueMemoryDc probe(CreateCompatibleDC(nullptr));
    const FontScope selected(probe.get(), font);
    DrawTextW(probe.get(), buffer.data(), static_cast<int>(buffer.size()), &measured, measure);
  }
  const int tw = Width(measured);
  const int th = Height(measured);
  if (tw <= 0 || th <= 0) return;
  const TFastBMP upright(tw, th);
  PatBlt(upright.DC(), 0, 0, tw, th, WHITENESS);
  {
    const FontScope selected(upright.DC(), font);
    SetTextColor(upright.DC(), RGB(0, 0, 0));
    SetBkMode(upright.DC(), TRANSPARENT);
    UINT format = measure & ~DT_CALCRECT;
    if (layout.horizontal == kAlignRight) format |= DT_RIGHT;
    if (layout.horizontal == kAlignCentre) format |= DT_CENTER;
    RECT all = {0, 0, tw, th};
    DrawTextW(upright.DC(), buffer.data(), static_cast<int>(buffer.size()), &all, format);
  }
  GdiFlush();
  std::vector<uint8_t> grey(static_cast<size_t>(tw) * th);
  for (int y = 0; y < th; ++y) {
    const uint8_t* p = upright.Row(y);
    for (int x = 0; x < tw; ++x, p += 3) {
      grey[static_cast<size_t>(y) * tw + x] = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
    }
  }
  if (!(layout.flags & kTextDisabled)) {
    PlaceAndBlendCoverage(dc, rect, layout, grey, tw, th, colour);
    return;
  }
  TextLayout plain = layout;
  plain.flags &= ~(kTextDisabled | kTextFocusRect);
  RECT shifted = rect;
  OffsetRect(&shifted, 1, 1);
  PlaceAndBlendCoverage(dc, shifted, plain, grey, tw, th, GetSysColor(COLOR_BTNHIGHLIGHT));
  plain.flags = layout.flags & ~kTextDisabled;
  PlaceAndBlendCoverage(dc, rect, plain, grey, tw, th, GetSysColor(COLOR_BTNSHADOW));
}

void DrawPlainText(HDC dc, const RECT& rect, std::wstring_view text, const TextLayout& layout,
                   COLORREF colour) {
  const RECT box = rect;
  std::wstring buffer(text);
  RECT measured = box;
  const UINT measure = MeasureFlags(kEllipsisNone, layout.flags);
  DrawTextW(dc, buffer.data(), static_cast<int>(buffer.size()), &measured, measure);
  const int tw = Width(measured);
  const int th = Height(measured);
  int x = box.left;
  UINT format = measure & ~DT_CALCRECT;
  if (layout.horizontal == kAlignRight) {
    x += Width(box) - tw;
    format |= DT_RIGHT;
  } else if (layout.horizontal == kAlignCentre) {
    x += (Width(box) - tw) / 2;
    format |= DT_CENTER;
  }
  int y = box.top;
  if (layout.vertical == kAlignBottom) y += Height(box) - th;
  if (layout.vertical == kAlignMiddle) y += (Height(box) - th) / 2;
  RECT place = {x, y, x + tw, y + th};
  const int old_mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF old_colour = GetTextColor(dc);
  if (layout.flags & kTextDisabled) {
    RECT shifted = place;
    OffsetRect(&shifted, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, buffer.data(), static_cast<int>(buffer.size()), &shifted, format);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  } else {
    SetTextColor(dc, colour);
  }
  DrawTextW(dc, buffer.data(), static_cast<int>(buffer.size()), &place, format);
  if ((layout.flags & kTextFocusRect) && !text.empty()) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWFRAME));
    const COLORREF old_background = SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    InflateRect(&place, 1, 1);
    DrawFocusRect(dc, &place);
    SetBkColor(dc, old_background);
  }
  SetTextColor(dc, old_colour);
  SetBkMode(dc, old_mode);
}

}  // namespace

void DrawXPText(HDC dc, const RECT& rect, std::wstring_view text, const TextLayout& layout,
                COLORREF colour, const TextFont& font) {
  if (colour == kDefaultTextColor) colour = font.color;
  if (layout.flags & kTextSmooth) {
    DrawSmoothText(dc, rect, text, layout, colour, font);
    return;
  }
  if (layout.flags & kTextTurned) {
    DrawTurnedPlainText(dc, rect, text, layout, colour, font);
    return;
  }
  const FontScope selected(dc, font);
  DrawPlainText(dc, rect, text, layout, colour);
}

SIZE MeasureXPText(HDC dc, const RECT& rect, std::wstring_view text, uint8_t ellipsis,
                   uint8_t flags, const TextFont& font) {
  const bool turned = (flags & kTextTurned) != 0;
  SIZE size{};
  if (flags & kTextSmooth) {
    std::wstring plain(text);
    if (!(flags & kTextNoPrefix)) StripAmpersandsWide(plain);
    size = MeasureSmoothText(rect, plain, flags, font);
  } else {
    const FontScope selected(dc, font);
    std::wstring buffer(text);
    RECT measured = AlongText(rect, turned);
    DrawTextW(dc, buffer.data(), static_cast<int>(buffer.size()), &measured,
              MeasureFlags(ellipsis, flags));
    size = {Width(measured), Height(measured)};
  }
  if (turned) std::swap(size.cx, size.cy);
  return size;
}

SelectedBitmap::SelectedBitmap(HGDIOBJ bitmap, HDC like) : dc_(CreateCompatibleDC(like)) {
  if (!dc_) RaiseOutOfResources();
  old_ = SelectObject(dc_.get(), bitmap);
}

}  // namespace controls
