// Paint style per Windows version and theme, the palette and its refresh, resources, and the
// glyph-and-caption layout of buttons.
#include "rtl/components/xp/xp_control_utils.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/theme_services.h"

namespace {

// Leaves the theme and version overrides as it found them (unset).
class PaintStyle : public testing::Test {
 protected:
  void TearDown() override {
    framework::TThemeServices::Instance().SetOverride(std::nullopt);
    xp::SetWindowsVersionOverride(std::nullopt);
  }
  static void Pretend(bool themes, DWORD major, DWORD minor) {
    framework::TThemeServices::Instance().SetOverride(themes);
    xp::SetWindowsVersionOverride(xp::WindowsVersion{major, minor});
  }
};

TEST_F(PaintStyle, FollowsTheWindowsVersionAndTheTheme) {
  struct Case {
    bool themes;
    DWORD major, minor;
    bool xp_or_later;
    int style;
  };
  for (const Case& c : std::vector<Case>{{false, 5, 0, false, 1},
                                         {false, 4, 90, false, 1},
                                         {false, 5, 1, true, 0},
                                         {false, 5, 2, true, 0},
                                         {false, 6, 0, true, 0},
                                         {false, 10, 0, true, 0},
                                         {true, 5, 0, false, 2},
                                         {true, 6, 1, true, 2}}) {
    Pretend(c.themes, c.major, c.minor);
    EXPECT_EQ(xp::IsWindowsXPOrLater(), c.xp_or_later) << c.major << "." << c.minor;
    EXPECT_EQ(xp::GetXPPaintStyle(), c.style) << c.major << "." << c.minor << " " << c.themes;
  }
}

TEST_F(PaintStyle, PaletteIsRefilledWhenTheSystemColoursChange) {
  Pretend(false, 6, 1);
  SendMessageW(xp::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
  const xp::XPColorPalette classic = xp::XPPalette();
  EXPECT_EQ(classic.clXPWindow, framework::clWindow);
  EXPECT_EQ(classic.clXPFace, framework::clBtnFace);
  EXPECT_EQ(classic.clXPHighlight, framework::clHighlight);
  EXPECT_EQ(classic.clXPHighlightText, framework::clHighlightText);
  EXPECT_EQ(classic.clXPShadow, framework::clBtnShadow);
  EXPECT_EQ(classic.clXPLight, framework::clBtnHighlight);
  EXPECT_EQ(classic.clXPGrayText, framework::clGrayText);
  EXPECT_EQ(classic.XPScrollArrowSize, GetSystemMetrics(SM_CXHSCROLL));

  Pretend(false, 5, 0);
  EXPECT_EQ(xp::XPPalette().clXPFace, framework::clBtnFace) << "only a change refills it";
  SendMessageW(xp::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
  const xp::XPColorPalette own = xp::XPPalette();
  EXPECT_EQ(own.clXPWindow, RGB(255, 255, 255));
  EXPECT_EQ(own.clXPFace, RGB(239, 235, 222));
  EXPECT_EQ(own.clXPHighlight, RGB(49, 106, 197));
  EXPECT_EQ(own.clXPHighlightText, RGB(255, 255, 255));
  EXPECT_EQ(own.clXPShadow, RGB(196, 195, 191));
  EXPECT_EQ(own.clXPLight, RGB(241, 241, 237));
  EXPECT_EQ(own.clXPGrayText, RGB(161, 161, 146));
  EXPECT_EQ(own.XPScrollArrowSize, 17);

  // Other messages leave the palette alone.
  Pretend(true, 6, 1);
  SendMessageW(xp::XPPaletteWindow(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(xp::XPPalette().clXPFace, RGB(239, 235, 222));
  SendMessageW(xp::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(xp::XPPalette().clXPFace, framework::clBtnFace) << "themed uses system colours";
}

TEST_F(PaintStyle, ThemedEditColoursOnlyInTheThemedStyle) {
  Pretend(false, 6, 1);
  framework::TColor fill = framework::clFuchsia, text = framework::clLime;
  xp::GetThemedEditColors(false, true, fill, text);
  EXPECT_EQ(fill, framework::clFuchsia);
  EXPECT_EQ(text, framework::clLime);
}

TEST(ControlResources, CheckBoxGlyphAndResourceModules) {
  const char* const kBitmapType = MAKEINTRESOURCEA(2);
  const SIZE glyph = xp::GetCheckBoxGlyphSize();
  // One glyph of the 4 by 3 grid, not the whole bitmap.
  EXPECT_GE(glyph.cx, 12);
  EXPECT_LE(glyph.cx, 16);
  EXPECT_GE(glyph.cy, 12);
  EXPECT_LE(glyph.cy, 16);

  EXPECT_EQ(xp::FindResourceModule("XPTESTDATA", "XPTEST"), GetModuleHandleW(nullptr));
  EXPECT_EQ(xp::FindResourceModule("NOSUCHRESOURCE", "XPTEST"), nullptr);
  // A resource the program lacks is found in the later module that has it.
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  ASSERT_EQ(FindResourceA(GetModuleHandleW(nullptr), MAKEINTRESOURCEA(32759), kBitmapType),
            nullptr);
  ASSERT_NE(FindResourceA(user32, MAKEINTRESOURCEA(32759), kBitmapType), nullptr);
  EXPECT_NE(xp::FindResourceModule(MAKEINTRESOURCEA(32759), kBitmapType), nullptr);
  EXPECT_NE(xp::FindResourceModule(MAKEINTRESOURCEA(32759), kBitmapType),
            GetModuleHandleW(nullptr));
}

// Captions measure 8 pixels a character by 10; the limits they were measured under are kept.
struct FakeMeasure {
  std::vector<SIZE> limits;
  SIZE operator()(const std::wstring& caption, int max_width, int max_height) {
    limits.push_back({max_width, max_height});
    return {static_cast<LONG>(8 * caption.size()), 10};
  }
};

struct LayoutCase {
  const char* what;
  RECT client;
  std::wstring caption;
  SIZE glyph;
  xp::TButtonLayout layout;
  int margin, spacing;
  POINT glyph_pos;
  RECT text;
  SIZE limit;  // what measuring was allowed; {0, 0} when not measured
};

TEST(GlyphLayout, PlacesGlyphAndCaptionForEveryLayoutAndComputedGap) {
  using L = xp::TButtonLayout;
  const std::vector<LayoutCase> cases = {
      {"left, both computed",
       {0, 0, 100, 40},
       L"abcd",
       {16, 16},
       L::blGlyphLeft,
       -1,
       -1,
       {17, 12},
       {50, 15, 82, 25},
       {84, 40}},
      {"right, spacing computed",
       {0, 0, 100, 40},
       L"abcd",
       {16, 16},
       L::blGlyphRight,
       4,
       -1,
       {80, 12},
       {24, 15, 56, 25},
       {84, 40}},
      {"top, margin computed",
       {0, 0, 100, 60},
       L"abcd",
       {16, 16},
       L::blGlyphTop,
       -1,
       3,
       {42, 15},
       {34, 34, 66, 44},
       {100, 41}},
      {"bottom, both given",
       {0, 0, 100, 60},
       L"abcd",
       {16, 16},
       L::blGlyphBottom,
       5,
       2,
       {42, 39},
       {34, 27, 66, 37},
       {100, 42}},
      {"no caption: no spacing",
       {0, 0, 100, 40},
       L"",
       {16, 16},
       L::blGlyphLeft,
       -1,
       -1,
       {42, 12},
       {58, 20, 58, 20},
       {0, 0}},
      {"no glyph: no spacing",
       {0, 0, 100, 40},
       L"ab",
       {0, 0},
       L::blGlyphLeft,
       6,
       9,
       {6, 20},
       {6, 15, 22, 25},
       {100, 40}},
      {"too small: truncated toward zero",
       {0, 0, 100, 40},
       std::wstring(20, L'x'),
       {16, 16},
       L::blGlyphLeft,
       -1,
       -1,
       {-25, 12},
       {-25 + 16 - 25, 15, -34 + 160, 25},
       {84, 40}},
  };
  for (const LayoutCase& c : cases) {
    FakeMeasure measure;
    const xp::GlyphLayout layout = xp::CalcGlyphLayout(
        std::ref(measure), c.client, {0, 0}, c.caption, c.glyph, c.layout, c.margin, c.spacing);
    EXPECT_EQ(layout.glyph_pos.x, c.glyph_pos.x) << c.what;
    EXPECT_EQ(layout.glyph_pos.y, c.glyph_pos.y) << c.what;
    EXPECT_TRUE(EqualRect(&layout.text_bounds, &c.text))
        << c.what << ": " << layout.text_bounds.left << "," << layout.text_bounds.top << ","
        << layout.text_bounds.right << "," << layout.text_bounds.bottom;
    if (c.limit.cx == 0) {
      EXPECT_TRUE(measure.limits.empty()) << c.what;
    } else {
      ASSERT_EQ(measure.limits.size(), 1u) << c.what;
      EXPECT_EQ(measure.limits[0].cx, c.limit.cx) << c.what;
      EXPECT_EQ(measure.limits[0].cy, c.limit.cy) << c.what;
    }
  }
  FakeMeasure measure;
  const xp::GlyphLayout moved = xp::CalcGlyphLayout(std::ref(measure), {0, 0, 100, 40}, {3, -2},
                                                    L"abcd", {16, 16}, L::blGlyphLeft, -1, -1);
  EXPECT_EQ(moved.glyph_pos.x, 20);
  EXPECT_EQ(moved.glyph_pos.y, 10);
  EXPECT_EQ(moved.text_bounds.left, 53);
  EXPECT_EQ(moved.text_bounds.bottom, 23);
}

}  // namespace
