// The settings wrapper.
#include "editors/reg_ini_wrapper.h"

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
  // named below it.
  const std::string below = section + "\\";
  for (const std::string& name : IniFile->ReadSections()) {
    if (name.size() > below.size() && win::SameText(name.substr(0, below.size()), below)) {
      IniFile->EraseSection(name);
    }
  }
  IniFile->EraseSection(section);
}

void TdxRegIniWrapper::DeleteValue(const std::string& section, const std::string& name) const {
  if (IniFile) IniFile->DeleteKey(section, name);
}

}  // namespace editors
