// The registry.
#include "framework/registry.h"

#include "framework/win/text.h"

namespace framework {

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
}

std::string TRegistry::Resolve(const std::string& key) const {
  if (!key.empty() && key[0] == '\\') return key.substr(1);
  if (path_.empty()) return key;
  return key.empty() ? path_ : path_ + "\\" + key;
}

bool TRegistry::OpenKey(const std::string& key, bool can_create) {
  const std::string path = Resolve(key);
  win::UniqueKey opened;
  const std::wstring wide = win::Widen(path);
  LONG status = can_create ? RegCreateKeyExW(root_, wide.c_str(), 0, nullptr, 0, access_, nullptr,
                                             opened.put(), nullptr)
                           : RegOpenKeyExW(root_, wide.c_str(), 0, access_, opened.put());
  if (status != ERROR_SUCCESS) return false;
  current_ = std::move(opened);
  path_ = path;
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  const REGSAM access = access_;
  access_ = KEY_READ;
  const bool opened = OpenKey(key, false);
  access_ = access;
  return opened;
}

void TRegistry::CloseKey() {
  current_.reset();
  path_.clear();
}

bool TRegistry::KeyExists(const std::string& key) const {
  win::UniqueKey probe;
  return RegOpenKeyExW(root_, win::Widen(Resolve(key)).c_str(), 0, KEY_READ, probe.put()) ==
         ERROR_SUCCESS;
}

bool TRegistry::DeleteKey(const std::string& key) {
  const std::string path = Resolve(key);
  TRegistry child(root_, access_);
  if (!child.OpenKey("\\" + path, false)) return false;
  for (const std::string& name : child.GetKeyNames()) child.DeleteKey(name);
  child.CloseKey();
  return RegDeleteKeyW(root_, win::Widen(path).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) const { return ValueType(name) != REG_NONE; }

bool TRegistry::DeleteValue(const std::string& name) {
  return current_ && RegDeleteValueW(current_.get(), win::Widen(name).c_str()) == ERROR_SUCCESS;
}

DWORD TRegistry::ValueType(const std::string& name) const {
  DWORD type = REG_NONE;
  if (!current_ || RegQueryValueExW(current_.get(), win::Widen(name).c_str(), nullptr, &type,
                                    nullptr, nullptr) != ERROR_SUCCESS) {
    return REG_NONE;
  }
  return type;
}

namespace {

template <class Enumerate>
std::vector<std::string> Names(Enumerate&& enumerate) {
  std::vector<std::string> names;
  wchar_t name[16384];
  for (DWORD index = 0;; ++index) {
    DWORD length = 16384;
    if (enumerate(index, name, &length) != ERROR_SUCCESS) break;
    names.push_back(win::Narrow(std::wstring_view(name, length)));
  }
  return names;
}

}  // namespace

std::vector<std::string> TRegistry::GetKeyNames() const {
  if (!current_) return {};
  return Names([&](DWORD index, wchar_t* name, DWORD* length) {
    return RegEnumKeyExW(current_.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<std::string> TRegistry::GetValueNames() const {
  if (!current_) return {};
  return Names([&](DWORD index, wchar_t* name, DWORD* length) {
    return RegEnumValueW(current_.get(), index, name, length, nullptr, nullptr, nullptr, nullptr);
  });
}

std::vector<uint8_t> TRegistry::ReadRaw(const std::string& name, DWORD& type) const {
  const std::wstring wide = win::Widen(name);
  DWORD size = 0;
  if (!current_ || RegQueryValueExW(current_.get(), wide.c_str(), nullptr, &type, nullptr, &size) !=
                       ERROR_SUCCESS) {
    throw ERegistryException("Registry value \"" + name + "\" does not exist");
  }
  std::vector<uint8_t> data(size);
  if (RegQueryValueExW(current_.get(), wide.c_str(), nullptr, &type, data.data(), &size) !=
      ERROR_SUCCESS) {
    throw ERegistryException("Registry value \"" + name + "\" cannot be read");
  }
  data.resize(size);
  return data;
}

std::string TRegistry::ReadString(const std::string& name) const {
  DWORD type = REG_NONE;
  const std::vector<uint8_t> data = ReadRaw(name, type);
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    throw ERegistryException("Invalid data type for \"" + name + "\"");
  }
  std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return win::Narrow(text);
}

int TRegistry::ReadInteger(const std::string& name) const {
  DWORD type = REG_NONE;
  const std::vector<uint8_t> data = ReadRaw(name, type);
  if (type != REG_DWORD || data.size() != 4) {
    throw ERegistryException("Invalid data type for \"" + name + "\"");
  }
  int value = 0;
  std::copy(data.begin(), data.end(), reinterpret_cast<uint8_t*>(&value));
  return value;
}

std::vector<uint8_t> TRegistry::ReadBinaryData(const std::string& name) const {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data = ReadRaw(name, type);
  if (type != REG_BINARY) throw ERegistryException("Invalid data type for \"" + name + "\"");
  return data;
}

void TRegistry::WriteRaw(const std::string& name, DWORD type, const void* data, DWORD size) {
  if (!current_ || RegSetValueExW(current_.get(), win::Widen(name).c_str(), 0, type,
                                  static_cast<const BYTE*>(data), size) != ERROR_SUCCESS) {
    throw ERegistryException("Failed to set data for \"" + name + "\"");
  }
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  const std::wstring wide = win::Widen(value);
  WriteRaw(name, REG_SZ, wide.c_str(), static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  WriteRaw(name, REG_DWORD, &value, sizeof value);
}

void TRegistry::WriteBinaryData(const std::string& name, const std::vector<uint8_t>& data) {
  WriteRaw(name, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
}

}  // namespace framework
