// The four kinds of settings files.
#include "framework/ini_files.h"

#include <windows.h>

#include <algorithm>
#include <charconv>

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

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  const std::vector<std::string> idents = ReadSection(section);
  return std::any_of(idents.begin(), idents.end(),
                     [&](const std::string& name) { return win::SameText(name, ident); });
}

// ---- TMemIniFile ----------------------------------------------------------------------------

TMemIniFile::TMemIniFile(const std::string& file_name) : TCustomIniFile(file_name) {
  if (file_name.empty() ||
      GetFileAttributesW(win::Widen(file_name).c_str()) == INVALID_FILE_ATTRIBUTES) {
    return;
  }
  TStringList lines;
  lines.LoadFromFile(file_name);
  SetStrings(lines);
}

TMemIniFile::Section* TMemIniFile::Find(const std::string& section) {
  for (Section& entry : sections_) {
    if (win::SameText(entry.name, section)) return &entry;
  }
  return nullptr;
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& fallback) {
  if (const Section* entry = Find(section)) {
    for (const auto& [name, value] : entry->values) {
      if (win::SameText(name, ident)) return value;
    }
  }
  return fallback;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident,
                              const std::string& value) {
  Section* entry = Find(section);
  if (!entry) entry = &sections_.emplace_back(Section{section, {}});
  for (auto& [name, stored] : entry->values) {
    if (win::SameText(name, ident)) {
      stored = value;
      return;
    }
  }
  entry->values.emplace_back(ident, value);
}

std::vector<std::string> TMemIniFile::ReadSection(const std::string& section) {
  std::vector<std::string> idents;
  if (const Section* entry = Find(section)) {
    for (const auto& value : entry->values) idents.push_back(value.first);
  }
  return idents;
}

std::vector<std::string> TMemIniFile::ReadSections() {
  std::vector<std::string> names;
  for (const Section& entry : sections_) names.push_back(entry.name);
  return names;
}

void TMemIniFile::EraseSection(const std::string& section) {
  std::erase_if(sections_,
                [&](const Section& entry) { return win::SameText(entry.name, section); });
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  if (Section* entry = Find(section)) {
    std::erase_if(entry->values,
                  [&](const auto& value) { return win::SameText(value.first, ident); });
  }
}

void TMemIniFile::GetStrings(TStringList& lines) const {
  lines.Clear();
  for (const Section& entry : sections_) {
    if (lines.Count() > 0) lines.Add("");
    lines.Add("[" + entry.name + "]");
    for (const auto& [name, value] : entry.values) lines.Add(name + "=" + value);
  }
}

void TMemIniFile::SetStrings(const TStringList& lines) {
  sections_.clear();
  Section* current = nullptr;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string line = Trim(lines[i]);
    if (line.empty() || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      const std::string name = line.substr(1, line.size() - 2);
      current = Find(name);
      if (!current) current = &sections_.emplace_back(Section{name, {}});
      continue;
    }
    if (!current) continue;  // values before the first section belong to none
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    // Trimmed on both sides, as the profile routines read them.
    WriteString(current->name, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
  }
}

void TMemIniFile::UpdateFile() {
  if (FileName().empty()) return;
  TStringList lines;
  GetStrings(lines);
  const std::string temporary = FileName() + ".tmp";
  try {
    lines.SaveToFile(temporary);
  } catch (const EStreamError&) {
    DeleteFileW(win::Widen(temporary).c_str());
    throw Exception("Cannot write the file " + FileName());
  }
  if (!MoveFileExW(win::Widen(temporary).c_str(), win::Widen(FileName()).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(win::Widen(temporary).c_str());
    throw Exception("Cannot write the file " + FileName());
  }
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

void TIniFile::Write(const wchar_t* section, const wchar_t* ident, const wchar_t* value) {
  if (!WritePrivateProfileStringW(section, ident, value, win::Widen(FileName()).c_str())) {
    throw Exception("Cannot write the file " + FileName());
  }
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  Write(win::Widen(section).c_str(), win::Widen(ident).c_str(), win::Widen(value).c_str());
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
  Write(win::Widen(section).c_str(), nullptr, nullptr);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  Write(win::Widen(section).c_str(), win::Widen(ident).c_str(), nullptr);
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
