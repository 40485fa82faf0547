// Damaged input for the debug-information readers and random code for the decoder, parser and
// listing. Each routine returns an empty text when every run kept the readers' promises (a fault
// ends the process), else what was broken. Shared by the unit tests and the fuzz program.
#pragma once

#include <cstdint>
#include <string>

namespace fuzz {

std::string FuzzPackedReader(uint32_t seed, int iterations);
std::string FuzzTd32Reader(uint32_t seed, int iterations);
// Lines of `sampleMap` cut, swapped, shortened and garbled.
std::string FuzzTextMapReader(const std::string& sampleMap, uint32_t seed, int iterations);
// Random bytes right before an uncommitted page: decoded, parsed and listed.
std::string FuzzCode(uint32_t seed, int iterations);

}  // namespace fuzz
