// Times the decoder over the module's whole code section, reading the module's map with 100,000
// lookups, and parsing every function the map names. Run by hand beside Tralvek.dll and its map:
// drosk_debug_info_bench
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>

#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_map_file.h"

namespace {

using namespace drosk;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// Processor time of this thread: the machine is shared, and waiting for a processor is not the
// decoder's time.
double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& f) {
    return (static_cast<uint64_t>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e7;
  };
  return value(kernel) + value(user);
}

}  // namespace

int main() {
  HMODULE module = LoadLibraryExA("Tralvek.dll", nullptr, DONT_RESOLVE_DLL_REFERENCES);
  TImageRanges r;
  if (!module || !ImageRangesOf(static_cast<TAddress>(reinterpret_cast<uintptr_t>(module)), r)) {
    std::fprintf(stderr, "Tralvek.dll not found in the current folder\n");
    return 2;
  }
  int failures = 0;

  // Linear decoding of the whole code section, several passes, in processor time.
  TDATryRead areas = GetReadableAreas();
  uint64_t decoded = 0;
  const double cpuStart = ThreadSeconds();
  for (int pass = 0; pass < 10; ++pass) {
    for (TAddress at = r.codeStart; at < r.codeEnd;) {
      TDecodedDetails d;
      const TInstructionInfo i = Decode(at, d, &areas, false, nullptr);
      at = i.Next > at ? i.Next : at + 1;
      ++decoded;
    }
  }
  const double perSecond = decoded / std::max(ThreadSeconds() - cpuStart, 1e-3);
  std::printf("decoding: %.1f million instructions per second (target 5)\n", perSecond / 1e6);
  failures += perSecond < 5e6;

  // The map read afresh, then 100,000 lookups of unit, public and line.
  ClearMapFileCache();
  auto start = Clock::now();
  const std::shared_ptr<const TMapFile> map = GetMapFile(r.codeStart);
  const double readSeconds = Seconds(start);
  uint32_t state = 12345, found = 0;
  for (int k = 0; k < 100000; ++k) {
    state = state * 1664525u + 1013904223u;
    const TAddress a = r.codeStart + state % (r.codeEnd - r.codeStart);
    TAddress next;
    found += FindPublic(*map, a) != nullptr;
    found += FindSegment(*map, true, a) != nullptr;
    found += LineOf(*map, a, next) != 0;
  }
  const double mapSeconds = Seconds(start);
  std::printf(
      "map: read in %.0f ms, with 100,000 lookups %.0f ms (target 200); %u answers, "
      "%zu publics, %zu lines\n",
      readSeconds * 1e3, mapSeconds * 1e3, found, map->publics.size(), map->lines.size());
  failures += !map->isValid || mapSeconds > 0.2;

  // Every code public parsed as a function.
  start = Clock::now();
  int parsed = 0, valid = 0;
  for (const TMfPublic& p : map->publics) {
    if (!p.isCode) continue;
    ++parsed;
    valid += ParseFunctionSafe(p.address, areas).Valid;
  }
  std::printf("parsing: %d functions in %.0f ms, %d parsed whole\n", parsed, Seconds(start) * 1e3,
              valid);
  FreeReadableAreas(areas);
  return failures ? 1 : 0;
}
