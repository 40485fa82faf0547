// Routine redirects and clip regions.
#include "controls/routine_redirect.h"

#include <cstring>

namespace controls {

namespace {
constexpr uint8_t kJumpOpcode = 0xE9;
constexpr size_t kJumpSize = 5;
}  // namespace

uint32_t RelativeJumpOffset(uint32_t routine, uint32_t target) {
  return target - (routine + kJumpSize);
}

bool WriteProcessCode(void* address, const void* bytes, size_t count) {
  SIZE_T written = 0;
  return WriteProcessMemory(GetCurrentProcess(), address, bytes, count, &written) &&
         written == count;
}

void RedirectRoutine(void* routine, const void* target, TPatchRecord& patch) {
  std::memcpy(patch.saved, routine, sizeof patch.saved);
  const auto from = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(routine));
  const uint32_t offset =
      RelativeJumpOffset(from, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target)));
  uint8_t jump[kJumpSize] = {kJumpOpcode};
  std::memcpy(jump + 1, &offset, sizeof offset);
  patch.address = WriteProcessCode(routine, jump, sizeof jump) ? from : 0;
}

void RestoreRoutine(const TPatchRecord& patch) {
  if (patch.address == 0) return;
  WriteProcessCode(reinterpret_cast<void*>(static_cast<uintptr_t>(patch.address)), patch.saved,
                   kJumpSize);
}

void BeginClipRect(HDC dc, const RECT& rect, HRGN& saved, bool exclude) {
  saved = CreateRectRgn(0, 0, 0, 0);
  if (saved && GetClipRgn(dc, saved) != 1) {
    DeleteObject(saved);
    saved = nullptr;
  }
  if (exclude) {
    ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  } else {
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  }
}

void EndClipRect(HDC dc, HRGN saved) {
  SelectClipRgn(dc, saved);
  if (saved) DeleteObject(saved);
}

}  // namespace controls
