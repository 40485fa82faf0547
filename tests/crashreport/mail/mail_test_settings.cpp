// The settings record of the mail tests: the module's defaults, changed by each test.
#include "mail_test_settings.h"

namespace drosk {

TDroskSettings& MailTestSettings() {
  static TDroskSettings settings;
  return settings;
}

const TDroskSettings& DroskSettings() noexcept { return MailTestSettings(); }

}  // namespace drosk
