// The packed form and the TD32 reader, on streams built here by their layouts, whole and damaged.
#include <windows.h>

#include <cstring>
#include <string>

#include "crashreport/drosk_crypt.h"
#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_packed.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_td32.h"
#include "crashreport/drosk_zip.h"
#include "debug_info_fuzz.h"
#include "debug_info_samples.h"
#include "gtest/gtest.h"
#include "map_text.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

constexpr TAddress kCode = 0x10001000;

using samples::Bytes;
using samples::Container;
using samples::Tables;
using samples::Td32Stream;

TMapFile EmptyMap() {
  TMapFile map;
  map.codeStart = kCode;
  return map;
}

TEST(PackedDebugInfo, ReadsTheThreeTablesAndTheEntryPoint) {
  TMapFile map = EmptyMap();
  ASSERT_TRUE(ReadPackedDebugInfo(map, Container(Bytes(Tables()).U32(0x40).s)));
  // The last public lies a delta beyond 127 on, the last line record before the one before it.
  EXPECT_EQ(
      std::to_string(map.isValid) + " " + Segments(map, kCode) + "| " + Publics(map, kCode) + "| " +
          LineRecords(map, kCode) + "| " + IntToHex(map.entryPoint - kCode),
      "1 Unit1@0+100c Unit2@100+80c | First@10 Second@30 Far@1030 | 12@10 13@14 -287@914 | 40");
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
      good.substr(0, 22),                             // shorter than 23 bytes
      Container(Tables().s, 3),                       // version 3
      wrongId,                                        //
      longBody,                                       // body length past the end
      garbled,                                        // deciphers to a damaged stream
      good.substr(0, good.size() - 8),                // body cut short
      Container(Bytes().U32(5).U32(0).s),             // five segments announced, none there
      Container(Bytes().U32(0).U32(0).U32(70000).s),  // lines announced, none there
  };
  for (const std::string& c : cases) {
    TMapFile map = EmptyMap();
    EXPECT_FALSE(ReadPackedDebugInfo(map, c));
    EXPECT_FALSE(map.isValid);
  }
  // Damaged bytes are read or refused, never a fault.
  EXPECT_EQ(fuzz::FuzzPackedReader(7, 3000), "");
}

TEST(Td32, ReadsModulesLinesAndSymbols) {
  TMapFile map = EmptyMap();
  map.dataStart = 0x10100000;
  ASSERT_TRUE(ReadTd32Data(map, Td32Stream()));
  // Units without directory and extension; Unit1 cut where the overlapping Unit2 starts, Unit2
  // stretched to Unit3 over the gap.
  EXPECT_EQ(Segments(map, kCode) + "| " + Publics(map, kCode) + "| " + LineRecords(map, kCode),
            "Unit1@0+1c0c Unit2@1c0+140c Unit3@300+10c Unit1@ff010+40d | ProcA@80 DataB@ff018d | "
            "10@0 11@8 14@20 ");
  TMapFile aligned = EmptyMap();
  aligned.dataStart = 0x10100000;
  ASSERT_TRUE(ReadTd32Data(aligned, Td32Stream("FB0A", true)));
  EXPECT_EQ(Publics(aligned), Publics(map));
  TMapFile other = EmptyMap();
  EXPECT_FALSE(ReadTd32Data(other, Td32Stream("FB08")));
  // Damaged streams: read as far as they hold, never a fault.
  EXPECT_EQ(fuzz::FuzzTd32Reader(11, 3000), "");
}

TEST(DebugInfoSources, PackedFileAndTdsBesideAModuleWithoutMap) {
  testsupport::TempDir dir;
  for (const char* kind : {"drosk", "tds"}) {
    SCOPED_TRACE(kind);
    const std::string copy = dir.Path(std::string("Copy_") + kind + ".dll");
    ASSERT_TRUE(CopyFileA(testsupport::BinaryPath("Tralvek.dll").c_str(), copy.c_str(), FALSE));
    const std::string beside = copy.substr(0, copy.size() - 3) + kind;
    testsupport::WriteFile(beside,
                           std::string(kind) == "drosk" ? Container(Tables().s) : Td32Stream());
    HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr);
    const TAddress base = static_cast<TAddress>(reinterpret_cast<uintptr_t>(module));
    {
      const std::shared_ptr<const TMapFile> map = GetMapFile(base + 0x1000);
      ASSERT_TRUE(map->isValid);
      EXPECT_EQ(_stricmp(map->mapFileName.c_str(), beside.c_str()), 0) << map->mapFileName;
      ASSERT_FALSE(map->publics.empty());
      EXPECT_EQ(map->publics[0].address,
                map->codeStart + (std::string(kind) == "drosk" ? 0x10 : 0x80));
    }
    ClearMapFileCache();
    FreeLibrary(module);
  }
}

}  // namespace
}  // namespace drosk
