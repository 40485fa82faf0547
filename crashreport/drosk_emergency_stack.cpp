// The emergency stack: one committed block, taken by one thread at a time.
#include "crashreport/drosk_emergency_stack.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace drosk {
namespace {

// Calls body(argument) with the stack pointer at `top` and returns on the caller's stack. The
// frame pointer (callee-saved) keeps the way back; the stack is 16-byte aligned at the call.
extern "C" void drosk_CallOnStack(void* top, void (*body)(void*), void* argument);
asm(".text\n"
    ".globl _drosk_CallOnStack\n"
    "_drosk_CallOnStack:\n"
    "  push %ebp\n"
    "  mov %esp, %ebp\n"
    "  mov 8(%ebp), %eax\n"
    "  mov 12(%ebp), %ecx\n"
    "  mov 16(%ebp), %edx\n"
    "  mov %eax, %esp\n"
    "  sub $12, %esp\n"
    "  push %edx\n"
    "  call *%ecx\n"
    "  mov %ebp, %esp\n"
    "  pop %ebp\n"
    "  ret\n");

// The thread information block's stack bounds, and the bottom of the stack's allocation that the
// system keeps beside them (the field at 0xE0C of a 32-bit thread environment block).
struct TStackBounds {
  void* base;
  void* limit;
  void* allocation;
};

// The thread environment block, read from its own pointer at fs:[0x18].
uint8_t* ThreadBlock() {
  uint8_t* block = nullptr;
  asm("movl %%fs:0x18, %0" : "=r"(block));
  return block;
}

void** AllocationField() { return reinterpret_cast<void**>(ThreadBlock() + 0xE0C); }

TStackBounds ExchangeStackBounds(const TStackBounds& bounds) {
  auto* tib = reinterpret_cast<NT_TIB*>(ThreadBlock());
  const TStackBounds old{tib->StackBase, tib->StackLimit, *AllocationField()};
  tib->StackBase = bounds.base;
  tib->StackLimit = bounds.limit;
  *AllocationField() = bounds.allocation;
  return old;
}

struct TReservedStack {
  uint8_t* bottom = nullptr;
  size_t size = 0;
};

TReservedStack reserved;
// True while a thread runs on the stack (or while it is being freed).
std::atomic<bool> taken{false};
// The thread on the stack: one that overflows again there must not wait for itself.
std::atomic<DWORD> owner{0};

}  // namespace

bool ReserveEmergencyStack(size_t size) {
  if (reserved.bottom) return true;
  void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!block) return false;
  reserved.size = size;
  reserved.bottom = static_cast<uint8_t*>(block);
  return true;
}

void FreeEmergencyStack() {
  if (!reserved.bottom || taken.exchange(true)) return;
  VirtualFree(reserved.bottom, 0, MEM_RELEASE);
  reserved = {};
  taken = false;
}

bool RunOnEmergencyStack(void (*body)(void*), void* argument) noexcept {
  if (owner == GetCurrentThreadId()) return false;
  // Waiting costs no stack to speak of: the thread that overflowed has only a little left.
  while (taken.exchange(true)) Sleep(1);
  if (!reserved.bottom) {
    taken = false;
    return false;
  }
  owner = GetCurrentThreadId();
  uint8_t* top = reserved.bottom + (reserved.size & ~size_t{15});
  const TStackBounds own = ExchangeStackBounds({top, reserved.bottom, reserved.bottom});
  drosk_CallOnStack(top, body, argument);
  ExchangeStackBounds(own);
  owner = 0;
  taken = false;
  return true;
}

}  // namespace drosk
