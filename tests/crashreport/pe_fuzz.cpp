// The PE readers on thousands of damaged image copies.
#include "pe_fuzz.h"

#include <cstring>
#include <random>
#include <vector>

#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"

namespace fuzz {

namespace {

constexpr const char* kNames[] = {"ProbeAnswer",   "ProbeTwice", "Renamed", "Forwarded",
                                  "ForwardedHome", "LoopA",      "Missing", "_ZN5probe7CounterEi"};

// Where damage hurts most: the headers and the export and import tables with their arrays.
std::vector<std::pair<uint32_t, uint32_t>> Targets(HMODULE module, uint32_t imageSize) {
  std::vector<std::pair<uint32_t, uint32_t>> targets = {{0, 0x400}, {0, imageSize}};
  const auto* base = reinterpret_cast<const uint8_t*>(module);
  uint32_t size = 0;
  if (const auto* exports =
          static_cast<const IMAGE_EXPORT_DIRECTORY*>(drosk::GetImageDirectory(module, 0, &size))) {
    const uint32_t start = static_cast<uint32_t>(reinterpret_cast<const uint8_t*>(exports) - base);
    targets.push_back({start, size});
    targets.push_back({exports->AddressOfFunctions, exports->NumberOfFunctions * 4});
    targets.push_back({exports->AddressOfNames, exports->NumberOfNames * 4});
    targets.push_back({exports->AddressOfNameOrdinals, exports->NumberOfNames * 2});
  }
  if (const void* imports = drosk::GetImageDirectory(module, 1, &size)) {
    targets.push_back({static_cast<uint32_t>(static_cast<const uint8_t*>(imports) - base), size});
  }
  return targets;
}

void Mutate(uint8_t* image, uint32_t imageSize,
            const std::vector<std::pair<uint32_t, uint32_t>>& targets, std::mt19937& random) {
  const auto& [start, length] = targets[random() % targets.size()];
  if (length == 0 || start >= imageSize) return;
  const uint32_t at = start + random() % std::min(length, imageSize - start);
  const uint32_t interesting[] = {0,
                                  0xFFFFFFFF,
                                  0x7FFFFFFF,
                                  0x80000000,
                                  imageSize,
                                  imageSize - 1,
                                  imageSize + 4,
                                  random() % 64,
                                  random() % imageSize};
  switch (random() % 4) {
    case 0: image[at] = static_cast<uint8_t>(random()); break;
    case 1: image[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
    default:
      if (at + 4 <= imageSize) {
        const uint32_t value = interesting[random() % std::size(interesting)];
        std::memcpy(image + at, &value, 4);
      }
  }
}

// Every reader over the copy; the answers themselves do not matter, surviving does.
void ReadAll(HMODULE copy, uint32_t imageSize) {
  drosk::GetImageNtHeaders(copy);
  for (unsigned i = 0; i < 17; ++i) drosk::GetImageDirectory(copy, i);
  for (const char* name : kNames) drosk::GetProcAddressEx(copy, name);
  for (uint32_t ordinal = 0; ordinal < 16; ++ordinal) drosk::GetProcAddressByOrdinal(copy, ordinal);
  // Writes into the copy's own import table only.
  static const void* ticks =
      reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleA("kernel32"), "GetTickCount"));
  drosk::PatchModuleImports(copy, ticks, &kNames);
  const auto* base = reinterpret_cast<const uint8_t*>(copy);
  for (uint32_t rva = 0x1000; rva < imageSize; rva += 0x10) {
    if (rva < 0x1600) drosk::GetExportName(copy, base + rva, true);
  }
}

}  // namespace

std::string FuzzPeReaders(HMODULE module, uint32_t seed, int iterations) {
  const IMAGE_NT_HEADERS32* headers = drosk::GetImageNtHeaders(module);
  if (!headers) return "the module has no readable headers";
  const uint32_t imageSize = headers->OptionalHeader.SizeOfImage;
  GuardedCopy copy(module);
  if (!copy.Valid()) return "no memory for the copy";
  const auto* real = reinterpret_cast<const uint8_t*>(GetProcAddress(module, "ProbeTwice"));
  if (drosk::GetProcAddressEx(copy.Module(), "ProbeTwice") !=
      copy.Base() + (real - reinterpret_cast<const uint8_t*>(module))) {
    return "an undamaged copy does not resolve as the module";
  }

  const auto targets = Targets(module, imageSize);
  std::mt19937 random(seed);
  for (int i = 0; i < iterations; ++i) {
    copy.Reset();
    for (int n = 1 + random() % 6; n > 0; --n) Mutate(copy.Base(), imageSize, targets, random);
    ReadAll(copy.Module(), imageSize);
  }
  return {};
}

}  // namespace fuzz
