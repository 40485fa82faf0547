// Which nets the design file hands the router: a net with fewer than two pads is left out of
// the network, so its copper travels as fixed wiring and stays on the board at import.
#pragma once

#include <unordered_map>

#include "sdk/pcb_api.h"

namespace router {

class TNetPadCounts {
 public:
  // The net's pads, counted once per net.
  int Count(sdk::Handle net);
  // A net (not 0) with at least two pads.
  bool InNetwork(sdk::Handle net) { return net != 0 && Count(net) >= 2; }

 private:
  std::unordered_map<sdk::Handle, int> counts_;
  // The net asked for last, which the next question mostly names again (copper of one net lies
  // side by side): no look-up in the table, which on a large board is a cache miss.
  sdk::Handle last_net_ = 0;
  int last_count_ = 0;
};

}  // namespace router
