// Which nets the design file hands the router.
#include "router/network_nets.h"

namespace router {

int TNetPadCounts::Count(sdk::Handle net) {
  if (net == last_net_ && net != 0) return last_count_;
  last_net_ = net;
  const auto found = counts_.find(net);
  if (found != counts_.end()) return last_count_ = found->second;
  sdk::LegacyLayerSet all_layers;
  all_layers.Include(0);
  int count = 0;
  sdk::IterateContainer(net, 1u << pcbapi::kPad, all_layers, pcbapi::kAllObjects,
                        [&](sdk::Handle) { ++count; });
  counts_.emplace(net, count);
  return last_count_ = count;
}

}  // namespace router
