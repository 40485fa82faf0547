// The module's own settings: the record's defaults. No hook, no thread, no code patch.
#include "crashreport/drosk_settings.h"

namespace drosk {

const TDroskSettings& DroskSettings() noexcept {
  static constexpr TDroskSettings kModuleSettings{};
  return kModuleSettings;
}

}  // namespace drosk
