// Shapes of one layer resolved to a size, padstacks placed as pads, and padstack numbers.
#include "router/padstack_shapes.h"

#include <gtest/gtest.h>

namespace {

using router::TPadShapeLoader;

TEST(PadShapeLoader, OblongNeedsBothCirclesOfTheRadiusAtTheEnds) {
  TPadShapeLoader upright(1);
  upright.AddRectangle(-10, -20, 10, 20);
  EXPECT_EQ(upright.shape(), router::kRectangularShape);
  upright.AddCircle(0, -20, 10);
  EXPECT_EQ(upright.shape(), router::kRectangularShape) << "one circle leaves the rectangle";
  upright.AddCircle(0, 20, 10);
  EXPECT_EQ(upright.shape(), router::kRoundShape);
  EXPECT_EQ(upright.x_size(), 20);
  EXPECT_EQ(upright.y_size(), 60);

  TPadShapeLoader other_radius(1);
  other_radius.AddRectangle(-10, -20, 10, 20);
  other_radius.AddCircle(0, -20, 10);
  other_radius.AddCircle(0, 20, 12);
  EXPECT_EQ(other_radius.shape(), router::kRectangularShape);
  EXPECT_EQ(other_radius.y_size(), 40);
}

TEST(PadShapeLoader, FirstRealRectangleAndFirstTwoCirclesCount) {
  TPadShapeLoader loader(1);
  loader.AddRectangle(0, 0, 0, 10);  // no area: a later one replaces it
  loader.AddRectangle(-5, -5, 5, 5);
  loader.AddRectangle(-9, -9, 9, 9);
  EXPECT_EQ(loader.x_size(), 10);

  TPadShapeLoader circles(1);
  circles.AddCircle(0, 0, 5);
  circles.AddCircle(0, 0, 7);
  circles.AddCircle(0, 0, 9);
  EXPECT_EQ(circles.x_size(), 10);
  EXPECT_EQ(circles.shape(), router::kRoundShape);
}

TEST(Padstack, PlacedAsPadWhenNotAPlainVia) {
  struct Case {
    const char* why;
    int start, end;
    int32_t top, bottom;
    bool pad_like;
  };
  const Case cases[] = {
      {"no shape", 0, 0, 0, 0, true},
      {"one layer", 1, 1, 10, 10, true},
      {"through, equal ends", 1, 32, 10, 10, false},
      {"through, different ends", 1, 32, 10, 12, true},
      {"blind, different ends", 1, 3, 10, 12, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    router::TPadstack padstack;
    padstack.start_layer = c.start;
    padstack.end_layer = c.end;
    padstack.top_x = padstack.top_y = padstack.mid_x = padstack.mid_y = c.top;
    padstack.bottom_x = padstack.bottom_y = c.bottom;
    EXPECT_EQ(padstack.PadLike(), c.pad_like);
  }
}

TEST(Padstack, NumberFromTheExportsName) {
  struct Case {
    const char* name;
    int number;
  };
  const Case cases[] = {
      {"Via0", 0}, {"Via3_TB", 3}, {"via12_M2B_Rule1", 12}, {"Pad7", 7},  {"TPVia4_TB_A", 4},
      {"Via", -1}, {"ViaX", -1},   {"Via3x", -1},           {"Pin5", -1}, {"Via-3", -1},
      {"", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(router::PadstackNumberFromName(c.name), c.number);
  }
}

TEST(PadStackArray, NamesIgnoreCaseAndTheFirstStays) {
  router::TPadStackArray table;
  router::TPadstack first;
  first.top_x = 1;
  router::TPadstack second;
  second.top_x = 2;
  EXPECT_TRUE(table.Add("Via1", first));
  EXPECT_FALSE(table.Add("VIA1", second));
  ASSERT_NE(table.Find("via1"), nullptr);
  EXPECT_EQ(table.Find("via1")->top_x, 1);
  EXPECT_EQ(table.Find("Via2"), nullptr);
}

}  // namespace
