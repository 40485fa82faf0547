// Byte streams: the one interface that files, memory blocks, module resources and the
// compression filters share, so that images, skins and form descriptions read from any of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/exception.h"
#include "framework/win/handles.h"

namespace framework {

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum class SeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Up to `count` bytes; fewer only at the end of the data.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // The bytes written; fewer when the medium is full or read-only.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // The new position; raises EStreamError for a stream that cannot seek there.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t position) { Seek(position, SeekOrigin::Beginning); }
  int64_t Size();

  // Exactly `count` bytes, or EReadError / EWriteError.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies `count` bytes from `source`'s position; 0 copies the whole source from its start.
  int64_t CopyFrom(TStream& source, int64_t count);

  // Everything from the position to the end.
  std::string ReadRest();
  void WriteString(const std::string& bytes) {
    WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
};

// A stream over a handle the caller owns.
class THandleStream : public TStream {
 public:
  explicit THandleStream(HANDLE handle) noexcept : handle_(handle) {}
  HANDLE Handle() const noexcept { return handle_; }
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;

 protected:
  HANDLE handle_;
};

enum FileMode : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// A file it opens and closes itself. Raises EFOpenError naming the file when it cannot open it.
class TFileStream : public THandleStream {
 public:
  TFileStream(const std::wstring& path, unsigned mode);
  TFileStream(const std::string& path, unsigned mode);

 private:
  win::UniqueHandle owned_;
};

// A block of memory: growable, with direct access to the bytes.
class TMemoryStream : public TStream {
 public:
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  void SetSize(int64_t size) override;

  const uint8_t* Memory() const noexcept { return bytes_.data(); }
  uint8_t* Memory() noexcept { return bytes_.data(); }
  const std::vector<uint8_t>& Bytes() const noexcept { return bytes_; }
  void Clear();
  void LoadFromStream(TStream& source);
  void LoadFromFile(const std::string& path);
  void SaveToStream(TStream& dest) const;
  void SaveToFile(const std::string& path) const;

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_ = 0;
};

// Read-only bytes of a module's resource. Raises EResNotFound naming the resource when the
// module lacks it.
class EResNotFound : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class TResourceStream : public TStream {
 public:
  TResourceStream(HMODULE module, const std::wstring& name, const wchar_t* type);
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;

  const uint8_t* Memory() const noexcept { return data_; }

 private:
  const uint8_t* data_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

}  // namespace framework
