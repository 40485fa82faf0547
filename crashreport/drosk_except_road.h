// The exception road: every intercepted exception and every hang the watchdog detects enters
// `HandleException`, which hands the work to the exception-handling thread and makes the raising
// thread wait. That thread calls the handlers in their phases, composes the report, saves or
// mails it when told, shows the box, and lets the program continue, restarts it or ends it.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

// `exceptObject` none: the exception being handled on this thread; `stackPointer` and
// `stackFrame` 0: the caller's own. `reportOut` receives the report in web mode. Returns 0.
int HandleException(bool frozen, std::exception_ptr exceptObject, TAddress exceptAddress,
                    bool canContinue, TAddress stackPointer, TAddress stackFrame,
                    std::string* reportOut);

void StartExceptionThread();
void StopExceptionThread();
DWORD ExceptionThreadId();

// The runtime's text for an operating-system exception: an access violation names its address,
// the module holding it, and the access ("Read" or "Write") with the address accessed.
std::string FaultText(const EXCEPTION_RECORD& record);

// Our runtime's last-chance paths into the road: hardware faults nobody handled, stack
// overflows (taken first-hand and reported from an emergency stack), C++ exceptions that end in
// std::terminate, and abort() as the runtime's run-time error. A thread other than the main thread
// is reported as able to continue and then ends; the main thread's report, and any run-time
// error, ends the program.
void InstallLastChanceHandlers();
void RemoveLastChanceHandlers();

}  // namespace drosk
