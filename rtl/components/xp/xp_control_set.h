// Makes the own-drawn controls known to form descriptions by their class names.
#pragma once

namespace xp {

void RegisterXPControls();

}  // namespace xp
