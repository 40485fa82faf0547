// The host SDK's units in load order; they end in reverse order.
#include "sdk/unit_table.h"

#include "sdk/client_api.h"
#include "sdk/common_utils.h"
#include "sdk/layer_set_com.h"
#include "sdk/pcb_api.h"
#include "sdk/rt_param.h"

namespace sdk {

namespace {

// The spatial iterators hand the host its own kind of layer set.
IPCB_LayerSet* LayerSetFromLegacyLayers(const LegacyLayerSet& layers) {
  LayerSet set;
  for (int layer = 0; layer <= kLegacyLastLayer; ++layer) {
    if (layers.Contains(layer)) set.IncludeLegacyLayer(static_cast<std::uint8_t>(layer));
  }
  return MakeLayerSet(std::move(set)).detach();
}

}  // namespace

void StartHostSdkUnits() noexcept {
  BindClientApi();         // the client procedures
  StartClientInterface();  // the client interface: binds again (no-op) and fills the global
  StartVfsApi();
  ResetApplicationPreferenceKey();
  SetLayerSetFromLegacySet(LayerSetFromLegacyLayers);
}

void EndHostSdkUnits() noexcept {
  SetLayerSetFromLegacySet(nullptr);
  EndLayerSetUnit();
  ReleaseParameterCache();
  EndVfsApi();
}

}  // namespace sdk
