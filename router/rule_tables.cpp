// Clearance and width values by key, and their design-file statements.
#include "router/rule_tables.h"

#include <utility>

#include "router/design_file_names.h"
#include "sdk/exceptions.h"

namespace router {

namespace {

constexpr std::string_view kObjectIdNames[kSpecctraObjectIdCount] = {"pin",  "smd",  "via",
                                                                     "wire", "area", "testpoint"};

constexpr const char* kUnknownObjectIdText =
    "ERROR : Specctra Object ID for Clearance not recognized";

// Values in the order of their first key, each with its keys in that order.
struct ValueGroup {
  int32_t value;
  std::vector<std::string> keys;
};

void AddToGroups(std::vector<ValueGroup>& groups, int32_t value, std::string key) {
  for (ValueGroup& group : groups) {
    if (group.value == value) {
      group.keys.push_back(std::move(key));
      return;
    }
  }
  groups.push_back(ValueGroup{value, {std::move(key)}});
}

// Every clearance type once: the pairs with the smaller id first, then the special types.
std::vector<std::string> ClearanceTypesInOrder() {
  std::vector<std::string> types;
  for (int a = 0; a < kSpecctraObjectIdCount; ++a) {
    for (int b = a; b < kSpecctraObjectIdCount; ++b) {
      types.push_back(TClearanceMatrix::ClearanceTypeName(static_cast<TSpecctraObjectId>(a),
                                                          static_cast<TSpecctraObjectId>(b)));
    }
  }
  for (std::string_view special : TClearanceMatrix::kSpecialTypes) types.emplace_back(special);
  return types;
}

}  // namespace

// --- storage ----------------------------------------------------------------------------------

void TSpecctraRuleValueStorage::SetGenericValue(uint32_t) {
  RTL_ASSERT(false, "Assertion failure");
}

TOvixRuleValue& TSpecctraRuleValueStorage::Entry(std::string_view key) {
  auto found = values_.find(key);
  if (found == values_.end()) found = values_.emplace(std::string(key), TOvixRuleValue()).first;
  return found->second;
}

bool TSpecctraRuleValueStorage::HasKey(std::string_view key) const {
  return values_.find(key) != values_.end();
}

int32_t TSpecctraRuleValueStorage::ValueOf(std::string_view key) const {
  const auto found = values_.find(key);
  return found == values_.end() ? -1 : found->second.value;
}

bool TSpecctraRuleValueStorage::AnyValue() const {
  for (const auto& [key, entry] : values_) {
    if (entry.HasValue()) return true;
  }
  return false;
}

bool TSpecctraRuleValueStorage::SingleValue(int32_t& value) const {
  value = -1;
  for (const auto& [key, entry] : values_) {
    if (!entry.HasValue()) continue;
    if (value == -1) {
      value = entry.value;
    } else if (entry.value != value) {
      value = -1;
      return false;
    }
  }
  return value != -1;
}

void TSpecctraRuleValueStorage::Reset() {
  for (auto& [key, entry] : values_) entry.Reset();
}

bool TSpecctraRuleValueStorage::Equals(const TSpecctraRuleValueStorage* other) const {
  if (!other) return false;
  for (const auto& [key, entry] : values_) {
    if (other->ValueOf(key) != entry.value) return false;
  }
  return true;
}

// --- clearance matrix -------------------------------------------------------------------------

std::string_view TClearanceMatrix::ObjectIdName(TSpecctraObjectId id) {
  const auto index = static_cast<size_t>(id);
  RTL_ASSERT(index < std::size(kObjectIdNames), kUnknownObjectIdText);
  return kObjectIdNames[index];
}

std::string TClearanceMatrix::ClearanceTypeName(TSpecctraObjectId a, TSpecctraObjectId b) {
  if (b < a) std::swap(a, b);
  std::string name(ObjectIdName(a));
  name += '_';
  name += ObjectIdName(b);
  return name;
}

TOvixRuleValue& TClearanceMatrix::Entry(TSpecctraObjectId a, TSpecctraObjectId b) {
  return Entry(ClearanceTypeName(a, b));
}

bool TClearanceMatrix::HasEntry(TSpecctraObjectId a, TSpecctraObjectId b) const {
  return HasKey(ClearanceTypeName(a, b));
}

std::unique_ptr<TClearanceMatrix> TClearanceMatrix::Copy() const {
  return std::unique_ptr<TClearanceMatrix>(new TClearanceMatrix(*this));
}

void TClearanceMatrix::SetGenericValue(uint32_t rule_handle) {
  TOvixRuleValue& generic = Entry(kGenericValueKey);
  const std::optional<int32_t> gap = query_.ClearanceGap(rule_handle);
  if (!gap) {
    generic.Reset();
    return;
  }
  generic.rule_handle = rule_handle;
  generic.value = *gap;
}

std::vector<std::string> TClearanceMatrix::Statements() const {
  std::vector<std::string> statements;
  int32_t single = -1;
  // One bare value covers every type only when it is the generic one: typed values alone, even
  // when they agree, hold for their types and no others.
  if (GenericValue() > -1 && SingleValue(single)) {
    statements.push_back(StatementText().Open("clearance").Number(single).Close().Take());
    return statements;
  }
  if (!AnyValue()) return statements;

  const int32_t generic = GenericValue();
  if (generic > -1) {
    statements.push_back(StatementText().Open("clearance").Number(generic).Close().Take());
  }
  // Every valued type lands in the one statement of its value.
  std::vector<ValueGroup> groups;
  for (std::string& type : ClearanceTypesInOrder()) {
    const int32_t value = ValueOf(type);
    if (value > -1) AddToGroups(groups, value, std::move(type));
  }
  for (const ValueGroup& group : groups) {
    StatementText statement;
    statement.Open("clearance").Number(group.value).Open("type");
    for (const std::string& type : group.keys) statement.Word(type);
    statements.push_back(statement.Close().Close().Take());
  }
  return statements;
}

void TClearanceMatrix::Write(DesignFileOutput& out) const {
  for (const std::string& statement : Statements()) out.Line(statement);
}

void TClearanceMatrix::Write(std::vector<std::string>& lines) const {
  for (std::string& statement : Statements()) lines.push_back(std::move(statement));
}

// --- width table ------------------------------------------------------------------------------

TOvixRuleValue& TWidthTable::Entry(LegacyLayer layer) { return Entry(DesignFileLayerName(layer)); }

std::vector<std::string> TWidthTable::Statements() const {
  std::vector<std::string> statements;
  // A width of 0 is a rule without one: no wire the router could lay.
  int32_t single = -1;
  if (SingleValue(single)) {
    if (single > 0)
      statements.push_back(StatementText().Open("width").Number(single).Close().Take());
    return statements;
  }
  // Most nets have no width of their own: no layer need be looked at.
  if (!AnyValue()) return statements;
  std::vector<ValueGroup> groups;
  for (LegacyLayer layer = kTopLayer; layer <= kBottomLayer; ++layer) {
    std::string name(DesignFileLayerName(layer));
    const int32_t value = ValueOf(name);
    if (value > 0) AddToGroups(groups, value, std::move(name));
  }
  for (const ValueGroup& group : groups) {
    StatementText statement;
    statement.Open("layer_rule");
    for (const std::string& layer : group.keys) statement.Word(layer);
    statement.Open("rule").Open("width").Number(group.value).Close().Close().Close();
    statements.push_back(statement.Take());
  }
  return statements;
}

void TWidthTable::Write(DesignFileOutput& out) const {
  for (const std::string& statement : Statements()) out.Line(statement);
}

}  // namespace router
