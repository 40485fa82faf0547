// The screen itself: what a window draws is where the capture finds it, with the frame the
// system draws around it, and real clicks and keys reach the window under them and the focus.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/screen_capture.h"
#include "support/user_input.h"

namespace {

using testsupport::ScreenCapture;

constexpr COLORREF kClientColour = RGB(40, 160, 90);

// A captioned top-level window that fills its client area with one colour and records the
// clicks and characters it gets.
class RecordingWindow {
 public:
  RecordingWindow() {
    static const ATOM atom = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = &RecordingWindow::Procedure;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      wc.lpszClassName = L"ScreenHarnessWindow";
      return RegisterClassW(&wc);
    }();
    hwnd_ = CreateWindowExW(0, MAKEINTATOM(atom), L"Screen harness", WS_OVERLAPPEDWINDOW, 120, 90,
                            300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
  }
  ~RecordingWindow() { DestroyWindow(hwnd_); }
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  const std::wstring& typed() const { return typed_; }
  const POINT& last_click() const { return last_click_; }
  int clicks() const { return clicks_; }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
      SetWindowLongPtrW(
          hwnd, GWLP_USERDATA,
          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
      case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(kClientColour);
        FillRect(reinterpret_cast<HDC>(wp), &client, brush);
        DeleteObject(brush);
        return 1;
      }
      case WM_LBUTTONDOWN:
        self->last_click_ = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ++self->clicks_;
        return 0;
      case WM_CHAR: self->typed_ += static_cast<wchar_t>(wp); return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  HWND hwnd_ = nullptr;
  std::wstring typed_;
  POINT last_click_{};
  int clicks_ = 0;
};

TEST(ScreenHarness, CapturesTheWindowWithItsFrameWhereItShows) {
  RecordingWindow window;
  ASSERT_TRUE(testsupport::BringToFront(window.hwnd()));
  testsupport::Settle(200);

  const ScreenCapture capture = ScreenCapture::OfWindow(window.hwnd());
  capture.Save("screen_harness_window");
  const RECT client = capture.ClientArea(window.hwnd());
  EXPECT_GT(capture.ShareOf(client, kClientColour, 4), 0.99);
  // The caption band above the client area is the system's, not the window's colour.
  const RECT caption = {client.left, 0, client.right, client.top};
  ASSERT_GT(caption.bottom, 10) << "no caption above the client area";
  EXPECT_LT(capture.ShareOf(caption, kClientColour, 4), 0.05);

  // The same pixels read from the whole screen: the capture is the screen's, not the window's.
  const ScreenCapture screen = ScreenCapture::OfScreen();
  const POINT origin = capture.origin();
  EXPECT_EQ(screen.Pixel(origin.x + client.left + 5, origin.y + client.top + 5), kClientColour);
}

TEST(ScreenHarness, ClicksAndKeysArriveAsAUserGivesThem) {
  RecordingWindow window;
  ASSERT_TRUE(testsupport::BringToFront(window.hwnd()));

  testsupport::Click(window.hwnd(), {37, 21});
  ASSERT_TRUE(testsupport::PumpUntil([&] { return window.clicks() == 1; }));
  EXPECT_EQ(window.last_click().x, 37);
  EXPECT_EQ(window.last_click().y, 21);

  testsupport::TypeText(L"a\u00e9");
  testsupport::PressKey('B', {VK_SHIFT});
  testsupport::PressKey('2');
  ASSERT_TRUE(testsupport::PumpUntil([&] { return window.typed().size() == 4; }));
  EXPECT_EQ(window.typed(), L"a\u00e9B2");
}

}  // namespace
