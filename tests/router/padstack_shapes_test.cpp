// Padstacks placed as pads, padstack numbers and names (shapes resolve in the route-file
// reader's tests).
#include "router/padstack_shapes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A via keeps its layer stack: only a padstack on one layer, without shapes or named for the
// export's pads is placed as a free pad.
TEST(Padstack, PlacedAsPadWhenOnOneLayerOrNamedForPads) {
  struct Case {
    const char* name;
    int start, end;
    int32_t top, bottom;
    bool pad;
  };
  const Case cases[] = {
      {"Via1", 0, 0, 0, 0, true},          {"Via1_T", 1, 1, 10, 10, true},
      {"Via1_TB", 1, 32, 10, 10, false},   {"Via1_TB", 1, 32, 10, 12, false},
      {"TPVia2_TB", 1, 32, 14, 10, false}, {"Via3_TM2", 1, 3, 10, 12, false},
      {"Pad4", 1, 32, 10, 12, true},       {"pad4", 1, 32, 10, 10, true},
      {"Padding", 1, 32, 10, 10, false},   {"Router7", 1, 32, 10, 12, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + std::string(" ") + std::to_string(c.top) + "/" +
                 std::to_string(c.bottom));
    router::TPadstack padstack;
    padstack.start_layer = c.start;
    padstack.end_layer = c.end;
    padstack.top_x = padstack.top_y = padstack.mid_x = padstack.mid_y = c.top;
    padstack.bottom_x = padstack.bottom_y = c.bottom;
    EXPECT_EQ(router::PlacedAsPad(c.name, padstack), c.pad);
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
