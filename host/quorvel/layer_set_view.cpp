// Reads a layer set the module hands the editor.
#include "host/quorvel/layer_set_view.h"

#include "sdk/pcb_contract.h"

namespace quorvel {

bool LayerSetContains(IPCB_LayerSet* set, pcbapi::LayerId layer) {
  return !set || set->Contains(layer) != 0;
}

}  // namespace quorvel
