// How the own-drawn edit draws itself in the three paint styles, and its published properties.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/theme_services.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_edits2.h"

namespace controls {

using framework::TColor;

namespace {

// Edit-text theme part and its states.
constexpr int kEditTextPart = 1;
constexpr int kStateNormal = 1, kStateHot = 2, kStateDisabled = 4, kStateFocused = 5,
              kStateReadOnly = 6;
const COLORREF kXPFrameColor = RGB(127, 157, 185);

}  // namespace

int TCustomXPEdit::GetThemeState() {
  if (!Enabled()) return kStateDisabled;
  if (read_only_) return kStateReadOnly;
  if (has_focus_) return kStateFocused;
  if (hot_) return kStateHot;
  return kStateNormal;
}

// ---- Painting ---------------------------------------------------------------------------------

void TCustomXPEdit::Paint() {
  const int style = GetXPPaintStyle();
  const XPColorPalette& palette = XPPalette();
  TColor background, text, frame, selection_background, selection_text;
  const bool hidden_selection = !has_focus_ && hide_selection_;
  if (Enabled()) {
    background = read_only_ && style != 0 ? palette.clXPLight : palette.clXPWindow;
    frame = static_cast<TColor>(kXPFrameColor);
    text = Font().Color();
    GetThemedEditColors(true, read_only_, background, text);
    if (use_color_) background = Color();
    selection_background = hidden_selection ? background : palette.clXPHighlight;
    selection_text = hidden_selection ? text : palette.clXPHighlightText;
  } else {
    text = frame = palette.clXPShadow;
    background = style != 0 ? palette.clXPLight : palette.clXPWindow;
    GetThemedEditColors(false, read_only_, background, text);
    selection_background = hidden_selection ? background : text;
    selection_text = background;
    if (hidden_selection) selection_text = text;
  }
  if (!transparent_) PaintBackgroundAndFrame(ClientRect(), background, frame);
  DrawText(GetTextRect(), background, text, selection_background, selection_text, frame);
}

void TCustomXPEdit::PaintBackgroundAndFrame(const RECT& client, TColor background, TColor frame) {
  HDC dc = Canvas().Handle();
  const int saved = SaveDC(dc);
  const RECT button = GetButtonRect();
  const auto exclude_button = [&] {
    if (!IsRectEmpty(&button))
      ExcludeClipRect(dc, button.left, button.top, button.right, button.bottom);
  };
  if (GetXPPaintStyle() == 2 && !use_color_) {
    exclude_button();
    const framework::TThemeServices& themes = framework::TThemeServices::Instance();
    const framework::ThemeData theme = themes.Open(hwnd_, L"EDIT");
    themes.DrawParentBackground(hwnd_, dc, client);
    if (theme && themes.DrawBackground(theme, dc, kEditTextPart, GetThemeState(), client)) {
      RestoreDC(dc, saved);
      return;
    }
  }
  const auto nested_frames = [&](RECT& rect, int count, TColor colour) {
    win::UniqueBrush brush(CreateSolidBrush(framework::ColorToRGB(colour)));
    for (int i = 0; i < count; ++i) {
      FrameRect(dc, &rect, brush.get());
      InflateRect(&rect, -1, -1);
    }
  };
  RECT rect = client;
  nested_frames(rect, FrameWidth(),
                border_style_ == TEditBorderStyle::bsSingle ? frame : background);
  exclude_button();
  nested_frames(rect, InnerMargin(), background);
  if (GetXPPaintStyle() != 0) {
    const RECT strip{rect.left, rect.bottom - 2, rect.right, rect.bottom};
    win::UniqueBrush brush(CreateSolidBrush(framework::ColorToRGB(background)));
    FillRect(dc, &strip, brush.get());
  }
  RestoreDC(dc, saved);
}

void TCustomXPEdit::DrawText(const RECT& rect, TColor background, TColor text,
                             TColor selection_background, TColor selection_text, TColor) {
  HDC dc = Canvas().Handle();
  const int saved = SaveDC(dc);
  SelectObject(dc, font_.Handle());
  SetBkMode(dc, transparent_ ? TRANSPARENT : OPAQUE);
  const std::wstring& display = model_.DisplayText();
  const int length = static_cast<int>(display.size());
  const int from = std::min(first_visible_, length);
  const int to = std::min(length, first_visible_ + visible_count_);
  const int selection_from = std::clamp(SelStart(), from, to);
  const int selection_to = std::clamp(SelStart() + SelLength(), from, to);
  // Only a transparent edit lets its parent show through a hidden selection; an opaque one
  // paints the hidden selection in the normal colours, over what the screen kept of it.
  const bool selection_opaque = !(transparent_ && hide_selection_ && !has_focus_);
  struct Run {
    int from, to;
    bool selected;
  };
  const Run runs[] = {{from, selection_from, false},
                      {selection_from, selection_to, true},
                      {selection_to, to, false}};
  int x = rect.left;
  for (const Run& run : runs) {
    if (run.from >= run.to) continue;
    // From the character before the run, so that its overhang into the run is drawn too. Each
    // character is placed at its measured advance: a driver may draw a font at other widths than
    // it measures, and selection, caret and hit test all go by the measured ones.
    const int start = run.from > 0 ? run.from - 1 : 0;
    const std::vector<int> advances = CharWidths(start, run.to - start);
    const int lead = start < run.from ? advances.front() : 0;
    int width = 0;
    for (size_t i = run.from - start; i < advances.size(); ++i) width += advances[i];
    const RECT clip{x, rect.top, std::min(x + width, static_cast<int>(rect.right)), rect.bottom};
    const bool opaque = run.selected ? selection_opaque : !transparent_;
    SetTextColor(dc, framework::ColorToRGB(run.selected ? selection_text : text));
    SetBkColor(dc, framework::ColorToRGB(run.selected ? selection_background : background));
    SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
    ExtTextOutW(dc, x - lead, rect.top, ETO_CLIPPED | (opaque ? ETO_OPAQUE : 0), &clip,
                display.c_str() + start, run.to - start, advances.data());
    x += width;
  }
  // The free space after a wholly visible text takes the background.
  if (to == length && !transparent_ && x < rect.right) {
    const RECT rest{x, rect.top, rect.right, rect.bottom};
    SetBkColor(dc, framework::ColorToRGB(background));
    ExtTextOutW(dc, x, rect.top, ETO_CLIPPED | ETO_OPAQUE, &rest, L"", 0, nullptr);
  }
  RestoreDC(dc, saved);
}

void TCustomXPEdit::PaintBackground(HDC dc) {
  if (transparent_) DrawParentBackground(*this, dc);
}

// ---- TXPEdit --------------------------------------------------------------------------------

const framework::TClassInfo& TXPEdit::StaticClassInfo() {
  static const std::vector<std::string> char_cases = {"ecNormal", "ecUpperCase", "ecLowerCase"};
  static const std::vector<std::string> radixes = {"rdxBinary", "rdxOctal", "rdxDecimal",
                                                   "rdxHexadecimal"};
  static const std::vector<std::string> number_types = {"ntNone", "ntUnsignedInt", "ntSignedInt",
                                                        "ntFloat"};
  static const std::vector<std::string> border_styles = {"bsNone", "bsSingle"};
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPEdit, TCustomXPEdit>("TXPEdit")
          .Bool("AutoSelect", &TXPEdit::AutoSelect, &TXPEdit::SetAutoSelect, true)
          .Bool("AutoSize", &TXPEdit::AutoSize, &TXPEdit::SetAutoSize, true)
          .Enum("BorderStyle", &TXPEdit::BorderStyle, &TXPEdit::SetBorderStyle, border_styles,
                TEditBorderStyle::bsSingle)
          .Enum("CharCase", &TXPEdit::CharCase, &TXPEdit::SetCharCase, char_cases,
                TEditCharCase::ecNormal)
          .Bool("HideSelection", &TXPEdit::HideSelection, &TXPEdit::SetHideSelection, true)
          .Bool("HotTrack", &TXPEdit::HotTrack, &TXPEdit::SetHotTrack, false)
          .Int("MaxLength", &TXPEdit::MaxLength, &TXPEdit::SetMaxLength, 0)
          .Int("NumberPrecision", &TXPEdit::NumberPrecision, &TXPEdit::SetNumberPrecision, 3)
          .Enum("NumberRadix", &TXPEdit::NumberRadix, &TXPEdit::SetNumberRadix, radixes,
                TRadix::rdxDecimal)
          .Enum("NumberType", &TXPEdit::NumberType, &TXPEdit::SetNumberType, number_types,
                TNumberTypeEx::ntNone)
          .Bool("OEMConvert", &TXPEdit::OEMConvert, &TXPEdit::SetOEMConvert, false)
          .WideString("PasswordChar", &TXPEdit::PasswordCharText, &TXPEdit::SetPasswordCharText)
          .Bool("ReadOnly", &TXPEdit::ReadOnly, &TXPEdit::SetReadOnly, false)
          .WideString("Text", &TXPEdit::Text, &TXPEdit::SetText)
          .Bool("Transparent", &TXPEdit::Transparent, &TXPEdit::SetTransparent, false)
          .Event("OnChange", &TXPEdit::OnChange);
  return info;
}

}  // namespace controls
