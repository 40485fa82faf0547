// Ownership of host documents and the safe replacement of a written file.
#include "sdk/file_ownership.h"

#include <windows.h>

#include <string_view>
#include <utility>

#include "framework/file_content.h"
#include "framework/win/com.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/text_file.h"

namespace sdk {

namespace {

// The third of the workspace's notice kinds: a document the user cannot save.
constexpr int kLockedFileNoticeKind = kWorkspaceNoticeKinds[2];

size_t FilePartStart(const std::string& path) {
  const size_t separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? 0 : separator + 1;
}

std::string FilePart(const std::string& path) { return path.substr(FilePartStart(path)); }

std::string FolderPart(const std::string& path) { return path.substr(0, FilePartStart(path)); }

// The value of a "<key><separator><value>" line, when the line starts with the key.
void TakeValue(std::string_view line, std::string_view key, std::string& value) {
  if (line.substr(0, key.size()) != key) return;
  value = std::string(line.size() > key.size() ? line.substr(key.size() + 1) : std::string_view());
}

void DeleteIfPresent(const std::string& file) {
  if (FileExists(file)) DeleteFileW(win::Widen(file).c_str());
}

// Another program has the file open and lets nobody delete or rename it.
bool HeldOpenByAnotherProgram(const std::wstring& file) {
  HANDLE probe =
      CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return false;
  }
  return GetLastError() == ERROR_SHARING_VIOLATION;
}

bool IsDenial(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT; }

// The target's folder takes no new file: the file system is read-only (which the system does not
// tell apart from a file in use: "Access denied"), or the user may not write there.
bool FolderRefusesNewFiles(const std::string& target) {
  const std::string probe = FolderPart(target) + "~$" + FilePart(target) + "-" +
                            std::to_string(GetCurrentProcessId()) + ".probe";
  const win::UniqueHandle file(CreateFileW(win::Widen(probe).c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return !file && IsDenial(GetLastError());
}

// Why `target` could not be replaced, in the user's terms: the system says "Access denied" for
// a read-only file, a folder, a file another program holds and a read-only file system alike.
std::string ReplaceFailureText(const std::string& target, DWORD error) {
  const std::wstring wide = win::Widen(target);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "a folder of that name is in the way";
    if (attributes & FILE_ATTRIBUTE_READONLY) return "the file is read-only";
    if (HeldOpenByAnotherProgram(wide)) return "another program is using the file";
  }
  if (IsDenial(error) && FolderRefusesNewFiles(target)) {
    return "nothing can be written in its folder " + FolderPart(target) +
           " (the file system is read-only, or you may not write there)";
  }
  // Held, but let go since: another program held it for longer than the replacement waits.
  if (exists && (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)) {
    return "another program or export was using the file for longer than a second";
  }
  return SystemErrorText(error);
}

// The document the host has open on the file, told about the change when it wants to be.
class DocumentFileChange {
 public:
  explicit DocumentFileChange(const std::string& file_name) {
    const win::ComPtr<IClient> client = GetClient();
    if (!client) return;
    win::ComPtr<IServerDocument> document;
    const win::Bstr path(win::Widen(file_name));
    CheckHost(client->GetDocumentByPath(path.get(), document.put()), "GetDocumentByPath");
    if (document) listener_ = document.As<IServerDocumentFileChange>(IID_IServerDocumentFileChange);
  }
  void Begin() {
    if (listener_) CheckHost(listener_->BeginFileChange(), "BeginFileChange");
  }
  void End() {
    if (listener_) CheckHost(listener_->EndFileChange(), "EndFileChange");
  }

 private:
  win::ComPtr<IServerDocumentFileChange> listener_;
};

}  // namespace

std::string CreateTempFileName() {
  const DWORD needed = GetTempPathW(0, nullptr);
  if (needed == 0) return {};
  std::wstring folder(needed, L'\0');
  const DWORD length = GetTempPathW(needed, folder.data());
  if (length == 0 || length >= needed) return {};
  folder.resize(length);
  wchar_t name[MAX_PATH] = {};
  if (!GetTempFileNameW(folder.c_str(), L"Pro", 0, name)) return {};
  return win::Narrow(name);
}

std::string GetLockFileName(const std::string& document_file_name) {
  return FolderPart(document_file_name) + "~$" + FilePart(document_file_name) + "_loc";
}

bool ReadFileOwnershipDetails(const std::string& document_file_name,
                              TFileOwnershipDetails& details) {
  details = {};
  const std::string lock_file = GetLockFileName(document_file_name);
  if (!FileExists(lock_file)) return false;
  const std::string content = ReadFileText(lock_file);
  for (const std::string_view line : SplitLines(content)) {
    // Later lines win; keys match case-sensitively.
    TakeValue(line, "ComputerName", details.computer_name);
    TakeValue(line, "UserName", details.user_name);
    TakeValue(line, "ProcessID", details.process_id);
  }
  return !details.computer_name.empty() && !details.user_name.empty() &&
         !details.process_id.empty();
}

bool IsFileLockedByOther(const std::string& document_file_name, std::string& computer_name,
                         std::string& user_name) {
  computer_name.clear();
  user_name.clear();
  TFileOwnershipDetails details;
  if (!ReadFileOwnershipDetails(document_file_name, details)) return false;
  computer_name = details.computer_name;
  user_name = details.user_name;
  if (!IsSameText(details.computer_name, GetComputerNameText())) return true;
  if (!IsSameText(details.user_name, GetUserNameText())) return true;
  return !IsSameText(details.process_id, std::to_string(GetCurrentProcessId()));
}

bool PostFileLockedNotice(IWorkspace& workspace, const std::string& document_file_name,
                          const std::string& computer_name, const std::string& user_name) {
  win::ComPtr<IWorkspaceMessages> messages;
  CheckHost(workspace.GetMessageService(messages.put()), "GetMessageService");
  if (!messages) return false;
  const win::Bstr title(L"[Locked File]");
  const win::Bstr text(win::Widen(FilePart(document_file_name) + " is used by " + user_name +
                                  " on " + computer_name +
                                  ". You will not be able to save your changes."));
  const win::Bstr product(L"Plavena");
  const win::Bstr path(win::Widen(document_file_name));
  const win::Bstr process(L"WorkspaceManager:OpenObject");
  const win::Bstr parameters(win::Widen("FileName=" + document_file_name));
  CheckHost(messages->AddMessage(title.get(), text.get(), product.get(), path.get(), process.get(),
                                 parameters.get(), kLockedFileNoticeKind, 0, 0, 0),
            "AddMessage");
  return true;
}

void ShowFileLockedWarning(const std::string& document_file_name, const std::string& computer_name,
                           const std::string& user_name, LockedWarningMode mode) {
  if (mode == LockedWarningMode::WorkspaceNotice) {
    const win::ComPtr<IWorkspace> workspace = GetWorkspace();
    if (workspace &&
        PostFileLockedNotice(*workspace.get(), document_file_name, computer_name, user_name)) {
      return;
    }
    // Without the workspace's notices the user would never learn why nothing was saved.
  } else if (mode != LockedWarningMode::MessageBox) {
    return;
  }
  ShowWarningMessage(FilePart(document_file_name) + " is used and locked by " + user_name + " on " +
                     computer_name + ".\nYou will not be able to save your changes.");
}

namespace {

bool MoveReplacing(const std::wstring& source, const std::wstring& target) {
  return MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// Moves the target to its name with "~" (then "~1", "~2"...): a name no file has, since a move
// onto a file is what moving aside avoids. False when it cannot; GetLastError() tells why.
bool MoveAside(const std::wstring& target, std::wstring& aside) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    aside = target + L"~" + (attempt > 0 ? std::to_wstring(attempt) : std::wstring());
    if (MoveFileExW(target.c_str(), aside.c_str(), 0)) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

// The old file moved aside while the new one takes its name, then deleted; put back when the
// new one cannot take it.
bool MoveWithOldAside(const std::wstring& source, const std::wstring& target) {
  if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
  }
  std::wstring aside;
  if (!MoveAside(target, aside)) return false;
  if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    MoveFileExW(aside.c_str(), target.c_str(), 0);
    SetLastError(error);
    return false;
  }
  DeleteFileW(aside.c_str());
  return true;
}

// Moves `from` onto `to`, replacing it, as `safety` says; from another volume the new file is
// first copied beside the target. On failure `from` and `to` are left as they were;
// GetLastError() tells why.
bool MoveOntoTarget(const std::string& from, const std::string& to, ReplaceSafety safety) {
  const std::wstring source = win::Widen(from);
  const std::wstring target = win::Widen(to);
  // Windows refuses to replace a read-only file or a folder; Wine's move replaces a read-only
  // file, and a folder would be moved aside. Refuse on both.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  const auto move = safety == ReplaceSafety::kAtomic ? MoveReplacing : MoveWithOldAside;
  if (move(source, target)) return true;
  if (GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  // Another volume: a copied move could leave a half-copied target. Copy beside the target
  // first, then move there.
  const std::string folder = FolderPart(to);
  wchar_t sibling[MAX_PATH] = {};
  if (GetTempFileNameW(win::Widen(folder.empty() ? "." : folder).c_str(), L"Pro", 0, sibling) &&
      CopyFileW(source.c_str(), sibling, FALSE) && move(sibling, target)) {
    DeleteFileW(source.c_str());
    return true;
  }
  const DWORD error = GetLastError();
  if (sibling[0] != L'\0') DeleteFileW(sibling);  // made, but not moved
  SetLastError(error);
  return false;
}

// MoveOntoTarget, tried again for a while when another process holds the target for a moment:
// another export of the same board reads the settings file this one replaces. A read-only file,
// a folder or a folder that takes no file refuses for good and is not tried again.
bool MoveOntoTargetWhenFree(const std::string& from, const std::string& to, ReplaceSafety safety) {
  constexpr int kAttempts = 50;
  constexpr DWORD kPauseMs = 20;  // a second in all
  for (int attempt = 1;; ++attempt) {
    if (MoveOntoTarget(from, to, safety)) return true;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(win::Widen(to).c_str());
    const bool blocked_for_good =
        (attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) ||
        (attempt == 1 && IsDenial(error) && FolderRefusesNewFiles(to));
    if (attempt == kAttempts || blocked_for_good ||
        (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) {
      SetLastError(error);
      return false;
    }
    Sleep(kPauseMs);
  }
}

// Replacements of one file by the programs of this machine take turns: two exports moving the old
// design file aside and theirs into its place at once would each find the file gone, or back.
class ReplacementTurn {
 public:
  explicit ReplacementTurn(const std::string& target) {
    wchar_t full[MAX_PATH * 2] = {};
    std::wstring path = win::Widen(target);
    const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
    if (length > 0 && length < MAX_PATH * 2) path.assign(full, length);
    CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    uint64_t hash = 0xCBF29CE484222325ULL;  // FNV-1a: the name may not hold backslashes
    for (const wchar_t c : path) hash = (hash ^ static_cast<uint16_t>(c)) * 0x100000001B3ULL;
    wchar_t name[64] = {};
    wsprintfW(name, L"Local\\TralvekReplace-%08lX%08lX", static_cast<unsigned long>(hash >> 32),
              static_cast<unsigned long>(hash));
    mutex_.reset(CreateMutexW(nullptr, FALSE, name));
    if (!mutex_) return;  // no turn to take: the replacement goes ahead as it did alone
    const DWORD waited = WaitForSingleObject(mutex_.get(), kLongestTurnMs);
    // An owner that died mid-replacement (a killed export) left the files as a crash would.
    owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~ReplacementTurn() {
    if (owned_) ReleaseMutex(mutex_.get());
  }
  ReplacementTurn(const ReplacementTurn&) = delete;
  ReplacementTurn& operator=(const ReplacementTurn&) = delete;

  // False when another program kept its turn for longer than anyone should wait.
  bool Taken() const { return owned_ || !mutex_; }

  static constexpr DWORD kLongestTurnMs = 30000;

 private:
  win::UniqueHandle mutex_;
  bool owned_ = false;
};

}  // namespace

bool ReplaceFileWithOwnershipCheck(const std::string& new_file, const std::string& target,
                                   std::string* failure, ReplaceSafety safety) {
  if (failure) failure->clear();
  if (IsSameText(new_file, target)) return true;
  std::string computer_name;
  std::string user_name;
  if (IsFileLockedByOther(target, computer_name, user_name)) {
    DeleteIfPresent(new_file);  // first: the warning may raise
    ShowFileLockedWarning(target, computer_name, user_name, LockedWarningMode::WorkspaceNotice);
    return false;
  }
  bool replaced = true;
  DocumentFileChange document(target);
  document.Begin();
  if (FileExists(new_file)) {
    const ReplacementTurn turn(target);
    std::string why;
    if (!turn.Taken()) {
      why = "another export was replacing the file for longer than " +
            std::to_string(ReplacementTurn::kLongestTurnMs / 1000) + " seconds";
    } else if (!MoveOntoTargetWhenFree(new_file, target, safety)) {
      why = ReplaceFailureText(target, GetLastError());
    }
    if (!why.empty()) {
      replaced = false;
      if (failure) *failure = why;
      DeleteIfPresent(new_file);
    }
  }
  document.End();
  return replaced;
}

std::string TemporaryFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length > 0 && length <= MAX_PATH ? win::Narrow(folder) : std::string();
}

std::string FileWriteFailure(const std::string& what, const std::string& target,
                             const std::string& cause) {
  return "Cannot write " + what + " " + target + ": " + cause;
}

std::string TemporaryFileFailure(const std::string& temporary, DWORD error) {
  if (temporary.empty()) {
    return "no temporary file can be made in the temporary folder " + TemporaryFolder() + " (" +
           SystemErrorText(error) + ")";
  }
  return "the temporary file " + temporary + " cannot be written (" + SystemErrorText(error) + ")";
}

std::string ReplaceFailureCause(const std::string& target, const std::string& failure) {
  if (!failure.empty()) return failure;
  std::string computer_name;
  std::string user_name;
  IsFileLockedByOther(target, computer_name, user_name);
  return "it is used and locked by " + user_name + " on " + computer_name;
}

StagedFileText::StagedFileText(std::string target, std::string_view text, std::string what)
    : target_(std::move(target)), what_(std::move(what)) {
  // Settings and do-files are written at every export and mostly hold what they held: writing
  // them again would cost a flush to the disk each.
  unchanged_ = framework::FileHoldsBytes(target_, text);
  if (unchanged_) return;
  temporary_ = CreateTempFileName();
  if (temporary_.empty()) {
    throw Exception(FileWriteFailure(what_, target_, TemporaryFileFailure({}, GetLastError())));
  }
  const DWORD error = TryWriteFileText(temporary_, text);
  if (error != ERROR_SUCCESS) {
    const std::string cause = TemporaryFileFailure(temporary_, error);
    DeleteIfPresent(temporary_);
    throw Exception(FileWriteFailure(what_, target_, cause));
  }
  held_.reset(CreateFileW(win::Widen(temporary_).c_str(), GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

StagedFileText::~StagedFileText() {
  held_.reset();
  if (!temporary_.empty()) DeleteIfPresent(temporary_);
}

StagedFileText::StagedFileText(StagedFileText&& other) noexcept
    : target_(std::move(other.target_)),
      what_(std::move(other.what_)),
      temporary_(std::exchange(other.temporary_, {})),
      held_(std::move(other.held_)),
      unchanged_(other.unchanged_) {}

void StagedFileText::CheckTarget() const {
  if (unchanged_) return;
  std::string computer_name;
  std::string user_name;
  if (IsFileLockedByOther(target_, computer_name, user_name)) {
    ShowFileLockedWarning(target_, computer_name, user_name, LockedWarningMode::WorkspaceNotice);
    throw Exception(FileWriteFailure(what_, target_, ReplaceFailureCause(target_, {})));
  }
  const DWORD attributes = GetFileAttributesW(win::Widen(target_).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    throw Exception(
        FileWriteFailure(what_, target_, ReplaceFailureText(target_, ERROR_ACCESS_DENIED)));
  }
}

void StagedFileText::Commit() {
  if (unchanged_) return;
  held_.reset();
  std::string failure;
  const bool replaced = ReplaceFileWithOwnershipCheck(temporary_, target_, &failure);
  // Moved onto the target, or deleted by a replacement that failed; one that raised left it to
  // the destructor.
  temporary_.clear();
  if (!replaced) {
    throw Exception(FileWriteFailure(what_, target_, ReplaceFailureCause(target_, failure)));
  }
}

void ReplaceFileText(const std::string& target, std::string_view text, const std::string& what) {
  StagedFileText(target, text, what).Commit();
}

void SaveIniFile(const framework::IniFile& ini) {
  ReplaceFileText(ini.Path(), ini.FileContent(), "the settings file");
}

}  // namespace sdk
