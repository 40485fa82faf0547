// Debug-information streams built by their layouts.
#include "debug_info_samples.h"

#include <cstring>
#include <utility>
#include <vector>

#include "crashreport/drosk_crypt.h"
#include "crashreport/drosk_td32.h"
#include "crashreport/drosk_zip.h"

namespace samples {

using namespace drosk;

Bytes& Bytes::U8(uint8_t v) {
  s += static_cast<char>(v);
  return *this;
}
Bytes& Bytes::U16(uint16_t v) {
  s.append(reinterpret_cast<const char*>(&v), 2);
  return *this;
}
Bytes& Bytes::U32(uint32_t v) {
  s.append(reinterpret_cast<const char*>(&v), 4);
  return *this;
}
Bytes& Bytes::Short(const std::string& t) {
  U8(static_cast<uint8_t>(t.size()));
  s += t;
  return *this;
}
Bytes& Bytes::Packed(int32_t v) {
  if (v >= -127 && v <= 127) return U8(static_cast<uint8_t>(v));
  U8(0x80);
  return U32(static_cast<uint32_t>(v));
}
Bytes& Bytes::Raw(const std::string& t) {
  s += t;
  return *this;
}

// The container: identification, body length, version 2, and the body (compressed with its
// size-and-checksum header, then enciphered under the key built from the body length).
std::string Container(const std::string& stream, uint32_t version) {
  std::string deflated(stream.size() + 64, '\0');
  const int32_t n = Compress(stream.data(), deflated.data(), static_cast<uint32_t>(stream.size()),
                             static_cast<uint32_t>(deflated.size()));
  deflated.resize(static_cast<size_t>(n));
  const uint32_t crc = ~UpdateCrc32(0xFFFFFFFF, stream.data(), stream.size());
  const std::string body =
      Bytes().U32(static_cast<uint32_t>(stream.size())).U32(0).U32(crc).Raw(deflated).s;
  const uint32_t length = static_cast<uint32_t>(body.size());
  char text[64];
  snprintf(text, sizeof text, "vorlak$%07Xvorlak%08u", length, length);
  const std::string twice = std::string(text) + text;
  return Bytes()
      .Raw("droskDebugInfo")
      .U32(length)
      .U32(version)
      .Raw(EncryptNative(body, EncryptNative(twice, twice)))
      .s;
}

Bytes Tables() {
  return Bytes()
      .U32(2)
      .U32(0x000)
      .U32(0x100)
      .Short("Unit1")
      .U32(0x100)
      .U32(0x80)
      .Short("Unit2")
      .U32(3)
      .Short("First")
      .U32(0x10)
      .Short("Second")
      .Packed(0x20)
      .Short("Far")
      .Packed(0x1000)
      .U32(3)
      .U32(12)
      .U32(0x10)
      .Packed(1)
      .Packed(4)
      .Packed(-300)
      .Packed(0x900);
}

// A TD32 stream: names, one module with two segments, source lines and global symbols.
std::string Td32Stream(const char* signature, bool alignedSymbols) {
  Bytes names;
  names.U32(5);
  for (const char* n : {"C:\\src\\Unit1.pas", "ProcA", "DataB", "Unit2.pas", "Unit3.dpr"})
    names.Short(n).U8(0);
  Bytes module;
  module.U16(0).U16(0).U16(3).U16(0x5643).U32(1).U32(0).U32(0).U32(0).U32(0);
  module.U16(1).U16(0).U32(0x0).U32(0x200);  // code
  module.U16(2).U16(0).U32(0x10).U32(0x40);  // data
  module.U16(1).U16(0).U32(0x300).U32(0);    // empty: not a segment
  Bytes module2;                             // overlaps the end of Unit1
  module2.U16(0).U16(0).U16(1).U16(0x5643).U32(4).U32(0).U32(0).U32(0).U32(0);
  module2.U16(1).U16(0).U32(0x1C0).U32(0x80);
  Bytes module3;  // after a gap
  module3.U16(0).U16(0).U16(1).U16(0x5643).U32(5).U32(0).U32(0).U32(0).U32(0);
  module3.U16(1).U16(0).U32(0x300).U32(0x10);
  Bytes lines;                  // one file, one block of three pairs
  lines.U16(1).U16(1).U32(8);   // header, file at 8
  lines.U16(1).U16(0).U32(16);  // file: one block at 16
  lines.Raw(std::string(16 - lines.s.size(), '\0'));
  lines.U16(1).U16(3).U32(0x00).U32(0x08).U32(0x20).U16(10).U16(11).U16(14);
  Bytes symbols;
  auto proc = [&](uint16_t type, uint32_t length, uint32_t offset, uint32_t name) {
    symbols.U16(2 + 39)
        .U16(type)
        .U32(0)
        .U32(0)
        .U32(0)
        .U32(length)
        .U32(0)
        .U32(0)
        .U32(offset)
        .U16(1)
        .U32(0)
        .U8(0)
        .U32(name);
  };
  proc(0x205, 0x40, 0x80, 2);
  proc(0x204, 0, 0x90, 2);  // length 0: left out
  symbols.U16(2 + 16).U16(0x202).U32(0x18).U16(2).U16(0).U32(0).U32(3);
  Bytes global;
  if (alignedSymbols)
    global.U32(1).Raw(symbols.s);
  else
    global.U16(0).U16(0).U32(static_cast<uint32_t>(symbols.s.size())).U32(0).U32(0).Raw(symbols.s);

  // Layout: signature, directory offset, subsections, then the directory.
  Bytes t;
  t.Raw(signature).U32(0);
  struct Entry {
    uint16_t type;
    uint32_t offset, size;
  };
  std::vector<Entry> entries;
  for (auto [type, body] : {std::pair<uint16_t, std::string*>{kSstNames, &names.s},
                            {kSstModule, &module.s},
                            {kSstModule, &module2.s},
                            {kSstModule, &module3.s},
                            {kSstSrcModule, &lines.s},
                            {alignedSymbols ? kSstAlignSym : kSstGlobalSym, &global.s}}) {
    entries.push_back(
        {type, static_cast<uint32_t>(t.s.size()), static_cast<uint32_t>(body->size())});
    t.Raw(*body);
  }
  const uint32_t directory = static_cast<uint32_t>(t.s.size());
  std::memcpy(t.s.data() + 4, &directory, 4);
  t.U16(16).U16(12).U32(static_cast<uint32_t>(entries.size())).U32(0).U32(0);
  for (const Entry& e : entries) t.U16(e.type).U16(1).U32(e.offset).U32(e.size);
  return t.s;
}

}  // namespace samples
