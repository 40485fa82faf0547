// Paint style per Windows version and theme, the palette and its refresh,
// resources, and the glyph-and-caption layout of buttons.
#include "controls/xp_control_utils.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "controls/graphic_errors.h"
#include "framework/theme_services.h"
#include "paint_styles.h"
#include "surface.h"

namespace {

// Leaves the theme and version overrides as it found them (unset).
class PaintStyle : public testing::Test {
 protected:
  void TearDown() override { xptest::ResetPaintStyle(); }
  static void Pretend(bool themes, DWORD major, DWORD minor) {
    framework::TThemeServices::Instance().SetOverride(themes);
    controls::SetWindowsVersionOverride(controls::WindowsVersion{major, minor});
  }
  // The palette after Windows reported new system colours, as one comparable
  // value.
  static auto Refilled() {
    SendMessageW(controls::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
    const controls::XPColorPalette p = controls::XPPalette();
    return std::make_tuple(p.clXPWindow, p.clXPFace, p.clXPHighlight, p.clXPHighlightText,
                           p.clXPShadow, p.clXPLight, p.clXPGrayText, p.XPScrollArrowSize);
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
    EXPECT_EQ(controls::IsWindowsXPOrLater(), c.xp_or_later) << c.major << "." << c.minor;
    EXPECT_EQ(controls::GetXPPaintStyle(), c.style) << c.major << "." << c.minor << " " << c.themes;
  }
}

TEST_F(PaintStyle, PaletteIsRefilledWhenTheSystemColoursChangeAndEditsThemedOnlyWhenThemed) {
  Pretend(false, 6, 1);
  framework::TColor fill = framework::clFuchsia, text = framework::clLime;
  controls::GetThemedEditColors(false, true, fill, text);
  EXPECT_EQ(std::make_pair(fill, text), std::make_pair(framework::clFuchsia, framework::clLime));
  EXPECT_EQ(Refilled(), std::make_tuple(framework::clWindow, framework::clBtnFace,
                                        framework::clHighlight, framework::clHighlightText,
                                        framework::clBtnShadow, framework::clBtnHighlight,
                                        framework::clGrayText, GetSystemMetrics(SM_CXHSCROLL)));

  Pretend(false, 5, 0);
  EXPECT_EQ(controls::XPPalette().clXPFace, framework::clBtnFace) << "only a change refills it";
  EXPECT_EQ(
      Refilled(),
      std::make_tuple(framework::TColor{RGB(255, 255, 255)}, framework::TColor{RGB(239, 235, 222)},
                      framework::TColor{RGB(49, 106, 197)}, framework::TColor{RGB(255, 255, 255)},
                      framework::TColor{RGB(196, 195, 191)}, framework::TColor{RGB(241, 241, 237)},
                      framework::TColor{RGB(161, 161, 146)}, 17));

  // Other messages leave the palette alone.
  Pretend(true, 6, 1);
  SendMessageW(controls::XPPaletteWindow(), WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(controls::XPPalette().clXPFace, RGB(239, 235, 222));
  SendMessageW(controls::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(controls::XPPalette().clXPFace, framework::clBtnFace) << "themed uses system colours";
}

TEST(ControlResources, CheckBoxGlyphAndResourceModules) {
  const char* const kBitmapType = MAKEINTRESOURCEA(2);
  const SIZE glyph = controls::GetCheckBoxGlyphSize();
  // One glyph of the 4 by 3 grid, not the whole bitmap.
  EXPECT_TRUE(glyph.cx >= 12 && glyph.cx <= 16 && glyph.cy >= 12 && glyph.cy <= 16);

  EXPECT_EQ(controls::FindResourceModule("XPTESTDATA", "XPTEST"), GetModuleHandleW(nullptr));
  EXPECT_EQ(controls::FindResourceModule("NOSUCHRESOURCE", "XPTEST"), nullptr);
  // A resource the program lacks is found in the later module that has it.
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  ASSERT_EQ(FindResourceA(GetModuleHandleW(nullptr), MAKEINTRESOURCEA(32759), kBitmapType),
            nullptr);
  ASSERT_NE(FindResourceA(user32, MAKEINTRESOURCEA(32759), kBitmapType), nullptr);
  const HMODULE found = controls::FindResourceModule(MAKEINTRESOURCEA(32759), kBitmapType);
  EXPECT_TRUE(found && found != GetModuleHandleW(nullptr));
}

// The system's button colours (highlight, face, shadow, text), changed for one test and put back
// at its end; the palette window hears of each change.
struct ButtonColours {
  static constexpr int kElements[4] = {COLOR_BTNHIGHLIGHT, COLOR_BTNFACE, COLOR_BTNSHADOW,
                                       COLOR_BTNTEXT};
  COLORREF saved[4] = {GetSysColor(kElements[0]), GetSysColor(kElements[1]),
                       GetSysColor(kElements[2]), GetSysColor(kElements[3])};
  ~ButtonColours() { Set(saved); }
  static void Set(const COLORREF (&colours)[4]) {
    SetSysColors(4, kElements, colours);
    SendMessageW(controls::XPPaletteWindow(), WM_SYSCOLORCHANGE, 0, 0);
  }
};

// Red, green, blue of pixel (x, y) counted from the top.
COLORREF ImagePixel(const controls::TAlphaImage& image, int x, int y) {
  const uint8_t* p = image.Image()->Pixel(x, image.Height() - 1 - y);
  return RGB(p[2], p[1], p[0]);
}

TEST(SystemColoredImage, MapsTheFourColoursInOrderAndAgainOnEveryChange) {
  const ButtonColours restore;
  // White becomes silver, which the next step makes the face colour; grey
  // becomes black, which the last step makes the text colour.
  constexpr COLORREF kFace = RGB(10, 20, 30), kText = RGB(40, 50, 60);
  ButtonColours::Set({RGB(192, 192, 192), kFace, RGB(0, 0, 0), kText});
  std::shared_ptr<controls::TAlphaImage> boxes;
  controls::LoadSystemColoredImage(boxes, L"STDCHECKBOX");
  ASSERT_TRUE(boxes);
  // The unchecked box: grey and black frame lines, white inside, silver lower right.
  const auto box_pixels = [&] {
    return xptest::Colours({ImagePixel(*boxes, 0, 0), ImagePixel(*boxes, 1, 1),
                            ImagePixel(*boxes, 5, 5), ImagePixel(*boxes, 11, 11),
                            ImagePixel(*boxes, 12, 12)});
  };
  EXPECT_EQ(box_pixels().substr(0, 27), xptest::Colours({kText, kText, kFace, kFace}));
  EXPECT_EQ(boxes->Image()->Pixel(5, 5)[3], 255) << "alpha kept";

  // A second image of the same kind, and a third one that its owner frees.
  std::shared_ptr<controls::TAlphaImage> pattern, freed;
  controls::LoadSystemColoredImage(pattern, L"STDSCROLLPATTERN");
  controls::LoadSystemColoredImage(freed, L"STDSCROLLPATTERN");
  const controls::TAlphaImage* const kept = pattern.get();
  controls::LoadSystemColoredImage(pattern, L"STDSCROLLPATTERN");
  EXPECT_EQ(pattern.get(), kept) << "an image given is loaded again, not replaced";
  freed.reset();

  constexpr COLORREF kHighlight = RGB(200, 0, 0), kFace2 = RGB(0, 200, 0), kShadow = RGB(0, 0, 200),
                     kText2 = RGB(90, 90, 0);
  ButtonColours::Set({kHighlight, kFace2, kShadow, kText2});
  EXPECT_EQ(box_pixels(), xptest::Colours({kShadow, kText2, kHighlight, kFace2, kHighlight}));
  EXPECT_EQ(xptest::Colours({ImagePixel(*pattern, 0, 0), ImagePixel(*pattern, 1, 0)}),
            xptest::Colours({kHighlight, kFace2}));

  ButtonColours::Set({kText2, kFace2, kShadow, kText2});
  EXPECT_EQ(ImagePixel(*boxes, 5, 5), kText2) << "mapped again on every change";

  EXPECT_THROW(controls::LoadSystemColoredImage(freed, L"NOSUCHSKIN"), controls::EInvalidImage);
}

// Captions measure 8 pixels a character by 10; the limits they were measured
// under are kept.
struct FakeMeasure {
  std::vector<SIZE> limits;
  SIZE operator()(const std::wstring& caption, int max_width, int max_height) {
    limits.push_back({max_width, max_height});
    return {static_cast<LONG>(8 * caption.size()), 10};
  }
};

struct LayoutCase {
  const char* what;
  int client_height;  // 100 wide
  POINT offset;
  std::wstring caption;
  SIZE glyph;
  controls::TButtonLayout layout;
  int margin, spacing;
  POINT glyph_pos;
  RECT text;
  SIZE limit;  // what measuring was allowed; {0, 0} when not measured
};

TEST(GlyphLayout, PlacesGlyphAndCaptionForEveryLayoutAndComputedGap) {
  using L = controls::TButtonLayout;
  const std::wstring kLong(20, L'x');
  // clang-format off
  const LayoutCase cases[] = {
      {"left, both computed", 40, {0, 0}, L"abcd", {16, 16}, L::blGlyphLeft, -1, -1,
       {17, 12}, {50, 15, 82, 25}, {84, 40}},
      {"left, moved by the offset", 40, {3, -2}, L"abcd", {16, 16}, L::blGlyphLeft, -1, -1,
       {20, 10}, {53, 13, 85, 23}, {84, 40}},
      {"right, spacing computed", 40, {0, 0}, L"abcd", {16, 16}, L::blGlyphRight, 4, -1,
       {80, 12}, {24, 15, 56, 25}, {84, 40}},
      {"top, margin computed", 60, {0, 0}, L"abcd", {16, 16}, L::blGlyphTop, -1, 3,
       {42, 15}, {34, 34, 66, 44}, {100, 41}},
      {"bottom, both given", 60, {0, 0}, L"abcd", {16, 16}, L::blGlyphBottom, 5, 2,
       {42, 39}, {34, 27, 66, 37}, {100, 42}},
      {"no caption: no spacing", 40, {0, 0}, L"", {16, 16}, L::blGlyphLeft, -1, -1,
       {42, 12}, {58, 20, 58, 20}, {0, 0}},
      {"no glyph: no spacing", 40, {0, 0}, L"ab", {0, 0}, L::blGlyphLeft, 6, 9,
       {6, 20}, {6, 15, 22, 25}, {100, 40}},
      {"too small: truncated toward zero", 40, {0, 0}, kLong, {16, 16}, L::blGlyphLeft, -1, -1,
       {-25, 12}, {-25 + 16 - 25, 15, -34 + 160, 25}, {84, 40}},
  };
  // clang-format on
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeMeasure measure;
    const controls::GlyphLayout layout =
        controls::CalcGlyphLayout(std::ref(measure), {0, 0, 100, c.client_height}, c.offset,
                                  c.caption, c.glyph, c.layout, c.margin, c.spacing);
    const RECT& t = layout.text_bounds;
    EXPECT_EQ(
        std::make_tuple(layout.glyph_pos.x, layout.glyph_pos.y, t.left, t.top, t.right, t.bottom),
        std::make_tuple(c.glyph_pos.x, c.glyph_pos.y, c.text.left, c.text.top, c.text.right,
                        c.text.bottom));
    using Limits = std::vector<std::pair<LONG, LONG>>;
    Limits limits;
    for (const SIZE& limit : measure.limits) limits.emplace_back(limit.cx, limit.cy);
    EXPECT_EQ(limits, c.limit.cx == 0 ? Limits() : Limits({{c.limit.cx, c.limit.cy}}));
  }
}

}  // namespace
