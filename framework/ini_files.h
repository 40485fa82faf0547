// Settings as sections of name=value pairs, stored four ways behind one interface: a file kept
// in memory and written on UpdateFile (TMemIniFile), a file read through the system's profile
// routines and changed at once (TIniFile, for files other programs change too), and registry keys
// with typed values (TRegistryIniFile) or with every value a string (TRegIniFile). Files are
// always written whole through a temporary file: a failed write leaves them as they were.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/exception.h"
#include "framework/ini_file.h"
#include "framework/registry.h"

namespace framework {

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string file_name) : file_name_(std::move(file_name)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  // The file's path, or the registry key's.
  const std::string& FileName() const noexcept { return file_name_; }

  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& fallback) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) = 0;
  // Decimal or $hexadecimal; `fallback` when missing or not a number.
  virtual int ReadInteger(const std::string& section, const std::string& ident, int fallback);
  virtual void WriteInteger(const std::string& section, const std::string& ident, int value);
  bool ReadBool(const std::string& section, const std::string& ident, bool fallback);
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  // The names of the section, in stored order.
  virtual std::vector<std::string> ReadSection(const std::string& section) = 0;
  virtual std::vector<std::string> ReadSections() = 0;
  // "name=value" lines.
  std::vector<std::string> ReadSectionValues(const std::string& section);
  virtual void EraseSection(const std::string& section) = 0;
  // Erases each of the sections; a file store does it in one pass, whatever their number.
  virtual void EraseSections(const std::vector<std::string>& sections);
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  bool SectionExists(const std::string& section) { return !ReadSection(section).empty(); }
  bool ValueExists(const std::string& section, const std::string& ident);
  // Writes what is only in memory; the others write at once.
  virtual void UpdateFile() {}

 private:
  std::string file_name_;
};

class TMemIniFile : public TCustomIniFile {
 public:
  // Reads the file when it exists; an empty name keeps everything in memory.
  explicit TMemIniFile(const std::string& file_name)
      : TCustomIniFile(file_name), ini_(file_name, IniFile::Lines::Join) {}
  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& fallback) override {
    return ini_.ReadString(section, ident, fallback);
  }
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override {
    ini_.WriteString(section, ident, value);
  }
  std::vector<std::string> ReadSection(const std::string& section) override;
  std::vector<std::string> ReadSections() override { return ini_.SectionNames(); }
  void EraseSection(const std::string& section) override { ini_.EraseSection(section); }
  void EraseSections(const std::vector<std::string>& sections) override {
    ini_.EraseSections(sections);
  }
  void DeleteKey(const std::string& section, const std::string& ident) override {
    ini_.DeleteKey(section, ident);
  }
  // Writes the whole file through a temporary one, so a failure leaves the old file whole.
  void UpdateFile() override;

 private:
  IniFile ini_;
};

// Reads go through the system's profile routines. Changes read the file afresh, change it and
// write it back whole (the system's own writer reports success on a full disk with the file cut).
class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(const std::string& file_name) : TCustomIniFile(file_name) {}
  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& fallback) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  std::vector<std::string> ReadSection(const std::string& section) override;
  std::vector<std::string> ReadSections() override;
  void EraseSection(const std::string& section) override;
  void EraseSections(const std::vector<std::string>& sections) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;

 private:
  // Raises framework::Exception naming the file and the cause when it cannot be read or written.
  void Change(const std::function<void(IniFile&)>& change);
};

// Sections are subkeys of `key` (under `root`); integers and Booleans are REG_DWORD values.
class TRegistryIniFile : public TCustomIniFile {
 public:
  explicit TRegistryIniFile(const std::string& key, HKEY root = HKEY_CURRENT_USER);
  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& fallback) override;
  void WriteString(const std::string& section, const std::string& ident,
                   const std::string& value) override;
  int ReadInteger(const std::string& section, const std::string& ident, int fallback) override;
  void WriteInteger(const std::string& section, const std::string& ident, int value) override;
  std::vector<std::string> ReadSection(const std::string& section) override;
  std::vector<std::string> ReadSections() override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;

 protected:
  // The section's key, opened for reading or made for writing; false when it cannot be.
  bool OpenSection(TRegistry& registry, const std::string& section, bool create) const;

 private:
  HKEY root_;
};

// Like TRegistryIniFile, but every value, integers included, is a string.
class TRegIniFile : public TRegistryIniFile {
 public:
  using TRegistryIniFile::TRegistryIniFile;
  int ReadInteger(const std::string& section, const std::string& ident, int fallback) override;
  void WriteInteger(const std::string& section, const std::string& ident, int value) override;
};

}  // namespace framework
