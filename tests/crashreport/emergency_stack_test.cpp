// The emergency stack: a body runs on the reserved block with the thread's stack bounds pointing
// at it, may use most of it, and the thread gets its own stack and bounds back.
#include "crashreport/drosk_emergency_stack.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

namespace drosk {
namespace {

constexpr size_t kSize = 256 * 1024;

NT_TIB* ThreadInformation() {
  NT_TIB* tib = nullptr;
  asm("movl %%fs:0x18, %0" : "=r"(tib));
  return tib;
}

struct TSeen {
  uintptr_t frame = 0;
  uintptr_t base = 0;
  uintptr_t limit = 0;
  bool nested = true;
  uint8_t sum = 0;
};

void Nothing(void*) {}

// Uses 200 KB of the stack, which the thread's own bounds would not allow for this block.
__attribute__((noinline)) void Body(void* argument) {
  auto& seen = *static_cast<TSeen*>(argument);
  seen.frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  seen.base = reinterpret_cast<uintptr_t>(ThreadInformation()->StackBase);
  seen.limit = reinterpret_cast<uintptr_t>(ThreadInformation()->StackLimit);
  seen.nested = RunOnEmergencyStack(Nothing, nullptr);
  volatile uint8_t block[200 * 1024];
  for (size_t i = 0; i < sizeof block; i += 4096) block[i] = static_cast<uint8_t>(i >> 12);
  for (size_t i = 0; i < sizeof block; i += 4096) seen.sum += block[i];
}

TEST(EmergencyStack, ABodyRunsOnTheReservedStackWithItsBoundsAndTheThreadGetsItsOwnBack) {
  FreeEmergencyStack();
  TSeen seen;
  EXPECT_FALSE(RunOnEmergencyStack(Body, &seen));  // nothing reserved
  EXPECT_EQ(seen.frame, 0u);
  ASSERT_TRUE(ReserveEmergencyStack(kSize));
  const NT_TIB own = *ThreadInformation();
  ASSERT_TRUE(RunOnEmergencyStack(Body, &seen));
  EXPECT_EQ(seen.base - seen.limit, kSize);
  EXPECT_GT(seen.frame, seen.limit);
  EXPECT_LT(seen.frame, seen.base);
  EXPECT_FALSE(seen.nested);  // a thread on the stack never waits for itself
  EXPECT_EQ(seen.sum, static_cast<uint8_t>(49 * 50 / 2));
  EXPECT_EQ(ThreadInformation()->StackBase, own.StackBase);
  EXPECT_EQ(ThreadInformation()->StackLimit, own.StackLimit);
  const uintptr_t here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  EXPECT_TRUE(here > reinterpret_cast<uintptr_t>(own.StackLimit) &&
              here < reinterpret_cast<uintptr_t>(own.StackBase));
  FreeEmergencyStack();
}

}  // namespace
}  // namespace drosk
