// Colours, fonts, pens and brushes.
#include "framework/graphics.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "framework/win/text.h"

namespace framework {

namespace {

struct ColorName {
  TColor color;
  const char* name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
};

}  // namespace

COLORREF ColorToRGB(TColor color) noexcept {
  if ((color & kSystemColorBase) == kSystemColorBase) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color) & 0xFFFFFF;
}

std::string ColorToString(TColor color) {
  for (const ColorName& entry : kColorNames) {
    if (entry.color == color) return entry.name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
  return text;
}

bool StringToColor(const std::string& text, TColor& color) {
  for (const ColorName& entry : kColorNames) {
    if (_stricmp(entry.name, text.c_str()) == 0) {
      color = entry.color;
      return true;
    }
  }
  if (text.empty()) return false;
  const bool hex = text[0] == '$';
  const char* digits = text.c_str() + (hex ? 1 : 0);
  if (*digits == '\0') return false;
  char* end = nullptr;
  const long long value = std::strtoll(digits, &end, hex ? 16 : 10);
  if (*end != '\0' || value < INT32_MIN || value > UINT32_MAX) return false;
  color = static_cast<TColor>(static_cast<uint32_t>(value));
  return true;
}

int ScreenPixelsPerInch() noexcept {
  static const int ppi = [] {
    HDC dc = GetDC(nullptr);
    const int value = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return value > 0 ? value : 96;
  }();
  return ppi;
}

TFont::TFont() = default;

bool TFont::operator==(const TFont& other) const {
  return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
         style_ == other.style_ && charset_ == other.charset_;
}

struct SharedFont {
  LOGFONTW log_font;
  win::UniqueFont font;
  bool own = false;  // given with SetHandle, never in the cache
};

void TFont::Assign(const TFont& other) {
  // A handle given with SetHandle goes with the copy: the description cannot make it again.
  const bool other_own = other.handle_ && other.handle_->own;
  const bool own = handle_ && handle_->own;
  if (*this == other && ((!own && !other_own) || handle_ == other.handle_)) return;
  name_ = other.name_;
  height_ = other.height_;
  color_ = other.color_;
  style_ = other.style_;
  charset_ = other.charset_;
  if (!other_own) {
    Changed();
    return;
  }
  auto old = std::exchange(handle_, other.handle_);
  if (OnChange) OnChange();
}

namespace {

bool SameLogFont(const LOGFONTW& a, const LOGFONTW& b) {
  return a.lfHeight == b.lfHeight && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
         a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut &&
         a.lfCharSet == b.lfCharSet && wcscmp(a.lfFaceName, b.lfFaceName) == 0;
}

// The fonts in use; an entry goes when its last TFont lets go.
std::vector<std::weak_ptr<SharedFont>>& FontCache() {
  static std::vector<std::weak_ptr<SharedFont>> cache;
  return cache;
}

TFontStyles StyleOf(const LOGFONTW& log_font) {
  return (log_font.lfWeight >= FW_BOLD ? fsBold : 0) | (log_font.lfItalic ? fsItalic : 0) |
         (log_font.lfUnderline ? fsUnderline : 0) | (log_font.lfStrikeOut ? fsStrikeOut : 0);
}

}  // namespace

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONTW log_font{};
    log_font.lfHeight = height_;
    log_font.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    log_font.lfItalic = (style_ & fsItalic) ? 1 : 0;
    log_font.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    log_font.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    log_font.lfCharSet = static_cast<BYTE>(charset_);
    log_font.lfQuality = DEFAULT_QUALITY;
    const std::wstring face = win::Widen(name_);
    wcsncpy(log_font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    auto& cache = FontCache();
    std::erase_if(cache, [](const std::weak_ptr<SharedFont>& entry) { return entry.expired(); });
    for (const auto& entry : cache) {
      auto shared = entry.lock();
      if (SameLogFont(shared->log_font, log_font)) {
        handle_ = std::move(shared);
        return handle_->font.get();
      }
    }
    handle_ = std::make_shared<SharedFont>(
        SharedFont{log_font, win::UniqueFont(CreateFontIndirectW(&log_font))});
    cache.push_back(handle_);
  }
  return handle_->font.get();
}

void TFont::SetName(const std::string& name) {
  if (name == name_ || name.empty()) return;
  name_ = name;
  Changed();
}

int TFont::Size() const noexcept { return -MulDiv(height_, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72)); }

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  if (OnChange) OnChange();  // the GDI font has no colour: it stays
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetCharset(int charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::Describe(const LOGFONTW& log_font) {
  name_ = win::Narrow(log_font.lfFaceName);
  height_ = log_font.lfHeight;
  style_ = StyleOf(log_font);
  charset_ = log_font.lfCharSet;
}

void TFont::SetFromLogFont(const LOGFONTW& log_font) {
  Describe(log_font);
  Changed();
}

void TFont::SetHandle(HFONT font) {
  LOGFONTW log_font{};
  GetObjectW(font, sizeof log_font, &log_font);
  Describe(log_font);
  auto old = std::exchange(
      handle_, std::make_shared<SharedFont>(SharedFont{log_font, win::UniqueFont(font), true}));
  if (OnChange) OnChange();
}

void TPen::Assign(const TPen& other) {
  color_ = other.color_;
  width_ = other.width_;
  style_ = other.style_;
  Changed();
}

HPEN TPen::Handle() {
  if (!handle_) {
    static constexpr int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                      PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    handle_.reset(CreatePen(kStyles[static_cast<int>(style_)], width_, ColorToRGB(color_)));
  }
  return handle_.get();
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TBrush::Assign(const TBrush& other) {
  color_ = other.color_;
  style_ = other.style_;
  Changed();
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    LOGBRUSH log_brush{};
    log_brush.lbColor = ColorToRGB(color_);
    switch (style_) {
      case TBrushStyle::bsSolid: log_brush.lbStyle = BS_SOLID; break;
      case TBrushStyle::bsClear: log_brush.lbStyle = BS_NULL; break;
      default:
        log_brush.lbStyle = BS_HATCHED;
        log_brush.lbHatch = static_cast<int>(style_) - static_cast<int>(TBrushStyle::bsHorizontal);
    }
    handle_.reset(CreateBrushIndirect(&log_brush));
  }
  return handle_.get();
}

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ != TBrushStyle::bsClear) return;
  color_ = color;
  if (style_ == TBrushStyle::bsClear) style_ = TBrushStyle::bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

}  // namespace framework
