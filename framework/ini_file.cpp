// Ini files read whole into memory.
#include "framework/ini_file.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "framework/exception.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace framework {

namespace {

// Names match without regard to ASCII letter case: equal names fold to one text.
std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return folded;
}

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool ParseInteger(const std::string& text, int& value) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last && first != last;
}

[[noreturn]] void RaiseReadError(const std::string& path) {
  const DWORD error = GetLastError();
  const std::string reason = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                                 ? "another program is using the file"
                                 : win::SystemErrorText(error);
  throw Exception("Cannot read the settings file " + path + ": " + reason);
}

// The file's bytes; empty when there is no such file.
std::string ReadWholeFile(const std::string& path) {
  // Other programs may have the file open: share everything, as the profile routines do.
  win::UniqueHandle file(CreateFileW(win::Widen(path).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
    RaiseReadError(path);
  }
  std::string text;
  char chunk[16384];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) RaiseReadError(path);
    if (read == 0) return text;
    text.append(chunk, read);
  }
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

void SwapByteOrder(std::string& bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

std::wstring Utf8ToWide(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// UTF-16 little-endian bytes as UTF-8; an odd last byte is no character and is dropped.
std::string Utf16ToUtf8(std::string_view bytes) {
  std::wstring wide(bytes.size() / 2, L'\0');
  std::copy_n(bytes.data(), wide.size() * 2, reinterpret_cast<char*>(wide.data()));
  return WideToUtf8(wide);
}

std::string Utf8ToUtf16(std::string_view text) {
  const std::wstring wide = Utf8ToWide(text);
  return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}

// UTF-16 without a byte-order mark, as some editors save "Unicode" text: the names, brackets and
// "=" of an ini file are ASCII, so at least half the characters have a 0 byte on the side the
// byte order gives, and the other byte of a pair is hardly ever 0. Plain otherwise.
IniFile::Encoding UnmarkedEncoding(std::string_view bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return IniFile::Encoding::Plain;
  size_t zeros[2] = {0, 0};  // at even and at odd offsets
  for (size_t i = 0; i < bytes.size(); ++i) zeros[i % 2] += bytes[i] == '\0';
  const size_t characters = bytes.size() / 2;
  auto high_byte_side = [&](size_t high, size_t low) {
    return zeros[high] * 2 >= characters && zeros[low] * 8 <= zeros[high];
  };
  if (high_byte_side(1, 0)) return IniFile::Encoding::Utf16LittleEndian;
  if (high_byte_side(0, 1)) return IniFile::Encoding::Utf16BigEndian;
  return IniFile::Encoding::Plain;
}

// The file's text without its byte-order mark, as UTF-8 when the file is UTF-16 or marked UTF-8.
std::string DecodeContent(std::string content, IniFile::Encoding& encoding, bool& marked) {
  std::string_view bytes = content;
  marked = true;
  if (bytes.starts_with(kUtf8Mark)) {
    encoding = IniFile::Encoding::Utf8;
    return content.substr(kUtf8Mark.size());
  }
  if (bytes.starts_with(kUtf16LittleEndianMark)) {
    encoding = IniFile::Encoding::Utf16LittleEndian;
    bytes.remove_prefix(kUtf16LittleEndianMark.size());
  } else if (bytes.starts_with(kUtf16BigEndianMark)) {
    encoding = IniFile::Encoding::Utf16BigEndian;
    bytes.remove_prefix(kUtf16BigEndianMark.size());
  } else {
    marked = false;
    encoding = UnmarkedEncoding(bytes);
  }
  switch (encoding) {
    case IniFile::Encoding::Utf16LittleEndian: return Utf16ToUtf8(bytes);
    case IniFile::Encoding::Utf16BigEndian: {
      std::string swapped(bytes);
      SwapByteOrder(swapped);
      return Utf16ToUtf8(swapped);
    }
    default: return content;
  }
}

// Text has few control characters; a binary file (or one in an encoding not told apart) has many
// (one in nine of random bytes). A stray NUL in a line of text keeps a file text.
bool LooksLikeText(std::string_view text) {
  size_t controls = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool layout = std::string_view("\t\n\v\f\r\x1A").find(c) != std::string_view::npos;
    controls += (byte < 0x20 && !layout) || byte == 0x7F;
  }
  return controls * 16 <= text.size();
}

}  // namespace

IniFile::IniFile(std::string path) : IniFile(std::move(path), Lines::Keep) {}

IniFile::IniFile(std::string path, Lines lines) : path_(std::move(path)) {
  const std::string text =
      DecodeContent(path_.empty() ? std::string() : ReadWholeFile(path_), encoding_, marked_);
  text_ = LooksLikeText(text);
  Parse(text, lines);
}

IniFile IniFile::FromText(std::string_view text, Lines lines) {
  IniFile ini(std::string(), lines);
  ini.text_ = LooksLikeText(text);
  ini.Parse(text, lines);
  return ini;
}

void IniFile::Parse(std::string_view text, Lines lines) {
  while (!text.empty()) {
    // A line ends at CR LF, CR or LF; the break stays with the line as the file holds it.
    const size_t end = text.find_first_of("\r\n");
    const size_t next = end == std::string_view::npos          ? text.size()
                        : text.substr(end).starts_with("\r\n") ? end + 2
                                                               : end + 1;
    const std::string_view line = Trimmed(text.substr(0, end));
    std::string as_read(text.substr(0, next));
    text.remove_prefix(next);
    if (!line.empty() && line.front() == '[') {
      // "[name]"; a header without its "]" still names a section, as the system reads it.
      const size_t close = line.rfind(']');
      const std::string_view name = Trimmed(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      AddSection(std::string(name)).header = std::move(as_read);
      continue;
    }
    if (sections_.empty()) AddSection({});
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      sections_.back().Append({std::string(line), {}, false, std::move(as_read)});
    } else {
      sections_.back().Append({std::string(Trimmed(line.substr(0, equals))),
                               std::string(Trimmed(line.substr(equals + 1))), true,
                               std::move(as_read)});
    }
  }
  if (lines == Lines::Join) JoinSections();
}

const IniFile::Entry* IniFile::Section::Find(const std::string& key) const {
  const auto found = keys.find(Folded(key));
  return found == keys.end() ? nullptr : &entries[found->second];
}

void IniFile::Section::Append(Entry entry) {
  if (entry.has_value) keys.try_emplace(Folded(entry.key), entries.size());
  entries.push_back(std::move(entry));
}

void IniFile::Section::Set(const std::string& key, const std::string& value) {
  const auto [found, added] = keys.try_emplace(Folded(key), entries.size());
  if (added) {
    entries.push_back({key, value, true, {}});
  } else if (Entry& entry = entries[found->second]; entry.value != value) {
    entry.value = value;
    entry.as_read.clear();
  }
}

void IniFile::Section::Reindex() {
  keys.clear();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].has_value) keys.try_emplace(Folded(entries[i].key), i);
  }
}

IniFile::Section& IniFile::AddSection(std::string name) {
  section_index_.try_emplace(Folded(name), sections_.size());
  sections_.push_back({std::move(name), {}, {}, {}});
  return sections_.back();
}

void IniFile::JoinSections() {
  std::vector<Section> read = std::exchange(sections_, {});
  section_index_.clear();
  for (Section& section : read) {
    if (section.name.empty()) continue;
    Section* joined = FindSection(section.name);
    if (!joined) joined = &AddSection(section.name);
    for (Entry& entry : section.entries) {
      if (entry.has_value && !entry.key.starts_with(';')) joined->Set(entry.key, entry.value);
    }
  }
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  const auto found = section_index_.find(Folded(name));
  return found == section_index_.end() ? nullptr : &sections_[found->second];
}

IniFile::Section* IniFile::FindSection(const std::string& name) {
  return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  const Section* found = FindSection(section);
  const Entry* entry = found ? found->Find(key) : nullptr;
  if (!entry) return fallback;
  const std::string& value = entry->value;
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  return quoted ? value.substr(1, value.size() - 2) : value;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
  int value = 0;
  return ParseInteger(ReadString(section, key, ""), value) ? value : fallback;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  Section* found = FindSection(section);
  (found ? *found : AddSection(section)).Set(key, value);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string& section) const {
  return !ReadSectionValues(section).empty();
}

bool IniFile::HasSection(const std::string& section) const {
  return FindSection(section) != nullptr;
}

void IniFile::WriteSection(const std::string& section) {
  if (!FindSection(section)) AddSection(section);
}

void IniFile::EraseSection(const std::string& section) { EraseSections({section}); }

void IniFile::EraseSections(const std::vector<std::string>& sections) {
  std::unordered_set<std::string> names;
  for (const std::string& section : sections) names.insert(Folded(section));
  std::erase_if(sections_, [&](const Section& s) { return names.count(Folded(s.name)) > 0; });
  section_index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) {
    section_index_.try_emplace(Folded(sections_[i].name), i);
  }
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  if (Section* found = FindSection(section)) {
    const std::string name = Folded(key);
    std::erase_if(found->entries,
                  [&](const Entry& entry) { return entry.has_value && Folded(entry.key) == name; });
    found->Reindex();
  }
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& section : sections_) {
    if (!section.name.empty()) names.push_back(section.name);
  }
  return names;
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& section) const {
  std::vector<std::string> lines;
  if (const Section* found = FindSection(section)) {
    for (const Entry& entry : found->entries) {
      if (entry.has_value) {
        lines.push_back(entry.key + "=" + entry.value);
      } else if (!entry.key.empty()) {  // not a blank line
        lines.push_back(entry.key);
      }
    }
  }
  return lines;
}

std::string IniFile::Text() const {
  std::string text;
  auto put = [&text](std::string_view line) {
    // The file's last line may lack its break: a line put after it needs one.
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += "\r\n";
    text += line;
  };
  for (const Section& section : sections_) {
    if (!section.header.empty()) {
      put(section.header);
    } else if (!section.name.empty()) {
      put("[" + section.name + "]\r\n");
    }
    for (const Entry& entry : section.entries) {
      if (!entry.as_read.empty()) {
        put(entry.as_read);
      } else {
        put(entry.has_value ? entry.key + "=" + entry.value + "\r\n" : entry.key + "\r\n");
      }
    }
  }
  return text;
}

std::string IniFile::FileContent() const {
  if (!text_) {
    throw Exception("Cannot write the settings file " + path_ +
                    ": it is not a text file, so it is left as it is");
  }
  switch (encoding_) {
    case Encoding::Plain: return Text();
    case Encoding::Utf8: return std::string(kUtf8Mark) + Text();
    case Encoding::Utf16LittleEndian:
      return std::string(marked_ ? kUtf16LittleEndianMark : "") + Utf8ToUtf16(Text());
    case Encoding::Utf16BigEndian: {
      std::string bytes = Utf8ToUtf16(Text());
      SwapByteOrder(bytes);
      return std::string(marked_ ? kUtf16BigEndianMark : "") + bytes;
    }
  }
  return Text();
}

}  // namespace framework
