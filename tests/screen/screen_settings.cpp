// The crash library's settings for the screen tests: the exception box shows as a window, also
// in this console program.
#include "crashreport/drosk_settings.h"

namespace drosk {

const TDroskSettings& DroskSettings() noexcept {
  static const TDroskSettings settings = [] {
    TDroskSettings s;
    s.ConsoleOutput = false;
    return s;
  }();
  return settings;
}

}  // namespace drosk
