// What the disassembler's units share among themselves.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

// Copies up to `count` code bytes from `code` into `out` and returns how many could be read:
// only bytes that the snapshot (or, without one, the system) reports readable are read. A
// snapshot's bytes are read through the system, so that memory freed since ends them instead of
// faulting.
size_t ReadCodeBytes(TAddress code, uint8_t* out, size_t count, const TDATryRead* areas);

// The module of the library's own code.
TAddress OwnModule();

}  // namespace drosk
