// The PcbApi bridge over the stand-in editor with the example board open: what the module reads
// matches the board file, objects come and go, searches find what lies there, and boards that
// cannot be read leave the open board as it was.
#include <gtest/gtest.h>

#include "sdk/unit_table.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "quorvel_session.h"
#include "support/child_process.h"
#include "sdk/pcb_object_kinds.h"

namespace quorveltest {
namespace {

using namespace sdk;

// How many objects of each kind the board holds, by the kinds' short names.
std::string Census(const ExampleBoard& board) {
  std::string census;
  for (uint8_t kind = 0; kind < 26; ++kind) {
    const size_t count = board.Objects(kind).size();
    if (count) census += ObjectKindToShortName(kind) + "=" + std::to_string(count) + " ";
  }
  return census;
}

// Pads: 20 of components, 2 free. Vias: through, stacked, blind, buried and one without a net.
// Tracks: 12 free, 1 of U1's silk, 3 of the polygon's hatch. Arcs: 2 free, 1 of the hatch. Texts:
// 2 free, 6 designators, 6 comments. The room is among the rules.
TEST_F(ExampleBoard, CountsOfEveryKindMatchTheFile) {
  EXPECT_EQ(Census(*this),
            "Arc=3 Pad=22 Via=5 Track=16 Text=14 Fill=2 Connection=1 Net=7 Component=6 Poly=1 "
            "Region=2 ComponentBody=1 Dimension=1 Coordinate=1 Class=5 Rule=13 FromTo=2 "
            "DifferentialPair=1 Violation=1 Embedded=1 EmbeddedBoard=1 SplitPlane=2 ");
  // The board outline's kind lies beyond the container walk: its own iterator finds it.
  const Handle iterator = PcbApi_CreateIterator(board_, pcbapi::kBoardOutline, 0, 0);
  const Handle outline = PcbApi_GetFirstObject(iterator);
  EXPECT_EQ(PcbApi_GetNextObject(iterator), 0u);
  EXPECT_EQ(PcbApi_DestroyIterator(iterator), 0);
  EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(outline), pcbapi::kBoardOutline);
  EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(board_), pcbapi::kBoard);
}

// Method 1 takes free objects only, 2 those of components; U1's silk line is no free object,
// no pad lies on mid layer 1 itself, and the hatch is among the bottom tracks.
TEST_F(ExampleBoard, IteratorsSelectByLayerAndMethod) {
  const std::tuple<uint8_t, uint8_t, uint8_t> walks[] = {
      {pcbapi::kTrack, 1, 0},      {pcbapi::kTrack, 2, 0},  {pcbapi::kTrack, 32, 0},
      {pcbapi::kTrack, 56, 0},     {pcbapi::kTrack, 33, 0}, {pcbapi::kTrack, 33, 1},
      {pcbapi::kPad, 0, 1},        {pcbapi::kPad, 0, 2},    {pcbapi::kPad, 74, 0},
      {pcbapi::kPad, 2, 0},        {pcbapi::kVia, 74, 0},   {pcbapi::kRule, 74, 1},
      {pcbapi::kSplitPlane, 40, 0}};
  std::string counts;
  for (const auto& [kind, layer, method] : walks) {
    counts += std::to_string(Objects(kind, layer, method).size()) + " ";
  }
  EXPECT_EQ(counts, "6 2 5 1 1 0 2 20 5 0 5 13 2 ");
}

TEST_F(ExampleBoard, NetsAndComponentsAreContainers) {
  std::map<std::string, Handle> nets;
  for (Handle net : Objects(pcbapi::kNet)) nets[GetObjectNameByHandle(net)] = net;
  ASSERT_EQ(nets.size(), 7u);
  EXPECT_EQ(Members(nets["SDA"], pcbapi::kTrack).size(), 3u);
  EXPECT_EQ(Members(nets["SDA"], pcbapi::kPad).size(), 3u) << "U1-5, R1-2 and TP1";

  // The first component is U1 with its eight pads, read back with their names.
  const Handle u1 = Objects(pcbapi::kComponent).front();
  char designator[pcbapi::kDesignatorBufferSize];
  PcbApi_GetDesignatorDisplayString(designator, u1);
  EXPECT_STREQ(designator, "U1");
  std::string names;
  for (Handle pad : Members(u1, pcbapi::kPad)) names += GetObjectNameByHandle(pad);
  EXPECT_EQ(names, "12345678");
}

TEST_F(ExampleBoard, RecordsCarryTheFilesValues) {
  // The first track on mid layer 1: SCL, from (1625, 1775) to (1625, 1700) mil, 8 mil wide.
  TPcbTrack track(Objects(pcbapi::kTrack, 2).front());
  ASSERT_EQ(track.Sync(pcbapi::kRead), 0);
  EXPECT_EQ(std::make_tuple(
                track.GetLayer(), track.GetX(), track.GetY(), track.GetX2(), track.GetY2(),
                track.GetWidth(),
                track.GetFlags() | track.GetAuxWord() | track.GetAuxByte() | track.GetAuxInteger(),
                GetObjectNameByHandle(track.GetNetHandle())),
            std::make_tuple(LegacyLayer{2}, Mil(1625), Mil(1775), Mil(1625), Mil(1700), Mil(8), 0,
                            std::string("SCL")));

  // Hatch tracks name their polygon and have no net.
  const Handle hatch = Objects(pcbapi::kTrack, 32).back();
  Handle net = 1;
  int32_t polygon = 0;
  ASSERT_EQ(
      PcbApi_QueryTrack(pcbapi::kRead, hatch, nullptr, nullptr, nullptr, &net, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr, nullptr, &polygon, nullptr, nullptr),
      0);
  EXPECT_EQ(net, 0u);
  EXPECT_EQ(static_cast<Handle>(polygon), Objects(pcbapi::kPolygon).front());
}

TEST_F(ExampleBoard, PadStacksAnswerPerLayer) {
  const std::vector<Handle> j1 = Members(Objects(pcbapi::kComponent)[4], pcbapi::kPad);
  ASSERT_EQ(j1.size(), 4u);
  // Stack mode, shape and size in mils of J1's pads on layers: pad 0 is top-middle-bottom (and
  // has no copper on the overlay), pad 2 a full stack whose layers the file does not name keep
  // the pad's look (octagonal on the bottom), pad 1 simple: every signal layer alike.
  std::string stacks;
  for (const auto& [pad, layer] : std::vector<std::pair<size_t, uint8_t>>{
           {0, 1}, {0, 3}, {0, 32}, {0, 33}, {2, 2}, {2, 32}, {2, 3}, {1, 17}}) {
    uint8_t mode = 99, shape = 99;
    Coord xs = -1, ys = -1;
    ASSERT_EQ(PcbApi_QueryPadStackMode(pcbapi::kRead, j1[pad], &mode) |
                  PcbApi_QueryPadOrViaShapeOnLayer(j1[pad], layer, &shape) |
                  PcbApi_QueryPadOrViaSizeOnLayer(j1[pad], layer, &xs, &ys),
              0);
    stacks += std::to_string(mode) + "/" + std::to_string(shape) + "/" +
              std::to_string(xs / 10000) + "x" + std::to_string(ys / 10000) + " ";
  }
  EXPECT_EQ(stacks,
            "1/2/70x70 1/2/62x62 1/2/70x70 1/0/0x0 2/1/60x60 2/3/80x80 2/1/70x70 0/1/70x70 ");
  // U1-8 is a rounded rectangle with a 50% corner: radius = 50% of half the smaller side.
  const std::vector<Handle> u1 = Members(Objects(pcbapi::kComponent)[0], pcbapi::kPad);
  Coord radius = 0;
  uint8_t percent = 0;
  uint8_t power_ground = 0;
  ASSERT_EQ(PcbApi_QueryPadCornerRadiusOnLayer(u1[7], 1, &radius), 0);
  ASSERT_EQ(PcbApi_QueryPadCRPercentageOnLayer(u1[7], 1, &percent), 0);
  ASSERT_EQ(PcbApi_QueryPad_PwrGnd(u1[3], &power_ground), 0);
  EXPECT_EQ(std::make_tuple(percent, radius, power_ground),
            std::make_tuple(uint8_t{50}, Mil(6), uint8_t{1}));
}

TEST_F(ExampleBoard, ViasSpanTheirLayers) {
  const std::vector<Handle> vias = Objects(pcbapi::kVia);
  ASSERT_EQ(vias.size(), 5u);
  // Sizes in mils: the through via on top and bottom, the stacked via's top and middle, the
  // blind via reaching mid layer 1 but not 2, the buried one reaching mid layer 2 but not the top.
  std::string sizes;
  for (const auto& [via, layer] : std::vector<std::pair<size_t, uint8_t>>{
           {0, 1}, {0, 32}, {1, 1}, {1, 3}, {2, 2}, {2, 3}, {3, 1}, {3, 3}}) {
    Coord size = -1;
    ASSERT_EQ(PcbApi_QueryViaStackSizeOnLayer(pcbapi::kRead, vias[via], layer, &size), 0);
    sizes += std::to_string(size / 10000) + " ";
  }
  EXPECT_EQ(sizes, "24 24 26 22 20 0 0 20 ");
  uint8_t low = 0, high = 0, legacy = 0;
  ASSERT_EQ(
      PcbApi_QueryVia(pcbapi::kRead, vias[3], nullptr, nullptr, &legacy, nullptr, nullptr, nullptr,
                      nullptr, nullptr, nullptr, nullptr, &low, &high, nullptr, nullptr),
      0);
  EXPECT_EQ(std::make_tuple(legacy, low, high), std::make_tuple(74, 2, 3));
}

TEST_F(ExampleBoard, BoardRecordLayersAndPairs) {
  int32_t version = 0, objects = 0;
  pcbapi::Text255 file{};
  uint8_t unit = 9, snap = 9, current = 0;
  Coord ox = 0, oy = 0, w = 0, h = 0;
  ASSERT_EQ(QueryBoardWithLegacyLayer(pcbapi::kRead, board_, &version, &file, &unit, &ox, &oy, &w,
                                      &h, &snap, &current, &objects),
            0);
  EXPECT_EQ(std::make_tuple(TextOf(file), unit, ox, w, current),
            std::make_tuple(ExampleBoardPath(), uint8_t{0}, Mil(1000), Mil(2000), uint8_t{1}));
  EXPECT_GT(objects, 100);

  pcbapi::Text255 material{};
  uint8_t kind = 0;
  double constant = 0;
  Coord height = 0;
  ASSERT_EQ(
      PcbApi_QueryLayerDielectric(pcbapi::kRead, 1, board_, &material, &kind, &constant, &height),
      0);
  EXPECT_EQ(std::make_tuple(TextOf(material), constant, height),
            std::make_tuple(std::string("Prepreg"), 4.2, Mil(5)));

  int32_t pairs = -1;
  ASSERT_EQ(PcbApi_QueryBoardLayerPairsCount(board_, &pairs, pcbapi::kRead), 0);
  ASSERT_EQ(pairs, 3);
  pcbapi::LayerId first = 0, second = 0;
  uint8_t b1 = 9, b2 = 9;
  ASSERT_EQ(PcbApi_QueryBoardLayerPairAt(pcbapi::kRead, board_, 2, &second, &first, &b2, &b1), 0);
  EXPECT_EQ(std::make_pair(first, second), std::make_pair(pcbapi::LayerId{2}, pcbapi::LayerId{3}));
  EXPECT_EQ(PcbApi_QueryBoardLayerPairAt(pcbapi::kRead, board_, 3, &second, &first, &b2, &b1), 1);

  Coord x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ASSERT_EQ(PcbApi_QueryObjectBoundingRectangle(board_, &x1, &y1, &x2, &y2), 0);
  EXPECT_EQ(std::make_tuple(x1, y1, x2, y2),
            std::make_tuple(Mil(1000), Mil(1000), Mil(3000), Mil(2500)));
}

TEST_F(ExampleBoard, OutlinesTravelAsSegmentBlocks) {
  const Handle polygon = Objects(pcbapi::kPolygon).front();
  static pcbapi::OutlineBlock block;  // 185 kB: not on the stack
  std::memset(&block, 0, sizeof block);
  int32_t count = -1;
  Coord track_width = 0;
  ASSERT_EQ(PcbApi_QueryPolygon(pcbapi::kRead, polygon, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, &track_width, nullptr, nullptr,
                                nullptr, nullptr, &count, &block),
            0);
  ASSERT_EQ(count, 4);
  EXPECT_EQ(track_width, Mil(10));
  // Each segment starts at its vertex: the arc at its start point (1900, 1300).
  const pcbapi::OutlineSegment& arc = block.segments[2];
  EXPECT_EQ(std::make_tuple(+arc.kind, +arc.vx, +arc.vy, +arc.radius, +arc.end_angle,
                            +block.segments[3].kind, +block.segments[3].vy),
            std::make_tuple(1, Mil(1900), Mil(1300), Mil(200), 90.0, 0, Mil(1500)));
}

TEST_F(ExampleBoard, RulesCarryTheirValues) {
  std::map<std::string, Handle> rules;
  for (Handle rule : Objects(pcbapi::kRule)) {
    pcbapi::Text255 name{};
    ASSERT_EQ(PcbApi_QueryRuleExtEx(pcbapi::kRead, rule, &name), 0);
    rules[TextOf(name)] = rule;
  }
  Coord gap = 0;
  ASSERT_EQ(PcbApi_QueryRuleClearanceConstraint(pcbapi::kRead, rules["Clearance"], &gap), 0);
  EXPECT_EQ(gap, Mil(8));
  EXPECT_EQ(PcbApi_QueryRuleClearanceConstraint(pcbapi::kRead, rules["Width"], &gap), 1)
      << "a width rule has no gap";
  // Layers without their own widths take the rule's (-1: the rule's own).
  const auto preferred_width = [&](int layer) {
    Coord max = 0, min = 0, preferred = 0;
    const Handle rule = rules["Width"];
    EXPECT_EQ(
        layer < 0
            ? PcbApi_QueryRuleMaxMinWidthConstraintExt(pcbapi::kRead, rule, &max, &min, &preferred)
            : PcbApi_QueryRuleMaxMinWidthConstraintByLayer(
                  pcbapi::kRead, rule, static_cast<uint8_t>(layer), &max, &min, &preferred),
        0);
    return preferred;
  };
  EXPECT_EQ(std::vector<Coord>({preferred_width(-1), preferred_width(2), preferred_width(32)}),
            std::vector<Coord>({Mil(10), Mil(8), Mil(10)}));
  uint8_t flags[32] = {};
  ASSERT_EQ(PcbApi_QueryRuleRoutingLayersRule(pcbapi::kRead, rules["RoutingLayers"], flags), 0);
  EXPECT_EQ(flags[0] + flags[1] + flags[2] + flags[31], 4);
  EXPECT_EQ(flags[3], 0);
  uint8_t kind = 0, enabled = 9, unary = 9;
  int32_t priority = 0;
  pcbapi::Text255 scope1{}, scope2{};
  const auto rule_ex = [&](Mode mode, Handle rule) {
    return PcbApi_QueryRuleEx(mode, rule, &kind, &enabled, &priority, &unary, &scope1, &scope2);
  };
  ASSERT_EQ(rule_ex(pcbapi::kRead, rules["PowerClearance"]), 0);
  EXPECT_EQ(std::make_tuple(kind, enabled, unary, priority, TextOf(scope1)),
            std::make_tuple(0, 1, 0, 1, std::string("InNetClass('Power')")));
  ASSERT_EQ(rule_ex(pcbapi::kRead, rules["RoomClearance"]), 0);
  EXPECT_EQ(enabled, 0);
  // Among the rules scoped "All", the lowest priority number dominates.
  const Handle pad = Objects(pcbapi::kPad).front();
  EXPECT_EQ(PcbApi_FindDominantRuleForObject(pad, 2), rules["Width"]);
  EXPECT_EQ(PcbApi_FindDominantRuleForObjectPair(pad, pad, 0), rules["Clearance"]);
  EXPECT_EQ(PcbApi_FindDominantRuleForObject(pad, 51), 0u);
  EXPECT_EQ(PcbApi_Scope1_Includes(rules["Clearance"], pad), 1);
  EXPECT_EQ(PcbApi_Scope1_Includes(rules["PowerClearance"], pad), 0);

  // A rule that changes its kind, goes or comes is looked up as it is now.
  constexpr uint8_t kUnused = 51;
  const Handle width = rules["Width"];
  ASSERT_EQ(rule_ex(pcbapi::kRead, width), 0);
  kind = kUnused;
  ASSERT_EQ(rule_ex(pcbapi::kWrite, width), 0);
  EXPECT_EQ(PcbApi_FindDominantRuleForObject(pad, kUnused), width);
  EXPECT_NE(PcbApi_FindDominantRuleForObject(pad, 2), width);
  ASSERT_EQ(PcbApi_DeleteObjectFromContainer(board_, width), 0);
  EXPECT_EQ(PcbApi_FindDominantRuleForObject(pad, kUnused), 0u);
  const Handle added = PcbApi_CreateObject(pcbapi::kRule);
  ASSERT_EQ(rule_ex(pcbapi::kWrite, added), 0);
  EXPECT_EQ(PcbApi_FindDominantRuleForObject(pad, kUnused), 0u) << "not on the board yet";
  ASSERT_EQ(PcbApi_AddObjectToContainer(board_, added), 0);
  EXPECT_EQ(PcbApi_FindDominantRuleForObject(pad, kUnused), added);
}

// A scope answers for the board as it is now, after its rule's text or the net it names changed
// since the last question: renamed away, the scope rewritten to the new name, renamed back.
TEST_F(ExampleBoard, NetScopesFollowRenamedNetsAndRewrittenScopes) {
  Handle pad = 0, net = 0;
  for (Handle candidate : Objects(pcbapi::kPad)) {
    pad = candidate;
    PcbApi_QueryPrimitive(pcbapi::kRead, pad, nullptr, nullptr, nullptr, &net, nullptr, nullptr);
    if (net != 0) break;
  }
  pcbapi::Text255 name{};
  ASSERT_EQ(PcbApi_QueryNet(pcbapi::kRead, net, nullptr, &name, nullptr, nullptr), 0);
  const std::string old_name = TextOf(name);
  const Handle rule = PcbApi_CreateObject(pcbapi::kRule);
  ASSERT_EQ(PcbApi_AddObjectToContainer(board_, rule), 0);
  const auto answers = [&](const std::string& scope, const std::string& net_name) {
    pcbapi::Text255 scope_text = MakeText<255>(scope), net_text = MakeText<255>(net_name);
    EXPECT_EQ(PcbApi_QueryRuleEx(pcbapi::kWrite, rule, nullptr, nullptr, nullptr, nullptr,
                                 &scope_text, nullptr),
              0);
    EXPECT_EQ(PcbApi_QueryNet(pcbapi::kWrite, net, nullptr, &net_text, nullptr, nullptr), 0);
    return PcbApi_Scope1_Includes(rule, pad);
  };
  const std::string in_old = "InNet('" + old_name + "')";
  EXPECT_EQ(std::vector<int>({answers(in_old, old_name), answers(in_old, "Renamed"),
                              answers("InNet('Renamed')", "Renamed"),
                              answers("InNet('Renamed')", old_name)}),
            std::vector<int>({1, 0, 1, 0}));
}

// Each class with its member kind, whether it takes all members, and its members up to the first
// index that fails; index -1 fails too.
TEST_F(ExampleBoard, ClassesListTheirMembers) {
  std::string classes;
  for (Handle c : Objects(pcbapi::kClass)) {
    pcbapi::Text255 name{};
    uint8_t member_kind = 9, all = 9;
    ASSERT_EQ(PcbApi_QueryClass(pcbapi::kRead, c, nullptr, &member_kind, &all, &name), 0);
    classes += TextOf(name) + " " + std::to_string(member_kind) + std::to_string(all) + ":";
    for (int32_t i = 0; PcbApi_GetMemberFromClassAt(c, i, &name) == 0; ++i) {
      classes += " " + TextOf(name);
    }
    classes += PcbApi_GetMemberFromClassAt(c, -1, &name) == 1 ? "; " : " (member -1); ";
  }
  EXPECT_EQ(classes,
            "All Nets 01:; Power 00: GND +3V3; I2C 00: SDA SCL; Passives 10: R1 R2 C1; "
            "Critical 20: U1-5:R1-2; ");
}

TEST_F(ExampleBoard, SpatialSearchFindsWhatLiesAtAPoint) {
  LegacyLayerSet layers;
  layers.IncludeRange(1, 75);
  const auto kinds_at = [&](Coord x, Coord y, KindSet kinds) {
    std::string found;
    SearchAroundPoint(Mil(x), Mil(y), layers, kinds, [&](Handle, uint8_t kind) {
      return found += ObjectKindToShortName(kind) + " ", true;
    });
    return found;
  };
  const KindSet pads_and_vias = (1u << pcbapi::kPad) | (1u << pcbapi::kVia);
  // The outline's extent covers the whole board; at the blind via tracks end, but not there.
  const KindSet all_but_outline = ~(1u << pcbapi::kBoardOutline);
  EXPECT_EQ(kinds_at(2400, 1900, pads_and_vias) + "| " + kinds_at(1900, 1700, pads_and_vias) +
                "| " + kinds_at(2900, 1200, all_but_outline) + "| " +
                kinds_at(2900, 1200, 1u << pcbapi::kBoardOutline),
            "Pad | Via | | BoardOutline ");

  const Handle empty = CreateSpatialIteratorOnLayers(board_, Mil(2900), Mil(1200), Mil(2900),
                                                     Mil(1200), layers, all_but_outline);
  ASSERT_NE(empty, 0u);
  uint8_t kind = 0;
  EXPECT_EQ(PcbApi_GetFirstSpatialObject(empty, &kind), 0u);
  EXPECT_EQ(PcbApi_DestroySpatialIterator(empty), 0);
  EXPECT_EQ(PcbApi_DestroySpatialIterator(empty), 1) << "destroyed once only";
}

TEST_F(ExampleBoard, ObjectsComeAndGo) {
  const size_t before = Objects(pcbapi::kTrack).size();
  const Handle track = PcbApi_CreateObject(pcbapi::kTrack);
  ASSERT_NE(track, 0u);
  EXPECT_EQ(Objects(pcbapi::kTrack).size(), before) << "free-standing until added";
  pcbapi::LayerId layer = 2;
  Coord x = Mil(2900), y = Mil(2000), x2 = Mil(2950), y2 = Mil(2000), width = Mil(10);
  ASSERT_EQ(PcbApi_QueryTrack(pcbapi::kWrite, track, nullptr, nullptr, &layer, nullptr, nullptr,
                              nullptr, &x, &y, &x2, &y2, &width, nullptr, nullptr, nullptr),
            0);
  ASSERT_EQ(PcbApi_AddObjectToContainer(board_, track), 0);
  EXPECT_EQ(Objects(pcbapi::kTrack).size(), before + 1);
  EXPECT_EQ(Objects(pcbapi::kTrack, 2).back(), track);
  const auto hits = [&](LegacyLayerSet layers) {
    int found = 0;
    SearchAroundPoint(Mil(2925), Mil(2000), layers, 1u << pcbapi::kTrack,
                      [&](Handle h, uint8_t) { return found += h == track, true; });
    return found;
  };
  EXPECT_EQ(hits(Layers({2})), 1);
  // With the host SDK started, the search hands the editor a real layer set to ask.
  sdk::StartHostSdkUnits();
  EXPECT_EQ(std::make_pair(hits(Layers({3, 4})), hits(Layers({1, 2}))), std::make_pair(0, 1));
  sdk::EndHostSdkUnits();

  // Into a net and out again, as the width lookup does with its probe track.
  const Handle net = Objects(pcbapi::kNet).front();
  ASSERT_EQ(PcbApi_AddObjectToContainer(net, track), 0);
  Handle track_net = 0;
  ASSERT_EQ(PcbApi_QueryPrimitive(pcbapi::kRead, track, nullptr, nullptr, nullptr, &track_net,
                                  nullptr, nullptr),
            0);
  EXPECT_EQ(track_net, net);
  ASSERT_EQ(PcbApi_DeleteObjectFromContainer(net, track), 0);
  ASSERT_EQ(PcbApi_DeleteObjectFromContainer(board_, track), 0);
  EXPECT_EQ(Objects(pcbapi::kTrack).size(), before);
  EXPECT_EQ(PcbApi_GetObjectIdFromObjectHandle(track), 0) << "deleted from the board is gone";
  EXPECT_EQ(PcbApi_DestroyObject(track), 1);

  const Handle probe = PcbApi_CreateObject(pcbapi::kVia);
  EXPECT_EQ(PcbApi_SetOwnerBoard(board_, probe), 0);
  EXPECT_EQ(PcbApi_DestroyObject(probe), 0);
  EXPECT_EQ(PcbApi_CreateObject(pcbapi::kBoard), 0u);
  EXPECT_EQ(PcbApi_CreateObject(27), 0u);
}

// The editor files a placed object anew only when a write may have moved it: a track, via and pad
// moved through their records (with a new AuxWord, which places nothing) are found at their new
// place alone.
TEST_F(ExampleBoard, RecordWritesThatMoveAnObjectMoveItInTheSearch) {
  const Coord away = Mil(40000);
  for (const uint8_t kind :
       {uint8_t{pcbapi::kTrack}, uint8_t{pcbapi::kVia}, uint8_t{pcbapi::kPad}}) {
    const std::unique_ptr<TPCBObject> object = CreatePcbObject(Objects(kind).front());
    ASSERT_NE(object, nullptr);
    const Coord x = object->GetX(), y = object->GetY();
    auto found_at = [&](Coord at) {
      int hits = 0;
      SearchAroundPoint(at, y, Layers({1, 32, 74}), 1u << kind,
                        [&](Handle h, uint8_t) { return hits += h == object->GetHandle(), true; });
      return hits;
    };
    ASSERT_EQ(found_at(x), 1) << int{kind};
    object->MoveByXY(away - x, 0);
    object->SetAuxWord(77);
    ASSERT_EQ(object->Sync(pcbapi::kWrite), 0) << int{kind};
    EXPECT_EQ(std::pair(found_at(x), found_at(away)), std::pair(0, 1)) << int{kind};
  }
}

TEST_F(ExampleBoard, DeletingDuringIterationSkipsTheDeleted) {
  const Handle iterator = CreateLayerIterator(board_, pcbapi::kTrack, 0, 1);
  std::vector<Handle> seen;
  for (Handle h = PcbApi_GetFirstObject(iterator); h; h = PcbApi_GetNextObject(iterator)) {
    seen.push_back(h);
    if (seen.size() == 1) {
      // Delete the next two tracks of the layer while the walk is on.
      const std::vector<Handle> all = Objects(pcbapi::kTrack, 1);
      PcbApi_DeleteObjectFromContainer(board_, all[1]);
      PcbApi_DeleteObjectFromContainer(board_, all[2]);
    }
  }
  PcbApi_DestroyIterator(iterator);
  EXPECT_EQ(seen.size(), 4u) << "six tracks on the top layer, two deleted on the way";
}

// Tracks made across many words of handles, every third deleted and one laid again where one
// was deleted: the walks by kind and by layer give exactly the live tracks in handle order, and
// searches find the new track and nothing of the deleted ones.
TEST_F(ExampleBoard, WalksAndSearchesFollowManyAddsAndDeletes) {
  const std::vector<Handle> old_all = Objects(pcbapi::kTrack);
  const std::vector<Handle> old_top = Objects(pcbapi::kTrack, 1);
  const std::vector<Handle> old_bottom = Objects(pcbapi::kTrack, 32);
  auto lay = [&](int layer, Coord x) {
    const Handle handle = PcbApi_CreateObject(pcbapi::kTrack);
    TPcbTrack track(handle);
    track.SetLayer(static_cast<LegacyLayer>(layer));
    track.SetX(x);
    track.SetY(Mil(9000));
    track.SetX2(x + Mil(20));
    track.SetY2(Mil(9000));
    track.SetWidth(Mil(5));
    EXPECT_EQ(track.Sync(pcbapi::kWrite), 0);
    EXPECT_EQ(PcbApi_AddObjectToContainer(board_, handle), 0);
    return handle;
  };
  auto found_at = [&](Coord x) {
    std::vector<Handle> found;
    SearchAroundPoint(x + Mil(10), Mil(9000), Layers({1, 32}), 1u << pcbapi::kTrack,
                      [&](Handle h, uint8_t) { return found.push_back(h), true; });
    return found;
  };
  std::vector<Handle> all = old_all, top = old_top, bottom = old_bottom, made;
  for (int i = 0; i < 200; ++i) made.push_back(lay(i % 2 ? 1 : 32, Mil(20000 + 300 * i)));
  for (size_t i = 0; i < made.size(); ++i) {
    if (i % 3 == 0) {
      ASSERT_EQ(PcbApi_DeleteObjectFromContainer(board_, made[i]), 0);
      continue;
    }
    all.push_back(made[i]);
    (i % 2 ? top : bottom).push_back(made[i]);
  }
  EXPECT_EQ(Objects(pcbapi::kTrack), all);
  EXPECT_EQ(Objects(pcbapi::kTrack, 1), top);
  EXPECT_EQ(Objects(pcbapi::kTrack, 32), bottom);
  EXPECT_TRUE(found_at(Mil(20000 + 300 * 3)).empty()) << "a deleted track is not found";
  EXPECT_EQ(found_at(Mil(20000 + 300 * 4)), std::vector<Handle>{made[4]});
  const Handle again = lay(1, Mil(20000 + 300 * 3));
  EXPECT_EQ(found_at(Mil(20000 + 300 * 3)), std::vector<Handle>{again});
  EXPECT_EQ(Objects(pcbapi::kTrack, 1).back(), again);

  for (const Handle handle : Objects(pcbapi::kTrack)) {
    if (handle > old_all.back()) {
      ASSERT_EQ(PcbApi_DeleteObjectFromContainer(board_, handle), 0);
    }
  }
  EXPECT_EQ(Objects(pcbapi::kTrack), old_all);
  EXPECT_EQ(Objects(pcbapi::kTrack, 1), old_top);
}

std::vector<std::string> journal_lines;
void __stdcall AppendJournal(const char* line) { journal_lines.push_back(line); }

TEST_F(ExampleBoard, JournalRecordsProgressAndChanges) {
  journal_lines.clear();
  QuorvelSession::Get().SetJournal(AppendJournal);
  const pcbapi::Text255 message = MakeText<255>("Saving board (QIX Design)");
  PcbApi_Percent_Init(&message, 3);
  PcbApi_Percent_Update();
  PcbApi_Percent_Update();
  PcbApi_Percent_Finish();
  const Handle via = PcbApi_CreateObject(pcbapi::kVia);
  PcbApi_AddObjectToContainer(board_, via);
  PcbApi_DeleteObjectFromContainer(board_, via);
  QuorvelSession::Get().SetJournal(nullptr);
  PcbApi_Percent_Finish();  // not recorded here any more
  EXPECT_EQ(journal_lines,
            (std::vector<std::string>{"progress start: Saving board (QIX Design) (3 steps)",
                                      "progress finish: Saving board (QIX Design) (2 of 3 steps)",
                                      "created Via " + std::to_string(via),
                                      "added Via " + std::to_string(via),
                                      "deleted Via " + std::to_string(via)}));
}

TEST_F(ExampleBoard, SavedBoardReadsBackTheSame) {
  testsupport::TempDir dir;
  ASSERT_EQ(QuorvelSession::Get().Save(dir.Path("saved.json")), "");
  const std::string first = testsupport::ReadFile(dir.Path("saved.json"));
  const std::string census = Census(*this);
  ASSERT_EQ(QuorvelSession::Get().Open(dir.Path("saved.json")), "");
  EXPECT_EQ(Census(*this), census);
  ASSERT_EQ(QuorvelSession::Get().Save(dir.Path("again.json")), "");
  EXPECT_EQ(testsupport::ReadFile(dir.Path("again.json")), first) << "a saved board is stable";
  EXPECT_FALSE(testsupport::FileExists(dir.Path("again.json.tmp")));
}

TEST(QuorvelBoardFile, KeysTheFormatDoesNotNameSurviveASave) {
  ASSERT_TRUE(QuorvelSession::Get().loaded());
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.Path("custom.json"), R"({
    "format": "quorvel-board", "version": 1, "vendorNotes": {"checked": true},
    "board": {"unit": "mm", "revision": "B"},
    "nets": [{"name": "N1", "colour": "red"}],
    "tracks": [{"layer": "TopLayer", "net": "N1", "x": "1mm", "x2": "2mm", "width": 1234, "glow": [1, 2]}]
  })");
  ASSERT_EQ(QuorvelSession::Get().Open(dir.Path("custom.json")), "");
  ASSERT_EQ(QuorvelSession::Get().Save(dir.Path("saved.json")), "");
  const std::string saved = testsupport::ReadFile(dir.Path("saved.json"));
  for (const char* kept :
       {"\"vendorNotes\": {\"checked\":true}", "\"revision\":\"B\"", "\"colour\":\"red\"",
        "\"glow\":[1,2]", "\"width\":\"0.1234mil\"", "\"x2\":\"78.7402mil\"", "\"unit\":\"mm\""}) {
    EXPECT_NE(saved.find(kept), std::string::npos) << kept << " in\n" << saved;
  }
}

struct MalformedCase {
  const char* content;
  const char* message;  // after the file name
};
const MalformedCase kMalformed[] = {
    {"{\n  \"format\": \"quorvel-board\",\n  \"version\": 1,\n  \"nets\": [ {\"name\": \"A\"} \n",
     ":5:1: syntax error while parsing array - unexpected end of input; expected ']'"},
    {"{\"format\": \"quorvel-board\", \"version\": 1,\n \"nets\": [{\"name\": \"A\",}]}",
     ":2:24: syntax error while parsing object key - unexpected '}'; expected string literal"},
    {R"({"format": "other", "version": 1})", " at /format: expected \"quorvel-board\""},
    {R"({"format": "quorvel-board", "version": 2})", " at /version: expected 1"},
    {R"({"format": "quorvel-board", "version": 1, "tracks": [{"layer": "Top"}]})",
     " at /tracks/0/layer: unknown layer \"Top\""},
    {R"({"format": "quorvel-board", "version": 1, "tracks": [{}, {"net": "GND"}]})",
     " at /tracks/1/net: net \"GND\" is not in the \"nets\" list"},
    {R"({"format": "quorvel-board", "version": 1, "vias": [{"size": "12 mil"}]})",
     " at /vias/0/size: \"12 mil\": unknown unit ' mil' (mil or mm)"},
    {R"({"format": "quorvel-board", "version": 1, "components": [{"pads": [{"name": "123456789012345678901"}]}]})",
     " at /components/0/pads/0/name: longer than 20 characters"},
    {R"({"format": "quorvel-board", "version": 1, "rules": [{"kind": "Fastness"}]})",
     " at /rules/0/kind: unknown rule kind \"Fastness\""},
    {R"({"format": "quorvel-board", "version": 1, "violations": [{"rule": "r9"}]})",
     " at /violations/0/rule: no object has the id r9"},
    {R"({"format": "quorvel-board", "version": 1, "tracks": [3]})",
     " at /tracks/0: expected an object"},
    {R"({"format": "quorvel-board", "version": 1, "stack": [{"layer": "TopOverlay"}]})",
     " at /stack/0/layer: only signal layers and internal planes make the stack"},
    {R"({"format": "quorvel-board", "version": 1, "board": {"grids": {"snap": 1}}})",
     " at /board/grids/snap: unknown key"},
    {R"({"format": "quorvel-board", "version": 1, "pads": [{"auxWord": 70000}]})",
     " at /pads/0/auxWord: 70000 is out of range 0..65535"},
};

TEST_F(ExampleBoard, MalformedFilesNameFileAndPlaceAndKeepTheOpenBoard) {
  testsupport::TempDir dir;
  const size_t pads = Objects(pcbapi::kPad).size();
  for (const MalformedCase& c : kMalformed) {
    SCOPED_TRACE(c.content);
    const std::string path = dir.Path("bad.json");
    testsupport::WriteFile(path, c.content);
    EXPECT_EQ(QuorvelSession::Get().Open(path), path + c.message);
    EXPECT_EQ(PcbApi_GetCurrentBoardHandle(), board_);
    EXPECT_EQ(Objects(pcbapi::kPad).size(), pads) << "the open board is untouched";
  }
  EXPECT_EQ(QuorvelSession::Get().Open(dir.Path("missing.json")),
            dir.Path("missing.json") + ": cannot open the file");
}

TEST(QuorvelHostProtocol, MessagesAreCutToTheCallersBuffer) {
  ASSERT_TRUE(QuorvelSession::Get().loaded());
  auto open = reinterpret_cast<quorvel_host::OpenBoard>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA(quorvel_host::kModuleName), quorvel_host::kOpenBoardName)));
  char error[8];
  std::memset(error, 'x', sizeof error);
  EXPECT_NE(open("Z:\\no\\such\\board.json", error, 5), 0);
  EXPECT_STREQ(error, "Z:\\n");
  EXPECT_EQ(error[5], 'x') << "nothing beyond the given size";
  EXPECT_NE(open(nullptr, nullptr, 0), 0) << "no buffer at all";
}

// Runs the board generator with `arguments`; its exit code.
DWORD RunGenerator(const std::string& arguments) {
  return testsupport::RunChild(
             "\"" + testsupport::BinaryPath("board_generator.exe") + "\" " + arguments, 60000)
      .exit_code;
}

TEST(BoardGenerator, WritesBoardsTheEditorLoads) {
  ASSERT_TRUE(QuorvelSession::Get().loaded());
  testsupport::TempDir dir;
  const std::string path = dir.Path("generated.json");
  ASSERT_EQ(RunGenerator("\"" + path + "\" 30 4 120"), 0u);
  ASSERT_EQ(QuorvelSession::Get().Open(path), "");
  const sdk::Handle board = sdk::PcbApi_GetCurrentBoardHandle();
  auto count = [&](uint8_t kind) { return Members(board, kind).size(); };
  // 40 nets: pad k of every three components; one via per connection.
  EXPECT_EQ(
      std::vector<size_t>({count(pcbapi::kComponent), count(pcbapi::kPad), count(pcbapi::kTrack),
                           count(pcbapi::kNet), count(pcbapi::kVia), count(pcbapi::kRule)}),
      std::vector<size_t>({30, 120, 120, 40, 40, 6}));
  EXPECT_NE(RunGenerator("\"" + path + "\" 0"), 0u) << "a count below 1";
}

}  // namespace
}  // namespace quorveltest
