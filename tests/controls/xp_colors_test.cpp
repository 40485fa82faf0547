// Colour arithmetic: grey values, HSL both ways, blends with round-half-to-even.
#include "controls/xp_colors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using framework::TColor;

// "h s l" of a colour, starting from a hue of 99 (a grey keeps it).
std::string Hsl(COLORREF colour) {
  uint8_t h = 99, s = 99, l = 99;
  controls::ColorToHSL(colour, h, s, l);
  return std::to_string(h) + " " + std::to_string(s) + " " + std::to_string(l);
}

TEST(XPColors, GreyValuesAndHueSaturationLightnessBothWays) {
  EXPECT_EQ(std::vector<int>({controls::GreyValue(255, 255, 255), controls::GreyValue(255, 0, 0),
                              controls::GreyValue(0, 255, 0), controls::GreyValue(0, 0, 255)}),
            std::vector<int>({255, 76, 150, 27}));
  const COLORREF face = framework::ColorToRGB(framework::clBtnFace);
  const int grey = controls::GreyValue(GetRValue(face), GetGValue(face), GetBValue(face));
  EXPECT_EQ(controls::GreyColor(framework::clBtnFace), RGB(grey, grey, grey))
      << "system colours are resolved first";

  // A grey has no hue; 127.5 rounds to the even 128; the magenta side wraps; dark colours divide
  // by max + min.
  EXPECT_EQ(Hsl(RGB(128, 128, 128)) + ", " + Hsl(RGB(200, 100, 50)) + ", " + Hsl(RGB(255, 0, 0)) +
                ", " + Hsl(RGB(0, 0, 255)) + ", " + Hsl(RGB(0, 255, 0)) + ", " +
                Hsl(RGB(255, 0, 128)) + ", " + Hsl(RGB(40, 60, 20)),
            "99 0 128, 14 153 125, 0 255 128, 170 255 128, 85 255 128, 234 255 128, 64 128 40");
  EXPECT_EQ(
      std::vector<TColor>({controls::HSLToColor(14, 153, 125), controls::HSLToColor(200, 0, 77),
                           controls::HSLToColor(170, 255, 64), controls::HSLToColor(0, 255, 255)}),
      std::vector<TColor>({RGB(200, 99, 50), RGB(77, 77, 77), RGB(0, 0, 128), RGB(255, 255, 255)}));
}

TEST(XPColors, BlendsEveryByteWithRoundHalfToEven) {
  const TColor face = static_cast<TColor>(framework::ColorToRGB(framework::clBtnFace));
  // The last: beyond the ends the byte wraps as a byte does.
  EXPECT_EQ(std::vector<TColor>({controls::BlendColors(framework::clBlack, framework::clWhite, 0.5),
                                 controls::BlendColors(framework::clBlack, RGB(10, 20, 30), 0.25),
                                 controls::BlendColors(RGB(200, 10, 0), RGB(100, 30, 0), 0.5),
                                 controls::BlendColors(framework::clBtnFace, framework::clWhite, 0),
                                 controls::BlendColors(framework::clWhite, framework::clBtnFace, 1),
                                 controls::BlendColors(RGB(250, 0, 0), RGB(255, 0, 0), 2.0)}),
            std::vector<TColor>(
                {RGB(128, 128, 128), RGB(2, 5, 8), RGB(150, 20, 0), face, face, RGB(4, 0, 0)}));
}

}  // namespace
