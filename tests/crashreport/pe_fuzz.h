// Damaged copies of a module's image for the PE readers: each copy sits right before a closed
// page, so any read past its end faults, and gets a few random mutations aimed at the headers and
// the export and import tables. Shared by the unit test and the standalone fuzz program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace fuzz {

// Runs the readers over `iterations` mutated copies of `module`; returns an empty text when an
// undamaged copy reads as the module does (the readers crash the process otherwise), else why not.
std::string FuzzPeReaders(HMODULE module, uint32_t seed, int iterations);

}  // namespace fuzz
