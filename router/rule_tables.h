// Clearance and width values gathered from the design rules, keyed by text, and written as the
// design file's clearance, width and layer_rule statements: one statement when all values
// agree, else one per group of keys with equal values.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sdk/ascii_case.h"
#include "router/design_file_output.h"
#include "router/legacy_layer.h"
#include "router/rule_constraint_query.h"

namespace router {

// A value in internal units and the host rule it came from; -1 means no value, handle 0 no rule.
struct TOvixRuleValue {
  uint32_t rule_handle = 0;
  int32_t value = -1;

  bool HasValue() const { return value > -1; }
  void Reset() { *this = TOvixRuleValue(); }
};

// The key of the value that applies to everything.
inline constexpr std::string_view kGenericValueKey = "Generic_Value";

// Values by key; keys compare without regard to ASCII case.
class TSpecctraRuleValueStorage {
 public:
  explicit TSpecctraRuleValueStorage(std::string name) : name_(std::move(name)) {}
  TSpecctraRuleValueStorage& operator=(const TSpecctraRuleValueStorage&) = delete;
  virtual ~TSpecctraRuleValueStorage() = default;

  const std::string& name() const { return name_; }
  virtual std::string DisplayName() const { return std::string(); }
  // Only stores that know how to read a rule's value offer this; an assertion failure here.
  virtual void SetGenericValue(uint32_t rule_handle);

  // The key's value; an absent key is added with no value first, so reading never fails.
  TOvixRuleValue& Entry(std::string_view key);
  bool HasKey(std::string_view key) const;
  // The value of an entry without adding it: -1 for an absent key.
  int32_t ValueOf(std::string_view key) const;

  // The value of "Generic_Value", -1 without one.
  int32_t GenericValue() const { return ValueOf(kGenericValueKey); }
  // Some entry has a value.
  bool AnyValue() const;
  // At least one entry has a value and all that have one agree: `value` is it; else -1.
  bool SingleValue(int32_t& value) const;
  // Every entry back to no value and no rule.
  void Reset();
  // Every key of this store has the same value in `other` (absent keys there have none). One-
  // sided: keys only `other` has are not looked at. False without another store.
  bool Equals(const TSpecctraRuleValueStorage* other) const;

 protected:
  // For the stores that hand out copies of themselves: no store is copied by accident.
  TSpecctraRuleValueStorage(const TSpecctraRuleValueStorage&) = default;

 private:
  std::map<std::string, TOvixRuleValue, sdk::LessIgnoringCase> values_;
  std::string name_;
};

// The router's object kinds between which clearances are given.
enum class TSpecctraObjectId : uint8_t {
  Pin = 0,
  Smd = 1,
  Via = 2,
  Wire = 3,
  Area = 4,
  TestPoint = 5
};
inline constexpr int kSpecctraObjectIdCount = 6;

// Clearances by type: "pin_via", "smd_smd", ..., the five same-net and gap types, and
// "Generic_Value".
class TClearanceMatrix : public TSpecctraRuleValueStorage {
 public:
  static constexpr std::string_view kSpecialTypes[] = {
      "smd_via_same_net", "via_via_same_net", "antipad_gap", "pad_to_turn_gap", "smd_to_turn_gap"};

  // `query` reads rule values from the host and must outlive the matrix.
  TClearanceMatrix(std::string name, const RuleConstraintQuery& query)
      : TSpecctraRuleValueStorage(std::move(name)), query_(query) {}

  // "pin", "smd", "via", "wire", "area", "testpoint"; any other id is an assertion failure.
  static std::string_view ObjectIdName(TSpecctraObjectId id);
  // The smaller id's name, "_", the larger one's: (Via, Pin) is "pin_via".
  static std::string ClearanceTypeName(TSpecctraObjectId a, TSpecctraObjectId b);

  using TSpecctraRuleValueStorage::Entry;
  TOvixRuleValue& Entry(TSpecctraObjectId a, TSpecctraObjectId b);
  bool HasEntry(TSpecctraObjectId a, TSpecctraObjectId b) const;

  // "Generic_Value" takes the rule and its gap as the host tells it, or no value when the host
  // cannot.
  void SetGenericValue(uint32_t rule_handle) override;

  // Nothing without values; one "(clearance V)" when all agree; otherwise "(clearance G)" for a
  // generic value G, then one "(clearance V (type ...))" per distinct value V of the types. Types
  // are taken pin_pin, pin_smd .. pin_testpoint, smd_smd .. testpoint_testpoint, then the special
  // types; statements follow the first type of each value, types keep that order.
  std::vector<std::string> Statements() const;
  // Each statement on its own line at the output's level.
  void Write(DesignFileOutput& out) const;
  // Each statement appended as one item, without indentation.
  void Write(std::vector<std::string>& lines) const;

  // A matrix with this one's name, entries and query.
  std::unique_ptr<TClearanceMatrix> Copy() const;

 private:
  TClearanceMatrix(const TClearanceMatrix&) = default;

  const RuleConstraintQuery& query_;
};

// Track widths by design-file layer name.
class TWidthTable : public TSpecctraRuleValueStorage {
 public:
  explicit TWidthTable(std::string name) : TSpecctraRuleValueStorage(std::move(name)) {}

  std::string DisplayName() const override { return "Width Table"; }

  using TSpecctraRuleValueStorage::Entry;
  // The entry of the layer's design-file name.
  TOvixRuleValue& Entry(LegacyLayer layer);

  // Nothing without values; one "(width W)" when all agree; otherwise, over the signal layers
  // top to bottom, one "(layer_rule A B (rule (width W)))" per distinct width, its layers in
  // layer order.
  std::vector<std::string> Statements() const;
  void Write(DesignFileOutput& out) const;
};

}  // namespace router
