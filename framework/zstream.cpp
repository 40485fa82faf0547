// zlib compression streams.
#include "framework/zstream.h"

#include <algorithm>

namespace framework {

TCompressionStream::TCompressionStream(CompressionLevel level, TStream& dest) : dest_(dest) {
  if (deflateInit(&z_, static_cast<int>(level)) != Z_OK) {
    throw ECompressionError("Compression cannot start");
  }
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // The data is incomplete; a caller who cares calls Finish and sees why.
  }
  deflateEnd(&z_);
}

void TCompressionStream::Deflate(int flush) {
  for (;;) {
    z_.next_out = out_.data();
    z_.avail_out = static_cast<uInt>(out_.size());
    const int status = deflate(&z_, flush);
    if (status == Z_STREAM_ERROR) throw ECompressionError("Compression error");
    dest_.WriteBuffer(out_.data(), static_cast<int32_t>(out_.size() - z_.avail_out));
    if (flush == Z_FINISH ? status == Z_STREAM_END : z_.avail_out != 0) return;
  }
}

int32_t TCompressionStream::Read(void*, int32_t) {
  throw ECompressionError("A compression stream cannot be read");
}

int32_t TCompressionStream::Write(const void* buffer, int32_t count) {
  if (finished_) throw ECompressionError("Write after the end of compressed data");
  if (count <= 0) return 0;
  z_.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
  z_.avail_in = static_cast<uInt>(count);
  Deflate(Z_NO_FLUSH);
  written_ += count;
  return count;
}

int64_t TCompressionStream::Seek(int64_t offset, SeekOrigin origin) {
  if (offset == 0 && origin == SeekOrigin::Current) return written_;
  throw ECompressionError("A compression stream cannot seek");
}

void TCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  z_.next_in = nullptr;
  z_.avail_in = 0;
  Deflate(Z_FINISH);
}

TDecompressionStream::TDecompressionStream(TStream& source)
    : source_(source), source_start_(source.Position()) {
  if (inflateInit(&z_) != Z_OK) throw EDecompressionError("Decompression cannot start");
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&z_); }

int32_t TDecompressionStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || ended_) return 0;
  z_.next_out = static_cast<Bytef*>(buffer);
  z_.avail_out = static_cast<uInt>(count);
  while (z_.avail_out > 0) {
    if (z_.avail_in == 0) {
      z_.next_in = in_.data();
      z_.avail_in = static_cast<uInt>(source_.Read(in_.data(), static_cast<int32_t>(in_.size())));
    }
    const uInt had_input = z_.avail_in;
    const int status = inflate(&z_, Z_NO_FLUSH);
    if (status == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
      throw EDecompressionError("Compressed data is damaged");
    }
    if (had_input == 0 && z_.avail_in == 0) {
      throw EDecompressionError("Compressed data ends early");
    }
  }
  const auto n = static_cast<int32_t>(count - static_cast<int32_t>(z_.avail_out));
  position_ += n;
  return n;
}

int32_t TDecompressionStream::Write(const void*, int32_t) {
  throw EDecompressionError("A decompression stream cannot be written");
}

void TDecompressionStream::Restart() {
  source_.SetPosition(source_start_);
  inflateReset(&z_);
  z_.avail_in = 0;
  position_ = 0;
  ended_ = false;
}

int64_t TDecompressionStream::Seek(int64_t offset, SeekOrigin origin) {
  if (origin == SeekOrigin::End) throw EDecompressionError("A decompression stream cannot seek");
  const int64_t target = origin == SeekOrigin::Current ? position_ + offset : offset;
  if (target < 0) throw EDecompressionError("A decompression stream cannot seek");
  if (target < position_) Restart();
  char skip[4096];
  while (position_ < target) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(target - position_, sizeof skip));
    if (Read(skip, n) != n) break;
  }
  return position_;
}

}  // namespace framework
