// The board object model over the stand-in PCB editor: every object read and written back
// unchanged, the kinds the factory makes, pads, classes, dimensions and the board's layers.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"
#include "quorvel_session.h"
#include "support/test_paths.h"

namespace {

using namespace sdk;
using quorveltest::Members;
using quorveltest::QuorvelSession;

std::string ObjectModelBoardPath() {
  return testsupport::TestDataPath("sdk/testdata/object_model_board.json");
}

constexpr KindSet kEveryIteratedKind = (1u << 26) - 1;
constexpr Coord kMil = 10000;

LegacyLayerSet AnyLayer() {
  LegacyLayerSet set;
  set.Include(0);  // the editor's iterator on "no layer" visits every layer
  return set;
}

// Kind 26 lies beyond the container iteration: its own iterator.
std::vector<Handle> BoardOutlines(Handle board) {
  std::vector<Handle> found;
  const Handle iterator = PcbApi_CreateIterator(board, pcbapi::kBoardOutline, 0, 0);
  for (Handle h = PcbApi_GetFirstObject(iterator); h != 0; h = PcbApi_GetNextObject(iterator)) {
    found.push_back(h);
  }
  PcbApi_DestroyIterator(iterator);
  return found;
}

template <class T>
std::unique_ptr<T> Read(Handle handle) {
  std::unique_ptr<TPCBObject> object = CreatePcbObject(handle);
  T* typed = dynamic_cast<T*>(object.get());
  if (!typed) return nullptr;
  object.release();
  return std::unique_ptr<T>(typed);
}

class HostBoard : public ::testing::Test {
 protected:
  void SetUp() override { Open(ObjectModelBoardPath()); }
  void Open(const std::string& path) {
    ASSERT_TRUE(QuorvelSession::Get().loaded()) << "Quorvel.dll did not load";
    ASSERT_EQ(QuorvelSession::Get().Open(path), "");
    board_ = PcbApi_GetCurrentBoardHandle();
    ASSERT_NE(board_, 0u);
  }
  // The first object of a kind whose name (or text) is `name`.
  Handle Named(uint8_t kind, const std::string& name) const {
    for (Handle h : Members(board_, kind)) {
      const std::unique_ptr<TPCBObject> o = CreatePcbObject(h);
      if (o && (o->GetName() == name || o->GetText() == name)) return h;
    }
    return 0;
  }
  Handle board_ = 0;
};

// ---- Round trip ------------------------------------------------------------------------------

struct RoundTripCase {
  const char* board;
  int min_kinds;  // distinct kinds that must be met, so a board without objects cannot pass
};

TEST(ObjectModelRoundTrip, ReadingAndWritingEveryObjectLeavesTheSavedBoardUnchanged) {
  const RoundTripCase cases[] = {{"sdk/testdata/object_model_board.json", 22},
                                 {"../examples/example-board.json", 22}};
  for (const RoundTripCase& c : cases) {
    SCOPED_TRACE(c.board);
    ASSERT_TRUE(QuorvelSession::Get().loaded());
    testsupport::TempDir dir;
    ASSERT_EQ(QuorvelSession::Get().Open(testsupport::TestDataPath(c.board)), "");
    ASSERT_EQ(QuorvelSession::Get().Save(dir.Path("loaded.json")), "");
    const Handle board = PcbApi_GetCurrentBoardHandle();

    std::vector<Handle> handles;
    IterateContainer(board, kEveryIteratedKind, AnyLayer(), pcbapi::kAllObjects,
                     [&](Handle h) { handles.push_back(h); });
    for (Handle h : BoardOutlines(board)) handles.push_back(h);
    // Read everything first, then write everything: no write can feed a later read.
    std::vector<std::unique_ptr<TPCBObject>> objects;
    std::set<int> kinds;
    for (Handle h : handles) {
      std::unique_ptr<TPCBObject> object = CreatePcbObject(h);
      ASSERT_NE(object, nullptr) << "handle " << h;
      EXPECT_EQ(object->Sync(pcbapi::kRead), 0) << typeid(*object).name();
      // The factory made the class of the handle's kind; the user's from-tos keep kind 0.
      const int kind = PcbApi_GetObjectIdFromObjectHandle(h);
      EXPECT_EQ(std::make_pair(int{object->GetObjectId()}, object->GetHandle()),
                std::make_pair(kind == pcbapi::kFromTo ? 0 : kind, h));
      kinds.insert(kind);
      objects.push_back(std::move(object));
    }
    EXPECT_GE(static_cast<int>(kinds.size()), c.min_kinds);
    TPcbBoard pcb(board);
    ASSERT_EQ(pcb.Sync(pcbapi::kRead), 0);
    for (const auto& object : objects) {
      EXPECT_EQ(object->Sync(pcbapi::kWrite), 0) << typeid(*object).name();
    }
    ASSERT_EQ(pcb.Sync(pcbapi::kWrite), 0);

    ASSERT_EQ(QuorvelSession::Get().Save(dir.Path("written.json")), "");
    const std::string loaded = testsupport::ReadFile(dir.Path("loaded.json"));
    ASSERT_FALSE(loaded.empty());
    EXPECT_EQ(testsupport::ReadFile(dir.Path("written.json")), loaded);
  }
}

// ---- Factory and readers ---------------------------------------------------------------------

TEST_F(HostBoard, TemporaryReadersGiveOneValueAndNothingWithoutAClass) {
  const Handle gnd = Named(pcbapi::kNet, "GND");
  const std::vector<Handle> tracks = Members(board_, pcbapi::kTrack);
  ASSERT_EQ(tracks.size(), 2u);
  EXPECT_EQ(GetObjectNameByHandle(gnd) + "|" +
                GetObjectTextByHandle(Named(pcbapi::kTextObject, "OBJECT MODEL")),
            "GND|OBJECT MODEL");
  EXPECT_EQ(GetObjectLayerByHandle(tracks[1]), 3);  // MidLayer2
  EXPECT_EQ(GetObjectNetByHandle(tracks[1]), Named(pcbapi::kNet, "VCC"));
  ASSERT_EQ(PcbApi_GetObjectIdFromObjectHandle(board_), pcbapi::kBoard);
  EXPECT_TRUE(CreatePcbObject(board_) == nullptr && CreatePcbObject(0) == nullptr);
  EXPECT_EQ(GetObjectNameByHandle(board_) + GetObjectTextByHandle(0), "");
  EXPECT_TRUE(GetObjectLayerByHandle(board_) == 0 && GetObjectNetByHandle(0) == 0u);
  EXPECT_EQ(typeid(*CreatePcbObject(Members(board_, pcbapi::kRule).front())), typeid(TPcbRule));
  const Handle outline = BoardOutlines(board_).at(0);
  EXPECT_EQ(typeid(*CreatePcbObject(outline)), typeid(TPcbBoardOutline));
  EXPECT_GT(Read<TPcbPolygon>(outline)->GetSegmentCount(), 2);
}

TEST_F(HostBoard, ComponentsAndNetsIterateTheirMembers) {
  const std::vector<Handle> components = Members(board_, pcbapi::kComponent);
  ASSERT_EQ(components.size(), 1u);
  const auto component = Read<TPcbComponent>(components.front());
  ASSERT_NE(component, nullptr);
  EXPECT_EQ(component->GetName() + " " + component->GetFootprint() + " " +
                std::to_string(component->GetRotation()),
            "U7 SO8 90.000000");
  EXPECT_EQ(std::make_pair(component->GetMemberCount(KindSet{1} << pcbapi::kPad, AnyLayer()),
                           component->GetMemberCount(KindSet{1} << pcbapi::kVia, AnyLayer())),
            std::make_pair(2, 0))
      << "two pads, no via";

  const auto gnd = Read<TPcbNet>(Named(pcbapi::kNet, "GND"));
  ASSERT_NE(gnd, nullptr);
  std::vector<Handle> vias;
  gnd->IterateMembers(KindSet{1} << pcbapi::kVia, AnyLayer(), pcbapi::kAllObjects,
                      [&](Handle h) { vias.push_back(h); });
  ASSERT_EQ(vias.size(), 1u);
  EXPECT_EQ(GetObjectNetByHandle(vias[0]), gnd->GetHandle());
  // Kinds and layers multiply: the fill on the top layer comes once for its layer.
  LegacyLayerSet top_and_bottom;
  top_and_bottom.Include(1).Include(32);
  EXPECT_EQ(gnd->GetMemberCount(KindSet{1} << pcbapi::kFill, top_and_bottom), 1);
}

TEST_F(HostBoard, ViaAsksTheEditorPerLayer) {
  const std::vector<Handle> vias = Members(board_, pcbapi::kVia);
  ASSERT_EQ(vias.size(), 2u);
  const std::unique_ptr<TPCBObject> blind = CreatePcbObject(vias[1]);  // top to MidLayer1
  EXPECT_EQ(std::vector<Coord>({blind->GetSize(), blind->GetHoleSize(), blind->GetSizeOnLayer(1),
                                blind->GetSizeOnLayer(32)}),
            std::vector<Coord>({20 * kMil, 8 * kMil, 20 * kMil, 0}));
  EXPECT_TRUE(blind->GetShapeOnLayer(2) != 0 && blind->GetShapeOnLayer(3) == 0);
  EXPECT_TRUE(CreatePcbObject(vias[0])->GetAuxFlag3());  // tented on top
  Coord x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  EXPECT_EQ(blind->GetBoundingRectangle(&x1, &y1, &x2, &y2), 0);
  EXPECT_EQ(x1, 710 * kMil);
  EXPECT_EQ(blind->GetBoundingX2(), 730 * kMil);
}

TEST_F(HostBoard, TextKeepsTheEditorsDisplayForm) {
  const auto component = Read<TPcbComponent>(Members(board_, pcbapi::kComponent).at(0));
  const auto designator = Read<TPcbText>(component->GetDesignatorHandle());
  ASSERT_NE(designator, nullptr);
  EXPECT_EQ(designator->GetText() + "/" + designator->GetDisplayText(), "U7/U7");
  const auto true_type = Read<TPcbText>(Named(pcbapi::kTextObject, "TT"));
  ASSERT_NE(true_type, nullptr);
  EXPECT_TRUE(true_type->IsTrueType());
  EXPECT_EQ(true_type->GetFontName(), "Tahoma");
  EXPECT_TRUE(true_type->GetAuxFlag5());  // mirrored
  EXPECT_EQ(true_type->GetSize(), 40 * kMil);
}

// ---- Flags -----------------------------------------------------------------------------------

TEST_F(HostBoard, FlagsReachTheHostWithTheWriteOrTheirSetter) {
  // The test point mark waits for the write.
  const std::vector<Handle> vias = Members(board_, pcbapi::kVia);
  const std::unique_ptr<TPCBObject> via = CreatePcbObject(vias.front());
  ASSERT_FALSE(via->GetTestPointTop());
  via->SetTestPointTop(true);
  EXPECT_TRUE(via->GetTestPointTop());
  EXPECT_FALSE(CreatePcbObject(vias.front())->GetTestPointTop());
  ASSERT_EQ(via->Sync(pcbapi::kWrite), 0);
  const std::unique_ptr<TPCBObject> written = CreatePcbObject(vias.front());
  EXPECT_TRUE(written->GetTestPointTop() && !written->GetTestPointBottom());

  const std::vector<Handle> tracks = Members(board_, pcbapi::kTrack);
  const std::unique_ptr<TPCBObject> track = CreatePcbObject(tracks.front());
  EXPECT_TRUE(track->GetNotFlag8());
  track->SetNotFlag8(false);
  track->SetFlag3(true);
  const std::unique_ptr<TPCBObject> again = CreatePcbObject(tracks.front());
  EXPECT_TRUE(!again->GetNotFlag8() && again->GetFlag3()) << "written by the setters";
  // The second track's file gives BitField2 = 40 (bits 3, 5) and BitField3 = 6 (bits 1, 2).
  const std::unique_ptr<TPCBObject> second = CreatePcbObject(tracks[1]);
  EXPECT_EQ(std::vector<bool>({second->GetBitField2Bit3(), second->GetBitField2Bit5(),
                               second->GetBitField2Bit4(), second->GetBitField3Bit1Or2()}),
            std::vector<bool>({true, true, false, true}));
  second->SetBitField3Bits1And2(false);
  EXPECT_FALSE(second->GetBitField3Bit1Or2());
}

// ---- Pads ------------------------------------------------------------------------------------

// Reaches the stack table, which has no setters.
class PadProbe : public TPcbPad {
 public:
  using TPcbPad::TPcbPad;
  void SetEntry(LegacyLayer layer, Coord x_size, Coord y_size, uint8_t shape) {
    stack_[layer].x_size = x_size;
    stack_[layer].y_size = y_size;
    stack_[layer].shape = shape;
  }
};

TEST_F(HostBoard, RoundedPadsBelowTheFullStackWriteOnlyTheirPercentages) {
  const auto percentages = [](const TPcbPad& p) {
    return std::vector<int>(
        {p.GetTopCornerPercentage(), p.GetMidCornerPercentage(), p.GetBotCornerPercentage()});
  };
  PadProbe pad(Named(pcbapi::kPad, "1"));
  ASSERT_EQ(pad.Sync(pcbapi::kRead), 0);
  ASSERT_EQ(pad.GetStackMode(), 1);
  EXPECT_EQ(pad.GetShapeOnLayer(1), TPcbPad::kRoundedRectangle);
  EXPECT_EQ(percentages(pad), std::vector<int>({25, 30, 35}));
  pad.SetCornerPercentages(11, 22, 33);
  pad.SetEntry(1, 99 * kMil, 99 * kMil, 1);  // not written below the full stack
  ASSERT_EQ(pad.Sync(pcbapi::kWrite), 0);
  const auto again = Read<TPcbPad>(pad.GetHandle());
  EXPECT_EQ(
      std::make_tuple(again->GetStackMode(), percentages(*again), again->GetXSizeOnLayer(1),
                      again->GetShapeOnLayer(1)),
      std::make_tuple(1, std::vector<int>({11, 22, 33}), 24 * kMil, TPcbPad::kRoundedRectangle));

  // A pad rounded on one side only keeps its percentage there.
  TPcbPad one_sided(Named(pcbapi::kPad, "R"));
  ASSERT_EQ(one_sided.Sync(pcbapi::kRead), 0);
  ASSERT_EQ(one_sided.GetStackMode(), 0);
  ASSERT_EQ(one_sided.GetCornerPercentageOnLayer(1), 20);
  EXPECT_EQ(one_sided.GetCornerPercentageOnLayer(32), 0);
  ASSERT_EQ(one_sided.Sync(pcbapi::kWrite), 0);
  const auto reread = Read<TPcbPad>(one_sided.GetHandle());
  EXPECT_EQ(reread->GetCornerPercentageOnLayer(1), 20);
  EXPECT_GT(reread->GetCornerRadiusOnLayer(1), 0);

  // A pad without a rounded layer writes none.
  TPcbPad square(Named(pcbapi::kPad, "TP"));
  ASSERT_EQ(square.Sync(pcbapi::kRead), 0);
  ASSERT_NE(square.GetStackMode(), TPcbPad::kFullStack);
  const std::vector<int> kept = percentages(square);
  square.SetCornerPercentages(11, 22, 33);
  ASSERT_EQ(square.Sync(pcbapi::kWrite), 0);
  EXPECT_EQ(percentages(*Read<TPcbPad>(square.GetHandle())), kept);
  EXPECT_NE(kept, std::vector<int>({11, 22, 33}));
}

// The per-layer stack costs four host calls a layer: a reader of the record does not pay them,
// and writing such a pad back leaves its stack as it was, unless its stack mode changed.
TEST_F(HostBoard, PadStackIsReadWhenFirstAskedFor) {
  const Handle handle = Named(pcbapi::kPad, "2");
  TPcbPad pad(handle);
  const uint64_t before = QuorvelSession::Get().HostCalls();
  ASSERT_EQ(pad.Sync(pcbapi::kRead), 0);
  pad.SetAuxWord(17);
  ASSERT_EQ(pad.Sync(pcbapi::kWrite), 0);
  EXPECT_LT(QuorvelSession::Get().HostCalls() - before, 20u);

  PadProbe again(handle);
  ASSERT_EQ(again.Sync(pcbapi::kRead), 0);
  EXPECT_EQ(again.GetAuxWord(), 17);
  EXPECT_EQ(again.GetStackMode(), TPcbPad::kFullStack);
  EXPECT_EQ(std::vector<Coord>({again.GetXSizeOnLayer(2), again.GetYSizeOnLayer(2),
                                again.GetShapeOnLayer(32), again.GetCornerPercentageOnLayer(1)}),
            std::vector<Coord>({50 * kMil, 40 * kMil, 3, 40}));
  EXPECT_GT(QuorvelSession::Get().HostCalls() - before, 4u * TPcbPad::kLayerCount);
  // A full stack writes every layer.
  again.SetEntry(3, 44 * kMil, 33 * kMil, 2);
  ASSERT_EQ(again.Sync(pcbapi::kWrite), 0);
  const auto written = Read<TPcbPad>(handle);
  EXPECT_EQ(std::vector<Coord>({written->GetXSizeOnLayer(3), written->GetYSizeOnLayer(3),
                                written->GetShapeOnLayer(3), written->GetXSizeOnLayer(2)}),
            std::vector<Coord>({44 * kMil, 33 * kMil, 2, 50 * kMil}));

  // Into the full stack: the layers it had below it become its own.
  TPcbPad rounded(Named(pcbapi::kPad, "1"));
  ASSERT_EQ(rounded.Sync(pcbapi::kRead), 0);
  ASSERT_EQ(rounded.GetStackMode(), 1);
  rounded.SetStackMode(TPcbPad::kFullStack);
  const uint64_t writing = QuorvelSession::Get().HostCalls();
  ASSERT_EQ(rounded.Sync(pcbapi::kWrite), 0);
  // Read, then written: shape, size and percentage of every layer.
  EXPECT_GT(QuorvelSession::Get().HostCalls() - writing, 7u * TPcbPad::kLayerCount);
  const auto full = Read<TPcbPad>(rounded.GetHandle());
  EXPECT_EQ(std::vector<Coord>({full->GetStackMode(), full->GetShapeOnLayer(1),
                                full->GetXSizeOnLayer(1), full->GetCornerPercentageOnLayer(1),
                                full->GetCornerPercentageOnLayer(32)}),
            std::vector<Coord>({TPcbPad::kFullStack, TPcbPad::kRoundedRectangle,
                                rounded.GetXSizeOnLayer(1), 25, 35}));
}

TEST_F(HostBoard, PadOutlineAndCornersOnALayer) {
  // 40 x 20 mil at (600, 600) mil turned by 30 degrees, on the bottom layer.
  const auto pad = Read<TPcbPad>(Named(pcbapi::kPad, "TP"));
  ASSERT_NE(pad, nullptr);
  // The centre line runs cos 30 x 10 mil and sin 30 x 10 mil each way; off the bottom it is the
  // centre. Corner 1 is the (-w/2, -h/2) corner turned by 30 degrees.
  const Coord c = 600 * kMil;
  EXPECT_EQ(
      std::vector<Coord>({pad->GetWidthOnLayer(32), pad->GetXOnLayer(32), pad->GetYOnLayer(32),
                          pad->GetX2OnLayer(32), pad->GetY2OnLayer(32), pad->GetXOnLayer(1),
                          pad->GetCorner1XOnLayer(32, 0), pad->GetCorner1YOnLayer(32, 0),
                          pad->GetCorner2YOnLayer(32, 0), pad->GetCorner3YOnLayer(32, 0)}),
      std::vector<Coord>({20 * kMil, c - 86603, c - 50000, c + 86603, c + 50000, c,
                          c - 173205 + 50000, c - 100000 - 86603, c + 100000 - 86603,
                          c - 100000 + 86603}));
  EXPECT_TRUE(pad->GetTestPointBottom());

  // Pad "2" is 70 x 0 mil on the bottom layer; a margin gives the box a height again.
  const auto flat = Read<TPcbPad>(Named(pcbapi::kPad, "2"));
  ASSERT_EQ(flat->GetYSizeOnLayer(32), 0);
  const Coord x = flat->GetX(), y = flat->GetY();
  EXPECT_EQ(std::vector<Coord>({flat->GetCorner1XOnLayer(32, 0), flat->GetCorner4XOnLayer(32, 0),
                                flat->GetCorner2YOnLayer(32, 0), flat->GetCorner3YOnLayer(32, 0),
                                flat->GetCorner1YOnLayer(32, 5 * kMil),
                                flat->GetCorner1XOnLayer(32, 5 * kMil)}),
            std::vector<Coord>({x - 35 * kMil, x + 35 * kMil, y, y, y - 5 * kMil, x - 40 * kMil}));
}

// ---- Classes, rules, dimensions --------------------------------------------------------------

TEST_F(HostBoard, ClassMembersAreReadOnceAndWrittenInOrder) {
  const Handle power = [&] {
    for (Handle h : Members(board_, pcbapi::kClass)) {
      if (Read<TPCBObjectClass>(h)->Name() == "Power") return h;
    }
    return Handle{0};
  }();
  ASSERT_NE(power, 0u);
  TPCBObjectClass cls(power);
  EXPECT_EQ(cls.Sync(pcbapi::kRead), 0);
  EXPECT_EQ(cls.Sync(pcbapi::kRead), 0);
  EXPECT_EQ(cls.Members(), (std::vector<std::string>{"GND", "VCC"}));
  EXPECT_EQ(cls.GetMemberKind(), 0);
  cls.Members() = {"SIG", "GND"};
  ASSERT_EQ(cls.Sync(pcbapi::kWrite), 0);
  EXPECT_EQ(Read<TPCBObjectClass>(power)->Members(), (std::vector<std::string>{"SIG", "GND"}));
  cls.Members().clear();
  EXPECT_EQ(cls.Sync(pcbapi::kWrite), 0);
  EXPECT_TRUE(Read<TPCBObjectClass>(power)->Members().empty());
}

TEST_F(HostBoard, RulesAndDimensionsReadTheirParts) {
  const std::vector<Handle> rules = Members(board_, pcbapi::kRule);
  ASSERT_EQ(rules.size(), 2u);
  TPcbRuleEx rule(rules[1]);
  ASSERT_EQ(rule.Sync(pcbapi::kRead), 0);
  EXPECT_EQ(rule.Name() + " " + std::to_string(rule.GetRuleKind()) + " " + rule.GetScope1() + " " +
                rule.GetScope2() + " " + std::to_string(rule.GetPriority()),
            "PowerWidth 2 InNetClass('Power') All 1");
  EXPECT_EQ(Read<TPcbRule>(rules[0])->Name(), "Gap");

  const auto dimension = Read<TPcbDimension>(Members(board_, pcbapi::kDimension).at(0));
  ASSERT_NE(dimension, nullptr);
  ASSERT_EQ(dimension->GetReferenceCount(), 2);
  EXPECT_EQ(dimension->GetReference(1).point, 1);
  EXPECT_EQ(dimension->GetReference(1).x, 1500 * kMil);
}

// ---- The board -------------------------------------------------------------------------------

TEST_F(HostBoard, BoardReadsItsLayerStack) {
  TPcbBoard board(board_);
  ASSERT_EQ(board.Sync(pcbapi::kRead), 0);
  std::string stack;
  for (const TLayerObject* layer = board.GetFirstStackLayer(); layer;
       layer = board.GetNextStackLayer(layer)) {
    stack += std::to_string(layer->GetLayer()) + " " + layer->GetName() +
             (layer->IsInLayerStack() ? ", " : " (not in the stack), ");
  }
  EXPECT_EQ(stack, "1 Top, 39 GND, 2 Inner 1, 3 Inner 2, 32 Bottom, ");
  EXPECT_EQ(board.GetPlaneNetName(39) + "|" + board.GetPlaneNetName(40) + "|" +
                board.GetPlaneNetName(1) + "|" + FromText(board.GetTopDielectric().material),
            "GND|(No Net)||Solder Resist");
  EXPECT_EQ(std::make_tuple(board.GetLayerObject(2)->GetCopperThickness(),
                            board.GetLayerObject(1)->GetDielectric().constant, board.GetOriginX(),
                            board.GetLayerObject(57)->IsInLayerStack()),
            std::make_tuple(7000, 4.2, 500 * kMil, false));
  EXPECT_TRUE(board.HasLayerStack());
  LegacyLayerSet signals;
  signals.IncludeRange(1, 32);
  EXPECT_EQ(std::vector<int>({board.GetStackPositionInSet(signals, board.GetLayerObject(2)),
                              board.GetStackPositionInSet(signals, board.GetLayerObject(32)),
                              board.GetStackPositionInSet(signals, board.GetLayerObject(39))}),
            std::vector<int>({2, 4, 0}));
}

// The board writes back what it read, up to the last output layer, plotter pen and layer.
TEST_F(HostBoard, BoardWritesBackEveryOptionItRead) {
  const auto options = [&](Mode mode, uint8_t value) {
    uint8_t plot = value;
    int32_t pen[2] = {value, value + 1}, layer[4] = {value + 2, value + 3, value + 4, value + 5};
    EXPECT_EQ(
        PcbApi_QueryBoardOutputOptionsPlotLayers(mode, board_, pcbapi::kOutputLayerCount, &plot) |
            PcbApi_QueryBoardPrinterOptionsPlotterPen(mode, board_, pcbapi::kPlotterPenCount,
                                                      &pen[0], &pen[1]) |
            PcbApi_QueryBoardPrinterOptionsCompositeLayer(
                mode, board_, kLegacyLayerCount - 1, &layer[0], &layer[1], &layer[2], &layer[3]),
        0);
    return std::vector<int32_t>{plot, pen[0], pen[1], layer[0], layer[1], layer[2], layer[3]};
  };
  options(pcbapi::kWrite, 1);
  TPcbBoard board(board_);
  ASSERT_EQ(board.Sync(pcbapi::kRead), 0);
  options(pcbapi::kWrite, 0);
  ASSERT_EQ(board.Sync(pcbapi::kWrite), 0);
  EXPECT_EQ(options(pcbapi::kRead, 0), (std::vector<int32_t>{1, 1, 2, 3, 4, 5, 6}));
}

// Drill pairs are named upper layer first; writing a shorter list removes the rest.
TEST_F(HostBoard, BoardWritesEnabledLayersAndDrillPairs) {
  const auto read = [&](TPcbBoard& board) {
    EXPECT_EQ(board.Sync(pcbapi::kRead), 0);
    std::string layers;
    for (int layer : {1, 2, 3, 31, 32, 55})
      layers += board.GetLayerObject(layer)->GetEnabled() ? '1' : '0';
    for (const auto& pair : board.LayerPairs()) {
      layers += " " + std::to_string(pair->GetFirstLayer()) + "-" +
                std::to_string(pair->GetSecondLayer()) + " " + pair->GetName() + ",";
    }
    return layers;
  };
  TPcbBoard board(board_);
  EXPECT_EQ(read(board), "111010 32-1 Top - Bottom, 3-2 Inner 1 - Inner 2, 1-39 Top - GND,");
  board.SetLayerEnabled(55, true);
  board.SetLayerEnabled(1, false);
  board.LayerPairs().erase(board.LayerPairs().begin());
  board.LayerPairs()[0]->SetSecondLayer(32);
  ASSERT_EQ(board.Sync(pcbapi::kWrite), 0);
  TPcbBoard again(board_);
  EXPECT_EQ(read(again), "011011 3-32 Inner 2 - Bottom, 1-39 Top - GND,");
}

TEST_F(HostBoard, AddsAndDeletesObjects) {
  TPcbBoard board(board_);
  EXPECT_EQ(board.AddObject(0), 1);
  EXPECT_EQ(board.DeleteObject(0), 1);
  const size_t before = Members(board_, pcbapi::kTrack).size();
  const Handle handle = PcbApi_CreateObject(pcbapi::kTrack);
  ASSERT_NE(handle, 0u);
  TPcbTrack track(handle);
  track.SetLayer(1);
  track.SetX(100 * kMil);
  track.SetY(100 * kMil);
  track.SetX2(200 * kMil);
  track.SetY2(100 * kMil);
  track.SetWidth(10 * kMil);
  ASSERT_EQ(track.Sync(pcbapi::kWrite), 0);
  ASSERT_EQ(board.AddObject(handle), 0);
  std::vector<Handle> on_top;
  LegacyLayerSet top;
  top.Include(1);
  board.IterateObjects([&](Handle h) { on_top.push_back(h); }, KindSet{1} << pcbapi::kTrack, top,
                       pcbapi::kAllObjects);
  EXPECT_NE(std::find(on_top.begin(), on_top.end(), handle), on_top.end());
  EXPECT_EQ(GetObjectLayerByHandle(handle), 1);
  ASSERT_EQ(board.DeleteObject(handle), 0);
  EXPECT_EQ(Members(board_, pcbapi::kTrack).size(), before);
}

}  // namespace
