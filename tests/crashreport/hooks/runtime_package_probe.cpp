// A stand-in runtime package: routines exported under the runtime's names, with the shapes the
// interception expects (a routine to jump away from, a routine whose body calls another one, a
// routine that begins with an indirect jump). Each counts its calls.
#include <windows.h>

extern "C" {

__declspec(dllexport) volatile LONG probeShowExceptionCalls = 0;
__declspec(dllexport) volatile LONG probeInitializePackageCalls = 0;

__attribute__((noinline)) void ProbeShowException(void* object, void* address) {
  InterlockedIncrement(&probeShowExceptionCalls);
  asm volatile("" ::"r"(object), "r"(address) : "memory");
}

__attribute__((noinline)) void ProbeInitializePackage(HMODULE module) {
  InterlockedIncrement(&probeInitializePackageCalls);
  asm volatile("" ::"r"(module) : "memory");
}

// Calls the package initialisation through a direct call instruction, as the runtime does.
__attribute__((noinline)) HMODULE ProbeLoadPackage(const char* name) {
  const HMODULE module = GetModuleHandleA(name);
  ProbeInitializePackage(module);
  return module;
}

// The routine behind the indirect jump below.
__attribute__((noinline)) int ProbeIndirectTarget(int value) { return value + 1; }
void* probeIndirectSlot = reinterpret_cast<void*>(ProbeIndirectTarget);
}

// An entry that is only an indirect jump through a pointer, as an import stub is.
asm(".text\n"
    ".globl _ProbeIndirectEntry\n"
    "_ProbeIndirectEntry:\n"
    "  jmp *_probeIndirectSlot\n"
    "  nop\n"
    "  nop\n");

// Starts a thread from this module, whose code has no debug information.
extern "C" __declspec(dllexport) HANDLE
    ProbeStartThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
  return CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
}
