// The library's load and unload: the units start in table order and end in reverse.
#include <windows.h>

#include "rtl/components/xp/alpha_image.h"
#include "rtl/components/xp/rt_forms.h"
#include "rtl/components/xp/xp_timer_list.h"
#include "rtl/unit_table.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);  // nothing here cares about other threads
      rtl::StartHostSdkUnits();
      xp::StartFormsUnit();
      xp::StartAlphaImageUnit();
      break;
    case DLL_PROCESS_DETACH:
      xp::EndTimerListUnit();
      xp::EndAlphaImageUnit();
      rtl::EndHostSdkUnits();
      break;
  }
  return TRUE;
}
