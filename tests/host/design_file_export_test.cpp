// The design file of "ExportDesignFile", written through the stand-in host from a copy of the
// example board.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "board_export.h"
#include "router/dsn_checker.h"

namespace {

using hosttest::BoardSession;
using hosttest::ExampleBoardText;
using hosttest::Occurrences;
using hosttest::Replaced;
using testsupport::ReadFile;

const std::vector<plavena::AnswerRule> kAnswers = {
    {"Warning", "OK"}, {"Error", "OK"}, {"Information", "OK"}};

// The file without the named top-level sections, which other tests compare with their own
// expectations.
std::string WithoutSections(const std::string& text, std::initializer_list<std::string> names) {
  std::string kept;
  bool skipping = false;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2) {
    const std::string line = text.substr(start, end - start + 2);
    if (!skipping) {
      for (const std::string& name : names) skipping |= line == "    (" + name + "\r\n";
      if (!skipping) kept += line;
    } else if (line == "    )\r\n") {
      skipping = false;
    }
  }
  return kept;
}

TEST(ExportDesignFile, WritesTheExampleBoardAsTheGoldenFile) {
  BoardSession board(ExampleBoardText(), kAnswers);
  ASSERT_EQ(board.Export("board.pcb").status, S_OK) << board.journal().Text();
  const std::string written = board.Read();
  const std::string golden = ReadFile(testsupport::TestDataPath("host/testdata/example-board.dsn"));
  // The header, placement and library; structure, network and wiring have tests of their own.
  EXPECT_EQ(WithoutSections(written, {"structure", "network", "wiring"}), golden);
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(written)), "");
  EXPECT_TRUE(testsupport::FileExists(board.Path("board.do")));
  // The set-up dialog, and no message.
  for (const char* box : {"dialog \"Warning\"", "dialog \"Error\"", "dialog \"Information\""}) {
    EXPECT_FALSE(board.journal().Has(box)) << board.journal().Text();
  }
  EXPECT_FALSE(board.journal().Has("unexpected dialog")) << board.journal().Text();
}

TEST(ExportDesignFile, SavesTheHoleSizesAndLeavesTheBoardsObjects) {
  BoardSession board(ExampleBoardText(), kAnswers);
  ASSERT_EQ(board.Export().status, S_OK);
  const std::string preferences = board.Read("board.qixpref");
  // Vias 0..6 (12, 12, 12, 12, 8, 8 and 20 mil), the through-hole pads 15..17.
  EXPECT_NE(preferences.find("[HoleList]\r\n0=120000\r\n1=120000\r\n2=120000\r\n3=120000\r\n"
                             "4=80000\r\n5=80000\r\n6=200000\r\n15=400000\r\n16=400000\r\n"
                             "17=1250000\r\n"),
            std::string::npos)
      << preferences;
  // Nothing is added to or deleted from the board; what is made for asking is destroyed.
  std::map<std::string, int> made;
  const std::regex created("pcb created (\\w+ \\d+)"), destroyed("pcb destroyed (\\w+ \\d+)");
  for (const std::string& line : board.journal().Lines()) {
    std::smatch match;
    if (std::regex_match(line, match, created)) ++made[match[1]];
    if (std::regex_match(line, match, destroyed)) --made[match[1]];
    EXPECT_EQ(line.rfind("pcb added", 0), std::string::npos) << line;
    EXPECT_EQ(line.rfind("pcb deleted", 0), std::string::npos) << line;
  }
  for (const auto& [object, count] : made) EXPECT_EQ(count, 0) << object;
  EXPECT_TRUE(board.journal().Has("pcb progress start: Saving " + board.Path("board.dsn") +
                                  " (QIX Design)"));
  // The structure, the placement, the six components twice and the seven nets: the bar ends full.
  EXPECT_TRUE(board.journal().Has("pcb progress finish: Saving " + board.Path("board.dsn") +
                                  " (QIX Design) (21 of 21 steps)"))
      << board.journal().Text();
}

TEST(ExportDesignFile, TitleTakesUnderscoresForBlanks) {
  BoardSession board(ExampleBoardText(), kAnswers, "My Board (2).json");
  ASSERT_EQ(board.Export("out.txt").status, S_OK);
  const std::string written = board.Read("out.dsn");
  EXPECT_EQ(written.substr(0, written.find("\r\n")), "(pcb My_Board_~LP~2~RP~.json");
  EXPECT_EQ(dsntest::Describe(dsntest::CheckDesignFile(written)), "");
}

TEST(ExportDesignFile, NetNamesEqualWithoutCaseOrAfterEscapingAreReportedOnce) {
  struct Case {
    const char* added;
    const char* why;
  };
  const Case cases[] = {{R"({"name": "sda"})", "the letter case differs from SDA"},
                        {R"({"name": "A B"}, {"name": "A~SP~B"})", "the blank escapes to ~SP~"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    BoardSession board(Replaced(ExampleBoardText(), R"({"name": "USB_N"})",
                                R"({"name": "USB_N"}, )" + std::string(c.added)),
                       kAnswers);
    ASSERT_EQ(board.Export().status, S_OK) << board.journal().Text();
    int messages = 0;
    for (const std::string& line : board.journal().Lines()) {
      if (line.find("Net names are not unique. Specctra will merge them.") != std::string::npos) {
        ++messages;
        EXPECT_EQ(line.rfind("dialog \"Information\"", 0), 0u) << line;
      }
    }
    EXPECT_EQ(messages, 1) << board.journal().Text();
    EXPECT_TRUE(testsupport::FileExists(board.Path("board.dsn")));
  }
}

TEST(ExportDesignFile, DuplicatedNettedPinsAreListedInTheReportAndTheExportSucceeds) {
  // U1's pins 5 (SDA) and 6 (SCL) both named 5.
  const std::string text =
      Replaced(ExampleBoardText(), R"({"name": "6", "layer": "TopLayer", "net": "SCL")",
               R"({"name": "5", "layer": "TopLayer", "net": "SCL")");
  for (const char* button : {"OK", "Close"}) {
    SCOPED_TRACE(button);
    BoardSession board(text, {{"Duplicate Pins Report", button}, {"Warning", "OK"}});
    EXPECT_EQ(board.Export("board.pcb").status, S_OK) << board.journal().Text();
    const std::string report = std::string("dialog \"Duplicate Pins Report\": U1-5 (Net=SDA) | ") +
                               "U1-5 (Net=SCL) -> " + button;
    const std::vector<std::string> lines = board.journal().Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), report), 1) << board.journal().Text();
    EXPECT_FALSE(board.journal().Has("unexpected dialog")) << board.journal().Text();
    EXPECT_NE(board.journal().Text().find("U1-5:R1-2 (SDA)"), std::string::npos)
        << "U1 has no pin 5 for the from-to";
    EXPECT_TRUE(testsupport::FileExists(board.Path("board.dsn")));
  }
}

// The design file goes first, and the do-file follows it only once it is in place: a missing
// folder fails the command naming the design file, and no staged file is left.
TEST(ExportDesignFile, MissingFolderIsReportedBeforeAnythingIsWritten) {
  BoardSession board(ExampleBoardText(), kAnswers);
  const std::set<std::string> before = testsupport::TemporaryFiles();
  const plavena::CommandResult result = board.Export("missing\\board.dsn");
  EXPECT_EQ(result.status, E_FAIL);
  EXPECT_NE(result.error_description.find(board.Path("missing\\board.dsn")), std::string::npos)
      << result.error_description;
  EXPECT_FALSE(testsupport::FileExists(board.Path("missing\\board.dsn")));
  EXPECT_EQ(testsupport::TemporaryFiles(), before);
}

// The do-file is the installed template with every "$FILENAME" the design file's path without
// its extension, line for line.
TEST(ExportDesignFile, WritesTheDoFileFromTheInstalledTemplate) {
  const std::string installed = ReadFile(testsupport::BinaryPath("System\\Tralvek.Do"));
  ASSERT_NE(installed.find("$FILENAME"), std::string::npos) << "the example template";
  BoardSession board(ExampleBoardText(), kAnswers);
  ASSERT_EQ(board.Export().status, S_OK) << board.journal().Text();
  std::string expected = installed;
  for (size_t at; (at = expected.find("$FILENAME")) != std::string::npos;) {
    expected.replace(at, 9, board.Path("board"));
  }
  EXPECT_EQ(board.Read("board.do"), expected);
  EXPECT_TRUE(expected.ends_with("\r\n")) << "every line ends in CR LF";
  EXPECT_EQ(Occurrences(expected, "\r\n"), Occurrences(expected, "\n"));
}

}  // namespace
