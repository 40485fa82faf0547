// The writer's per-object rule values that need no host: topology words, priority scaling and
// layer lists.
#include "router/writer_rule_queries.h"

#include <gtest/gtest.h>

namespace router {
namespace {

TEST(RoutingTopologyWord, MapsTheHostCodes) {
  const struct {
    int code;
    const char* word;
  } cases[] = {{0, "starburst"},
               {1, "starburst"},
               {2, "starburst"},
               {3, "daisy"},
               {4, "daisy (type mid_driven)"},
               {5, "daisy (type balanced)"},
               {6, "starburst"},
               {-1, "starburst"},
               {255, "starburst"}};
  for (const auto& c : cases) EXPECT_EQ(RoutingTopologyWord(c.code), c.word) << c.code;
}

TEST(ScaleRoutingPriority, FillsTheRoutersRange) {
  const struct {
    int32_t priority;
    int scaled;
  } cases[] = {{50, 128},  // 127.5: halves to even
               {100, 255}, {250, 255}, {0, 1}, {-20, 1}, {1, 3}, {10, 26}};
  for (const auto& c : cases) EXPECT_EQ(ScaleRoutingPriority(c.priority), c.scaled) << c.priority;
}

TLayerFlags Flags(std::initializer_list<int> layers) {
  TLayerFlags flags{};
  for (const int layer : layers) flags[layer - 1] = true;
  return flags;
}

TEST(LayerListText, NamesTheSetLayersTopToBottom) {
  EXPECT_EQ(LayerListText(Flags({1, 32})), "TopLayer BottomLayer");
  EXPECT_EQ(LayerListText(Flags({32, 2, 1})), "TopLayer MidLayer1 BottomLayer");
  EXPECT_EQ(LayerListText(Flags({})), "");
}

TEST(CoversBoardRoutingLayers, NeedsEveryBoardLayer) {
  const TLayerFlags board = Flags({1, 32});
  EXPECT_TRUE(CoversBoardRoutingLayers(board, Flags({1, 32})));
  EXPECT_TRUE(CoversBoardRoutingLayers(board, Flags({1, 2, 32})));
  EXPECT_FALSE(CoversBoardRoutingLayers(board, Flags({1})));
  EXPECT_FALSE(CoversBoardRoutingLayers(board, Flags({32, 2})));
  EXPECT_TRUE(CoversBoardRoutingLayers(Flags({}), Flags({})));
}

}  // namespace
}  // namespace router
