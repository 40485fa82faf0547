// A stack for threads that have none left. A thread whose stack overflowed cannot even finish the
// system's exception dispatch on what remains (under Wine the dispatch to the unhandled-exception
// filter needs more than the last page), so its report runs on a stack reserved in advance.
#pragma once

#include <cstddef>

namespace drosk {

// Reserves the stack (committed, so that no guard page is needed); false when the memory cannot
// be had. Reserving again keeps the first one.
bool ReserveEmergencyStack(size_t size = size_t{1} << 20);
// Frees the stack unless a thread runs on it (then it is left to the process's end).
void FreeEmergencyStack();

// Runs `body(argument)` on the reserved stack, the thread's stack bounds in its information block
// pointing at it meanwhile (the system's fault handling checks them), and returns on the
// thread's own stack. `body` must not throw: nothing unwinds across the switch. One thread at a
// time: others wait until it is free. False, without running `body`, when no stack is reserved
// or when the calling thread runs on it already.
bool RunOnEmergencyStack(void (*body)(void*), void* argument) noexcept;

}  // namespace drosk
