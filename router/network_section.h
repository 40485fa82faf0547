// The design file's network section: nets with their component pins and electrical roles,
// from-tos, net classes, from-to groups and differential pairs, each with its rule blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "router/applicable_rules.h"
#include "router/design_file_output.h"
#include "router/library_images.h"
#include "router/name_index.h"
#include "router/network_nets.h"
#include "router/router_settings.h"

namespace router {

// Items of a wrapped list, each followed by a blank: 7 on the first line (after the prefix), 8 on
// every later line, and the suffix at the end of the last line. At least one line, even without
// items. Each line is composed in `line`, a buffer the caller reuses from list to list, so that a
// list of a net costs no allocation.
class TWrappedList {
 public:
  TWrappedList(DesignFileOutput& out, std::string& line, std::string_view prefix);
  void Add(std::string_view item);
  // Writes the last line.
  void End(std::string_view suffix);

 private:
  DesignFileOutput& out_;
  std::string& line_;
  int on_line_ = 0;
  bool first_line_ = true;
};

// A component pin of a net: escaped "<designator>-<pin>" and its electrical type (0 load,
// 1 terminator, 2 source; 3 to 7 other kinds, which take no role).
struct TNetPin {
  std::string name;
  uint8_t electrical_type = 0;
};

// "(pins" with every pin of one net, composed in the reused `line`.
void WriteNetPins(DesignFileOutput& out, std::string& line, std::span<const TNetPin* const> pins);

// "(pair" of two nets, escaped; nothing unless both nets are among `network_nets`, the names of
// the nets in the network.
void WritePair(DesignFileOutput& out, const std::string& first_net, const std::string& second_net,
               const NameIndex& network_nets);

// A net of the board with its name as the host gives it.
struct TBoardNet {
  sdk::Handle handle = 0;
  std::string name;
};

// The board's nets in the host's order, each read once; a net whose record cannot be read is
// left out, as the sections leave it.
std::vector<TBoardNet> ReadBoardNets(const sdk::TPcbBoard& board);

struct TNetworkContext {
  TRuleBlockContext rules;
  TRouterSettings settings;
  std::function<void()> progress;       // one step per net
  TNetPadCounts* pad_counts = nullptr;  // when given, receives the pad count of every net
  // Every component's pads in the board's order; without them the network reads them itself.
  const std::vector<TComponentPads>* component_pads = nullptr;
  // ReadBoardNets of the board; without them the network reads them itself.
  const std::vector<TBoardNet>* nets = nullptr;
};

void WriteNetwork(DesignFileOutput& out, const TNetworkContext& context);

}  // namespace router
