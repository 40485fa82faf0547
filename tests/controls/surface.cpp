// Test surfaces and their PNG pictures.
#include "surface.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "support/png_file.h"

namespace xptest {

std::string Colours(std::initializer_list<COLORREF> colours) {
  std::string out;
  char text[8];
  for (const COLORREF c : colours) {
    std::snprintf(text, sizeof text, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    out += (out.empty() ? "" : " ") + std::string(text);
  }
  return out;
}

std::string Pixels(const Surface& surface, std::initializer_list<POINT> points) {
  std::string out;
  for (const POINT p : points) out += (out.empty() ? "" : " ") + Colours({surface.Pixel(p.x, p.y)});
  return out;
}

int Differences(const Surface& a, const Surface& b, const RECT& area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += a.Pixel(x, y) != b.Pixel(x, y);
  }
  return count;
}

bool SamePixels(const Surface& a, const Surface& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         Differences(a, b, {0, 0, a.width(), a.height()}) == 0;
}

int CountOfColour(const Surface& surface, const RECT& area, COLORREF colour) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) count += surface.Pixel(x, y) == colour;
  }
  return count;
}

int CountOtherThan(const Surface& surface, const RECT& area, COLORREF colour) {
  return (area.right - area.left) * (area.bottom - area.top) - CountOfColour(surface, area, colour);
}

int CountDark(const Surface& surface, const RECT& area) {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF c = surface.Pixel(x, y);
      count += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
    }
  }
  return count;
}

RECT Whole(const Surface& surface) { return {0, 0, surface.width(), surface.height()}; }

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

void ExpectTurnedTextReads(const Surface& surface, bool down, const std::string& name) {
  SCOPED_TRACE(down ? "top to bottom" : "bottom to top");
  const RECT box = surface.InkBox(RGB(255, 255, 255));
  EXPECT_GT(box.bottom - box.top, 2 * (box.right - box.left)) << "the text runs upright";
  const double middle = (box.top + box.bottom) / 2.0;
  const double centre = surface.InkCentreY(RGB(255, 255, 255));
  EXPECT_TRUE(down ? centre < middle && box.top <= 7
                   : centre > middle && box.bottom >= surface.height() - 7)
      << "the start, " << (down ? box.top : box.bottom) << ", and the weight, " << centre;
  WritePicture(surface, name, 3);
}

void WritePicture(const Surface& surface, const std::string& name, int scale) {
  const int w = surface.width() * scale;
  const int h = surface.height() * scale;
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const COLORREF c = surface.Pixel(x / scale, y / scale);
      uint8_t* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
      p[3] = 255;
    }
  }
  testsupport::WritePng(testsupport::PicturePath(name), w, h, pixels.data(), w * 4);
}

}  // namespace xptest
