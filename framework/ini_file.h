// Ini files through the system's profile routines: every write goes straight to the file.
#pragma once

#include <string>
#include <vector>

namespace framework {

class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}
  const std::string& Path() const noexcept { return path_; }

  // The value, or `fallback` when the key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // A decimal integer; `fallback` when the key is missing or its value is no integer.
  int ReadInteger(const std::string& section, const std::string& key, int fallback) const;
  // Any integer other than 0 reads as true; no integer gives `fallback`.
  bool ReadBool(const std::string& section, const std::string& key, bool fallback) const;

  // Raise framework::Exception when the file cannot be written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);  // "1" / "0"

  // A section with at least one key.
  bool SectionExists(const std::string& section) const;
  void EraseSection(const std::string& section);
  // The section's "key=value" lines in file order.
  std::vector<std::string> ReadSectionValues(const std::string& section) const;

 private:
  std::string path_;
};

}  // namespace framework
