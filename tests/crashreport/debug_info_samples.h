// Debug-information streams built by their layouts, for the readers' tests and fuzzing.
#pragma once

#include <cstdint>
#include <string>

namespace samples {

// Little-endian stream builder.
struct Bytes {
  std::string s;
  Bytes& U8(uint8_t v);
  Bytes& U16(uint16_t v);
  Bytes& U32(uint32_t v);
  Bytes& Short(const std::string& t);  // length byte and characters
  Bytes& Packed(int32_t v);            // one signed byte, or 0x80 and four bytes
  Bytes& Raw(const std::string& t);
};

// A packed container around `stream`: identification, body length, version, and the body
// (compressed with its size-and-checksum header, then enciphered under the body-length key).
std::string Container(const std::string& stream, uint32_t version = 2);
// The three tables of a packed stream: two segments, three publics (one delta beyond 127),
// three line records (deltas beyond 127 and negative).
Bytes Tables();
// A TD32 stream: names; a module with a code, a data and an empty segment, a second whose code
// overlaps the first's end and a third after a gap; three source lines; global (or aligned)
// symbols, one procedure of length 0.
std::string Td32Stream(const char* signature = "FB09", bool alignedSymbols = false);

}  // namespace samples
