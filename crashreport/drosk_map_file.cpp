// The text map reader, the lookups and the process-wide cache of module debug information.
#include "crashreport/drosk_map_file.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "crashreport/drosk_dis_asm_private.h"
#include "crashreport/drosk_packed.h"
#include "crashreport/drosk_td32.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"

namespace drosk {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// `count` hexadecimal digits at `at`; false when the text is too short or not hexadecimal.
bool ReadHex(std::string_view s, size_t at, size_t count, uint32_t& value) {
  if (at + count > s.size()) return false;
  value = 0;
  for (size_t i = at; i < at + count; ++i) {
    const char c = s[i];
    if (!IsHex(c)) return false;
    value = value * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return true;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'A' && x <= 'Z' ? x | 0x20 : x) == (y >= 'A' && y <= 'Z' ? y | 0x20 : y);
         });
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

enum class Section { None, Segments, Publics, Lines };

constexpr std::string_view kSegmentsHeader = "Detailed map of segments";
constexpr std::string_view kPublicsHeader = "Publics by Value";
constexpr std::string_view kLinesHeader = "Line numbers for ";
constexpr std::string_view kEntryHeader = "Program entry point at ";

// A segment line: "0001:00000000 00001234 C=CODE     S=.text    G=(none)   M=Unit ACBP=A9".
void ParseSegmentLine(TMapFile& map, std::string_view s) {
  if (s.size() <= 72 || s[4] != ':' || s[13] != ' ' || s[22] != ' ' || s[23] != 'C' || s[24] != '=')
    return;
  std::string_view rest = TrimRight(s);
  const size_t lastWord = rest.find_last_of(" \t");
  if (lastWord == std::string_view::npos) return;
  rest = TrimRight(rest.substr(0, lastWord));
  const size_t cut = rest.find_last_of("=\\|");
  const std::string_view unit = cut == std::string_view::npos ? rest : rest.substr(cut + 1);
  uint32_t segment, length, offset;
  if (!ReadHex(s, 0, 4, segment) || !ReadHex(s, 14, 8, length) || !ReadHex(s, 5, 8, offset)) return;
  if (segment != 1 && segment != 2) return;
  map.AddSegment(segment == 1, true, offset, false, false, std::string(unit), length);
}

// A public line: "0001:00001234       Name", a bracketed tail cut off.
void ParsePublicLine(TMapFile& map, std::string_view s) {
  if (s.size() < 14 || s[4] != ':') return;
  if (s.back() == ')') {
    const size_t open = s.rfind('(');
    if (open != std::string_view::npos && open >= 13) s = TrimRight(s.substr(0, open));
  }
  const size_t blank = s.find_last_of(" \t");
  if (blank == std::string_view::npos || blank < 13) return;
  uint32_t segment, address;
  if (!ReadHex(s, 0, 4, segment) || !ReadHex(s, 5, 8, address)) return;
  if (segment != 1 && segment != 2) return;
  const std::string_view name = s.substr(blank + 1);
  if (name.empty()) return;
  map.AddPublic(segment == 1, std::string(name), address);
}

// Groups of "line 0001:offset" on one line.
void ParseLineNumbers(TMapFile& map, std::string_view s) {
  size_t at = 0;
  while (at < s.size()) {
    while (at < s.size() && IsBlank(s[at])) ++at;
    const size_t colon = s.find(':', at);
    if (colon == std::string_view::npos || colon + 9 > s.size() || colon < 5 || s[colon - 5] != ' ')
      return;
    uint32_t segment, offset;
    if (ReadHex(s, colon - 4, 4, segment) && segment == 1 && ReadHex(s, colon + 1, 8, offset)) {
      size_t digits = colon - 5;
      int32_t line = 0, scale = 1;
      while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9' && scale <= 100000000) {
        line += (s[digits - 1] - '0') * scale;
        scale *= 10;
        --digits;
      }
      map.AddLineSorted(line, map.codeStart + offset);
    }
    at = colon + 9;
  }
}

void ParseEntryPoint(TMapFile& map, std::string_view s) {
  const size_t header = s.find(kEntryHeader);
  const size_t colon = header + kEntryHeader.size() + 4;  // after the 4-digit segment
  uint32_t offset;
  if (s.size() >= 35 && colon < s.size() && s[colon] == ':' && ReadHex(s, colon + 1, 8, offset))
    map.entryPoint = map.codeStart + offset;
}

// The search over a sorted table: the index of the record that `order` calls a match
// (order < 0: the wanted address lies before the record), or -1.
template <class Order>
int Search(size_t n, Order order) {
  size_t low = 0, high = n;
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    const int o = order(mid);
    if (o == 0) return static_cast<int>(mid);
    if (o < 0)
      high = mid;
    else
      low = mid + 1;
  }
  return -1;
}

// The record i of an address-sorted table that holds `address`: its address ≤ address and the
// next record's above it; the last record holds everything up to the code end (0: unknown).
template <class Table>
int FindCovering(const TMapFile& map, const Table& t, TAddress address) {
  return Search(t.size(), [&](size_t i) {
    if (address < t[i].address) return -1;
    const bool beforeNext =
        i + 1 < t.size() ? address < t[i + 1].address : map.codeEnd == 0 || map.codeEnd > address;
    return beforeNext ? 0 : 1;
  });
}

// The size of a file, or -1 when there is none.
int64_t FileSizeOf(const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<int64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// A file of at most kMaxDebugFileSize bytes, read whole.
bool ReadFileWhole(const std::string& name, std::string& content) {
  if (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  win::UniqueHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxDebugFileSize) return false;
  content.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  return size.QuadPart == 0 ||
         (ReadFile(file.get(), content.data(), static_cast<DWORD>(size.QuadPart), &read, nullptr) &&
          read == size.QuadPart);
}

std::string StemOf(const std::string& moduleFileName) {
  const size_t dot = moduleFileName.rfind('.');
  return dot == std::string::npos ? moduleFileName : moduleFileName.substr(0, dot);
}

}  // namespace

TMapFile::TMapFile(bool enabled, TAddress moduleHandle, const std::string& fileName) {
  if (!enabled) return;
  mapFileName = moduleFileName = fileName;
  module = moduleHandle;
  TImageRanges r;
  const bool headers = module && ImageRangesOf(module, r);
  if (headers) {
    codeStart = r.codeStart;
    codeEnd = r.codeEnd;
    dataStart = r.dataStart;
    dataEnd = r.dataEnd;
    if (ReadPackedResource(*this)) return;
  }
  isValid = ReadTd32(*this, headers ? &r : nullptr) || ReadBesideModule();
}

std::string OversizedDebugFileNote(const std::string& moduleFileName) {
  const std::string stem = StemOf(moduleFileName);
  for (const char* extension : {".map", ".drosk"}) {
    const int64_t size = FileSizeOf(stem + extension);
    if (size < 0) continue;  // the next source is tried
    if (size <= kMaxDebugFileSize) return {};
    const size_t slash = stem.find_last_of("\\/");
    return stem.substr(slash == std::string::npos ? 0 : slash + 1) + extension +
           " not read: " + std::to_string(size >> 20) + " MB, more than the " +
           std::to_string(kMaxDebugFileSize >> 20) + " MB a debug file may have";
  }
  return {};
}

bool TMapFile::ReadBesideModule() {
  const std::string stem = StemOf(moduleFileName);
  std::string text;
  if (ReadFileWhole(stem + ".map", text)) {
    ParseTextMap(text);
    mapFileName = stem + ".map";
    return true;
  }
  if (!ReadFileWhole(stem + ".drosk", text) || !ReadPackedDebugInfo(*this, text)) return false;
  mapFileName = stem + ".drosk";
  return true;
}

void TMapFile::ParseTextMap(std::string_view text) {
  Section section = Section::None;
  bool inBody = false;  // past the empty lines after a header
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);

    if (line.empty()) {
      if (inBody) section = Section::None;
      inBody = false;
      continue;
    }
    if (line.find(kSegmentsHeader) != std::string_view::npos) {
      section = Section::Segments;
    } else if (line.find(kPublicsHeader) != std::string_view::npos) {
      section = Section::Publics;
    } else if (const size_t h = line.find(kLinesHeader); h != std::string_view::npos) {
      const size_t open = line.find('(', h + 17);
      section = open != std::string_view::npos && line.find(')', open) != std::string_view::npos
                    ? Section::Lines
                    : Section::None;
    } else if (line.find(kEntryHeader) != std::string_view::npos) {
      ParseEntryPoint(*this, line);
      section = Section::None;
    } else {
      inBody = section != Section::None;
      switch (section) {
        case Section::Segments: ParseSegmentLine(*this, line); break;
        case Section::Publics: ParsePublicLine(*this, line); break;
        case Section::Lines: ParseLineNumbers(*this, line); break;
        case Section::None: break;
      }
      continue;
    }
    inBody = false;
  }
  // The lookups search by address: a map that lists its publics out of order still answers.
  const auto byAddress = [](const TMfPublic& a, const TMfPublic& b) {
    return a.address < b.address;
  };
  if (!std::is_sorted(publics.begin(), publics.end(), byAddress))
    std::stable_sort(publics.begin(), publics.end(), byAddress);
}

void TMapFile::AddSegment(bool isCode, bool based, TAddress start, bool sorted, bool merge,
                          std::string name, uint32_t length) {
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && name.size() - dot == 4) {
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
    if (ext == "pas" || ext == "dpr") name.resize(dot);
  }
  if (based) start += isCode ? codeStart : dataStart;
  int& last = isCode ? lastCodeSegment_ : lastDataSegment_;
  if (merge && last >= 0) {
    TMfSegment& s = segments[last];
    if (s.unitName == name && start >= s.start && start <= s.start + s.length + 2) {
      s.length = start + length - s.start;
      return;
    }
  }
  TMfSegment record{1, static_cast<uint8_t>(isCode), start, length, std::move(name)};
  size_t position = segments.size();
  if (sorted && !segments.empty()) {
    position = 0;
    while (position < segments.size()) {
      const TMfSegment& o = segments[position];
      const bool before =
          (isCode && !o.isCode) || (o.isCode == record.isCode &&
                                    (o.start > start || (o.start == start && o.length < length)));
      if (before) break;
      ++position;
    }
  }
  segments.insert(segments.begin() + static_cast<std::ptrdiff_t>(position), std::move(record));
  // Inserting moves the remembered positions behind it.
  for (int* remembered : {&lastCodeSegment_, &lastDataSegment_})
    if (*remembered >= static_cast<int>(position)) ++*remembered;
  last = static_cast<int>(position);
}

void TMapFile::AddPublic(bool isCode, std::string name, TAddress offset) {
  // Type information of the runtime ("@$xp$...") names no code.
  if (name.size() >= 6 && name[0] == '@' && name[1] == '$' && name[2] == 'x' && name[4] == '$')
    return;
  std::string unit;
  UnmangleName(name, unit);
  const TAddress address = offset + (isCode ? codeStart : dataStart);
  if (const TMfSegment* s = FindSegment(*this, isCode, address)) {
    if (name == s->unitName)
      name = "initialization";
    else if (!unit.empty() && !EqualNoCase(unit, s->unitName))
      name = unit + "." + name;
  }
  publics.push_back({1, static_cast<uint8_t>(isCode), std::move(name), address});
}

void TMapFile::AddLineSorted(int32_t line, TAddress address) {
  if (!lines.empty() && address <= lines.back().address) return;
  lines.push_back({line, address});
}

const TMfSegment* FindSegment(const TMapFile& map, bool isCode, TAddress address) {
  const auto& t = map.segments;
  const int i = Search(t.size(), [&](size_t k) {
    if (t[k].isCode != isCode) return isCode ? -1 : 1;  // code records come first
    if (address < t[k].start) return -1;
    return address - t[k].start < t[k].length ? 0 : 1;
  });
  return i < 0 ? nullptr : &t[i];
}

const TMfPublic* FindPublic(const TMapFile& map, TAddress address) {
  const int i = FindCovering(map, map.publics, address);
  return i < 0 ? nullptr : &map.publics[i];
}

int32_t LineOf(const TMapFile& map, TAddress address, TAddress& nextLineAddress) {
  nextLineAddress = address + 1;
  const int i = FindCovering(map, map.lines, address);
  if (i < 0) return 0;
  if (static_cast<size_t>(i) + 1 < map.lines.size()) nextLineAddress = map.lines[i + 1].address;
  const TMfLine& record = map.lines[i];
  const TMfSegment* s = FindSegment(map, true, address);
  if (!s || record.address < s->start || record.address - s->start > s->length) return 0;
  return record.line;
}

namespace {

struct CacheEntry {
  uint32_t dosDateTime = 0;
  std::shared_ptr<const TMapFile> map;
};

std::vector<CacheEntry>& Cache() {
  static std::vector<CacheEntry> cache;
  return cache;
}

// Reports may be composed on several threads at once (a dialog's and an outside tool's): every
// use of the cache holds this lock. Its objects never change once cached, so they are read
// without it.
std::mutex& CacheLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<const TMapFile> Cached(TAddress module, const char* name) {
  for (const CacheEntry& e : Cache()) {
    // A module loaded again at another base has its addresses elsewhere: read it afresh.
    if (e.map->module == module &&
        (EqualNoCase(e.map->mapFileName, name) || EqualNoCase(e.map->moduleFileName, name)))
      return e.map;
  }
  return nullptr;
}

uint32_t DosDateTimeOf(const std::string& file) {
  WIN32_FIND_DATAA data;
  win::UniqueFind find(FindFirstFileA(file.c_str(), &data));
  WORD date = 0, time = 0;
  if (!find || !FileTimeToDosDateTime(&data.ftLastWriteTime, &date, &time)) return 0;
  return static_cast<uint32_t>(date) << 16 | time;
}

}  // namespace

std::shared_ptr<const TMapFile> GetMapFile(TAddress address) {
  if (address == 0) address = OwnModule();
  MEMORY_BASIC_INFORMATION m;
  char name[MAX_PATH];
  if (VirtualQuery(reinterpret_cast<void*>(address), &m, sizeof m) != sizeof m ||
      m.State != MEM_COMMIT || !m.AllocationBase ||
      !GetModuleFileNameA(static_cast<HMODULE>(m.AllocationBase), name, sizeof name))
    return std::make_shared<TMapFile>();
  const TAddress module = static_cast<TAddress>(reinterpret_cast<uintptr_t>(m.AllocationBase));
  {
    const std::lock_guard<std::mutex> hold(CacheLock());
    if (auto cached = Cached(module, name)) return cached;
  }
  // Read without the lock: another thread may read the same module meanwhile, and the first
  // one cached is kept.
  auto map = std::make_shared<TMapFile>(true, module, name);
  if (!map->isValid) return map;
  const uint32_t dosDateTime = DosDateTimeOf(map->mapFileName);
  const std::lock_guard<std::mutex> hold(CacheLock());
  if (auto cached = Cached(module, name)) return cached;
  Cache().push_back({dosDateTime, map});
  return map;
}

void ClearMapFileCache() {
  const std::lock_guard<std::mutex> hold(CacheLock());
  Cache().clear();
}

TMapFileInfos GetMapFileInfos(TAddress address) {
  TMapFileInfos infos;
  const std::shared_ptr<const TMapFile> map = GetMapFile(address);
  if (!map->isValid) return infos;
  infos.valid = true;
  infos.moduleFileName = map->moduleFileName;
  if (const TMfSegment* s = FindSegment(*map, true, address)) infos.unitName = s->unitName;
  if (const TMfPublic* p = FindPublic(*map, address)) {
    infos.publicName = p->name;
    infos.publicAddress = p->address;
  }
  TAddress next;
  infos.line = LineOf(*map, address, next);
  return infos;
}

bool PublicNameOfAddress(TAddress address, std::string& name) {
  const std::shared_ptr<const TMapFile> map = GetMapFile(address);
  const TMfPublic* p = map->isValid ? FindPublic(*map, address) : nullptr;
  name = p && p->address == address ? p->name : std::string();
  return !name.empty();
}

void LineOfAddressCached(TAddress address, int32_t& line, TAddress& rangeStart,
                         TAddress& rangeEnd) {
  if (line != 0 && rangeStart <= address && address < rangeEnd) return;
  const std::shared_ptr<const TMapFile> map = GetMapFile(address);
  TAddress next = address + 1;
  line = map->isValid ? LineOf(*map, address, next) : 0;
  rangeStart = address;
  rangeEnd = next;
}

namespace {

// The library's start: the disassembler learns names and lines from here; the end empties the
// cache.
struct MapFileUnit {
  MapFileUnit() {
    Cache();  // made first, so that they still exist when this unit ends
    CacheLock();
    PublicNameHook = &PublicNameOfAddress;
    LineHook = &LineOfAddressCached;
  }
  ~MapFileUnit() {
    PublicNameHook = nullptr;
    LineHook = nullptr;
    ClearMapFileCache();
  }
} mapFileUnit;

}  // namespace

}  // namespace drosk
