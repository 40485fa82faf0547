// What the design-file writer's rule helpers ask about the board's design rules, behind one
// narrow interface that the rule collection answers (TOvixRuleQueries).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "sdk/pcb_api.h"

namespace router {

// The routed lengths a length rule allows, internal units.
struct TLengthLimits {
  int32_t min = 0;
  int32_t max = 0;
};

class DesignRuleQueries {
 public:
  virtual ~DesignRuleQueries() = default;
  // The rule of `rule_kind` that applies to the object, considering only rules whose router
  // scope kind lies in first_scope..last_scope and whose first scope includes the object; 0
  // when none does.
  virtual sdk::Handle FindRuleForObject(sdk::Handle object, uint8_t rule_kind, int first_scope,
                                        int last_scope) const = 0;
  // The clearance-like rule of `rule_kind` between two objects, scopes as above; 0 when none
  // does. The host's dominant rule for the pair unless an implementation knows better.
  virtual sdk::Handle FindRuleForObjects(sdk::Handle a, sdk::Handle b, uint8_t rule_kind,
                                         int first_scope, int last_scope) const;
  // The limits of a length rule, from the host's length-constraint interface of the rule;
  // nothing when the rule offers none.
  virtual std::optional<TLengthLimits> RuleLengths(sdk::Handle rule) const = 0;
  // False only when no rule of `rule_kind` within the scopes can hold an object of the net, so
  // that nothing need be made to ask about one.
  virtual bool MayHoldObjectsOfNet(sdk::Handle net, uint8_t rule_kind, int first_scope,
                                   int last_scope) const;
  // A temporary object the caller asked about is gone: a host may give its handle to the next
  // object, which must not be answered with what was learnt of this one.
  virtual void ForgetObject(sdk::Handle object) const;
  // The name of a net (not 0) as the host gave it to the caller, who read it anyway: the queries
  // that need it then need not ask the host again.
  virtual void NoteNetName(sdk::Handle net, std::string_view name) const;
  // True only when the object is a net that every width and clearance query answers as it
  // answers every other such net: all of them share one set of width and clearance tables.
  virtual bool SharesNetTables(sdk::Handle object) const;
};

}  // namespace router
