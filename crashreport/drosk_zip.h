// The library's compression unit: raw deflate streams, packed texts with a size-and-checksum
// header, and CRC-32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace drosk {

// Compresses the whole source into a raw deflate stream (no zlib header or trailer). Returns the
// stream's length, or 0 when the destination filled up completely or anything failed.
int32_t Compress(const void* source, void* destination, uint32_t sourceLength,
                 uint32_t destinationCapacity) noexcept;

// Inflates a raw deflate stream into a block of exactly `expectedLength` bytes. Never writes past
// that block. Returns `expectedLength` when the stream ended, every source byte was used and
// exactly that many bytes came out; 0 otherwise.
uint32_t Uncompress(const void* source, void* destination, uint32_t sourceLength,
                    uint32_t expectedLength) noexcept;

// Unpacks a text made of a 12-byte little-endian header (uncompressed length, a word not
// examined, CRC-32 of the uncompressed bytes) and a raw deflate stream. Empty on any failure.
std::string UncompressStr(std::string_view packed);

// The standard reflected CRC-32 step (polynomial 0xEDB88320). Callers start with 0xFFFFFFFF and
// complement the result; a length of 0 returns the start value.
uint32_t UpdateCrc32(uint32_t value, const void* data, size_t length) noexcept;

}  // namespace drosk
