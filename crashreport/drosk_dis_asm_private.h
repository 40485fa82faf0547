// What the disassembler's units share among themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

// Copies up to `count` code bytes from `code` into `out` and returns how many could be read:
// only bytes that the snapshot (or, without one, the system) reports readable are touched.
size_t ReadCodeBytes(TAddress code, uint8_t* out, size_t count, const TDATryRead* areas);

// The module (allocation base) that holds `address` and its file name; false for none.
bool ModuleOf(TAddress address, TAddress& module, std::string& fileName);
// The module of the library's own code.
TAddress OwnModule();
// The name the export table of the module holding `address` gives it: the export's name, or
// "#" and its ordinal when it has none; false when the address is not exported.
bool ExportNameOf(TAddress address, std::string& name);

}  // namespace drosk
