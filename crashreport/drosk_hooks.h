// The interception: code changes with their undo list, the redirection of runtime routines found
// by their exported names, and the import hooks of thread creation and of the message loops.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace drosk {

struct TPatch {
  uint8_t* Address = nullptr;
  std::vector<uint8_t> OldBytes;
  std::vector<uint8_t> NewBytes;
};

// Writes `bytes` at `address` when they differ from what is there: the page is made writable for
// the write and its protection restored; the change is appended to the patch list.
bool PatchCode(void* address, std::span<const uint8_t> bytes);
// A 5-byte jump (E9 and the distance from its end) at the routine's start; a routine that begins
// with an indirect jump (FF 25) gets the jump at that jump's target instead.
bool RedirectJump(void* routine, const void* handler);
// Rewrites the distance of the call instruction (E8) at `call` so that it calls `target`; the
// old target is returned (null when `call` holds no such instruction).
void* RedirectCall(void* call, const void* target);
// Writes the old bytes back where the new ones are still in place; empties the list.
void UndoPatches();
const std::vector<TPatch>& PatchList();

// An exported routine of a loaded runtime package ("rtl100.bpl", "vcl100.bpl",
// "visualclx100.bpl"), by its exported name; null when the package or the name is missing.
void* FindRuntimeRoutine(std::string_view package, std::string_view exportedName);
// The address the first call instruction (E8) found within `length` bytes of `routine` calls, or
// the address of that instruction with `instruction`; null when there is none.
void* FindCallIn(const void* routine, size_t length, const void* callee);

// Hooks CreateThread (threads are entered into the thread list and start on the library's
// wrapper) and GetMessageA/W, PeekMessageA/W (held threads wait there first). In a library only
// its own imports are redirected, in an executable those of every loaded module.
void InstallThreadHooks();
void RemoveThreadHooks();
bool ThreadHooksInstalled();

}  // namespace drosk
