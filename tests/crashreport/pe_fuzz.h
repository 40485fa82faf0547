// Damaged copies of a module's image for the PE readers: each copy sits right before a closed
// page, so any read past its end faults, and gets a few random mutations aimed at the headers and
// the export and import tables. Shared by the unit test and the standalone fuzz program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace fuzz {

// A copy of a module's image in memory of its own, right before a page that may not be touched.
class GuardedCopy {
 public:
  explicit GuardedCopy(HMODULE module)
      : image_(reinterpret_cast<const uint8_t*>(module)),
        imageSize_(reinterpret_cast<const IMAGE_NT_HEADERS32*>(
                       image_ + reinterpret_cast<const IMAGE_DOS_HEADER*>(image_)->e_lfanew)
                       ->OptionalHeader.SizeOfImage),
        size_((imageSize_ + 4095) & ~4095u),
        block_(static_cast<uint8_t*>(
            VirtualAlloc(nullptr, size_ + 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {
    DWORD old = 0;
    if (block_) VirtualProtect(block_ + size_, 4096, PAGE_NOACCESS, &old);
    if (block_) Reset();
  }
  ~GuardedCopy() {
    if (block_) VirtualFree(block_, 0, MEM_RELEASE);
  }
  GuardedCopy(const GuardedCopy&) = delete;
  GuardedCopy& operator=(const GuardedCopy&) = delete;

  bool Valid() const { return block_ != nullptr; }
  // Back to the undamaged image; the copy ends exactly at the closed page.
  void Reset() {
    std::memset(block_, 0, size_);
    std::memcpy(Base(), image_, imageSize_);
  }
  uint8_t* Base() const { return block_ + size_ - imageSize_; }
  HMODULE Module() const { return reinterpret_cast<HMODULE>(Base()); }
  uint32_t Size() const { return imageSize_; }
  std::string Bytes() const { return std::string(reinterpret_cast<char*>(Base()), imageSize_); }

 private:
  const uint8_t* image_;
  uint32_t imageSize_;
  uint32_t size_;
  uint8_t* block_;
};

// Runs the readers over `iterations` mutated copies of `module`; returns an empty text when an
// undamaged copy reads as the module does (the readers crash the process otherwise), else why not.
std::string FuzzPeReaders(HMODULE module, uint32_t seed, int iterations);

}  // namespace fuzz
