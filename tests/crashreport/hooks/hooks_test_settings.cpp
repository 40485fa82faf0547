// The settings record of the interception tests and their child program.
#include "hooks_test_settings.h"

namespace drosk {

TDroskSettings& HooksTestSettings() {
  static TDroskSettings settings = [] {
    TDroskSettings s;
    s.HandleExceptions = true;
    s.HookPointsLinked = true;
    return s;
  }();
  return settings;
}

const TDroskSettings& DroskSettings() noexcept { return HooksTestSettings(); }

}  // namespace drosk
