// Raw deflate and inflate over the installed zlib, the packed-text framing and CRC-32.
#include "crashreport/drosk_zip.h"

#include <zlib.h>

#include <array>
#include <new>

namespace drosk {

namespace {

// Raw streams: negative window bits drop zlib's header and trailer.
constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;
constexpr int kCompressionLevel = 2;
constexpr size_t kPackedHeaderSize = 12;
// Deflate cannot expand data by more than this factor (a 258-byte match coded in one bit), so a
// header that promises more is a lie; refusing it saves a pointless huge allocation.
constexpr uint64_t kMaxInflateRatio = 1032;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t ReadLittle32(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

}  // namespace

int32_t Compress(const void* source, void* destination, uint32_t sourceLength,
                 uint32_t destinationCapacity) noexcept {
  z_stream stream{};
  if (deflateInit2(&stream, kCompressionLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    return 0;
  }
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(source));
  stream.avail_in = sourceLength;
  stream.next_out = static_cast<Bytef*>(destination);
  stream.avail_out = destinationCapacity;
  const int status = deflate(&stream, Z_FINISH);
  const bool complete = status == Z_STREAM_END && stream.avail_out > 0;
  const uLong length = stream.total_out;
  deflateEnd(&stream);
  return complete ? static_cast<int32_t>(length) : 0;
}

uint32_t Uncompress(const void* source, void* destination, uint32_t sourceLength,
                    uint32_t expectedLength) noexcept {
  z_stream stream{};
  if (inflateInit2(&stream, kRawWindowBits) != Z_OK) return 0;
  Bytef none = 0;  // zlib refuses a null output pointer even for an empty block
  stream.next_in = static_cast<Bytef*>(const_cast<void*>(source));
  stream.avail_in = sourceLength;
  stream.next_out = destination ? static_cast<Bytef*>(destination) : &none;
  stream.avail_out = expectedLength;
  const int status = inflate(&stream, Z_FINISH);
  // Only the stream's own end proves that nothing more would have come out: a stream that holds
  // more than the block is cut off by zlib without an error.
  const bool complete =
      status == Z_STREAM_END && stream.avail_in == 0 && stream.total_out == expectedLength;
  inflateEnd(&stream);
  return complete ? expectedLength : 0;
}

std::string UncompressStr(std::string_view packed) {
  if (packed.size() <= kPackedHeaderSize) return {};
  const uint32_t length = ReadLittle32(packed.data());
  const uint32_t crc = ReadLittle32(packed.data() + 8);
  const std::string_view body = packed.substr(kPackedHeaderSize);
  if (length > body.size() * kMaxInflateRatio) return {};
  std::string text;
  try {
    text.resize(length);
  } catch (const std::bad_alloc&) {
    return {};  // a damaged header's size; the caller reads "no usable data"
  }
  text.resize(Uncompress(body.data(), text.data(), static_cast<uint32_t>(body.size()), length));
  if (!text.empty() && ~UpdateCrc32(0xFFFFFFFF, text.data(), text.size()) != crc) return {};
  return text;
}

uint32_t UpdateCrc32(uint32_t value, const void* data, size_t length) noexcept {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < length; ++i) value = kCrcTable[(value ^ bytes[i]) & 0xFF] ^ (value >> 8);
  return value;
}

}  // namespace drosk
