// Failures of the image and drawing routines.
#include "controls/graphic_errors.h"

#include <windows.h>

#include "sdk/common_utils.h"

namespace controls {

void RaiseOutOfResources() {
  const DWORD error = GetLastError();
  throw EOutOfResources(error ? sdk::SystemErrorText(error) : "Out of system resources");
}

}  // namespace controls
