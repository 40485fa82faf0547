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

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& fallback) {
  return ini_.ReadString(section, ident, fallback);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  ini_.WriteString(section, ident, value);
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) {
  std::vector<std::string> idents;
  for (const std::string& line : ini_.ReadSectionValues(section)) {
    idents.push_back(line.substr(0, line.find('=')));
  }
  return idents;
}

std::vector<std::string> TIniFile::ReadSections() {
  std::wstring buffer(4096, L'\0');
  DWORD length = 0;
  for (;;) {
    length = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()),
                                            win::Widen(FileName()).c_str());
    if (length + 2 < buffer.size()) break;
    buffer.resize(buffer.size() * 4);
  }
  std::vector<std::string> names;
  for (size_t start = 0; start < length;) {
    const size_t end = buffer.find(L'\0', start);
    names.push_back(win::Narrow(std::wstring_view(buffer).substr(start, end - start)));
    start = end + 1;
  }
  return names;
}

void TIniFile::EraseSection(const std::string& section) { ini_.EraseSection(section); }

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  WritePrivateProfileStringW(win::Widen(section).c_str(), win::Widen(ident).c_str(), nullptr,
                             win::Widen(FileName()).c_str());
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
