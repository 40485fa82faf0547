// The board object model without the PCB editor: legacy layers, corner and arc geometry, the
// pad's outline on a layer, defaults of new objects and of a board.
#include <gtest/gtest.h>

#include "sdk/exceptions.h"
#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"
#include "sdk/units.h"

namespace {

using namespace sdk;

constexpr Coord kMil = 10000;

// ---- Legacy layers ---------------------------------------------------------------------------

TEST(LegacyLayer, ExtendedLayersCountAsTheLastOfTheirKindAndOthersFail) {
  for (int layer = 0; layer <= 82; ++layer) {
    EXPECT_EQ(LayerToLegacyLayer(LegacyLayerToLayer(static_cast<uint8_t>(layer))), layer);
  }
  const std::pair<TLayer, int> cases[] = {
      {MidLayer(30), 31},           {MidLayer(40), 31},          {InternalPlaneLayer(16), 54},
      {InternalPlaneLayer(17), 54}, {MechanicalLayer(16), 72},   {MechanicalLayer(40), 72},
      {SignalLayer(65535), 32},     {InternalPlaneLayer(1), 39}, {MechanicalLayer(1), 57},
  };
  for (const auto& [layer, legacy] : cases) EXPECT_EQ(LayerToLegacyLayer(layer), legacy) << layer;
  for (TLayer layer : {TopPadMasterLayer, BottomPadMasterLayer, DrcDetailsLayer}) {
    EXPECT_THROW(LayerToLegacyLayer(layer), EAssertionFailed) << layer;
  }
  for (std::string_view name : LegacyLayerNames) EXPECT_LE(name.size(), 20u) << name;
}

// ---- Corners ---------------------------------------------------------------------------------

TEST(BoxCorner, TurnsTheCornersAboutTheCentre) {
  // Unturned, a quarter turn left, a half turn; no height ignores the turn; halves round to even.
  std::string corners;
  for (const auto& [w, h, degrees] : std::initializer_list<std::tuple<double, double, double>>{
           {40, 20, 0}, {40, 20, 90}, {40, 20, 180}, {40, 0, 30}, {5, 0, 0}}) {
    for (int corner = 1; corner <= 4; ++corner) {
      const CornerPoint p = BoxCorner(corner, 0, 0, w, h, DegreesToRadians(degrees));
      corners += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
    }
    corners += "| ";
  }
  EXPECT_EQ(corners,
            "-20,-10 20,-10 -20,10 20,10 | 10,-20 10,20 -10,-20 -10,20 | "
            "20,10 -20,10 20,-10 -20,-10 | -20,0 20,0 -20,0 20,0 | -2,0 2,0 -2,0 2,0 | ");
}

TEST(PcbObjectCorners, BoxOfAFillGrownByTheMargin) {
  TPcbFill fill(0);
  // Each half of the centre is taken towards zero: cx = 50000 + 150000, not 200001.
  fill.SetX(100001);
  fill.SetY(-50000);
  fill.SetX2(300001);
  fill.SetY2(50000);
  EXPECT_EQ(std::vector<Coord>({fill.GetCorner1X(kMil), fill.GetCorner1Y(kMil),
                                fill.GetCorner4X(kMil), fill.GetCorner4Y(kMil)}),
            std::vector<Coord>({90000, -60000, 310000, 60000}));
  fill.SetRotation(90);
  EXPECT_EQ(fill.GetCorner1X(0), 250000);
  EXPECT_EQ(fill.GetCorner1Y(0), -100000);
  // Only on its own layer.
  fill.SetLayer(1);
  EXPECT_EQ(fill.GetCorner1XOnLayer(1, 0), fill.GetCorner1X(0));
  EXPECT_EQ(fill.GetCorner1XOnLayer(2, 0), 0);
}

TEST(PcbObjectOnLayer, ValuesOnlyOnTheObjectsOwnLayer) {
  TPcbVia via(0);
  via.SetSize(24 * kMil);
  via.SetLayer(kLegacyMultiLayer);
  for (int layer = 0; layer <= 82; ++layer) {
    const Coord expected = layer == kLegacyMultiLayer ? 24 * kMil : 0;
    EXPECT_EQ(via.GetXSizeOnLayer(static_cast<LegacyLayer>(layer)), expected) << layer;
  }
  EXPECT_EQ(via.GetLayer(), kLegacyMultiLayer);
}

// ---- Arcs ------------------------------------------------------------------------------------

TEST(PcbArc, EndPointsFollowTheAnglesReducedIntoOneTurn) {
  // Start and end points about (1000, -2000), radius 50 mil.
  std::string ends;
  for (const auto& [start, end] : std::initializer_list<std::pair<double, double>>{
           {-90, 450}, {0, 180}, {-360, 720}, {45, 315}}) {
    TPcbArc arc(0);
    arc.SetX(1000);
    arc.SetY(-2000);
    arc.SetRadius(50 * kMil);
    arc.SetStartAngle(start);
    arc.SetEndAngle(end);
    ends += std::to_string(arc.GetStartX()) + "," + std::to_string(arc.GetStartY()) + " " +
            std::to_string(arc.GetEndX()) + "," + std::to_string(arc.GetEndY()) + " | ";
  }
  EXPECT_EQ(ends,
            "1000,-502000 1000,498000 | 501000,-2000 -499000,-2000 | 501000,-2000 501000,-2000 | "
            "354553,351553 354553,-355553 | ");
}

// ---- Pads ------------------------------------------------------------------------------------

class PadShape : public TPcbPad {
 public:
  PadShape(Coord x_size, Coord y_size, double rotation) : TPcbPad(0) {
    SetX(1000 * kMil);
    SetY(2000 * kMil);
    SetRotation(rotation);
    stack_[1].x_size = x_size;
    stack_[1].y_size = y_size;
  }
};

TEST(PcbPad, CentreLineRunsAlongTheLongerSide) {
  // Wide, tall, tall turned a quarter, square; halves of odd sizes are taken towards zero before
  // the difference. The line's ends relative to the centre, in units, and its width.
  std::string lines;
  for (const auto& [x_size, y_size, rotation] :
       std::initializer_list<std::tuple<Coord, Coord, double>>{{60 * kMil, 20 * kMil, 0},
                                                               {20 * kMil, 60 * kMil, 0},
                                                               {20 * kMil, 60 * kMil, 90},
                                                               {30 * kMil, 30 * kMil, 45},
                                                               {5, 2, 0}}) {
    PadShape pad(x_size, y_size, rotation);
    for (Coord value : {pad.GetXOnLayer(1) - pad.GetX(), pad.GetYOnLayer(1) - pad.GetY(),
                        pad.GetX2OnLayer(1) - pad.GetX(), pad.GetY2OnLayer(1) - pad.GetY(),
                        pad.GetWidthOnLayer(1)}) {
      lines += std::to_string(value) + " ";
    }
    lines += "| ";
  }
  EXPECT_EQ(lines,
            "-200000 0 200000 0 200000 | 0 200000 0 -200000 200000 | -200000 0 200000 0 200000 | "
            "0 0 0 0 300000 | -1 0 1 0 2 | ");
}

TEST(PcbPad, CornersOfALayerWithoutHeightLieOnTheCentreLine) {
  PadShape pad(40 * kMil, 0, 30);
  const Coord x = pad.GetX(), y = pad.GetY();
  EXPECT_EQ(std::vector<Coord>({pad.GetCorner1XOnLayer(1, 0), pad.GetCorner2XOnLayer(1, 0),
                                pad.GetCorner3XOnLayer(1, 0), pad.GetCorner4XOnLayer(1, 0),
                                pad.GetCorner1YOnLayer(1, 0), pad.GetCorner4YOnLayer(1, 0)}),
            std::vector<Coord>({x - 20 * kMil, x + 20 * kMil, x - 20 * kMil, x + 20 * kMil, y, y}));
  // A layer the pad does not show is a point.
  EXPECT_EQ(pad.GetCorner1XOnLayer(2, 0), pad.GetX());
  EXPECT_EQ(pad.GetCorner1XOnLayer(200, 0), pad.GetX());
}

// ---- New objects without the editor ----------------------------------------------------------

TEST(PcbObjectWithoutEditor, NewObjectsKeepTheirDefaultsThroughSync) {
  TPcbRuleEx rule(1234);
  TPcbText text(1234);
  EXPECT_EQ(rule.Sync(pcbapi::kRead) + text.Sync(pcbapi::kRead), 0);
  EXPECT_EQ(rule.GetScope1() + "|" + rule.GetScope2() + "|" + rule.Name() + "|" +
                text.GetFontName() + "|" + text.GetDisplayText(),
            "All|All||Arial|");
  EXPECT_EQ(
      std::vector<int>({rule.GetLayer(), rule.GetPriority(), TPcbEmbeddedBoard(0).GetLayer(),
                        TPcbManualFromTo(0).GetObjectId(), TPcbBoardOutline(0).GetObjectId()}),
      std::vector<int>({kLegacyMultiLayer, -1, 1, 0, pcbapi::kBoardOutline}));
  EXPECT_EQ(CreatePcbObject(1234), nullptr);  // no editor: no kind
  EXPECT_EQ(GetObjectNameByHandle(1234), "");
}

TEST(PcbObjectWithoutEditor, BaseAccessorsAreNeutral) {
  TPcbComponentBody body(0);
  body.SetX(5);
  body.SetX2(99);  // the base keeps no second point
  body.MoveByXY(10, -3);
  EXPECT_EQ(
      std::vector<double>({double(body.GetX2()), double(body.GetXSize()), body.GetRotation(),
                           double(body.GetBoundingX2()), double(body.GetX()), double(body.GetY())}),
      std::vector<double>({15, 0, 0, 0, 15, -3}));
  EXPECT_EQ(body.GetName(), "");
  TPcbTrack track(0);
  track.SetX2(7);
  track.MoveByXY(1, 1);
  EXPECT_EQ(std::make_pair(track.GetX2(), track.GetY2()), std::make_pair(8, 1));
}

// ---- Board without the editor ----------------------------------------------------------------

TEST(PcbBoardWithoutEditor, LayersAreNamedByTheTableStandAloneAndEnabledByLegacyNumber) {
  TPcbBoard board(77);
  EXPECT_EQ(board.Sync(pcbapi::kRead), 0);
  for (int layer = 1; layer <= 82; ++layer) {
    const TLayerObject* object = board.GetLayerObject(static_cast<LegacyLayer>(layer));
    ASSERT_NE(object, nullptr) << layer;
    EXPECT_EQ(object->GetName(), LegacyLayerNames[layer]);
    EXPECT_EQ(object->GetCopperThickness(), 14000);
    EXPECT_EQ(FromText(object->GetDielectric().material), "FR-4");
  }
  EXPECT_EQ(board.GetLayerObject(0), nullptr);
  EXPECT_EQ(board.GetLayerObject(83), nullptr);
  EXPECT_EQ(board.GetPlaneNetName(39) + board.GetPlaneNetName(54) + board.GetPlaneNetName(55),
            "(No Net)(No Net)");
  EXPECT_TRUE(board.LayerPairs().empty());
  EXPECT_EQ(board.GetSplitPlaneMode(), 1);
  EXPECT_EQ(board.AddObject(0), 1);
  // No stack links: every layer starts a stack of its own, and the walk sees only the top.
  EXPECT_EQ(board.GetFirstStackLayer(), board.GetLayerObject(1));
  EXPECT_EQ(board.GetNextStackLayer(board.GetLayerObject(1)), nullptr);
  LegacyLayerSet signals;
  signals.IncludeRange(1, 32);
  EXPECT_EQ(board.GetStackPositionInSet(signals, board.GetLayerObject(1)), 1);
  EXPECT_EQ(board.GetStackPositionInSet(signals, board.GetLayerObject(57)), 0);
  EXPECT_EQ(board.GetStackPositionInSet(signals, nullptr), 0);

  // Layers are enabled by their legacy number.
  board.SetLayerEnabled(55, true);
  EXPECT_TRUE(board.GetLayerObject(55)->GetEnabled());
  board.SetLayerEnabled(MidLayer(40), true);  // counts as MidLayer30
  EXPECT_TRUE(board.GetLayerObject(31)->GetEnabled());
  board.SetLayerEnabled(TopPadMasterLayer, true);
  board.SetLayerEnabled(NoLayer, true);
  for (int layer = 1; layer <= 82; ++layer) {
    if (layer == 55 || layer == 31) continue;
    EXPECT_FALSE(board.GetLayerObject(static_cast<LegacyLayer>(layer))->GetEnabled()) << layer;
  }
}

}  // namespace
