// The names behind code addresses: a module's debug information (units, publics, lines) read
// from the linker's text map beside it, with lookups and a process-wide cache.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

struct TMfSegment {  // one unit's piece of a segment
  uint8_t used = 1;
  uint8_t isCode = 0;
  TAddress start = 0;
  uint32_t length = 0;
  std::string unitName;
};

struct TMfPublic {
  uint8_t used = 1;
  uint8_t isCode = 0;
  std::string name;
  TAddress address = 0;
};

struct TMfLine {
  int32_t line = 0;
  TAddress address = 0;
};

class TMapFile {
 public:
  TMapFile() = default;
  // Reads the first debug-information source of `module` that succeeds; with `enabled` false
  // the object stays empty and invalid.
  TMapFile(bool enabled, TAddress module, const std::string& fileName);

  // Parses the text of a linker map against the code and data start already set.
  void ParseTextMap(std::string_view text);

  void AddSegment(bool isCode, bool based, TAddress start, bool sorted, bool merge,
                  std::string name, uint32_t length);
  void AddPublic(bool isCode, std::string name, TAddress offset);
  void AddLineSorted(int32_t line, TAddress address);

  std::vector<TMfSegment> segments;  // code first, each kind by ascending start
  std::vector<TMfPublic> publics;    // by address
  std::vector<TMfLine> lines;        // by address
  TAddress entryPoint = 0;
  TAddress dataStart = 0, dataEnd = 0;
  TAddress module = 0;
  bool isValid = false;
  TAddress codeStart = 0, codeEnd = 0;
  std::string moduleFileName;
  std::string mapFileName;

 private:
  bool ReadBesideModule();
  int lastCodeSegment_ = -1, lastDataSegment_ = -1;  // for merging
};

const TMfSegment* FindSegment(const TMapFile& map, bool isCode, TAddress address);
const TMfPublic* FindPublic(const TMapFile& map, TAddress address);
// The line of `address` (0 when none); `nextLineAddress` becomes where the next line record
// starts (address + 1 when there is none).
int32_t LineOf(const TMapFile& map, TAddress address, TAddress& nextLineAddress);

// Debug files beside a module larger than this are not read: a report must not run out of
// memory over its names.
constexpr int64_t kMaxDebugFileSize = int64_t{64} << 20;
// "<name>.map not read: <n> MB, more than ..." for a module whose debug file beside it is too
// large to read; empty otherwise.
std::string OversizedDebugFileNote(const std::string& moduleFileName);

// The map of the module that holds `address` (0: this library's module). Valid maps come from
// the process-wide cache; an invalid one is made afresh.
std::shared_ptr<const TMapFile> GetMapFile(TAddress address);
// Empties the cache (at unit finalisation and in tests).
void ClearMapFileCache();

struct TMapFileInfos {
  bool valid = false;
  std::string moduleFileName;
  std::string unitName;
  std::string publicName;
  TAddress publicAddress = 0;
  int32_t line = 0;
};
TMapFileInfos GetMapFileInfos(TAddress address);

// The disassembler's hooks, installed when the library starts.
bool PublicNameOfAddress(TAddress address, std::string& name);
void LineOfAddressCached(TAddress address, int32_t& line, TAddress& rangeStart, TAddress& rangeEnd);

}  // namespace drosk
