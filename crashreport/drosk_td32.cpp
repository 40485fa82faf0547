// The TD32 reader: subsection directories, names, modules with their segments, source lines and
// symbols, with every count and offset checked against the data.
#include "crashreport/drosk_td32.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "framework/win/handles.h"

namespace drosk {
namespace {

// Bounded little-endian reads at offsets of the data.
class Td32Data {
 public:
  explicit Td32Data(std::string_view data) : d_(data) {}
  bool Has(size_t at, size_t n) const { return at <= d_.size() && n <= d_.size() - at; }
  template <class T>
  bool Get(size_t at, T& v) const {
    if (!Has(at, sizeof v)) return false;
    std::memcpy(&v, d_.data() + at, sizeof v);
    return true;
  }
  std::string_view View(size_t at, size_t n) const { return Has(at, n) ? d_.substr(at, n) : ""; }
  size_t Size() const { return d_.size(); }

 private:
  std::string_view d_;
};

struct Subsection {
  uint16_t type;
  uint32_t offset;
  uint32_t size;
};

constexpr uint32_t kMaxDirectories = 64;
constexpr uint16_t kProc32Local = 0x204, kProc32Global = 0x205, kData32Local = 0x201,
                   kData32Global = 0x202, kPublic32a = 0x20, kPublic32b = 0x21;

// The directories from the offset after the signature, until the chain leads back to the start.
std::vector<Subsection> Directories(const Td32Data& t) {
  std::vector<Subsection> all;
  uint32_t at = 0;
  std::set<uint32_t> seen;
  if (!t.Get(4, at)) return all;
  while (at != 0 && seen.insert(at).second && seen.size() <= kMaxDirectories) {
    uint16_t headerSize, entrySize;
    uint32_t count, next;
    if (!t.Get(at, headerSize) || !t.Get(at + 2, entrySize) || !t.Get(at + 4, count) ||
        !t.Get(at + 8, next) || entrySize < 12 || count > t.Size() / entrySize ||
        !t.Has(at + headerSize, size_t{count} * entrySize))
      break;
    for (uint32_t i = 0; i < count; ++i) {
      const size_t e = at + headerSize + size_t{i} * entrySize;
      Subsection s{};
      t.Get(e, s.type);
      t.Get(e + 4, s.offset);
      t.Get(e + 8, s.size);
      if (t.Has(s.offset, s.size)) all.push_back(s);
    }
    at = next;
  }
  return all;
}

// Names are counted from 1.
std::vector<std::string_view> Names(const Td32Data& t, const Subsection& s) {
  std::vector<std::string_view> names;
  uint32_t count;
  size_t at = s.offset + 4;
  const size_t end = size_t{s.offset} + s.size;
  if (!t.Get(s.offset, count)) return names;
  for (uint32_t i = 0; i < count && at < end; ++i) {
    uint8_t length = 0;
    t.Get(at, length);
    if (at + 1 + length + 1 > end) break;
    names.push_back(t.View(at + 1, length));
    at += length + 2u;
  }
  return names;
}

std::string_view NameOf(const std::vector<std::string_view>& names, uint32_t index) {
  return index >= 1 && index <= names.size() ? names[index - 1] : std::string_view();
}

std::string WithoutDirectory(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Module: overlay, library, segment count, style, name index, time, 3 reserved words, then per
// segment its number, flags, offset and size.
void ReadModule(TMapFile& map, const Td32Data& t, const Subsection& s,
                const std::vector<std::string_view>& names) {
  uint16_t segments;
  uint32_t nameIndex;
  if (!t.Get(s.offset + 4, segments) || !t.Get(s.offset + 8, nameIndex)) return;
  const std::string unit = WithoutDirectory(NameOf(names, nameIndex));
  for (uint32_t i = 0; i < segments; ++i) {
    const size_t e = s.offset + 28 + size_t{i} * 12;
    if (e + 12 > size_t{s.offset} + s.size) return;
    uint16_t segment = 0;
    uint32_t offset = 0, size = 0;
    t.Get(e, segment);
    t.Get(e + 4, offset);
    t.Get(e + 8, size);
    if (size && (segment == 1 || segment == 2))
      map.AddSegment(segment == 1, true, offset, false, false, unit, size);
  }
}

// Source lines: files with their line blocks of (segment, n, n offsets, n lines). Blocks may be
// named more than once; `budget` (the pairs the data can hold) bounds what a hostile stream adds.
void ReadSourceLines(TMapFile& map, const Td32Data& t, const Subsection& s, size_t& budget) {
  uint16_t files;
  const size_t end = size_t{s.offset} + s.size;
  if (!t.Get(s.offset, files)) return;
  for (uint32_t f = 0; f < files; ++f) {
    uint32_t fileOffset;
    uint16_t blocks;
    if (!t.Get(s.offset + 4 + size_t{f} * 4, fileOffset) || !t.Get(s.offset + fileOffset, blocks))
      return;
    for (uint32_t b = 0; b < blocks; ++b) {
      uint32_t blockOffset;
      uint16_t pairs;
      if (!t.Get(s.offset + fileOffset + 4 + size_t{b} * 4, blockOffset) ||
          !t.Get(s.offset + blockOffset + 2, pairs))
        return;
      const size_t offsets = s.offset + size_t{blockOffset} + 4;
      const size_t lines = offsets + size_t{pairs} * 4;
      if (lines + size_t{pairs} * 2 > end || pairs > budget) return;
      budget -= pairs;
      for (uint32_t k = 0; k < pairs; ++k) {
        uint32_t offset = 0;
        uint16_t line = 0;
        t.Get(offsets + k * 4, offset);
        t.Get(lines + k * 2, line);
        map.lines.push_back({line, map.codeStart + offset});
      }
    }
  }
}

// Symbol records: length, type, then by type. Procedures: parent, end, next, length, debug
// start and end, offset, segment, type, flags, name; data and publics: offset, segment, flags,
// type, name.
void ReadSymbols(TMapFile& map, const Td32Data& t, size_t at, size_t end,
                 const std::vector<std::string_view>& names) {
  while (at + 4 <= end) {
    uint16_t length = 0, type = 0;
    t.Get(at, length);
    t.Get(at + 2, type);
    if (length < 2) return;
    const size_t r = at + 4, next = at + 2 + length;
    if (next > end) return;
    uint32_t offset = 0, size = 0, nameIndex = 0;
    uint16_t segment = 0;
    bool use = false;
    if ((type == kProc32Local || type == kProc32Global) && r + 39 <= next) {
      t.Get(r + 12, size);
      t.Get(r + 24, offset);
      t.Get(r + 28, segment);
      t.Get(r + 35, nameIndex);
      use = size != 0;
    } else if ((type == kData32Local || type == kData32Global || type == kPublic32a ||
                type == kPublic32b) &&
               r + 16 <= next) {
      t.Get(r, offset);
      t.Get(r + 4, segment);
      t.Get(r + 12, nameIndex);
      use = type == kPublic32a || type == kPublic32b || offset != 0;
    }
    const std::string_view name = NameOf(names, nameIndex);
    if (use && !name.empty() && (segment == 1 || segment == 2))
      map.AddPublic(segment == 1, std::string(name), offset);
    at = next;
  }
}

enum class Compaction { Overlapping, Filling };

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return tolower(static_cast<unsigned char>(x)) == tolower(static_cast<unsigned char>(y));
         });
}

void Compact(std::vector<TMfSegment>& segments, Compaction mode) {
  if (segments.empty()) return;
  size_t kept = 0;
  for (size_t i = 1; i < segments.size(); ++i) {
    TMfSegment& c = segments[kept];
    TMfSegment& n = segments[i];
    if (c.length == 0 || c.start == n.start) {
      c = n;
      continue;
    }
    if (c.isCode == n.isCode && (mode == Compaction::Filling || n.start <= c.start + c.length)) {
      c.length = n.start - c.start;
      if (EqualNoCase(c.unitName, n.unitName)) {
        c.length += n.length;
        continue;
      }
    }
    segments[++kept] = n;
  }
  segments.resize(kept + 1);
}

}  // namespace

bool ReadTd32Data(TMapFile& map, std::string_view data) {
  const Td32Data t(data);
  if (data.size() < 8 ||
      (data.substr(0, 4) != kTd32Signature09 && data.substr(0, 4) != kTd32Signature0A))
    return false;
  const std::vector<Subsection> subsections = Directories(t);
  std::vector<std::string_view> names;
  for (const Subsection& s : subsections)
    if (s.type == kSstNames) names = Names(t, s);
  for (const Subsection& s : subsections)
    if (s.type == kSstModule) ReadModule(map, t, s, names);
  size_t budget = data.size() / 6;
  for (const Subsection& s : subsections)
    if (s.type == kSstSrcModule) ReadSourceLines(map, t, s, budget);
  std::sort(map.segments.begin(), map.segments.end(), [](const TMfSegment& a, const TMfSegment& b) {
    return a.isCode != b.isCode ? a.isCode > b.isCode : a.start < b.start;
  });
  Compact(map.segments, Compaction::Overlapping);
  bool global = false;
  for (const Subsection& s : subsections) {
    if (s.type != kSstGlobalSym) continue;
    global = true;
    uint32_t symbolBytes;
    if (t.Get(s.offset + 4, symbolBytes))
      ReadSymbols(map, t, s.offset + 16,
                  std::min<size_t>(size_t{s.offset} + s.size, size_t{s.offset} + 16 + symbolBytes),
                  names);
  }
  if (!global)
    for (const Subsection& s : subsections)
      if (s.type == kSstAlignSym)
        ReadSymbols(map, t, s.offset + 4, size_t{s.offset} + s.size, names);
  std::sort(map.publics.begin(), map.publics.end(),
            [](const TMfPublic& a, const TMfPublic& b) { return a.address < b.address; });
  Compact(map.segments, Compaction::Filling);
  return true;
}

namespace {

// The TD32 data of a mapped file: at the last section's raw data when that section is the
// debug data, from the first byte for a file without image headers.
std::string_view Td32InFile(std::string_view file, TAddress debugDirectory) {
  IMAGE_DOS_HEADER dos;
  if (file.size() < sizeof dos) return file;
  std::memcpy(&dos, file.data(), sizeof dos);
  IMAGE_NT_HEADERS32 nt;
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
      static_cast<size_t>(dos.e_lfanew) > file.size() - sizeof nt)
    return file;
  std::memcpy(&nt, file.data() + dos.e_lfanew, sizeof nt);
  if (nt.Signature != IMAGE_NT_SIGNATURE || nt.FileHeader.NumberOfSections == 0) return file;
  const size_t sections = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                          nt.FileHeader.SizeOfOptionalHeader;
  const size_t lastAt =
      sections + (nt.FileHeader.NumberOfSections - 1u) * sizeof(IMAGE_SECTION_HEADER);
  IMAGE_SECTION_HEADER last;
  if (lastAt > file.size() || file.size() - lastAt < sizeof last) return {};
  std::memcpy(&last, file.data() + lastAt, sizeof last);
  const TAddress debug =
      debugDirectory ? debugDirectory
      : nt.OptionalHeader.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_DEBUG
          ? nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG].VirtualAddress
          : 0;
  if (last.PointerToRawData == 0 || last.VirtualAddress != debug ||
      last.PointerToRawData >= file.size())
    return {};
  return file.substr(last.PointerToRawData);
}

}  // namespace

bool ReadTd32(TMapFile& map, const TImageRanges* headers) {
  if (headers && headers->debugDirectory) {
    // In the loaded image; read only as far as the image reaches.
    const TAddress at = map.module + headers->debugDirectory;
    const TAddress end = map.module + headers->imageSize;
    char signature[4];
    if (at < end && TryRead(at, signature, 4, nullptr) &&
        (std::string_view(signature, 4) == kTd32Signature09 ||
         std::string_view(signature, 4) == kTd32Signature0A)) {
      std::string copy(end - at, '\0');
      if (TryRead(at, copy.data(), static_cast<uint32_t>(copy.size()), nullptr))
        return ReadTd32Data(map, copy);
    }
  }
  const std::string& name = map.moduleFileName;
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  std::string file = stem + ".tds";
  if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) file = name;
  win::UniqueHandle handle(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) return false;
  const DWORD size = GetFileSize(handle.get(), nullptr);
  if (size == INVALID_FILE_SIZE || size == 0) return false;
  win::UniqueHandle mapping(
      CreateFileMappingA(handle.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping) return false;
  const void* view = MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
  if (!view) return false;
  const std::string_view whole(static_cast<const char*>(view), size);
  const bool ok = ReadTd32Data(map, Td32InFile(whole, headers ? headers->debugDirectory : 0));
  UnmapViewOfFile(view);
  if (ok) map.mapFileName = file;
  return ok;
}

}  // namespace drosk
