// The mail tests link the library's units with a settings record they can change.
#pragma once

#include "crashreport/drosk_settings.h"

namespace drosk {

TDroskSettings& MailTestSettings();

}  // namespace drosk
