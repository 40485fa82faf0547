// The interception tests link the library's units with a settings record that switches the
// interception on; each test may change it further.
#pragma once

#include "crashreport/drosk_settings.h"

namespace drosk {

TDroskSettings& HooksTestSettings();

}  // namespace drosk
