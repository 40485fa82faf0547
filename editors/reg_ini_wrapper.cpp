// The settings wrapper.
#include "editors/reg_ini_wrapper.h"

#include <string_view>
#include <vector>

#include "framework/win/text.h"

namespace editors {

bool TdxRegIniWrapper::ReadBool(const std::string& section, const std::string& name,
                                bool fallback) const {
  return IniFile ? IniFile->ReadBool(section, name, fallback) : fallback;
}

int TdxRegIniWrapper::ReadInteger(const std::string& section, const std::string& name,
                                  int fallback) const {
  return IniFile ? IniFile->ReadInteger(section, name, fallback) : fallback;
}

void TdxRegIniWrapper::WriteBool(const std::string& section, const std::string& name,
                                 bool value) const {
  if (IniFile) IniFile->WriteBool(section, name, value);
}

void TdxRegIniWrapper::WriteInteger(const std::string& section, const std::string& name,
                                    int value) const {
  if (IniFile) IniFile->WriteInteger(section, name, value);
}

void TdxRegIniWrapper::EraseSection(const std::string& section) const {
  if (!IniFile) return;
  // A registry store deletes the key's sub-keys itself; a file keeps sub-sections as sections
  // named below it, erased together: one by one, each erase would walk all the sections left.
  const std::string below = section + "\\";
  std::vector<std::string> erased;
  for (std::string& name : IniFile->ReadSections()) {
    if (name.size() > below.size() &&
        win::SameText(std::string_view(name).substr(0, below.size()), below)) {
      erased.push_back(std::move(name));
    }
  }
  erased.push_back(section);
  IniFile->EraseSections(erased);
}

void TdxRegIniWrapper::DeleteValue(const std::string& section, const std::string& name) const {
  if (IniFile) IniFile->DeleteKey(section, name);
}

}  // namespace editors
