// Colour arithmetic: grey values, HSL both ways, blends with round-half-to-even.
#include "controls/xp_colors.h"

#include <gtest/gtest.h>

namespace {

using framework::TColor;

TEST(XPColors, GreyValuesWeighTheChannels) {
  EXPECT_EQ(controls::GreyValue(255, 255, 255), 255);
  EXPECT_EQ(controls::GreyValue(255, 0, 0), 76);
  EXPECT_EQ(controls::GreyValue(0, 255, 0), 150);
  EXPECT_EQ(controls::GreyValue(0, 0, 255), 27);
  EXPECT_EQ(controls::GreyValue(0, 0, 0), 0);
  EXPECT_EQ(controls::GreyColor(framework::clRed), RGB(76, 76, 76));
  const COLORREF face = framework::ColorToRGB(framework::clBtnFace);
  const int grey = controls::GreyValue(GetRValue(face), GetGValue(face), GetBValue(face));
  EXPECT_EQ(controls::GreyColor(framework::clBtnFace), RGB(grey, grey, grey))
      << "system colours are resolved first";
}

TEST(XPColors, HueSaturationLightnessBothWays) {
  uint8_t h = 99, s = 99, l = 99;
  controls::ColorToHSL(RGB(128, 128, 128), h, s, l);
  EXPECT_EQ(h, 99) << "a grey has no hue: the caller's stays";
  EXPECT_EQ(s, 0);
  EXPECT_EQ(l, 128);

  controls::ColorToHSL(RGB(200, 100, 50), h, s, l);
  EXPECT_EQ(h, 14);
  EXPECT_EQ(s, 153);
  EXPECT_EQ(l, 125);
  EXPECT_EQ(controls::HSLToColor(14, 153, 125), RGB(200, 99, 50));

  controls::ColorToHSL(RGB(255, 0, 0), h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 255);
  EXPECT_EQ(l, 128) << "127.5 rounds to the even 128";
  controls::ColorToHSL(RGB(0, 0, 255), h, s, l);
  EXPECT_EQ(h, 170);
  controls::ColorToHSL(RGB(0, 255, 0), h, s, l);
  EXPECT_EQ(h, 85);
  controls::ColorToHSL(RGB(255, 0, 128), h, s, l);  // magenta side: the hue wraps round
  EXPECT_EQ(h, 234);
  controls::ColorToHSL(RGB(40, 60, 20), h, s, l);  // dark: saturation over max + min
  EXPECT_EQ(s, 128);
  EXPECT_EQ(l, 40);

  EXPECT_EQ(controls::HSLToColor(200, 0, 77), RGB(77, 77, 77));
  EXPECT_EQ(controls::HSLToColor(170, 255, 64), RGB(0, 0, 128));
  EXPECT_EQ(controls::HSLToColor(0, 255, 255), RGB(255, 255, 255));
}

TEST(XPColors, BlendsEveryByteWithRoundHalfToEven) {
  EXPECT_EQ(controls::BlendColors(framework::clBlack, framework::clWhite, 0.5), RGB(128, 128, 128));
  EXPECT_EQ(controls::BlendColors(framework::clBlack, RGB(10, 20, 30), 0.25), RGB(2, 5, 8));
  EXPECT_EQ(controls::BlendColors(RGB(200, 10, 0), RGB(100, 30, 0), 0.5), RGB(150, 20, 0));
  const TColor face = static_cast<TColor>(framework::ColorToRGB(framework::clBtnFace));
  EXPECT_EQ(controls::BlendColors(framework::clBtnFace, framework::clWhite, 0), face);
  EXPECT_EQ(controls::BlendColors(framework::clWhite, framework::clBtnFace, 1), face);
  // Beyond the ends the byte wraps as a byte does.
  EXPECT_EQ(controls::BlendColors(RGB(250, 0, 0), RGB(255, 0, 0), 2.0), RGB(4, 0, 0));
}

}  // namespace
