// The form unit's settings.
#include "controls/rt_forms.h"

#include "sdk/common_utils.h"

namespace controls {

namespace {
std::string form_bounds_key;
}

std::string GetFormBoundsKey() { return form_bounds_key; }

void StartFormsUnit() { form_bounds_key = sdk::GetRegistryKeyPath() + "\\Forms"; }

}  // namespace controls
