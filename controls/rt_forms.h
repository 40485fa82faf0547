// The form unit's settings: where forms keep their bounds in the registry.
#pragma once

#include <string>

namespace controls {

// The form-settings key; empty until the unit has started.
std::string GetFormBoundsKey();

// The unit's start: the application's registry key followed by "\Forms".
void StartFormsUnit();

}  // namespace controls
