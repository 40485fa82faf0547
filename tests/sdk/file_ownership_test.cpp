// Lock files of host documents and the safe replacement of a written file.
#include "sdk/file_ownership.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "framework/message_dialog.h"
#include "tests/support/raised.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/host_fakes.h"
#include "support/test_paths.h"

namespace {

using testsupport::FileExists;
using testsupport::FolderEntries;
using testsupport::ReadFile;
using testsupport::WriteFile;

TEST(LockFile, NameSitsBesideTheDocument) {
  std::string names;
  for (const char* document : {"C:\\Boards\\Main.board", "C:\\B.d\\x", "Main.pcb"}) {
    names += sdk::GetLockFileName(document) + " ";
  }
  EXPECT_EQ(names, "C:\\Boards\\~$Main.board_loc C:\\B.d\\~$x_loc ~$Main.pcb_loc ");
}

std::string ThisProcessId() { return std::to_string(GetCurrentProcessId()); }

// A lock file naming this computer, user and process, with `line` in place of one of them.
std::string OurLock(const std::string& computer_line, const std::string& user_line,
                    const std::string& process_line) {
  return computer_line + "\r\n" + user_line + "\r\n" + process_line + "\r\n";
}

TEST(LockFile, ReadsTheThreeValuesByExactKey) {
  // The host's own layout; then any separator, other lines ignored, LF line ends and no last line
  // end; a key in other letter case, which does not match; no process id; the later of two
  // lines; an empty value, which is missing; a key without separator or value; no lock file.
  testsupport::TempDir dir;
  const std::string document = dir.Path("Main.board");
  std::string read;
  for (const char* lock :
       {"ComputerName=PC01\r\nUserName=ann\r\nProcessID=4711\r\n",
        "Other=1\nUserName=ann\nComputerName:PC01\nProcessID=4711",
        "computername=PC01\r\nUserName=ann\r\nProcessID=4711\r\n",
        "ComputerName=PC01\r\nUserName=ann\r\n",
        "ComputerName=PC01\r\nComputerName=PC02\r\nUserName=ann\r\nProcessID=1\r\n",
        "ComputerName=\r\nUserName=ann\r\nProcessID=1\r\n",
        "ComputerName=PC01\r\nUserName=ann\r\nProcessID", ""}) {
    DeleteFileA(sdk::GetLockFileName(document).c_str());
    if (*lock) WriteFile(sdk::GetLockFileName(document), lock);
    sdk::TFileOwnershipDetails details{"stale", "stale", "stale"};
    const bool complete = sdk::ReadFileOwnershipDetails(document, details);
    read += std::to_string(complete) + " " + details.computer_name + "/" + details.user_name + "/" +
            details.process_id + ", ";
  }
  EXPECT_EQ(read,
            "1 PC01/ann/4711, 1 PC01/ann/4711, 0 /ann/4711, 0 PC01/ann/, 1 PC02/ann/1, 0 /ann/1, "
            "0 PC01/ann/, 0 //, ");
}

TEST(LockFile, WhoseLockBlocks) {
  const std::string computer = "ComputerName=" + sdk::GetComputerNameText();
  const std::string user = "UserName=" + sdk::GetUserNameText();
  const std::string process = "ProcessID=" + ThisProcessId();
  testsupport::TempDir dir;
  const std::string document = dir.Path("Main.board");
  // This computer, user and process, also with an extra line; another computer, another user on
  // this computer, another process of this user; no process id, which is no lock.
  std::string locked;
  for (const std::string& lock :
       {OurLock(computer, user, process), OurLock(computer, user, process) + "Comment=x\r\n",
        OurLock("ComputerName=OTHER-PC", user, process),
        OurLock(computer, "UserName=someone-else", process),
        OurLock(computer, user, "ProcessID=" + std::to_string(GetCurrentProcessId() + 4)),
        OurLock(computer, user, "")}) {
    WriteFile(sdk::GetLockFileName(document), lock);
    std::string who_computer = "stale", who_user = "stale";
    locked += sdk::IsFileLockedByOther(document, who_computer, who_user) ? '1' : '0';
  }
  EXPECT_EQ(locked, "001110");
  // Case of letters does not matter.
  std::string upper_user = sdk::GetUserNameText();
  for (char& ch : upper_user) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
  WriteFile(sdk::GetLockFileName(document), OurLock(computer, "UserName=" + upper_user, process));
  std::string who_computer, who_user;
  EXPECT_FALSE(sdk::IsFileLockedByOther(document, who_computer, who_user));
  EXPECT_EQ(who_user, upper_user) << "the lock's names are handed out even when not locked";
}

// ---- Safe replacement --------------------------------------------------------------------

class SafeReplacement : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(target, "old content");
    WriteFile(new_file, "new content");
  }
  void LockBy(const std::string& user) {
    WriteFile(sdk::GetLockFileName(target), "ComputerName=" + sdk::GetComputerNameText() +
                                                "\r\nUserName=" + user +
                                                "\r\nProcessID=" + ThisProcessId() + "\r\n");
  }

  testsupport::TempDir dir;
  const std::string target = dir.Path("Board.do");
  const std::string new_file = dir.Path("Pro1.tmp");
  testfakes::RecordedMessageBoxes boxes;
  const std::vector<framework::MessageDialogRequest>& shown = boxes.shown;
};

// What holds for a replacement in one step and for one that moves the old file aside.
class EitherReplacement : public SafeReplacement,
                          public ::testing::WithParamInterface<sdk::ReplaceSafety> {
 protected:
  bool Replace(const std::string& from, std::string* failure = nullptr) {
    return sdk::ReplaceFileWithOwnershipCheck(from, target, failure, GetParam());
  }
};

INSTANTIATE_TEST_SUITE_P(Safety, EitherReplacement,
                         ::testing::Values(sdk::ReplaceSafety::kAtomic,
                                           sdk::ReplaceSafety::kRemade));

TEST_P(EitherReplacement, PutsTheNewFileOntoTheTargetOrLeavesBothAlone) {
  const auto replace = [&](const std::string& from) {
    const bool replaced = Replace(from);
    return std::to_string(replaced) + " " + ReadFile(target) + (FileExists(new_file) ? " +" : "");
  };
  EXPECT_EQ(replace(new_file), "1 new content");
  EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"Board.do"})
      << "nothing left beside it";
  DeleteFileA(target.c_str());
  WriteFile(new_file, "created");
  EXPECT_EQ(replace(new_file), "1 created") << "a missing target";
  LockBy(sdk::GetUserNameText());
  WriteFile(new_file, "own lock");
  EXPECT_EQ(replace(new_file), "1 own lock");
  EXPECT_EQ(replace(new_file), "1 own lock") << "a missing new file";
  std::string same = target;
  for (char& c : same) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(replace(same), "1 own lock") << "the same file in other letter case";
  EXPECT_TRUE(shown.empty());
}

TEST_F(SafeReplacement, TargetLockedByAnotherUserStaysAndTheUserIsWarned) {
  LockBy("someone-else");
  EXPECT_FALSE(sdk::ReplaceFileWithOwnershipCheck(new_file, target));
  EXPECT_EQ(ReadFile(target), "old content");
  EXPECT_FALSE(FileExists(new_file)) << "the new file is removed";
  // No workspace in this process: the warning box stands in for the workspace notice.
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Warning");
  EXPECT_EQ(shown[0].kind, framework::MessageKind::Warning);
  EXPECT_EQ(shown[0].message, "Board.do is used and locked by someone-else on " +
                                  sdk::GetComputerNameText() +
                                  ".\nYou will not be able to save your changes.");
  // A lock file nobody may read raises before anything changes.
  WriteFile(new_file, "new content");
  const win::UniqueHandle held(CreateFileA(sdk::GetLockFileName(target).c_str(), GENERIC_READ, 0,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
  EXPECT_THROW(sdk::ReplaceFileWithOwnershipCheck(new_file, target), sdk::Exception);
  EXPECT_EQ(ReadFile(target) + "|" + ReadFile(new_file), "old content|new content");
}

TEST_P(EitherReplacement, FailuresKeepTheOldTargetAndSayWhy) {
  // Held open by another program that lets nobody delete it: the target, then the new file
  // (deleting the target first would lose both), then a read-only target.
  for (const std::string* held_file :
       {&target, &new_file, static_cast<const std::string*>(nullptr)}) {
    WriteFile(new_file, "new content");
    if (!held_file) SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
    std::string failure;
    bool replaced;
    {
      const win::UniqueHandle held(held_file ? CreateFileA(held_file->c_str(), GENERIC_READ,
                                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                           FILE_ATTRIBUTE_NORMAL, nullptr)
                                             : nullptr);
      replaced = Replace(new_file, &failure);
    }
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(replaced);
    EXPECT_FALSE(failure.empty()) << "the caller learns why";
    EXPECT_EQ(ReadFile(target), "old content");
    EXPECT_EQ(FileExists(new_file), held_file == &new_file);
    DeleteFileA(new_file.c_str());
    EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"Board.do"});
  }
  // A folder of the target's name stays where it is, with what is in it.
  DeleteFileA(target.c_str());
  CreateDirectoryA(target.c_str(), nullptr);
  WriteFile(target + "\\inside", "kept");
  WriteFile(new_file, "new content");
  std::string failure;
  EXPECT_FALSE(Replace(new_file, &failure));
  EXPECT_EQ(failure, "a folder of that name is in the way");
  EXPECT_EQ(ReadFile(target + "\\inside"), "kept");
  EXPECT_EQ(FolderEntries(dir.path()), std::set<std::string>{"Board.do"});
  DeleteFileA((target + "\\inside").c_str());
  RemoveDirectoryA(target.c_str());
}

TEST_P(EitherReplacement, NewFileOnAnotherVolumeIsCopiedBesideTheTargetFirst) {
  // Wine maps the Unix root to Z:, and /dev/shm is a file system of its own.
  const std::string other_volume = "Z:\\dev\\shm\\tralvek-" + ThisProcessId() + ".tmp";
  if (GetFileAttributesA("Z:\\dev\\shm") == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no second volume";
  }
  WriteFile(other_volume, "new content");
  EXPECT_TRUE(Replace(other_volume));
  EXPECT_EQ(ReadFile(target), "new content");
  EXPECT_FALSE(FileExists(other_volume));
  EXPECT_EQ(FolderEntries(dir.path()), (std::set<std::string>{"Board.do", "Pro1.tmp"}))
      << "no copy left behind";
}

// The old file's aside name is one no file has: a file left there (by a crash between the
// moves) is neither replaced nor deleted.
TEST_F(SafeReplacement, MovingAsideStepsOverFilesOfTheAsideName) {
  WriteFile(target + "~", "left by a crash");
  WriteFile(target + "~1", "left by another");
  EXPECT_TRUE(
      sdk::ReplaceFileWithOwnershipCheck(new_file, target, nullptr, sdk::ReplaceSafety::kRemade));
  EXPECT_EQ(ReadFile(target) + "|" + ReadFile(target + "~") + "|" + ReadFile(target + "~1"),
            "new content|left by a crash|left by another");
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::set<std::string>{"Board.do", "Board.do~", "Board.do~1"}));
}

// Whatever stops a staged text from reaching its target, the temporary file goes, and the
// target stays; a staged text dropped uncommitted changes nothing.
TEST_F(SafeReplacement, StagedTextsLeaveNoTemporaryFileWhateverHappens) {
  const std::set<std::string> before = testsupport::TemporaryFiles();
  {
    const sdk::StagedFileText dropped(target, "never", "the test file");
    EXPECT_EQ(testsupport::TemporaryFiles().size(), before.size() + 1);
  }
  EXPECT_EQ(testsupport::TemporaryFiles(), before);
  EXPECT_EQ(ReadFile(target), "old content");

  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  sdk::StagedFileText read_only(target, "new", "the test file");
  EXPECT_EQ(testsupport::ErrorMessage<sdk::Exception>([&] { read_only.CheckTarget(); }),
            "Cannot write the test file " + target + ": the file is read-only");
  EXPECT_THROW(read_only.Commit(), sdk::Exception);
  EXPECT_THROW(sdk::ReplaceFileText(target, "new", "the test file"), sdk::Exception);
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFile(target), "old content");
  EXPECT_EQ(testsupport::TemporaryFiles(), before);

  LockBy("someone-else");
  sdk::StagedFileText locked(target, "new", "the test file");
  EXPECT_THROW(locked.CheckTarget(), sdk::Exception);
  EXPECT_THROW(locked.Commit(), sdk::Exception);
  EXPECT_EQ(shown.size(), 2u) << "the user hears of the lock each time";
  EXPECT_EQ(ReadFile(target), "old content");
  EXPECT_EQ(testsupport::TemporaryFiles(), before);
  DeleteFileA(sdk::GetLockFileName(target).c_str());

  sdk::StagedFileText committed(target, "new", "the test file");
  committed.CheckTarget();
  committed.Commit();
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(testsupport::TemporaryFiles(), before);
}

// Writing back what a file holds would cost a flush to the disk: such a target is left as it
// is, even read-only and locked by another user, and only exactly the same bytes count.
TEST_F(SafeReplacement, ATargetHoldingTheTextAlreadyIsLeftAlone) {
  const uint64_t before = testsupport::FileIndex(target);
  const std::set<std::string> temporaries = testsupport::TemporaryFiles();
  LockBy("someone-else");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  sdk::StagedFileText same(target, "old content", "the test file");
  EXPECT_EQ(testsupport::TemporaryFiles(), temporaries) << "nothing staged";
  same.CheckTarget();
  same.Commit();
  sdk::ReplaceFileText(target, "old content", "the test file");
  EXPECT_TRUE(shown.empty());
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(sdk::GetLockFileName(target).c_str());
  EXPECT_EQ(testsupport::FileIndex(target), before) << "the very same file";

  for (const std::string text : {"old contenT", "old conten", "old content.", ""}) {
    sdk::ReplaceFileText(target, text, "the test file");
    EXPECT_EQ(ReadFile(target), text);
  }
  DeleteFileA(target.c_str());
  sdk::ReplaceFileText(target, "", "the test file");
  EXPECT_TRUE(FileExists(target)) << "an empty text still makes a missing file";
}

std::string* probed_target = nullptr;
std::string ProbeTarget() { return ReadFile(*probed_target); }

TEST_F(SafeReplacement, OpenDocumentIsToldBeforeAndAfter) {
  std::vector<std::string> log;
  std::string observed = target;
  probed_target = &observed;
  auto* document = new testfakes::FakeDocument(win::Widen(target), log, ProbeTarget);
  auto* client = new testfakes::FakeClient(document);
  IClient* previous = sdk::ClientGlobal();
  sdk::SetClientGlobal(client);
  const bool replaced = sdk::ReplaceFileWithOwnershipCheck(new_file, target);
  sdk::SetClientGlobal(previous);
  client->Release();
  EXPECT_TRUE(replaced);
  const std::vector<std::string> expected = {"begin:old content", "end:new content"};
  EXPECT_EQ(log, expected);
}

TEST(TempFiles, AreNewEmptyFilesInTheTemporaryFolder) {
  const std::string first = sdk::CreateTempFileName();
  const std::string second = sdk::CreateTempFileName();
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string name = first.substr(first.find_last_of('\\') + 1);
  EXPECT_EQ(first.substr(0, first.size() - name.size()), folder);
  EXPECT_EQ(name.substr(0, 3), "Pro");
  EXPECT_TRUE(FileExists(first));
  EXPECT_EQ(ReadFile(first), "");
  DeleteFileA(first.c_str());
  DeleteFileA(second.c_str());
}

// ---- Workspace notice --------------------------------------------------------------------

TEST(LockedFileWarning, WorkspaceNoticeCarriesTheHostsValues) {
  auto* workspace = new testfakes::FakeWorkspace(true);
  ASSERT_TRUE(sdk::PostFileLockedNotice(*workspace, "C:\\Boards\\Main.do", "PC01", "ann"));
  ASSERT_EQ(workspace->notices.size(), 1u);
  const testfakes::WorkspaceNotice& n = workspace->notices[0];
  EXPECT_EQ(n.title + L"|" + n.text + L"|" + n.product + L"|" + n.document_path + L"|" + n.process +
                L"|" + n.parameters + L"|" + std::to_wstring(n.kind) + L"," +
                std::to_wstring(n.reserved1) + std::to_wstring(n.reserved2) +
                std::to_wstring(n.reserved3),
            L"[Locked File]|Main.do is used by ann on PC01. You will not be able to save your "
            L"changes.|Plavena|C:\\Boards\\Main.do|WorkspaceManager:OpenObject|"
            L"FileName=C:\\Boards\\Main.do|73,000");
  workspace->Release();
  workspace = new testfakes::FakeWorkspace(false);  // without a message service
  EXPECT_FALSE(sdk::PostFileLockedNotice(*workspace, "C:\\B\\x.do", "PC01", "ann"));
  workspace->Release();
}

// Asked for the box, the user gets the box; a mode the host does not define shows nothing.
TEST(LockedFileWarning, TheBoxModeShowsTheBoxAndAnUnknownModeNothing) {
  testfakes::RecordedMessageBoxes boxes;
  sdk::ShowFileLockedWarning("C:\\Boards\\Main.do", "PC01", "ann",
                             sdk::LockedWarningMode::MessageBox);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(
      boxes.shown[0].message,
      "Main.do is used and locked by ann on PC01.\nYou will not be able to save your changes.");
  sdk::ShowFileLockedWarning("C:\\Boards\\Main.do", "PC01", "ann",
                             static_cast<sdk::LockedWarningMode>(0));
  EXPECT_EQ(boxes.shown.size(), 1u) << "an unknown mode showed a box";
}

}  // namespace
