// The network section of exported boards, through the stand-in host.
#include <gtest/gtest.h>

#include <string>

#include "host/plavena/host_session.h"
#include "support/test_paths.h"

namespace {

// The lines from "    (network" through its closing "    )".
std::string NetworkSection(const std::string& design_file) {
  const size_t begin = design_file.find("    (network\r\n");
  if (begin == std::string::npos) return std::string();
  const size_t end = design_file.find("\r\n    )\r\n", begin);
  if (end == std::string::npos) return std::string();
  return design_file.substr(begin, end + 9 - begin);
}

std::string ExportBoard(const testsupport::TempDir& dir, const std::string& example) {
  const std::string board = dir.Path("board.json");
  testsupport::WriteFile(
      board, testsupport::ReadFile(testsupport::TestDataPath("../examples/" + example)));
  plavena::HostOptions options;
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.board_path = board;
  plavena::HostSession session(options);
  const plavena::CommandResult result =
      session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn"));
  EXPECT_EQ(result.status, S_OK) << result.error_description << session.journal().Text();
  return testsupport::ReadFile(dir.Path("board.dsn"));
}

// Lines joined by CR LF.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

// Nets with fewer than two pads (LED_K, USB_P, USB_N) are left out; from-tos sit in the net
// their net text names; the system class "All Nets" is left out (user classes only); the
// stub-length rule scoped All reaches every object; the Power class has a width of its own.
TEST(NetworkExport, ExampleBoardWithTheDefaultSettings) {
  testsupport::TempDir dir;
  const std::string network = NetworkSection(ExportBoard(dir, "example-board.json"));
  const char* stub = "                 (max_stub 100.000)";
  EXPECT_EQ(network, Lines({"    (network",
                            "        (net GND",
                            "            (pins",
                            "                U1-4 U1-7 C1-2 J1-4 ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "        )",
                            "        (net +3V3",
                            "            (pins",
                            "                U1-8 R1-1 R2-1 C1-1 J1-1 D1-A ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "        )",
                            "        (net SDA",
                            "            (pins",
                            "                U1-5 R1-2 ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (fromto U1-5 R1-2",
                            "                (rule",
                            "                     (max_stub 100.000)",
                            "                )",
                            "            )",
                            "        )",
                            "        (net SCL",
                            "            (pins",
                            "                U1-6 R2-2 ",
                            "            )",
                            "            (rule",
                            stub,
                            "            )",
                            "            (fromto U1-6 R2-2",
                            "                (rule",
                            "                     (max_stub 100.000)",
                            "                )",
                            "            )",
                            "        )",
                            "        (class Power",
                            "            GND +3V3 ",
                            "                (rule",
                            "                     (width 20.000)",
                            "                     (max_stub 100.000)",
                            "                )",
                            "        )",
                            "        (class I2C",
                            "            SDA SCL ",
                            "                (rule",
                            "                     (max_stub 100.000)",
                            "                )",
                            "        )",
                            "        (group Critical",
                            "            U1-5:R1-2 ",
                            "        )",
                            "    )"}));
}

TEST(NetworkExport, RulesBoardHasNoNetWithTwoPads) {
  testsupport::TempDir dir;
  const std::string design_file = ExportBoard(dir, "rules-board.json");
  EXPECT_EQ(NetworkSection(design_file), Lines({"    (network", "    )"})) << design_file;
}

}  // namespace
