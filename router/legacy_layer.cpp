// Names of the host's legacy layer numbers: the board object model's table.
#include "router/legacy_layer.h"

#include "sdk/exceptions.h"
#include "sdk/pcb_board.h"

namespace router {

static_assert(kLastLegacyLayer + 1 == sdk::kLegacyLayerCount);

std::string_view LegacyLayerName(LegacyLayer layer) {
  RTL_ASSERT(layer >= 0 && layer <= kLastLegacyLayer, "Legacy layer number out of range");
  return sdk::LegacyLayerNames[static_cast<size_t>(layer)];
}

}  // namespace router
