// The import's copper index: what counts as the same copper, at every place and size of the
// index.
#include "router/copper_index.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using router::TCopperIndex;
using router::TCopperItem;
using router::TNetCopper;

TCopperItem Track(sdk::Coord x1, sdk::Coord y1, sdk::Coord x2, sdk::Coord y2,
                  sdk::Coord width = 100, sdk::Handle net = 7, int layer = 1) {
  TCopperItem item;
  item.net = net;
  item.layer = layer;
  item.width = width;
  item.a = {x1, y1};
  item.b = {x2, y2};
  return item;
}

TCopperItem Via(sdk::Coord x, sdk::Coord y, int low, int high, sdk::Coord size = 240) {
  TCopperItem item;
  item.kind = TCopperItem::kVia;
  item.net = 7;
  item.low_layer = low;
  item.high_layer = high;
  item.width = size;
  item.a = item.b = {x, y};
  return item;
}

TCopperItem Pad(sdk::Coord x, sdk::Coord y, int layer = 32) {
  TCopperItem item;
  item.kind = TCopperItem::kPad;
  item.net = 7;
  item.layer = layer;
  item.a = item.b = {x, y};
  return item;
}

// Each row is looked up in an index holding a track, a via and a pad filed with a tolerance of
// 10 units, at places on both sides of the index's cell edges.
TEST(CopperIndex, FindsOnlyTheSameCopperWithinTheTolerance) {
  struct Case {
    const char* why;
    TCopperItem probe;
    sdk::Handle found;  // 0: none
  };
  const Case cases[] = {
      {"the track itself", Track(0, 0, 1000, 0), 1},
      {"its ends swapped", Track(1000, 0, 0, 0), 1},
      {"every value off by the tolerance", Track(-10, 10, 1010, -10, 110), 1},
      {"an end one unit beyond it", Track(-11, 0, 1000, 0), 0},
      {"the far end one unit beyond it", Track(0, 0, 1000, 11), 0},
      {"a width one unit beyond it", Track(0, 0, 1000, 0, 111), 0},
      {"another net", Track(0, 0, 1000, 0, 100, 8), 0},
      {"another layer", Track(0, 0, 1000, 0, 100, 7, 2), 0},
      {"one end only the same", Track(0, 0, 2000, 0), 0},
      {"the via", Via(63, -1, 1, 32), 2},
      {"the via within the tolerance across a cell edge", Via(70, 8, 1, 32, 250), 2},
      {"a via of another span", Via(63, -1, 1, 2), 0},
      {"a via of another size", Via(63, -1, 1, 32, 300), 0},
      {"a track where the via is", Track(63, -1, 63, -1, 240), 0},
      {"the pad", Pad(-4990, -5010), 3},
      {"a pad on another layer", Pad(-5000, -5000, 1), 0},
  };
  TCopperIndex index(10);
  TCopperItem track = Track(0, 0, 1000, 0);
  track.handle = 1;
  index.Add(track);
  TCopperItem via = Via(63, -1, 1, 32);
  via.handle = 2;
  index.Add(via);
  TCopperItem pad = Pad(-5000, -5000);
  pad.handle = 3;
  index.Add(pad);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const TCopperItem* found = index.Find(c.probe);
    EXPECT_EQ(found ? found->handle : 0, c.found);
  }
}

// Thousands of pieces in a few cells and spread far apart, so that the table grows many times
// and keys share slots: every piece is found at either end, and nothing between them is.
TEST(CopperIndex, EveryPieceIsFoundAfterTheTableGrew) {
  TCopperIndex index(1);
  constexpr int kPieces = 5000;
  auto piece = [](int i) {
    const sdk::Coord x = (i % 2 ? -1 : 1) * (i * 977 % 2000000);
    return Track(x, i % 50, x + 40 + i % 3, i % 50, 10 + i % 5);
  };
  for (int i = 0; i < kPieces; ++i) {
    TCopperItem item = piece(i);
    item.handle = static_cast<sdk::Handle>(i + 1);
    index.Add(item);
  }
  for (int i = 0; i < kPieces; ++i) {
    const TCopperItem item = piece(i);
    const TCopperItem* found =
        index.Find(Track(item.b.x, item.b.y, item.a.x, item.a.y, item.width));
    ASSERT_NE(found, nullptr) << i;
    EXPECT_EQ(found->a, item.a) << i;
    EXPECT_EQ(found->width, item.width) << i;
    EXPECT_EQ(index.Find(Track(item.a.x, item.a.y + 7, item.b.x, item.b.y + 7, item.width)),
              nullptr)
        << i;
  }
}

// An index emptied for the next net finds none of the pieces it had, and the pieces filed after.
TEST(CopperIndex, AnEmptiedIndexFindsOnlyWhatCameAfter) {
  TCopperIndex index(10);
  const TCopperItem before = Track(0, 0, 1000, 0), after = Track(0, 0, 0, 1000);
  for (int i = 0; i < 40; ++i) index.Add(Track(i * 100, 0, i * 100 + 50, 0));
  index.Add(before);
  index.Clear();
  EXPECT_EQ(index.Find(before), nullptr);
  EXPECT_EQ(index.Find(Track(0, 0, 50, 0)), nullptr);
  index.Add(after);
  ASSERT_NE(index.Find(after), nullptr);
  EXPECT_EQ(index.Find(after)->b, after.b);
  EXPECT_EQ(index.Find(before), nullptr) << "a track too";
}

// A piece the router cut or joined is covered when the board's tracks run beside it from end to
// end, each within the tolerance (10) of it where the two overlap, however far a track reaches
// past the piece.
TEST(CoversTrack, TracksBesideThePieceFromEndToEndWithinTheTolerance) {
  struct Case {
    const char* why;
    std::vector<TCopperItem> tracks;
    TCopperItem piece;
    bool covered;
  };
  const Case cases[] = {
      {"two tracks, the second aside by the tolerance",
       {Track(-500, 0, 400, 0), Track(1600, 10, 400, 10)},
       Track(0, 0, 1000, 0),
       true},
      {"the second aside by more",
       {Track(-500, 0, 400, 0), Track(400, 11, 1600, 11)},
       Track(0, 0, 1000, 0),
       false},
      {"a gap of the tolerance",
       {Track(0, 0, 400, 0), Track(410, 0, 1000, 0)},
       Track(0, 0, 1000, 0),
       true},
      {"a gap of more", {Track(0, 0, 400, 0), Track(411, 0, 1000, 0)}, Track(0, 0, 1000, 0), false},
      {"short of the far end", {Track(0, 0, 989, 0)}, Track(0, 0, 1000, 0), false},
      {"a width off by more", {Track(0, 0, 1000, 0, 111)}, Track(0, 0, 1000, 0), false},
      // The piece's ends a step off either way: its line leaves a long track far from its ends.
      {"a long track under a slanted piece",
       {Track(-100000, 0, 100000, 0)},
       Track(0, -8, 1000, 8),
       true},
      {"a track across the piece",
       {Track(500, -5, 500, 5), Track(0, 0, 1000, 0)},
       Track(0, 0, 1000, 0),
       true},
      {"only a track across it", {Track(500, -10, 500, 10)}, Track(495, 0, 505, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(router::CoversTrack(c.tracks, c.piece, 10), c.covered);
  }
}

// Pieces of three nets in turns, more of them than a sort keeps in order by chance: each net
// hands back its own, all of them, in the order they came; a net without pieces none.
TEST(NetCopper, EachNetGivesItsOwnPiecesInTheirOrder) {
  TNetCopper copper;
  std::map<sdk::Handle, std::vector<sdk::Handle>> expected;
  for (sdk::Handle handle = 1; handle <= 60; ++handle) {
    TCopperItem piece = Track(0, 0, 1000, 0, 100, 7 + handle * 5 % 3);
    piece.handle = handle;
    copper.Add(piece);
    expected[piece.net].push_back(handle);
  }
  EXPECT_TRUE(copper.OfNet(7).empty()) << "before grouping";
  copper.Group();
  expected[6] = expected[10] = {};  // nets without pieces
  for (const auto& [net, handles] : expected) {
    std::vector<sdk::Handle> found;
    for (const TCopperItem& piece : copper.OfNet(net)) found.push_back(piece.handle);
    EXPECT_EQ(found, handles) << "net " << net;
  }
}

}  // namespace
