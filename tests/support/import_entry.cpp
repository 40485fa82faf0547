// Import table entries of a loaded module.
#include "support/import_entry.h"

#include <cstdint>
#include <cstring>

namespace testsupport {

void** ImportEntry(HMODULE module, const char* dll, const char* name) {
  auto* base = reinterpret_cast<uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  for (auto* descriptor =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       descriptor->Name; ++descriptor) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
    const auto* names = reinterpret_cast<const uint32_t*>(base + descriptor->OriginalFirstThunk);
    auto* entries = reinterpret_cast<void**>(base + descriptor->FirstThunk);
    for (size_t i = 0; names[i]; ++i) {
      if (names[i] & IMAGE_ORDINAL_FLAG32) continue;
      if (std::strcmp(reinterpret_cast<const char*>(base + names[i] + 2), name) == 0) {
        return &entries[i];
      }
    }
  }
  return nullptr;
}

}  // namespace testsupport
