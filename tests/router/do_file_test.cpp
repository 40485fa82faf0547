// The do-file writer: the template's search, the placeholder and the safe replacement of the
// do-file, with the host's functions following plain path rules.
#include "router/do_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "framework/message_dialog.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/file_ownership.h"
#include "support/test_paths.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

TEST(DoFilePlaceholder, ReplacesUpToFiveTimesInAnyCase) {
  struct Case {
    std::string line, replacement, expected;
    const char* why;
  };
  const Case cases[] = {
      {"write routes $FILENAME.rte", "C:\\b\\board", "write routes C:\\b\\board.rte", "plain"},
      {"$filename.w and $FileName.ses", "B", "B.w and B.ses", "any letter case"},
      {"$FILENAME$FILENAME$FILENAME$FILENAME$FILENAME$FILENAME", "R", "RRRRR$FILENAME",
       "the sixth stays"},
      {"x $FILENAME y", "<$FILENAME>", "x <<<<<$FILENAME>>>>> y",
       "a replacement holding the placeholder is found again by the next pass"},
      {"$FILENAM $ FILENAME", "R", "$FILENAM $ FILENAME", "nothing like it is touched"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(router::ExpandFileNamePlaceholders(c.line, c.replacement), c.expected);
  }
}

// Every name the writer asks about has an extension.
std::string PlainForceExtension(const std::string& file_name, const std::string& extension) {
  return file_name.substr(0, file_name.rfind('.')) + (extension.empty() ? "" : "." + extension);
}

// A host installation, a module folder, a PATH folder and a temporary folder of their own,
// with the do-file to be written beside "out\board.dsn".
class DoFileWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"host", "host\\System", "module", "path", "out", "tmp", "empty"}) {
      CreateDirectoryA(dir.Path(folder).c_str(), nullptr);
    }
    // Temporary files go where the test can see that none is left behind.
    char old_tmp[MAX_PATH] = {};
    if (GetEnvironmentVariableA("TMP", old_tmp, MAX_PATH) < MAX_PATH) old_tmp_ = old_tmp;
    SetEnvironmentVariableA("TMP", dir.Path("tmp").c_str());
    const std::string empty = dir.Path("empty");
    services.places = {
        .exists = [](const std::string& path) { return FileExists(path); },
        .exe_file_name = [](const std::string&) { return std::string(); },
        .whole_file_name =
            [](const std::string& path) { return path.substr(path.find_last_of("\\/:") + 1); },
        .application_folder = [this] { return dir.Path("host\\"); },
        .module_folder = [this] { return dir.Path("module\\"); },
        .application_data_folder = [empty] { return empty; },
        .windows_folder = [empty] { return empty; },
        .windows_system_folder = [empty] { return empty; },
        .path = [this] { return dir.Path("path"); },
    };
    services.force_extension = PlainForceExtension;
    framework::SetMessageDialogHandler([this](const framework::MessageDialogRequest& request) {
      shown.push_back(request.caption + ": " + request.message);
      return framework::kModalOk;
    });
  }
  void TearDown() override {
    framework::SetMessageDialogHandler(nullptr);
    SetEnvironmentVariableA("TMP", old_tmp_.empty() ? nullptr : old_tmp_.c_str());
  }

  // Writes the do-file; returns the error raised, or "written"/"not written".
  std::string Write() {
    try {
      return router::WriteDoFile(design, services) ? "written" : "not written";
    } catch (const sdk::Exception& e) {
      return e.what();
    }
  }

  testsupport::TempDir dir;
  router::DoFileServices services;
  std::vector<std::string> shown;  // caption: message
  const std::string design = dir.Path("out\\board.dsn");
  const std::string do_file = dir.Path("out\\board.do");
  const std::string installed_template = dir.Path("host\\System\\Tralvek.Do");

 private:
  std::string old_tmp_;
};

// Any line ending reads as a line; every line is written whole with CR LF, and an older
// do-file is replaced. A template outside the installation is found through the search's places
// (their order is the search's own tests' matter), here through PATH, the last of them.
TEST_F(DoFileWriter, WritesTheTemplateBesideTheDesignFile) {
  const std::string long_line = std::string(400, 'x') + " $FILENAME";
  WriteFile(dir.Path("path\\Tralvek.Do"),
            "bestsave on $FILENAME.w\nroute 25\rwrite routes $filename.rte\r\n\r\n" + long_line);
  WriteFile(do_file, "an older do-file with more lines\r\nroute 1\r\nquit\r\nquit\r\n");
  ASSERT_EQ(Write(), "written");
  const std::string base = dir.Path("out\\board");
  EXPECT_EQ(ReadFile(do_file), "bestsave on " + base + ".w\r\nroute 25\r\nwrite routes " + base +
                                   ".rte\r\n\r\n" + std::string(400, 'x') + " " + base + "\r\n");
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(testsupport::FolderEntries(dir.Path("tmp")).empty());
}

// Every failure keeps the do-file as it was and leaves no temporary file behind.
TEST_F(DoFileWriter, FailuresKeepTheOlderDoFile) {
  const std::string user = sdk::GetComputerNameText();
  struct Case {
    const char* what;
    std::function<HANDLE()> prepare;  // returns a handle to hold during the write, or null
    std::string result;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"no template",
       [&] {
         DeleteFileA(installed_template.c_str());
         return HANDLE(nullptr);
       },
       "not written",
       {"Error: Cannot find Tralvek.Do\rThis is the template Do file for\rthe Specctra "
        "Interface."}},
      {"locked by another user",
       [&] {
         WriteFile(sdk::GetLockFileName(do_file),
                   "ComputerName=" + user + "\r\nUserName=someone-else\r\nProcessID=12\r\n");
         return HANDLE(nullptr);
       },
       "Cannot write the do-file " + do_file + ": it is used and locked by someone-else on " + user,
       {"Warning: board.do is used and locked by someone-else on " + user +
        ".\nYou will not be able to save your changes."}},
      {"unreadable template",
       [&] {
         return CreateFileA(installed_template.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
       },
       "Cannot open file \"" + installed_template + "\". Sharing violation.",
       {}},
      {"do-file in use",
       [&] {
         return CreateFileA(do_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
       },
       "Cannot write the do-file " + do_file + ": another program is using the file",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(installed_template, "route 25\r\n");
    WriteFile(do_file, "older\r\n");
    shown.clear();
    const HANDLE held = c.prepare();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string result = Write();
    if (held) CloseHandle(held);
    DeleteFileA(sdk::GetLockFileName(do_file).c_str());
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(ReadFile(do_file), "older\r\n");
    EXPECT_TRUE(testsupport::FolderEntries(dir.Path("tmp")).empty());
  }
}

}  // namespace
