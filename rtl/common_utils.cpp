// Where the host keeps its settings.
#include "rtl/common_utils.h"

#include <windows.h>

#include <optional>

#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "framework/win/text.h"

namespace rtl {

namespace {

constexpr char kDefaultPreferenceKey[] = "\\Zelmar2004";
constexpr wchar_t kPreferenceSection[] = L"Preference Location";
constexpr wchar_t kPreferenceName[] = L"Application";

std::optional<std::string> cached_preference_key;

// The registry holds the ini-style section as a subkey with string values.
std::optional<std::string> PreferenceFolderFromRegistry() {
  win::UniqueKey key;
  const std::wstring path = std::wstring(L"Software") + win::Widen(kDefaultPreferenceKey) + L"\\" +
                            kPreferenceSection;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), kPreferenceName, nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.get(), kPreferenceName, nullptr, nullptr,
                       reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return win::Narrow(value);
}

std::optional<std::string> PreferenceFolderFromIniFile() {
  const std::wstring ini = win::Widen(GetSystemFolder() + "PrefFolder.ini");
  wchar_t value[MAX_PATH] = {};
  GetPrivateProfileStringW(kPreferenceSection, kPreferenceName, L"\x01", value, MAX_PATH,
                           ini.c_str());
  if (std::wstring_view(value) == L"\x01") return std::nullopt;  // no such key
  return win::Narrow(value);
}

}  // namespace

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

std::string GetApplicationFolder() {
  const std::string path = win::Narrow(win::ModuleFileName(GetModuleHandleW(nullptr)));
  return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string GetSystemFolder() { return GetApplicationFolder() + "System\\"; }

void ResetApplicationPreferenceKey() { cached_preference_key.reset(); }

}  // namespace rtl
