// Screen captures for the X11 tests.
#include "support/screen_capture.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "framework/win/handles.h"
#include "support/png_file.h"
#include "support/user_input.h"

namespace testsupport {

namespace {

RECT Clipped(const RECT& region, int width, int height) {
  return {std::max<LONG>(region.left, 0), std::max<LONG>(region.top, 0),
          std::min<LONG>(region.right, width), std::min<LONG>(region.bottom, height)};
}

BOOL CALLBACK NotePendingPaint(HWND child, LPARAM pending) {
  if (!GetUpdateRect(child, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(pending) = true;
  return FALSE;
}

// Whether the window or a window inside it still waits for its WM_PAINT.
bool PaintPending(HWND hwnd) {
  if (GetUpdateRect(hwnd, nullptr, FALSE)) return true;
  bool pending = false;
  EnumChildWindows(hwnd, NotePendingPaint, reinterpret_cast<LPARAM>(&pending));
  return pending;
}

}  // namespace

bool ColoursDiffer(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) > tolerance ||
         std::abs(GetGValue(a) - GetGValue(b)) > tolerance ||
         std::abs(GetBValue(a) - GetBValue(b)) > tolerance;
}

ScreenCapture ScreenCapture::OfScreen() {
  return Of({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

ScreenCapture ScreenCapture::OfWindow(HWND hwnd) {
  // The window's thread may still be painting, and Wine hands a window's pixels to the X server
  // a moment after its paint ends (later still on a busy machine): read the screen once nothing
  // waits for paint and two readings in a row agree.
  constexpr DWORD kBetweenReadings = 120;
  constexpr int kReadings = 25;
  PumpUntil([&] { return !PaintPending(hwnd); });
  RECT rect{};
  if (!GetWindowRect(hwnd, &rect)) throw std::runtime_error("capture: no such window");
  ScreenCapture last = Of(rect);
  for (int reading = 1; reading < kReadings; ++reading) {
    Settle(kBetweenReadings);
    ScreenCapture next = Of(rect);
    if (next.pixels_ == last.pixels_) return next;
    last = std::move(next);
  }
  return last;
}

ScreenCapture ScreenCapture::Of(const RECT& screen_rect) {
  // What was drawn must be on the X server before it is read back.
  GdiFlush();
  ScreenCapture capture;
  capture.origin_ = {screen_rect.left, screen_rect.top};
  capture.width_ = screen_rect.right - screen_rect.left;
  capture.height_ = screen_rect.bottom - screen_rect.top;
  if (capture.width_ <= 0 || capture.height_ <= 0) throw std::runtime_error("capture: empty");

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = capture.width_;
  info.bmiHeader.biHeight = -capture.height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  win::UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
  HDC screen = GetDC(nullptr);
  if (!bitmap || !memory || !screen) {
    if (screen) ReleaseDC(nullptr, screen);
    throw std::runtime_error("capture: no bitmap");
  }
  HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  const BOOL copied = BitBlt(memory.get(), 0, 0, capture.width_, capture.height_, screen,
                             screen_rect.left, screen_rect.top, SRCCOPY);
  SelectObject(memory.get(), old);
  ReleaseDC(nullptr, screen);
  if (!copied) {
    throw std::runtime_error("capture: the screen cannot be read (not the X11 driver?)");
  }
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  capture.pixels_.assign(source, source + capture.width_ * capture.height_);
  for (uint32_t& pixel : capture.pixels_) pixel &= 0x00FFFFFFu;
  return capture;
}

COLORREF ScreenCapture::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw std::out_of_range("capture: pixel");
  const uint32_t v = pixels_[y * width_ + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

RECT ScreenCapture::FromClient(HWND hwnd, RECT client) const {
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -origin_.x, -origin_.y);
  return client;
}

RECT ScreenCapture::ClientArea(HWND hwnd) const {
  RECT client{};
  GetClientRect(hwnd, &client);
  return FromClient(hwnd, client);
}

double ScreenCapture::ShareOf(const RECT& region, COLORREF colour, int tolerance) const {
  const RECT r = Clipped(region, width_, height_);
  int matching = 0;
  int total = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      ++total;
      if (!ColoursDiffer(Pixel(x, y), colour, tolerance)) ++matching;
    }
  }
  return total == 0 ? 0.0 : static_cast<double>(matching) / total;
}

RECT ScreenCapture::BoxWhere(const RECT& region,
                             const std::function<bool(COLORREF)>& wanted) const {
  const RECT r = Clipped(region, width_, height_);
  RECT box = {r.right, r.bottom, r.left, r.top};
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (!wanted(Pixel(x, y))) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  if (box.left >= box.right) return {};
  return box;
}

RECT ScreenCapture::BoxOf(const RECT& region, COLORREF colour, int tolerance) const {
  return BoxWhere(region, [&](COLORREF c) { return !ColoursDiffer(c, colour, tolerance); });
}

RECT ScreenCapture::InkBox(const RECT& region, COLORREF background, int tolerance) const {
  return BoxWhere(region, [&](COLORREF c) { return ColoursDiffer(c, background, tolerance); });
}

int ScreenCapture::DifferingPixels(const ScreenCapture& other, const RECT& region,
                                   int tolerance) const {
  const RECT r = Clipped(Clipped(region, width_, height_), other.width_, other.height_);
  int differing = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (ColoursDiffer(Pixel(x, y), other.Pixel(x, y), tolerance)) ++differing;
    }
  }
  return differing;
}

void ScreenCapture::Save(const std::string& name) const {
  WritePng(PicturePath(name), width_, height_, reinterpret_cast<const uint8_t*>(pixels_.data()),
           width_ * 4);
}

}  // namespace testsupport
