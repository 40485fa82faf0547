// Stack traces that do not trust frame pointers: every stack dword is a possible return address,
// kept when memory and code agree, linked into caller/callee chains through parsed functions, the
// best chain chosen between certain points, recursion folded, and each item named by module,
// unit, line and procedure.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

struct TProgress;

struct TStackTraceOptions {
  bool hideItemsWithoutLine = false;
  bool showRelativeAddresses = false;
  bool showRelativeLines = false;
  bool noFrameChain = false;    // do not walk the frame-pointer chain
  bool skipLinkChains = false;  // keep every candidate between certain points
  // How long a trace waits for another thread's trace to let go of the shared caches before it
  // works with caches of its own (slower: every module and function read again).
  std::chrono::milliseconds sharedCachesWait{5000};
};

struct TStackTraceInput {
  TAddress framePointer = 0;      // start of the frame chain; 0 for none
  TProgress* progress = nullptr;  // position 0..1000 within its current phase
  TAddress creationAddress = 0;   // where the thread was created; 0 for none
  TAddress stackTop = 0;          // 0: the calling thread's stack base
  TAddress stackBottom = 0;       // 0: the calling thread's stack pointer
  bool keepForcedSite = false;    // the instruction pointer is exact: never move it to a raise call
  bool ipOnStack = false;         // the stack may hold the instruction pointer as a return address
  TAddress instructionPointer = 0;  // 0 (without ipOnStack): a place inside StackTrace
};

struct TStackTraceResult {
  std::string text;           // lines joined by CR LF, no trailing line break
  TAddress topProcedure = 0;  // entry of the topmost item's procedure
  TAddress topItem = 0;       // code address of the topmost item
};

// The end of the memory region that holds a stack pointer: the top of that thread's stack.
TAddress StackRegionEnd(TAddress stackPointer);

// Never throws: a failing phase leaves its internal-error note in the text.
TStackTraceResult StackTrace(const TStackTraceOptions& options, const TStackTraceInput& input);

// "0040123a Module.exe unit 123 procedure", or "0040123a ???" without debug information.
std::string StackAddrToStr(TAddress address);

// The note a failing step leaves in a trace or a report.
std::string InternalErrorNote(const std::string& where, TAddress address);

// Held by every trace from start to end while it uses the shared module and function caches.
std::recursive_timed_mutex& StackTraceCachesLock();

// Empties the module and function caches (at unit finalisation and in tests).
void ClearStackTraceCaches();

}  // namespace drosk
