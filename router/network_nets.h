// Which nets the design file hands the router: a net with fewer than two pads is left out of
// the network, so its copper travels as fixed wiring and stays on the board at import.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
  // A count found by someone who walked the net's pads already, and the net's name as the design
  // file writes it (escaped) when they wrote the net: its copper names it again, and the host
  // need not be asked for every net of the board once more.
  void Note(sdk::Handle net, int pads, std::string_view escaped_name = {});
  // The name noted of the net; empty when none was.
  std::string_view NameOf(sdk::Handle net);

 private:
  struct Entry {
    int pads = 0;
    uint32_t name_at = 0, name_size = 0;  // in names_
  };
  THandleTable<Entry> counts_;
  std::string names_;  // the noted names one after the other
  // The net asked for last: each piece of copper asks for its net twice, and copper comes net by
  // net more often than not, so most questions need no look-up in the table (a cache miss each
  // on a large board).
  sdk::Handle last_net_ = 0;
  int last_count_ = 0;
};

}  // namespace router
