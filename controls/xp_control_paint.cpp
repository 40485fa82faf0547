// What the own-drawn controls draw alike.
#include "controls/xp_control_paint.h"

#include <windowsx.h>

#include <cwctype>
#include <map>
#include <memory>

#include "framework/win/handles.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_graphics.h"

namespace controls {

TXPState ControlLook(const framework::TControl& control, bool pressed) {
  if (!control.Enabled()) return TXPState::Disabled;
  if (pressed) return TXPState::Pressed;
  if (control.ControlState() & framework::csMouseInside) return TXPState::Hot;
  return TXPState::Normal;
}

SIZE MeasureCaption(HDC dc, const std::wstring& caption) {
  RECT rect = {0, 0, 0, 0};
  if (caption.empty()) return {0, 0};
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect,
            DT_CALCRECT | DT_SINGLELINE);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void DrawCaption(HDC dc, const RECT& rect, const std::wstring& caption, bool enabled,
                 COLORREF colour, UINT format) {
  const int old_mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF old_colour = GetTextColor(dc);
  const auto draw = [&](RECT at, COLORREF ink) {
    SetTextColor(dc, ink);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &at, format | DT_SINGLELINE);
  };
  if (enabled) {
    draw(rect, colour);
  } else if (GetXPPaintStyle() == 0) {
    // The classic engraved look: a light copy one pixel down and right under the shadow.
    RECT light = rect;
    OffsetRect(&light, 1, 1);
    draw(light, GetSysColor(COLOR_BTNHIGHLIGHT));
    draw(rect, GetSysColor(COLOR_BTNSHADOW));
  } else {
    draw(rect, framework::ColorToRGB(XPPalette().clXPGrayText));
  }
  SetTextColor(dc, old_colour);
  SetBkMode(dc, old_mode);
}

bool IsAccel(wchar_t key, const std::wstring& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] == L'&') {
      ++i;  // "&&" is a plain ampersand
      continue;
    }
    return std::towupper(caption[i + 1]) == std::towupper(key);
  }
  return false;
}

void DrawSkinFrame(HDC dc, const RECT& rect, const TAlphaImage& skin, int index, int count,
                   int margin) {
  if (!skin.Handle() || count <= 0) return;
  const int width = skin.Width(), height = skin.Height() / count;
  win::UniqueMemoryDc source(CreateCompatibleDC(dc));
  const HGDIOBJ old = SelectObject(source.get(), skin.Handle());
  const RECT frame = {0, index * height, width, (index + 1) * height};
  const RECT centre = {margin, margin, width - margin, height - margin};
  StretchDrawSkinBitmap(rect, centre, frame, true, source.get(), dc);
  SelectObject(source.get(), old);
}

void TPressTracker::SetPressed(bool pressed, const std::function<void()>& redraw) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  redraw();
}

bool TPressTracker::Handle(framework::TWinControl& control, framework::TMessage& message,
                           const std::function<void()>& click,
                           const std::function<void()>& redraw) {
  switch (message.msg) {
    case BM_CLICK:
      if (control.Enabled()) click();
      return true;
    case WM_GETDLGCODE: message.result = DLGC_BUTTON; return true;
    case WM_KEYDOWN:
      if (message.wParam == VK_SPACE) {
        space_down_ = true;
        SetPressed(true, redraw);
      }
      return false;
    case WM_KEYUP:
      if (message.wParam != VK_SPACE || !space_down_) return false;
      space_down_ = false;
      SetPressed(false, redraw);
      click();
      return true;
    case WM_LBUTTONDOWN:
      if (control.CanFocus()) control.SetFocus();
      SetCapture(control.Handle());
      SetPressed(true, redraw);
      return false;
    case WM_MOUSEMOVE:
      if (GetCapture() == control.Handle() && (message.wParam & MK_LBUTTON)) {
        const POINT point = {GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
        const RECT client = control.ClientRect();
        SetPressed(PtInRect(&client, point) != FALSE, redraw);
      }
      return false;
    case WM_LBUTTONUP:
      SetPressed(false, redraw);
      if (GetCapture() == control.Handle()) ReleaseCapture();
      return false;
    case WM_KILLFOCUS:
      space_down_ = false;
      SetPressed(false, redraw);
      return false;
    case framework::CM_DIALOGCHAR:
      if (!IsAccel(static_cast<wchar_t>(message.wParam), control.Caption()) || !control.CanFocus())
        return false;
      control.SetFocus();
      click();
      message.result = 1;
      return true;
    case framework::CM_MOUSEENTER:
    case framework::CM_MOUSELEAVE:
    case framework::CM_ENTER:
    case framework::CM_EXIT: redraw(); return false;
  }
  return false;
}

const TAlphaImage& Skin(const wchar_t* name) {
  static std::map<std::wstring, std::unique_ptr<TAlphaImage>> skins;
  std::unique_ptr<TAlphaImage>& skin = skins[name];
  if (!skin) skin = std::make_unique<TAlphaImage>(name);
  return *skin;
}

}  // namespace controls
