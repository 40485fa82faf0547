// Middle-button panning: a round window with an arrow picture at the cursor, and a message loop
// of its own that scrolls the grid toward the mouse, faster the farther it is, until a key, a
// button, the wheel or a lost capture ends it.
#include <windowsx.h>

#include "editors/gdi_scope.h"
#include "framework/screen.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "treelist/core/sizing.h"
#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

constexpr int kPictureSize = 29;
constexpr UINT kPanInterval = 20;

// The picture under the cursor, from the module's resources: arrows along the axes that have a
// scroll bar around a dot.
win::UniqueBitmap LoadPanPicture(bool horizontal, bool vertical) {
  const wchar_t* name = horizontal && vertical ? L"DXGRID_FULLSCROLLBITMAP"
                        : horizontal           ? L"DXGRID_HORSCROLLBITMAP"
                                               : L"DXGRID_VERSCROLLBITMAP";
  return win::UniqueBitmap(
      static_cast<HBITMAP>(LoadImageW(win::ThisModule(), name, IMAGE_BITMAP, 0, 0, 0)));
}

framework::TCursor PanCursor(PanDirection direction, bool horizontal, bool vertical) {
  switch (direction) {
    case PanDirection::Left: return crLeftScroll;
    case PanDirection::Up: return crUpScroll;
    case PanDirection::Right: return crRightScroll;
    case PanDirection::Down: return crDownScroll;
    case PanDirection::None: break;
  }
  if (horizontal && vertical) return crFullScroll;
  return horizontal ? crHorScroll : crVerScroll;
}

void SetPanCursor(PanDirection direction, bool horizontal, bool vertical) {
  ::SetCursor(framework::Screen().CursorHandle(PanCursor(direction, horizontal, vertical)));
}

void PaintPanWindow(HDC dc, HBITMAP picture) {
  win::UniqueMemoryDc memory(CreateCompatibleDC(dc));
  if (memory && picture) {
    editors::SelectScope keep(memory.get(), picture);
    BitBlt(dc, 0, 0, kPictureSize, kPictureSize, memory.get(), 0, 0, SRCCOPY);
  }
  win::UniqueRegion frame(CreateEllipticRgn(0, 0, kPictureSize + 1, kPictureSize + 1));
  FrameRgn(dc, frame.get(), GetSysColorBrush(COLOR_WINDOWFRAME), 1, 1);
}

// Everything the mode takes, given back on every way out, also when a dispatched message
// destroyed the grid (its window and the owned popup are gone then).
class PanResources {
 public:
  // The seams are copied: the grid that holds them may be gone by the end.
  PanResources(HWND grid, HWND popup, const InputSeams& seams)
      : grid_(grid), popup_(popup), seams_(seams) {}
  ~PanResources() {
    if (GetCapture() == grid_) ReleaseCapture();
    if (IsWindow(grid_)) seams_.kill_timer(grid_, TCustomdxTreeList::kPanTimer);
    if (popup_ && IsWindow(popup_)) DestroyWindow(popup_);
  }
  PanResources(const PanResources&) = delete;
  PanResources& operator=(const PanResources&) = delete;
  void StartTimer() { seams_.set_timer(grid_, TCustomdxTreeList::kPanTimer, kPanInterval); }

 private:
  HWND grid_;
  HWND popup_;
  InputSeams seams_;
};

}  // namespace

void TCustomdxTreeList::MousePan() {
  CancelHints();
  const HWND grid = Handle();
  const LONG style = GetWindowLongW(grid, GWL_STYLE);
  const bool horizontal = style & WS_HSCROLL, vertical = style & WS_VSCROLL;
  const POINT origin = seams_.cursor_pos();
  const win::UniqueBitmap picture = LoadPanPicture(horizontal, vertical);
  const HWND popup = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, origin.x - kPictureSize / 2,
                                     origin.y - kPictureSize / 2, kPictureSize, kPictureSize, grid,
                                     nullptr, win::ThisModule(), nullptr);
  PanResources resources(grid, popup, seams_);
  if (popup) {
    SetWindowRgn(popup, CreateEllipticRgn(0, 0, kPictureSize + 1, kPictureSize + 1), TRUE);
    SetWindowPos(popup, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    const win::WindowDC dc(popup);
    PaintPanWindow(dc.get(), picture.get());
  }
  PanMotion motion;
  motion.speed = 1;
  bool moved = false;
  POINT last = origin;
  int ticks = 0;
  SetPanCursor(motion.direction, horizontal, vertical);
  resources.StartTimer();
  SetCapture(grid);

  // From here on `this` may be destroyed by any dispatched message: only locals are used.
  MSG msg;
  while (GetCapture() == grid) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The application's loop must still see the request to quit.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    const UINT m = msg.message;
    if (m == WM_KEYDOWN || m == WM_KEYUP) {
      if (msg.wParam == VK_ESCAPE) break;
      continue;
    }
    if (m == WM_TIMER) {
      if (msg.hwnd != grid || msg.wParam != kPanTimer) continue;
      ++ticks;
      if (ticks % (13 - motion.speed) != 0) continue;
      switch (motion.direction) {
        case PanDirection::Left: SendMessageW(grid, WM_HSCROLL, SB_LINELEFT, 0); break;
        case PanDirection::Right: SendMessageW(grid, WM_HSCROLL, SB_LINERIGHT, 0); break;
        case PanDirection::Up: SendMessageW(grid, WM_VSCROLL, SB_LINEUP, 0); break;
        case PanDirection::Down: SendMessageW(grid, WM_VSCROLL, SB_LINEDOWN, 0); break;
        case PanDirection::None: break;
      }
      continue;
    }
    if (m == WM_MOUSEMOVE) {
      POINT point{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      ::ClientToScreen(msg.hwnd, &point);
      if (point.x != last.x || point.y != last.y) {
        motion = PanMotionAt(point, origin, kPictureSize, horizontal, vertical);
        moved = moved || motion.outside;
        SetPanCursor(motion.direction, horizontal, vertical);
        last = point;
      }
      continue;
    }
    if (m == WM_MBUTTONUP) {
      // A click without a move leaves the mode on: a second click ends it.
      if (moved) break;
      continue;
    }
    if (m == WM_PAINT && msg.hwnd == popup) {
      const win::PaintDC dc(popup);
      PaintPanWindow(dc.get(), picture.get());
      continue;
    }
    if (m >= WM_MOUSEFIRST && m <= WM_MOUSEWHEEL) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace treelist
