// The design file's network section: nets with their component pins and electrical roles,
// from-tos, net classes, from-to groups and differential pairs, each with its rule blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "router/applicable_rules.h"
#include "router/design_file_output.h"
#include "router/router_settings.h"

namespace router {

// Items of a wrapped list, each followed by a blank: 7 on the first line (after `prefix`), 8 on
// every later line. At least one line, even without items.
std::vector<std::string> WrapItems(const std::string& prefix,
                                   const std::vector<std::string>& items);

// A component pin of a net: escaped "<designator>-<pin>" and its electrical type (0 load,
// 1 terminator, 2 source; 3 to 7 other kinds, which take no role).
struct TNetPin {
  std::string name;
  uint8_t electrical_type = 0;
};

// "(pins" with every pin of one net.
void WriteNetPins(DesignFileOutput& out, const std::vector<TNetPin>& pins);

// "(pair" of two nets, escaped; nothing unless both nets are in the network.
void WritePair(DesignFileOutput& out, const std::string& first_net, const std::string& second_net,
               const std::unordered_set<std::string>& network_nets);

struct TNetworkContext {
  TRuleBlockContext rules;
  TRouterSettings settings;
  std::function<void()> progress;  // one step per net
};

void WriteNetwork(DesignFileOutput& out, const TNetworkContext& context);

}  // namespace router
