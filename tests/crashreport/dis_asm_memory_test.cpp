// The readable-memory snapshot and the safe read.
#include <windows.h>

#include "crashreport/drosk_dis_asm.h"
#include "gtest/gtest.h"

namespace drosk {
namespace {

TAddress AddressOf(const void* p) { return static_cast<TAddress>(reinterpret_cast<uintptr_t>(p)); }

// Three pages: read-write, guarded, reserved only.
class ThreePages {
 public:
  ThreePages() {
    base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE, PAGE_NOACCESS));
    VirtualAlloc(base_, 4096, MEM_COMMIT, PAGE_READWRITE);
    VirtualAlloc(base_ + 4096, 4096, MEM_COMMIT, PAGE_READWRITE | PAGE_GUARD);
  }
  ~ThreePages() { VirtualFree(base_, 0, MEM_RELEASE); }
  uint8_t* page(int i) { return base_ + 4096 * i; }

 private:
  uint8_t* base_;
};

TEST(ReadableAreas, SnapshotCoversMemoryWithTouchingEntries) {
  ThreePages pages;
  static const uint32_t kValue = 0x11223344;
  TDATryRead areas = GetReadableAreas();
  ASSERT_FALSE(areas.entries.empty());
  EXPECT_EQ(areas.entries.front().AreaStart, 0u);
  for (size_t i = 1; i < areas.entries.size(); ++i) {
    EXPECT_EQ(areas.entries[i].AreaStart, areas.entries[i - 1].AreaEnd);
    EXPECT_NE(areas.entries[i].Readable, areas.entries[i - 1].Readable);  // runs are merged
  }
  EXPECT_TRUE(IsReadable(areas, AddressOf(&kValue)));
  EXPECT_TRUE(IsReadable(areas, AddressOf(pages.page(0))));
  EXPECT_TRUE(IsReadable(areas, AddressOf(pages.page(0) + 4095)));
  EXPECT_FALSE(IsReadable(areas, AddressOf(pages.page(1))));  // guard page
  EXPECT_FALSE(IsReadable(areas, AddressOf(pages.page(2))));  // reserved
  EXPECT_FALSE(IsReadable(areas, 0));
  EXPECT_FALSE(IsReadable(areas, 0xFFFFF000));  // past the walk

  uint32_t out = 0;
  EXPECT_TRUE(TryRead(AddressOf(&kValue), &out, 4, &areas));
  EXPECT_EQ(out, kValue);
  EXPECT_FALSE(TryRead(AddressOf(pages.page(1)), &out, 4, &areas));
  EXPECT_FALSE(TryRead(AddressOf(pages.page(2)), &out, 4, nullptr));
  // Only the first byte is checked against the snapshot; the read itself then fails.
  EXPECT_FALSE(TryRead(AddressOf(pages.page(0) + 4094), &out, 4, &areas));
  EXPECT_FALSE(TryRead(AddressOf(pages.page(0) + 4094), &out, 4, nullptr));
  EXPECT_TRUE(TryRead(AddressOf(pages.page(0) + 4092), &out, 4, &areas));
  EXPECT_FALSE(TryRead(0, &out, 0, nullptr));
  EXPECT_FALSE(TryRead(0, &out, 4, nullptr));
  FreeReadableAreas(areas);
  EXPECT_TRUE(areas.entries.empty());
  EXPECT_FALSE(IsReadable(areas, AddressOf(&kValue)));
}

TEST(ReadableAreas, DecodingStopsAtTheEndOfReadableMemory) {
  ThreePages pages;
  TDATryRead areas = GetReadableAreas();
  // mov eax,imm32 cut by the guard page: neither decoding road touches the page.
  uint8_t* at = pages.page(0) + 4096 - 3;
  at[0] = 0xB8;
  at[1] = at[2] = 0;
  EXPECT_FALSE(DecodeInstructionSafe(AddressOf(at), areas).Valid);
  EXPECT_FALSE(DecodeInstruction(AddressOf(at)).Valid);
  EXPECT_FALSE(DecodeInstruction(AddressOf(pages.page(2))).Valid);
  at[-2] = 0x90;  // the nop before it decodes
  EXPECT_TRUE(DecodeInstructionSafe(AddressOf(at - 2), areas).Valid);
  EXPECT_EQ(GetObfuscator(), 0u);  // NT family: identifiers are plain
  EXPECT_FALSE(IsObfuscatorFromThread());
}

}  // namespace
}  // namespace drosk
