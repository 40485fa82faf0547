// Colours and the three drawing tools a canvas carries: font, pen and brush. Each tool makes
// its GDI object on demand and tells its owner (a canvas or a control) when it changes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/exception.h"
#include "framework/win/handles.h"

namespace framework {

// The system refused a GDI object or device context.
class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// An RGB value (0x00BBGGRR), or a system colour: 0xFF000000 plus the COLOR_* index.
using TColor = int32_t;

constexpr TColor kSystemColorBase = static_cast<TColor>(0xFF000000u);
constexpr TColor SystemColor(int index) { return kSystemColorBase | index; }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
// "The font's colour" in the control library's drawing routines.
constexpr TColor clDefault = 0x20000000;
constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR),
                 clBackground = SystemColor(COLOR_BACKGROUND),
                 clActiveCaption = SystemColor(COLOR_ACTIVECAPTION),
                 clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION),
                 clMenu = SystemColor(COLOR_MENU), clWindow = SystemColor(COLOR_WINDOW),
                 clWindowFrame = SystemColor(COLOR_WINDOWFRAME),
                 clMenuText = SystemColor(COLOR_MENUTEXT),
                 clWindowText = SystemColor(COLOR_WINDOWTEXT),
                 clCaptionText = SystemColor(COLOR_CAPTIONTEXT),
                 clActiveBorder = SystemColor(COLOR_ACTIVEBORDER),
                 clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER),
                 clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE),
                 clHighlight = SystemColor(COLOR_HIGHLIGHT),
                 clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT),
                 clBtnFace = SystemColor(COLOR_BTNFACE), clBtnShadow = SystemColor(COLOR_BTNSHADOW),
                 clGrayText = SystemColor(COLOR_GRAYTEXT), clBtnText = SystemColor(COLOR_BTNTEXT),
                 clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT),
                 clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT),
                 cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW),
                 cl3DLight = SystemColor(COLOR_3DLIGHT), clInfoText = SystemColor(COLOR_INFOTEXT),
                 clInfoBk = SystemColor(COLOR_INFOBK), clHotLight = SystemColor(COLOR_HOTLIGHT);

// The RGB value a colour draws with (system colours as the system has them now).
COLORREF ColorToRGB(TColor color) noexcept;
// "clWindow", "clRed", or "$00BBGGRR" for colours without a name.
std::string ColorToString(TColor color);
// Accepts what ColorToString writes and decimal numbers; false for anything else.
bool StringToColor(const std::string& text, TColor& color);

// Font styles as bits of a set.
constexpr unsigned fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8;
using TFontStyles = unsigned;

// Common base: change notification and the GDI object, made on demand (`Holder` owns it).
template <class Holder>
class TGraphicsObject {
 public:
  // Called after every change, before the old GDI object is deleted: a canvas deselects it here.
  std::function<void()> OnChange;

 protected:
  void Changed() {
    auto old = std::move(handle_);
    if (OnChange) OnChange();
  }
  Holder handle_;
};

// Fonts of equal description share one GDI font: a system control measures each new font
// again, and forms hold many controls with the same font.
struct SharedFont;

class TFont : public TGraphicsObject<std::shared_ptr<SharedFont>> {
 public:
  TFont();
  TFont(const TFont& other) : TFont() { Assign(other); }
  TFont& operator=(const TFont& other) {
    Assign(other);
    return *this;
  }
  void Assign(const TFont& other);
  bool operator==(const TFont& other) const;

  HFONT Handle();
  const std::string& Name() const noexcept { return name_; }
  void SetName(const std::string& name);
  // Points; a negative size would be pixels as Height is.
  int Size() const noexcept;
  void SetSize(int points);
  // Pixels: negative for the character height, as LOGFONT has it.
  int Height() const noexcept { return height_; }
  void SetHeight(int height);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const noexcept { return style_; }
  void SetStyle(TFontStyles style);
  int Charset() const noexcept { return charset_; }
  void SetCharset(int charset);
  // Takes face, height, style and charset from a GDI font.
  void SetFromLogFont(const LOGFONTW& log_font);
  // Takes over `font` (it frees it) with the parts of it this description has no place for,
  // such as its output precision; the next change of the description lets it go.
  void SetHandle(HFONT font);

 private:
  void Describe(const LOGFONTW& log_font);
  std::string name_ = "Tahoma";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  int charset_ = DEFAULT_CHARSET;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TGraphicsObject<win::UniquePen> {
 public:
  void Assign(const TPen& other);
  HPEN Handle();
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  int Width() const noexcept { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const noexcept { return style_; }
  void SetStyle(TPenStyle style);

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = TPenStyle::psSolid;
};

enum class TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

class TBrush : public TGraphicsObject<win::UniqueBrush> {
 public:
  void Assign(const TBrush& other);
  HBRUSH Handle();
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const noexcept { return style_; }
  void SetStyle(TBrushStyle style);

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
};

// Pixels per logical inch of the screen, as fonts are sized.
int ScreenPixelsPerInch() noexcept;

}  // namespace framework
