// Every skin the controls load is linked in, at the size and layout the controls cut it by.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>

#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "controls/alpha_image.h"
#include "support/test_paths.h"
#include "surface.h"

namespace {

constexpr COLORREF kKey = RGB(255, 0, 255);

struct Skin {
  const wchar_t* name;
  int width;
  int height;
  int frames;  // stacked vertically
  int halves;  // side by side (enabled, disabled): 2 for the button glyphs
  bool keyed;  // drawn with a transparent colour (bottom-left or top-left pixel)
  int bits = 24;
};

constexpr Skin kBitmaps[] = {
    {L"XPCOMBOBUTTON", 15, 64, 4, 1, false},
    {L"XPCOMBO", 20, 7, 1, 2, true},
    {L"STDCOMBO", 18, 5, 1, 2, true},
    {L"XPELLIPSIS", 20, 4, 1, 2, true},
    {L"XPDIR", 24, 11, 1, 2, true},
    {L"XPFILENAME", 24, 11, 1, 2, true},
    {L"SCROLLARROWS", 17, 68, 4, 1, false},
    {L"SCROLLARROWGLYPHS", 9, 144, 16, 1, true},
    {L"SCROLLSHAFTHORIZONTAL", 17, 68, 4, 1, false},
    {L"SCROLLSHAFTVERTICAL", 17, 68, 4, 1, false},
    {L"SCROLLTHUMBHORIZONTAL", 22, 60, 4, 1, false},
    {L"SCROLLTHUMBVERTICAL", 15, 88, 4, 1, false},
    {L"SCROLLTHUMBGRIPPERHORIZONTAL", 8, 32, 4, 1, true},
    {L"SCROLLTHUMBGRIPPERVERTICAL", 8, 32, 4, 1, true},
    {L"STDARROWS", 16, 32, 4, 1, false, 4},
};

constexpr Skin kAlphaImages[] = {
    {L"STDSCROLLPATTERN", 8, 8, 1, 1, false}, {L"XPSPEEDBTN", 20, 138, 6, 1, false},
    {L"XPSPEEDSPLIT", 24, 138, 6, 1, false},  {L"XPSPEEDDROPDOWN", 11, 138, 6, 1, false},
    {L"XPSPINBTNDOWN", 15, 64, 4, 1, false},  {L"XPSPINBTNLEFT", 15, 64, 4, 1, false},
    {L"XPSPINBTNRIGHT", 15, 64, 4, 1, false}, {L"XPSPINBTNUP", 15, 64, 4, 1, false},
    {L"XPSPINGLYPHDOWN", 7, 24, 4, 1, false}, {L"XPSPINGLYPHUP", 7, 24, 4, 1, false},
    {L"XPSPINGLYPHLEFT", 6, 28, 4, 1, false}, {L"XPSPINGLYPHRIGHT", 6, 28, 4, 1, false},
    {L"XPBUTTON", 18, 84, 4, 1, false},       {L"XPCHECKBOX", 13, 156, 12, 1, false},
    {L"STDCHECKBOX", 13, 156, 12, 1, false},
};

std::string PictureName(const wchar_t* name) {
  std::string out = "skin_";
  for (const wchar_t* p = name; *p; ++p) out += static_cast<char>(*p | 0x20);
  return out;
}

// Pixels of one cell that differ from the cell's first pixel: the cell is drawn, not blank.
int Detail(const xptest::Surface& s, int x0, int y0, int w, int h) {
  return xptest::CountOtherThan(s, {x0, y0, x0 + w, y0 + h}, s.Pixel(x0, y0));
}

TEST(Skins, BitmapsHaveTheirSizesFramesAndTransparentCorners) {
  for (const Skin& skin : kBitmaps) {
    SCOPED_TRACE(PictureName(skin.name));
    const win::UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(win::ThisModule(), skin.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(bitmap);
    DIBSECTION section{};
    GetObjectW(bitmap.get(), sizeof section, &section);
    EXPECT_EQ(
        std::make_tuple(section.dsBm.bmWidth, section.dsBm.bmHeight, section.dsBm.bmBitsPixel),
        std::make_tuple(LONG{skin.width}, LONG{skin.height}, WORD(skin.bits)));
    xptest::Surface s(skin.width, skin.height);
    const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    BitBlt(s.dc(), 0, 0, skin.width, skin.height, dc.get(), 0, 0, SRCCOPY);
    SelectObject(dc.get(), old);
    const int cell_w = skin.width / skin.halves;
    const int cell_h = skin.height / skin.frames;
    for (int i = 0; i < skin.halves; ++i) {
      for (int j = 0; j < skin.frames; ++j) {
        EXPECT_GT(Detail(s, i * cell_w, j * cell_h, cell_w, cell_h), 0) << i << "," << j;
        if (!skin.keyed) continue;
        // Button glyphs use the bottom-left pixel, scroll-bar glyphs the top-left one.
        const int y = skin.halves == 2 ? cell_h - 1 : j * cell_h;
        EXPECT_EQ(s.Pixel(i * cell_w, y), kKey);
      }
    }
    xptest::WritePicture(s, PictureName(skin.name), 6);
  }
}

TEST(Skins, AlphaImagesLoadAndFollowTheirFrames) {
  for (const Skin& skin : kAlphaImages) {
    SCOPED_TRACE(PictureName(skin.name));
    controls::TAlphaBitmap image;
    image.LoadFromStream(controls::ModuleResource(skin.name, RT_RCDATA));
    ASSERT_EQ(image.Width(), skin.width);
    ASSERT_EQ(image.Height(), skin.height);
    EXPECT_TRUE(image.AlphaChannel());
    // Over a checkerboard, so that transparency shows in the picture.
    xptest::Surface s(skin.width, skin.height);
    for (int y = 0; y < skin.height; ++y) {
      for (int x = 0; x < skin.width; ++x) {
        SetPixel(s.dc(), x, y, ((x / 2 + y / 2) % 2) ? RGB(200, 200, 200) : RGB(255, 255, 255));
      }
    }
    xptest::Surface plain(skin.width, skin.height);
    image.Draw(s.dc(), {0, 0, skin.width, skin.height});
    image.Draw(plain.dc(), {0, 0, skin.width, skin.height});
    const int cell_h = skin.height / skin.frames;
    for (int j = 0; j < skin.frames; ++j) {
      if (skin.frames == 6 && j == 0) continue;  // a flat speed button shows nothing
      EXPECT_GT(Detail(plain, 0, j * cell_h, skin.width, cell_h), 0) << "frame " << j;
    }
    xptest::WritePicture(s, PictureName(skin.name), 6);
  }
  // The pattern is what the recolouring looks for: white and silver only.
  controls::TAlphaImage pattern(L"STDSCROLLPATTERN");
  for (int i = 0; i < 64; ++i) {
    const uint8_t* p = pattern.Image()->Pixel(i % 8, i / 8);
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2] && (p[0] == 255 || p[0] == 192)) << i;
  }
}

TEST(Skins, TheModuleCarriesEveryOne) {
  const std::string path = testsupport::BinaryPath("Tralvek.dll");
  const win::UniqueLibrary module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << path;
  for (const Skin& skin : kBitmaps) {
    EXPECT_NE(FindResourceW(module.get(), skin.name, RT_BITMAP), nullptr) << PictureName(skin.name);
  }
  for (const Skin& skin : kAlphaImages) {
    EXPECT_NE(FindResourceW(module.get(), skin.name, RT_RCDATA), nullptr) << PictureName(skin.name);
  }
}

}  // namespace
