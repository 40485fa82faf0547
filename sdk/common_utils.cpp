// Where the host keeps its settings, test mode, message boxes and system queries.
#include "sdk/common_utils.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <optional>
#include <vector>

#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "sdk/client_api.h"
#include "sdk/exceptions.h"
#include "sdk/text_file.h"

namespace sdk {

namespace {

constexpr char kDefaultPreferenceKey[] = "\\Zelmar2004";
constexpr wchar_t kPreferenceSection[] = L"Preference Location";
constexpr wchar_t kPreferenceName[] = L"Application";

std::optional<std::string> cached_preference_key;
std::optional<std::map<LCID, LCID>> language_mappings;
std::optional<std::string> forms_key;

bool FolderExists(const std::string& folder) {
  const DWORD attributes = GetFileAttributesW(win::Widen(folder).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An empty folder name would put the settings straight under "Software": treat it as unset.
std::optional<std::string> NonEmpty(std::wstring_view value) {
  if (value.empty()) return std::nullopt;
  return win::Narrow(value);
}

// The registry form of the settings file: the section is a subkey, the entries string values.
std::optional<std::string> PreferenceFolderFromRegistry() {
  win::UniqueKey key;
  const std::wstring path =
      std::wstring(L"Software") + win::Widen(kDefaultPreferenceKey) + L"\\" + kPreferenceSection;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), kPreferenceName, nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.get(), kPreferenceName, nullptr, nullptr,
                       reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return NonEmpty(value);
}

std::optional<std::string> PreferenceFolderFromIniFile() {
  const std::wstring ini = win::Widen(GetSystemFolder() + "PrefFolder.ini");
  wchar_t value[MAX_PATH] = {};
  GetPrivateProfileStringW(kPreferenceSection, kPreferenceName, L"", value, MAX_PATH, ini.c_str());
  return NonEmpty(value);
}

const std::map<LCID, LCID>& LanguageMappings() {
  if (!language_mappings) {
    language_mappings.emplace();  // one attempt per process, found or not
    const std::string file = GetResourcesFolder() + "LanguageMappings.dat";
    if (FileExists(file)) {
      try {
        *language_mappings = ParseLanguageMappings(ReadFileText(file));
      } catch (const Exception&) {
        // An unreadable table maps nothing, as a missing one.
      }
    }
  }
  return *language_mappings;
}

// A decimal integer as the component framework reads one: optional sign, digits, nothing else.
std::optional<long long> ParseDecimal(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > 0xFFFFFFFFLL) return std::nullopt;
  }
  return negative ? -value : value;
}

std::string WithDefaultCaption(const std::string& caption, const char* fallback) {
  return caption.empty() ? std::string(fallback) : caption;
}

bool KeyDown(int key) { return GetKeyState(key) < 0; }

OSVERSIONINFOW WindowsVersion() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExW(&version);
  return version;
}

}  // namespace

// ---- Settings and folders ------------------------------------------------------------------

std::string GetApplicationPreferenceKey() {
  if (!cached_preference_key) {
    std::optional<std::string> folder = PreferenceFolderFromRegistry();
    if (!folder) folder = PreferenceFolderFromIniFile();
    cached_preference_key = folder ? "\\" + *folder : std::string(kDefaultPreferenceKey);
  }
  return *cached_preference_key;
}

std::string GetRegistryKeyPath() { return "Software" + GetApplicationPreferenceKey(); }

std::string GetProductFamilyRegistryKey() { return GetRegistryKeyPath() + "\\Marvuna"; }

std::string GetFormsKey() {
  if (!forms_key) forms_key = GetProductFamilyRegistryKey() + "\\Forms\\";
  return *forms_key;
}

std::string GetSpecialFolder(int folder_id) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, folder_id, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return win::Narrow(path);
}

std::string GetApplicationDataFolder() { return GetSpecialFolder(CSIDL_APPDATA); }

std::string MakeApplicationFolder() {
  const std::string folder = GetApplicationDataFolder() + GetApplicationPreferenceKey();
  if (!FolderExists(folder)) CreateDirectoryW(win::Widen(folder).c_str(), nullptr);
  return folder;
}

std::string GetApplicationFolder() {
  const std::wstring path = win::ModuleFileName(GetHostModuleHandle());
  wchar_t full[MAX_PATH * 4];
  wchar_t* file_part = nullptr;
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, &file_part);
  if (length == 0 || length >= MAX_PATH * 4 || !file_part) {
    const std::string narrow = win::Narrow(path);
    return narrow.substr(0, narrow.find_last_of("\\/") + 1);
  }
  *file_part = L'\0';
  return win::Narrow(full);
}

std::string GetSystemFolder() { return GetApplicationFolder() + "System\\"; }

std::string GetResourcesFolder() { return GetSystemFolder() + "Resources\\"; }

std::string GetLanguageFolder() {
  if (!ClientAPI_GetUseSystemLocaleLanguage()) return GetSystemFolder();
  const std::string candidate = GetResourcesFolder() + std::to_string(GetLanguageId()) + "\\";
  if (FolderExists(candidate)) return candidate;
  return GetResourcesFolder() + std::to_string(GetSystemLanguageId()) + "\\";
}

std::string GetHelpFolder() { return GetLanguageFolder() + "Help\\"; }

std::string GetFallbackHelpFolder() { return GetApplicationFolder() + "Help\\"; }

std::string ResolveHelpFileName(const std::string& name) {
  if (name.find_first_of("\\/:") != std::string::npos) return name;
  const std::string localized = GetHelpFolder() + name;
  if (FileExists(localized)) return localized;
  return GetFallbackHelpFolder() + name;
}

LCID GetLanguageId() {
  const LCID system = GetSystemDefaultLCID();
  const std::map<LCID, LCID>& mappings = LanguageMappings();
  const auto found = mappings.find(system);
  return found != mappings.end() ? found->second : system;
}

LCID GetSystemLanguageId() { return GetSystemDefaultLCID() & ~static_cast<LCID>(0xFC00); }

std::map<LCID, LCID> ParseLanguageMappings(std::string_view text) {
  std::map<LCID, LCID> mappings;
  for (const std::string_view line : SplitLines(text)) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::optional<long long> from = ParseDecimal(line.substr(0, equals));
    const std::optional<long long> to = ParseDecimal(line.substr(equals + 1));
    if (!from || !to) continue;
    mappings.emplace(static_cast<LCID>(*from), static_cast<LCID>(*to));  // first one wins
  }
  return mappings;
}

// The host's busy-cursor exports are not bound: this module shows no busy cursor.
void ResetApplicationPreferenceKey() {
  cached_preference_key.reset();
  language_mappings.reset();
  forms_key.reset();
}

// ---- Message boxes ---------------------------------------------------------------------------

int ShowDialogWithCaption(const std::string& caption, const std::string& message,
                          framework::MessageKind kind, framework::MessageButtons buttons) {
  if (IsTestMode()) {
    WriteStandardOutput("ShowDialogWithCaption with" + caption + " " + message + "\r\n");
    TerminateCurrentProcess(1);
  }
  return framework::ShowMessageDialog({caption, message, kind, buttons});
}

void ShowErrorMessage(const std::string& message, const std::string& caption) {
  ShowDialogWithCaption(WithDefaultCaption(caption, "Error"), message,
                        framework::MessageKind::Error, framework::MessageButtons::Ok);
}

void ShowInformationMessage(const std::string& message, const std::string& caption) {
  ShowDialogWithCaption(WithDefaultCaption(caption, "Information"), message,
                        framework::MessageKind::Information, framework::MessageButtons::Ok);
}

void ShowWarningMessage(const std::string& message, const std::string& caption) {
  ShowDialogWithCaption(WithDefaultCaption(caption, "Warning"), message,
                        framework::MessageKind::Warning, framework::MessageButtons::Ok);
}

// ---- Test mode -------------------------------------------------------------------------------

bool IsTestMode() {
  win::UniqueKey key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestModeKey, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void TerminateCurrentProcess(UINT exit_code) {
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), exit_code);
  ExitProcess(exit_code);  // not reached; TerminateProcess on ourselves does not return
}

void WriteStandardOutput(std::string_view text) {
  // Straight to the handle: the host's runtime and ours buffer separately, and the process
  // may end right after this.
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!output || output == INVALID_HANDLE_VALUE) return;
  while (!text.empty()) {
    DWORD written = 0;
    if (!WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written == 0) {
      return;
    }
    text.remove_prefix(written);
  }
}

// ---- System queries --------------------------------------------------------------------------

bool IsCtrlDown() { return KeyDown(VK_CONTROL); }
bool IsShiftDown() { return KeyDown(VK_SHIFT); }
bool IsAltDown() { return KeyDown(VK_MENU); }

bool IsWindows2000() {
  const OSVERSIONINFOW version = WindowsVersion();
  return version.dwMajorVersion == 5 && version.dwMinorVersion == 0;
}

bool IsWindowsVistaOrLater() { return WindowsVersion().dwMajorVersion >= 6; }

bool IsSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

HMODULE GetHostModuleHandle() { return GetModuleHandleW(nullptr); }

namespace {
std::string SystemFolderText(UINT(WINAPI* query)(LPWSTR, UINT)) {
  const UINT needed = query(nullptr, 0);
  if (needed == 0) return {};
  std::wstring folder(needed, L'\0');
  const UINT length = query(folder.data(), needed);
  if (length == 0 || length >= needed) return {};
  folder.resize(length);
  return win::Narrow(folder);
}
}  // namespace

bool FileExists(const std::string& file) {
  const DWORD attributes = GetFileAttributesW(win::Widen(file).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string GetWindowsFolder() { return SystemFolderText(GetWindowsDirectoryW); }
std::string GetWindowsSystemFolder() { return SystemFolderText(GetSystemDirectoryW); }

std::string GetEnvironmentValue(const std::string& name) {
  const std::wstring wide_name = win::Widen(name);
  std::wstring value;
  // The size comes from the first call; the variable may grow between the calls.
  for (DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0); size > 0;) {
    value.assign(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
    if (length < size) {
      value.resize(length);
      return win::Narrow(value);
    }
    size = length;
  }
  return {};
}

std::string GetComputerNameText() {
  wchar_t name[257] = {};
  DWORD size = 257;
  if (!GetComputerNameW(name, &size)) return {};
  return win::Narrow(std::wstring_view(name, size));
}

std::string GetUserNameText() {
  wchar_t name[257] = {};
  DWORD size = 257;
  if (!GetUserNameW(name, &size)) return {};
  return win::Narrow(name);
}

uint64_t GetFileVersion(const std::string& file_name) {
  const std::wstring wide = win::Widen(file_name);
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &unused);
  if (size == 0) {
    const DWORD error = GetLastError();
    if (error == ERROR_RESOURCE_DATA_NOT_FOUND || error == ERROR_RESOURCE_TYPE_NOT_FOUND) return 0;
    throw Exception("Cannot read the version of " + file_name + ": " + SystemErrorText(error));
  }
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, data.data())) {
    throw Exception("Cannot read the version of " + file_name + ": " +
                    SystemErrorText(GetLastError()));
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return 0;
  }
  return (static_cast<uint64_t>(fixed->dwFileVersionMS) << 32) | fixed->dwFileVersionLS;
}

std::string SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "system error " + std::to_string(error);
  return win::Narrow(text);
}

}  // namespace sdk
