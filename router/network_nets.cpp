// Which nets the design file hands the router.
#include "router/network_nets.h"

namespace router {

int TNetPadCounts::Count(sdk::Handle net) {
  if (const int* found = counts_.Find(net)) return *found;
  sdk::LegacyLayerSet all_layers;
  all_layers.Include(0);
  int count = 0;
  sdk::IterateContainer(net, 1u << pcbapi::kPad, all_layers, pcbapi::kAllObjects,
                        [&](sdk::Handle) { ++count; });
  if (net != 0) counts_[net] = count;
  return count;
}

}  // namespace router
