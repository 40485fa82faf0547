// Files the export cannot write, with the file system really in that state: the command fails
// with a message naming the file and the cause, the old file stays byte for byte, and no
// temporary file remains.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "board_export.h"
#include "framework/win/handles.h"
#include "host/plavena/host_session.h"
#include "sdk/common_utils.h"
#include "sdk/file_ownership.h"
#include "support/small_disk.h"
#include "support/test_paths.h"

namespace {

using testsupport::DiskFiller;
using testsupport::ReadFile;
using testsupport::SmallDisk;
using testsupport::TempDir;

const std::string kOldDesign = "old design\r\n";
const std::string kOldDoFile = "old do-file\r\n";
const std::string kOldSettings =
    "[LayerDirections]\r\nTopLayer=vertical\r\n[ViaStyles]\r\nRoutingVias=1-32\r\n"
    "[HoleList]\r\n0=1\r\n";

// A session with a copy of the example board in `dir` open, every dialog answered with OK.
std::unique_ptr<plavena::HostSession> ExampleSession(const TempDir& dir) {
  return std::make_unique<plavena::HostSession>(hosttest::ModuleOptions(
      testsupport::CopyExampleBoard(dir, "example-board.json"), {{"*", "OK"}}));
}

// Another process holds the file open without sharing until this ends.
class HeldByAnotherProgram {
 public:
  explicit HeldByAnotherProgram(const std::string& file) {
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    const std::wstring ready_name = L"tralvek-ready-" + id, quit_name = L"tralvek-quit-" + id;
    ready_ = CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str());
    quit_ = CreateEventW(nullptr, TRUE, FALSE, quit_name.c_str());
    std::wstring command = L"\"" + Wide(testsupport::BinaryPath("file_holder.exe")) + L"\" \"" +
                           Wide(file) + L"\" " + ready_name + L" " + quit_name;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      throw std::runtime_error("cannot start file_holder.exe");
    }
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    const HANDLE waits[] = {ready_, process_};
    if (WaitForMultipleObjects(2, waits, FALSE, 20000) != WAIT_OBJECT_0) {
      throw std::runtime_error("file_holder.exe did not open " + file);
    }
  }
  ~HeldByAnotherProgram() {
    SetEvent(quit_);
    WaitForSingleObject(process_, 20000);
    CloseHandle(process_);
    CloseHandle(ready_);
    CloseHandle(quit_);
  }
  HeldByAnotherProgram(const HeldByAnotherProgram&) = delete;
  HeldByAnotherProgram& operator=(const HeldByAnotherProgram&) = delete;

 private:
  static std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
  }
  HANDLE ready_ = nullptr;
  HANDLE quit_ = nullptr;
  HANDLE process_ = nullptr;
};

// Ways a file is kept from being replaced, with the cause the user is told and the warning the
// user sees besides ("": none). What `prepare` returns keeps the file blocked while it lives.
struct Blocker {
  const char* why;
  std::function<std::shared_ptr<void>(const std::string& file)> prepare;
  std::string cause;
  bool keeps_content = true;  // false: the file itself is gone
  std::string warning{};      // after the file's name
  bool found_ahead = true;    // false: found only when the file is being replaced
};

std::vector<Blocker> Blockers() {
  const std::string computer = sdk::GetComputerNameText();
  return {
      {"read-only",
       [](const std::string& file) {
         SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
         return nullptr;
       },
       "the file is read-only"},
      {"a folder in its place",
       [](const std::string& file) {
         DeleteFileA(file.c_str());
         CreateDirectoryA(file.c_str(), nullptr);
         return nullptr;
       },
       "a folder of that name is in the way", false},
      {"another user's lock",
       [computer](const std::string& file) {
         testsupport::WriteFile(
             sdk::GetLockFileName(file),
             "ComputerName=" + computer + "\r\nUserName=someone-else\r\nProcessID=12\r\n");
         return nullptr;
       },
       "it is used and locked by someone-else on " + computer, true,
       " is used and locked by someone-else on " + computer + "."},
      {"another program holding it open",
       [](const std::string& file) { return std::make_shared<HeldByAnotherProgram>(file); },
       "another program is using the file", true, "", false},
  };
}

// What a failed export must leave: the failure with its message, the old file, no temporary
// file, and no error box besides the failure.
void ExpectFailedExport(const plavena::CommandResult& result, const plavena::Journal& journal,
                        const std::string& message, const std::string& file,
                        const std::string& old_content, const std::set<std::string>& temporary,
                        const std::string& folder) {
  EXPECT_EQ(result.status, E_FAIL);
  EXPECT_EQ(result.error_source, "Tralvek.dll");
  EXPECT_EQ(result.error_description, message);
  EXPECT_EQ(ReadFile(file), old_content);
  EXPECT_EQ(testsupport::TemporaryFiles(), temporary);
  EXPECT_TRUE(testsupport::TemporaryFiles(folder).empty());
  EXPECT_FALSE(journal.Has("dialog \"Error\"")) << journal.Text();
}

// The design file or the do-file blocked fails the command with what blocked it and keeps the
// file; what is found before anything is written leaves the other file and the board's settings
// as they were too (the do-file follows the design file, so one found in use only when it is
// replaced comes after the new design file). Another extension than the design file's: the check
// of the name itself must not be what stops the export.
TEST(WriteFailures, ADesignFileOrDoFileThatCannotBeReplacedFailsTheCommandAndStays) {
  const struct {
    const char* kind;
    const char* name;
    const std::string& old;
    const char* other;
    const std::string& other_old;
  } files[] = {{"design file", "board.dsn", kOldDesign, "board.do", kOldDoFile},
               {"do-file", "board.do", kOldDoFile, "board.dsn", kOldDesign}};
  for (const auto& file : files) {
    for (const Blocker& c : Blockers()) {
      SCOPED_TRACE(std::string(file.kind) + ", " + c.why);
      TempDir dir;
      const std::string target = dir.Path(file.name);
      testsupport::WriteFile(target, file.old);
      testsupport::WriteFile(dir.Path(file.other), file.other_old);
      const auto session = ExampleSession(dir);
      const std::set<std::string> before = testsupport::TemporaryFiles();
      plavena::CommandResult result;
      {
        const std::shared_ptr<void> blocked = c.prepare(target);
        result = session->Run("ExportDesignFile", "FileName=" + dir.Path("board.pcb"));
      }
      ExpectFailedExport(
          result, session->journal(),
          "Cannot write the " + std::string(file.kind) + " " + target + ": " + c.cause, target,
          c.keeps_content ? file.old : "", before, dir.path());
      if (!c.warning.empty()) {
        EXPECT_TRUE(
            session->journal().Has("dialog \"Warning\": " + std::string(file.name) + c.warning))
            << session->journal().Text();
      }
      SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!c.found_ahead && std::string(file.name) == "board.do") continue;
      EXPECT_EQ(ReadFile(dir.Path(file.other)), file.other_old);
      EXPECT_EQ(ReadFile(dir.Path("example-board.qixpref")).find("[HoleList]"), std::string::npos)
          << "no hole sizes for a design file that was not written";
    }
  }
}

// The settings file beside the board cannot be replaced: read-only, or held by a reader that
// shares it even for deleting, for longer than the replacement waits. The design file is still
// written, the settings file keeps every line, and the user hears what was not saved and why.
TEST(WriteFailures, ASettingsFileThatCannotBeReplacedStaysAndTheExportGoesOnWithAWarning) {
  const struct {
    const char* why;
    DWORD attributes;
    bool held;
    const char* cause;
  } cases[] = {
      {"read-only", FILE_ATTRIBUTE_READONLY, false,
       "the file is read-only. | The export went on without them: the layer directions, via-style "
       "drill pairs and hole sizes of this board were not saved. -> OK"},
      {"held by a reader", FILE_ATTRIBUTE_NORMAL, true,
       "another program or export was using the file"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    const std::string settings = dir.Path("example-board.qixpref");
    testsupport::WriteFile(settings, kOldSettings);
    SetFileAttributesA(settings.c_str(), c.attributes);
    const auto session = ExampleSession(dir);
    const std::set<std::string> before = testsupport::TemporaryFiles();
    plavena::CommandResult result;
    {
      const win::UniqueHandle reader(
          c.held ? CreateFileA(settings.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                 : nullptr);
      ASSERT_EQ(static_cast<bool>(reader), c.held);
      result = session->Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn"));
    }
    EXPECT_EQ(result.status, S_OK) << result.error_description;
    EXPECT_NE(ReadFile(dir.Path("board.dsn")).find("(pcb "), std::string::npos);
    EXPECT_EQ(ReadFile(settings), kOldSettings);
    EXPECT_EQ(testsupport::TemporaryFiles(), before);
    EXPECT_TRUE(session->journal().Has("dialog \"Warning\": Cannot write the settings file " +
                                       settings + ": " + c.cause))
        << session->journal().Text();
    SetFileAttributesA(settings.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The host's do-file template with its placeholders replaced by `design`, as a do-file is.
std::string DoFileFor(const std::string& design) {
  std::string text;
  for (const char c : ReadFile(testsupport::BinaryPath("System\\Tralvek.Do"))) {
    if (c == '\n') text += "\r";
    if (c != '\r') text += c;
  }
  for (size_t at; (at = text.find("$FILENAME")) != std::string::npos;) text.replace(at, 9, design);
  return text;
}

// A killed export leaves its temporary design file and do-file behind; the next export removes
// them, and only them: files being written (recent) and another program's temporary files stay.
TEST(WriteFailures, AnExportRemovesTheTemporaryFilesOfKilledOnes) {
  const std::string temporary = sdk::TemporaryFolder();
  struct Left {
    std::string name, content;
    int minutes_old;
    bool removed;
  };
  const std::string killed_do_file = DoFileFor("C:\\boards\\killed");
  const Left left[] = {{"ProF0E1.tmp", "(pcb killed\r\n  (parser", 60, true},
                       {"ProF0E2.tmp", "(pcb running\r\n", 1, false},
                       {"ProF0E3.tmp", "[HoleList]\r\n", 60, false},
                       {"ProF0E4.tmp", "(pcb", 60, false},
                       {"ProF0E5.tmp", killed_do_file, 60, true},
                       {"ProF0E6.tmp", DoFileFor("C:\\boards\\running"), 1, false},
                       {"ProF0E7.tmp", killed_do_file + "route 99\r\n", 60, false},
                       {"ProF0E8.tmp", killed_do_file.substr(0, 40), 60, false},
                       {"ProF0E9.tmp", "", 60, false}};
  for (const Left& file : left) {
    const std::string path = temporary + file.name;
    testsupport::WriteFile(path, file.content);
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= file.minutes_old * 60ULL * 10000000;
    const FILETIME written{time.LowPart, time.HighPart};
    HANDLE handle = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    SetFileTime(handle, nullptr, nullptr, &written);
    CloseHandle(handle);
  }
  TempDir dir;
  EXPECT_EQ(
      ExampleSession(dir)->Run("ExportDesignFile", "FileName=" + dir.Path("board.dsn")).status,
      S_OK);
  for (const Left& file : left) {
    const std::string path = temporary + file.name;
    EXPECT_EQ(testsupport::FileExists(path), !file.removed) << file.name;
    DeleteFileA(path.c_str());
  }
}

TEST(WriteFailures, FileNamesThatLeadToAnotherFileAreRefused) {
  TempDir dir;
  CreateDirectoryA(dir.Path("out").c_str(), nullptr);
  struct Case {
    std::string file_name;
    std::string message;
  };
  const Case cases[] = {
      {dir.Path("out"), dir.Path("out") + " is a folder, not a design file"},
      {dir.Path("out") + "\\", dir.Path("out") + "\\ is a folder, not a design file"},
      {dir.Path("?????.dsn"),
       "Cannot use the file name " + dir.Path("?????.dsn") +
           ": it holds characters that the ANSI code page cannot represent (shown as \"?\"); "
           "choose a name without them"},
      {dir.Path("a<b.dsn"),
       "Cannot use the file name " + dir.Path("a<b.dsn") + ": no file name may hold \"<\""},
  };
  const auto session = ExampleSession(dir);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file_name);
    const plavena::CommandResult result =
        session->Run("ExportDesignFile", "FileName=" + c.file_name);
    EXPECT_EQ(result.status, E_FAIL);
    EXPECT_EQ(result.error_description, c.message);
  }
  EXPECT_FALSE(testsupport::FileExists(dir.Path("out\\.dsn")));
  EXPECT_FALSE(testsupport::FileExists(dir.Path("out\\.do")));
  EXPECT_FALSE(testsupport::FileExists(dir.Path("out.dsn")));
}

// ---- A small disk that is full ------------------------------------------------------------------

// The system's temporary folder moved for the test's length.
class TemporaryFolderAt {
 public:
  explicit TemporaryFolderAt(const std::string& folder) {
    char old[MAX_PATH] = {};
    had_ = GetEnvironmentVariableA("TMP", old, MAX_PATH) > 0;
    old_ = old;
    SetEnvironmentVariableA("TMP", folder.c_str());
  }
  ~TemporaryFolderAt() { SetEnvironmentVariableA("TMP", had_ ? old_.c_str() : nullptr); }
  TemporaryFolderAt(const TemporaryFolderAt&) = delete;
  TemporaryFolderAt& operator=(const TemporaryFolderAt&) = delete;

 private:
  bool had_;
  std::string old_;
};

TEST(WriteFailures, AFullTemporaryFolderNamesTheDesignFileAndTheRealCause) {
  const std::string disk = SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small file system could be mounted for this run";
  TempDir dir;
  const std::string target = dir.Path("board.dsn");
  testsupport::WriteFile(target, kOldDesign);
  const auto session = ExampleSession(dir);
  const std::string temporary = disk + "\\tmp";
  CreateDirectoryA(temporary.c_str(), nullptr);
  plavena::CommandResult result;
  {
    // Room for the do-file's few lines, none for the design file.
    const DiskFiller filler(disk, 8192);
    const TemporaryFolderAt moved(temporary);
    result = session->Run("ExportDesignFile", "FileName=" + target);
  }
  EXPECT_EQ(result.status, E_FAIL);
  const std::string start =
      "Cannot write the design file " + target + ": the temporary file " + temporary + "\\Pro";
  EXPECT_EQ(result.error_description.rfind(start, 0), 0u) << result.error_description;
  EXPECT_NE(result.error_description.find("(" + sdk::SystemErrorText(ERROR_DISK_FULL) + ")"),
            std::string::npos)
      << result.error_description;
  EXPECT_EQ(ReadFile(target), kOldDesign);
  EXPECT_TRUE(testsupport::TemporaryFiles(temporary).empty());
  RemoveDirectoryA(temporary.c_str());
}

// A read-only file system refuses a file as "Access denied", as a program holding the file does:
// the user is told that its folder takes nothing, for an existing design file and a new one.
TEST(WriteFailures, AReadOnlyFileSystemIsNamedAsTheCause) {
  const std::string disk = SmallDisk();
  const std::string folder = disk + "-readonly";
  if (disk.empty() || !testsupport::FileExists(folder + "\\board.dsn")) {
    GTEST_SKIP() << "no read-only file system could be mounted for this run";
  }
  TempDir dir;
  const auto session = ExampleSession(dir);
  for (const char* name : {"board.dsn", "new.dsn"}) {
    SCOPED_TRACE(name);
    const std::string target = folder + "\\" + name;
    const ULONGLONG start = GetTickCount64();
    const plavena::CommandResult result = session->Run("ExportDesignFile", "FileName=" + target);
    // Not taken for a program holding the file, which the replacement waits a second for.
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(result.status, E_FAIL);
    EXPECT_EQ(result.error_description,
              "Cannot write the design file " + target + ": nothing can be written in its folder " +
                  folder + "\\ (the file system is read-only, or you may not write there)");
  }
  EXPECT_EQ(ReadFile(folder + "\\board.dsn"), kOldDesign);
}

TEST(WriteFailures, ASettingsFileOnAFullDiskIsNeitherEmptiedNorCutAndTheExportGoesOn) {
  const std::string disk = SmallDisk();
  if (disk.empty()) GTEST_SKIP() << "no small file system could be mounted for this run";
  TempDir out;
  const std::string folder = disk + "\\board";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string board = folder + "\\example-board.json";
  testsupport::WriteFile(board,
                         ReadFile(testsupport::TestDataPath("../examples/example-board.json")));
  const std::string settings = folder + "\\example-board.qixpref";
  struct Case {
    const char* why;
    bool existing;
  };
  for (const Case& c : {Case{"an existing file", true}, Case{"a new file", false}}) {
    SCOPED_TRACE(c.why);
    if (c.existing) testsupport::WriteFile(settings, kOldSettings);
    plavena::CommandResult result;
    std::set<std::string> before;
    bool warned = false;
    {
      plavena::HostSession session(hosttest::ModuleOptions(board, {{"*", "OK"}}));
      before = testsupport::TemporaryFiles();
      const DiskFiller filler(disk, 0);
      result = session.Run("ExportDesignFile", "FileName=" + out.Path("board.dsn"));
      warned = session.journal().Has("dialog \"Warning\": Cannot write the settings file " +
                                     settings + ": " + sdk::SystemErrorText(ERROR_DISK_FULL));
    }
    // The design file has room elsewhere: the export goes on and says what it could not save.
    EXPECT_EQ(result.status, S_OK) << result.error_description;
    EXPECT_TRUE(warned);
    EXPECT_EQ(testsupport::FileExists(settings), c.existing);
    if (c.existing) {
      EXPECT_EQ(ReadFile(settings), kOldSettings);
    }
    EXPECT_EQ(testsupport::TemporaryFiles(), before);
    EXPECT_TRUE(testsupport::TemporaryFiles(folder).empty());
    DeleteFileA(settings.c_str());
  }
  DeleteFileA(board.c_str());
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
