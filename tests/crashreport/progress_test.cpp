// The progress of a long report: the bar appears only for slow work far from done, starts at 0
// and ends at 100%.
#include "crashreport/drosk_progress.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "framework/win/handles.h"
#include "support/png_file.h"

namespace {

using drosk::TProgress;

// A progress that began `ago` milliseconds before now, with phases of the given weights.
std::unique_ptr<TProgress> Started(uint32_t ago, std::vector<uint64_t> weights) {
  auto progress = drosk::ProgressCreate();
  progress->startTicks -= ago;
  for (uint64_t weight : weights) drosk::ProgressAddPhase(progress.get(), weight);
  return progress;
}

// The bar window's picture: 32-bit pixels, top row first.
std::vector<uint32_t> Picture(HWND window, int& width, int& height) {
  RECT rect;
  GetWindowRect(window, &rect);
  width = rect.right - rect.left;
  height = rect.bottom - rect.top;
  std::vector<uint32_t> pixels(width * height);
  const HDC source = GetWindowDC(window);
  const win::UniqueMemoryDc dc(CreateCompatibleDC(source));
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const win::UniqueBitmap bitmap(
      CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
  BitBlt(dc.get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  GdiFlush();
  std::memcpy(pixels.data(), bits, pixels.size() * 4);
  SelectObject(dc.get(), old);
  ReleaseDC(window, source);
  return pixels;
}

uint32_t Rgb(COLORREF colour) {
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

}  // namespace

TEST(TProgress, TheBarAppearsOnlyForSlowWorkLessThanHalfDone) {
  const struct {
    uint32_t ago;
    std::vector<uint64_t> weights;
    bool phaseEnded;  // the first phase ended before the position is set
    uint32_t position;
    const char* why;
  } cases[] = {{0, {10}, false, 100, "within 750 ms"},
               {700, {10}, false, 100, "at the limit"},
               {800, {10, 10}, true, 0, "the first of two equal phases: half done"},
               {800, {10}, true, 10, "past the last phase"}};
  for (const auto& c : cases) {
    auto progress = Started(c.ago, c.weights);
    if (c.phaseEnded) drosk::ProgressNextPhase(progress.get());
    drosk::ProgressSetPosition(progress.get(), c.position);
    EXPECT_EQ(progress->bar, nullptr) << c.why;
  }
  // Nothing to do with a null progress.
  drosk::ProgressSetPosition(nullptr, 10);
  drosk::ProgressNextPhase(nullptr);
}

TEST(TProgress, ALateBarStartsAtZeroAndEndsAtAHundredPercent) {
  auto progress = Started(800, {300, 100});
  drosk::ProgressSetPosition(progress.get(), 400);  // 120 of 400 done: 30%
  ASSERT_NE(progress->bar, nullptr);
  const HWND window = progress->bar->Window();
  EXPECT_EQ(progress->bar->Position(), 0u);
  EXPECT_EQ(progress->shownBase, 120u);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_EQ(rect.bottom - rect.top, 23);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2);

  // The rest of the first phase is 180 of the remaining 280.
  drosk::ProgressNextPhase(progress.get());
  EXPECT_EQ(progress->bar->Position(), 180u * 1000 / 280);
  drosk::ProgressSetPosition(progress.get(), 500);
  EXPECT_EQ(progress->bar->Position(), 230u * 1000 / 280);
  int width = 0, height = 0;
  std::vector<uint32_t> pixels = Picture(window, width, height);
  testsupport::WritePng(testsupport::PicturePath("progress_bar"), width, height,
                        reinterpret_cast<const uint8_t*>(pixels.data()), width * 4);
  const int inner = width - 8;
  const int edge = 4 + inner * 821 / 1000;
  const auto at = [&](int x, int y) { return pixels[y * width + x] & 0xFFFFFF; };
  EXPECT_EQ(at(0, 0), Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)));
  EXPECT_EQ(at(2, 10), 0xFFFF00u) << "the yellow frame";
  EXPECT_EQ(at(width - 2, 10), Rgb(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(at(6, 5), Rgb(GetSysColor(COLOR_BTNTEXT))) << "done";
  EXPECT_EQ(at(edge - 2, 18), Rgb(GetSysColor(COLOR_BTNTEXT)));
  EXPECT_EQ(at(edge + 2, 18), Rgb(GetSysColor(COLOR_BTNFACE))) << "still to do";

  drosk::ProgressNextPhase(progress.get());
  EXPECT_EQ(progress->bar->Position(), 1000u);
  drosk::ProgressFree(progress);
  EXPECT_EQ(progress, nullptr);
  EXPECT_FALSE(IsWindow(window));
}
