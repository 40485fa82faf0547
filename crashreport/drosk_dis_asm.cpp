// The readable-memory snapshot, the safe read, image ranges and the 9x obfuscation value.
#include "crashreport/drosk_dis_asm.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "crashreport/drosk_dis_asm_private.h"
#include "crashreport/drosk_tools.h"

namespace drosk {

TPublicNameHook PublicNameHook = nullptr;
TLineHook LineHook = nullptr;
TRuntimeEntries RuntimeEntries;

namespace {

constexpr TAddress kUserSpaceEnd = 0x80000000;

bool RegionReadable(const MEMORY_BASIC_INFORMATION& m) {
  if (m.State != MEM_COMMIT) return false;
  // Guard and no-cache variants are other values and count as unreadable. Copy-on-write pages
  // are readable: a loaded module's data (its import cells too) stays so until written.
  switch (m.Protect) {
    case PAGE_READONLY:
    case PAGE_READWRITE:
    case PAGE_WRITECOPY:
    case PAGE_EXECUTE_WRITECOPY:
    case PAGE_EXECUTE:
    case PAGE_EXECUTE_READ:
    case PAGE_EXECUTE_READWRITE: return true;
  }
  return false;
}

const TDATryReadEntry* EntryOf(const TDATryRead& areas, TAddress address) {
  const auto& e = areas.entries;
  auto it = std::upper_bound(e.begin(), e.end(), address,
                             [](TAddress a, const TDATryReadEntry& x) { return a < x.AreaStart; });
  if (it == e.begin()) return nullptr;
  --it;
  return address < it->AreaEnd ? &*it : nullptr;
}

// The readable run of memory from `address` on: its end (exclusive), or `address` when the
// first byte is unreadable.
TAddress ReadableEnd(TAddress address, const TDATryRead* areas) {
  if (areas) {
    const TDATryReadEntry* e = EntryOf(*areas, address);
    return e && e->Readable ? e->AreaEnd : address;
  }
  MEMORY_BASIC_INFORMATION m;
  if (VirtualQuery(reinterpret_cast<void*>(address), &m, sizeof m) != sizeof m) return address;
  if (!RegionReadable(m)) return address;
  return static_cast<TAddress>(reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize);
}

// Fails, rather than copying a part, when any of the bytes cannot be read.
bool CopyThroughSystem(TAddress from, void* to, size_t count) {
  return ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(from), to, count,
                           nullptr);
}

// The snapshot's copy of the page at `page`, made now when its slot holds another one; null when
// the page cannot be read any more.
const uint8_t* CopiedPage(const TDATryRead& areas, TAddress page) {
  if (areas.copies.empty()) areas.copies.resize(TDATryRead::kCopySlots * TDATryRead::kPageSize);
  const size_t slot = (page / TDATryRead::kPageSize) % TDATryRead::kCopySlots;
  uint8_t* copy = areas.copies.data() + slot * TDATryRead::kPageSize;
  if (areas.copiedPages[slot] != page) {
    areas.copiedPages[slot] = 0;
    if (!CopyThroughSystem(page, copy, TDATryRead::kPageSize)) return nullptr;
    areas.copiedPages[slot] = page;
  }
  return copy;
}

}  // namespace

size_t ReadCodeBytes(TAddress code, uint8_t* out, size_t count, const TDATryRead* areas) {
  size_t done = 0;
  while (done < count) {
    const TAddress at = code + static_cast<TAddress>(done);
    if (at < code) break;  // wrapped around the address space
    const TAddress end = ReadableEnd(at, areas);
    if (end <= at) break;
    size_t n = std::min<size_t>(count - done, end - at);
    if (areas) {
      // Readable areas are whole pages: the page holding `at` is readable to its end.
      const TAddress page = at & ~(TDATryRead::kPageSize - 1);
      n = std::min<size_t>(n, page + TDATryRead::kPageSize - at);
      const uint8_t* copy = CopiedPage(*areas, page);
      if (!copy) break;
      std::memcpy(out + done, copy + (at - page), n);
    } else {
      // The system has just said so: the moment between is a window far shorter than a
      // snapshot's life, and reading through it would cost a server request a byte.
      std::memcpy(out + done, reinterpret_cast<const void*>(static_cast<uintptr_t>(at)), n);
    }
    done += n;
  }
  return done;
}

TDATryRead GetReadableAreas() {
  TDATryRead areas;
  areas.entries.reserve(64);
  TAddress address = 0;
  while (address < kUserSpaceEnd) {
    MEMORY_BASIC_INFORMATION m;
    if (VirtualQuery(reinterpret_cast<void*>(address), &m, sizeof m) != sizeof m) break;
    const bool readable = RegionReadable(m);
    if (areas.entries.empty() || areas.entries.back().Readable != readable)
      areas.entries.push_back({address, address, readable});
    const TAddress next = address + static_cast<TAddress>(m.RegionSize);
    if (next <= address) break;
    address = next;
    areas.entries.back().AreaEnd = address;
  }
  areas.entries.shrink_to_fit();
  return areas;
}

void FreeReadableAreas(TDATryRead& areas) noexcept {
  areas.entries.clear();
  areas.entries.shrink_to_fit();
  areas.copies.clear();
  areas.copies.shrink_to_fit();
  areas.copiedPages.fill(0);
}

bool IsReadable(const TDATryRead& areas, TAddress address) noexcept {
  const TDATryReadEntry* e = EntryOf(areas, address);
  return e && e->Readable;
}

bool TryRead(TAddress source, void* destination, uint32_t count, const TDATryRead* areas) noexcept {
  if (areas && !IsReadable(*areas, source)) return false;
  if (source == 0) return false;
  // Wine reads reserved and no-access pages of the own process without complaint: the system
  // must also report the whole range readable.
  if (!IsReadableMemory(reinterpret_cast<const void*>(source), count)) return false;
  return CopyThroughSystem(source, destination, count);
}

namespace {

struct Obfuscation {
  uint32_t value = 0;
  bool fromThread = false;
};

uint32_t FsDword(uint32_t offset) {
  uint32_t v;
  asm volatile("movl %%fs:(%1), %0" : "=r"(v) : "r"(offset));
  return v;
}

Obfuscation ComputeObfuscation() {
  const uint32_t tid = GetCurrentThreadId(), pid = GetCurrentProcessId();
  uint32_t candidate = (FsDword(0x18) - 16) ^ tid;
  uint32_t value = 0;
  if (TryRead((tid ^ candidate) + 8, &value, 4, nullptr) && value == (pid ^ candidate))
    return {candidate, true};
  candidate = FsDword(0x30) ^ pid;
  if (TryRead((tid ^ candidate) + 56, &value, 4, nullptr) && value == (pid ^ candidate))
    return {candidate, false};
  return {};
}

const Obfuscation& CachedObfuscation() {
  static const Obfuscation o = ComputeObfuscation();
  return o;
}

}  // namespace

uint32_t GetObfuscator() { return CachedObfuscation().value; }
bool IsObfuscatorFromThread() { return CachedObfuscation().fromThread; }

TAddress OwnModule() {
  HMODULE own = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&OwnModule), &own);
  return static_cast<TAddress>(reinterpret_cast<uintptr_t>(own));
}

bool ImageRangesOf(TAddress module, TImageRanges& r) {
  r = {};
  const IMAGE_NT_HEADERS32* nt = GetImageNtHeaders(reinterpret_cast<HMODULE>(module));
  if (!nt) return false;
  const IMAGE_OPTIONAL_HEADER32& o = nt->OptionalHeader;
  r.base = module;
  r.imageSize = o.SizeOfImage;
  const IMAGE_SECTION_HEADER* first = IMAGE_FIRST_SECTION(nt);
  if (nt->FileHeader.NumberOfSections > 0 && IsReadableMemory(first, sizeof *first) &&
      (first->Characteristics & IMAGE_SCN_CNT_CODE)) {
    r.codeStart = module + first->VirtualAddress;
    r.codeEnd = r.codeStart + first->Misc.VirtualSize;
  } else {
    r.codeStart = module + o.BaseOfCode;
    r.codeEnd = r.codeStart + o.SizeOfCode;
  }
  r.dataStart = module + o.BaseOfData;
  r.dataEnd = r.dataStart + o.SizeOfInitializedData + o.SizeOfUninitializedData;
  if (o.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_DEBUG)
    r.debugDirectory = o.DataDirectory[IMAGE_DIRECTORY_ENTRY_DEBUG].VirtualAddress;
  return true;
}

}  // namespace drosk
