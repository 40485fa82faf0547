// The library's load and unload: the units start in table order and end in reverse.
#include <windows.h>

#include "crashreport/drosk_except.h"
#include "controls/alpha_image.h"
#include "controls/rt_forms.h"
#include "controls/xp_images.h"
#include "controls/xp_timer_list.h"
#include "sdk/unit_table.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  // The picture formats' registry can fail to grow; nothing may leave through the loader.
  try {
    switch (reason) {
      case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(instance);  // nothing here cares about other threads
        sdk::StartHostSdkUnits();
        controls::StartFormsUnit();
        controls::StartAlphaImageUnit();
        controls::StartXPImagesUnit();
        // With the module's settings the crash library only takes over a restart's history.
        drosk::DroskExceptInitialization();
        break;
      case DLL_PROCESS_DETACH:
        drosk::DroskExceptFinalization();
        controls::EndTimerListUnit();
        controls::EndXPImagesUnit();
        controls::EndAlphaImageUnit();
        sdk::EndHostSdkUnits();
        break;
    }
  } catch (...) {
    return FALSE;  // refuses the load; an unload goes on regardless
  }
  return TRUE;
}
