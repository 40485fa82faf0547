// The set-up dialog as the stand-in host answers it: Cancel writes nothing, OK with controls set
// by name stores them and exports with them, and an answer it cannot take (a control it lacks or
// refuses, a button it lacks, an OK it refuses) fails the export before anything is written.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "host/plavena/host_session.h"
#include "support/test_paths.h"

namespace {

std::string SettingsFile() {
  wchar_t folder[MAX_PATH] = {};
  GetWindowsDirectoryW(folder, MAX_PATH);
  std::string path(MAX_PATH * 2, '\0');
  path.resize(
      WideCharToMultiByte(CP_ACP, 0, folder, -1, path.data(), MAX_PATH * 2, nullptr, nullptr) - 1);
  return path + "\\Tralvek.Ini";
}

struct Export {
  HRESULT status;
  std::string journal;
};

Export RunExport(const testsupport::TempDir& dir, plavena::HostOptions options,
                 const std::string& board = "example-board.json") {
  options.module_path = testsupport::BinaryPath("Tralvek.dll");
  options.board_path = testsupport::CopyExampleBoard(dir, board);
  plavena::HostSession session(options);
  const HRESULT status =
      session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn")).status;
  return {status, session.journal().Text()};
}

TEST(SetupDialogInTheHost, CancelSucceedsAndChangesNothingButTheDirections) {
  testsupport::TempDir dir;
  const std::string settings = "[SpecctraSetup]\r\nWireGrid=7mil\r\n";
  const std::string preferences = "[ViaStyles]\r\nRoutingVias=1-32\r\n";
  testsupport::WriteFile(SettingsFile(), settings);
  testsupport::WriteFile(dir.Path("example-board.qixpref"), preferences);
  plavena::HostOptions options;
  options.answers = {{"Setup Specctra Router", "Cancel"}};
  options.settings = {{"WireGrid", "9mil"}};
  const Export run = RunExport(dir, options);
  EXPECT_EQ(run.status, S_OK) << run.journal;
  EXPECT_NE(run.journal.find("set WireGrid=9mil\n"), std::string::npos) << run.journal;
  EXPECT_NE(run.journal.find("dialog \"Setup Specctra Router\": "), std::string::npos);
  EXPECT_NE(run.journal.find(" -> Cancel\n"), std::string::npos);
  EXPECT_FALSE(testsupport::FileExists(dir.Path("board.dsn")));
  EXPECT_FALSE(testsupport::FileExists(dir.Path("board.do")));
  EXPECT_EQ(testsupport::ReadFile(SettingsFile()), settings);
  const std::string stored = testsupport::ReadFile(dir.Path("example-board.qixpref"));
  EXPECT_EQ(stored.substr(0, preferences.size()), preferences) << "the pairs stay as they were";
  EXPECT_NE(stored.find("[LayerDirections]"), std::string::npos) << stored;
  DeleteFileA(SettingsFile().c_str());
}

TEST(SetupDialogInTheHost, OkStoresTheControlsSetByNameAndExportsWithThem) {
  testsupport::TempDir dir;
  DeleteFileA(SettingsFile().c_str());
  plavena::HostOptions options;
  options.settings = {{"Checkbox_TestPointShapeExpansion", "1"},
                      {"TestPointExpSide", "Both Sides"},
                      {"TestPointExpValue", "5mil"},
                      {"WireGrid", "12 mm"},  // read whole, in the unit typed
                      {"cbxMinimizePins", "1"}};
  const Export run = RunExport(dir, options);
  ASSERT_EQ(run.status, S_OK) << run.journal;
  EXPECT_NE(run.journal.find(" -> OK\n"), std::string::npos) << run.journal;
  const std::string settings = testsupport::ReadFile(SettingsFile());
  for (const char* line : {"MinimizePads=1\r\n", "TestPointStyles=1\r\n", "TestPointSide=2\r\n",
                           "TestPointExpansion=5mil\r\n", "WireGrid=472.441mil\r\n"}) {
    EXPECT_NE(settings.find(line), std::string::npos) << line << settings;
  }
  const std::string design = testsupport::ReadFile(dir.Path("board.dsn"));
  EXPECT_NE(design.find("(padstack TPVia"), std::string::npos) << "test-point vias";
  EXPECT_NE(
      testsupport::ReadFile(dir.Path("example-board.qixpref")).find("RoutingVias=1-32|1-2|2-3"),
      std::string::npos);
  DeleteFileA(SettingsFile().c_str());
}

// An answer the dialog cannot take as asked (a slip of the user's) fails the command before
// anything is written: a control it lacks, a value a control refuses, a button it lacks. And a
// length it cannot use keeps it open after OK: the host cancels it rather than wait for a user,
// and the command fails with the dialog's own message.
TEST(SetupDialogInTheHost, AnAnswerTheDialogCannotTakeFailsBeforeAnythingIsWritten) {
  const struct {
    plavena::ControlSetting setting;
    std::string button;
    std::string problem;
  } cases[] = {
      {{"WireGrd", "5mil"},
       "OK",
       "set WireGrd=5mil: no control of that name in \"Setup Specctra Router\""},
      {{"TestPointExpSide", "Nowhere"},
       "OK",
       "set TestPointExpSide=Nowhere: refused by \"Setup Specctra Router\""},
      {{}, "Nonsense", "answer \"Setup Specctra Router=Nonsense\": the dialog has no such button"},
      {{}, "Help", "answer \"Setup Specctra Router=Help\": the dialog has no such button"},
      {{"WireGrid", "junk"},
       "OK",
       "dialog \"Setup Specctra Router\" refused OK: These fields were not understood and keep "
       "their value: Wire grid \"junk\": it is no length; it stays 20mil"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.problem);
    testsupport::TempDir dir;
    DeleteFileA(SettingsFile().c_str());
    plavena::HostOptions options;
    options.answers = {{"Setup Specctra Router", c.button}, {"*", "OK"}};
    options.settings = {{"WireGrid", "9mil"}};
    if (!c.setting.name.empty()) options.settings.push_back(c.setting);
    const Export run = RunExport(dir, options);
    EXPECT_EQ(run.status, E_FAIL) << run.journal;
    EXPECT_NE(run.journal.find(
                  "\ncommand ExportDesignFile failed 0x80004005 Plavena: " + c.problem + "\n"),
              std::string::npos)
        << run.journal;
    EXPECT_FALSE(testsupport::FileExists(dir.Path("board.dsn")));
    EXPECT_FALSE(testsupport::FileExists(dir.Path("board.do")));
    EXPECT_FALSE(testsupport::FileExists(SettingsFile()));
  }
}

// The journal reads the grids' rows as a screen reader does, each row marked with its level and
// followed by its further columns: the rule problems, in full, and the layer directions.
TEST(SetupDialogInTheHost, JournalsTheRowsOfItsGrids) {
  testsupport::TempDir dir;
  DeleteFileA(SettingsFile().c_str());
  const Export run = RunExport(dir, {}, "rules-board.json");
  ASSERT_EQ(run.status, S_OK) << run.journal;
  const size_t rules = run.journal.find(" | Rules with problems | ");
  const size_t end = run.journal.find(" -> OK\n", rules);
  ASSERT_NE(end, std::string::npos) << run.journal;
  EXPECT_EQ(run.journal.substr(rules + 3, end - rules - 3) + "\n",
            testsupport::ReadFile(testsupport::TestDataPath("host/testdata/rules-board.journal")));
  EXPECT_NE(
      run.journal.find(" | TopLayer (Direction: horizontal) | MidLayer1 (Direction: vertical) "
                       "| BottomLayer (Direction: horizontal) | "),
      std::string::npos);
  EXPECT_EQ(testsupport::ReadFile(dir.Path("rules-board.qixpref")).find("[ViaStyles]"),
            std::string::npos)
      << "a board without via-style rules saves no pairs";
  EXPECT_TRUE(testsupport::FileExists(dir.Path("board.do"))) << "incompatible rules export too";
  DeleteFileA(SettingsFile().c_str());
}

}  // namespace
