// Paint style, palette and small drawing utilities of the own-drawn controls.
#include "controls/xp_control_utils.h"

#include <tlhelp32.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/theme_services.h"
#include "framework/win/handles.h"
#include "controls/window_services.h"

namespace controls {

namespace {

constexpr int kObmCheckBoxes = 32759;
constexpr int kEditPartEditText = 1;
constexpr int kEditStateNormal = 1, kEditStateDisabled = 4, kEditStateReadOnly = 6;
constexpr int kThemeFillColor = 3802, kThemeTextColor = 3803;

std::optional<WindowsVersion> version_override;

// The library's own XP look stands in for the missing visual styles of older Windows.
constexpr bool kXPLookOnOlderWindows = true;

XPColorPalette PaletteFor(int paint_style) {
  if (paint_style == 1)
    return {RGB(255, 255, 255), RGB(239, 235, 222), RGB(49, 106, 197),  RGB(255, 255, 255),
            RGB(196, 195, 191), RGB(241, 241, 237), RGB(161, 161, 146), 17};
  return {framework::clWindow,        framework::clBtnFace,          framework::clHighlight,
          framework::clHighlightText, framework::clBtnShadow,        framework::clBtnHighlight,
          framework::clGrayText,      GetSystemMetrics(SM_CXHSCROLL)};
}

void MapToSystemColors(TAlphaImage& image) {
  image.ReplaceColor(RGB(255, 255, 255), GetSysColor(COLOR_BTNHIGHLIGHT));
  image.ReplaceColor(RGB(192, 192, 192), GetSysColor(COLOR_BTNFACE));
  image.ReplaceColor(RGB(128, 128, 128), GetSysColor(COLOR_BTNSHADOW));
  image.ReplaceColor(RGB(0, 0, 0), GetSysColor(COLOR_BTNTEXT));
}

// The palette, the recolourable images and the window that refreshes both, made on first use on
// the interface thread. The list holds the images weakly: one its owners freed drops out.
struct PaletteState {
  XPColorPalette palette = PaletteFor(GetXPPaintStyle());
  std::vector<std::weak_ptr<TAlphaImage>> recolourable;
  TCustomWndProcObject window;
  PaletteState() {
    window.OnMessage = [this](framework::TMessage& message, bool& handled) {
      if (message.msg != WM_SYSCOLORCHANGE) return;
      palette = PaletteFor(GetXPPaintStyle());
      std::erase_if(recolourable, [](const std::weak_ptr<TAlphaImage>& entry) {
        const std::shared_ptr<TAlphaImage> image = entry.lock();
        if (!image) return true;
        image->LoadFromResourceName(image->ResourceName());
        MapToSystemColors(*image);
        return false;
      });
      handled = true;
    };
  }
};

PaletteState& Palette() {
  static PaletteState state;
  return state;
}

SIZE MeasureCheckBoxGlyph() {
  win::UniqueBitmap bitmap(LoadBitmapW(nullptr, MAKEINTRESOURCEW(kObmCheckBoxes)));
  BITMAP info = {};
  if (!bitmap || GetObjectW(bitmap.get(), sizeof info, &info) == 0) return {0, 0};
  return {info.bmWidth / 4, info.bmHeight / 3};
}

}  // namespace

WindowsVersion CurrentWindowsVersion() {
  if (version_override) return *version_override;
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExW(&info);
  return {info.dwMajorVersion, info.dwMinorVersion};
}

void SetWindowsVersionOverride(std::optional<WindowsVersion> version) {
  version_override = version;
}

bool IsWindowsXPOrLater() {
  const WindowsVersion version = CurrentWindowsVersion();
  return version.major >= 6 || (version.major == 5 && version.minor >= 1);
}

int GetXPPaintStyle() {
  if (framework::TThemeServices::Instance().ThemesEnabled()) return 2;
  if (kXPLookOnOlderWindows && !IsWindowsXPOrLater()) return 1;
  return 0;
}

const XPColorPalette& XPPalette() { return Palette().palette; }

HWND XPPaletteWindow() { return Palette().window.Handle(); }

void LoadSystemColoredImage(std::shared_ptr<TAlphaImage>& image,
                            const std::wstring& resource_name) {
  if (!image) image = std::make_shared<TAlphaImage>();
  image->LoadFromResourceName(resource_name);
  MapToSystemColors(*image);
  std::vector<std::weak_ptr<TAlphaImage>>& list = Palette().recolourable;
  const bool listed = std::any_of(list.begin(), list.end(),
                                  [&](const auto& entry) { return entry.lock() == image; });
  if (!listed) list.push_back(image);
}

SIZE GetCheckBoxGlyphSize() {
  static const SIZE size = MeasureCheckBoxGlyph();
  return size;
}

HMODULE FindResourceModule(const char* name, const char* type) {
  win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
  if (!snapshot) return nullptr;
  MODULEENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
       more = Module32NextW(snapshot.get(), &entry)) {
    if (FindResourceA(entry.hModule, name, type) != nullptr) return entry.hModule;
  }
  return nullptr;
}

void GetThemedEditColors(bool enabled, bool read_only, framework::TColor& fill_color,
                         framework::TColor& text_color) {
  if (GetXPPaintStyle() != 2) return;
  const framework::TThemeServices& themes = framework::TThemeServices::Instance();
  const framework::ThemeData theme = themes.Open(nullptr, L"EDIT");
  const int state = !enabled    ? kEditStateDisabled
                    : read_only ? kEditStateReadOnly
                                : kEditStateNormal;
  if (auto fill = themes.Color(theme, kEditPartEditText, state, kThemeFillColor))
    fill_color = static_cast<framework::TColor>(*fill);
  if (auto text = themes.Color(theme, kEditPartEditText, state, kThemeTextColor))
    text_color = static_cast<framework::TColor>(*text);
}

void DrawParentBackground(framework::TControl& control, HDC dc, const RECT* clip) {
  framework::TWinControl* const parent = control.Parent();
  if (!parent) return;
  // A double-buffered parent would skip erasing, painting its background only into its buffer.
  // The saved DC brings the clipping and the origin back.
  struct Restore {
    framework::TWinControl& parent;
    bool double_buffered;
    HDC dc;
    int saved;
    ~Restore() {
      parent.SetDoubleBuffered(double_buffered);
      RestoreDC(dc, saved);
    }
  } restore{*parent, parent->DoubleBuffered(), dc, SaveDC(dc)};
  parent->SetDoubleBuffered(false);
  if (clip) IntersectClipRect(dc, clip->left, clip->top, clip->right, clip->bottom);
  OffsetWindowOrgEx(dc, control.Left(), control.Top(), nullptr);
  parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc));
  if (dynamic_cast<framework::TWinControl*>(&control)) {
    parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc));
  }
}

GlyphLayout CalcGlyphLayout(const TextMeasure& measure, const RECT& client, POINT offset,
                            const std::wstring& caption, SIZE glyph_size, TButtonLayout layout,
                            int margin, int spacing) {
  const int client_width = client.right - client.left, client_height = client.bottom - client.top;
  const bool horizontal =
      layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
  SIZE text_size = {0, 0};
  if (!caption.empty()) {
    int max_width = client_width, max_height = client_height;
    if (glyph_size.cx > 0 && glyph_size.cy > 0) {
      int& along = horizontal ? max_width : max_height;
      along -= horizontal ? glyph_size.cx : glyph_size.cy;
      if (spacing > 0) along -= spacing;
    }
    text_size = measure(caption, max_width, max_height);
  }

  POINT glyph = {0, 0}, text = {0, 0};
  // Centred across the layout's axis.
  if (horizontal) {
    glyph.y = (client_height - glyph_size.cy + 1) / 2;
    text.y = (client_height - text_size.cy) / 2;
  } else {
    glyph.x = (client_width - glyph_size.cx + 1) / 2;
    text.x = (client_width - text_size.cx) / 2;
  }
  if (text_size.cx == 0 || glyph_size.cx == 0) spacing = 0;

  const int client_size = horizontal ? client_width : client_height;
  const int glyph_along = horizontal ? glyph_size.cx : glyph_size.cy;
  const int text_along = horizontal ? text_size.cx : text_size.cy;
  if (margin == -1 && spacing == -1) {
    margin = spacing = (client_size - (glyph_along + text_along)) / 3;
  } else if (margin == -1) {
    margin = (client_size - (glyph_along + spacing + text_along)) / 2;
  } else if (spacing == -1) {
    spacing = (client_size - (margin + glyph_along) - text_along) / 2;
  }

  LONG& glyph_at = horizontal ? glyph.x : glyph.y;
  LONG& text_at = horizontal ? text.x : text.y;
  if (layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphTop) {
    glyph_at = margin;
    text_at = glyph_at + glyph_along + spacing;
  } else {
    glyph_at = client_size - (margin + glyph_along);
    text_at = glyph_at - (spacing + text_along);
  }
  glyph.x += offset.x;
  glyph.y += offset.y;
  text.x += offset.x;
  text.y += offset.y;
  return {glyph, {text.x, text.y, text.x + text_size.cx, text.y + text_size.cy}};
}

}  // namespace controls
