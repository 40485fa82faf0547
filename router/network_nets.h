// Which nets the design file hands the router: a net with fewer than two pads is left out of
// the network, so its copper travels as fixed wiring and stays on the board at import.
#pragma once

#include "router/handle_table.h"
#include "sdk/pcb_api.h"

namespace router {

class TNetPadCounts {
 public:
  // The net's pads, counted once per net.
  int Count(sdk::Handle net);
  // A net (not 0) with at least two pads.
  bool InNetwork(sdk::Handle net) { return net != 0 && Count(net) >= 2; }
  // Room for the counts of `nets` nets in all.
  void Reserve(size_t nets) { counts_.Reserve(nets); }
  // A count found by someone who walked the net's pads already.
  void Note(sdk::Handle net, int pads) {
    if (net == 0) return;
    counts_[net] = pads;
    if (net == last_net_) last_count_ = pads;
  }

 private:
  THandleTable<int> counts_;
  // The net asked for last: each piece of copper asks for its net twice, and copper comes net by
  // net more often than not, so most questions need no look-up in the table (a cache miss each
  // on a large board).
  sdk::Handle last_net_ = 0;
  int last_count_ = 0;
};

}  // namespace router
