// Ownership of host documents and the safe replacement of a written file: writers write a
// temporary file and put it onto the target in one step, unless another computer, user or
// process holds the target's lock.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "framework/ini_file.h"
#include "framework/win/handles.h"
#include "sdk/host_contract.h"

namespace sdk {

// Who holds a document, as its lock file says.
struct TFileOwnershipDetails {
  std::string computer_name;
  std::string user_name;
  std::string process_id;  // decimal
};

// A new empty file in the system's temporary folder, "Pro" + a number; empty when the system
// cannot make one.
std::string CreateTempFileName();

// The document's folder + "~$" + its file name + "_loc".
std::string GetLockFileName(const std::string& document_file_name);

// True only when the lock file exists and names a computer, a user and a process. A lock file
// that exists but cannot be read raises.
bool ReadFileOwnershipDetails(const std::string& document_file_name,
                              TFileOwnershipDetails& details);

// True when the lock file names another computer, user or process than ours; the outputs then
// hold the lock's computer and user (they are set whenever the lock file could be read).
bool IsFileLockedByOther(const std::string& document_file_name, std::string& computer_name,
                         std::string& user_name);

enum class LockedWarningMode { WorkspaceNotice = 1, MessageBox = 2 };

// Tells the user that the file is locked: a notice in the host's workspace (falling back to
// the warning box when the host keeps no workspace notices), or a warning box.
void ShowFileLockedWarning(const std::string& document_file_name, const std::string& computer_name,
                           const std::string& user_name, LockedWarningMode mode);

// Hands the locked-file notice to the workspace's message service; false when the workspace
// has none.
bool PostFileLockedNotice(IWorkspace& workspace, const std::string& document_file_name,
                          const std::string& computer_name, const std::string& user_name);

// How a replacement puts the new file in the target's place.
enum class ReplaceSafety {
  // In one step: at any instant, and after a crash, the target is wholly the old file or wholly
  // the new one. The file system may write the new text out before the step returns (ext4 does
  // for a move onto a file: some 50 ms for 50 MB).
  kAtomic,
  // For a file any run makes again, such as an export: the old file is moved aside, the new one
  // put in its place and the old one deleted, so that the new text reaches the disk in the
  // system's own time. For that instant the target is missing, and a crash soon after may leave
  // it empty; a failure puts the old file back.
  kRemade,
};

// Puts the new file onto the target, telling a host document open on the target before and
// after. True when the target now holds the new content, or when there was nothing to do (the
// same file, or no new file). On false the target is as it was and the new file is gone: the
// target is locked by another user (who is told), or the replacement failed, and `failure`
// (when given) then says why; it stays empty otherwise.
bool ReplaceFileWithOwnershipCheck(const std::string& new_file, const std::string& target,
                                   std::string* failure = nullptr,
                                   ReplaceSafety safety = ReplaceSafety::kAtomic);

// The system's temporary folder, with its trailing "\"; empty when the system cannot tell.
std::string TemporaryFolder();

// "Cannot write <what> <target>: <cause>", the one form every failed file write is told in.
std::string FileWriteFailure(const std::string& what, const std::string& target,
                             const std::string& cause);
// The cause when the temporary file of a replacement cannot be made (`temporary` empty) or
// written: it names the temporary folder or file and the system's reason.
std::string TemporaryFileFailure(const std::string& temporary, DWORD error);

// The cause of a failed ReplaceFileWithOwnershipCheck: its `failure`, or, when that is empty,
// who holds the target's lock.
std::string ReplaceFailureCause(const std::string& target, const std::string& failure);

// A file's new text waiting in a temporary file until Commit() puts it onto the target, so that a
// writer can make several files ready before it changes any. While it waits, nobody may delete
// it (another export removing what killed ones left). Dropped uncommitted, the temporary file
// goes and the target stays as it was. A target that holds the text already is left alone:
// nothing is staged, and CheckTarget() and Commit() have nothing to do. Failures raise Exception
// in the form of FileWriteFailure, `what` naming the kind of file ("the settings file").
class StagedFileText {
 public:
  // Writes `text` into a new temporary file, every write checked.
  StagedFileText(std::string target, std::string_view text, std::string what);
  ~StagedFileText();
  StagedFileText(StagedFileText&& other) noexcept;
  StagedFileText& operator=(StagedFileText&&) = delete;
  StagedFileText(const StagedFileText&) = delete;
  StagedFileText& operator=(const StagedFileText&) = delete;

  const std::string& target() const { return target_; }
  // Raises as Commit() would, changing nothing, when the target plainly cannot be replaced now:
  // another user holds its lock (who is told), it is read-only, or a folder is in its place. A
  // writer checks this before it changes another file that must change only with this one.
  void CheckTarget() const;
  // Puts the text onto the target in one step. Raises, with the target as it was and the
  // temporary file gone, when that fails, also when another user holds the target's lock (who
  // is named in the host's notice too).
  void Commit();

 private:
  std::string target_;
  std::string what_;
  std::string temporary_;  // empty once committed or moved from, or when the target is unchanged
  win::UniqueHandle held_;  // the temporary file, open without delete sharing
  bool unchanged_ = false;
};

// StagedFileText(target, text, what).Commit().
void ReplaceFileText(const std::string& target, std::string_view text, const std::string& what);

// Puts the ini file's content, in the file's own encoding, onto its file through
// ReplaceFileText ("the settings file").
void SaveIniFile(const framework::IniFile& ini);

}  // namespace sdk
