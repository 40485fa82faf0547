// Reading the packed debug information: the container checks, deciphering, uncompressing and
// the three tables with their delta-coded addresses and lines.
#include "crashreport/drosk_packed.h"

#include <windows.h>

#include <cstring>

#include "crashreport/drosk_crypt.h"
#include "crashreport/drosk_zip.h"

namespace drosk {

size_t TMiniStream::Read(void* destination, size_t count) {
  const size_t n = count < Remaining() ? count : Remaining();
  std::memcpy(destination, data_.data() + position_, n);
  position_ += n;
  return n;
}

namespace {

bool ReadU32(TMiniStream& s, uint32_t& v) { return s.ReadExact(&v, 4); }

// One signed byte; 0x80 announces a 4-byte signed value.
bool ReadPacked(TMiniStream& s, int32_t& v) {
  int8_t b;
  if (!s.ReadExact(&b, 1)) return false;
  if (static_cast<uint8_t>(b) != 0x80) {
    v = b;
    return true;
  }
  return s.ReadExact(&v, 4);
}

// A length byte and that many characters; empty when fewer remain.
bool ReadShortString(TMiniStream& s, std::string& text) {
  uint8_t length;
  if (!s.ReadExact(&length, 1)) return false;
  text.clear();
  if (s.Remaining() < length) return true;
  text.resize(length);
  s.Read(text.data(), length);
  return true;
}

bool ReadTables(TMapFile& map, TMiniStream& s) {
  uint32_t count;
  // Each record needs a few bytes: a count beyond what remains is a damaged stream.
  if (!ReadU32(s, count) || count > s.Remaining() / 9) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t start, length;
    std::string unit;
    if (!ReadU32(s, start) || !ReadU32(s, length) || !ReadShortString(s, unit)) return false;
    map.AddSegment(true, true, start, false, false, std::move(unit), length);
  }
  if (!ReadU32(s, count) || count > s.Remaining()) return false;
  TAddress address = 0;
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!ReadShortString(s, name)) return false;
    if (i == 0) {
      uint32_t offset;
      if (!ReadU32(s, offset)) return false;
      address = map.codeStart + offset;
    } else {
      int32_t delta;
      if (!ReadPacked(s, delta)) return false;
      address += static_cast<uint32_t>(delta);
    }
    map.publics.push_back({1, 1, std::move(name), address});
  }
  if (!ReadU32(s, count) || (count > 0 && count - 1 > s.Remaining() / 2)) return false;
  if (count >= 1) {
    int32_t line;
    uint32_t offset;
    if (!s.ReadExact(&line, 4) || !ReadU32(s, offset)) return false;
    address = map.codeStart + offset;
    map.lines.push_back({line, address});
    for (uint32_t i = 1; i < count; ++i) {
      int32_t lineDelta, addressDelta;
      if (!ReadPacked(s, lineDelta) || !ReadPacked(s, addressDelta)) return false;
      line += lineDelta;
      address += static_cast<uint32_t>(addressDelta);
      map.lines.push_back({line, address});
    }
  }
  if (s.Remaining() == 4) {
    uint32_t entry;
    ReadU32(s, entry);
    map.entryPoint = map.codeStart + entry;
  }
  return true;
}

}  // namespace

std::string PackedBodyKey(uint32_t bodyLength) {
  char text[64];
  snprintf(text, sizeof text, "%.*s$%07X%.*s%08u", static_cast<int>(kPackedKeyWord.size()),
           kPackedKeyWord.data(), bodyLength, static_cast<int>(kPackedKeyWord.size()),
           kPackedKeyWord.data(), bodyLength);
  const std::string twice = std::string(text) + text;
  return EncryptNative(twice, twice);
}

bool ReadPackedDebugInfo(TMapFile& map, std::string_view container) {
  if (container.size() < kPackedHeaderSize + 1 ||
      container.substr(0, kPackedIdentification.size()) != kPackedIdentification)
    return false;
  uint32_t length, version;
  std::memcpy(&length, container.data() + 14, 4);
  std::memcpy(&version, container.data() + 18, 4);
  if (version != kPackedVersion || length > container.size() - kPackedHeaderSize) return false;
  const std::string body = UncompressStr(DecryptNative(
      std::string(container.substr(kPackedHeaderSize, length)), PackedBodyKey(length)));
  if (body.empty()) return false;
  TMiniStream stream(body);
  map.isValid = ReadTables(map, stream);
  return map.isValid;
}

bool ReadPackedResource(TMapFile& map) {
  HMODULE module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(map.module));
  HRSRC found = FindResourceA(module, "EXCEPT", "DROSK");
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  const std::string copy(static_cast<const char*>(data), size);
  FreeResource(loaded);
  return ReadPackedDebugInfo(map, copy);
}

}  // namespace drosk
