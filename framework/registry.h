// The registry through one open key at a time, as settings code uses it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/exception.h"
#include "framework/win/handles.h"

namespace framework {

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class TRegistry {
 public:
  explicit TRegistry(HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS)
      : root_(root), access_(access) {}

  HKEY RootKey() const noexcept { return root_; }
  void SetRootKey(HKEY root);
  HKEY CurrentKey() const noexcept { return current_.get(); }
  const std::string& CurrentPath() const noexcept { return path_; }

  // A path starting with '\' is taken from the root, others from the open key. False when the
  // key is missing (and not to be made) or access is refused.
  bool OpenKey(const std::string& key, bool can_create);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool KeyExists(const std::string& key) const;
  // The key with everything below it.
  bool DeleteKey(const std::string& key);

  bool ValueExists(const std::string& name) const;
  bool DeleteValue(const std::string& name);
  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;

  // Reads raise ERegistryException naming the value when it is missing or of another type.
  std::string ReadString(const std::string& name) const;
  int ReadInteger(const std::string& name) const;
  bool ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }
  std::vector<uint8_t> ReadBinaryData(const std::string& name) const;
  // Writes raise ERegistryException when no key is open or the system refuses.
  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int value);
  void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
  void WriteBinaryData(const std::string& name, const std::vector<uint8_t>& data);
  // REG_SZ, REG_DWORD, ...; REG_NONE when the value is missing.
  DWORD ValueType(const std::string& name) const;

 private:
  std::string Resolve(const std::string& key) const;
  std::vector<uint8_t> ReadRaw(const std::string& name, DWORD& type) const;
  void WriteRaw(const std::string& name, DWORD type, const void* data, DWORD size);

  HKEY root_;
  REGSAM access_;
  win::UniqueKey current_;
  std::string path_;
};

}  // namespace framework
