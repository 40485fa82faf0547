// Streams for the alpha-image reader: well-formed ones of each form, and the fuzzing that cuts and
// mutates them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace xptest {

// The uncompressed alpha block (length, header, pixels) of plain blue-green-red-alpha pixels,
// rows bottom-up; and that block compressed at level 9.
std::string AlphaBlock(int width, int height, const std::vector<uint32_t>& bgra);
std::string Compressed(const std::string& block);
// zlib's own inflation of a stream (the reader's would check itself).
std::string Inflated(const std::string& stream);
// A bitmap file of 24-bit pixels (0x00RRGGBB, rows top-down as given).
std::string BitmapFile24(int width, int height, const std::vector<uint32_t>& rgb);
// A bitmap file of 8 bits with a palette of `colours` entries.
std::string BitmapFile8(int width, int height, int colours);
// A bitmap file of 16-bit 5-6-5 pixels behind their colour masks, rows top-down as given.
std::string BitmapFile565(int width, int height, const std::vector<uint16_t>& pixels);

struct FuzzTally {
  int inputs = 0;
  int loaded = 0;
  int refused = 0;
  std::string unexpected;  // the first failure that was not the reader's own refusal
};

// Loads `count` cut and mutated streams of all three forms, each reproducible from `seed`.
FuzzTally FuzzAlphaImageReader(uint32_t seed, int count);

}  // namespace xptest
