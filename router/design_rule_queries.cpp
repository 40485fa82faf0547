// The host's answer where the rule collection has none of its own.
#include "router/design_rule_queries.h"

namespace router {

sdk::Handle DesignRuleQueries::FindRuleForObjects(sdk::Handle a, sdk::Handle b, uint8_t rule_kind,
                                                  int /*first_scope*/, int /*last_scope*/) const {
  if (a == 0 || b == 0) return 0;
  return sdk::PcbApi_FindDominantRuleForObjectPair(a, b, rule_kind);
}

bool DesignRuleQueries::MayHoldObjectsOfNet(sdk::Handle, uint8_t, int, int) const { return true; }

void DesignRuleQueries::ForgetObject(sdk::Handle) const {}

void DesignRuleQueries::NoteNetName(sdk::Handle, std::string_view) const {}

bool DesignRuleQueries::SharesNetTables(sdk::Handle) const { return false; }

}  // namespace router
