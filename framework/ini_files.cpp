// The four kinds of settings files.
#include "framework/ini_files.h"

#include <windows.h>

#include <algorithm>
#include <charconv>

#include "framework/file_content.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace framework {

namespace {

bool ParseInteger(const std::string& text, int& value) {
  const bool hex = !text.empty() && text[0] == '$';
  const char* first = text.data() + (hex ? 1 : 0);
  const char* last = text.data() + text.size();
  if (first == last) return false;
  if (hex) {
    unsigned bits = 0;
    const auto [end, error] = std::from_chars(first, last, bits, 16);
    value = static_cast<int>(bits);
    return error == std::errc() && end == last;
  }
  if (*first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last && first != last;
}

// Puts `text` onto the file in one step: a temporary file beside it is written whole and then
// replaces it, so that a full disk or a failed write leaves the old file as it was. Settings are
// stored again after every change and mostly stand as they were: an unchanged file is left alone.
void ReplaceFileText(const std::string& path, const std::string& text) {
  if (FileHoldsBytes(path, text)) return;
  const std::wstring temporary = win::Widen(path + ".tmp");
  DWORD error = ERROR_SUCCESS;
  {
    win::UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    SetLastError(ERROR_SUCCESS);
    if (!file) {
      error = GetLastError();
    } else if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                          nullptr) ||
               written != text.size() || !FlushFileBuffers(file.get())) {
      // A write that stops short without an error of its own found the disk full.
      error = GetLastError() == ERROR_SUCCESS ? DWORD{ERROR_DISK_FULL} : GetLastError();
    }
  }
  if (error == ERROR_SUCCESS && !MoveFileExW(temporary.c_str(), win::Widen(path).c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != ERROR_SUCCESS) {
    DeleteFileW(temporary.c_str());
    throw Exception("Cannot write the file " + path + ": " + win::SystemErrorText(error));
  }
}

}  // namespace

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                int fallback) {
  int value = 0;
  return ParseInteger(ReadString(section, ident, ""), value) ? value : fallback;
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool fallback) {
  return ReadInteger(section, ident, fallback ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteInteger(section, ident, value ? 1 : 0);
}

std::vector<std::string> TCustomIniFile::ReadSectionValues(const std::string& section) {
  std::vector<std::string> lines;
  for (const std::string& ident : ReadSection(section)) {
    lines.push_back(ident + "=" + ReadString(section, ident, ""));
  }
  return lines;
}

void TCustomIniFile::EraseSections(const std::vector<std::string>& sections) {
  for (const std::string& section : sections) EraseSection(section);
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  const std::vector<std::string> idents = ReadSection(section);
  return std::any_of(idents.begin(), idents.end(),
                     [&](const std::string& name) { return win::SameText(name, ident); });
}

// ---- TMemIniFile ----------------------------------------------------------------------------

std::vector<std::string> TMemIniFile::ReadSection(const std::string& section) {
  std::vector<std::string> idents;
  for (const std::string& line : ini_.ReadSectionValues(section)) {
    idents.push_back(line.substr(0, line.find('=')));
  }
  return idents;
}

void TMemIniFile::UpdateFile() {
  if (!FileName().empty()) ReplaceFileText(FileName(), ini_.FileContent());
}

// ---- TIniFile -------------------------------------------------------------------------------

namespace {

// Profile reads report truncation only by filling the buffer: grow until the answer fits.
template <class Read>
std::wstring ReadGrowing(Read&& read, DWORD reserve) {
  std::wstring buffer(1024, L'\0');
  for (;;) {
    const DWORD length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length + reserve < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(buffer.size() * 4);
  }
}

// The zero-separated list the profile routines return.
std::vector<std::string> SplitList(const std::wstring& block) {
  std::vector<std::string> items;
  for (size_t start = 0; start < block.size();) {
    const size_t end = std::min(block.find(L'\0', start), block.size());
    items.push_back(win::Narrow(std::wstring_view(block).substr(start, end - start)));
    start = end + 1;
  }
  return items;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& fallback) {
  const std::wstring wsection = win::Widen(section), wident = win::Widen(ident),
                     wpath = win::Widen(FileName());
  // A marker no stored value can hold tells a missing key from an empty value.
  static const std::wstring kMissing = L"\x01\x02missing";
  const std::wstring value = ReadGrowing(
      [&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileStringW(wsection.c_str(), wident.c_str(), kMissing.c_str(), buffer,
                                        size, wpath.c_str());
      },
      1);
  return value == kMissing ? fallback : win::Narrow(value);
}

void TIniFile::Change(const std::function<void(IniFile&)>& change) {
  // A bare name means a file in the Windows folder to the profile routines that read it.
  std::string path = FileName();
  if (path.find_first_of("\\/") == std::string::npos) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
      throw Exception("Cannot find the Windows folder for the file " + path);
    }
    path = win::Narrow(std::wstring_view(folder, length)) + "\\" + path;
  }
  // The file's lines as they stand, so that comments and lines of other programs survive.
  IniFile ini(path);
  change(ini);
  ReplaceFileText(path, ini.FileContent());
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  Change([&](IniFile& ini) { ini.WriteString(section, ident, value); });
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) {
  const std::wstring wsection = win::Widen(section), wpath = win::Widen(FileName());
  // Without a key the routine lists the section's keys.
  return SplitList(ReadGrowing(
      [&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileStringW(wsection.c_str(), nullptr, L"", buffer, size,
                                        wpath.c_str());
      },
      2));
}

std::vector<std::string> TIniFile::ReadSections() {
  const std::wstring wpath = win::Widen(FileName());
  return SplitList(ReadGrowing(
      [&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileSectionNamesW(buffer, size, wpath.c_str());
      },
      2));
}

void TIniFile::EraseSection(const std::string& section) {
  Change([&](IniFile& ini) { ini.EraseSection(section); });
}

void TIniFile::EraseSections(const std::vector<std::string>& sections) {
  Change([&](IniFile& ini) { ini.EraseSections(sections); });
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  Change([&](IniFile& ini) { ini.DeleteKey(section, ident); });
}

// ---- TRegistryIniFile and TRegIniFile -------------------------------------------------------

TRegistryIniFile::TRegistryIniFile(const std::string& key, HKEY root)
    : TCustomIniFile(key), root_(root) {}

bool TRegistryIniFile::OpenSection(TRegistry& registry, const std::string& section,
                                   bool create) const {
  registry.SetRootKey(root_);
  const std::string path = "\\" + FileName() + (section.empty() ? "" : "\\" + section);
  return create ? registry.OpenKey(path, true) : registry.OpenKeyReadOnly(path);
}

std::string TRegistryIniFile::ReadString(const std::string& section, const std::string& ident,
                                         const std::string& fallback) {
  TRegistry registry;
  if (!OpenSection(registry, section, false)) return fallback;
  const DWORD type = registry.ValueType(ident);
  if (type == REG_SZ || type == REG_EXPAND_SZ) return registry.ReadString(ident);
  if (type == REG_DWORD) return std::to_string(registry.ReadInteger(ident));
  return fallback;
}

void TRegistryIniFile::WriteString(const std::string& section, const std::string& ident,
                                   const std::string& value) {
  TRegistry registry;
  if (!OpenSection(registry, section, true)) {
    throw ERegistryException("Cannot create the registry key " + FileName() + "\\" + section);
  }
  registry.WriteString(ident, value);
}

int TRegistryIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                  int fallback) {
  TRegistry registry;
  if (OpenSection(registry, section, false) && registry.ValueType(ident) == REG_DWORD) {
    return registry.ReadInteger(ident);
  }
  return TCustomIniFile::ReadInteger(section, ident, fallback);
}

void TRegistryIniFile::WriteInteger(const std::string& section, const std::string& ident,
                                    int value) {
  TRegistry registry;
  if (!OpenSection(registry, section, true)) {
    throw ERegistryException("Cannot create the registry key " + FileName() + "\\" + section);
  }
  registry.WriteInteger(ident, value);
}

std::vector<std::string> TRegistryIniFile::ReadSection(const std::string& section) {
  TRegistry registry;
  return OpenSection(registry, section, false) ? registry.GetValueNames()
                                               : std::vector<std::string>();
}

std::vector<std::string> TRegistryIniFile::ReadSections() {
  TRegistry registry;
  return OpenSection(registry, "", false) ? registry.GetKeyNames() : std::vector<std::string>();
}

void TRegistryIniFile::EraseSection(const std::string& section) {
  TRegistry registry(root_);
  registry.DeleteKey("\\" + FileName() + "\\" + section);
}

void TRegistryIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  TRegistry registry;
  if (OpenSection(registry, section, true)) registry.DeleteValue(ident);
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int fallback) {
  return TCustomIniFile::ReadInteger(section, ident, fallback);
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  TCustomIniFile::WriteInteger(section, ident, value);
}

}  // namespace framework
