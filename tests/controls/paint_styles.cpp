// The three paint styles and pictures of controls drawn in each.
#include "paint_styles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "framework/forms.h"
#include "framework/theme_services.h"
#include "controls/xp_control_utils.h"
#include "surface.h"

namespace xptest {

void UsePaintStyle(int style) {
  framework::TThemeServices::Instance().SetOverride(style == 2);
  controls::SetWindowsVersionOverride(style == 1 ? controls::WindowsVersion{5, 0}
                                                 : controls::WindowsVersion{6, 1});
  SendMessageW(controls::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);  // the style's palette
  ASSERT_EQ(controls::GetXPPaintStyle(), style);
}

void ResetPaintStyle() {
  framework::TThemeServices::Instance().SetOverride(std::nullopt);
  controls::SetWindowsVersionOverride(std::nullopt);
  SendMessageW(controls::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
}

void ForEachPaintStyle(const std::function<void(int style)>& body) {
  struct Reset {
    ~Reset() { ResetPaintStyle(); }
  } reset;
  for (const int style : {2, 1, 0}) {
    UsePaintStyle(style);
    SCOPED_TRACE("paint style " + std::to_string(style));
    body(style);
  }
}

namespace {

const framework::TForm* AsForm(const framework::TControl& control) {
  return dynamic_cast<const framework::TForm*>(&control);
}

// A form at the picture's origin, any other control at its place in its parent.
POINT PicturePlace(const framework::TControl& control) {
  if (AsForm(control)) return {0, 0};
  return {control.Left(), control.Top()};
}

// Where the client area starts inside the window.
POINT ClientOffset(HWND hwnd) {
  RECT window{};
  GetWindowRect(hwnd, &window);
  POINT client{0, 0};
  ClientToScreen(hwnd, &client);
  return {client.x - window.left, client.y - window.top};
}

// The frame, caption and close button of a form with the system's drawing routines, as its
// non-client painter draws them on a screen: the null driver paints no non-client area, and
// printing a window leaves it out.
void PaintSystemFrame(HWND hwnd, HDC dc, POINT at) {
  RECT window{};
  GetWindowRect(hwnd, &window);
  RECT frame{at.x, at.y, at.x + window.right - window.left, at.y + window.bottom - window.top};
  FillRect(dc, &frame, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
  const POINT client = ClientOffset(hwnd);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  if ((style & WS_CAPTION) != WS_CAPTION) return;
  RECT caption{at.x + client.x, frame.top + client.x, frame.right - client.x,
               frame.top + client.y - 1};
  DrawCaption(hwnd, dc, &caption, DC_ACTIVE | DC_TEXT | DC_ICON | DC_GRADIENT);
  if (!(style & WS_SYSMENU)) return;
  RECT close{caption.right - GetSystemMetrics(SM_CXSIZE), caption.top + 2, caption.right - 2,
             caption.top + GetSystemMetrics(SM_CYSIZE) - 2};
  DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
}

// One scroll bar of a window as the system draws it: arrows, track and a thumb placed from the
// bar's range, page and position. `offset` takes screen coordinates to the picture's.
void PaintScrollBar(HWND hwnd, LONG bar, HDC dc, POINT offset) {
  SCROLLBARINFO shown{};
  shown.cbSize = sizeof shown;
  if (!GetScrollBarInfo(hwnd, bar, &shown) || (shown.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
  SCROLLINFO range{};
  range.cbSize = sizeof range;
  range.fMask = SIF_ALL;
  const bool vertical = bar == OBJID_VSCROLL;
  GetScrollInfo(hwnd, vertical ? SB_VERT : SB_HORZ, &range);
  RECT whole = shown.rcScrollBar;
  OffsetRect(&whole, offset.x, offset.y);
  FillRect(dc, &whole, GetSysColorBrush(COLOR_SCROLLBAR));
  const int length = vertical ? whole.bottom - whole.top : whole.right - whole.left;
  const int button = std::min(GetSystemMetrics(vertical ? SM_CYVSCROLL : SM_CXHSCROLL), length / 2);
  const int track = length - 2 * button;
  const int span = range.nMax - range.nMin + 1;
  const int page = static_cast<int>(range.nPage);
  const bool usable = span > page && page > 0 && track > 0;
  const int thumb = usable ? std::max(MulDiv(track, page, span), 8) : 0;
  const int start =
      usable ? button + MulDiv(track - thumb, range.nPos - range.nMin, span - page) : 0;
  const auto part = [&](int from, int to) {
    RECT r = whole;
    if (vertical) {
      r.top = whole.top + from;
      r.bottom = whole.top + to;
    } else {
      r.left = whole.left + from;
      r.right = whole.left + to;
    }
    return r;
  };
  const UINT inactive = usable ? 0 : DFCS_INACTIVE;
  RECT first = part(0, button), second = part(length - button, length);
  DrawFrameControl(dc, &first, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive);
  DrawFrameControl(dc, &second, DFC_SCROLL,
                   (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive);
  if (usable) {
    RECT knob = part(start, start + thumb);
    DrawFrameControl(dc, &knob, DFC_BUTTON, DFCS_BUTTONPUSH);
  }
}

struct ScrollBarWalk {
  HWND form;
  HDC dc;
  POINT offset;
};

BOOL CALLBACK PaintChildScrollBars(HWND child, LPARAM data) {
  const auto& walk = *reinterpret_cast<const ScrollBarWalk*>(data);
  // Shown within the form, which a picture need not show on the screen.
  for (HWND window = child; window != walk.form; window = GetParent(window)) {
    if (!window || !(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE)) return TRUE;
  }
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if (style & WS_VSCROLL) PaintScrollBar(child, OBJID_VSCROLL, walk.dc, walk.offset);
  if (style & WS_HSCROLL) PaintScrollBar(child, OBJID_HSCROLL, walk.dc, walk.offset);
  return TRUE;
}

// The scroll bars of the form's shown windows, which are non-client parts that no printing
// paints: drawn over the picture where the screen shows them.
void PaintScrollBars(HWND form, HDC dc, POINT at) {
  RECT window{};
  GetWindowRect(form, &window);
  ScrollBarWalk walk{form, dc, {at.x - window.left, at.y - window.top}};
  EnumChildWindows(form, PaintChildScrollBars, reinterpret_cast<LPARAM>(&walk));
}

// The size of a control's picture: a form's whole window, any other control whole.
SIZE PictureSize(const framework::TControl& control) {
  if (const framework::TForm* form = AsForm(control)) {
    RECT window{};
    GetWindowRect(const_cast<framework::TForm*>(form)->Handle(), &window);
    return {window.right - window.left, window.bottom - window.top};
  }
  return {control.Width(), control.Height()};
}

// Paints the control with its top left at `at`: a form with its frame, caption and its windows'
// scroll bars (which the null driver never paints: they are drawn as the system draws them), any
// other control as it paints itself.
void PaintPicture(framework::TControl& control, HDC dc, POINT at) {
  if (auto* form = dynamic_cast<framework::TForm*>(&control)) {
    PaintSystemFrame(form->Handle(), dc, at);
    const POINT client = ClientOffset(form->Handle());
    form->PaintTo(dc, at.x + client.x, at.y + client.y);
    PaintScrollBars(form->Handle(), dc, at);
    return;
  }
  control.PaintTo(dc, at.x, at.y);
}

}  // namespace

std::unique_ptr<Surface> Picture(framework::TControl& control, const std::string& name, int scale) {
  const SIZE size = PictureSize(control);
  auto surface = std::make_unique<Surface>(size.cx, size.cy);
  PaintPicture(control, surface->dc(), {0, 0});
  surface->MakeOpaque();
  WritePicture(*surface, name, scale);
  return surface;
}

void WriteStylePicture(const std::string& name, const std::vector<framework::TControl*>& controls) {
  int width = 0, height = 0;
  for (framework::TControl* control : controls) {
    const SIZE size = PictureSize(*control);
    const POINT place = PicturePlace(*control);
    width = std::max<int>(width, place.x + size.cx + 4);
    height = std::max<int>(height, place.y + size.cy + 4);
  }
  Surface surface(width, height * 3, RGB(236, 233, 216));
  int row = 0;
  ForEachPaintStyle([&](int) {
    for (framework::TControl* control : controls) {
      const POINT place = PicturePlace(*control);
      PaintPicture(*control, surface.dc(), {place.x, place.y + row * height});
    }
    ++row;
  });
  WritePicture(surface, name, 2);
}

}  // namespace xptest
