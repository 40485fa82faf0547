// Which nets the design file hands the router.
#include "router/network_nets.h"

namespace router {

int TNetPadCounts::Count(sdk::Handle net) {
  if (net != 0 && net == last_net_) return last_count_;
  int count = 0;
  if (const Entry* found = counts_.Find(net)) {
    count = found->pads;
  } else {
    sdk::LegacyLayerSet all_layers;
    all_layers.Include(0);
    sdk::IterateContainer(net, 1u << pcbapi::kPad, all_layers, pcbapi::kAllObjects,
                          [&](sdk::Handle) { ++count; });
    if (net == 0) return count;
    counts_[net].pads = count;
  }
  last_net_ = net;
  last_count_ = count;
  return count;
}

void TNetPadCounts::Note(sdk::Handle net, int pads, std::string_view escaped_name) {
  if (net == 0) return;
  Entry& entry = counts_[net];
  entry.pads = pads;
  entry.name_at = static_cast<uint32_t>(names_.size());
  entry.name_size = static_cast<uint32_t>(escaped_name.size());
  names_.append(escaped_name);
  if (net == last_net_) last_count_ = pads;
}

std::string_view TNetPadCounts::NameOf(sdk::Handle net) {
  const Entry* found = counts_.Find(net);
  if (!found) return {};
  return std::string_view(names_).substr(found->name_at, found->name_size);
}

}  // namespace router
