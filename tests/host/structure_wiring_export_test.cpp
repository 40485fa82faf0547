// The structure and wiring sections of the example board's design file, through the stand-in
// host, against text written by hand from the board.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "host/plavena/host_session.h"
#include "support/test_paths.h"

namespace {

// The example board exported in process; the design file's text.
std::string ExportExampleBoard(const std::string& board_text = {}) {
  testsupport::TempDir dir;
  const std::string board = dir.Path("board.json");
  testsupport::WriteFile(
      board, board_text.empty() ? testsupport::ReadFile(
                                      testsupport::TestDataPath("../examples/example-board.json"))
                                : board_text);
  plavena::HostOptions options;
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.board_path = board;
  plavena::HostSession session(options);
  const auto result = session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn"));
  EXPECT_EQ(result.status, S_OK) << session.journal().Text();
  return testsupport::ReadFile(dir.Path("board.dsn"));
}

// The lines from the one that is exactly `opener` to its closing ")" at the same indentation.
std::string Section(const std::string& file, const std::string& opener) {
  const size_t start = file.find("\r\n" + opener + "\r\n");
  if (start == std::string::npos) return {};
  const std::string indent = opener.substr(0, opener.find('('));
  const size_t end = file.find("\r\n" + indent + ")\r\n", start + 2);
  if (end == std::string::npos) return {};
  return file.substr(start + 2, end + indent.size() + 5 - start - 2);
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

std::string Golden(const std::string& name) {
  return WithoutCarriageReturns(
      testsupport::ReadFile(testsupport::TestDataPath("host/testdata/" + name)));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string ExampleBoardText() {
  return testsupport::ReadFile(testsupport::TestDataPath("../examples/example-board.json"));
}

TEST(StructureWiringExport, ExampleBoardSectionsMatchTheHandWrittenText) {
  const std::string file = ExportExampleBoard();
  // Every line ends in CR LF.
  EXPECT_EQ(file.find("\n"), file.find("\r\n") + 1);
  EXPECT_EQ(WithoutCarriageReturns(Section(file, "    (structure")),
            Golden("example-structure.txt"));
  EXPECT_EQ(WithoutCarriageReturns(Section(file, "    (wiring")), Golden("example-wiring.txt"));
}

TEST(StructureWiringExport, NetlessCopperIsAKeepoutAndNettedCopperAWireOnce) {
  const std::string file = ExportExampleBoard();
  const std::string structure = Section(file, "    (structure");
  const std::string wiring = Section(file, "    (wiring");
  auto count = [](const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  // Tracks: 10 netted wires, 2 net-less keep-outs; one netted fill; the quarter arc; 5 vias of
  // which one has no net; the free pad with a net as a via, the one without as a keep-out.
  EXPECT_EQ(count(wiring, "(path "), 10);
  EXPECT_EQ(count(structure, "(path TopLayer") + count(structure, "(path signal 10.000"), 2);
  EXPECT_EQ(count(wiring, "(polygon TopLayer"), 1);
  EXPECT_EQ(count(structure, "(keepout (polygon signal"), 1);
  EXPECT_EQ(count(wiring, "(qarc "), 1);
  EXPECT_EQ(count(wiring, "(via "), 5);
  EXPECT_EQ(count(structure, "(keepout (circle signal"), 2);
  // Texts and arcs on overlay layers are no copper.
  EXPECT_EQ(count(structure, "(keepout (rect"), 0);
}

TEST(StructureWiringExport, ProtectedArcChordsCarryTheMarkerAndEmptyPlanesAreLeftOut) {
  std::string board = ExampleBoardText();
  board = Replaced(board, R"("startAngle": 270, "endAngle": 360, "width": "10mil")",
                   R"("startAngle": 0, "endAngle": 45, "width": "10mil", "bitField2": 8)");
  board = Replaced(board, R"("name": "GND Plane", "copper": "1.4mil", "net": "GND")",
                   R"("name": "GND Plane", "copper": "1.4mil")");
  const std::string file = ExportExampleBoard(board);
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
  EXPECT_NE(structure.find("(layer InternalPlane2 (type power) (use_net +3V3 +3V3 USB_P ))"),
            std::string::npos);
}

}  // namespace
