// The form unit's settings.
#include "rtl/components/xp/rt_forms.h"

#include "rtl/common_utils.h"

namespace xp {

namespace {
std::string form_bounds_key;
}

std::string GetFormBoundsKey() { return form_bounds_key; }

void StartFormsUnit() { form_bounds_key = rtl::GetRegistryKeyPath() + "\\Forms"; }

}  // namespace xp
