// One road to stored settings whether they live in the registry or in an ini file in memory:
// typed reads with defaults, writes, and erasing a section with everything below it.
#pragma once

#include <string>

#include "framework/ini_files.h"

namespace editors {

class TdxRegIniWrapper {
 public:
  TdxRegIniWrapper() = default;

  // The settings store; the caller owns it (the wrapper never frees it). Without one, reads
  // give their defaults and writes do nothing.
  framework::TCustomIniFile* IniFile = nullptr;

  bool ReadBool(const std::string& section, const std::string& name, bool fallback) const;
  int ReadInteger(const std::string& section, const std::string& name, int fallback) const;
  void WriteBool(const std::string& section, const std::string& name, bool value) const;
  void WriteInteger(const std::string& section, const std::string& name, int value) const;
  // The section and its sub-sections ("Section\Sub", sub-keys in the registry).
  void EraseSection(const std::string& section) const;
  void DeleteValue(const std::string& section, const std::string& name) const;
};

}  // namespace editors
