// Streams: memory, file, resource and zlib streams as images, skins and forms use them.
#include "framework/streams.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>

#include "framework/zstream.h"
#include "support/test_paths.h"

using namespace framework;

namespace {

// Data that compresses (repeats) but not trivially (a running pattern).
std::string SampleData(size_t size) {
  std::string data(size, '\0');
  uint32_t x = 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    data[i] = (i / 700) % 2 ? static_cast<char>('a' + i % 7) : static_cast<char>(x >> 24);
  }
  return data;
}

std::string Compress(const std::string& data, CompressionLevel level) {
  TMemoryStream packed;
  {
    TCompressionStream compressor(level, packed);
    compressor.WriteString(data);
  }
  return std::string(reinterpret_cast<const char*>(packed.Memory()), packed.Bytes().size());
}

}  // namespace

TEST(Streams, MemoryStreamReadsWritesSeeksAndResizes) {
  TMemoryStream stream;
  stream.WriteString("hello world");
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Seek(-5, SeekOrigin::End), 6);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 5);
  EXPECT_EQ(std::string(buffer, 5), "world");
  EXPECT_EQ(stream.Read(buffer, 16), 0) << "nothing after the end";
  // Writing past the end grows the block; the gap reads as zeros.
  stream.Seek(2, SeekOrigin::Current);
  stream.WriteString("!");
  EXPECT_EQ(stream.Size(), 14);
  EXPECT_EQ(stream.Bytes()[12], 0);
  stream.SetSize(5);
  EXPECT_EQ(stream.Position(), 5) << "position follows a shrinking size";
  stream.SetPosition(0);
  EXPECT_EQ(stream.ReadRest(), "hello");
  EXPECT_THROW(stream.Seek(-1, SeekOrigin::Beginning), EStreamError);
  stream.SetPosition(3);
  EXPECT_THROW(stream.ReadBuffer(buffer, 3), EReadError) << "only two bytes are left";
}

TEST(Streams, FileStreamCreatesReopensAndNamesAMissingFile) {
  testsupport::TempDir dir;
  const std::string path = dir.Path("data.bin");
  const std::string data = SampleData(200000);
  {
    TFileStream file(path, fmCreate);
    TMemoryStream source;
    source.WriteString(data);
    EXPECT_EQ(file.CopyFrom(source, 0), 200000) << "0 copies the whole source from its start";
  }
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(file.Size(), 200000);
  file.SetPosition(199990);
  EXPECT_EQ(file.ReadRest(), data.substr(199990));
  EXPECT_THROW(file.WriteBuffer("x", 1), EWriteError) << "opened for reading only";
  TMemoryStream copy;
  copy.LoadFromFile(path);
  EXPECT_EQ(copy.Bytes().size(), data.size());
  EXPECT_EQ(std::memcmp(copy.Memory(), data.data(), data.size()), 0);
  try {
    TFileStream missing(dir.Path("missing.bin"), fmOpenRead);
    ADD_FAILURE() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.bin"), std::string::npos) << e.what();
  }
}

TEST(Streams, CompressionWritesTheZlibHeaderAndRoundTrips) {
  const std::string data = SampleData(300000);
  const std::string best = Compress(data, CompressionLevel::Max);
  ASSERT_GE(best.size(), 2u);
  EXPECT_EQ(static_cast<uint8_t>(best[0]), 0x78);
  EXPECT_EQ(static_cast<uint8_t>(best[1]), 0xDA);
  const std::string normal = Compress(data, CompressionLevel::Default);
  EXPECT_EQ(static_cast<uint8_t>(normal[1]), 0x9C);
  EXPECT_LT(best.size(), data.size() * 3 / 4) << "the repeated runs compress";
  EXPECT_EQ(Compress("", CompressionLevel::Max).size(), 8u) << "header, empty block, checksum";

  // Data after the compressed part stays for the next reader.
  TMemoryStream packed;
  packed.WriteString("head" + best + "tail");
  packed.SetPosition(4);
  TDecompressionStream reader(packed);
  std::string unpacked;
  char chunk[777];
  for (int32_t n; (n = reader.Read(chunk, sizeof chunk)) > 0;) unpacked.append(chunk, n);
  EXPECT_EQ(unpacked, data);
  EXPECT_EQ(reader.Position(), 300000);
  // Going back restarts; going forward skips.
  EXPECT_EQ(reader.Seek(1000, SeekOrigin::Beginning), 1000);
  EXPECT_EQ(reader.Read(chunk, 10), 10);
  EXPECT_EQ(std::string(chunk, 10), data.substr(1000, 10));
  EXPECT_EQ(reader.Seek(250000, SeekOrigin::Beginning), 250000);
  EXPECT_EQ(reader.Read(chunk, 10), 10);
  EXPECT_EQ(std::string(chunk, 10), data.substr(250000, 10));
  EXPECT_THROW(reader.Write("x", 1), EDecompressionError);
}

TEST(Streams, DamagedOrShortCompressedDataIsAnError) {
  const std::string packed = Compress(SampleData(50000), CompressionLevel::Max);
  struct Case {
    std::string bytes;
    const char* why;
  };
  std::string flipped = packed;
  flipped[packed.size() / 2] ^= 0x55;
  const Case cases[] = {
      {packed.substr(0, packed.size() / 2), "cut in the middle"},
      {flipped, "a damaged byte in the middle"},
      {"plain text, not zlib data", "no zlib header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TMemoryStream source;
    source.WriteString(c.bytes);
    source.SetPosition(0);
    TDecompressionStream reader(source);
    EXPECT_THROW(reader.ReadRest(), EDecompressionError);
  }
}

TEST(Streams, ResourceStreamReadsTheModulesOwnResource) {
  TResourceStream stream(GetModuleHandleW(nullptr), L"STREAMSAMPLE", RT_RCDATA);
  EXPECT_EQ(stream.ReadRest(), "resource bytes\n");
  EXPECT_EQ(stream.Size(), 15);
  EXPECT_THROW(stream.Write("x", 1), EWriteError);
  try {
    TResourceStream missing(GetModuleHandleW(nullptr), L"NOSUCHRESOURCE", RT_RCDATA);
    ADD_FAILURE() << "no error";
  } catch (const EResNotFound& e) {
    EXPECT_NE(std::string(e.what()).find("NOSUCHRESOURCE"), std::string::npos) << e.what();
  }
}
