// Drawing primitives the own-drawn controls share: two-colour and four-corner gradients, bitmaps
// with a transparent colour, alpha blending, the nine-part stretching of skins, and the two text
// entry points (the system's DrawTextW or the smooth text).
#pragma once

#include <windows.h>

#include <string_view>

#include "framework/win/handles.h"
#include "controls/smooth_text.h"
#include "controls/text_font.h"

namespace controls {

enum GradientDirection : int { kGradientVertical = 0, kGradientHorizontal = 1 };

// colour1 at the top (kGradientVertical) or left (kGradientHorizontal), colour2 at the other end;
// through the system's GradientFill when msimg32 offers it, else in software.
void GradientFillRect(HDC dc, const RECT& rect, COLORREF colour1, int direction, COLORREF colour2);
// The corner weights (0 = colour1, 1 = colour2) in the order bottom-right, bottom-left,
// top-right, top-left; every pixel gets the bilinear interpolation of them.
struct CornerWeights {
  double bottom_right = 0;
  double bottom_left = 0;
  double top_right = 0;
  double top_left = 0;
};
void FourCornerGradient(HDC dc, const RECT& rect, COLORREF colour1, const CornerWeights& weights,
                        COLORREF colour2);

// The two implementations behind the routines above; the system's exist only when
// SystemGradientAvailable().
bool SystemGradientAvailable();
void SoftwareGradientFillRect(HDC dc, const RECT& rect, COLORREF colour1, int direction,
                              COLORREF colour2);
void SystemGradientFillRect(HDC dc, const RECT& rect, COLORREF colour1, int direction,
                            COLORREF colour2);
void SoftwareFourCornerGradient(HDC dc, const RECT& rect, COLORREF colour1,
                                const CornerWeights& weights, COLORREF colour2);
void SystemFourCornerGradient(HDC dc, const RECT& rect, COLORREF colour1,
                              const CornerWeights& weights, COLORREF colour2);

// Copies a source area, leaving out pixels of the transparent colour.
void TransparentDraw(HDC target, int x, int y, COLORREF transparent, HDC source, int source_x,
                     int source_y, int width, int height);
void TransparentStretchDraw(HDC target, const RECT& target_rect, COLORREF transparent, HDC source,
                            const RECT& source_rect);

// Source-over blending with the source's per-pixel (premultiplied) alpha.
void AlphaDraw(HDC target, int x, int y, int width, int height, HDC source, int source_x,
               int source_y);
void AlphaStretchDraw(HDC target, const RECT& target_rect, HDC source, const RECT& source_rect);

// Stretches the source rectangle of a skin into the target so that its margins keep their size:
// `centre`'s left and top are the left and top margins, its right and bottom (from the source's
// left and top) end the centre. `alpha` blends, else copies.
void StretchDrawSkinBitmap(const RECT& target, const RECT& centre, const RECT& source, bool alpha,
                           HDC bitmap, HDC target_dc);

// Draws a text with the text options (kTextSmooth: the smooth text); colour kDefaultTextColor is
// the font's.
void DrawXPText(HDC dc, const RECT& rect, std::wstring_view text, const TextLayout& layout,
                COLORREF colour, const TextFont& font);
// The size `text` takes on the target: with kTextTurned the width is across the text.
SIZE MeasureXPText(HDC dc, const RECT& rect, std::wstring_view text, uint8_t ellipsis,
                   uint8_t flags, const TextFont& font);

// A memory DC compatible with `like` (the screen when none) with `bitmap` selected for one
// scope; raises the out-of-resources error when the system gives no DC.
class SelectedBitmap {
 public:
  explicit SelectedBitmap(HGDIOBJ bitmap, HDC like = nullptr);
  ~SelectedBitmap() { SelectObject(dc_.get(), old_); }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  HDC dc() const { return dc_.get(); }

 private:
  win::UniqueMemoryDc dc_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace controls
