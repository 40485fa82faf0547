// Failures of the image and drawing routines.
#include "rtl/components/xp/graphic_errors.h"

#include <windows.h>

#include "rtl/common_utils.h"

namespace xp {

void RaiseOutOfResources() {
  const DWORD error = GetLastError();
  throw EOutOfResources(error ? rtl::SystemErrorText(error) : "Out of system resources");
}

}  // namespace xp
