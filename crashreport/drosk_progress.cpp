// The progress of a long report and its bar window.
#include "crashreport/drosk_progress.h"

#include <string>

#include "crashreport/drosk_tools.h"
#include "crashreport/drosk_types.h"
#include "framework/win/module.h"

namespace drosk {

namespace {

constexpr int kBarHeight = 23;

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  const win::UniqueBrush brush(CreateSolidBrush(color));
  FillRect(dc, &rect, brush.get());
}

RECT Inset(RECT rect, int by) {
  InflateRect(&rect, -by, -by);
  return rect;
}

}  // namespace

TProgressBar::TProgressBar() {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  width_ = screenWidth / 2;
  window_.reset(CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP, (screenWidth - width_) / 2,
                                (screenHeight - kBarHeight) / 2, width_, kBarHeight, nullptr,
                                nullptr, win::ThisModule(), nullptr));
  if (!window_) throw DroskException("The progress window cannot be created.");
  windowDC_ = GetWindowDC(window_.get());
  memoryDC_.reset(CreateCompatibleDC(windowDC_));
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -kBarHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(windowDC_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!windowDC_ || !memoryDC_ || !bitmap_) {
    if (windowDC_) ReleaseDC(window_.get(), windowDC_);
    throw DroskException("The progress window cannot be drawn.");
  }
  oldBitmap_ = SelectObject(memoryDC_.get(), bitmap_.get());
  const HDC dc = memoryDC_.get();
  const RECT client{0, 0, width_, kBarHeight};
  Fill(dc, client, GetSysColor(COLOR_BTNHIGHLIGHT));
  Fill(dc, Inset(client, 1), GetSysColor(COLOR_BTNFACE));
  const win::UniqueBrush yellow(CreateSolidBrush(RGB(255, 255, 0)));
  const RECT frame = Inset(client, 2);
  FrameRect(dc, &frame, yellow.get());
  const win::UniquePen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
  const HGDIOBJ oldPen = SelectObject(dc, shadow.get());
  const RECT line = Inset(client, 1);
  MoveToEx(dc, line.left, line.bottom - 1, nullptr);
  LineTo(dc, line.right - 1, line.bottom - 1);
  LineTo(dc, line.right - 1, line.top - 1);
  SelectObject(dc, oldPen);
  SetBkMode(dc, TRANSPARENT);
  font_.reset(CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
  oldFont_ = SelectObject(dc, font_.get());
  // Paint at 0 from scratch: the stored position must not suppress the first picture.
  position_ = 1000;
  Paint(0);
  ShowWindow(window_.get(), SW_SHOW);
  BitBlt(windowDC_, 0, 0, width_, kBarHeight, dc, 0, 0, SRCCOPY);
}

TProgressBar::~TProgressBar() {
  const RECT client{0, 0, width_, kBarHeight};
  Fill(windowDC_, client, GetSysColor(COLOR_BTNFACE));
  SelectObject(memoryDC_.get(), oldFont_);
  SelectObject(memoryDC_.get(), oldBitmap_);
  ReleaseDC(window_.get(), windowDC_);
}

RECT TProgressBar::Inner() const { return Inset(RECT{0, 0, width_, kBarHeight}, 4); }

int TProgressBar::Edge(uint32_t position) const {
  const RECT inner = Inner();
  return inner.left + (inner.right - inner.left) * static_cast<int>(position) / 1000;
}

void TProgressBar::Blit(int left, int right) const {
  if (right > left) {
    BitBlt(windowDC_, left, 0, right - left, kBarHeight, memoryDC_.get(), left, 0, SRCCOPY);
  }
}

void TProgressBar::Paint(uint32_t position) {
  const int oldEdge = Edge(position_);
  const int edge = Edge(position);
  if (edge == oldEdge && (position + 5) / 10 == (position_ + 5) / 10) return;
  position_ = position;
  const HDC dc = memoryDC_.get();
  const RECT inner = Inner();
  const RECT done{inner.left, inner.top, edge, inner.bottom};
  const RECT rest{edge, inner.top, inner.right, inner.bottom};
  Fill(dc, done, GetSysColor(COLOR_BTNTEXT));
  Fill(dc, rest, GetSysColor(COLOR_BTNFACE));
  const std::string text = std::to_string((position + 5) / 10) + "%";
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  const int x = inner.right - 2 - size.cx;
  // Light on the done part, dark on the rest: the text stays readable where the edge crosses it.
  for (const auto& [part, color] : {std::pair{done, COLOR_BTNHIGHLIGHT}, {rest, COLOR_BTNTEXT}}) {
    SetTextColor(dc, GetSysColor(color));
    ExtTextOutA(dc, x, 4, ETO_CLIPPED, &part, text.c_str(), static_cast<UINT>(text.size()),
                nullptr);
  }
  Blit(std::min(oldEdge, edge), std::max(oldEdge, edge));
  Blit(inner.right - 2 * size.cx, inner.right);
}

std::unique_ptr<TProgress> ProgressCreate() {
  auto progress = std::make_unique<TProgress>();
  progress->startTicks = GetTickCount();
  return progress;
}

void ProgressAddPhase(TProgress* progress, uint64_t weight) {
  if (!progress) return;
  progress->phases.push_back({progress->total, weight});
  progress->total += weight;
}

void ProgressSetPosition(TProgress* progress, uint32_t position) noexcept {
  if (!progress || progress->startTicks == 0 || progress->current < 0 ||
      static_cast<size_t>(progress->current) >= progress->phases.size()) {
    return;
  }
  const TProgressPhase& phase = progress->phases[progress->current];
  const uint64_t done = phase.start + phase.weight * position / 1000;
  const uint64_t range = progress->total - progress->shownBase;
  const uint64_t overall = range ? (done - progress->shownBase) * 1000 / range : 1000;
  try {
    if (!progress->bar) {
      if (TickDiff(progress->startTicks) <= kProgressDelay || overall >= 500) return;
      progress->shownBase = done;
      progress->bar = std::make_unique<TProgressBar>();
    } else {
      progress->bar->Paint(static_cast<uint32_t>(overall));
    }
  } catch (...) {
    // No window station or no memory: the report goes on without a bar.
  }
}

void ProgressNextPhase(TProgress* progress) noexcept {
  if (!progress) return;
  ProgressSetPosition(progress, 1000);
  ++progress->current;
}

void ProgressFree(std::unique_ptr<TProgress>& progress) noexcept { progress.reset(); }

}  // namespace drosk
