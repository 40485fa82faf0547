#include "controls/xp_graphics.h"

#include <gtest/gtest.h>

#include "surface.h"

namespace {

using xptest::Colours;
using xptest::Pixels;
using xptest::Surface;

constexpr COLORREF kWhite = RGB(255, 255, 255);

TEST(Gradient, SoftwareRowsAndColumnsRunFromColourToColour) {
  Surface s(256, 4);
  controls::SoftwareGradientFillRect(s.dc(), {0, 0, 256, 4}, RGB(0, 0, 0),
                                     controls::kGradientHorizontal, RGB(255, 255, 255));
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(s.Pixel(i, 0), RGB(i, i, i)) << "column " << i;
    ASSERT_EQ(s.Pixel(i, 3), RGB(i, i, i)) << "column " << i << ", last row";
  }
  Surface v(5, 5);
  controls::SoftwareGradientFillRect(v.dc(), {1, 0, 4, 5}, RGB(0, 100, 200),
                                     controls::kGradientVertical, RGB(200, 100, 0));
  // The last row is colour 2 exactly; nothing outside the rectangle.
  EXPECT_EQ(Pixels(v, {{3, 0}, {2, 1}, {1, 4}, {0, 2}, {4, 2}}),
            Colours({RGB(0, 100, 200), RGB(50, 100, 150), RGB(200, 100, 0), kWhite, kWhite}));
  Surface strip(1, 3);
  controls::SoftwareGradientFillRect(strip.dc(), {0, 0, 1, 3}, RGB(9, 8, 7),
                                     controls::kGradientHorizontal, RGB(200, 200, 200));
  EXPECT_EQ(strip.Pixel(0, 2), RGB(9, 8, 7)) << "a one-pixel strip is colour 1";

  ASSERT_TRUE(controls::SystemGradientAvailable());
  Surface sys(64, 2);
  controls::GradientFillRect(sys.dc(), {0, 0, 64, 2}, RGB(0, 0, 0), controls::kGradientHorizontal,
                             RGB(255, 255, 255));
  EXPECT_LE(GetRValue(sys.Pixel(0, 1)), 8);
  EXPECT_GE(GetRValue(sys.Pixel(63, 1)), 247);
  for (int i = 1; i < 64; ++i)
    EXPECT_GE(GetRValue(sys.Pixel(i, 0)), GetRValue(sys.Pixel(i - 1, 0)));
  WritePicture(sys, "gradient_horizontal", 4);
}

TEST(Gradient, FourCornersInterpolateBilinearly) {
  const controls::CornerWeights weights = {1.0, 0.5, 0.5, 0.0};  // br, bl, tr, tl
  Surface s(5, 5);
  controls::SoftwareFourCornerGradient(s.dc(), {0, 0, 5, 5}, RGB(0, 0, 0), weights,
                                       RGB(200, 100, 40));
  EXPECT_EQ(Pixels(s, {{0, 0}, {4, 4}, {4, 0}, {2, 2}, {1, 0}}),  // the last: 0.125, rounded
            Colours({0, RGB(200, 100, 40), RGB(100, 50, 20), RGB(100, 50, 20), RGB(25, 13, 5)}));

  Surface sys(40, 40);
  controls::FourCornerGradient(sys.dc(), {0, 0, 40, 40}, RGB(0, 0, 0), weights, RGB(200, 100, 40));
  EXPECT_LE(GetRValue(sys.Pixel(0, 0)), 10);
  EXPECT_GE(GetRValue(sys.Pixel(39, 39)), 185);
  EXPECT_NEAR(GetRValue(sys.Pixel(39, 0)), 100, 12);
  WritePicture(sys, "gradient_four_corners", 4);
}

TEST(Blits, TransparentColourAndAlphaLeaveTheRightPixels) {
  constexpr COLORREF kKey = RGB(255, 0, 255);
  Surface source(4, 4, kKey);
  const RECT inner = {1, 1, 3, 3};
  const win::UniqueBrush blue(CreateSolidBrush(RGB(0, 0, 200)));
  FillRect(source.dc(), &inner, blue.get());

  Surface target(8, 8, RGB(0, 120, 0));
  controls::TransparentDraw(target.dc(), 2, 2, kKey, source.dc(), 0, 0, 4, 4);
  const COLORREF kGreen = RGB(0, 120, 0), kBlue = RGB(0, 0, 200);
  EXPECT_EQ(Pixels(target, {{2, 2}, {3, 3}, {4, 4}, {5, 5}}),
            Colours({kGreen, kBlue, kBlue, kGreen}))
      << "the key colour is left out";

  Surface stretched(8, 8, RGB(0, 120, 0));
  controls::TransparentStretchDraw(stretched.dc(), {0, 0, 8, 8}, kKey, source.dc(), {0, 0, 4, 4});
  EXPECT_EQ(Pixels(stretched, {{1, 1}, {2, 2}, {5, 5}, {7, 6}}),
            Colours({kGreen, kBlue, kBlue, kGreen}));

  // Premultiplied white at half alpha over black is 128 grey; alpha 0 leaves the target.
  Surface alpha(3, 1);
  alpha.SetRaw(0, 0, 128, 128, 128, 128);
  alpha.SetRaw(1, 0, 0, 0, 0, 0);
  alpha.SetRaw(2, 0, 10, 20, 30, 255);
  Surface over(3, 1, RGB(0, 0, 0));
  controls::AlphaDraw(over.dc(), 0, 0, 3, 1, alpha.dc(), 0, 0);
  EXPECT_EQ(Pixels(over, {{0, 0}, {1, 0}, {2, 0}}),
            Colours({RGB(128, 128, 128), 0, RGB(10, 20, 30)}));
  Surface wide(6, 2, RGB(0, 0, 0));
  controls::AlphaStretchDraw(wide.dc(), {0, 0, 6, 2}, alpha.dc(), {2, 0, 3, 1});
  EXPECT_EQ(wide.Pixel(5, 1), RGB(10, 20, 30));
}

TEST(SkinStretch, KeepsTheMarginsAndDrawsTheSourceUnchangedAtItsSize) {
  // A 9 x 9 skin: 2-pixel margins left and top, 3 right and bottom, each part its own colour.
  Surface skin(9, 9);
  const COLORREF colours[3][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                  {RGB(255, 255, 0), RGB(0, 255, 255), RGB(255, 0, 255)},
                                  {RGB(90, 0, 0), RGB(0, 90, 0), RGB(0, 0, 90)}};
  const int edges[4] = {0, 2, 6, 9};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const RECT part = {edges[i], edges[j], edges[i + 1], edges[j + 1]};
      const win::UniqueBrush brush(CreateSolidBrush(colours[j][i]));
      FillRect(skin.dc(), &part, brush.get());
    }
  }
  SetPixel(skin.dc(), 4, 4, RGB(1, 2, 3));  // a detail in the centre
  skin.MakeOpaque();
  const RECT centre = {2, 2, 6, 6};
  for (const bool alpha : {false, true}) {
    SCOPED_TRACE(alpha ? "alpha" : "copy");
    Surface same(9, 9, RGB(7, 7, 7));
    controls::StretchDrawSkinBitmap({0, 0, 9, 9}, centre, {0, 0, 9, 9}, alpha, skin.dc(),
                                    same.dc());
    EXPECT_TRUE(xptest::SamePixels(same, skin));
  }
  Surface big(40, 30, RGB(7, 7, 7));
  controls::StretchDrawSkinBitmap({0, 0, 40, 30}, centre, {0, 0, 9, 9}, false, skin.dc(), big.dc());
  // The margins stay 2 (left, top) and 3 (right, bottom) wide.
  EXPECT_EQ(Pixels(big, {{1, 1}, {2, 1}, {36, 1}, {37, 1}, {39, 29}, {37, 26}, {37, 27}, {0, 15}}),
            Colours({colours[0][0], colours[0][1], colours[0][1], colours[0][2], colours[2][2],
                     colours[1][2], colours[2][2], colours[1][0]}));
  WritePicture(big, "skin_stretch", 4);
}

TEST(XPText, PlainPathAlignsTurnsAndMeasures) {
  const controls::TextFont font = controls::TextFont::OfHeight(L"Tahoma", -13);
  Surface s(200, 40);
  const RECT rect = {10, 5, 190, 35};
  controls::TextFont red = font;
  red.color = RGB(200, 0, 0);
  controls::DrawXPText(s.dc(), rect, L"Right", {0, controls::kAlignRight, controls::kAlignMiddle},
                       controls::kDefaultTextColor, red);
  const RECT box = s.InkBox(kWhite);
  EXPECT_LE(box.right, rect.right);
  EXPECT_GT(box.left, 100);
  bool red_ink = false;
  for (int x = box.left; x < box.right; ++x) {
    for (int y = box.top; y < box.bottom; ++y) red_ink |= s.Pixel(x, y) == RGB(200, 0, 0);
  }
  EXPECT_TRUE(red_ink) << "the default colour is the font's";

  const SIZE plain = controls::MeasureXPText(s.dc(), rect, L"&File", 0, 0, font);
  const SIZE literal =
      controls::MeasureXPText(s.dc(), rect, L"&File", 0, controls::kTextNoPrefix, font);
  EXPECT_GT(literal.cx, plain.cx);
  const SIZE turned =
      controls::MeasureXPText(s.dc(), rect, L"&File", 0, controls::kTextTurned, font);
  EXPECT_EQ(std::make_pair(turned.cx, turned.cy), std::make_pair(plain.cy, plain.cx));
  const SIZE smooth =
      controls::MeasureXPText(s.dc(), rect, L"&File", 0, controls::kTextSmooth, font);
  EXPECT_EQ(smooth.cx, controls::MeasureSmoothText(rect, L"File", 0, font).cx);
  const SIZE smooth_turned = controls::MeasureXPText(
      s.dc(), rect, L"File", 0, controls::kTextSmooth | controls::kTextTurned, font);
  EXPECT_EQ(smooth_turned.cy, smooth.cx);

  for (const bool down : {false, true}) {
    Surface t(40, 160);
    const uint8_t flags = controls::kTextTurned | (down ? controls::kTextTurnDirection : 0);
    // Laid out as the smooth text's pictures are, so that the two sit alike in a column.
    controls::DrawXPText(
        t.dc(), {5, 5, 35, 155}, L"WWWW......",
        {flags, controls::kAlignLeft, down ? controls::kAlignTop : controls::kAlignBottom},
        RGB(0, 0, 0), font);
    xptest::ExpectTurnedTextReads(t, down,
                                  down ? "plain_text_turned_down" : "plain_text_turned_up");
  }
}

}  // namespace
