// Raw deflate against streams made by Python's zlib, the packed-text framing and CRC-32.
#include "crashreport/drosk_zip.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace drosk {
namespace {

struct ZipVector {
  const char* name;
  const unsigned char* input;
  size_t inputSize;
  const unsigned char* stream;
  size_t streamSize;
  uint32_t crc;
};

#include "zip_vectors.inc"

std::string Bytes(const unsigned char* data, size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

std::string Packed(uint32_t length, uint32_t crc, const std::string& stream) {
  std::string packed;
  for (uint32_t word : {length, 0xDEADBEEFu, crc}) {
    for (int i = 0; i < 4; ++i) packed += static_cast<char>(word >> (8 * i));
  }
  return packed + stream;
}

TEST(DroskZip, CompressesAsZlibDoesWithTheLibrarysParameters) {
  for (const ZipVector& v : kZipVectors) {
    SCOPED_TRACE(v.name);
    const uint32_t capacity = static_cast<uint32_t>(v.inputSize * 11 / 10 + 12);
    std::vector<unsigned char> out(capacity);
    const int32_t length =
        Compress(v.input, out.data(), static_cast<uint32_t>(v.inputSize), capacity);
    ASSERT_EQ(length, static_cast<int32_t>(v.streamSize));
    EXPECT_EQ(Bytes(out.data(), length), Bytes(v.stream, v.streamSize));
    // Exactly filling the destination is indistinguishable from a cut stream: refused.
    EXPECT_EQ(Compress(v.input, out.data(), static_cast<uint32_t>(v.inputSize),
                       static_cast<uint32_t>(v.streamSize)),
              0);
    EXPECT_EQ(Compress(v.input, out.data(), static_cast<uint32_t>(v.inputSize),
                       static_cast<uint32_t>(v.streamSize) + 1),
              static_cast<int32_t>(v.streamSize));
  }
}

TEST(DroskZip, UncompressInsistsOnTheExactSizeAndTheWholeStream) {
  for (const ZipVector& v : kZipVectors) {
    SCOPED_TRACE(v.name);
    const uint32_t size = static_cast<uint32_t>(v.inputSize);
    const uint32_t streamSize = static_cast<uint32_t>(v.streamSize);
    // A guard after the block shows any write past its end.
    std::vector<unsigned char> out(v.inputSize + 64, 0xA5);
    ASSERT_EQ(Uncompress(v.stream, out.data(), streamSize, size), size);
    EXPECT_EQ(Bytes(out.data(), v.inputSize), Bytes(v.input, v.inputSize));
    if (size > 0) {
      std::fill(out.begin(), out.end(), 0xA5);
      EXPECT_EQ(Uncompress(v.stream, out.data(), streamSize, size - 1), 0u);
      EXPECT_EQ(out[size - 1], 0xA5) << "wrote past a block one byte too small";
    }
    EXPECT_EQ(Uncompress(v.stream, out.data(), streamSize, size + 1), 0u);
    EXPECT_EQ(Uncompress(v.stream, out.data(), streamSize - 1, size), 0u) << "cut stream";
    std::string trailing = Bytes(v.stream, v.streamSize) + "x";
    EXPECT_EQ(Uncompress(trailing.data(), out.data(), streamSize + 1, size), 0u)
        << "bytes after the stream's end";
  }
  const unsigned char garbage[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  unsigned char out[16];
  EXPECT_EQ(Uncompress(garbage, out, sizeof garbage, sizeof out), 0u);
}

TEST(DroskZip, UncompressStrChecksHeaderSizeAndChecksum) {
  const ZipVector& v = kZipVectors[3];  // several blocks of report lines
  const std::string input = Bytes(v.input, v.inputSize);
  const std::string stream = Bytes(v.stream, v.streamSize);
  const uint32_t size = static_cast<uint32_t>(v.inputSize);
  EXPECT_EQ(UncompressStr(Packed(size, v.crc, stream)), input);
  EXPECT_EQ(UncompressStr(Packed(size, v.crc ^ 0x100, stream)), "");
  EXPECT_EQ(UncompressStr(Packed(size + 1, v.crc, stream)), "");
  EXPECT_EQ(UncompressStr(Packed(size - 1, v.crc, stream)), "");
  EXPECT_EQ(UncompressStr(Packed(size, v.crc, stream).substr(0, 12)), "");
  EXPECT_EQ(UncompressStr(Packed(size, v.crc, stream.substr(0, 100))), "");
  // A header that promises more than any stream of this length can hold.
  EXPECT_EQ(UncompressStr(Packed(0xFFFFFFF0u, v.crc, stream)), "");
  const ZipVector& one = kZipVectors[1];
  EXPECT_EQ(UncompressStr(Packed(1, one.crc, Bytes(one.stream, one.streamSize))), "x");
}

TEST(Crc32, GivesTheStandardCheckValueAndChainsOverPieces) {
  const std::string check = "123456789";
  EXPECT_EQ(~UpdateCrc32(0xFFFFFFFF, check.data(), check.size()), 0xCBF43926u);
  const uint32_t half = UpdateCrc32(0xFFFFFFFF, check.data(), 4);
  EXPECT_EQ(~UpdateCrc32(half, check.data() + 4, 5), 0xCBF43926u);
  EXPECT_EQ(UpdateCrc32(0x12345678, nullptr, 0), 0x12345678u);
  for (const ZipVector& v : kZipVectors) {
    EXPECT_EQ(~UpdateCrc32(0xFFFFFFFF, v.input, v.inputSize), v.crc) << v.name;
  }
}

}  // namespace
}  // namespace drosk
