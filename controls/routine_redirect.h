// Changing the behaviour of a routine of the running process (a jump written over its start),
// and the save and restore pair of clip regions used around painting.
#pragma once

#include <windows.h>

#include <cstdint>

namespace controls {

// One redirected routine: where it lives and its first bytes before the jump was written.
struct TPatchRecord {
  uint32_t address = 0;  // 0 when the patch failed or was never made
  uint8_t saved[8] = {};
};

// The displacement of a 5-byte relative jump (0xE9) at `routine` that lands on `target`.
uint32_t RelativeJumpOffset(uint32_t routine, uint32_t target);

// Writes over code of the own process; true when all `count` bytes were written.
bool WriteProcessCode(void* address, const void* bytes, size_t count);

// Saves the routine's first 8 bytes in `patch` and writes a jump to `target` over its start.
// `patch.address` names the routine when the write succeeded, else it is 0.
void RedirectRoutine(void* routine, const void* target, TPatchRecord& patch);
// Writes the saved bytes back; does nothing for a record whose patch failed.
void RestoreRoutine(const TPatchRecord& patch);

// Narrows the context's clipping to `rect` (or cuts `rect` out of it when `exclude`) and hands
// back the clip region it had, null when it had none.
void BeginClipRect(HDC dc, const RECT& rect, HRGN& saved, bool exclude);
// Puts the saved clip region back (null removes clipping) and deletes it.
void EndClipRect(HDC dc, HRGN saved);

// BeginClipRect ... EndClipRect for one scope.
class ClipRectScope {
 public:
  ClipRectScope(HDC dc, const RECT& rect, bool exclude) : dc_(dc) {
    BeginClipRect(dc, rect, saved_, exclude);
  }
  ~ClipRectScope() { EndClipRect(dc_, saved_); }
  ClipRectScope(const ClipRectScope&) = delete;
  ClipRectScope& operator=(const ClipRectScope&) = delete;

 private:
  HDC dc_;
  HRGN saved_ = nullptr;
};

}  // namespace controls
