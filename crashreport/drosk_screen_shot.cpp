// The screen shot and its PNG writer, with a variance-minimising colour quantiser.
#include "crashreport/drosk_screen_shot.h"

#include <windows.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crashreport/drosk_zip.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {
namespace {

constexpr uint8_t kGreyLevels[16] = {0,   28,  52,  73,  92,  109, 125, 140,
                                     155, 170, 185, 199, 213, 227, 241, 255};
constexpr size_t kGreyLimits[4] = {51200, 102400, 204800, 307200};  // size codes 2 to 5
constexpr uint16_t kUnknown = 0xFFFF;
constexpr uint32_t kAdlerModulo = 65521;
constexpr size_t kAdlerRun = 3854;  // bytes the sums may take before they must be reduced

void PutWord(std::string& data, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) data += static_cast<char>(value >> shift);
}

uint32_t Adler32(std::string_view data) {
  uint32_t a = 1, b = 0;
  while (!data.empty()) {
    const size_t run = std::min(kAdlerRun, data.size());
    for (size_t i = 0; i < run; ++i) {
      a += static_cast<uint8_t>(data[i]);
      b += a;
    }
    a %= kAdlerModulo;
    b %= kAdlerModulo;
    data.remove_prefix(run);
  }
  return b << 16 | a;
}

// The histogram and moments of the quantiser: 33 cells per axis, index 0 of each axis empty.
class ColourQuantiser {
 public:
  static constexpr int kSide = 33;
  static constexpr int kCells = kSide * kSide * kSide;

  void Add(uint8_t red, uint8_t green, uint8_t blue) {
    const int cell = Index((red >> 3) + 1, (green >> 3) + 1, (blue >> 3) + 1);
    ++weight_[cell];
    red_[cell] += red;
    green_[cell] += green;
    blue_[cell] += blue;
    squares_[cell] += double(red) * red + double(green) * green + double(blue) * blue;
  }

  // Up to 256 entries of red, green and blue.
  std::string Palette() {
    Cumulate();
    std::vector<Box> boxes(1, Box{0, 32, 0, 32, 0, 32});
    std::vector<double> variance(256, 0.0);
    variance[0] = Variance(boxes[0]);
    int next = 0;
    while (boxes.size() < 256) {
      Box second;
      if (Cut(boxes[next], second)) {
        variance[next] = Volume(boxes[next]) > 1 ? Variance(boxes[next]) : 0;
        variance[boxes.size()] = Volume(second) > 1 ? Variance(second) : 0;
        boxes.push_back(second);
      } else {
        variance[next] = 0;
      }
      next = 0;
      double largest = variance[0];
      for (size_t i = 1; i < boxes.size(); ++i)
        if (variance[i] > largest) largest = variance[i], next = static_cast<int>(i);
      if (largest <= 0) break;
    }
    std::string palette(768, '\0');
    for (size_t i = 0; i < boxes.size(); ++i) {
      const int64_t count = Sum(boxes[i], weight_);
      if (count == 0) continue;
      palette[i * 3] = static_cast<char>(Sum(boxes[i], red_) / count);
      palette[i * 3 + 1] = static_cast<char>(Sum(boxes[i], green_) / count);
      palette[i * 3 + 2] = static_cast<char>(Sum(boxes[i], blue_) / count);
    }
    return palette;
  }

 private:
  // Lower bounds exclusive, upper bounds inclusive.
  struct Box {
    int r0, r1, g0, g1, b0, b1;
  };

  static int Index(int r, int g, int b) { return r * kSide * kSide + g * kSide + b; }
  static int Volume(const Box& box) {
    return (box.r1 - box.r0) * (box.g1 - box.g0) * (box.b1 - box.b0);
  }

  void Cumulate() {
    for (int r = 1; r < kSide; ++r) {
      std::array<int64_t, kSide> area{}, areaRed{}, areaGreen{}, areaBlue{};
      std::array<double, kSide> areaSquares{};
      for (int g = 1; g < kSide; ++g) {
        int64_t line = 0, lineRed = 0, lineGreen = 0, lineBlue = 0;
        double lineSquares = 0;
        for (int b = 1; b < kSide; ++b) {
          const int cell = Index(r, g, b);
          line += weight_[cell];
          lineRed += red_[cell];
          lineGreen += green_[cell];
          lineBlue += blue_[cell];
          lineSquares += squares_[cell];
          area[b] += line;
          areaRed[b] += lineRed;
          areaGreen[b] += lineGreen;
          areaBlue[b] += lineBlue;
          areaSquares[b] += lineSquares;
          const int below = Index(r - 1, g, b);
          weight_[cell] = weight_[below] + area[b];
          red_[cell] = red_[below] + areaRed[b];
          green_[cell] = green_[below] + areaGreen[b];
          blue_[cell] = blue_[below] + areaBlue[b];
          squares_[cell] = squares_[below] + areaSquares[b];
        }
      }
    }
  }

  template <class T>
  static T Sum(const Box& x, const std::vector<T>& m) {
    return m[Index(x.r1, x.g1, x.b1)] - m[Index(x.r1, x.g1, x.b0)] - m[Index(x.r1, x.g0, x.b1)] +
           m[Index(x.r1, x.g0, x.b0)] - m[Index(x.r0, x.g1, x.b1)] + m[Index(x.r0, x.g1, x.b0)] +
           m[Index(x.r0, x.g0, x.b1)] - m[Index(x.r0, x.g0, x.b0)];
  }

  // The part of a box's sum that lies below the cut at `position` on `axis`.
  template <class T>
  static T Top(const Box& x, int axis, int position, const std::vector<T>& m) {
    Box low = x;
    (axis == 0 ? low.r1 : axis == 1 ? low.g1 : low.b1) = position;
    return Sum(low, m);
  }

  double Variance(const Box& box) const {
    const double r = double(Sum(box, red_)), g = double(Sum(box, green_)),
                 b = double(Sum(box, blue_));
    const double w = double(Sum(box, weight_));
    return w == 0 ? 0 : Sum(box, squares_) - (r * r + g * g + b * b) / w;
  }

  // The best cut on one axis: its score and position (-1: none).
  double Maximize(const Box& box, int axis, int first, int last, int& cut, int64_t wholeR,
                  int64_t wholeG, int64_t wholeB, int64_t wholeW) const {
    double best = 0;
    cut = -1;
    for (int i = first; i < last; ++i) {
      const double r = double(Top(box, axis, i, red_)), g = double(Top(box, axis, i, green_)),
                   b = double(Top(box, axis, i, blue_)), w = double(Top(box, axis, i, weight_));
      if (w == 0 || w == double(wholeW)) continue;
      double score = (r * r + g * g + b * b) / w;
      const double r2 = double(wholeR) - r, g2 = double(wholeG) - g, b2 = double(wholeB) - b,
                   w2 = double(wholeW) - w;
      score += (r2 * r2 + g2 * g2 + b2 * b2) / w2;
      if (score > best) best = score, cut = i;
    }
    return best;
  }

  bool Cut(Box& first, Box& second) const {
    const int64_t r = Sum(first, red_), g = Sum(first, green_), b = Sum(first, blue_),
                  w = Sum(first, weight_);
    int cuts[3];
    double scores[3];
    scores[0] = Maximize(first, 0, first.r0 + 1, first.r1, cuts[0], r, g, b, w);
    scores[1] = Maximize(first, 1, first.g0 + 1, first.g1, cuts[1], r, g, b, w);
    scores[2] = Maximize(first, 2, first.b0 + 1, first.b1, cuts[2], r, g, b, w);
    int axis = 0;
    for (int i = 1; i < 3; ++i)
      if (scores[i] > scores[axis]) axis = i;
    if (cuts[axis] < 0) return false;
    second = first;
    if (axis == 0) first.r1 = second.r0 = cuts[0];
    if (axis == 1) first.g1 = second.g0 = cuts[1];
    if (axis == 2) first.b1 = second.b0 = cuts[2];
    return true;
  }

  std::vector<int64_t> weight_ = std::vector<int64_t>(kCells);
  std::vector<int64_t> red_ = std::vector<int64_t>(kCells);
  std::vector<int64_t> green_ = std::vector<int64_t>(kCells);
  std::vector<int64_t> blue_ = std::vector<int64_t>(kCells);
  std::vector<double> squares_ = std::vector<double>(kCells);
};

std::string ColourImage(const uint8_t* pixels, uint32_t width, uint32_t height) {
  const size_t count = size_t{width} * height;
  ColourQuantiser quantiser;
  for (size_t i = 0; i < count; ++i)
    quantiser.Add(pixels[i * 4 + 2], pixels[i * 4 + 1], pixels[i * 4]);
  const std::string palette = quantiser.Palette();
  std::vector<uint16_t> cache(32768, kUnknown);
  std::string lines;
  lines.reserve(count + height);
  for (uint32_t y = 0; y < height; ++y) {
    lines += '\0';
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = pixels + (size_t{y} * width + x) * 4;
      const int key = (p[0] >> 3) * 1024 + (p[1] >> 3) * 32 + (p[2] >> 3);
      if (cache[key] == kUnknown) {
        int best = 0, bestDistance = 1 << 30;
        for (int i = 0; i < 256; ++i) {
          const auto* entry = reinterpret_cast<const uint8_t*>(palette.data() + i * 3);
          const int distance =
              std::abs(entry[0] - p[2]) + std::abs(entry[1] - p[1]) + std::abs(entry[2] - p[0]);
          if (distance < bestDistance) best = i, bestDistance = distance;
        }
        cache[key] = static_cast<uint16_t>(best);
      }
      lines += static_cast<char>(cache[key]);
    }
  }
  return PngImage(width, height, palette, lines);
}

std::string GreyImage(const uint8_t* pixels, uint32_t width, uint32_t height) {
  std::array<uint16_t, 256> cache;
  cache.fill(kUnknown);
  std::string lines;
  for (uint32_t y = 0; y < height; ++y) {
    lines += '\0';
    for (uint32_t x = 0; x < width; x += 2) {
      uint8_t pair = 0;
      for (uint32_t half = 0; half < 2 && x + half < width; ++half) {
        const uint8_t* p = pixels + (size_t{y} * width + x + half) * 4;
        const int grey = (77 * p[2] + 151 * p[1] + 28 * p[0]) >> 8;
        if (cache[grey] == kUnknown) {
          int best = 0;
          for (int i = 1; i < 16; ++i)
            if (std::abs(kGreyLevels[i] - grey) < std::abs(kGreyLevels[best] - grey)) best = i;
          cache[grey] = static_cast<uint16_t>(best);
        }
        pair |= static_cast<uint8_t>(cache[grey] << (half == 0 ? 4 : 0));
      }
      lines += static_cast<char>(pair);
    }
  }
  std::string palette;
  for (const uint8_t level : kGreyLevels) palette.append(3, static_cast<char>(level));
  return PngImage(width, height, palette, lines);
}

// Draws the mouse cursor at its place in the captured area.
void DrawCursor(HDC dc, int originX, int originY) {
  CURSORINFO info = {};
  info.cbSize = sizeof(info);
  using TGetCursorInfo = BOOL(WINAPI*)(CURSORINFO*);
  const auto getCursorInfo =
      win::ProcAddress<TGetCursorInfo>(GetModuleHandleA("user32.dll"), "GetCursorInfo");
  if (!getCursorInfo || !getCursorInfo(&info)) {
    // The cursor of the window under the mouse, seen from its thread's input state.
    if (!GetCursorPos(&info.ptScreenPos)) return;
    const DWORD thread = GetWindowThreadProcessId(WindowFromPoint(info.ptScreenPos), nullptr);
    const bool attached = thread && thread != GetCurrentThreadId() &&
                          AttachThreadInput(GetCurrentThreadId(), thread, TRUE);
    info.hCursor = GetCursor();
    info.flags = info.hCursor ? CURSOR_SHOWING : 0;
    if (attached) AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
  }
  if (!info.hCursor || !(info.flags & CURSOR_SHOWING)) return;
  ICONINFO icon = {};
  if (GetIconInfo(info.hCursor, &icon)) {
    info.ptScreenPos.x -= static_cast<LONG>(icon.xHotspot);
    info.ptScreenPos.y -= static_cast<LONG>(icon.yHotspot);
    win::UniqueBitmap mask(icon.hbmMask), colour(icon.hbmColor);
  }
  DrawIconEx(dc, info.ptScreenPos.x - originX, info.ptScreenPos.y - originY, info.hCursor, 0, 0, 0,
             nullptr, DI_NORMAL);
}

}  // namespace

void PngChunk(std::string& data, std::string_view type, std::string_view content) {
  PutWord(data, static_cast<uint32_t>(content.size()));
  const std::string body = std::string(type) + std::string(content);
  data += body;
  PutWord(data, ~UpdateCrc32(0xFFFFFFFF, body.data(), body.size()));
}

std::string PngImage(uint32_t width, uint32_t height, std::string_view palette,
                     std::string_view scanLines) {
  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  PutWord(header, width);
  PutWord(header, height);
  header += {static_cast<char>(palette.size() == 768 ? 8 : 4), 3, 0, 0, 0};
  PngChunk(png, "IHDR", header);
  if (!palette.empty()) PngChunk(png, "PLTE", palette);
  std::string deflated(scanLines.size() * 11 / 10 + 12, '\0');
  const int32_t length =
      Compress(scanLines.data(), deflated.data(), static_cast<uint32_t>(scanLines.size()),
               static_cast<uint32_t>(deflated.size()));
  if (length <= 0) return {};  // no image rather than a broken one
  std::string stream("\x78\x01", 2);
  stream += deflated.substr(0, static_cast<size_t>(length));
  PutWord(stream, Adler32(scanLines));
  PngChunk(png, "IDAT", stream);
  PngChunk(png, "IEND", "");
  return png;
}

std::string EncodeScreenShot(const uint8_t* pixels, uint32_t width, uint32_t height, int sizeCode) {
  std::string result;
  if (sizeCode != 1) result = ColourImage(pixels, width, height);
  const bool tooLong = sizeCode >= 2 && sizeCode <= 5 && result.size() > kGreyLimits[sizeCode - 2];
  if (result.empty() || tooLong) {
    std::string greys = GreyImage(pixels, width, height);
    if (result.empty() || greys.size() < result.size()) result = std::move(greys);
  }
  return result;
}

std::string ScreenShotOfDc(HDC source, int x, int y, int width, int height, int sizeCode) {
  if (width <= 0 || height <= 0) return {};
  win::UniqueMemoryDc memory(CreateCompatibleDC(source));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  win::UniqueBitmap bitmap(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !bitmap || !bits) return {};
  const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
  const bool copied = BitBlt(memory.get(), 0, 0, width, height, source, x, y, SRCCOPY);
  if (copied) {
    DrawCursor(memory.get(), x, y);
    GdiFlush();
  }
  SelectObject(memory.get(), old);
  if (!copied) return {};
  return EncodeScreenShot(static_cast<const uint8_t*>(bits), static_cast<uint32_t>(width),
                          static_cast<uint32_t>(height), sizeCode);
}

std::string CreateScreenShotPng(int sizeCode) {
  win::UniqueMemoryDc screen(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!screen) return {};
  if (GetSystemMetrics(SM_CMONITORS) >= 1)
    return ScreenShotOfDc(screen.get(), GetSystemMetrics(SM_XVIRTUALSCREEN),
                          GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          GetSystemMetrics(SM_CYVIRTUALSCREEN), sizeCode);
  return ScreenShotOfDc(screen.get(), 0, 0, GetDeviceCaps(screen.get(), HORZRES),
                        GetDeviceCaps(screen.get(), VERTRES), sizeCode);
}

}  // namespace drosk
