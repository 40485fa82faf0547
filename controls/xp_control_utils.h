// What every own-drawn control consults before it draws: the paint style, the library's palette
// for the XP look on older Windows, the check-box glyph size, themed edit colours, the layout of
// a glyph beside a caption, and the module that holds a resource.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "framework/controls.h"
#include "framework/graphics.h"
#include "controls/alpha_image.h"

namespace controls {

struct WindowsVersion {
  DWORD major = 0;
  DWORD minor = 0;
};

// The running Windows, or the version a test pretends to run on while one is set.
WindowsVersion CurrentWindowsVersion();
void SetWindowsVersionOverride(std::optional<WindowsVersion> version);

bool IsWindowsXPOrLater();

// 2: themed (visual styles active); 1: the library's own XP look, for Windows older than XP;
// 0: classic, with system colours.
int GetXPPaintStyle();

// Colours of the XP look: system colours, or fixed ones in paint style 1.
struct XPColorPalette {
  framework::TColor clXPWindow;
  framework::TColor clXPFace;
  framework::TColor clXPHighlight;
  framework::TColor clXPHighlightText;
  framework::TColor clXPShadow;
  framework::TColor clXPLight;
  framework::TColor clXPGrayText;
  int XPScrollArrowSize;
};

// The palette, filled on first use and again whenever Windows reports new system colours.
const XPColorPalette& XPPalette();
// The hidden window that hears WM_SYSCOLORCHANGE for the palette.
HWND XPPaletteWindow();

// One glyph of the system's check-box bitmap (a grid of 4 by 3 glyphs).
SIZE GetCheckBoxGlyphSize();

// The first loaded module of the process with a resource of that name and type; null if none.
HMODULE FindResourceModule(const char* name, const char* type);

// In paint style 2 the theme's edit-text fill and text colours for the state; each colour keeps
// the caller's value where the theme has none, and in other paint styles both are kept.
void GetThemedEditColors(bool enabled, bool read_only, framework::TColor& fill_color,
                         framework::TColor& text_color);

// Paints into `dc` what the control's parent shows under the control (the parent's background
// and its own painting), for controls with transparent parts; `clip`, when given, limits it.
// Nothing without a parent.
void DrawParentBackground(framework::TControl& control, HDC dc, const RECT* clip = nullptr);

// Loads `image` (made when null) from the named resource with white, silver, grey and black
// mapped, in this order, to the system's button highlight, face, shadow and text colours (a pixel
// mapped to a later source colour is mapped again). The image is kept in the recolourable list,
// loaded and mapped again whenever the system colours change, for as long as its owners hold it.
void LoadSystemColoredImage(std::shared_ptr<TAlphaImage>& image, const std::wstring& resource_name);

enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// The caption's extent when it may use at most the given width and height.
using TextMeasure = std::function<SIZE(const std::wstring& caption, int max_width, int max_height)>;

struct GlyphLayout {
  POINT glyph_pos;
  RECT text_bounds;
};

// Places a glyph and a caption in `client`. Margin and Spacing of -1 are computed so that the
// free space is shared out evenly.
GlyphLayout CalcGlyphLayout(const TextMeasure& measure, const RECT& client, POINT offset,
                            const std::wstring& caption, SIZE glyph_size, TButtonLayout layout,
                            int margin, int spacing);

}  // namespace controls
