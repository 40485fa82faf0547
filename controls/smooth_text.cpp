// Smooth text: the glyph cache, glyph rendering by supersampling, measuring, wrapping, shortening
// and drawing.
#include "controls/smooth_text.h"

#include <algorithm>
#include <array>

#include "controls/graphic_errors.h"
#include "controls/routine_redirect.h"
#include "controls/string_utils.h"

namespace controls {

// ---- TFastBMP ----------------------------------------------------------------------------------

TFastBMP::TFastBMP(int width, int height)
    : padding_(width % 4), row_size_(3 * width + width % 4), width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  section_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section_) RaiseOutOfResources();
  dc_.reset(CreateCompatibleDC(nullptr));
  if (!dc_) RaiseOutOfResources();
  old_bitmap_ = SelectObject(dc_.get(), section_.get());
  bits_ = static_cast<uint8_t*>(bits);
  rows_.resize(height);
  for (int y = 0; y < height; ++y) rows_[y] = bits_ + static_cast<size_t>(y) * row_size_;
}

TFastBMP::~TFastBMP() { SelectObject(dc_.get(), old_bitmap_); }

// ---- Module state ------------------------------------------------------------------------------

namespace {

struct Cache {
  std::array<std::unique_ptr<TSmoothSymbolSet>, kSmoothSetSlots + 1> slots;  // slot 0 unused
  int cursor = 0;
  int renders = 0;
  int last_factor = 0;
  std::unique_ptr<TFastBMP> background;
  std::vector<uint8_t> grey;
  win::UniqueMemoryDc measure_dc;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

HDC MeasureDc() {
  Cache& cache = TheCache();
  if (!cache.measure_dc) {
    cache.measure_dc.reset(CreateCompatibleDC(nullptr));
    if (!cache.measure_dc) RaiseOutOfResources();
  }
  return cache.measure_dc.get();
}

// Selects a font into the measuring DC for one scope.
class MeasureFont {
 public:
  explicit MeasureFont(HFONT font) : dc_(MeasureDc()), old_(SelectObject(dc_, font)) {}
  ~MeasureFont() { SelectObject(dc_, old_); }
  MeasureFont(const MeasureFont&) = delete;
  MeasureFont& operator=(const MeasureFont&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

int RoundedDiv(int value, int divisor) {
  return value >= 0 ? (value + divisor / 2) / divisor : -((-value + divisor / 2) / divisor);
}

}  // namespace

int SupersamplingFactor(int height) {
  if (height < 51) return 16;
  return height <= 100 ? 8 : 4;
}

// ---- TSmoothSymbolSet --------------------------------------------------------------------------

TSmoothSymbolSet::TSmoothSymbolSet(const TextFont& font)
    : font_(font), gdi_font_(CreateTextFont(font)) {
  if (!gdi_font_) RaiseOutOfResources();
  const MeasureFont selected(gdi_font_.get());
  TEXTMETRICW metrics{};
  GetTextMetricsW(selected.dc(), &metrics);
  true_type_ = (metrics.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
  overhang_ = metrics.tmOverhang;
  ascent_ = metrics.tmAscent;
}

TSmoothSymbolSet::~TSmoothSymbolSet() = default;

const TSmoothGlyph& TSmoothSymbolSet::Glyph(wchar_t c) {
  const auto code = static_cast<uint16_t>(c);
  std::unique_ptr<Page>& page = pages_[code / kPageSize];
  if (!page) page = std::make_unique<Page>();
  TSmoothGlyph& glyph = page->glyphs[code % kPageSize];
  if (glyph.rows == -1 && glyph.width == -1) Render(c, glyph);
  return glyph;
}

void TSmoothSymbolSet::Render(wchar_t c, TSmoothGlyph& glyph) {
  SIZE normal{};
  {
    const MeasureFont selected(gdi_font_.get());
    GetTextExtentPoint32W(selected.dc(), &c, 1, &normal);
  }
  const int f = SupersamplingFactor(normal.cy);
  const win::UniqueFont large_font = CreateTextFont(font_, f, NONANTIALIASED_QUALITY);
  if (!large_font) RaiseOutOfResources();
  SIZE extent{};
  int box = 0;
  {
    const MeasureFont selected(large_font.get());
    GetTextExtentPoint32W(selected.dc(), &c, 1, &extent);
    ABC abc{};
    if (true_type_ && GetCharABCWidthsW(selected.dc(), c, c, &abc)) {
      box = abc.abcA + static_cast<int>(abc.abcB);
    } else {
      TEXTMETRICW metrics{};
      GetTextMetricsW(selected.dc(), &metrics);
      box = extent.cx + metrics.tmOverhang;
    }
  }
  const int width = std::max(0, RoundedDiv(box, f));
  const int rows = std::max(0, RoundedDiv(extent.cy, f));
  glyph.advance = RoundedDiv(extent.cx, f);
  glyph.width = width;
  glyph.rows = rows;
  Cache& cache = TheCache();
  ++cache.renders;
  cache.last_factor = f;
  if (width == 0 || rows == 0) return;

  const TFastBMP large(width * f, rows * f);
  PatBlt(large.DC(), 0, 0, large.Width(), large.Height(), WHITENESS);
  const HGDIOBJ old_font = SelectObject(large.DC(), large_font.get());
  SetTextColor(large.DC(), RGB(0, 0, 0));
  SetBkMode(large.DC(), TRANSPARENT);
  ExtTextOutW(large.DC(), 0, 0, 0, nullptr, &c, 1, nullptr);
  SelectObject(large.DC(), old_font);
  GdiFlush();

  // Box filter: each f x f block becomes one pixel, per channel, then the channels' mean.
  glyph.map = std::make_unique<uint8_t[]>(static_cast<size_t>(width) * rows);
  const int block = f * f;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < width; ++x) {
      int sum[3] = {0, 0, 0};
      for (int dy = 0; dy < f; ++dy) {
        const uint8_t* p = large.Row(y * f + dy) + 3 * x * f;
        for (int dx = 0; dx < f; ++dx, p += 3) {
          sum[0] += p[0];
          sum[1] += p[1];
          sum[2] += p[2];
        }
      }
      glyph.map[static_cast<size_t>(y) * width + x] =
          static_cast<uint8_t>((sum[0] / block + sum[1] / block + sum[2] / block) / 3);
    }
  }
  cached_pixels_ += static_cast<int64_t>(width) * rows;
}

// ---- The set table -----------------------------------------------------------------------------

int SmoothSetSlot(const TextFont& font) {
  const Cache& cache = TheCache();
  for (int slot = 1; slot <= kSmoothSetSlots && cache.slots[slot]; ++slot) {
    if (cache.slots[slot]->Font().SameFace(font)) return slot;
  }
  return 0;
}

TSmoothSymbolSet& SmoothSymbolSet(const TextFont& font) {
  Cache& cache = TheCache();
  if (const int found = SmoothSetSlot(font)) return *cache.slots[found];

  int64_t size = 0;
  for (const auto& set : cache.slots) size += set ? set->CachedPixels() : 0;
  int slot = 1;
  bool evict = false;
  for (;; ++slot) {
    if (slot > kSmoothSetSlots) {
      evict = true;
      break;
    }
    // The budget is checked only where the round robin would evict next.
    if ((cache.cursor == 0 || slot == cache.cursor + 1) && size > kSmoothCacheBudget) {
      evict = true;
      break;
    }
    if (!cache.slots[slot]) break;
  }
  if (evict) {
    int next = cache.cursor;
    do {
      next = next % kSmoothSetSlots + 1;
    } while (!cache.slots[next]);
    cache.cursor = next;
    cache.slots[next].reset();
    slot = next;
  }
  cache.slots[slot] = std::make_unique<TSmoothSymbolSet>(font);
  return *cache.slots[slot];
}

SmoothCacheState SmoothTextCacheState() {
  const Cache& cache = TheCache();
  SmoothCacheState state;
  for (const auto& set : cache.slots) state.cached_pixels += set ? set->CachedPixels() : 0;
  state.eviction_cursor = cache.cursor;
  state.renders = cache.renders;
  state.last_factor = cache.last_factor;
  return state;
}

void ClearSmoothTextCache() {
  Cache& cache = TheCache();
  for (auto& set : cache.slots) set.reset();
  cache.cursor = 0;
  cache.background.reset();
  cache.grey = {};
}

// ---- Measuring, wrapping, shortening -----------------------------------------------------------

namespace {

constexpr std::wstring_view kEllipsis = L"...";
constexpr std::wstring_view kLineBreak = L"\r\n";

std::wstring_view TrimRight(std::wstring_view text) {
  while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
  return text;
}

int LineWidth(TSmoothSymbolSet& set, std::wstring_view line) {
  if (line.empty()) return 0;
  int width = 0;
  for (size_t i = 0; i + 1 < line.size(); ++i) width += set.Glyph(line[i]).advance;
  return width + set.Glyph(line.back()).width;
}

bool IsWordChar(wchar_t c) { return c == L'_' || IsCharAlphaNumericW(c); }

size_t WordLength(std::wstring_view text) {
  if (text.substr(0, 2) == kLineBreak) return 2;
  if (!IsWordChar(text[0])) return 1;
  size_t n = 1;
  while (n < text.size() && IsWordChar(text[n])) ++n;
  return n;
}

// The lines of a text as slices of it; line breaks belong to no line.
std::vector<std::wstring_view> SplitLines(TSmoothSymbolSet& set, std::wstring_view text,
                                          uint8_t flags, int max_width) {
  if (!(flags & kTextWordWrap)) return {text};
  std::vector<std::wstring_view> lines;
  size_t start = 0;
  size_t end = 0;
  while (end < text.size()) {
    const size_t length = WordLength(text.substr(end));
    if (text.substr(end, length) == kLineBreak) {
      lines.push_back(text.substr(start, end - start));
      start = end = end + length;
      continue;
    }
    const std::wstring_view candidate = text.substr(start, end + length - start);
    if (max_width >= 1 && end > start && LineWidth(set, TrimRight(candidate)) > max_width) {
      lines.push_back(text.substr(start, end - start));
      start = end;
    }
    end += length;
  }
  lines.push_back(text.substr(start));
  return lines;
}

int TextWidth(TSmoothSymbolSet& set, const std::vector<std::wstring_view>& lines) {
  int width = 0;
  for (const std::wstring_view line : lines) width = std::max(width, LineWidth(set, line));
  return width;
}

int TextHeight(TSmoothSymbolSet& set, const std::vector<std::wstring_view>& lines) {
  int64_t rows = 0;
  int64_t count = 0;
  for (const std::wstring_view line : lines) {
    for (const wchar_t c : line) rows += set.Glyph(c).rows;
    count += static_cast<int64_t>(line.size());
  }
  const int average = count ? static_cast<int>((rows + count / 2) / count) : set.Glyph(L'X').rows;
  return average * static_cast<int>(lines.size());
}

SIZE Measure(TSmoothSymbolSet& set, std::wstring_view text, uint8_t flags, int max_width) {
  if (text.empty()) text = L"X";
  const std::vector<std::wstring_view> lines = SplitLines(set, text, flags, max_width);
  return {TextWidth(set, lines), TextHeight(set, lines)};
}

// Shortens the text with "..." until it fits; yields how many leading characters stayed as
// they were (a hot key further on is gone).
size_t Shorten(TSmoothSymbolSet& set, std::wstring& text, uint8_t flags, int ellipsis,
               int available) {
  const auto fits = [&](std::wstring_view t) {
    return Measure(set, t, flags, available).cx <= available;
  };
  size_t kept = text.size();
  if (ellipsis == kEllipsisNone || text.empty() || fits(text)) return kept;
  if (ellipsis == kEllipsisPath) {
    const size_t slash = text.rfind(L'\\');
    if (slash != std::wstring::npos && slash > 0) {
      const std::wstring tail = text.substr(slash);
      std::wstring head = text.substr(0, slash);
      while (!head.empty() && !fits(text)) {
        head.pop_back();
        text = head + std::wstring(kEllipsis) + tail;
      }
      kept = head.size();
    }
  }
  std::wstring base = text;
  while (!fits(text)) {
    if (base.empty()) {
      text.clear();
      return 0;
    }
    base.pop_back();
    text = base + std::wstring(kEllipsis);
    kept = std::min(kept, base.size());
  }
  return kept;
}

// Alignments as seen along the text: a turned text's start lies at the bottom (or, turned the
// other way, at the top) of the rectangle.
void TurnAlignments(uint8_t flags, int& horizontal, int& vertical) {
  const int screen_h = horizontal;
  const int screen_v = vertical;
  const bool down = (flags & kTextTurnDirection) != 0;
  static constexpr int kFromVertical[2][3] = {{kAlignRight, kAlignCentre, kAlignLeft},
                                              {kAlignLeft, kAlignCentre, kAlignRight}};
  static constexpr int kFromHorizontal[2][3] = {{kAlignTop, kAlignBottom, kAlignMiddle},
                                                {kAlignBottom, kAlignTop, kAlignMiddle}};
  horizontal = kFromVertical[down][screen_v];
  vertical = kFromHorizontal[down][screen_h];
}

int AlignHorizontal(int alignment, int extent, int size) {
  if (alignment == kAlignRight) return extent - size;
  if (alignment == kAlignCentre) return (extent - size) / 2;
  return 0;
}

int AlignVertical(int alignment, int extent, int size) {
  if (alignment == kAlignBottom) return extent - size;
  if (alignment == kAlignMiddle) return (extent - size) / 2;
  return 0;
}

RECT Inflated(RECT r, int by) {
  InflateRect(&r, by, by);
  return r;
}

COLORREF SystemColour(int index) { return GetSysColor(index); }

void DrawOnce(HDC dc, const RECT& rect, std::wstring_view original, const TextLayout& layout,
              COLORREF colour, const TextFont& font) {
  TSmoothSymbolSet& set = SmoothSymbolSet(font);
  std::wstring text(original);
  size_t hot_key = 0;  // 1-based in `text`, 0 without one
  if (!(layout.flags & kTextNoPrefix)) hot_key = static_cast<size_t>(StripAmpersandsWide(text));

  const bool turned = (layout.flags & kTextTurned) != 0;
  int horizontal = layout.horizontal;
  int vertical = layout.vertical;
  if (turned) TurnAlignments(layout.flags, horizontal, vertical);
  const int box_w = turned ? rect.bottom - rect.top : rect.right - rect.left;

  if (Shorten(set, text, layout.flags, layout.ellipsis, box_w) < hot_key) hot_key = 0;
  if (text.empty()) return;
  const std::vector<std::wstring_view> lines = SplitLines(set, text, layout.flags, box_w);
  const int tw = TextWidth(set, lines);
  const int th = TextHeight(set, lines);
  if (tw <= 0 || th <= 0) return;

  // Compose the coverage of the whole text, along the text.
  std::vector<uint8_t>& grey = TheCache().grey;
  grey.assign(static_cast<size_t>(tw) * th, 255);
  const int line_height = set.Glyph(L'X').rows;
  for (size_t k = 0; k < lines.size(); ++k) {
    const int top = static_cast<int>(k) * line_height;
    const std::wstring_view line = lines[k];
    int pen = AlignHorizontal(horizontal, tw, LineWidth(set, TrimRight(line)));
    for (size_t i = 0; i < line.size(); ++i) {
      const TSmoothGlyph& g = set.Glyph(line[i]);
      for (int y = 0; y < g.rows && top + y < th; ++y) {
        uint8_t* out = &grey[static_cast<size_t>(top + y) * tw];
        const uint8_t* in = &g.map[static_cast<size_t>(y) * g.width];
        for (int x = std::max(0, -pen); x < g.width && pen + x < tw; ++x) {
          if (in[x] < 255) out[pen + x] = in[x];
        }
      }
      const size_t index = static_cast<size_t>(line.data() - text.data()) + i + 1;
      if (index == hot_key) {
        const int row = std::min({top + set.Ascent() + 1, top + line_height - 1, th - 1});
        for (int x = std::max(0, pen); x < std::min(tw, pen + g.advance); ++x) {
          grey[static_cast<size_t>(row) * tw + x] = 0;
        }
      }
      pen += g.advance;
    }
  }
  PlaceAndBlendCoverage(dc, rect, layout, grey, tw, th, colour);
}

}  // namespace

void PlaceAndBlendCoverage(HDC dc, const RECT& rect, const TextLayout& layout,
                           const std::vector<uint8_t>& grey, int tw, int th, COLORREF colour) {
  const ClipRectScope clip(dc, Inflated(rect, 1), false);
  const bool turned = (layout.flags & kTextTurned) != 0;
  const bool down = (layout.flags & kTextTurnDirection) != 0;
  int horizontal = layout.horizontal;
  int vertical = layout.vertical;
  if (turned) TurnAlignments(layout.flags, horizontal, vertical);
  const int box_w = turned ? rect.bottom - rect.top : rect.right - rect.left;
  const int box_h = turned ? rect.right - rect.left : rect.bottom - rect.top;

  // Where the text lies on the target, and which of its pixels to take for a target pixel.
  const int x_t = AlignHorizontal(horizontal, box_w, tw);
  const int y_t = AlignVertical(vertical, box_h, th);
  RECT place;
  if (!turned) {
    place = {rect.left + x_t, rect.top + y_t, rect.left + x_t + tw, rect.top + y_t + th};
  } else if (!down) {
    place = {rect.left + y_t, rect.bottom - (x_t + tw), rect.left + y_t + th, rect.bottom - x_t};
  } else {
    place = {rect.right - (y_t + th), rect.top + x_t, rect.right - y_t, rect.top + x_t + tw};
  }
  const auto coverage = [&](int sx, int sy) {
    if (!turned) return grey[static_cast<size_t>(sy) * tw + sx];
    if (!down) return grey[static_cast<size_t>(sx) * tw + (tw - 1 - sy)];
    return grey[static_cast<size_t>(th - 1 - sx) * tw + sy];
  };

  RECT clip_box{};
  if (GetClipBox(dc, &clip_box) == ERROR) return;
  RECT window{};
  if (!IntersectRect(&window, &place, &clip_box)) return;
  const int cw = window.right - window.left;
  const int ch = window.bottom - window.top;
  Cache& cache = TheCache();
  if (!cache.background || cache.background->Width() < cw || cache.background->Height() < ch) {
    const int w = cache.background ? std::max(cache.background->Width(), cw) : cw;
    const int h = cache.background ? std::max(cache.background->Height(), ch) : ch;
    cache.background.reset();
    cache.background = std::make_unique<TFastBMP>(w, h);
  }
  const TFastBMP& background = *cache.background;
  BitBlt(background.DC(), 0, 0, cw, ch, dc, window.left, window.top, SRCCOPY);
  GdiFlush();
  const uint8_t red = GetRValue(colour);
  const uint8_t green = GetGValue(colour);
  const uint8_t blue = GetBValue(colour);
  for (int y = 0; y < ch; ++y) {
    uint8_t* p = background.Row(y);
    const int sy = window.top - place.top + y;
    for (int x = 0; x < cw; ++x, p += 3) {
      const uint8_t g = coverage(window.left - place.left + x, sy);
      if (g == 255) continue;
      p[0] = SmoothBlend(p[0], blue, g);
      p[1] = SmoothBlend(p[1], green, g);
      p[2] = SmoothBlend(p[2], red, g);
    }
  }
  BitBlt(dc, window.left, window.top, cw, ch, background.DC(), 0, 0, SRCCOPY);
  if (layout.flags & kTextFocusRect) {
    const RECT focus = Inflated(place, 1);
    DrawFocusRect(dc, &focus);
  }
}

void DrawSmoothText(HDC dc, const RECT& rect, std::wstring_view text, const TextLayout& layout,
                    COLORREF colour, const TextFont& font) {
  if (colour == kDefaultTextColor) colour = font.color;
  if (!(layout.flags & kTextDisabled)) {
    DrawOnce(dc, rect, text, layout, colour, font);
    return;
  }
  TextLayout plain = layout;
  plain.flags &= ~(kTextDisabled | kTextFocusRect);
  RECT shifted = rect;
  OffsetRect(&shifted, 1, 1);
  DrawOnce(dc, shifted, text, plain, SystemColour(COLOR_BTNHIGHLIGHT), font);
  plain.flags = layout.flags & ~kTextDisabled;
  DrawOnce(dc, rect, text, plain, SystemColour(COLOR_BTNSHADOW), font);
}

SIZE MeasureSmoothText(const RECT& rect, std::wstring_view text, uint8_t flags,
                       const TextFont& font) {
  const int available = (flags & kTextTurned) ? rect.bottom - rect.top : rect.right - rect.left;
  return Measure(SmoothSymbolSet(font), text, flags, available);
}

}  // namespace controls
