// The do-file writer: the template's search, the placeholder and the safe replacement of the
// do-file, with the host's functions following plain path rules.
#include "router/do_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "framework/message_dialog.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/file_ownership.h"
#include "support/test_paths.h"

namespace {

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::WriteFile;

struct ExpandCase {
  std::string line;
  std::string replacement;
  std::string expected;
  const char* why;
};

TEST(DoFilePlaceholder, ReplacesUpToFiveTimesInAnyCase) {
  const std::string five(5, 'R');
  const ExpandCase cases[] = {
      {"write routes $FILENAME.rte", "C:\\b\\board", "write routes C:\\b\\board.rte", "plain"},
      {"$filename.w and $FileName.ses", "B", "B.w and B.ses", "any letter case"},
      {"$FILENAME$FILENAME$FILENAME$FILENAME$FILENAME$FILENAME", "R", five + "$FILENAME",
       "the sixth stays"},
      {"x $FILENAME y", "<$FILENAME>", "x <<<<<$FILENAME>>>>> y",
       "a replacement holding the placeholder is found again by the next pass"},
      {"$FILENAM $ FILENAME", "R", "$FILENAM $ FILENAME", "nothing like it is touched"},
      {"", "R", "", "an empty line"},
      {std::string(300, '-') + "$FILENAME", "R", std::string(300, '-') + "R",
       "long lines keep their length"},
  };
  for (const ExpandCase& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(router::ExpandFileNamePlaceholders(c.line, c.replacement), c.expected);
  }
}

std::string PlainForceExtension(const std::string& file_name, const std::string& extension) {
  const size_t slash = file_name.find_last_of("\\/:");
  const size_t dot = file_name.find_last_of('.');
  const bool has_extension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash);
  std::string result = has_extension ? file_name.substr(0, dot) : file_name;
  if (!extension.empty()) result += "." + extension;
  return result;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
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
      shown.push_back(request);
      return framework::kModalOk;
    });
  }
  void TearDown() override {
    framework::SetMessageDialogHandler(nullptr);
    SetEnvironmentVariableA("TMP", old_tmp_.empty() ? nullptr : old_tmp_.c_str());
  }

  testsupport::TempDir dir;
  router::DoFileServices services;
  std::vector<framework::MessageDialogRequest> shown;
  const std::string design = dir.Path("out\\board.dsn");
  const std::string do_file = dir.Path("out\\board.do");

 private:
  std::string old_tmp_;
};

TEST_F(DoFileWriter, WritesTheTemplateBesideTheDesignFile) {
  WriteFile(dir.Path("host\\System\\Tralvek.Do"),
            "bestsave on $FILENAME.w\r\nroute 25\r\nwrite routes $filename.rte\r\n");
  ASSERT_TRUE(router::WriteDoFile(design, services));
  const std::string base = dir.Path("out\\board");
  EXPECT_EQ(ReadFile(do_file),
            "bestsave on " + base + ".w\r\nroute 25\r\nwrite routes " + base + ".rte\r\n");
  EXPECT_TRUE(shown.empty());
  EXPECT_TRUE(FilesIn(dir.Path("tmp")).empty());
}

TEST_F(DoFileWriter, EveryLineEndsInCrLfAndKeepsItsLength) {
  const std::string long_line = std::string(400, 'x') + " $FILENAME";
  WriteFile(dir.Path("host\\System\\Tralvek.Do"), "a\nb\rc\r\n\r\n" + long_line);
  ASSERT_TRUE(router::WriteDoFile(design, services));
  EXPECT_EQ(ReadFile(do_file),
            "a\r\nb\r\nc\r\n\r\n" + std::string(400, 'x') + " " + dir.Path("out\\board") + "\r\n");
}

TEST_F(DoFileWriter, ReplacesAnOlderDoFile) {
  WriteFile(dir.Path("host\\System\\Tralvek.Do"), "quit\r\n");
  WriteFile(do_file, "an older do-file with more lines\r\nroute 1\r\n");
  ASSERT_TRUE(router::WriteDoFile(design, services));
  EXPECT_EQ(ReadFile(do_file), "quit\r\n");
}

struct TemplatePlaceCase {
  std::vector<const char*> holders;
  const char* found;
};

TEST_F(DoFileWriter, FindsTheTemplateInTheHostsSystemFolderFirstAndThroughPathLast) {
  const TemplatePlaceCase cases[] = {
      {{"host\\System", "module", "path"}, "host\\System"},
      {{"module", "path"}, "module"},
      {{"path"}, "path"},
  };
  for (const TemplatePlaceCase& c : cases) {
    SCOPED_TRACE(c.found);
    for (const char* holder : c.holders) {
      WriteFile(dir.Path(std::string(holder) + "\\Tralvek.Do"), std::string("from ") + holder);
    }
    ASSERT_TRUE(router::WriteDoFile(design, services));
    EXPECT_EQ(ReadFile(do_file), std::string("from ") + c.found + "\r\n");
    for (const char* holder : c.holders) {
      DeleteFileA(dir.Path(std::string(holder) + "\\Tralvek.Do").c_str());
    }
  }
}

TEST_F(DoFileWriter, MissingTemplateIsReportedAndNothingIsWritten) {
  ASSERT_FALSE(router::WriteDoFile(design, services));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Error");
  EXPECT_EQ(shown[0].kind, framework::MessageKind::Error);
  EXPECT_EQ(shown[0].buttons, framework::MessageButtons::Ok);
  EXPECT_EQ(shown[0].message,
            "Cannot find Tralvek.Do\rThis is the template Do file for\rthe Specctra Interface.");
  EXPECT_FALSE(FileExists(do_file));
  EXPECT_TRUE(FilesIn(dir.Path("tmp")).empty());
}

TEST_F(DoFileWriter, DoFileLockedByAnotherUserRaisesKeepsItAndLeavesNoTemporaryFile) {
  WriteFile(dir.Path("host\\System\\Tralvek.Do"), "route 25\r\n");
  WriteFile(do_file, "the other user's\r\n");
  WriteFile(sdk::GetLockFileName(do_file), "ComputerName=" + sdk::GetComputerNameText() +
                                               "\r\nUserName=someone-else\r\nProcessID=12\r\n");
  try {
    router::WriteDoFile(design, services);
    ADD_FAILURE() << "no error";
  } catch (const sdk::Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot write the do-file " + do_file +
                                         ": it is used and locked by someone-else on " +
                                         sdk::GetComputerNameText());
  }
  EXPECT_EQ(ReadFile(do_file), "the other user's\r\n");
  EXPECT_TRUE(FilesIn(dir.Path("tmp")).empty()) << "the new file is removed";
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Warning");
  EXPECT_EQ(shown[0].message, "board.do is used and locked by someone-else on " +
                                  sdk::GetComputerNameText() +
                                  ".\nYou will not be able to save your changes.");
}

TEST_F(DoFileWriter, UnreadableTemplateRaisesAndReplacesNothing) {
  const std::string template_file = dir.Path("host\\System\\Tralvek.Do");
  WriteFile(template_file, "route 25\r\n");
  WriteFile(do_file, "older\r\n");
  HANDLE held = CreateFileA(template_file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(router::WriteDoFile(design, services), sdk::Exception);
  CloseHandle(held);
  EXPECT_EQ(ReadFile(do_file), "older\r\n");
  EXPECT_TRUE(FilesIn(dir.Path("tmp")).empty());
}

TEST_F(DoFileWriter, UnreplaceableDoFileRaisesAndKeepsTheOldOne) {
  WriteFile(dir.Path("host\\System\\Tralvek.Do"), "route 25\r\n");
  WriteFile(do_file, "older\r\n");
  HANDLE held = CreateFileA(do_file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    router::WriteDoFile(design, services);
    ADD_FAILURE() << "no error";
  } catch (const sdk::Exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot write the do-file " + do_file + ": another program is using the file");
  }
  CloseHandle(held);
  EXPECT_EQ(ReadFile(do_file), "older\r\n");
  EXPECT_TRUE(FilesIn(dir.Path("tmp")).empty());
}

}  // namespace
