// Rendering controls for pixel checks.
#include "render.h"

#include "support/png_file.h"

namespace testsupport {

using namespace framework;

uint32_t PixelAt(const TBitmap& bitmap, int x, int y) {
  const auto* row = static_cast<const uint8_t*>(bitmap.ScanLineForReading(y));
  const int step = bitmap.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;
  return row[x * step] << 16 | row[x * step + 1] << 8 | row[x * step + 2];
}

int CountPixels(const TBitmap& bitmap, const RECT& area, uint32_t color) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += PixelAt(bitmap, x, y) == color;
  }
  return count;
}

std::unique_ptr<TBitmap> Render(TControl& control) {
  auto bitmap = std::make_unique<TBitmap>(std::max(control.ClientWidth(), 1),
                                          std::max(control.ClientHeight(), 1));
  control.PaintTo(bitmap->Canvas().Handle(), 0, 0);
  return bitmap;
}

void SavePicture(const TBitmap& bitmap, const std::string& name) {
  TBitmap copy;
  copy.Assign(bitmap);
  copy.SetPixelFormat(TPixelFormat::pf32bit);
  // Bottom-up rows: the top row and a negative stride.
  const auto* top = static_cast<const uint8_t*>(copy.ScanLineForReading(0));
  const int stride =
      copy.Height() > 1
          ? static_cast<int>(static_cast<const uint8_t*>(copy.ScanLineForReading(1)) - top)
          : copy.Width() * 4;
  WritePng(PicturePath(name), copy.Width(), copy.Height(), top, stride);
}

}  // namespace testsupport
