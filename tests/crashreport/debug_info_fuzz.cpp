// Fuzzing of the debug-information readers and of the decoder, parser and listing.
#include "debug_info_fuzz.h"

#include <windows.h>

#include <algorithm>
#include <random>
#include <vector>

#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_dis_asm_listing.h"
#include "crashreport/drosk_map_file.h"
#include "crashreport/drosk_packed.h"
#include "crashreport/drosk_td32.h"
#include "debug_info_samples.h"

namespace fuzz {
namespace {

using namespace drosk;

constexpr TAddress kCode = 0x10001000;

TMapFile EmptyMap() {
  TMapFile map;
  map.codeStart = kCode;
  map.codeEnd = kCode + 0x100000;
  map.dataStart = 0x10200000;
  return map;
}

void Garble(std::string& s, std::mt19937& random, int changes) {
  if (s.empty()) return;
  for (int k = 0; k < changes; ++k) s[random() % s.size()] = static_cast<char>(random());
  if (random() % 3 == 0) s.resize(random() % s.size());
}

bool PublicsSorted(const TMapFile& map) {
  return std::is_sorted(
      map.publics.begin(), map.publics.end(),
      [](const TMfPublic& a, const TMfPublic& b) { return a.address < b.address; });
}

// Lookups on whatever was read must answer consistently.
std::string CheckLookups(const TMapFile& map, std::mt19937& random) {
  for (int k = 0; k < 20; ++k) {
    const TAddress a = kCode + random() % 0x2000;
    if (const TMfPublic* p = FindPublic(map, a); p && p->address > a) return "public above";
    if (const TMfSegment* s = FindSegment(map, true, a);
        s && (a < s->start || a - s->start >= s->length))
      return "segment does not hold the address";
    TAddress next;
    LineOf(map, a, next);
  }
  return "";
}

}  // namespace

std::string FuzzPackedReader(uint32_t seed, int iterations) {
  std::mt19937 random(seed);
  const std::string good = samples::Container(samples::Tables().U32(0x40).s);
  for (int i = 0; i < iterations; ++i) {
    std::string c = good;
    Garble(c, random, 1 + i % 3);
    TMapFile map = EmptyMap();
    if (ReadPackedDebugInfo(map, c) != map.isValid) return "validity differs from the result";
  }
  return "";
}

std::string FuzzTd32Reader(uint32_t seed, int iterations) {
  std::mt19937 random(seed);
  const std::string good = samples::Td32Stream();
  for (int i = 0; i < iterations; ++i) {
    std::string s = good;
    Garble(s, random, 1 + i % 4);
    TMapFile map = EmptyMap();
    ReadTd32Data(map, s);
    if (map.lines.size() > s.size() / 6) return "more line records than the data holds";
    if (!PublicsSorted(map)) return "publics not sorted";
  }
  return "";
}

std::string FuzzTextMapReader(const std::string& sampleMap, uint32_t seed, int iterations) {
  std::mt19937 random(seed);
  std::vector<std::string> lines;
  for (size_t at = 0; at < sampleMap.size();) {
    size_t end = sampleMap.find('\n', at);
    if (end == std::string::npos) end = sampleMap.size();
    lines.push_back(sampleMap.substr(at, end - at + 1));
    at = end + 1;
  }
  if (lines.empty()) return "empty sample";
  for (int i = 0; i < iterations; ++i) {
    std::string text;
    const size_t first = random() % lines.size();
    for (size_t k = first; k < lines.size() && k < first + 400; ++k) {
      std::string line = lines[k];
      switch (random() % 8) {
        case 0: Garble(line, random, 2); break;
        case 1: line = line.substr(0, random() % (line.size() + 1)); break;
        case 2: std::swap(line, lines[random() % lines.size()]); break;
        default: break;
      }
      text += line;
    }
    TMapFile map = EmptyMap();
    map.ParseTextMap(text);
    for (size_t k = 1; k < map.lines.size(); ++k)
      if (map.lines[k].address <= map.lines[k - 1].address) return "line records out of order";
    if (!PublicsSorted(map)) return "publics not sorted";
    if (std::string why = CheckLookups(map, random); !why.empty()) return why;
  }
  return "";
}

std::string FuzzCode(uint32_t seed, int iterations) {
  std::mt19937 random(seed);
  uint8_t* page = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_RESERVE, PAGE_NOACCESS));
  VirtualAlloc(page, 4096, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
  std::string failure;
  TDATryRead areas = GetReadableAreas();
  for (int i = 0; i < iterations && failure.empty(); ++i) {
    const size_t size = 1 + random() % 64;
    uint8_t* code = page + 4096 - size;
    for (size_t k = 0; k < size; ++k) code[k] = static_cast<uint8_t>(random());
    const TAddress at = static_cast<TAddress>(reinterpret_cast<uintptr_t>(code));
    TRegisters registers{};
    for (TAddress& r : registers) r = random() % 2 ? at + random() % size : 0;
    TDecodedDetails d;
    const TInstructionInfo a = Decode(at, d, &areas, true, &registers);
    const TInstructionInfo b = Decode(at, d, nullptr, true, &registers);
    if (a.Next > at + size || b.Next > at + size) failure = "decoded past the readable bytes";
    if (a.Valid && (a.Next - a.Start) > 15) failure = "instruction longer than 15 bytes";
    const TFunctionInfo f = i % 2 ? ParseFunctionSafe(at, areas) : ParseFunction(at);
    if (f.Valid && f.CodeStart + static_cast<TAddress>(f.CodeLength) > at + size &&
        f.CodeStart >= at)
      failure = "a parsed function reaches into unreadable memory";
    if (i % 8 == 0) {
      std::string text;
      TFunctionInfo info;
      DisassembleFunction(at, text, at, info, true, 20);
    }
  }
  FreeReadableAreas(areas);
  VirtualFree(page, 0, MEM_RELEASE);
  return failure;
}

}  // namespace fuzz
