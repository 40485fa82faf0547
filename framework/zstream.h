// zlib compression and decompression as streams over another stream, with the zlib header and
// checksum, as the compressed image and skin resources are stored.
#pragma once

#include <zlib.h>

#include <array>
#include <memory>

#include "framework/streams.h"

namespace framework {

class ECompressionError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EDecompressionError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// zlib levels: the maximum writes a header beginning 0x78 0xDA.
enum class CompressionLevel { None = 0, Fastest = 1, Default = 6, Max = 9 };

// Compresses what is written to it into `dest` (borrowed). The data is complete once Finish
// ran or the stream was destroyed; Finish reports a failure, the destructor cannot.
class TCompressionStream : public TStream {
 public:
  TCompressionStream(CompressionLevel level, TStream& dest);
  ~TCompressionStream() override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // Only the position query: a compressor cannot go back.
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void Finish();

 private:
  void Deflate(int flush);
  TStream& dest_;
  z_stream z_{};
  std::array<Bytef, 16384> out_{};
  int64_t written_ = 0;
  bool finished_ = false;
};

// Reads the decompressed bytes of the zlib data at `source`'s position (borrowed).
// Damaged data raises EDecompressionError.
class TDecompressionStream : public TStream {
 public:
  explicit TDecompressionStream(TStream& source);
  ~TDecompressionStream() override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  // Forward seeks read and drop; going back restarts from the beginning of the data.
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

 private:
  void Restart();
  TStream& source_;
  int64_t source_start_;
  z_stream z_{};
  std::array<Bytef, 16384> in_{};
  int64_t position_ = 0;
  bool ended_ = false;
};

}  // namespace framework
