// The plain-text bug report: the block of system and process facts, the stack of every thread,
// the module list, the hardware list and the disassembly of the failing code.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>

#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_types.h"

namespace drosk {

// A hardware exception (access violation, division by zero, ...) as a reportable object: its
// trace may find the faulting address on the stack.
class EExternal : public DroskException {
 public:
  EExternal(const std::string& message, uint32_t code) : DroskException(message), code_(code) {}
  uint32_t Code() const noexcept { return code_; }

 private:
  uint32_t code_;
};

// Composes the report of an exception (or, with `frozen`, of a hang without one) into `report`.
// `exceptObject` none: the exception being handled on this thread, if any. `threadId` is the
// thread where it happened (0 when frozen); `stackPointer` and `stackFrame` belong to the raising
// code, 0 when not known. `reserved` is ignored. Never throws: a failing section leaves its
// internal-error note.
void ComposeBugReport(bool frozen, std::exception_ptr exceptObject, TAddress exceptAddress,
                      DWORD threadId, TAddress stackPointer, TAddress stackFrame, bool showProgress,
                      uint32_t reserved, std::string& report) noexcept;

// Replaces the clipboard's content by the text (8-bit text format); nothing when the clipboard
// cannot be opened.
void PutReportOnClipboard(const std::string& report) noexcept;

// "2 days 1 hour ", "5 minutes 3 seconds ": the two largest units of a duration in whole
// seconds, the trailing blank kept; empty for less than a second.
std::string DurationToStr(uint64_t seconds);

// The report's ending of an exception message: at most one "." or "!" kept at the end, then "."
// appended.
std::string ReportMessage(std::string message);

// The library's own threads, which no report lists; 0 while they do not run.
struct TLibraryThreads {
  std::atomic<DWORD> handling{0};  // the exception-handling thread
  std::atomic<DWORD> watchdog{0};  // the freeze watchdog
};
TLibraryThreads& LibraryThreads();

// Called as each report section starts, with the section's name; an exception from it is
// reported like any failure of that section (for diagnostics and tests).
using TSectionHook = void (*)(const char* section);
extern TSectionHook SectionStartHook;

// The hardware list of the report: device classes sorted by name, their devices by description.
std::string GetHardwareList();

}  // namespace drosk
