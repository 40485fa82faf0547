// Hints.
#include "framework/hint_window.h"

#include "framework/application.h"
#include "framework/win/text.h"

namespace framework {

namespace {
constexpr int kHintMargin = 3;
}  // namespace

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner) {
  SetVisible(false);
  SetParentColor(false);
  SetColor(clInfoBk);
  Font().SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.style = WS_POPUP | WS_BORDER;
  params.ex_style = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.parent = Application::Instance().Handle();
}

RECT THintWindow::CalcHintRect(int max_width, const std::wstring& text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font().Handle());
  RECT rect{0, 0, max_width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteDC(dc);
  rect.right += 2 * kHintMargin + 2;  // the margin and the border
  rect.bottom += 2 * kHintMargin + 2;
  return rect;
}

void THintWindow::ActivateHint(const RECT& screen_rect, const std::wstring& text) {
  SetCaption(text);
  SetBounds(screen_rect.left, screen_rect.top, screen_rect.right - screen_rect.left,
            screen_rect.bottom - screen_rect.top);
  SetVisible(true);
  Invalidate();
}

void THintWindow::WndProc(TMessage& message) {
  if (message.msg == CM_VISIBLECHANGED) {
    if (Visible()) {
      SetWindowPos(Handle(), HWND_TOPMOST, Left(), Top(), Width(), Height(),
                   SWP_SHOWWINDOW | SWP_NOACTIVATE);
    } else if (HandleAllocated()) {
      ShowWindow(Handle(), SW_HIDE);
    }
    return;
  }
  if (message.msg == WM_NCHITTEST) {
    message.result = HTTRANSPARENT;  // the mouse belongs to what is under the hint
    return;
  }
  TCustomControl::WndProc(message);
}

void THintWindow::Paint() {
  RECT rect = ClientRect();
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(rect);
  InflateRect(&rect, -kHintMargin, -kHintMargin);
  HDC dc = Canvas().Handle();
  SelectObject(dc, Canvas().Font().Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font().Color()));
  DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &rect, DT_WORDBREAK | DT_NOPREFIX);
}

THintController& THintController::Instance() {
  static THintController controller;
  return controller;
}

THintController::THintController() : TComponent(nullptr) {}

void THintController::MouseEntered(TControl& control) {
  if (&control == control_) return;
  CancelHint();
  if (!control.ShowHint() || control.Hint().empty()) return;
  control_ = &control;
  control.FreeNotification(this);
  timer_ = SetTimer(nullptr, 0, static_cast<UINT>(hint_pause_), Elapsed);
}

void THintController::MouseLeft(TControl& control) {
  if (&control == control_) CancelHint();
}

void THintController::CancelHint() {
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
  if (control_) control_->RemoveFreeNotification(this);
  control_ = nullptr;
  if (shown_ && window_) window_->SetVisible(false);
  shown_ = false;
}

void THintController::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == control_) CancelHint();
  if (component == window_) window_ = nullptr;
}

void CALLBACK THintController::Elapsed(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
  try {
    KillTimer(nullptr, timer);
    THintController& self = Instance();
    if (timer != self.timer_) return;
    self.timer_ = 0;
    self.Show();
  } catch (...) {
    Application::Instance().HandleException();
  }
}

void THintController::Show() {
  if (!control_ || !control_->Showing()) return;
  if (!window_) window_ = new THintWindow(this);
  POINT cursor{};
  GetCursorPos(&cursor);
  const std::wstring text = win::Widen(control_->Hint());
  RECT rect = window_->CalcHintRect(300, text);
  OffsetRect(&rect, cursor.x, cursor.y + 20);  // below the cursor
  window_->ActivateHint(rect, text);
  shown_ = true;
}

}  // namespace framework
