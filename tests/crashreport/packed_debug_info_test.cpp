// The packed form and the TD32 reader, on streams built here by their layouts, whole and damaged.
#include <windows.h>

#include <cstring>
#include <random>
#include <string>

#include "crashreport/drosk_crypt.h"
#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_packed.h"
#include "crashreport/drosk_td32.h"
#include "crashreport/drosk_zip.h"
#include "gtest/gtest.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

constexpr TAddress kCode = 0x10001000;

// Little-endian stream builder.
struct Bytes {
  std::string s;
  Bytes& U8(uint8_t v) { s += static_cast<char>(v); return *this; }
  Bytes& U16(uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); return *this; }
  Bytes& U32(uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); return *this; }
  Bytes& Short(const std::string& t) { U8(static_cast<uint8_t>(t.size())); s += t; return *this; }
  Bytes& Packed(int32_t v) {
    if (v >= -127 && v <= 127) return U8(static_cast<uint8_t>(v));
    U8(0x80);
    return U32(static_cast<uint32_t>(v));
  }
  Bytes& Raw(const std::string& t) { s += t; return *this; }
};

// The container: identification, body length, version 2, and the body (compressed with its
// size-and-checksum header, then enciphered under the key built from the body length).
std::string Container(const std::string& stream, uint32_t version = 2) {
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
  return Bytes().Raw("droskDebugInfo").U32(length).U32(version)
      .Raw(EncryptNative(body, EncryptNative(twice, twice))).s;
}

Bytes Tables() {
  return Bytes()
      .U32(2).U32(0x000).U32(0x100).Short("Unit1").U32(0x100).U32(0x80).Short("Unit2")
      .U32(3).Short("First").U32(0x10).Short("Second").Packed(0x20).Short("Far").Packed(0x1000)
      .U32(3).U32(12).U32(0x10).Packed(1).Packed(4).Packed(-300).Packed(0x900);
}

TMapFile EmptyMap() {
  TMapFile map;
  map.codeStart = kCode;
  return map;
}

TEST(PackedDebugInfo, ReadsTheThreeTablesAndTheEntryPoint) {
  TMapFile map = EmptyMap();
  ASSERT_TRUE(ReadPackedDebugInfo(map, Container(Bytes(Tables()).U32(0x40).s)));
  EXPECT_TRUE(map.isValid);
  ASSERT_EQ(map.segments.size(), 2u);
  EXPECT_EQ(map.segments[1].unitName, "Unit2");
  EXPECT_EQ(map.segments[1].start, kCode + 0x100);
  EXPECT_TRUE(map.segments[1].isCode);
  ASSERT_EQ(map.publics.size(), 3u);
  EXPECT_EQ(map.publics[0].address, kCode + 0x10);
  EXPECT_EQ(map.publics[1].address, kCode + 0x30);
  EXPECT_EQ(map.publics[2].address, kCode + 0x1030);  // a delta beyond 127
  EXPECT_EQ(map.publics[2].name, "Far");
  ASSERT_EQ(map.lines.size(), 3u);
  EXPECT_EQ(map.lines[1].line, 13);
  EXPECT_EQ(map.lines[1].address, kCode + 0x14);
  EXPECT_EQ(map.lines[2].line, 13 - 300);
  EXPECT_EQ(map.lines[2].address, kCode + 0x914);
  EXPECT_EQ(map.entryPoint, kCode + 0x40);

  TMapFile plain = EmptyMap();
  ASSERT_TRUE(ReadPackedDebugInfo(plain, Container(Tables().s)));
  EXPECT_EQ(plain.entryPoint, 0u);  // the stream ends with the line table
  TMapFile three = EmptyMap();
  ASSERT_TRUE(ReadPackedDebugInfo(three, Container(Tables().Raw("abc").s)));
  EXPECT_EQ(three.entryPoint, 0u);
}

TEST(PackedDebugInfo, RejectsDamagedContainers) {
  const std::string good = Container(Tables().s);
  std::string wrongId = good;
  wrongId[3] ^= 1;
  std::string longBody = good;
  const uint32_t tooLong = static_cast<uint32_t>(good.size());
  std::memcpy(longBody.data() + 14, &tooLong, 4);
  std::string garbled = good;
  garbled[30] ^= 0x55;
  const std::string cases[] = {
      good.substr(0, 22),                      // shorter than 23 bytes
      Container(Tables().s, 3),                // version 3
      wrongId,                                 //
      longBody,                                // body length past the end
      garbled,                                 // deciphers to a damaged stream
      good.substr(0, good.size() - 8),         // body cut short
      Container(Bytes().U32(5).U32(0).s),      // five segments announced, none there
      Container(Bytes().U32(0).U32(0).U32(70000).s),  // lines announced, none there
  };
  for (const std::string& c : cases) {
    TMapFile map = EmptyMap();
    EXPECT_FALSE(ReadPackedDebugInfo(map, c));
    EXPECT_FALSE(map.isValid);
  }
  // Any single damaged byte is read or refused, never a fault.
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    std::string c = good;
    c[random() % c.size()] = static_cast<char>(random());
    if (i % 3 == 0) c.resize(random() % c.size());
    TMapFile map = EmptyMap();
    ReadPackedDebugInfo(map, c);
  }
}

// A TD32 stream: names, one module with two segments, source lines and global symbols.
std::string Td32Stream(const char* signature = "FB09") {
  Bytes names;
  names.U32(3);
  for (const char* n : {"C:\\src\\Unit1.pas", "ProcA", "DataB"}) names.Short(n).U8(0);
  Bytes module;
  module.U16(0).U16(0).U16(3).U16(0x5643).U32(1).U32(0).U32(0).U32(0).U32(0);
  module.U16(1).U16(0).U32(0x0).U32(0x200);   // code
  module.U16(2).U16(0).U32(0x10).U32(0x40);   // data
  module.U16(1).U16(0).U32(0x300).U32(0);     // empty: not a segment
  Bytes lines;  // one file, one block of three pairs
  lines.U16(1).U16(1).U32(8);                 // header, file at 8
  lines.U16(1).U16(0).U32(16);                // file: one block at 16
  lines.Raw(std::string(16 - lines.s.size(), '\0'));
  lines.U16(1).U16(3).U32(0x00).U32(0x08).U32(0x20).U16(10).U16(11).U16(14);
  Bytes symbols;
  auto proc = [&](uint16_t type, uint32_t length, uint32_t offset, uint32_t name) {
    symbols.U16(2 + 39).U16(type).U32(0).U32(0).U32(0).U32(length).U32(0).U32(0).U32(offset)
        .U16(1).U32(0).U8(0).U32(name);
  };
  proc(0x205, 0x40, 0x80, 2);
  proc(0x204, 0, 0x90, 2);  // length 0: left out
  symbols.U16(2 + 16).U16(0x202).U32(0x18).U16(2).U16(0).U32(0).U32(3);
  Bytes global;
  global.U16(0).U16(0).U32(static_cast<uint32_t>(symbols.s.size())).U32(0).U32(0).Raw(symbols.s);

  // Layout: signature, directory offset, subsections, then the directory.
  Bytes t;
  t.Raw(signature).U32(0);
  struct Entry { uint16_t type; uint32_t offset, size; };
  std::vector<Entry> entries;
  for (auto [type, body] : {std::pair<uint16_t, std::string*>{kSstNames, &names.s},
                            {kSstModule, &module.s}, {kSstSrcModule, &lines.s},
                            {kSstGlobalSym, &global.s}}) {
    entries.push_back({type, static_cast<uint32_t>(t.s.size()), static_cast<uint32_t>(body->size())});
    t.Raw(*body);
  }
  const uint32_t directory = static_cast<uint32_t>(t.s.size());
  std::memcpy(t.s.data() + 4, &directory, 4);
  t.U16(16).U16(12).U32(static_cast<uint32_t>(entries.size())).U32(0).U32(0);
  for (const Entry& e : entries) t.U16(e.type).U16(1).U32(e.offset).U32(e.size);
  return t.s;
}

TEST(Td32, ReadsModulesLinesAndSymbols) {
  TMapFile map = EmptyMap();
  map.dataStart = 0x10100000;
  ASSERT_TRUE(ReadTd32Data(map, Td32Stream()));
  ASSERT_EQ(map.segments.size(), 2u);
  EXPECT_EQ(map.segments[0].unitName, "Unit1");  // without directory and extension
  EXPECT_TRUE(map.segments[0].isCode);
  EXPECT_EQ(map.segments[0].length, 0x200u);
  EXPECT_FALSE(map.segments[1].isCode);
  EXPECT_EQ(map.segments[1].start, 0x10100010u);
  ASSERT_EQ(map.lines.size(), 3u);
  EXPECT_EQ(map.lines[2].line, 14);
  EXPECT_EQ(map.lines[2].address, kCode + 0x20);
  ASSERT_EQ(map.publics.size(), 2u);
  EXPECT_EQ(map.publics[0].name, "ProcA");
  EXPECT_EQ(map.publics[0].address, kCode + 0x80);
  EXPECT_EQ(map.publics[1].name, "DataB");
  EXPECT_EQ(map.publics[1].address, 0x10100018u);
  TMapFile other = EmptyMap();
  EXPECT_TRUE(ReadTd32Data(other, Td32Stream("FB0A")));
  EXPECT_FALSE(ReadTd32Data(other, Td32Stream("FB08")));
  // Damaged streams: read as far as they hold, never a fault.
  const std::string good = Td32Stream();
  std::mt19937 random(11);
  for (int i = 0; i < 3000; ++i) {
    std::string s = good;
    for (int k = 0; k < 3; ++k) s[4 + random() % (s.size() - 4)] = static_cast<char>(random());
    if (i % 4 == 0) s.resize(4 + random() % (s.size() - 4));
    TMapFile m = EmptyMap();
    ReadTd32Data(m, s);
    EXPECT_LE(m.lines.size(), s.size() / 6);
  }
}

TEST(DebugInfoSources, PackedFileAndTdsBesideAModuleWithoutMap) {
  testsupport::TempDir dir;
  for (const char* kind : {"drosk", "tds"}) {
    SCOPED_TRACE(kind);
    const std::string copy = dir.Path(std::string("Copy_") + kind + ".dll");
    ASSERT_TRUE(CopyFileA(testsupport::BinaryPath("Tralvek.dll").c_str(), copy.c_str(), FALSE));
    const std::string beside = copy.substr(0, copy.size() - 3) + kind;
    testsupport::WriteFile(beside, std::string(kind) == "drosk" ? Container(Tables().s)
                                                                : Td32Stream());
    HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr);
    const TAddress base = static_cast<TAddress>(reinterpret_cast<uintptr_t>(module));
    {
      const std::shared_ptr<const TMapFile> map = GetMapFile(base + 0x1000);
      ASSERT_TRUE(map->isValid);
      EXPECT_EQ(_stricmp(map->mapFileName.c_str(), beside.c_str()), 0) << map->mapFileName;
      ASSERT_FALSE(map->publics.empty());
      EXPECT_EQ(map->publics[0].address, map->codeStart + (std::string(kind) == "drosk" ? 0x10 : 0x80));
    }
    ClearMapFileCache();
    FreeLibrary(module);
  }
}

}  // namespace
}  // namespace drosk
