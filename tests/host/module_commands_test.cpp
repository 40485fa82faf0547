// The module's frame and commands, run through the stand-in host as the real host runs them.
#include <gtest/gtest.h>

#include "board_export.h"
#include "host/plavena/host_session.h"
#include "support/test_paths.h"

namespace {

using hosttest::ModuleOptions;
using plavena::CommandResult;
using plavena::HostOptions;
using plavena::HostSession;
using testsupport::TempDir;

// The journal lines after the module was loaded.
std::vector<std::string> LinesAfterLoad(const HostSession& session) {
  auto lines = const_cast<HostSession&>(session).journal().Lines();
  lines.erase(lines.begin());
  return lines;
}

const std::vector<std::string> kClearedStatusTexts = {"status 1: ", "status 2: ", "status 3: "};

// Loaded through its server factory under its name, the module runs an unknown command as a
// success that touches nothing: no refresh, no status texts.
TEST(ModuleFrame, LoadsUnderItsNameAndRunsAnUnknownCommandAsNothing) {
  HostSession session(ModuleOptions());
  ASSERT_FALSE(session.journal().Lines().empty());
  EXPECT_EQ(session.journal().Lines().front(), "module loaded Tralvek");
  win::Bstr name;
  ASSERT_EQ(session.module()->GetModuleName(name.put()), S_OK);
  EXPECT_EQ(name.str(), L"Tralvek");
  EXPECT_EQ(session.Run("RouteEverything", "").status, S_OK);
  EXPECT_EQ(LinesAfterLoad(session), std::vector<std::string>{"command RouteEverything done"});
}

// A cancelled route-file dialog: the import ends at once, as a success.
const std::string kCancelledDialog =
    "process Client:RunCommonDialog Dialog=FileOpenSave|Mode=0|Prompt=Import Specctra Route "
    "File|DocumentType=All|FileType1=Route File (*.rte)|Path=";

// Command names match in any letter case, and the route-file dialog is asked with the exact text
// whatever other parameters come; without a view the three status texts are cleared.
TEST(ModuleFrame, WithoutAViewTheThreeStatusTextsAreCleared) {
  HostSession session(ModuleOptions());
  ASSERT_EQ(session.Run("IMPORTROUTEFILE", "Other=1").status, S_OK);
  std::vector<std::string> expected = {kCancelledDialog};
  expected.insert(expected.end(), kClearedStatusTexts.begin(), kClearedStatusTexts.end());
  expected.push_back("command IMPORTROUTEFILE done");
  EXPECT_EQ(LinesAfterLoad(session), expected);
}

TEST(ModuleFrame, WithACurrentViewItIsRefreshedInstead) {
  HostSession session(ModuleOptions());
  session.client().OpenDocument(L"C:\\boards\\a.json", L"PCB");
  ASSERT_EQ(session.Run("importroutefile", "").status, S_OK);
  const std::vector<std::string> expected = {"document open PCB C:\\boards\\a.json",
                                             kCancelledDialog, "view refresh C:\\boards\\a.json",
                                             "command importroutefile done"};
  EXPECT_EQ(LinesAfterLoad(session), expected);
}

TEST(ModuleFrame, ExceptionReachesTheHostWithTheModulesNameAndMessage) {
  HostSession session(ModuleOptions());
  const CommandResult result = session.Run("ExportDesignFile", "");
  EXPECT_EQ(result.status, E_FAIL);
  EXPECT_EQ(result.error_source, "Tralvek.dll");
  EXPECT_EQ(result.error_description, "No design file name was given (parameter \"FileName\")");
  // What the command did before it failed stays done; the host's refresh step is skipped.
  EXPECT_FALSE(session.journal().Has("status "));
  // Without a board open the export writes nothing.
  TempDir dir;
  EXPECT_EQ(session.Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn")).error_description,
            "No board is open in the PCB editor");
  EXPECT_FALSE(testsupport::FileExists(dir.Path("board.do")));
}

TEST(ExportDesignFile, RefusesAFileNameTheHostsShortTextsWouldCut) {
  TempDir boards;
  HostSession session(ModuleOptions(testsupport::CopyExampleBoard(boards, "example-board.json")));
  // The export writes its files, so the 255 characters that are accepted name a real folder.
  TempDir dir;
  const std::string folder = dir.Path(std::string(200 - dir.path().size() - 1, 'd'));
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  const std::string name = folder + "\\" + std::string(54, 'x') + "yyyy.dsn";  // 263 characters
  const CommandResult result = session.Run("ExportDesignFile", "FileName=" + name);
  EXPECT_EQ(result.status, E_FAIL);
  EXPECT_NE(result.error_description.find("longer than 255 characters"), std::string::npos)
      << result.error_description;
  EXPECT_EQ(session.Run("ExportDesignFile", "FileName=" + name.substr(0, 255)).status, S_OK);
  EXPECT_TRUE(testsupport::FileExists(name.substr(0, 255) + ".do"));
}

TEST(ImportRouteFile, NamesThatLeadToNoRouteFileFailTheCommandWithAMessage) {
  TempDir dir;
  testsupport::WriteFile(dir.Path("board.rte"), "(routes)");
  CreateDirectoryA(dir.Path("folder.rte").c_str(), nullptr);
  struct Case {
    std::string parameters;
    std::string message;
  };
  const Case cases[] = {
      {"FileName=", "No route file name was given (parameter \"FileName\")"},
      {"FileName=" + dir.Path("missing.rte"),
       "The route file " + dir.Path("missing.rte") + " does not exist"},
      {"FileName=" + dir.Path("folder.rte"),
       dir.Path("folder.rte") + " is a folder, not a route file"},
      {"FileName=" + dir.path() + "\\", dir.path() + "\\ is a folder, not a route file"},
      {"FileName=" + dir.Path("b?ard.rte"),
       "Cannot use the file name " + dir.Path("b?ard.rte") +
           ": it holds characters that the ANSI code page cannot represent (shown as \"?\"); "
           "choose a name without them"},
      {"FileName=" + dir.Path("board.rte"), "No board is open in the PCB editor"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameters);
    HostSession session(ModuleOptions());
    const CommandResult result = session.Run("ImportRouteFile", c.parameters);
    EXPECT_EQ(result.status, E_FAIL);
    EXPECT_EQ(result.error_source, "Tralvek.dll");
    EXPECT_EQ(result.error_description, c.message);
    EXPECT_FALSE(session.journal().Has("process ")) << "no dialog, no netlist or redraw";
    EXPECT_FALSE(session.journal().Has("document "));
  }
}

// The example board open, as a user imports into it.
HostOptions BoardOptions(const TempDir& dir) {
  return ModuleOptions(testsupport::CopyExampleBoard(dir, "example-board.json"));
}

TEST(ImportRouteFile, OnlyTheAnswerResultTrueConfirmsTheDialog) {
  TempDir dir;
  const std::string route = dir.Path("board.rte");
  testsupport::WriteFile(route, "(routes (network_out))");
  testsupport::WriteFile(dir.Path("board.STS"), "done");
  struct Case {
    std::string answer;
    HRESULT status;
    bool opens_status;
  };
  const Case cases[] = {
      {"Result=True|Path=" + route, S_OK, true},
      {"Result=true|Path=" + route, S_OK, false},
      {"Result=TRUE|Path=" + route, S_OK, false},
      {"Path=" + route, S_OK, false},
      // A confirmed choice of a file that is not there is a failure, not a silent end.
      {"Result=True|Path=" + dir.Path("missing.rte"), E_FAIL, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    HostOptions options = BoardOptions(dir);
    options.common_dialog_answer = c.answer;
    HostSession session(options);
    EXPECT_EQ(session.Run("ImportRouteFile", "").status, c.status);
    EXPECT_EQ(session.journal().Has("document open TEXT " + dir.Path("board.STS")), c.opens_status);
  }
}

TEST(ImportRouteFile, OpensTheStatusFileOnlyWhenItExists) {
  TempDir dir;
  testsupport::WriteFile(dir.Path("a.rte"), "(routes (network_out))");
  testsupport::WriteFile(dir.Path("b.rte"), "(routes (network_out))");
  testsupport::WriteFile(dir.Path("b.STS"), "done");
  HostSession session(BoardOptions(dir));
  ASSERT_EQ(session.Run("ImportRouteFile", "FileName=" + dir.Path("a.rte")).status, S_OK);
  EXPECT_FALSE(session.journal().Has("document open TEXT"));
  ASSERT_EQ(session.Run("ImportRouteFile", "FileName=" + dir.Path("b.rte")).status, S_OK);
  EXPECT_TRUE(session.journal().Has("document open TEXT " + dir.Path("b.STS")));
  EXPECT_TRUE(session.journal().Has("document show " + dir.Path("b.STS")));
  // The status document is current now: the command ends with its view's refresh.
  EXPECT_EQ(session.journal().Lines().back(), "command ImportRouteFile done");
  EXPECT_TRUE(session.journal().Has("view refresh " + dir.Path("b.STS")));
}

}  // namespace
