// The structure and wiring sections of the example board's design file, through the stand-in
// host, against text written by hand from the board.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "board_export.h"
#include "router/dsn_checker.h"

namespace {

using hosttest::BoardSession;
using hosttest::ExampleBoardText;
using hosttest::ExportedDesignFile;
using hosttest::Occurrences;
using hosttest::Replaced;
using hosttest::RouterSettingsFile;
using hosttest::Section;

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

std::string Golden(const std::string& name) {
  return WithoutCarriageReturns(
      testsupport::ReadFile(testsupport::TestDataPath("host/testdata/" + name)));
}

TEST(StructureWiringExport, ExampleBoardSectionsMatchTheHandWrittenText) {
  const std::string file = ExportedDesignFile(ExampleBoardText());
  // Every line ends in CR LF.
  EXPECT_EQ(file.find("\n"), file.find("\r\n") + 1);
  EXPECT_EQ(WithoutCarriageReturns(Section(file, "    (structure")),
            Golden("example-structure.txt"));
  EXPECT_EQ(WithoutCarriageReturns(Section(file, "    (wiring")), Golden("example-wiring.txt"));
}

// A width rule of the top layer alone gives the top layer its own width, and one of the bottom
// layer, the last of the stack, the bottom layer (at a priority of its own: of two equal ones the
// later is set aside); the board-wide width and the middle layer's own stay as they were.
TEST(StructureWiringExport, AWidthRuleOfTheTopLayerGivesItsLayerItsWidth) {
  const std::string board = Replaced(ExampleBoardText(), R"j("rules": [)j", R"j("rules": [
    {"kind": "Width", "name": "TopWidth", "priority": 1, "scope1": "OnLayer('TopLayer')",
     "minWidth": "5mil", "maxWidth": "20mil", "preferredWidth": "7mil"},
    {"kind": "Width", "name": "BottomWidth", "priority": 0, "scope1": "OnBottomLayer",
     "minWidth": "5mil", "maxWidth": "20mil", "preferredWidth": "9mil"},)j");
  const std::string structure =
      WithoutCarriageReturns(Section(ExportedDesignFile(board), "    (structure"));
  EXPECT_NE(structure.find("        (layer TopLayer \n"
                           "            (type signal) (direction horizontal)\n"
                           "            (rule (width 7.000))\n"
                           "        )\n"),
            std::string::npos)
      << structure;
  EXPECT_NE(structure.find("        (layer BottomLayer \n"
                           "            (type signal) (direction vertical)\n"
                           "            (rule (width 9.000))\n"
                           "        )\n"),
            std::string::npos)
      << structure;
  EXPECT_NE(structure.find("(width 10.000)"), std::string::npos) << "the board-wide width";
  EXPECT_NE(structure.find("            (rule (width 8.000))\n"), std::string::npos)
      << "MidLayer1's own";
}

// The example board with a net-less copper region beside its netted one and its cut-out.
std::string BoardWithNetlessRegion() {
  return Replaced(ExampleBoardText(), R"("regions": [)",
                  R"("regions": [
    {"layer": "MidLayer1", "outline": [["2300mil", "2000mil"], ["2400mil", "2000mil"], ["2350mil", "2100mil"]]},)");
}

struct CopperCase {
  const char* name;
  const char* settings;
  std::vector<std::string> once;    // each exactly once in the whole file
  std::vector<std::string> absent;  // nowhere in the file
  int hatch_markers;
};

// Every copper object of the board, by a text only its own statement holds: netted copper as
// wires and vias, net-less copper as keep-outs, cut-outs and overlay objects nowhere.
const std::vector<std::string> kEveryCopperObject = {
    // netted tracks
    "(path TopLayer 10.000 1675.000 1775.000 1675.000 1840.000)",
    "(path TopLayer 10.000 1675.000 1840.000 2000.000 1840.000)",
    "(path TopLayer 10.000 1900.000 1700.000 1900.000 1840.000)",
    "(path TopLayer 20.000 1525.000 1775.000 1525.000 1950.000)",
    "(path TopLayer 20.000 1525.000 1950.000 1800.000 1950.000)",
    "(path MidLayer1 8.000 1625.000 1775.000 1625.000 1700.000)",
    "(path MidLayer1 8.000 1625.000 1700.000 2200.000 1700.000)",
    "(path MidLayer2 8.000 2200.000 1700.000 2100.000 1840.000)",
    "(path BottomLayer 12.000 2700.000 1650.000 2500.000 1650.000)",
    "(path BottomLayer 12.000 2700.000 1550.000 2500.000 1550.000)",
    // net-less tracks
    "(path TopLayer 15.000 2500.000 2300.000 2700.000 2300.000)",
    "(path signal 10.000 1000.000 1000.000 3000.000 1000.000)",
    // the netted quarter arc
    "(qarc TopLayer 10.000 2330.000 2100.000 2430.000 2200.000 2330.000 2200.000)",
    // fills
    "(polygon TopLayer 0.000 2550.000 1850.000 2550.000 1950.000 2650.000 1950.000 2650.000 "
    "1850.000)",
    "(keepout (polygon signal 0.000 1185.355 2193.934 ",
    // regions: the netted one as a wire, the net-less one as a keep-out
    "(polygon TopLayer 0.000\r\n",
    "2500.000 1100.000\r\n",
    "(keepout (polygon MidLayer1 0.000\r\n",
    "2300.000 2000.000\r\n",
    // vias: four netted, one net-less
    "(via Via0_TB_RoutingVias 1675.000 1520.000\r\n",
    "(via Via3_TB 1800.000 1950.000\r\n",
    "(via Via4_TM1 1900.000 1700.000\r\n",
    "(via Via5_M1M2 2200.000 1700.000\r\n",
    "(keepout (circle signal 40.000 1300.000 2300.000))",
    // free pads: the netted one as a via, the net-less one as a keep-out
    " 2400.000 1900.000\r\n",
    "(keepout (circle signal 125.000 1150.000 1150.000))",
};

// The polygon's hatch: three tracks and a quarter arc.
const std::vector<std::string> kHatch = {
    "(path BottomLayer 10.000 1100.000 1200.000 1900.000 1200.000)",
    "(path BottomLayer 10.000 1100.000 1400.000 1860.000 1400.000)",
    "(path BottomLayer 10.000 1300.000 1100.000 1300.000 1500.000)",
    "(qarc BottomLayer 10.000 1900.000 1300.000 1700.000 1500.000 1700.000 1300.000)",
};
const std::string kPolygonWire = "(polygon BottomLayer 10.000 ";

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(StructureWiringExport, EveryCopperObjectAppearsExactlyOnce) {
  std::vector<std::string> no_polygon = kHatch;
  no_polygon.push_back(kPolygonWire);
  std::vector<std::string> no_hatch = kHatch;
  const CopperCase cases[] = {
      {"polygons not exported", "", kEveryCopperObject, no_polygon, 0},
      {"polygons as polygons", "ExportPolygons=1\r\nPolygonAsHatch=0\r\n",
       Joined(kEveryCopperObject, {kPolygonWire, "(wireplow on)"}), no_hatch, 0},
      {"polygons as hatch",
       "ExportPolygons=1\r\nPolygonAsHatch=1\r\n",
       Joined(kEveryCopperObject, kHatch),
       {kPolygonWire},
       4},
      // The hatch alone decides nothing: without polygons no hatch goes either.
      {"hatch without polygons", "ExportPolygons=0\r\nPolygonAsHatch=1\r\n", kEveryCopperObject,
       no_polygon, 0},
  };
  for (const CopperCase& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSettingsFile settings(c.settings);
    const std::string file = ExportedDesignFile(BoardWithNetlessRegion());
    for (const std::string& text : c.once) EXPECT_EQ(Occurrences(file, text), 1) << text;
    for (const std::string& text : c.absent) EXPECT_EQ(Occurrences(file, text), 0) << text;
    EXPECT_EQ(Occurrences(file, "(turret 127)"), c.hatch_markers);
    // Nothing else is copper: 12 tracks, 1 arc, 2 fills, 2 regions, 5 vias, 2 free pads, and
    // the polygon or its hatch.
    const std::string structure = Section(file, "    (structure");
    const std::string wiring = Section(file, "    (wiring");
    EXPECT_EQ(Occurrences(wiring, "(wire ") + Occurrences(wiring, "(via "),
              10 + 1 + 1 + 1 + 4 + 1 + (c.hatch_markers ? 4 : 0) +
                  (std::string(c.name) == "polygons as polygons" ? 1 : 0));
    EXPECT_EQ(Occurrences(structure, "(keepout "), 2 + 1 + 1 + 1 + 1);
    // The cut-out is no copper.
    EXPECT_EQ(Occurrences(file, "2520.000 1120.000"), 0);
  }
}

// Copper the board marks normal (AuxByte) goes to the router as normal unless pre-routes are
// protected: a track, a via, a fill and a polygon.
TEST(StructureWiringExport, CopperMarkedNormalIsNormalUnlessPreRoutesAreProtected) {
  std::string board = ExampleBoardText();
  for (const char* object :
       {R"({"net": "GND", "x": "1675mil")", R"({"layer": "TopLayer", "net": "GND", "x": "2550mil")",
        R"({"layer": "BottomLayer", "net": "GND", "hatchStyle")"}) {
    const std::string marked(object);
    board = Replaced(board, marked, R"({"auxByte": 1, )" + marked.substr(1));
  }
  board = Replaced(board, "\"tracks\": [\n", R"("tracks": [
    {"layer": "TopLayer", "net": "GND", "auxByte": 1, "x": "1100mil", "y": "2600mil", "x2": "1200mil", "y2": "2600mil", "width": "9mil"},
)");
  for (const bool protect : {false, true}) {
    SCOPED_TRACE(protect);
    RouterSettingsFile settings(std::string("ExportPolygons=1\r\nPolygonAsHatch=0\r\n") +
                                "ProtectPreRoutes=" + (protect ? "1" : "0") + "\r\n");
    const std::string wiring = Section(ExportedDesignFile(board), "    (wiring");
    EXPECT_EQ(Occurrences(wiring, "(type normal)"), protect ? 0 : 4) << wiring;
  }
}

// The file goes out in pieces of a quarter megabyte: a wiring section many pieces long has every
// wire, whole, in board order, and stays a well-formed file.
TEST(StructureWiringExport, AWiringSectionOfManyPiecesKeepsEveryWireInOrder) {
  constexpr int kTracks = 6000;  // about 0.9 MB of wiring
  std::string tracks, wires;
  for (int i = 0; i < kTracks; ++i) {
    const std::string y = std::to_string(100 + i);
    tracks += R"({"layer": "BottomLayer", "net": "SDA", "x": "100mil", "y": ")" + y +
              R"(mil", "x2": "900mil", "y2": ")" + y + R"(mil", "width": "7mil"},)" + "\n";
    wires += "        (wire \r\n            (path BottomLayer 7.000 100.000 " + y +
             ".000 900.000 " + y +
             ".000)\r\n            (net SDA)\r\n            (type protect)\r\n        )\r\n";
  }
  const std::string file = ExportedDesignFile(
      Replaced(ExampleBoardText(), "\"tracks\": [\n", "\"tracks\": [\n" + tracks));
  const std::string wiring = Section(file, "    (wiring");
  ASSERT_GT(wiring.size(), 3u << 18);
  // One after the other, the board's own wires around them.
  EXPECT_NE(wiring.find(wires), std::string::npos) << "the added wires, whole and in order";
  EXPECT_EQ(Occurrences(wiring, "(wire "), kTracks + 13);
}

TEST(StructureWiringExport, KeepoutsComeLayerByLayerInBoardOrder) {
  std::string tracks;
  int y = 101;
  for (const char* layer : {"BottomLayer", "TopLayer", "TopOverlay", "MidLayer1", "TopLayer"}) {
    tracks += std::string(R"({"layer": ")") + layer + R"(", "x": "1mil", "y": ")" +
              std::to_string(y++) + R"(mil", "x2": "1mil", "y2": "1mil", "width": "1mil"},)";
  }
  const std::string board =
      Replaced(ExampleBoardText(), "\"tracks\": [\n", "\"tracks\": [\n" + tracks);
  const std::string structure = Section(ExportedDesignFile(board), "    (structure");
  std::string order, layer, width, x, y1;
  for (size_t at = structure.find("(path ", structure.find("(keepout")); at != std::string::npos;
       at = structure.find("(path ", at + 1)) {
    std::istringstream(structure.substr(at + 6, 60)) >> layer >> width >> x >> y1;
    order += layer + " " + y1 + "|";
  }
  EXPECT_EQ(order,
            "TopLayer 102.000|TopLayer 105.000|TopLayer 2300.000|MidLayer1 104.000|"
            "BottomLayer 101.000|signal 1000.000|");
}

TEST(StructureWiringExport, ProtectedArcChordsCarryTheMarkerAndEmptyPlanesAreLeftOut) {
  std::string board = ExampleBoardText();
  board = Replaced(board, R"("startAngle": 270, "endAngle": 360, "width": "10mil")",
                   R"("startAngle": 0, "endAngle": 45, "width": "10mil", "bitField2": 8)");
  board = Replaced(board, R"("name": "GND Plane", "copper": "1.4mil", "net": "GND")",
                   R"("name": "GND Plane", "copper": "1.4mil")");
  const std::string file = ExportedDesignFile(board);
  const std::string wiring = WithoutCarriageReturns(Section(file, "    (wiring"));
  // 0..45 degrees on a 100 mil radius: four chords, each protected and marked, so the route
  // file's copy of them is dropped on import.
  const std::string first_chord =
      "        (wire \n"
      "            (path TopLayer 10.000 2430.000 2200.000 2428.007 2219.867)\n"
      "            (turret 126)\n"
      "            (type protect)\n"
      "        )\n";
  EXPECT_NE(wiring.find(first_chord), std::string::npos) << wiring;
  size_t chords = 0;
  for (size_t at = wiring.find("(path TopLayer 10.000 2"); at != std::string::npos;
       at = wiring.find("(path TopLayer 10.000 2", at + 1)) {
    if (wiring.compare(at, 29, "(path TopLayer 10.000 2430.00") == 0 ||
        wiring.compare(at, 24, "(path TopLayer 10.000 24") == 0 ||
        wiring.compare(at, 24, "(path TopLayer 10.000 23") == 0) {
      ++chords;
    }
  }
  EXPECT_EQ(chords, 4u) << wiring;
  EXPECT_EQ(wiring.find("(qarc "), std::string::npos);
  const std::string structure = Section(file, "    (structure");
  EXPECT_EQ(structure.find("InternalPlane1"), std::string::npos);
  EXPECT_NE(structure.find("(layer InternalPlane2 (type power) (use_net +3V3 USB_P ))"),
            std::string::npos);
}

// An arc's end angle 0 is 360 and its start angle 360 is 0: the chords of an arc that ends at 0
// end on the 0-degree point, and an arc from 360 to 0 goes once round.
TEST(StructureWiringExport, ArcAnglesAtZeroFoldOntoTheFullTurn) {
  // The chords of the netted 100 mil arc about (2330, 2200) mil, drawn 7 mil wide (no other wire
  // is), as their end points.
  auto chords_of = [](int start, int end) {
    const std::string board =
        Replaced(ExampleBoardText(), R"("startAngle": 270, "endAngle": 360, "width": "10mil")",
                 R"("startAngle": )" + std::to_string(start) + R"(, "endAngle": )" +
                     std::to_string(end) + R"(, "width": "7mil")");
    std::istringstream wiring(
        WithoutCarriageReturns(Section(ExportedDesignFile(board), "    (wiring")));
    std::vector<std::string> chords;
    for (std::string line; std::getline(wiring, line);) {
      const size_t path = line.find("(path TopLayer 7.000 ");
      if (path != std::string::npos) chords.push_back(line.substr(path + 21));
    }
    return chords;
  };
  // 60 degrees in steps of 11.459 (20 mil of arc): six chords, the last ending at 0 degrees.
  const std::vector<std::string> to_zero = chords_of(300, 0);
  ASSERT_EQ(to_zero.size(), 6u);
  EXPECT_EQ(to_zero.front(), "2380.000 2113.398 2396.209 2125.057)");
  EXPECT_EQ(to_zero.back().substr(to_zero.back().size() - 18), "2430.000 2200.000)");
  const std::vector<std::string> round = chords_of(360, 0);
  ASSERT_EQ(round.size(), 32u);
  EXPECT_EQ(round.front().substr(0, 18), "2430.000 2200.000 ");
  EXPECT_EQ(round.back().substr(round.back().size() - 18), "2430.000 2200.000)");
}

}  // namespace

namespace {

// The example board's room in force, with a width rule of its own, and rules that scope the net
// GND (clearance and width) and the class Power (clearance) to the room.
std::string BoardWithRoomRules() {
  std::string board = ExampleBoardText();
  board = Replaced(board, R"j("priority": 3, "enabled": false, "scope1": "WithinRoom('Room 1')")j",
                   R"j("priority": 3, "scope1": "WithinRoom('Room 1')")j");
  board = Replaced(board, R"j("rules": [)j", R"j("rules": [
    {"kind": "Width", "name": "RoomWidth", "priority": 3, "scope1": "WithinRoom('Room 1')",
     "minWidth": "4mil", "maxWidth": "12mil", "preferredWidth": "7mil",
     "layerWidths": {
    "BottomLayer" : { "min" : "4mil", "max" : "12mil", "preferred" : "9mil" }}
},
    {"kind": "Width", "name": "RoomGNDWidth", "priority": 4,
     "scope1": "InNet('GND') And WithinRoom('Room 1')",
     "minWidth": "10mil", "maxWidth": "30mil", "preferredWidth": "25mil"},
    {"kind": "Clearance", "name": "RoomGND", "priority": 4,
     "scope1": "InNet('GND') And WithinRoom('Room 1')", "gap": "9mil"},
    {"kind": "Clearance", "name": "RoomPower", "priority": 5,
     "scope1": "InNetClass('Power') And WithinRoom('Room 1')", "gap": "15mil"},)j");
  return board;
}

const char kRoomOutline[] =
    "            (polygon SIGNAL 0.00 \n"
    "                1950.000 1700.000\n"
    "                2150.000 1700.000\n"
    "                2150.000 1900.000\n"
    "                1950.000 1900.000\n"
    "            )\n";

// The region statements of the structure section, without carriage returns.
std::string Regions(const std::string& file) {
  const std::string structure = WithoutCarriageReturns(Section(file, "    (structure"));
  const size_t first = structure.find("        (region ");
  if (first == std::string::npos) return {};
  return structure.substr(first, structure.find("        (keepout ") - first);
}

TEST(StructureWiringExport, RoomsCarryTheRulesScopedToThemAsRegions) {
  const std::string file = ExportedDesignFile(BoardWithRoomRules());
  // The room's own rules: its clearance (one value, no object kinds named) and its track widths
  // per stacked signal layer; then the net and the class that rules scope to the room, the net
  // once although a clearance and a width rule both name it.
  const std::string expected = std::string() + "        (region Room_1\n" + kRoomOutline +
                               "            (rule \n"
                               "                (clearance 6.000)\n"
                               "                (layer_rule TopLayer MidLayer1 MidLayer2 (rule "
                               "(width 7.000)))\n"
                               "                (layer_rule BottomLayer (rule (width 9.000)))\n"
                               "            )\n"
                               "        )\n"
                               "        (region Room_1_Net_GND\n" +
                               kRoomOutline +
                               "            (region_net GND)\n"
                               "            (rule \n"
                               "                (clearance 9.000)\n"
                               "                (width 25.000)\n"
                               "            )\n"
                               "        )\n"
                               "        (region Room_1_NetClass_Power\n" +
                               kRoomOutline +
                               "            (region_class Power)\n"
                               "            (rule \n"
                               "                (clearance 15.000)\n"
                               "            )\n"
                               "        )\n";
  EXPECT_EQ(Regions(file), expected);
}

struct RoomCase {
  const char* name;
  const char* settings;
  const char* room;  // the room's vertices, replacing the example's
  int regions;
};

TEST(StructureWiringExport, RoomsAreWrittenOnlyWhenAskedForAndWhenTheyHaveAnArea) {
  const char* const kSquare =
      R"j([["1950mil", "1700mil"], ["2150mil", "1700mil"], ["2150mil", "1900mil"], ["1950mil", "1900mil"]])j";
  const char* const kTriangle =
      R"j([["1950mil", "1700mil"], ["2150mil", "1700mil"], ["2150mil", "1900mil"]])j";
  const char* const kPentagon =
      R"j([["1950mil", "1700mil"], ["2150mil", "1700mil"], ["2150mil", "1900mil"], ["2050mil", "2000mil"], ["1950mil", "1900mil"]])j";
  const RoomCase cases[] = {
      {"regions by default", "", kSquare, 3},
      {"regions asked for", "ExportRuleRegions=1\r\n", kSquare, 3},
      {"regions not asked for", "ExportRuleRegions=0\r\n", kSquare, 0},
      {"three vertices", "", kTriangle, 0},
      {"five vertices", "", kPentagon, 3},
  };
  for (const RoomCase& c : cases) {
    SCOPED_TRACE(c.name);
    RouterSettingsFile settings(c.settings);
    const std::string board = Replaced(BoardWithRoomRules(), std::string(R"j("room": )j") + kSquare,
                                       std::string(R"j("room": )j") + c.room);
    const std::string file = ExportedDesignFile(board);
    const std::string structure = Section(file, "    (structure");
    EXPECT_EQ(Occurrences(file, "(region "), c.regions);
    EXPECT_EQ(Occurrences(structure, "(region "), c.regions);
    if (c.regions > 0) {
      EXPECT_EQ(Occurrences(structure, "2050.000 2000.000\r\n"),
                std::string(c.room) == kPentagon ? c.regions : 0);
    }
  }
}

// The router needs a boundary with points: a board without an outline gets its bounding
// rectangle, one whose outline the editor cuts gets the segments handed out; the user hears of
// each once.
TEST(StructureWiringExport, BoundaryWithoutOutlineOrWithACutOne) {
  const std::string board = ExampleBoardText();
  const size_t begin = board.find("  \"boardOutline\"");
  const size_t end = board.find("  \"nets\"");
  ASSERT_NE(begin, std::string::npos);
  std::string corners;
  for (int i = 0; i < 6000; ++i) {
    // A staircase from (1000, 1000) to about (3000, 2500): its corners only.
    corners += "[\"" + std::to_string(1000 + i / 3) + "mil\", \"" +
               std::to_string(1000 + (i + 1) / 4) + "mil\"], ";
  }
  corners += "[\"1000mil\", \"2500mil\"]";
  struct Case {
    std::string outline;
    const char* message;
    std::vector<std::string> first_points;
    size_t points;
  };
  const Case cases[] = {
      // The corners of the "(rect pcb" boundary, closed.
      {"", "The board has no outline", {}, 5},
      {"  \"boardOutline\": {\"layer\": \"Mechanical1\", \"outline\": [" + corners + "]},\n",
       "The board outline has more segments",
       {"1000.000 1000.000", "1000.000 1000.000", "1000.000 1000.000", "1001.000 1001.000"},
       5001}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::string text = board;
    text.replace(begin, end - begin, c.outline);
    BoardSession board_session(text);
    ASSERT_EQ(board_session.Export().status, S_OK);
    const std::string file = board_session.Read();
    EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(file)), "");
    const std::string opener = "            (path signal 0.0\r\n";
    const size_t path = file.find(opener);
    ASSERT_NE(path, std::string::npos);
    const std::string rows = file.substr(
        path + opener.size(), file.find("            )\r\n", path) - path - opener.size());
    std::vector<std::string> expected = c.first_points;
    if (expected.empty()) {
      const size_t rect = file.find("(rect pcb\r\n") + 11 + 16;
      std::istringstream box(file.substr(rect, file.find("\r\n", rect) - rect));
      std::string x1, y1, x2, y2;
      box >> x1 >> y1 >> x2 >> y2;
      expected = {x1 + " " + y1, x2 + " " + y1, x2 + " " + y2, x1 + " " + y2, x1 + " " + y1};
    }
    std::vector<std::string> points;
    for (size_t at = 0; at < rows.size(); at = rows.find("\r\n", at) + 2) {
      points.push_back(rows.substr(at + 16, rows.find("\r\n", at) - at - 16));
    }
    EXPECT_EQ(points.size(), c.points);
    EXPECT_EQ(std::vector<std::string>(points.begin(),
                                       points.begin() + std::min(points.size(), expected.size())),
              expected);
    int messages = 0;
    for (const std::string& line : board_session.journal().Lines()) {
      if (line.find(c.message) != std::string::npos) {
        ++messages;
        EXPECT_EQ(line.rfind("dialog \"Warning\"", 0), 0u) << line;
      }
    }
    EXPECT_EQ(messages, 1) << board_session.journal().Text();
  }
}

}  // namespace

namespace {

// An export of `board_text` that must fail; the command's message. Nothing may be written.
std::string RefusedExport(const std::string& board_text) {
  BoardSession board(board_text, {{"*", "OK"}});
  const auto result = board.Export();
  EXPECT_EQ(result.status, E_FAIL) << board.journal().Text();
  EXPECT_FALSE(testsupport::FileExists(board.Path("board.dsn")));
  EXPECT_FALSE(testsupport::FileExists(board.Path("board.do")));
  return result.error_description;
}

TEST(StructureWiringExport, CopperOfASizeNoCopperCanHaveStopsTheExportNamingIt) {
  struct Case {
    const char* why;
    const char* from;
    const char* to;
    const char* message;
  };
  const Case cases[] = {
      {"a track of negative width",
       R"("x": "1675mil", "y": "1775mil", "x2": "1675mil", "y2": "1840mil", "width": "10mil")",
       R"("x": "1675mil", "y": "1775mil", "x2": "1675mil", "y2": "1840mil", "width": "-10mil")",
       "The track from 1675.000 1775.000 to 1675.000 1840.000 on TopLayer has the width -10.000 "
       "mil, which no copper can have: the design file is not written."},
      {"an arc of negative radius",
       R"("radius": "100mil", "startAngle": 270, "endAngle": 360, "width": "10mil")",
       R"("radius": "-100mil", "startAngle": 270, "endAngle": 360, "width": "10mil")",
       "The arc about 2330.000 2200.000 on TopLayer has the radius -100.000 mil, which no copper "
       "can have: the design file is not written."},
      {"an arc of negative width",
       R"("radius": "100mil", "startAngle": 270, "endAngle": 360, "width": "10mil")",
       R"("radius": "100mil", "startAngle": 270, "endAngle": 360, "width": "-0.5mil")",
       "The arc about 2330.000 2200.000 on TopLayer has the width -0.500 mil, which no copper "
       "can have: the design file is not written."},
      // Written as padstacks without shapes, these would be no copper to the router.
      {"a via of negative size", R"("y": "1520mil", "size": "24mil", "hole": "12mil")",
       R"("y": "1520mil", "size": "-10mil", "hole": "12mil")",
       "The via at 1675.000 1520.000 from TopLayer to BottomLayer has the size -10.000 mil, which "
       "no copper can have: the design file is not written."},
      {"a via of negative hole", R"("y": "1520mil", "size": "24mil", "hole": "12mil")",
       R"("y": "1520mil", "size": "24mil", "hole": "-12mil")",
       "The via at 1675.000 1520.000 from TopLayer to BottomLayer has the hole size -12.000 mil, "
       "which no copper can have: the design file is not written."},
      {"a pad of negative height", R"("y": "1625mil", "size": ["24mil", "60mil"], "shape": "rect)",
       R"("y": "1625mil", "size": ["24mil", "-60mil"], "shape": "rect)",
       "The pad 1 at 1525.000 1625.000 on TopLayer has the size -60.000 mil, which no copper can "
       "have: the design file is not written."},
      {"a pad of negative width", R"("y": "1625mil", "size": ["24mil", "60mil"], "shape": "round")",
       R"("y": "1625mil", "size": ["-40mil", "40mil"], "shape": "round")",
       "The pad 2 at 1575.000 1625.000 on TopLayer has the size -40.000 mil, which no copper can "
       "have: the design file is not written."},
      {"a pad of negative hole", R"("y": "1150mil", "size": ["125mil", "125mil"], "shape": "round", "hole": "125mil")",
       R"("y": "1150mil", "size": ["125mil", "125mil"], "shape": "round", "hole": "-125mil")",
       "The pad MH1 at 1150.000 1150.000 on MultiLayer has the hole size -125.000 mil, which no "
       "copper can have: the design file is not written."},
      {"a via style of negative size", R"("viaSize": "24mil")", R"("viaSize": "-24mil")",
       "The via style of the rule RoutingVias has the size -24.000 mil, which no copper can "
       "have: the design file is not written."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(RefusedExport(Replaced(ExampleBoardText(), c.from, c.to)), c.message);
  }
  // A track of no width (a hairline some editors draw) is copper all the same: it is written.
  const std::string hairline = Replaced(ExampleBoardText(), cases[0].from,
                                        R"("x": "1675mil", "y": "1775mil", "x2": "1675mil", )"
                                        R"("y2": "1840mil", "width": "0mil")");
  EXPECT_NE(Section(ExportedDesignFile(hairline), "    (wiring")
                .find("(path TopLayer 0.000 1675.000 1775.000 1675.000 1840.000)"),
            std::string::npos);
  // So is a via of no size: its padstack has no shape to write.
  const std::string pointlike = Replaced(ExampleBoardText(), cases[3].from,
                                         R"("y": "1520mil", "size": "0mil", "hole": "0mil")");
  EXPECT_NE(ExportedDesignFile(pointlike).find("(via Via"), std::string::npos);
}

TEST(StructureWiringExport, ABoardWithoutALayerStackIsRefused) {
  const std::string board = ExampleBoardText();
  const size_t start = board.find("\"stack\": [");
  const size_t end = board.find("\n  ],", start);
  ASSERT_NE(end, std::string::npos);
  for (const std::string& stack : {std::string("\"stack\": ["), std::string()}) {
    SCOPED_TRACE(stack.empty() ? "no stack" : "an empty stack");
    std::string text = board;
    text.replace(start, end + 5 - start, stack.empty() ? "" : stack + "],");
    EXPECT_EQ(RefusedExport(text),
              "The board has no layer stack, so the design file could not declare the layers its "
              "copper is on: nothing was written. Give the board a layer stack and export again.");
  }
}

TEST(StructureWiringExport, StoredSettingsTheRouterCannotUseAreNamedAndReplaced) {
  struct Case {
    std::string stored;
    std::string problem;  // after "<settings file>: "
  };
  const Case cases[] = {
      {"WireGrid=-1e308mil", "WireGrid=-1e308mil cannot be used (it is negative); it stays 20mil"},
      {"ViaGrid=-5mil", "ViaGrid=-5mil cannot be used (it is negative); it stays 20mil"},
      {"WireGrid=nan", "WireGrid=nan cannot be used (it is no length); it stays 20mil"},
      {"ViaGrid=1e400", "ViaGrid=1e400 cannot be used (it is no length); it stays 20mil"},
      {"WireGrid=0mil", "WireGrid=0mil cannot be used (it must be larger than 0); it stays 20mil"},
      {"WireGrid=5mil;junk", "WireGrid=5mil;junk cannot be used (it is no length); it stays 20mil"},
      // Above 0, yet shown as 0 in the dialog, which would refuse its own OK.
      {"WireGrid=0.0004mil",
       "WireGrid=0.0004mil cannot be used (it rounds to 0mil, and it must be larger than 0); it "
       "stays 20mil"},
      {"WireGrid=0.0000001mil",
       "WireGrid=0.0000001mil cannot be used (it rounds to 0mil, and it must be larger than 0); "
       "it stays 20mil"},
      {"ViaGrid=0.00001mm",
       "ViaGrid=0.00001mm cannot be used (it rounds to 0mil, and it must be larger than 0); it "
       "stays 20mil"},
      // A NUL would end the box's text there.
      {std::string("ViaGrid=5\0mil", 13),
       "ViaGrid=5\\x00mil cannot be used (it is no length); it stays 20mil"},
      {"ViaGrid=200000mil",
       "ViaGrid=200000mil cannot be used (it is larger than 99999mil); it stays 20mil"},
      // A megabyte of digits is refused, and not repeated whole in the message.
      {"WireGrid=" + std::string(1 << 20, '9') + "mil",
       "WireGrid=" + std::string(40, '9') + "... cannot be used (it is no length); it stays 20mil"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.substr(0, 20));
    const RouterSettingsFile stored(c.stored + "\r\n");
    BoardSession board(ExampleBoardText(), {{"*", "OK"}});
    ASSERT_EQ(board.Export().status, S_OK) << board.journal().Text().substr(0, 2000);
    EXPECT_TRUE(board.journal().Has("dialog \"Warning\": These router settings were not used: | " +
                                    RouterSettingsFile::Path() + ": " + c.problem + " -> OK"))
        << board.journal().Text().substr(0, 2000);
    const std::string file = board.Read();
    EXPECT_EQ(Occurrences(file, "(grid wire 20.000)\r\n"), 1);
    EXPECT_EQ(Occurrences(file, "(grid via 20.000)\r\n"), 1);
  }
}

}  // namespace
