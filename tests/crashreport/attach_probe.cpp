// A DLL that asks the library, while the loader runs its entry point, whether the loader lock is
// held.
#include <windows.h>

#include "crashreport/drosk_threads.h"

namespace {
bool heldAtAttach = false;
}

extern "C" __declspec(dllexport) int LoaderLockHeldAtAttach() { return heldAtAttach ? 1 : 0; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) heldAtAttach = drosk::LoaderLockHeld();
  return TRUE;
}
