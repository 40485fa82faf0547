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
  params.style = WS_POPUP | WS_CLIPSIBLINGS | (border_ ? WS_BORDER : 0);
  params.ex_style = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.parent = GetAncestor(editor_.Handle(), GA_ROOT);
}

void TdxPopupHost::Popup(std::unique_ptr<TdxPopupContent> content, int width,
                         TdxPopupAlignment alignment, bool border) {
  content_ = std::move(content);
  if (border != border_) {
    border_ = border;
    if (HandleAllocated()) RecreateWnd();
  }
  RECT editor{};
  GetWindowRect(editor_.Handle(), &editor);
  const int editor_width = editor.right - editor.left;
  const int frame = border_ ? 2 * GetSystemMetrics(SM_CXBORDER) : 0;
  SIZE size{};
  {
    // The content's measuring may throw: the DC goes back either way.
    const win::WindowDC dc(editor_.Handle());
    SelectScope font(dc.get(), editor_.Font().Handle());
    size = content_->PreferredSize(dc.get(), (width > 0 ? width : editor_width) - frame);
  }
  size.cx = std::max<LONG>(1, size.cx + frame);
  size.cy = std::max<LONG>(1, size.cy + frame);
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
  SetWindowPos(Handle(), HWND_TOPMOST, bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  SetVisible(true);
  Invalidate();
  SetCapture(hwnd_);
}

void TdxPopupHost::Close() {
  // Hidden before the mouse is let go, so that losing the mouse finds the popup shut.
  SetVisible(false);
  if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
  if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
  content_.reset();
}

bool TdxPopupHost::IsOpen() const { return content_ && hwnd_ && IsWindowVisible(hwnd_); }

void TdxPopupHost::Act(TdxPopupAction action) {
  if (action == TdxPopupAction::None || !OnCloseRequest) return;
  OnCloseRequest(action == TdxPopupAction::Accept);
}

void TdxPopupHost::WndProc(framework::TMessage& message) {
  const POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
  const RECT client = ClientRect();
  switch (message.msg) {
    case WM_MOUSEMOVE:
      if (content_) {
        content_->MouseMove(point);
        Invalidate();
      }
      return;
    case WM_LBUTTONDOWN:
      // A press outside the popup (it holds the mouse) closes it without a choice.
      if (!PtInRect(&client, point)) {
        Act(TdxPopupAction::Cancel);
      } else if (content_) {
        Act(content_->MouseDown(point));
        Invalidate();
      }
      return;
    case WM_LBUTTONUP:
      if (content_ && PtInRect(&client, point)) Act(content_->MouseUp(point));
      if (IsOpen() && GetCapture() != hwnd_) SetCapture(hwnd_);
      return;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(message.lParam) != hwnd_ && IsOpen()) Act(TdxPopupAction::Cancel);
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
