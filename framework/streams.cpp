// Byte streams over files, memory and resources.
#include "framework/streams.h"

#include <algorithm>
#include <cstring>

#include "framework/win/text.h"

namespace framework {

namespace {

constexpr int32_t kCopyChunk = 65536;

DWORD MoveMethod(SeekOrigin origin) {
  switch (origin) {
    case SeekOrigin::Beginning: return FILE_BEGIN;
    case SeekOrigin::Current: return FILE_CURRENT;
    case SeekOrigin::End: return FILE_END;
  }
  return FILE_BEGIN;
}

// The new position of a stream of `size` bytes at `position`; raises for a negative result.
int64_t SeekInBlock(int64_t position, int64_t size, int64_t offset, SeekOrigin origin) {
  int64_t base = 0;
  if (origin == SeekOrigin::Current) base = position;
  if (origin == SeekOrigin::End) base = size;
  if (base + offset < 0) throw EStreamError("Stream seek before its beginning");
  return base + offset;
}

}  // namespace

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

int64_t TStream::Size() {
  const int64_t position = Seek(0, SeekOrigin::Current);
  const int64_t size = Seek(0, SeekOrigin::End);
  Seek(position, SeekOrigin::Beginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  std::vector<char> chunk(static_cast<size_t>(std::min<int64_t>(count, kCopyChunk)));
  for (int64_t left = count; left > 0;) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(left, kCopyChunk));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return count;
}

std::string TStream::ReadRest() {
  std::string bytes;
  char chunk[4096];
  for (int32_t n; (n = Read(chunk, sizeof chunk)) > 0;) bytes.append(chunk, static_cast<size_t>(n));
  return bytes;
}

int32_t THandleStream::Read(void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) return 0;
  return static_cast<int32_t>(done);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
  DWORD done = 0;
  if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) {
    return 0;
  }
  return static_cast<int32_t>(done);
}

int64_t THandleStream::Seek(int64_t offset, SeekOrigin origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result{};
  if (!SetFilePointerEx(handle_, distance, &result, MoveMethod(origin))) {
    throw EStreamError("Stream seek error (" + std::to_string(GetLastError()) + ")");
  }
  return result.QuadPart;
}

void THandleStream::SetSize(int64_t size) {
  const int64_t position = Position();
  SetPosition(size);
  if (!SetEndOfFile(handle_)) throw EWriteError("Stream size cannot be changed");
  if (position < size) SetPosition(position);
}

namespace {

HANDLE OpenFile(const std::wstring& path, unsigned mode) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if ((mode & fmCreate) == fmCreate) {
    access = GENERIC_READ | GENERIC_WRITE;
    disposition = CREATE_ALWAYS;
  } else if ((mode & 3) == fmOpenWrite) {
    access = GENERIC_WRITE;
  } else if ((mode & 3) == fmOpenReadWrite) {
    access = GENERIC_READ | GENERIC_WRITE;
  }
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if ((mode & fmCreate) != fmCreate) {
    if ((mode & 0xF0) == fmShareExclusive) share = 0;
    if ((mode & 0xF0) == fmShareDenyWrite) share = FILE_SHARE_READ;
  }
  HANDLE handle = CreateFileW(path.c_str(), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const char* what =
        (mode & fmCreate) == fmCreate ? "Cannot create file \"" : "Cannot open file \"";
    throw EFOpenError(what + win::Narrow(path) + "\" (" + std::to_string(error) + ")");
  }
  return handle;
}

}  // namespace

TFileStream::TFileStream(const std::wstring& path, unsigned mode)
    : THandleStream(OpenFile(path, mode)) {
  owned_.reset(handle_);
}

TFileStream::TFileStream(const std::string& path, unsigned mode)
    : TFileStream(win::Widen(path), mode) {}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  const int64_t size = static_cast<int64_t>(bytes_.size());
  if (count <= 0 || position_ >= size) return 0;
  const auto n = static_cast<int32_t>(std::min<int64_t>(count, size - position_));
  std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t end = position_ + count;
  if (end > static_cast<int64_t>(bytes_.size())) bytes_.resize(static_cast<size_t>(end));
  std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  position_ = SeekInBlock(position_, static_cast<int64_t>(bytes_.size()), offset, origin);
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Stream size cannot be negative");
  bytes_.resize(static_cast<size_t>(size));
  position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
  bytes_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t size = source.Size();
  SetSize(size);
  position_ = 0;
  if (size > 0) source.ReadBuffer(bytes_.data(), static_cast<int32_t>(size));
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream file(path, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& dest) const {
  dest.WriteBuffer(bytes_.data(), static_cast<int32_t>(bytes_.size()));
}

void TMemoryStream::SaveToFile(const std::string& path) const {
  TFileStream file(path, fmCreate);
  SaveToStream(file);
}

TResourceStream::TResourceStream(HMODULE module, const std::wstring& name, const wchar_t* type) {
  HRSRC info = FindResourceW(module, name.c_str(), type);
  HGLOBAL global = info ? LoadResource(module, info) : nullptr;
  if (!global) throw EResNotFound("Resource " + win::Narrow(name) + " not found");
  data_ = static_cast<const uint8_t*>(LockResource(global));
  size_ = SizeofResource(module, info);
}

int32_t TResourceStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const auto n = static_cast<int32_t>(std::min<int64_t>(count, size_ - position_));
  std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TResourceStream::Write(const void*, int32_t) {
  throw EWriteError("A resource stream cannot be written");
}

int64_t TResourceStream::Seek(int64_t offset, SeekOrigin origin) {
  position_ = SeekInBlock(position_, size_, offset, origin);
  return position_;
}

}  // namespace framework
