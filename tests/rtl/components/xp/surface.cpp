// Test surfaces and their PNG pictures.
#include "surface.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "support/test_paths.h"

namespace xptest {

Surface::Surface(int width, int height, COLORREF fill) : width_(width), height_(height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  dc_.reset(CreateCompatibleDC(nullptr));
  if (!bitmap_ || !dc_) throw std::runtime_error("no test surface");
  bits_ = static_cast<uint32_t*>(bits);
  old_ = SelectObject(dc_.get(), bitmap_.get());
  Fill(fill);
}

Surface::~Surface() { SelectObject(dc_.get(), old_); }

void Surface::Fill(COLORREF colour) {
  GdiFlush();
  const uint32_t value =
      0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  for (int i = 0; i < width_ * height_; ++i) bits_[i] = value;
}

COLORREF Surface::Pixel(int x, int y) const {
  GdiFlush();
  const uint32_t v = bits_[y * width_ + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

uint8_t Surface::Alpha(int x, int y) const {
  GdiFlush();
  return static_cast<uint8_t>(bits_[y * width_ + x] >> 24);
}

void Surface::MakeOpaque() {
  GdiFlush();
  for (int i = 0; i < width_ * height_; ++i) bits_[i] |= 0xFF000000u;
}

void Surface::SetRaw(int x, int y, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  GdiFlush();
  bits_[y * width_ + x] = (static_cast<uint32_t>(alpha) << 24) | (red << 16) | (green << 8) | blue;
}

RECT Surface::InkBox(COLORREF background) const {
  RECT box = {width_, height_, 0, 0};
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      if (Pixel(x, y) == background) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  if (box.right == 0) box = {0, 0, 0, 0};
  return box;
}

double Surface::InkCentreY(COLORREF background) const {
  double sum = 0;
  double weight = 0;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const COLORREF c = Pixel(x, y);
      const double w = std::abs(GetRValue(c) - GetRValue(background)) +
                       std::abs(GetGValue(c) - GetGValue(background)) +
                       std::abs(GetBValue(c) - GetBValue(background));
      sum += w * y;
      weight += w;
    }
  }
  return weight ? sum / weight : 0;
}

namespace {

void Chunk(std::string& out, const char* type, const std::string& data) {
  const uint32_t length = static_cast<uint32_t>(data.size());
  const char size[4] = {static_cast<char>(length >> 24), static_cast<char>(length >> 16),
                        static_cast<char>(length >> 8), static_cast<char>(length)};
  out.append(size, 4);
  const std::string body = std::string(type, 4) + data;
  out += body;
  const uint32_t crc =
      crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
  const char sum[4] = {static_cast<char>(crc >> 24), static_cast<char>(crc >> 16),
                       static_cast<char>(crc >> 8), static_cast<char>(crc)};
  out.append(sum, 4);
}

}  // namespace

void WritePicture(const Surface& surface, const std::string& name, int scale) {
  const int w = surface.width() * scale;
  const int h = surface.height() * scale;
  std::string raw;
  raw.reserve(static_cast<size_t>(h) * (w * 3 + 1));
  for (int y = 0; y < h; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < w; ++x) {
      const COLORREF c = surface.Pixel(x / scale, y / scale);
      raw += static_cast<char>(GetRValue(c));
      raw += static_cast<char>(GetGValue(c));
      raw += static_cast<char>(GetBValue(c));
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
  packed.resize(size);
  const char header[13] = {static_cast<char>(w >> 24),
                           static_cast<char>(w >> 16),
                           static_cast<char>(w >> 8),
                           static_cast<char>(w),
                           static_cast<char>(h >> 24),
                           static_cast<char>(h >> 16),
                           static_cast<char>(h >> 8),
                           static_cast<char>(h),
                           8,
                           2,
                           0,
                           0,
                           0};  // 8 bits, RGB
  std::string png = "\x89PNG\r\n\x1a\n";
  Chunk(png, "IHDR", std::string(header, 13));
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  const std::string folder = testsupport::BinaryPath("..\\pictures");
  CreateDirectoryA(folder.c_str(), nullptr);
  testsupport::WriteFile(folder + "\\" + name + ".png", png);
}

}  // namespace xptest
