// Code changes, runtime routine look-up and the import hooks.
#include "crashreport/drosk_hooks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "crashreport/drosk_handlers.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "framework/win/module.h"

namespace drosk {

// ---------------------------------------------------------------------------------------------
// Code changes

namespace {

constexpr uint8_t kJump = 0xE9;
constexpr uint8_t kCall = 0xE8;
constexpr size_t kJumpSize = 5;

std::vector<TPatch> patches;

bool WriteBytes(uint8_t* address, std::span<const uint8_t> bytes) {
  DWORD protection = 0;
  if (!VirtualProtect(address, bytes.size(), PAGE_EXECUTE_READWRITE, &protection)) return false;
  std::memcpy(address, bytes.data(), bytes.size());
  VirtualProtect(address, bytes.size(), protection, &protection);
  FlushInstructionCache(GetCurrentProcess(), address, bytes.size());
  return true;
}

bool BytesAre(const uint8_t* address, std::span<const uint8_t> bytes) {
  return IsReadableMemory(address, bytes.size()) &&
         std::memcmp(address, bytes.data(), bytes.size()) == 0;
}

int32_t Distance(const void* from, const void* to) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(to) - reinterpret_cast<uintptr_t>(from));
}

// The target of an indirect jump through a pointer (FF 25 and the pointer's address); null when
// the code is no such jump.
void* IndirectJumpTarget(const uint8_t* code) {
  if (!IsReadableMemory(code, 6) || code[0] != 0xFF || code[1] != 0x25) return nullptr;
  void** slot = nullptr;
  std::memcpy(&slot, code + 2, sizeof slot);
  return IsReadableMemory(slot, sizeof *slot) ? *slot : nullptr;
}

}  // namespace

bool PatchCode(void* address, std::span<const uint8_t> bytes) {
  auto* at = static_cast<uint8_t*>(address);
  if (!IsReadableMemory(at, bytes.size())) return false;
  if (BytesAre(at, bytes)) return true;
  TPatch patch{at, std::vector<uint8_t>(at, at + bytes.size()), {bytes.begin(), bytes.end()}};
  if (!WriteBytes(at, bytes)) return false;
  patches.push_back(std::move(patch));
  return true;
}

bool RedirectJump(void* routine, const void* handler) {
  auto* start = static_cast<uint8_t*>(routine);
  if (auto* target = static_cast<uint8_t*>(IndirectJumpTarget(start))) start = target;
  std::array<uint8_t, kJumpSize> jump{kJump};
  const int32_t distance = Distance(start + kJumpSize, handler);
  std::memcpy(jump.data() + 1, &distance, sizeof distance);
  return PatchCode(start, jump);
}

void* RedirectCall(void* call, const void* target) {
  auto* at = static_cast<uint8_t*>(call);
  if (!IsReadableMemory(at, kJumpSize) || at[0] != kCall) return nullptr;
  int32_t old = 0;
  std::memcpy(&old, at + 1, sizeof old);
  const int32_t distance = Distance(at + kJumpSize, target);
  std::array<uint8_t, 4> bytes{};
  std::memcpy(bytes.data(), &distance, sizeof distance);
  if (!PatchCode(at + 1, bytes)) return nullptr;
  return at + kJumpSize + old;
}

void UndoPatches() {
  for (const TPatch& patch : patches) {
    if (BytesAre(patch.Address, patch.NewBytes)) WriteBytes(patch.Address, patch.OldBytes);
  }
  patches.clear();
}

const std::vector<TPatch>& PatchList() { return patches; }

void* FindRuntimeRoutine(std::string_view package, std::string_view exportedName) {
  const HMODULE module = GetModuleHandleA(std::string(package).c_str());
  return module ? GetProcAddressEx(module, exportedName) : nullptr;
}

void* FindCallIn(const void* routine, size_t length, const void* callee) {
  const auto* code = static_cast<const uint8_t*>(routine);
  for (size_t i = 0; i + kJumpSize <= length && IsReadableMemory(code + i, kJumpSize); ++i) {
    if (code[i] != kCall) continue;
    int32_t distance = 0;
    std::memcpy(&distance, code + i + 1, sizeof distance);
    if (code + i + kJumpSize + distance == callee) return const_cast<uint8_t*>(code + i);
  }
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Import hooks

namespace {

using TCreateThread = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, void*,
                                      DWORD, DWORD*);
using TGetMessage = BOOL(WINAPI*)(MSG*, HWND, UINT, UINT);
using TPeekMessage = BOOL(WINAPI*)(MSG*, HWND, UINT, UINT, UINT);

// One hooked import: the export the modules import, the real routine the hook calls, and the
// pointer of an indirect jump at the export's start that was rewritten as well.
struct TImportHook {
  const char* Dll;
  const char* Name;
  void* Hook;
  void* Exported = nullptr;
  void* Real = nullptr;
  void** JumpSlot = nullptr;
};

HANDLE WINAPI CreateThreadHook(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, void*, DWORD,
                               DWORD*);
BOOL WINAPI GetMessageAHook(MSG*, HWND, UINT, UINT);
BOOL WINAPI GetMessageWHook(MSG*, HWND, UINT, UINT);
BOOL WINAPI PeekMessageAHook(MSG*, HWND, UINT, UINT, UINT);
BOOL WINAPI PeekMessageWHook(MSG*, HWND, UINT, UINT, UINT);

enum THookIndex { kCreateThread, kGetMessageA, kPeekMessageA, kGetMessageW, kPeekMessageW };
std::array<TImportHook, 5> importHooks{{
    {"kernel32.dll", "CreateThread", reinterpret_cast<void*>(CreateThreadHook)},
    {"user32.dll", "GetMessageA", reinterpret_cast<void*>(GetMessageAHook)},
    {"user32.dll", "PeekMessageA", reinterpret_cast<void*>(PeekMessageAHook)},
    {"user32.dll", "GetMessageW", reinterpret_cast<void*>(GetMessageWHook)},
    {"user32.dll", "PeekMessageW", reinterpret_cast<void*>(PeekMessageWHook)},
}};
bool hooksInstalled = false;

template <class Proc>
Proc Real(THookIndex index) {
  return reinterpret_cast<Proc>(importHooks[index].Real);
}

BOOL WINAPI GetMessageAHook(MSG* msg, HWND window, UINT first, UINT last) {
  ThreadHoldPoint();
  return Real<TGetMessage>(kGetMessageA)(msg, window, first, last);
}
BOOL WINAPI GetMessageWHook(MSG* msg, HWND window, UINT first, UINT last) {
  ThreadHoldPoint();
  return Real<TGetMessage>(kGetMessageW)(msg, window, first, last);
}
BOOL WINAPI PeekMessageAHook(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  ThreadHoldPoint();
  return Real<TPeekMessage>(kPeekMessageA)(msg, window, first, last, remove);
}
BOOL WINAPI PeekMessageWHook(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  ThreadHoldPoint();
  return Real<TPeekMessage>(kPeekMessageW)(msg, window, first, last, remove);
}

struct TThreadStart {
  LPTHREAD_START_ROUTINE Routine;
  void* Parameter;
};

// Every hooked thread starts here, so that it leaves the thread list when its routine returns.
DWORD WINAPI ThreadWrapper(void* record) {
  const TThreadStart start = *static_cast<TThreadStart*>(record);
  delete static_cast<TThreadStart*>(record);
  const DWORD result = start.Routine(start.Parameter);
  SetThreadInfo(GetCurrentThreadId(), nullptr, {}, 0, 0, {});
  return result;
}

// The C runtime's thread-start routines stand between the creating code and CreateThread.
bool InRuntimeModule(const void* address) {
  std::string name;
  if (!FindModule(address, &name)) return false;
  const std::string file = UpStr(FileNameOnly(name));
  return file.starts_with("MSVCR") || file == "UCRTBASE.DLL" || file == "KERNEL32.DLL" ||
         file == "KERNELBASE.DLL";
}

// The code that asked for the thread: the hook's caller, or, when that is the runtime's own
// thread-start routine, the first caller outside the runtime further up the stack.
uint32_t CreatingCode(void* caller) {
  if (InRuntimeModule(caller)) {
    std::array<void*, 16> frames{};
    const USHORT count = CaptureStackBackTrace(0, frames.size(), frames.data(), nullptr);
    const auto start = std::find(frames.begin(), frames.begin() + count, caller);
    const auto outside = std::find_if(start, frames.begin() + count,
                                      [](void* frame) { return !InRuntimeModule(frame); });
    if (outside != frames.begin() + count) caller = *outside;
  }
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(caller));
}

HANDLE WINAPI CreateThreadHook(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize,
                               LPTHREAD_START_ROUTINE routine, void* parameter, DWORD flags,
                               DWORD* threadId) {
  const uint32_t creationAddress = CreatingCode(__builtin_return_address(0));
  auto* record = new (std::nothrow) TThreadStart{routine, parameter};
  DWORD id = 0;
  const HANDLE thread =
      Real<TCreateThread>(kCreateThread)(security, stackSize, record ? ThreadWrapper : routine,
                                         record ? record : parameter, flags, &id);
  if (!thread) {
    delete record;
    return nullptr;
  }
  if (threadId) *threadId = id;
  SetThreadInfo(id, thread, {}, GetCurrentThreadId(), creationAddress, {});
  return thread;
}

bool LibraryIsExecutable() { return win::ThisModule() == GetModuleHandleA(nullptr); }

TDAModule HookedModules() {
  if (LibraryIsExecutable()) return EnumModules(false);
  return {TModuleEntry{win::ThisModule(), {}, {}, {}}};
}

bool WritePointer(void** slot, void* value) {
  std::array<uint8_t, sizeof value> bytes{};
  std::memcpy(bytes.data(), &value, sizeof value);
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof value, PAGE_EXECUTE_READWRITE, &protection)) return false;
  std::memcpy(slot, bytes.data(), sizeof value);
  VirtualProtect(slot, sizeof value, protection, &protection);
  return true;
}

}  // namespace

void InstallThreadHooks() {
  if (hooksInstalled) return;
  const TDAModule modules = HookedModules();
  for (TImportHook& hook : importHooks) {
    if (!hook.Exported) {
      hook.Exported = win::ProcAddress(GetModuleHandleA(hook.Dll), hook.Name);
      hook.Real = hook.Exported;
    }
    if (!hook.Exported) continue;
    if (IndirectJumpTarget(static_cast<uint8_t*>(hook.Exported))) {
      std::memcpy(&hook.JumpSlot, static_cast<uint8_t*>(hook.Exported) + 2, sizeof hook.JumpSlot);
      hook.Real = *hook.JumpSlot;
      if (!WritePointer(hook.JumpSlot, hook.Hook)) hook.JumpSlot = nullptr;
    }
    PatchImports(modules, hook.Exported, hook.Hook);
  }
  hooksInstalled = true;
}

void RemoveThreadHooks() {
  if (!hooksInstalled) return;
  const TDAModule modules = HookedModules();
  for (TImportHook& hook : importHooks) {
    if (!hook.Exported) continue;
    PatchImports(modules, hook.Hook, hook.Exported);
    if (hook.JumpSlot && *hook.JumpSlot == hook.Hook) WritePointer(hook.JumpSlot, hook.Real);
    hook.JumpSlot = nullptr;
  }
  hooksInstalled = false;
}

bool ThreadHooksInstalled() { return hooksInstalled; }

}  // namespace drosk
