// Which nets the design file hands the router.
#include "router/network_nets.h"

namespace router {

int TNetPadCounts::Count(sdk::Handle net) {
  if (net != 0 && net == last_net_) return last_count_;
  int count = 0;
  if (const int* found = counts_.Find(net)) {
    count = *found;
  } else {
    sdk::LegacyLayerSet all_layers;
    all_layers.Include(0);
    sdk::IterateContainer(net, 1u << pcbapi::kPad, all_layers, pcbapi::kAllObjects,
                          [&](sdk::Handle) { ++count; });
    if (net == 0) return count;
    counts_[net] = count;
  }
  last_net_ = net;
  last_count_ = count;
  return count;
}

}  // namespace router
