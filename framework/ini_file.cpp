// Ini files through the system's profile routines.
#include "framework/ini_file.h"

#include <windows.h>

#include <charconv>

#include "framework/exception.h"
#include "framework/win/text.h"

namespace framework {

namespace {

// Profile reads report truncation only by filling the buffer: grow until the answer fits.
template <class Read>
std::wstring ReadGrowing(Read&& read, DWORD reserve) {
  std::wstring buffer(256, L'\0');
  for (;;) {
    const DWORD length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length + reserve < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(buffer.size() * 4);
  }
}

bool ParseInteger(const std::string& text, int& value) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last && first != last;
}

}  // namespace

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  const std::wstring wsection = win::Widen(section), wkey = win::Widen(key),
                     wpath = win::Widen(path_);
  // A marker no stored value can hold tells a missing key from an empty value.
  static const std::wstring kMissing = L"\x01\x02missing";
  const std::wstring value = ReadGrowing(
      [&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileStringW(wsection.c_str(), wkey.c_str(), kMissing.c_str(), buffer,
                                        size, wpath.c_str());
      },
      1);
  return value == kMissing ? fallback : win::Narrow(value);
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
  if (!WritePrivateProfileStringW(win::Widen(section).c_str(), win::Widen(key).c_str(),
                                  win::Widen(value).c_str(), win::Widen(path_).c_str())) {
    throw Exception("Cannot write the file " + path_);
  }
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

void IniFile::EraseSection(const std::string& section) {
  WritePrivateProfileStringW(win::Widen(section).c_str(), nullptr, nullptr,
                             win::Widen(path_).c_str());
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& section) const {
  const std::wstring wsection = win::Widen(section), wpath = win::Widen(path_);
  const std::wstring block = ReadGrowing(
      [&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileSectionW(wsection.c_str(), buffer, size, wpath.c_str());
      },
      2);
  std::vector<std::string> lines;
  for (size_t start = 0; start < block.size();) {
    const size_t end = block.find(L'\0', start);
    const size_t stop = end == std::wstring::npos ? block.size() : end;
    if (stop > start) lines.push_back(win::Narrow(block.substr(start, stop - start)));
    start = stop + 1;
  }
  return lines;
}

}  // namespace framework
