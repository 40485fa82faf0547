// Makes the own-drawn controls known to form descriptions by their class names.
#pragma once

namespace controls {

void RegisterXPControls();

}  // namespace controls
