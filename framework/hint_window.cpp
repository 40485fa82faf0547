// Hints.
#include "framework/hint_window.h"

#include <algorithm>
#include <cstdint>

#include "framework/application.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace framework {

namespace {
constexpr int kHintMargin = 3;

// How far the drawn letters of `text` reach right of its measured `box` (an italic f's top leans
// out, and a slant the system makes up for a face is not measured at all): the text is drawn
// clipped to its box, which must hold them. Drawn once in black on white to see where ink ends.
int InkPastBox(HDC dc, const std::wstring& text, const RECT& box) {
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int width = box.right - box.left + 2 * metrics.tmMaxCharWidth;
  const int height = box.bottom - box.top;
  if (width <= 0 || height <= 0) return 0;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const win::UniqueBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return 0;
  const int saved = SaveDC(dc);
  SelectObject(dc, bitmap.get());
  const RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  RECT layout{0, 0, box.right - box.left, height};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &layout,
            DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  int ink_right = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = width - 1; x >= ink_right; --x) {
      if ((pixels[y * width + x] & 0xFFFFFF) != 0xFFFFFF) {
        ink_right = x + 1;
        break;
      }
    }
  }
  RestoreDC(dc, saved);
  return std::max<int>(0, ink_right - layout.right);
}

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
  // Layered and transparent: clicks and the wheel go through to the window under the hint, of
  // whichever thread (HTTRANSPARENT alone passes them only to windows of the hint's own thread,
  // and Wine not even to those unless the hint's owner lies right below it).
  params.ex_style =
      WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT;
  params.parent = Application::Instance().Handle();
}

void THintWindow::AfterCreateWnd() {
  TCustomControl::AfterCreateWnd();
  SetLayeredWindowAttributes(Handle(), 0, 255, LWA_ALPHA);  // a layered window shows only so
}

RECT THintWindow::CalcHintRect(int max_width, const std::wstring& text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font().Handle());
  RECT rect{0, 0, max_width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  rect.right += InkPastBox(dc, text, rect);
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
