#include "sdk/pdf_help.h"

#include <windows.h>

#include <ddeml.h>

#include <string_view>

#include "framework/registry.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "sdk/common_utils.h"
#include "sdk/form_acrobat_reader_warning.h"

namespace sdk {
namespace {

constexpr char kWarningValue[] = "EnableAcrobatVersionPopup";

std::string WarningKey() { return "\\" + GetProductFamilyRegistryKey() + "\\Forms"; }

void RemoveAll(std::string& text, std::string_view what) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
    text.erase(at, what.size());
  }
}

bool ClassKeyExists(const std::string& key) {
  return framework::TRegistry(HKEY_CLASSES_ROOT, KEY_READ).KeyExists("\\" + key);
}

// The default value of the key, or nothing when the key is missing or unreadable.
bool ReadClassDefault(const std::string& key, std::string& value) {
  framework::TRegistry registry(HKEY_CLASSES_ROOT, KEY_READ);
  if (!registry.OpenKeyReadOnly("\\" + key)) return false;
  try {
    value = registry.ReadString("");
  } catch (const framework::ERegistryException&) {
    value.clear();
  }
  return true;
}

std::string ReaderProgram(std::string command) {
  const size_t end = command.find_last_not_of(' ');
  command.erase(end == std::string::npos ? 0 : end + 1);
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"') {
    command = command.substr(1, command.size() - 2);
  }
  return command;
}

bool StartProgram(const std::string& command_line) {
  std::wstring line = win::Widen(command_line);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  const win::UniqueHandle thread(process.hThread);
  const win::UniqueHandle started(process.hProcess);
  return true;
}

HDDEDATA CALLBACK IgnoreDdeEvents(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                  ULONG_PTR) noexcept {
  return nullptr;
}

class DdeInstance {
 public:
  DdeInstance() {
    if (DdeInitializeA(&id_, IgnoreDdeEvents, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) id_ = 0;
  }
  ~DdeInstance() {
    if (id_) DdeUninitialize(id_);
  }
  DdeInstance(const DdeInstance&) = delete;
  DdeInstance& operator=(const DdeInstance&) = delete;
  DWORD id() const noexcept { return id_; }

 private:
  DWORD id_ = 0;
};

class DdeString {
 public:
  DdeString(DWORD instance, const char* text)
      : instance_(instance), handle_(DdeCreateStringHandleA(instance, text, CP_WINANSI)) {}
  ~DdeString() {
    if (handle_) DdeFreeStringHandle(instance_, handle_);
  }
  DdeString(const DdeString&) = delete;
  DdeString& operator=(const DdeString&) = delete;
  HSZ get() const noexcept { return handle_; }

 private:
  DWORD instance_;
  HSZ handle_;
};

}  // namespace

std::string GetPdfReaderCommand() {
  std::string command;
  std::string document_class;
  if (!ReadClassDefault("acrobat\\Shell\\Open\\Command", command) &&
      ReadClassDefault(".PDF", document_class)) {
    ReadClassDefault(document_class + "\\Shell\\Open\\Command", command);
  }
  RemoveAll(command, "\"%1\"");
  RemoveAll(command, "%1");
  RemoveAll(command, "/u");
  return command;
}

int GetPdfReaderVersion(const std::string& command) {
  if (ClassKeyExists("AcroPDF.PDF.1")) return 7;
  if (ClassKeyExists("PDF.PdfCtrl.1")) return 4;
  for (int n = 2; n <= 10; ++n) {
    if (ClassKeyExists("PDF.PdfCtrl." + std::to_string(n))) return n;
  }
  uint64_t version = 0;
  try {
    version = GetFileVersion(ReaderProgram(command));
  } catch (const std::exception&) {
    // A reader program that cannot be read counts as one without a version.
  }
  const int major = static_cast<int>(version >> 48);
  return major == 0 ? 4 : major;
}

void SendPdfReaderDdeCommand(const std::string& text) {
  const DdeInstance instance;
  if (!instance.id()) return;
  const DdeString service(instance.id(), "acroview");
  const DdeString topic(instance.id(), "control");
  if (!service.get() || !topic.get()) return;
  CONVCONTEXT context{};
  context.cb = sizeof context;
  context.iCodePage = CP_WINANSI;
  const HCONV conversation = DdeConnect(instance.id(), service.get(), topic.get(), &context);
  if (!conversation) return;
  std::string data = text;
  DdeClientTransaction(reinterpret_cast<BYTE*>(data.data()), static_cast<DWORD>(data.size()),
                       conversation, nullptr, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, nullptr);
  DdeDisconnect(conversation);
}

bool ShowPdfHelp(const std::string& file_name, int page) {
  // The path goes between double quotes on the command line: one of its own would end them.
  if (file_name.find('"') != std::string::npos) return false;
  std::string file = file_name;
  if (!FileExists(file)) {
    const size_t slash = file.find_last_of("\\/:");
    file = GetFallbackHelpFolder() + (slash == std::string::npos ? file : file.substr(slash + 1));
    if (!FileExists(file)) return false;
  }
  const std::string command = GetPdfReaderCommand();
  const int version = GetPdfReaderVersion(command);
  const std::string quoted_file = " \"" + file + "\"";
  if (version < 6) {
    if (page != 1) ShowAcrobatReaderWarning();
    return StartProgram(command + quoted_file);
  }
  if (!StartProgram(command + " /a pagemode=bookmarks&page=" + std::to_string(page) +
                    quoted_file)) {
    return false;
  }
  SendPdfReaderDdeCommand("[DocGoTo(NULL, " + std::to_string(page - 1) + ")]");
  return true;
}

bool IsAcrobatWarningEnabled() {
  framework::TRegistry registry(HKEY_CURRENT_USER, KEY_READ);
  if (!registry.OpenKeyReadOnly(WarningKey())) return true;
  try {
    return !registry.ValueExists(kWarningValue) || registry.ReadBool(kWarningValue);
  } catch (const framework::ERegistryException&) {
    return true;
  }
}

void DisableAcrobatWarning() {
  framework::TRegistry registry(HKEY_CURRENT_USER);
  if (registry.OpenKey(WarningKey(), true)) registry.WriteBool(kWarningValue, false);
}

}  // namespace sdk
