// Padstacks placed as pads, padstack numbers and names (shapes resolve in the route-file
// reader's tests).
#include "router/padstack_shapes.h"

#include <gtest/gtest.h>

namespace {

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
