// The popup host.
#include "editors/popup_host.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/window_services.h"
#include "controls/xp_combobox.h"
#include "editors/gdi_scope.h"
#include "editors/inplace_edit.h"
#include "framework/win/handles.h"

namespace editors {

TdxPopupHost::TdxPopupHost(TdxInplaceEdit& editor) : TCustomControl(&editor), editor_(editor) {
  SetVisible(false);
}

TdxPopupHost::~TdxPopupHost() {
  if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
}

void TdxPopupHost::CreateParams(framework::TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.style = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | FrameStyle();
  params.ex_style = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.parent = GetAncestor(editor_.Handle(), GA_ROOT);
}

// The drawn frame is the window's own non-client area; a sizing frame is the system's.
DWORD TdxPopupHost::FrameStyle() const { return sizeable_ ? WS_THICKFRAME : 0; }

int TdxPopupHost::BorderWidth() const {
  if (sizeable_) return 0;
  return border_ == TdxPopupBorder::pbFrame3D ? 2 : 1;
}

SIZE TdxPopupHost::FrameSize() const {
  RECT frame{};
  AdjustWindowRectEx(&frame, FrameStyle(), FALSE, 0);
  const int drawn = 2 * BorderWidth();
  return {frame.right - frame.left + drawn, frame.bottom - frame.top + drawn};
}

void TdxPopupHost::PaintBorder(HDC dc) const {
  RECT window{};
  GetWindowRect(hwnd_, &window);
  RECT frame{0, 0, window.right - window.left, window.bottom - window.top};
  switch (border_) {
    case TdxPopupBorder::pbFrame3D: DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT); return;
    case TdxPopupBorder::pbFlat: FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW)); return;
    case TdxPopupBorder::pbDefault:
    case TdxPopupBorder::pbSingle: break;
  }
  FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
}

void TdxPopupHost::Popup(std::unique_ptr<TdxPopupContent> content, int width,
                         TdxPopupAlignment alignment, TdxPopupBorder border, bool sizeable) {
  retired_.reset();
  content_ = std::move(content);
  sizing_ = false;
  border_ = border;
  if (sizeable != sizeable_) {
    sizeable_ = sizeable;
    if (HandleAllocated()) RecreateWnd();
  }
  RECT editor{};
  GetWindowRect(editor_.Handle(), &editor);
  const int editor_width = editor.right - editor.left;
  const SIZE frame = FrameSize();
  const int frame_x = frame.cx, frame_y = frame.cy;
  SIZE size{};
  {
    // The content's measuring may throw: the DC goes back either way.
    const win::WindowDC dc(editor_.Handle());
    SelectScope font(dc.get(), editor_.Font().Handle());
    size = content_->PreferredSize(dc.get(), (width > 0 ? width : editor_width) - frame_x);
  }
  size.cx = std::max<LONG>(1, size.cx + frame_x);
  size.cy = std::max<LONG>(1, size.cy + frame_y);
  RECT anchor = editor;
  if (alignment == TdxPopupAlignment::Right) anchor.left = editor.right - size.cx;
  if (alignment == TdxPopupAlignment::Center)
    anchor.left = (editor.left + editor.right - size.cx) / 2;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  const POINT centre{(editor.left + editor.right) / 2, (editor.top + editor.bottom) / 2};
  RECT bounds{anchor.left, editor.bottom, anchor.left + size.cx, editor.bottom + size.cy};
  if (controls::GetMonitorInfoAtPoint(centre, monitor)) {
    bounds = controls::DropDownBounds(anchor, size, monitor.rcWork);
  }
  SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  // The frame is measured again: the border may differ from the last popup's.
  SetWindowPos(Handle(), HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetVisible(true);
  content_->Attach(*this);
  Invalidate();
  if (HWND focus = content_->FocusWindow()) ::SetFocus(focus);
  SetCapture(hwnd_);
}

void TdxPopupHost::Close() {
  sizing_ = false;
  if (hwnd_ && IsChild(hwnd_, GetFocus())) ::SetFocus(editor_.Handle());
  // Hidden before the mouse is let go, so that losing the mouse finds the popup shut.
  SetVisible(false);
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
  if (content_) retired_ = std::move(content_);
}

int TdxPopupHost::TrackMenu(HMENU menu, POINT screen) {
  menu_open_ = true;
  const int command = static_cast<int>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, screen.x, screen.y, 0, hwnd_, nullptr));
  menu_open_ = false;
  TakeMouseBack();
  return command;
}

void TdxPopupHost::TakeMouseBack() {
  if (IsOpen() && !GetCapture()) SetCapture(hwnd_);
}

bool TdxPopupHost::IsOpen() const { return content_ && hwnd_ && IsWindowVisible(hwnd_); }

void TdxPopupHost::Act(TdxPopupAction action) {
  if (action == TdxPopupAction::None || !OnCloseRequest) return;
  OnCloseRequest(action == TdxPopupAction::Accept);
}

bool TdxPopupHost::BeginSizing(POINT client_point) {
  const RECT client = ClientRect();
  size_right_ = client_point.x >= client.right;
  size_bottom_ = client_point.y >= client.bottom;
  if (!sizeable_ || !(size_right_ || size_bottom_)) return false;
  RECT window{};
  GetWindowRect(hwnd_, &window);
  size_origin_ = client_point;
  ::ClientToScreen(hwnd_, &size_origin_);
  if (!PtInRect(&window, size_origin_)) return false;
  size_start_ = {window.right - window.left, window.bottom - window.top};
  sizing_ = true;
  return true;
}

void TdxPopupHost::Size(POINT client_point) {
  ::ClientToScreen(hwnd_, &client_point);
  // Never smaller than the frame and a little room inside it.
  const SIZE frame = FrameSize();
  const int least_x = frame.cx + 20, least_y = frame.cy + 20;
  const int width = size_start_.cx + (size_right_ ? client_point.x - size_origin_.x : 0);
  const int height = size_start_.cy + (size_bottom_ ? client_point.y - size_origin_.y : 0);
  SetWindowPos(hwnd_, nullptr, 0, 0, std::max(width, least_x), std::max(height, least_y),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate();
}

bool TdxPopupHost::ForwardToContentWindow(const framework::TMessage& message, POINT client_point) {
  const RECT client = ClientRect();
  if (sizing_ || !PtInRect(&client, client_point)) return false;
  HWND child = ChildWindowFromPointEx(hwnd_, client_point, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
  if (!child || child == hwnd_) return false;
  POINT screen = client_point;
  ::ClientToScreen(hwnd_, &screen);
  const LPARAM screen_point = MAKELPARAM(screen.x, screen.y);
  const auto hit = static_cast<WORD>(SendMessageW(child, WM_NCHITTEST, 0, screen_point));
  if (message.msg == WM_MOUSEMOVE) {
    SendMessageW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child),
                 MAKELPARAM(hit, WM_MOUSEMOVE));
  }
  if (hit == HTCLIENT) {
    POINT local = screen;
    ::ScreenToClient(child, &local);
    SendMessageW(child, message.msg, message.wParam, MAKELPARAM(local.x, local.y));
  } else {
    // The system numbers the non-client mouse messages alike, a fixed distance below.
    SendMessageW(child, message.msg - (WM_MOUSEMOVE - WM_NCMOUSEMOVE), hit, screen_point);
  }
  TakeMouseBack();  // a scroll bar's drag ends with the mouse let go
  return true;
}

void TdxPopupHost::WndProc(framework::TMessage& message) {
  const POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
  const RECT client = ClientRect();
  switch (message.msg) {
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      if (ForwardToContentWindow(message, point)) return;
      break;
    case WM_MOUSEMOVE:
      if (ForwardToContentWindow(message, point)) return;
      if (sizing_) {
        Size(point);
      } else if (content_) {
        content_->MouseMove(point);
        Invalidate();
      }
      return;
    case WM_LBUTTONDOWN:
      // A press outside the popup (it holds the mouse) closes it without a choice; one on a
      // sizeable popup's frame sizes it.
      if (ForwardToContentWindow(message, point)) return;
      if (!PtInRect(&client, point)) {
        if (!BeginSizing(point)) Act(TdxPopupAction::Cancel);
      } else if (content_) {
        Act(content_->MouseDown(point));
        Invalidate();
      }
      return;
    case WM_LBUTTONUP:
      if (sizing_) {
        sizing_ = false;
        return;
      }
      if (ForwardToContentWindow(message, point)) return;
      if (content_ && PtInRect(&client, point)) Act(content_->MouseUp(point));
      if (IsOpen() && GetCapture() != hwnd_) SetCapture(hwnd_);
      return;
    case WM_CAPTURECHANGED: {
      // A window of the content may borrow the mouse for its own drag.
      const auto to = reinterpret_cast<HWND>(message.lParam);
      if (to != hwnd_ && !IsChild(hwnd_, to) && !menu_open_ && IsOpen()) {
        Act(TdxPopupAction::Cancel);
      }
      return;
    }
    case WM_NCCALCSIZE:
      if (const int width = BorderWidth()) {
        // The first rectangle (the window's, in either form of the message) becomes the client's.
        auto* rect = reinterpret_cast<RECT*>(message.lParam);
        InflateRect(rect, -width, -width);
        message.result = 0;
        return;
      }
      break;
    case WM_NCPAINT:
      if (BorderWidth()) {
        const win::WindowDC dc(hwnd_, true);
        PaintBorder(dc.get());
        message.result = 0;
        return;
      }
      break;
    case WM_PRINT:
      if (const int width = BorderWidth()) {
        // The frame and then the client inside it, as the screen shows them.
        const HDC dc = reinterpret_cast<HDC>(message.wParam);
        if (message.lParam & PRF_NONCLIENT) PaintBorder(dc);
        if (message.lParam & PRF_CLIENT) {
          POINT origin{};
          OffsetViewportOrgEx(dc, width, width, &origin);
          SendMessageW(hwnd_, WM_PRINTCLIENT, message.wParam, message.lParam);
          SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        }
        message.result = 0;
        return;
      }
      break;
    case WM_CONTEXTMENU:
      if (content_) {
        POINT at = point;
        if (message.lParam == -1) {  // the menu key: at the popup's centre
          at = {client.right / 2, client.bottom / 2};
          ::ClientToScreen(hwnd_, &at);
        }
        content_->ContextMenu(at);
      }
      return;
    case WM_MOUSEACTIVATE: message.result = MA_NOACTIVATE; return;
    case WM_ERASEBKGND: message.result = 1; return;
  }
  TCustomControl::WndProc(message);
}

void TdxPopupHost::Paint() {
  const RECT client = ClientRect();
  HDC dc = Canvas().Handle();
  if (!content_) {
    Canvas().Brush().SetColor(framework::clWindow);
    Canvas().FillRect(client);
    return;
  }
  SelectObject(dc, editor_.Font().Handle());
  content_->Paint(dc, client);
}

}  // namespace editors
