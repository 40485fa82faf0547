// What the rule tables ask the host about a design rule, behind one narrow interface: the export
// answers it through the host's rule records, tests with fixed values.
#pragma once

#include <cstdint>
#include <optional>

namespace router {

class RuleConstraintQuery {
 public:
  virtual ~RuleConstraintQuery() = default;
  // The minimum gap of a clearance rule in internal units; nothing when the host fails to tell.
  virtual std::optional<int32_t> ClearanceGap(uint32_t rule_handle) const = 0;
};

}  // namespace router
