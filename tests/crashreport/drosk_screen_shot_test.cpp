// The screen shot's PNG writer on drawn pixels, read back here and, after the run, by pngcheck and
// a Python decoder (check_pngs.py) from the files written to DROSK_PNG_OUT.
#include "crashreport/drosk_screen_shot.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "crashreport/drosk_report_file.h"
#include "crashreport/drosk_zip.h"
#include "framework/win/handles.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

struct Png {
  uint32_t width = 0, height = 0;
  int depth = 0;
  std::string palette, lines;
};

uint32_t Word(const std::string& data, size_t at) {
  return uint32_t(uint8_t(data[at])) << 24 | uint32_t(uint8_t(data[at + 1])) << 16 |
         uint32_t(uint8_t(data[at + 2])) << 8 | uint8_t(data[at + 3]);
}

// Reads the chunks back, checking each CRC and the zlib frame around the deflate data.
Png Decode(const std::string& data) {
  Png png;
  EXPECT_EQ(data.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::string types;
  for (size_t at = 8; at + 12 <= data.size();) {
    const uint32_t length = Word(data, at);
    const std::string type = data.substr(at + 4, 4), content = data.substr(at + 8, length);
    EXPECT_EQ(Word(data, at + 8 + length),
              ~UpdateCrc32(0xFFFFFFFF, data.data() + at + 4, length + 4))
        << type;
    types += type + " ";
    if (type == "IHDR") {
      png.width = Word(content, 0), png.height = Word(content, 4), png.depth = content[8];
      EXPECT_EQ(content.substr(9), std::string("\x03\x00\x00\x00", 4));
    } else if (type == "PLTE") {
      png.palette = content;
    } else if (type == "IDAT") {
      EXPECT_EQ(content.substr(0, 2), "\x78\x01");
      const size_t rowBytes = png.depth == 8 ? png.width : (png.width + 1) / 2;
      png.lines.resize((rowBytes + 1) * png.height);
      EXPECT_EQ(Uncompress(content.data() + 2, png.lines.data(),
                           static_cast<uint32_t>(content.size() - 6),
                           static_cast<uint32_t>(png.lines.size())),
                png.lines.size());
    }
    at += 12 + length;
  }
  EXPECT_EQ(types, "IHDR PLTE IDAT IEND ");
  return png;
}

// Palette index of a pixel.
int Index(const Png& png, uint32_t x, uint32_t y) {
  const size_t rowBytes = png.depth == 8 ? png.width : (png.width + 1) / 2;
  const auto byte = static_cast<uint8_t>(png.lines[y * (rowBytes + 1) + 1 + x * png.depth / 8]);
  return png.depth == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 15);
}

// Writes the image and the pixels it must decode to, for the checks after the run.
void Keep(const std::string& name, const std::string& png, const std::string& rgb) {
  const char* folder = std::getenv("DROSK_PNG_OUT");
  ASSERT_NE(folder, nullptr) << "DROSK_PNG_OUT is not set";
  std::string path = std::string("Z:") + folder + "/";
  for (char& c : path)
    if (c == '/') c = '\\';
  ASSERT_TRUE(ForceFileDirectory(path));
  testsupport::WriteFile(path + name + ".png", png);
  if (!rgb.empty()) testsupport::WriteFile(path + name + ".rgb", rgb);
}

struct Canvas {
  Canvas(uint32_t w, uint32_t h) : width(w), height(h), pixels(size_t{w} * h * 4) {}
  void Set(uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = &pixels[(size_t{y} * width + x) * 4];
    p[0] = b, p[1] = g, p[2] = r, p[3] = 0xEE;
  }
  std::string Encode(int sizeCode) const {
    return EncodeScreenShot(pixels.data(), width, height, sizeCode);
  }
  uint32_t width, height;
  std::vector<uint8_t> pixels;
};

TEST(DroskScreenShot, AUniformScreenIsIndexZeroOfAPaletteStartingWithItsColour) {
  Canvas canvas(7, 3);
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 7; ++x) canvas.Set(x, y, 30, 60, 90);
  const std::string data = canvas.Encode(0);
  const Png png = Decode(data);
  EXPECT_EQ(png.depth, 8);
  EXPECT_EQ(png.palette.size(), 768u);
  EXPECT_EQ(png.palette.substr(0, 3), "\x1e\x3c\x5a");
  EXPECT_EQ(png.lines, std::string(3 * 8, '\0'));
  std::string rgb;
  for (int i = 0; i < 21; ++i) rgb += "\x1e\x3c\x5a";
  Keep("uniform", data, rgb);
}

TEST(DroskScreenShot, DistinctColoursComeBackExactly) {
  // 40 colours in distinct 5-bit cells, in stripes of a 41 x 40 image.
  Canvas canvas(41, 40);
  std::string rgb;
  for (uint32_t y = 0; y < 40; ++y)
    for (uint32_t x = 0; x < 41; ++x) {
      const uint32_t c = (x + y) % 40;
      const uint8_t r = uint8_t(c * 6 * 8 % 256), g = uint8_t(255 - c * 5), b = uint8_t(c % 4 * 80);
      canvas.Set(x, y, r, g, b);
      rgb += {char(r), char(g), char(b)};
    }
  const std::string data = canvas.Encode(0);
  const Png png = Decode(data);
  ASSERT_EQ(png.depth, 8);
  for (uint32_t y = 0; y < 40; ++y)
    for (uint32_t x = 0; x < 41; ++x) {
      const int i = Index(png, x, y);
      ASSERT_EQ(png.palette.substr(i * 3, 3), rgb.substr((y * 41 + x) * 3, 3)) << x << "," << y;
    }
  Keep("colours", data, rgb);
}

TEST(DroskScreenShot, GreysAreSixteenLevelsTwoPixelsABytePaddedOnOddRows) {
  // Grey values 0, 14 (tie: the lower level), 15, 100, 255 and a colour of grey 128.
  Canvas canvas(5, 2);
  const uint8_t greys[4] = {0, 14, 15, 100};
  std::string rgb;
  for (uint32_t y = 0; y < 2; ++y) {
    for (uint32_t x = 0; x < 4; ++x) canvas.Set(x, y, greys[x], greys[x], greys[x]);
    if (y == 0)
      canvas.Set(4, y, 255, 255, 255);
    else
      canvas.Set(4, y, 200, 100, 50);  // (77*200 + 151*100 + 28*50) >> 8 = 124
  }
  const std::string data = canvas.Encode(1);
  const Png png = Decode(data);
  EXPECT_EQ(png.depth, 4);
  ASSERT_EQ(png.palette.size(), 48u);
  EXPECT_EQ(png.palette.substr(45), "\xff\xff\xff");
  EXPECT_EQ(png.palette.substr(21, 3), "\x8c\x8c\x8c");
  ASSERT_EQ(png.lines.size(), 2u * 4);
  EXPECT_EQ(png.lines.substr(0, 4), std::string("\x00\x00\x14\xf0", 4));
  EXPECT_EQ(png.lines.substr(4, 4), std::string("\x00\x00\x14\x60", 4));
  const int levels[2][5] = {{0, 0, 1, 4, 15}, {0, 0, 1, 4, 6}};
  for (const auto& row : levels)
    for (const int level : row) rgb.append(3, png.palette[level * 3]);
  Keep("greys", data, rgb);
}

TEST(DroskScreenShot, SizeCodesChooseTheGreysOnlyWhenTheColoursAreTooLongAndTheGreysShorter) {
  Canvas noise(300, 300);
  std::mt19937 random(125);
  for (uint32_t y = 0; y < 300; ++y)
    for (uint32_t x = 0; x < 300; ++x)
      noise.Set(x, y, uint8_t(random()), uint8_t(random()), uint8_t(random()));
  const std::string colours = noise.Encode(0);
  ASSERT_GT(colours.size(), 51200u);
  EXPECT_EQ(Decode(colours).depth, 8);
  const std::string greys = noise.Encode(2);
  EXPECT_EQ(Decode(greys).depth, 4);
  EXPECT_LT(greys.size(), colours.size());
  EXPECT_EQ(noise.Encode(5), colours) << "under 300 KB the colours stay";
  Keep("noise_colours", colours, "");
  Keep("noise_greys", greys, "");
  // A plain screen is short in colour: greys are not taken even with the smallest limit.
  Canvas plain(300, 300);
  EXPECT_EQ(Decode(plain.Encode(2)).depth, 8);
}

TEST(DroskScreenShot, AnAreaOfADeviceContextIsCapturedFromItsOrigin) {
  // A 37 x 20 picture of three colour fields, captured from (5, 4) on; the cursor is elsewhere.
  SetCursorPos(600, 500);
  win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 50, -30, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win::UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(bitmap);
  SelectObject(dc.get(), bitmap.get());
  const COLORREF colours[3] = {RGB(200, 16, 32), RGB(8, 120, 240), RGB(250, 250, 0)};
  for (int i = 0; i < 3; ++i) {
    const RECT field = {i * 16, 0, i * 16 + 16, 30};
    win::UniqueBrush brush(CreateSolidBrush(colours[i]));
    FillRect(dc.get(), &field, brush.get());
  }
  const std::string data = ScreenShotOfDc(dc.get(), 5, 4, 37, 20, 0);
  const Png png = Decode(data);
  ASSERT_EQ(png.width, 37u);
  ASSERT_EQ(png.height, 20u);
  std::string rgb;
  for (uint32_t y = 0; y < 20; ++y)
    for (uint32_t x = 0; x < 37; ++x) {
      const COLORREF c = colours[(x + 5) / 16];
      rgb += {char(GetRValue(c)), char(GetGValue(c)), char(GetBValue(c))};
      ASSERT_EQ(png.palette.substr(Index(png, x, y) * 3, 3), rgb.substr(rgb.size() - 3)) << x;
    }
  Keep("capture", data, rgb);
  EXPECT_TRUE(ScreenShotOfDc(dc.get(), 0, 0, 0, 10, 0).empty());
}

}  // namespace
}  // namespace drosk
