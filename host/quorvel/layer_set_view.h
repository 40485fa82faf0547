// The one question the stand-in editor asks of a layer set handed to its spatial iterator.
#pragma once

#include "sdk/pcb_api_contract.h"

namespace quorvel {

// Whether the set holds the layer; no set at all holds every layer.
bool LayerSetContains(IPCB_LayerSet* set, pcbapi::LayerId layer);

}  // namespace quorvel
