// Hand-assembled code for the disassembler's tests, in an executable region of its own.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "crashreport/drosk_dis_asm.h"
#include "report_text.h"

namespace drosk {

// One page of code addressed by offsets, followed by a guard page and a reserved page, so a
// reader that runs past the code fails visibly. The code starts filled with FF FF, which does
// not decode, so a walk that runs off the code written fails; the runtime entries a test sets
// are cleared at the end.
class CodeBuffer {
 public:
  CodeBuffer() {
    base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(base_, 4096, MEM_COMMIT, PAGE_EXECUTE_READWRITE);
    VirtualAlloc(base_ + 4096, 4096, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD);
    std::memset(base_, 0xFF, 4096);
  }
  ~CodeBuffer() {
    VirtualFree(base_, 0, MEM_RELEASE);
    RuntimeEntries = {};
  }
  CodeBuffer(const CodeBuffer&) = delete;
  CodeBuffer& operator=(const CodeBuffer&) = delete;
  TAddress At(uint32_t offset) const { return AddressOf(base_) + offset; }
  void Bytes(uint32_t offset, std::initializer_list<uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), base_ + offset);
  }
  uint8_t* Page(int i) const { return base_ + 4096 * i; }
  // `bytes` at the end of the code page, right before the guard page; their address.
  TAddress Place(const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), Page(1) - bytes.size());
    return At(4096 - static_cast<uint32_t>(bytes.size()));
  }
  void Dword(uint32_t offset, TAddress value) { std::memcpy(base_ + offset, &value, 4); }
  // A 32-bit displacement at `offset` that reaches `target`.
  void Rel32(uint32_t offset, uint32_t target) { Dword(offset, At(target) - At(offset + 4)); }
  // Code from offset 0 on, as hexadecimal words: a byte, "&X" the address of offset X, "~X" the
  // displacement to offset X (4 bytes each), "@X" going on at offset X.
  void Code(const std::string& text) {
    uint32_t at = 0;
    std::istringstream words(text);
    for (std::string w; words >> w;) {
      const bool marked = w[0] == '&' || w[0] == '~' || w[0] == '@';
      const uint32_t value = std::stoul(w.substr(marked), nullptr, 16);
      switch (w[0]) {
        case '@': at = value; break;
        case '&': Dword(at, At(value)), at += 4; break;
        case '~': Rel32(at, value), at += 4; break;
        default: base_[at++] = static_cast<uint8_t>(value);
      }
    }
  }

 private:
  uint8_t* base_;
};

}  // namespace drosk
