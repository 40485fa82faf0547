// Smooth (anti-aliased) text without the system's font smoothing: each character is rendered
// once at a multiple of its size, averaged down to an 8-bit coverage map and cached per font; a
// text is composed from the cached maps and blended onto the target in the text colour. The same
// routines measure, wrap, shorten with "...", mark the hot key, emboss and turn text by 90 degrees.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/win/handles.h"
#include "controls/text_font.h"

namespace controls {

// A 24-bit top-down DIB section with its own memory DC; pixels blue, green, red.
class TFastBMP {
 public:
  TFastBMP(int width, int height);
  ~TFastBMP();
  TFastBMP(const TFastBMP&) = delete;
  TFastBMP& operator=(const TFastBMP&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int RowSize() const { return row_size_; }
  uint8_t* Row(int y) const { return rows_[y]; }
  HDC DC() const { return dc_.get(); }
  HBITMAP Handle() const { return section_.get(); }

 private:
  int padding_;   // width mod 4: completes 3 * width to a multiple of 4
  int row_size_;  // 3 * width + padding
  int width_;
  int height_;
  std::vector<uint8_t*> rows_;
  uint8_t* bits_ = nullptr;
  win::UniqueBitmap section_;
  win::UniqueMemoryDc dc_;
  HGDIOBJ old_bitmap_ = nullptr;
};

// Text option bits shared by the smooth and the plain text routines.
enum TextFlag : uint8_t {
  kTextFocusRect = 1,
  kTextDisabled = 2,
  kTextWordWrap = 4,
  kTextNoPrefix = 8,  // "&" is drawn like any other character
  kTextSmooth = 16,
  kTextTurned = 32,         // turned by 90 degrees: reads from bottom to top
  kTextTurnDirection = 64,  // with kTextTurned: reads from top to bottom
};
enum TextHorizontal : uint8_t { kAlignLeft = 0, kAlignRight = 1, kAlignCentre = 2 };
enum TextVertical : uint8_t { kAlignTop = 0, kAlignMiddle = 1, kAlignBottom = 2 };
enum TextEllipsis : uint8_t {
  kEllipsisNone = 0,
  kEllipsisPath = 1,
  kEllipsisEnd = 2,
  kEllipsisWord = 3,
};

struct TextLayout {
  uint8_t flags = 0;
  uint8_t horizontal = kAlignLeft;
  uint8_t vertical = kAlignTop;
  uint8_t ellipsis = kEllipsisNone;
};

// One cached character: coverage 255 = no ink, 0 = full ink, `width` x `rows` bytes row by row.
struct TSmoothGlyph {
  std::unique_ptr<uint8_t[]> map;
  int rows = -1;  // -1 and -1: not rendered yet
  int width = -1;
  int advance = 0;
};

// The glyph cache of one font.
class TSmoothSymbolSet {
 public:
  explicit TSmoothSymbolSet(const TextFont& font);
  ~TSmoothSymbolSet();
  TSmoothSymbolSet(const TSmoothSymbolSet&) = delete;
  TSmoothSymbolSet& operator=(const TSmoothSymbolSet&) = delete;

  const TextFont& Font() const { return font_; }
  // The character's glyph, rendered on first use.
  const TSmoothGlyph& Glyph(wchar_t c);
  // Sum of width x rows of the rendered glyphs.
  int64_t CachedPixels() const { return cached_pixels_; }
  // Row of the baseline in a glyph image.
  int Ascent() const { return ascent_; }

 private:
  void Render(wchar_t c, TSmoothGlyph& glyph);

  static constexpr int kPageSize = 256;
  struct Page {
    TSmoothGlyph glyphs[kPageSize];
  };

  TextFont font_;
  win::UniqueFont gdi_font_;
  bool true_type_ = false;
  int overhang_ = 0;
  int ascent_ = 0;
  int64_t cached_pixels_ = 0;
  // 65,536 entries in pages made on first use: a cache of a thousand fonts stays small.
  std::unique_ptr<Page> pages_[65536 / kPageSize];
};

// The supersampling factor for a character `height` pixels high: 16, 8 from 51, 4 from 101.
int SupersamplingFactor(int height);

// A grey value blended over a background channel: 255 keeps the background, 0 gives the colour.
inline uint8_t SmoothBlend(uint8_t background, uint8_t colour, uint8_t grey) {
  if (grey == 255) return background;
  const int ink = 255 - grey;
  if (ink == 255) return colour;
  return static_cast<uint8_t>((background * grey + colour * ink) >> 8);
}

// Draws `text` into `rect` of `dc` in `colour` (kDefaultTextColor: the font's).
void DrawSmoothText(HDC dc, const RECT& rect, std::wstring_view text, const TextLayout& layout,
                    COLORREF colour, const TextFont& font);

// Places a text of tw x th pixels (measured along the text) in `rect` by the layout's alignments
// and blends its coverage (255 = no ink, row by row along the text) onto the target in `colour`,
// turned for kTextTurned by turning the pixels; draws the focus rectangle for kTextFocusRect.
// Drawing is clipped to `rect` and one pixel around it.
void PlaceAndBlendCoverage(HDC dc, const RECT& rect, const TextLayout& layout,
                           const std::vector<uint8_t>& grey, int tw, int th, COLORREF colour);

// Width and height of `text` as drawn (hot-key marks are the caller's to remove); word wrap with
// kTextWordWrap within the rectangle's width (height with kTextTurned). An empty text measures
// as "X". The size is in reading direction: width along the text.
SIZE MeasureSmoothText(const RECT& rect, std::wstring_view text, uint8_t flags,
                       const TextFont& font);

// What the cache holds, for tests and tuning.
struct SmoothCacheState {
  int64_t cached_pixels = 0;
  int eviction_cursor = 0;
  int renders = 0;      // glyphs rendered since the start
  int last_factor = 0;  // supersampling factor of the last rendering
};
SmoothCacheState SmoothTextCacheState();
// The slot (1..1000) of the font's set, 0 when it has none.
int SmoothSetSlot(const TextFont& font);
// The font's set, made (and, when the cache is full, another evicted) if it has none.
TSmoothSymbolSet& SmoothSymbolSet(const TextFont& font);
// Frees every set and the work images.
void ClearSmoothTextCache();

constexpr int kSmoothSetSlots = 1000;
constexpr int64_t kSmoothCacheBudget = 1000000;

}  // namespace controls
