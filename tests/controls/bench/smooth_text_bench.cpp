// Timing program, run by hand: smooth text drawn and measured from a warm glyph cache, and new
// glyphs rendered at the largest supersampling factor.
#include <windows.h>

#include <cstdio>
#include <string>

#include "controls/smooth_text.h"
#include "tests/support/clock.h"

namespace {

template <class Body>
double MicrosecondsPerCall(int count, Body&& body) {
  const double start = testsupport::Seconds();
  for (int i = 0; i < count; ++i) body(i);
  return (testsupport::Seconds() - start) * 1e6 / count;
}

}  // namespace

int main() {
  const controls::TextFont font = controls::TextFont::OfSize(L"Tahoma", 8);
  const std::wstring text = L"Smooth text of forty characters, cached.";  // 40 characters
  const RECT rect = {0, 0, 400, 20};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 400;
  info.bmiHeader.biHeight = -20;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, target);
  PatBlt(dc, 0, 0, 400, 20, WHITENESS);

  controls::DrawSmoothText(dc, rect, text, {}, RGB(0, 0, 0), font);  // fills the cache
  const double draw = MicrosecondsPerCall(
      20000, [&](int) { controls::DrawSmoothText(dc, rect, text, {}, RGB(0, 0, 0), font); });
  const double measure =
      MicrosecondsPerCall(200000, [&](int) { controls::MeasureSmoothText(rect, text, 0, font); });
  // Each call meets a character the set has not seen (Latin, Greek, Cyrillic, ...): one rendering
  // at 16x.
  controls::TSmoothSymbolSet& set = controls::SmoothSymbolSet(font);
  const int renders_before = controls::SmoothTextCacheState().renders;
  const double render =
      MicrosecondsPerCall(2000, [&](int i) { set.Glyph(static_cast<wchar_t>(0x0100 + i)); });
  const controls::SmoothCacheState state = controls::SmoothTextCacheState();

  std::printf("draw 40 cached characters: %8.2f us   (target under 50 us)\n", draw);
  std::printf("measure them:              %8.2f us   (target under 5 us)\n", measure);
  std::printf(
      "render a new glyph:        %8.2f us   (target under 1000 us), factor %d, %d renders\n",
      render, state.last_factor, state.renders - renders_before);

  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);
  return 0;
}
