// The button edit and its docked button, and the glyph bitmaps of the edit buttons.
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/theme_services.h"
#include "framework/win/module.h"
#include "controls/xp_colors.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_edits2.h"
#include "controls/xp_graphics.h"

namespace controls {

namespace {

constexpr int kComboDropDownPart = 1;
constexpr int kSkinFrameWidth = 15, kSkinFrameHeight = 16;
// The skin's corners that keep their size when it is stretched over the button.
constexpr RECT kSkinCentre{3, 3, 12, 13};

}  // namespace

HBITMAP EditGlyphBitmap(EditGlyph glyph) {
  static const std::array<win::UniqueBitmap, 6> bitmaps = [] {
    constexpr const char* kNames[] = {"XPCOMBOBUTTON", "XPCOMBO", "STDCOMBO",
                                      "XPELLIPSIS",    "XPDIR",   "XPFILENAME"};
    std::array<win::UniqueBitmap, 6> loaded;
    for (size_t i = 0; i < loaded.size(); ++i) {
      loaded[i].reset(static_cast<HBITMAP>(
          LoadImageA(win::ThisModule(), kNames[i], IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    }
    return loaded;
  }();
  return bitmaps[static_cast<size_t>(glyph)].get();
}

HBITMAP GetComboButtonBitmap() {
  return EditGlyphBitmap(GetXPPaintStyle() != 0 ? EditGlyph::kXPCombo : EditGlyph::kStdCombo);
}

HBITMAP GetEllipsisButtonBitmap() { return EditGlyphBitmap(EditGlyph::kEllipsis); }

bool SimilarColors(COLORREF a, COLORREF b) {
  uint8_t h1 = 0, s1 = 0, l1 = 0, h2 = 0, s2 = 0, l2 = 0;
  ColorToHSL(static_cast<framework::TColor>(a), h1, s1, l1);
  ColorToHSL(static_cast<framework::TColor>(b), h2, s2, l2);
  if (s1 < 8 && s2 < 8) return std::abs(l1 - l2) < 31;
  if ((l1 < 8 && l2 < 8) || (l1 >= 241 && l2 >= 241)) return true;
  return std::abs(h1 - h2) <= 30 && std::abs(s1 - s2) <= 40 && std::abs(l1 - l2) <= 30;
}

// ---- TXPEditButton --------------------------------------------------------------------------

TXPEditButton::TXPEditButton(TXPCustomButtonEdit* edit) : TGraphicControl(edit), edit_(edit) {
  SetBounds(0, 0, kWidth, edit->Height());
  SetParent(edit);
}

int TXPEditButton::VisualState() const noexcept {
  if (state_ == TButtonState::bsDisabled) return 4;
  if (state_ == TButtonState::bsDown) return 3;
  return hot_ ? 2 : 1;
}

void TXPEditButton::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case framework::CM_ENABLEDCHANGED:
      state_ = Enabled() ? TButtonState::bsUp : TButtonState::bsDisabled;
      Invalidate();
      break;
    case framework::CM_MOUSEENTER:
    case framework::CM_MOUSELEAVE:
      hot_ = message.msg == framework::CM_MOUSEENTER;
      // The edit hears of the mouse leaving it before the button hears of its coming.
      edit_->UpdateButtonVisible();
      Invalidate();
      break;
  }
  TGraphicControl::WndProc(message);
}

void TXPEditButton::Paint() { edit_->DrawButton(*this); }

void TXPEditButton::MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) {
  if (button == framework::TMouseButton::mbLeft && Enabled()) {
    if (!edit_->Focused() && edit_->CanFocus()) edit_->SetFocus();
    state_ = TButtonState::bsDown;
    Invalidate();
  }
  TGraphicControl::MouseDown(button, shift, x, y);
}

void TXPEditButton::MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) {
  if (button == framework::TMouseButton::mbLeft && state_ == TButtonState::bsDown) {
    state_ = TButtonState::bsUp;
    Invalidate();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TXPEditButton::Click() {
  TGraphicControl::Click();
  edit_->ButtonClicked();
}

// ---- TXPCustomButtonEdit --------------------------------------------------------------------

TXPCustomButtonEdit::TXPCustomButtonEdit(framework::TComponent* owner)
    : TCustomXPEdit(owner), button_(new TXPEditButton(this)) {
  SetWidth(145);
  PlaceButton();
}

const framework::TClassInfo& TXPCustomButtonEdit::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPCustomButtonEdit, TCustomXPEdit>("TXPCustomButtonEdit")
          .Bool("ShowButton", &TXPCustomButtonEdit::ShowButton, &TXPCustomButtonEdit::SetShowButton,
                true)
          .Event("OnButtonClick", &TXPCustomButtonEdit::OnButtonClick);
  return info;
}

void TXPCustomButtonEdit::SetShowButton(bool value) {
  show_button_ = value;
  UpdateButtonVisible();
  if (HandleAllocated()) CountVisible();
  Invalidate();
}

void TXPCustomButtonEdit::SetTransparent(bool value) {
  TCustomXPEdit::SetTransparent(value);
  if (HandleAllocated()) UpdateButtonVisible();
}

void TXPCustomButtonEdit::SetBounds(int left, int top, int width, int height) {
  TCustomXPEdit::SetBounds(left, top, width, height);
  PlaceButton();
}

void TXPCustomButtonEdit::AfterCreateWnd() {
  TCustomXPEdit::AfterCreateWnd();
  PlaceButton();
  UpdateButtonVisible();
}

// Docked at the right inside the frame: the client area shrunk by the frame width.
void TXPCustomButtonEdit::PlaceButton() {
  if (!button_) return;
  RECT client = ClientRect();
  InflateRect(&client, -FrameWidth(), -FrameWidth());
  button_->SetBounds(client.right - TXPEditButton::kWidth, client.top, TXPEditButton::kWidth,
                     client.bottom - client.top);
}

bool TXPCustomButtonEdit::IsButtonVisible(TXPEditButton& button, bool show_button) {
  if (!show_button) return false;
  return !Transparent() || Focused() || Hot() || button.HotFlag();
}

void TXPCustomButtonEdit::UpdateButtonVisible() {
  const bool visible = IsButtonVisible(*button_, show_button_);
  const unsigned style = button_->ControlStyle();
  button_->SetControlStyle(visible ? style & ~framework::csNoDesignVisible
                                   : style | framework::csNoDesignVisible);
  if (button_->Visible() != visible) button_->SetVisible(visible);
}

void TXPCustomButtonEdit::ButtonClicked() {
  if (OnButtonClick) {
    OnButtonClick(this);
  } else {
    ButtonClick();
  }
}

void TXPCustomButtonEdit::ClickButton() {
  if (show_button_) ButtonClicked();
}

RECT TXPCustomButtonEdit::GetButtonRect() {
  return show_button_ ? button_->BoundsRect() : RECT{0, 0, 0, 0};
}

RECT TXPCustomButtonEdit::GetTextRect() {
  RECT rect = TCustomXPEdit::GetTextRect();
  if (show_button_) rect.right -= button_->Width() - InnerMargin() + 1;
  return rect;
}

int TXPCustomButtonEdit::GetTextWidth() {
  return TCustomXPEdit::GetTextWidth() + (button_->Visible() ? button_->Width() : 0);
}

void TXPCustomButtonEdit::KeyDown(WORD& key, unsigned shift) {
  TCustomXPEdit::KeyDown(key, shift);
  if (key == VK_RETURN && shift == framework::ssCtrl) {
    ClickButton();
    key = 0;
  }
}

void TXPCustomButtonEdit::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case framework::CM_WANTSPECIALKEY:
      if (message.wParam == VK_RETURN && GetKeyState(VK_CONTROL) < 0) {
        message.result = 1;
        return;
      }
      break;
    case framework::CM_ENABLEDCHANGED:
      TCustomXPEdit::WndProc(message);
      button_->SetEnabled(Enabled());
      return;
    case framework::CM_MOUSEENTER:
    case framework::CM_MOUSELEAVE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomXPEdit::WndProc(message);
      UpdateButtonVisible();
      Invalidate();
      return;
    case WM_SIZE:
      TCustomXPEdit::WndProc(message);
      PlaceButton();
      return;
  }
  TCustomXPEdit::WndProc(message);
}

void TXPCustomButtonEdit::Paint() {
  if (Transparent()) {
    UpdateButtonVisible();
  } else if (button_->Visible()) {
    const XPColorPalette& palette = XPPalette();
    const framework::TColor colour = use_color_  ? Color()
                                     : Enabled() ? palette.clXPWindow
                                                 : palette.clXPLight;
    HDC dc = Canvas().Handle();
    win::UniquePen pen(CreatePen(PS_SOLID, 1, framework::ColorToRGB(colour)));
    const HGDIOBJ old = SelectObject(dc, pen.get());
    const int bottom = ClientHeight() - FrameWidth();
    for (int i = 1; i <= InnerMargin(); ++i) {
      MoveToEx(dc, button_->Left() - i, FrameWidth(), nullptr);
      LineTo(dc, button_->Left() - i, bottom);
    }
    SelectObject(dc, old);
  }
  TCustomXPEdit::Paint();
}

void TXPCustomButtonEdit::DrawButton(TXPEditButton& button) {
  HDC dc = button.Canvas().Handle();
  RECT rect{0, 0, button.Width(), button.Height()};
  const int state = button.VisualState();
  switch (GetXPPaintStyle()) {
    case 0:
      DrawFrameControl(dc, &rect, DFC_BUTTON,
                       DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (state == 4 ? DFCS_INACTIVE : 0) |
                           (state == 2 ? DFCS_HOT : 0) | (state == 3 ? DFCS_PUSHED : 0));
      break;
    case 1: {
      const SelectedBitmap skin(EditGlyphBitmap(EditGlyph::kComboButton), dc);
      const RECT source{0, (state - 1) * kSkinFrameHeight, kSkinFrameWidth,
                        state * kSkinFrameHeight};
      StretchDrawSkinBitmap(rect, kSkinCentre, source, false, skin.dc(), dc);
      break;
    }
    default: DrawThemedButton(button, dc, rect); break;
  }
  DrawButtonGlyph(button, rect);
}

void TXPCustomButtonEdit::DrawThemedButton(TXPEditButton& button, HDC dc, const RECT& rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win::UniqueBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return;
  const SelectedBitmap memory(bitmap.get(), dc);
  const framework::TThemeServices& themes = framework::TThemeServices::Instance();
  const framework::ThemeData theme = themes.Open(hwnd_, L"COMBOBOX");
  const RECT local{0, 0, width, height};
  {
    // What lies under the button in the edit, then the theme's drop-down button over it.
    const int saved = SaveDC(memory.dc());
    SetViewportOrgEx(memory.dc(), -button.Left(), -button.Top(), nullptr);
    themes.DrawParentBackground(hwnd_, memory.dc(), button.BoundsRect());
    RestoreDC(memory.dc(), saved);
  }
  if (!theme ||
      !themes.DrawBackground(theme, memory.dc(), kComboDropDownPart, button.VisualState(), local)) {
    DrawFrameControl(memory.dc(), const_cast<RECT*>(&local), DFC_BUTTON, DFCS_BUTTONPUSH);
  }
  GdiFlush();
  // The theme's own arrow: every run that stands out from the face is painted over with a
  // gradient between its neighbours, so that our glyph alone shows.
  const auto* pixels = static_cast<const uint32_t*>(bits);
  const auto pixel = [&](int x, int y) {
    const uint32_t p = pixels[y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  };
  for (int y = 2; y < height - 2; ++y) {
    const int right = width - 2;
    int x = 2;
    while (x < right) {
      const COLORREF face = pixel(x, y);
      int end = x + 1;
      while (end < right && SimilarColors(pixel(end, y), face)) ++end;
      if (end >= right) break;
      const int start = end;
      while (end < right && !SimilarColors(pixel(end, y), face)) ++end;
      const RECT run{start, y, end, y + 1};
      GradientFillRect(memory.dc(), run, pixel(start - 1, y), kGradientHorizontal,
                       pixel(end < width ? end : width - 1, y));
      x = end;
    }
  }
  BitBlt(dc, rect.left, rect.top, width, height, memory.dc(), 0, 0, SRCCOPY);
}

void TXPCustomButtonEdit::DrawButtonGlyph(TXPEditButton& button, const RECT& rect) {
  HBITMAP glyph = GetButtonGlyph();
  BITMAP info{};
  if (!glyph || !GetObjectW(glyph, sizeof info, &info)) return;
  HDC dc = button.Canvas().Handle();
  const int image_width = info.bmWidth / 2;
  int x = (rect.left + rect.right - image_width) / 2;
  int y = (rect.top + rect.bottom - info.bmHeight) / 2;
  if (button.State() == TXPEditButton::TButtonState::bsDown && GetXPPaintStyle() == 0) {
    ++x;
    ++y;
  }
  const SelectedBitmap source(glyph, dc);
  const COLORREF transparent = GetPixel(source.dc(), 0, info.bmHeight - 1);
  TransparentDraw(dc, x, y, transparent, source.dc(), button.Enabled() ? 0 : image_width, 0,
                  image_width, info.bmHeight);
}

}  // namespace controls
