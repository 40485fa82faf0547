// Route files imported into a copy of the example board in the stand-in editor: what is
// removed, what is added, what is marked, and that bad files change nothing.
#include "router/route_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "router/route_file_reader.h"
#include "sdk/pcb_board.h"
#include "sdk/pcb_object.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"
#include "sdk/client_api.h"
#include "framework/win/text.h"
#include "idle_client.h"
#include "sdk/host_fakes.h"
#include "sdk/quorvel_session.h"
#include "router/board_copper.h"
#include "router/route_file_fuzz.h"

namespace {

using namespace boardcopper;
using quorveltest::QuorvelSession;

std::vector<std::string>& EditorJournal() {
  static std::vector<std::string> lines;
  return lines;
}
void __stdcall AppendToJournal(const char* line) { EditorJournal().push_back(line); }

// A route file the project ships, as text.
std::string Shipped(const std::string& name) {
  return testsupport::ReadFile(testsupport::TestDataPath("router/testdata/" + name));
}

// A copy of the example board, with a net that differs from USB_N only in case and hole sizes
// stored for padstacks 0, 1 and 4, open in the editor.
class RouteImport : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QuorvelSession::Get().loaded());
    std::string board = testsupport::ReadFile(quorveltest::ExampleBoardPath());
    const std::string net = "{\"name\": \"USB_N\"}";
    const size_t at = board.find(net);
    ASSERT_NE(at, std::string::npos);
    board.insert(at + net.size(), ", {\"name\": \"usb_n\"}");
    board_file_ = dir_.Path("board.json");
    testsupport::WriteFile(board_file_, board);
    testsupport::WriteFile(dir_.Path("board.qixpref"),
                           "[HoleList]\r\n0=100000\r\n1=150000\r\n4=200000\r\n");
    Reopen();
    EditorJournal().clear();
    QuorvelSession::Get().SetJournal(&AppendToJournal);
  }
  void TearDown() override {
    QuorvelSession::Get().SetRefusals(0, 0);
    QuorvelSession::Get().SetJournal(nullptr);
  }
  void Reopen() { ASSERT_EQ(QuorvelSession::Get().Open(board_file_), ""); }

  std::string RouteFile(const std::string& name, const std::string& text) {
    const std::string path = dir_.Path(name);
    testsupport::WriteFile(path, text);
    return path;
  }
  std::string ShippedRouteFile(const std::string& name) { return RouteFile(name, Shipped(name)); }

  testsupport::TempDir dir_;
  std::string board_file_;
};

// What the example board has besides its netted routing, which an import keeps.
const std::vector<std::string> kKeptCopper = {
    "pad 74 - 1150,1150 top 125x125/1 mid 125 bottom 125/1 hole 125 stack 0",
    // A free pad with a net: no route file gives back its name and flags, so it stays.
    "pad 1 SDA 2400,1900 top 40x40/1 mid 40 bottom 40/1 hole 0 stack 0 tpTop",
    "track 1 - 2500,2300-2700,2300 w15",
    // Protected routing: it comes back from the router marked and is dropped there.
    "track 1 +3V3 1525,1950-1800,1950 w20",
    // Copper of nets with fewer than two pads: the network leaves them out, so the router
    // cannot give it back with its net.
    "track 32 USB_N 2700,1550-2500,1550 w12",
    "track 32 USB_P 2700,1650-2500,1650 w12",
    // The polygon's pour.
    "track 32 - 1100,1200-1900,1200 w10",
    "track 32 - 1100,1400-1860,1400 w10",
    "track 32 - 1300,1100-1300,1500 w10",
    "track 56 - 1000,1000-3000,1000 w10",
    "via - 1300,2300 size 40 hole 20 1-32",
};

TEST(FirstVisits, KeepEachHandleOnceInTheOrderOfItsFirstVisit) {
  using Handles = std::vector<sdk::Handle>;
  EXPECT_EQ(router::FirstVisits({7, 3, 7, 1, 3, 3, 9}), (Handles{7, 3, 1, 9}));
  EXPECT_EQ(router::FirstVisits({}), Handles{});
  EXPECT_EQ(router::FirstVisits({4, 4, 4}), Handles{4});
}

TEST_F(RouteImport, ShippedRouteFileReplacesTheRouting) {
  const std::vector<std::string> before = FreeCopper();
  const std::string path = ShippedRouteFile("routes_mil.rte");
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(path, &report));
  EXPECT_EQ(report.Text(path), "Imported " + path +
                                   ": 2 tracks, 6 vias and 1 pad added, 3 already on the board; "
                                   "skipped 2 records: 1 via of a padstack the file does not "
                                   "define, 1 wire of a net the board lacks; 1 hole made to fit "
                                   "inside its copper.");
  const std::vector<std::string> after = FreeCopper();
  const std::vector<std::string> expected_new = {
      // SDA: a path of three points (the board's tracks, kept), one via, the turret via left
      // out, the numbered one kept.
      "track 1 SDA 1675,1775-1675,1840 w10",
      "track 1 SDA 1675,1840-2000,1840 w10",
      "via SDA 2000,1840 size 24 hole 10 1-32 tpBottom",
      "via SDA 2100,1840 size 24 hole 10 1-32",
      // GND: a via of a padstack the file never defined is skipped.
      "track 32 GND 1640,1450-1700,1450 w12",
      // +3V3: turret 200 is no mark; holes come by the number in the padstack's name.
      "track 1 +3V3 1525,1775-1525,1950 w20",
      "via +3V3 1525,1950 size 20 hole 15 1-32",
      "pad 1 +3V3 1525,2000 top 60x40/2 mid 60 bottom 60/2 hole 0 stack 0",
      "via +3V3 1525,2050 size 40 hole 28 1-32",
      // A via with a layer stack stays a via.
      "via +3V3 1525,2100 size 60 hole 20 1-32 stack 60/40/40",
      // The default hole does not fit a 20-mil via: it is cut to half the via.
      "via +3V3 1525,2150 size 20 hole 10 1-2",
      // The exact name wins over USB_N.
      "track 32 usb_n 2500,1500-2700,1500 w12",
  };
  std::vector<std::string> expected = kKeptCopper;
  expected.insert(expected.end(), expected_new.begin(), expected_new.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Joined(after), Joined(expected)) << "before:\n" << Joined(before);

  // The test point right on U1-5 is marked; the one half a mil off U1-6 is not.
  EXPECT_EQ(Joined(CopperAt(1675, 1775)),
            "pad 1 SDA 1675,1775 top 24x60/1 mid 24 bottom 24/1 hole 0 stack 0 tpTop\n");
  EXPECT_EQ(CopperAt(1625, 1775).at(0).find("tp"), std::string::npos);
  // Both pad and via under the back test point on SDA.
  for (const std::string& object : CopperAt(2000, 1840)) {
    EXPECT_NE(object.find("tpBottom"), std::string::npos) << object;
  }
}

// Files that add copper on top of what the board keeps, whatever their layout: a name no net
// has as it stands goes to the first net in the board's order that has it in other letters (USB_N
// before usb_n); the kept USB_N track given back in two pieces is not laid again; an empty file
// removes only the netted routing; the progress counts its lines.
TEST_F(RouteImport, FilesAddTheirCopperToWhatTheBoardKeeps) {
  const struct {
    std::string text;
    std::vector<std::string> added;
  } cases[] = {
      {Shipped("routes_router_style.rte"),
       {"via USB_N 2500,1550 size 24 hole 10 1-32", "track 1 +3V3 1525,1775-1525,1950 w20"}},
      {"(routes m (resolution mil 1) (network_out (net Usb_N"
       " (wire (path TopLayer 10 3000 3000 3100 3000)))))\n",
       {"track 1 USB_N 3000,3000-3100,3000 w10"}},
      {"(routes p\r\n(network_out\r\n(net GND\r\n)))\r\n", {}},
  };
  std::string path;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Reopen();
    path = RouteFile("r.rte", c.text);
    EditorJournal().clear();
    ASSERT_TRUE(router::LoadRouteFile(path));
    std::vector<std::string> expected = kKeptCopper;
    expected.insert(expected.end(), c.added.begin(), c.added.end());
    EXPECT_EQ(Joined(FreeCopper()), Joined(Sorted(expected)));
  }
  EXPECT_EQ(CopperAt(1675, 1775).size(), 1u) << "component pads stay";
  const std::string journal = Joined(EditorJournal());
  EXPECT_NE(journal.find("progress start: Loading " + path + " (QIX) (4 steps)"), std::string::npos)
      << journal;
  EXPECT_NE(journal.find("(4 of 4 steps)"), std::string::npos) << journal;
}

// Records the board has no place for are skipped and counted, never given a guessed shape: a
// wire on all layers at once, on a plane or on a layer the board lacks, a via of a padstack the
// file never defines or defines without a shape, a list of a kind the import does not know, a
// marked wire without a path (itself only). A via of an undefined padstack right on the board's
// copper of its net (a test pad the router does not list) is that copper. Without a resolution
// lengths are mils, and the report says so.
TEST_F(RouteImport, RecordsWithoutAPlaceOnTheBoardAreCountedNeverGuessed) {
  const std::string path = RouteFile("f.rte",
                                     "(routes f (library_out\n"
                                     "  (padstack V (shape (circle signal 5)))\n"
                                     "  (padstack v (shape (circle signal 9)))\n"
                                     "  (padstack Empty (shape (circle Top 5))))\n"
                                     " (network_out\n"
                                     " (net SDA\n"
                                     "  (wire (path TopLayer 10 2000 1840 2000 1900))\n"
                                     "  (wire (qarc TopLayer 10 0 0 10 10 0 10) (turret 126))\n"
                                     "  (wire (polygon TopLayer 0 0 0 10 0 10 10) (turret 127))\n"
                                     "  (wire (path MidLayer3 10 0 0 10 0))\n"
                                     "  (wire (path Mystery 10 0 0 10 0))\n"
                                     "  (wire (path signal 10 2000 1840 2000 1900))\n"
                                     "  (wire (path InternalPlane1 10 2000 1840 2000 1900))\n"
                                     "  (via Mystery 1700 1450) (via Empty 1700 1500)\n"
                                     "  (via Pad13 2400 1900)\n"
                                     "  (wyre (path TopLayer 10 2000 1840 2000 1900)))\n"
                                     " (net NoSuchNet (wire (path TopLayer 5 100 100 200 100))\n"
                                     "  (via V 100 100)))\n"
                                     "(test_points (point 1675 1775 front (net NoSuchNet))\n"
                                     "  (point 1675 1775 top (net SDA))))\n");
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(path, &report));
  std::vector<std::string> expected = kKeptCopper;
  expected.push_back("track 1 SDA 2000,1840-2000,1900 w10");
  EXPECT_EQ(Joined(FreeCopper()), Joined(Sorted(expected)));
  EXPECT_EQ(report.Text(path),
            "Imported " + path +
                ": 1 track, 0 vias and 0 pads added, 1 already on the board; skipped 13 records: "
                "1 padstack defined twice, 1 padstack shape without a known layer, 1 record of a "
                "kind the import does not know, 1 test point of a net the board lacks, 1 test "
                "point on a side other than front or back, 1 via of a net the board lacks, 1 via "
                "of a padstack the file does not define, 1 via of a padstack without shapes, 2 "
                "wires not on a routing layer, 1 wire of a net the board lacks, 2 wires on a "
                "layer the board lacks; the file gives no resolution, so its lengths were read "
                "as mils.");
  EXPECT_EQ(CopperAt(1675, 1775).at(0).find("tp"), std::string::npos);
}

// The router gives back the copper the clean-up keeps without its marks: under its net, with
// its ends swapped, a polygon's pour under the polygon's net, protected vias and free pads.
// None of it is added again, however often the file is imported, nor a wire the file lists
// twice, nor, from the second import on, the wire it routed; a wire outside any net is not the
// board's copper of some net, but skipped.
TEST_F(RouteImport, CopperTheBoardHasIsNotAddedAgain) {
  std::string board = testsupport::ReadFile(board_file_);
  for (const std::string object :
       {"{\"net\": \"SCL\", \"x\": \"2200mil\"", "{\"name\": \"TP1\", \"layer\": \"TopLayer\""}) {
    const size_t at = board.find(object);
    ASSERT_NE(at, std::string::npos) << object;
    board.insert(at + 1, "\"bitField2\": 8, ");  // protected
  }
  testsupport::WriteFile(board_file_, board);
  Reopen();
  ASSERT_TRUE(router::LoadRouteFile(RouteFile("none.rte", "(routes n (network_out))")));
  std::vector<std::string> expected = FreeCopper();
  ASSERT_EQ(expected.size(), kKeptCopper.size() + 1) << "the protected via";
  expected.push_back("track 1 SDA 2000,1840-2000,1900 w10");
  const std::string path = RouteFile(
      "echo.rte",
      "(routes e (resolution mil 10)\n"
      " (library_out (padstack Via5 (shape (circle MidLayer1 200))\n"
      "   (shape (circle MidLayer2 200))) (padstack Pad13 (shape (circle TopLayer 400))))\n"
      " (network_out\n"
      " (wire (path BottomLayer 120 27000 15500 25000 15500))\n"
      " (net USB_P (wire (path BottomLayer 121 25000 16500 27000 16501)))\n"
      " (net +3V3 (wire (path TopLayer 200 15250 19500 18000 19500)))\n"
      " (net GND (wire (path BottomLayer 100 11000 12000 19000 12000)))\n"
      " (net SCL (via Via5 22000 17000))\n"
      " (net SDA (via Pad13 24000 19000) (wire (path TopLayer 100 20000 18400 20000 19000))\n"
      "  (wire (path TopLayer 100 20000 18400 20000 19000)))))\n");
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    router::TRouteImportReport report;
    ASSERT_TRUE(router::LoadRouteFile(path, &report));
    EXPECT_EQ(Joined(FreeCopper()), Joined(Sorted(expected)));
    EXPECT_EQ(report.Text(path),
              "Imported " + path +
                  (round == 1 ? ": 1 track, 0 vias and 0 pads added, 6 already on the board"
                              : ": 0 tracks, 0 vias and 0 pads added, 7 already on the board") +
                  "; skipped 1 record: 1 wire outside any net.");
  }
  // Two units of the file's resolution apart is another track.
  const std::string moved =
      RouteFile("moved.rte",
                "(routes e (resolution mil 10) (network_out (net USB_P (wire (path BottomLayer "
                "120 25000 16502 27000 16500)))))");
  ASSERT_TRUE(router::LoadRouteFile(moved));
  EXPECT_EQ(FreeCopper().size(), expected.size());
  // One unit off to the other side of the index's cell edges is still the same.
  const std::string below =
      RouteFile("below.rte",
                "(routes e (resolution mil 10) (network_out (net USB_P (wire (path BottomLayer "
                "120 24999 16499 26999 16501)))))");
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(below, &report));
  EXPECT_EQ(report.already_there, 1);
  EXPECT_EQ(FreeCopper().size(), expected.size());
}

// Hundreds of pieces, each listed twice, and pieces that differ only in width at the same
// place: each comes in once, however full the copper index has grown.
TEST_F(RouteImport, ManyPiecesListedTwiceComeInOnce) {
  std::string wires;
  for (int i = 0; i < 300; ++i) {
    const std::string x = std::to_string(30000 + 37 * i);
    const std::string wire = " (wire (path TopLayer 10 " + x + " 30000 " + x + " 30100))\n";
    wires += wire + wire;
  }
  const std::string same_place = " (wire (path BottomLayer 100 40000 40000 40100 40000))\n";
  const std::string wider = " (wire (path BottomLayer 130 40000 40000 40100 40000))\n";
  // The net listed once more, in other letters (the board has no "gnd"), with a wire it had.
  const std::string again = "(net gnd\n" + wires.substr(0, wires.find('\n') + 1) + ")";
  const std::string path =
      RouteFile("many.rte", "(routes m (resolution mil 10) (network_out (net GND\n" + wires +
                                same_place + wider + same_place + wider + ")" + again + "))\n");
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(path, &report));
  EXPECT_EQ(report.tracks, 302);
  EXPECT_EQ(report.already_there, 303);
  const std::string copper = Joined(FreeCopper());
  EXPECT_NE(copper.find("GND 4000,4000-4010,4000 w10\n"), std::string::npos) << copper;
  EXPECT_NE(copper.find("GND 4000,4000-4010,4000 w13\n"), std::string::npos) << copper;
}

// A test point marks the pad or via of its own net only, named as the export escapes it.
TEST_F(RouteImport, TestPointsMatchTheirNetByItsEscapedName) {
  std::string board = testsupport::ReadFile(board_file_);
  for (size_t at = board.find("\"SDA\""); at != std::string::npos; at = board.find("\"SDA\"")) {
    board.replace(at, 5, "\"S D(A)\"");
  }
  testsupport::WriteFile(board_file_, board);
  Reopen();
  const std::string path = RouteFile("tp.rte",
                                     "(routes t (resolution mil 1) (network_out) (test_points\n"
                                     " (point 1675 1775 back (net SCL))\n"
                                     " (point 1675 1775 front (net S~SP~D~LP~A~RP~))))\n");
  ASSERT_TRUE(router::LoadRouteFile(path));
  EXPECT_EQ(Joined(CopperAt(1675, 1775)),
            "pad 1 S D(A) 1675,1775 top 24x60/1 mid 24 bottom 24/1 hole 0 stack 0 tpTop\n");
}

// A test point marks the copper the router gives it back for as far as the files round: the
// design file's half thousandth of a mil and the thousandth a router may add beyond one unit of
// the route file's resolution (1015 units at mil 10), and no further.
TEST_F(RouteImport, TestPointsMarkCopperWithinTheFilesRounding) {
  const std::string board = testsupport::ReadFile(board_file_);
  const struct {
    const char* place;
    bool marked;
  } cases[] = {{R"("x": "2399.8985mil", "y": "1899.8985mil")", true},
               {R"("x": "2399.8984mil", "y": "1900mil")", false},
               {R"("x": "2400mil", "y": "1900.1016mil")", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.place);
    std::string moved = board;
    const std::string tp1 = R"("x": "2400mil", "y": "1900mil")";
    ASSERT_NE(moved.find(tp1), std::string::npos);
    moved.replace(moved.find(tp1), tp1.size(), c.place);
    testsupport::WriteFile(board_file_, moved);
    Reopen();
    ASSERT_TRUE(
        router::LoadRouteFile(RouteFile("tp.rte",
                                        "(routes t (resolution mil 10) (network_out)"
                                        " (test_points (point 24000 19000 back (net SDA))))")));
    const std::vector<std::string> found = CopperAt(2400, 1900);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].find("tpBottom") != std::string::npos, c.marked) << found[0];
  }
}

// Far more netted routing than the rest of the board: all of it goes, and only it.
TEST_F(RouteImport, CleanUpTakesAllRoutingOfALargeBoard) {
  std::string board = testsupport::ReadFile(board_file_);
  const std::string list = "\n  \"tracks\": [";  // the board's, not a component's
  const size_t at = board.find(list);
  ASSERT_NE(at, std::string::npos);
  std::string tracks;
  for (int i = 0; i < 20000; ++i) {
    tracks += "{\"layer\": \"BottomLayer\", \"net\": \"GND\", \"x\": \"" +
              std::to_string(i % 1000) + "mil\", \"y\": \"" + std::to_string(i / 1000) +
              "mil\", \"x2\": \"" + std::to_string(i % 1000 + 1) + "mil\", \"y2\": \"" +
              std::to_string(i / 1000) + "mil\", \"width\": \"1mil\"},";
  }
  board.insert(at + list.size(), tracks);
  testsupport::WriteFile(board_file_, board);
  Reopen();
  EditorJournal().clear();
  const std::string path = RouteFile("none.rte", "(routes n (resolution mil 1) (network_out))");
  ASSERT_TRUE(router::LoadRouteFile(path));
  EXPECT_EQ(Joined(FreeCopper()), Joined(Sorted(kKeptCopper)));
  const auto deleted =
      std::count_if(EditorJournal().begin(), EditorJournal().end(),
                    [](const std::string& line) { return line.rfind("deleted ", 0) == 0; });
  EXPECT_EQ(deleted, 20000 + 11);
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(path, &report));
  EXPECT_EQ(report.Text(path), "Imported " + path + ": 0 tracks, 0 vias and 0 pads added.");
}

// With the board closed there is nothing to import into: the import says so and asks the editor
// for nothing (no progress, no refresh), rather than reporting a file applied to no board.
TEST_F(RouteImport, WithoutAnOpenBoardTheImportRefuses) {
  const std::string path = ShippedRouteFile("routes_mil.rte");
  QuorvelSession::Get().Close();
  try {
    router::LoadRouteFile(path);
    ADD_FAILURE() << "imported with no board open";
  } catch (const sdk::Exception& e) {
    EXPECT_STREQ(e.what(), "No board is open in the PCB editor");
  }
  EXPECT_EQ(EditorJournal(), std::vector<std::string>{"closed the board"});
}

// Files that cannot be read change nothing: a missing one, a foreign one, a truncated one.
TEST_F(RouteImport, UnreadableFilesLeaveTheRouting) {
  const std::vector<std::string> before = FreeCopper();
  const std::string full = Shipped("routes_mil.rte");
  const std::string cases[] = {
      dir_.Path("missing.rte"),
      RouteFile("foreign.rte", "(pcb x)"),
      RouteFile("cut.rte", full.substr(0, full.size() / 2)),
      RouteFile("nothing.rte", "(routes x ((((((()))))))"),
      RouteFile("negative.rte",
                "(routes x (network_out (net SDA (wire (path TopLayer -10 0 0 1 1)))))"),
      RouteFile("huge.rte",
                "(routes x (resolution mil 1) (library_out (padstack P (shape (rect "
                "signal -200000 -5 200000 5)))) (network_out (net SDA (via P 0 0))))")};
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    EXPECT_THROW(router::LoadRouteFile(path), sdk::Exception);
    EXPECT_EQ(FreeCopper(), before);
  }
  for (const std::string& line : EditorJournal()) {
    EXPECT_EQ(line.find("deleted"), std::string::npos) << line;
  }
}

// Copper no board should hold, as a text; empty when every free object is sound.
std::string DamagedCopper() {
  std::string faults;
  const sdk::Coord largest = quorveltest::Mil(10000);
  sdk::TPcbBoard board(sdk::PcbApi_GetCurrentBoardHandle());
  board.IterateObjects(
      [&](sdk::Handle handle) {
        const std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(handle);
        if (!object || object->GetNetHandle() == 0) return;
        const uint8_t kind = sdk::PcbApi_GetObjectIdFromObjectHandle(handle);
        bool sound = true;
        if (kind == pcbapi::kTrack) {
          sound = object->GetWidth() > 0 && object->GetWidth() <= largest &&
                  object->GetLegacyLayer() >= 1 && object->GetLegacyLayer() <= 32;
          if (!sound) faults += TrackText(handle) + "\n";
        } else if (const auto* via = dynamic_cast<const sdk::TPcbVia*>(object.get())) {
          sound = via->GetSize() > 0 && via->GetSize() <= largest && via->GetHoleSize() > 0 &&
                  via->GetHoleSize() < via->GetSize() && via->GetLowLayer() >= 1 &&
                  via->GetHighLayer() <= 32 && via->GetLowLayer() < via->GetHighLayer();
          if (!sound) faults += ViaText(handle) + "\n";
        } else if (kind == pcbapi::kPad) {
          sdk::TPcbPad pad(handle);
          pad.Sync(pcbapi::kRead);
          sound = pad.GetTopXSize() > 0 && pad.GetTopYSize() > 0 && pad.GetTopXSize() <= largest &&
                  pad.GetTopYSize() <= largest && pad.GetHoleSize() < pad.GetTopXSize();
          if (!sound) faults += PadText(handle) + "\n";
        }
      },
      (1u << pcbapi::kTrack) | (1u << pcbapi::kVia) | (1u << pcbapi::kPad), AllLayers(),
      pcbapi::kFreeObjects);
  return faults;
}

// Damaged copies of route files of this board (the fuzz program's seed and the shipped one):
// each is refused with the board byte-identical, or imported with sound copper only, every
// object it made added (or destroyed) and counted.
TEST_F(RouteImport, DamagedRouteFilesAreRefusedWholeOrImportedSoundly) {
  const std::string saved = dir_.Path("saved.json");
  auto saved_board = [&] {
    EXPECT_EQ(QuorvelSession::Get().Save(saved), "");
    Reopen();  // saving names the board after its new file
    return testsupport::ReadFile(saved);
  };
  const std::string pristine = saved_board();
  const std::string path = dir_.Path("fuzz.rte");
  int refused = 0, imported = 0, skipping = 0;
  auto count = [](const std::string& start) {
    return std::count_if(EditorJournal().begin(), EditorJournal().end(),
                         [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  };
  for (const std::string& base : {fuzz::SeedRouteFile(), Shipped("routes_mil.rte")}) {
    fuzz::RouteFileInputs inputs(20261207, base);
    for (int i = 0; i < 200; ++i) {
      const std::string text = inputs.Next();
      SCOPED_TRACE(text);
      testsupport::WriteFile(path, text);
      EditorJournal().clear();
      router::TRouteImportReport report;
      try {
        router::LoadRouteFile(path, &report);
      } catch (const router::ERouteFileError&) {
        ++refused;
        ASSERT_EQ(saved_board(), pristine);
        continue;
      } catch (const std::exception& e) {
        FAIL() << e.what();
      }
      ++imported;
      skipping += !report.skipped.empty();
      ASSERT_EQ(DamagedCopper(), "");
      ASSERT_EQ(count("added "), report.tracks + report.vias + report.pads);
      ASSERT_EQ(count("created "), count("added ") + count("destroyed "));
      Reopen();
    }
  }
  EXPECT_GT(refused, 100);
  EXPECT_GT(imported, 100);
  EXPECT_GT(skipping, 20) << "some damage leaves records to skip";
}

using testfakes::Unused;

// A document the host shows, with a view or without one.
class HostDocument final : public testfakes::ComObject<IServerDocument> {
 public:
  explicit HostDocument(IServerView* view) : ComObject({IID_IServerDocument}), view_(view) {}
  HRESULT __stdcall GetView(int, IServerView** result) override {
    *result = view_;
    if (view_) view_->AddRef();
    return view_ ? S_OK : E_FAIL;
  }
  HRESULT __stdcall GetFileName(BSTR* result) override { return Unused(result); }
  HRESULT __stdcall GetKind(BSTR* result) override { return Unused(result); }
  HRESULT __stdcall GetServerModule(IServerModule** result) override { return Unused(result); }
  HRESULT __stdcall GetViewCount(int* count) override { return Unused(count); }
  HRESULT __stdcall Cleanup() override { return S_OK; }

 private:
  IServerView* view_;  // borrowed: the test owns it
};

class HostView final : public testfakes::ComObject<IServerView> {
 public:
  HostView() : ComObject({IID_IServerView}) {}
  HRESULT __stdcall Refresh() override { return S_OK; }
  HRESULT __stdcall GetOwnerDocument(IServerDocument** result) override { return Unused(result); }
};

// A host that shows the documents it is given by path (none else), and runs whatever process
// it is given, noting the view.
class DocumentHost final : public routertest::IdleClient<IProcessLauncher> {
 public:
  DocumentHost() : IdleClient({IID_IClient, IID_IProcessLauncher}) {}
  std::map<std::string, IServerDocument*> documents;  // borrowed
  std::vector<std::string> asked, processes;
  std::vector<IServerView*> views;
  HRESULT __stdcall GetDocumentByPath(BSTR path, IServerDocument** result) override {
    asked.push_back(win::Narrow(path));
    const auto found = documents.find(asked.back());
    *result = found == documents.end() ? nullptr : found->second;
    if (*result) (*result)->AddRef();
    return S_OK;
  }
  HRESULT __stdcall SendProcess(const char* process, char*, int, IServerView* view) override {
    return Run(process, view);
  }
  HRESULT __stdcall PostProcess(const char* process, const char*, IServerView* view) override {
    return Run(process, view);
  }
  HRESULT __stdcall GetServerModuleByName(BSTR, IServerModule** r) override { return Unused(r); }

 private:
  HRESULT Run(const char* process, IServerView* view) {
    processes.push_back(process);
    views.push_back(view);
    return S_OK;
  }
};

// The netlist and the view are refreshed through the first document of the route file's and
// the board's that has a view: none without one, and a document without a view does not stop
// the board's from being refreshed.
TEST_F(RouteImport, RefreshGoesToTheFirstDocumentWithAView) {
  const std::string path = RouteFile("r.rte", "(routes r (resolution mil 1) (network_out))");
  HostView view;
  HostDocument viewless(nullptr), shown(&view);
  struct Case {
    const char* why;
    IServerDocument* route_document;
    IServerDocument* board_document;
    IServerView* refreshed;  // null: nothing is run
  };
  const Case cases[] = {
      {"no document", nullptr, nullptr, nullptr},
      {"the route file's document without a view", &viewless, nullptr, nullptr},
      {"the route file's without a view, the board's with one", &viewless, &shown, &view},
      {"the route file's with a view", &shown, &viewless, &view},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    auto* host = new DocumentHost;
    if (c.route_document) host->documents[path] = c.route_document;
    if (c.board_document) host->documents[board_file_] = c.board_document;
    IClient* previous = sdk::ClientGlobal();
    sdk::SetClientGlobal(host);
    const bool imported = router::LoadRouteFile(path);
    sdk::SetClientGlobal(previous);
    EXPECT_TRUE(imported);
    if (c.refreshed) {
      EXPECT_EQ(host->processes, (std::vector<std::string>{"PCB:Netlist", "PCB:Zoom"}));
      EXPECT_EQ(host->views, (std::vector<IServerView*>{c.refreshed, c.refreshed}));
    } else {
      EXPECT_EQ(host->asked, (std::vector<std::string>{path, board_file_}))
          << "the route file's document, then the board's";
      EXPECT_TRUE(host->processes.empty());
    }
    host->Release();
  }
}

// Without the board's hole list (a board saved under another name), a via takes the hole of the
// board's copper that the export gave its padstack's number, else the default; a hole never
// reaches the edge of its via. The status says so.
TEST_F(RouteImport, HolesWithoutTheHoleList) {
  ASSERT_TRUE(DeleteFileA(dir_.Path("board.qixpref").c_str()));
  std::string board = testsupport::ReadFile(board_file_);
  // Numbered by an earlier export: the GND via as padstack 3, the +3V3 via (its hole made
  // 14 mil) as padstack 0, the rest of the drilled copper as 5.
  const std::pair<std::string, std::string> numbers[] = {
      {"{\"net\": \"GND\", \"x\": \"1675mil\"", "\"auxWord\": 3, "},
      {"{\"net\": \"+3V3\", \"x\": \"1800mil\"", "\"auxWord\": 0, "},
      {"{\"net\": \"SDA\", \"x\": \"1900mil\"", "\"auxWord\": 5, "},
      {"{\"net\": \"SCL\", \"x\": \"2200mil\"", "\"auxWord\": 5, "},
      {"{\"x\": \"1300mil\", \"y\": \"2300mil\"", "\"auxWord\": 5, "},
      {"{\"name\": \"MH1\"", "\"auxWord\": 5, "}};
  for (const auto& [object, number] : numbers) {
    const size_t at = board.find(object);
    ASSERT_NE(at, std::string::npos) << object;
    board.insert(at + 1, number);
  }
  board.replace(board.find("\"hole\": \"12mil\", \"stackMode\""), 15, "\"hole\": \"14mil\"");
  testsupport::WriteFile(board_file_, board);
  Reopen();
  const std::string path = RouteFile(
      "holes.rte",
      "(routes h (resolution mil 10) (library_out (padstack Via3 (shape (circle signal 300)))\n"
      "  (padstack Via7_TM1 (shape (circle TopLayer 200)) (shape (circle MidLayer1 200)))\n"
      "  (padstack Via8 (shape (circle signal 600))) (padstack Via0 (shape (circle signal 400)))\n"
      "  (padstack Via9 (shape (circle signal 280))))\n"
      " (network_out (net GND (via Via3 30000 30000) (via Via7_TM1 31000 30000)\n"
      "  (via Via8 32000 30000) (via Via0 33000 30000) (via Via9 34000 30000))))\n");
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(path, &report));
  const std::string copper = Joined(FreeCopper());
  // The default hole (28 mil) is larger than Via7's copper and as large as Via9's.
  for (const char* added :
       {"via GND 3000,3000 size 30 hole 12 1-32\n", "via GND 3100,3000 size 20 hole 10 1-2\n",
        "via GND 3200,3000 size 60 hole 28 1-32\n", "via GND 3300,3000 size 40 hole 14 1-32\n",
        "via GND 3400,3000 size 28 hole 14 1-32\n"}) {
    EXPECT_NE(copper.find(added), std::string::npos) << added << copper;
  }
  EXPECT_EQ(report.Text(path), "Imported " + path + ": 0 tracks, 5 vias and 0 pads added; " +
                                   report.missing_hole_list +
                                   " has no hole list, so 2 holes came from the board's copper "
                                   "of the same padstack and 3 from the default via; 2 holes "
                                   "made to fit inside their copper.");
  EXPECT_NE(report.missing_hole_list.find("board.qixpref"), std::string::npos);
}

// A hole list may be damaged or made by hand: a size that is no hole a via can have (negative,
// 0, not a decimal integer) gives the default hole, never reaches the board, and is named.
TEST_F(RouteImport, HoleSizesNoViaCanHaveGiveTheDefaultHoleAndAreNamed) {
  testsupport::WriteFile(dir_.Path("board.qixpref"),
                         "[HoleList]\r\n0=100000\r\n4=-2147483648\r\n7=-100000\r\n8=0x10\r\n"
                         "9=0\r\n");
  const std::string path = RouteFile(
      "holes.rte",
      "(routes h (resolution mil 10) (library_out (padstack Via0 (shape (circle signal 600)))\n"
      "  (padstack Via4 (shape (circle signal 600))) (padstack Via7 (shape (circle signal 600)))\n"
      "  (padstack Via8 (shape (circle signal 600))) (padstack Via9 (shape (circle signal 600))))\n"
      " (network_out (net GND (via Via0 30000 30000) (via Via4 31000 30000)\n"
      "  (via Via7 32000 30000) (via Via7 33000 30000) (via Via8 34000 30000)\n"
      "  (via Via9 35000 30000))))\n");
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(path, &report));
  const std::string copper = Joined(FreeCopper());
  for (const char* added :
       {"via GND 3000,3000 size 60 hole 10 1-32\n", "via GND 3100,3000 size 60 hole 28 1-32\n",
        "via GND 3200,3000 size 60 hole 28 1-32\n", "via GND 3300,3000 size 60 hole 28 1-32\n",
        "via GND 3400,3000 size 60 hole 28 1-32\n", "via GND 3500,3000 size 60 hole 28 1-32\n"}) {
    EXPECT_NE(copper.find(added), std::string::npos) << added << copper;
  }
  EXPECT_EQ(report.Text(path), "Imported " + path + ": 0 tracks, 6 vias and 0 pads added; " +
                                   "the hole list of " + dir_.Path("board.qixpref") +
                                   " gives no hole a via can have in 4=-2147483648, 7=-100000, "
                                   "8=0x10, 9=0, so the default via's hole was used.");
}

// What the editor refuses is counted in the status, never as added, and the rest of the file
// goes on: a wire goes on past a segment the editor would not create or the board would not
// take, the other vias and pads come in, and routing the editor would not delete stays.
TEST_F(RouteImport, RefusalsOfTheEditorAreCountedAndTheRestGoesOn) {
  const std::vector<std::string> before = FreeCopper();
  const std::string path = ShippedRouteFile("routes_mil.rte");
  ASSERT_TRUE(router::LoadRouteFile(path));
  const std::vector<std::string> imported = FreeCopper();
  // The old routing of one kind: what the board had of it that the import does not keep.
  auto old_routing = [&](const std::string& kind, const std::vector<std::string>& kept) {
    std::vector<std::string> old;
    for (const std::string& line : before) {
      if (line.starts_with(kind) && std::find(kept.begin(), kept.end(), line) == kept.end()) {
        old.push_back(line);
      }
    }
    return old;
  };
  // What one refusal of a kind's creation keeps off the board.
  const std::map<uint8_t, std::string> first = {
      {pcbapi::kTrack, "track 32 GND 1640,1450-1700,1450 w12"},
      {pcbapi::kVia, "via SDA 2000,1840 size 24 hole 10 1-32 tpBottom"},
      {pcbapi::kPad, "pad 1 +3V3 1525,2000 top 60x40/2 mid 60 bottom 60/2 hole 0 stack 0"}};
  // Routing the router gives back stays.
  const std::map<uint8_t, std::vector<std::string>> old = {
      {pcbapi::kTrack, old_routing("track ", imported)},
      {pcbapi::kVia, old_routing("via ", imported)}};
  const std::string other =
      "1 via of a padstack the file does not define, 1 wire of a net the "
      "board lacks";
  auto deletes = [&](uint8_t kind) {
    const size_t n = old.at(kind).size();
    return std::to_string(n + 2) + " records: " + std::to_string(n) +
           " old routing objects the editor would not delete, " + other;
  };
  using quorvel_host::kRefuseAdd, quorvel_host::kRefuseCreate, quorvel_host::kRefuseDelete;
  const struct {
    uint32_t operation;
    uint8_t kind;
    std::string added, skipped;
  } cases[] = {
      {kRefuseCreate, pcbapi::kTrack, "1 track, 6 vias and 1 pad",
       "3 records: 1 track the editor would not create, " + other},
      {kRefuseAdd, pcbapi::kTrack, "1 track, 6 vias and 1 pad",
       "3 records: 1 track the board would not take, " + other},
      {kRefuseCreate, pcbapi::kVia, "2 tracks, 5 vias and 1 pad",
       "3 records: 1 via of a padstack the file does not define, 1 via the editor would not "
       "create, 1 wire of a net the board lacks"},
      {kRefuseAdd, pcbapi::kVia, "2 tracks, 5 vias and 1 pad",
       "3 records: 1 via of a padstack the file does not define, 1 via the board would not take, "
       "1 wire of a net the board lacks"},
      {kRefuseCreate, pcbapi::kPad, "2 tracks, 6 vias and 0 pads",
       "3 records: 1 pad the editor would not create, " + other},
      {kRefuseAdd, pcbapi::kPad, "2 tracks, 6 vias and 0 pads",
       "3 records: 1 pad the editor would not create, " + other},
      {kRefuseDelete, pcbapi::kTrack, "2 tracks, 6 vias and 1 pad", deletes(pcbapi::kTrack)},
      {kRefuseDelete, pcbapi::kVia, "2 tracks, 6 vias and 1 pad", deletes(pcbapi::kVia)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.skipped);
    Reopen();
    const bool deleting = c.operation == kRefuseDelete;
    QuorvelSession::Get().SetRefusals(c.operation, 1u << c.kind, deleting ? -1 : 1);
    router::TRouteImportReport report;
    ASSERT_TRUE(router::LoadRouteFile(path, &report));
    QuorvelSession::Get().SetRefusals(0, 0);
    std::vector<std::string> expected = deleting ? old.at(c.kind) : std::vector<std::string>{};
    ASSERT_FALSE(deleting && expected.empty());
    for (const std::string& line : imported) {
      if (deleting || line != first.at(c.kind)) expected.push_back(line);
    }
    EXPECT_EQ(Joined(FreeCopper()), Joined(Sorted(expected)));
    EXPECT_EQ(report.Text(path), "Imported " + path + ": " + c.added +
                                     " added, 3 already on the board; skipped " + c.skipped +
                                     "; 1 hole made to fit inside its copper.");
  }
}

// A net the editor cannot read is counted, and its copper is skipped as of a net the board
// lacks rather than given to another: an unread net has no name, not even the empty one.
TEST_F(RouteImport, NetsTheEditorCannotReadAreCountedAndTheirCopperSkipped) {
  std::string text = Shipped("routes_mil.rte");
  text.insert(text.find("(network_out") + 12, "\n(net \"\" (wire (path TopLayer 10 0 0 100 0)))");
  const std::string path = RouteFile("unread_nets.rte", text);
  QuorvelSession::Get().SetRefusals(quorvel_host::kRefuseRead, 1u << pcbapi::kNet);
  router::TRouteImportReport report;
  ASSERT_TRUE(router::LoadRouteFile(path, &report));
  QuorvelSession::Get().SetRefusals(0, 0);
  EXPECT_EQ(report.Text(path), "Imported " + path +
                                   ": 0 tracks, 0 vias and 0 pads added; skipped 25 records: 8 "
                                   "board nets the editor could not read, 3 test points of a net "
                                   "the board lacks, 8 vias of a net the board lacks, 6 wires of "
                                   "a net the board lacks.");
}

}  // namespace
