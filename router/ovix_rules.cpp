// The design-rule collection of one board.
#include "router/ovix_rules.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

#include "framework/win/text.h"
#include "sdk/ascii_case.h"
#include "sdk/exceptions.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_object.h"
#include "sdk/pcb_server.h"

namespace router {

namespace {

uint32_t HandleOf(IPCB_Primitive* object) { return object ? object->GetHandle() : 0; }

bool InRange(uint8_t scope, uint8_t lowest, uint8_t highest) {
  return scope >= lowest && scope <= highest;
}

// The scope text as the parsers take it: blanks and control characters dropped at both ends.
std::string ScopeText(const win::Bstr& text) {
  std::wstring wide = text.str();
  const auto blank = [](wchar_t c) { return c < 33; };
  while (!wide.empty() && blank(wide.back())) wide.pop_back();
  size_t start = 0;
  while (start < wide.size() && blank(wide[start])) ++start;
  return win::Narrow(std::wstring_view(wide).substr(start));
}

// A unary rule whose scope is "All" holds every object, whatever the host's own tests.
bool HoldsEveryObject(IPCB_Rule& rule) {
  win::Bstr text;
  return rule.IsUnary() && SUCCEEDED(rule.GetScope1Expression(text.put())) &&
         ScopeText(text) == "All";
}

win::ComPtr<IPCB_Board> BoardOfHandle(uint32_t board_handle) {
  int32_t version = 0, object_count = 0;
  pcbapi::Text255 file_name{};
  pcbapi::Byte unit = 0, snap = 0;
  pcbapi::Coord origin_x = 0, origin_y = 0, width = 0, height = 0;
  pcbapi::LayerId current_layer = 0;
  win::ComPtr<IPCB_Board> board;
  if (board_handle != 0 &&
      sdk::PcbApi_QueryBoard(pcbapi::kRead, board_handle, &version, &file_name, &unit, &origin_x,
                             &origin_y, &width, &height, &snap, &current_layer,
                             &object_count) == pcbapi::kSuccess) {
    const win::ComPtr<IPCB_ServerInterface> server = sdk::GetPCBServer();
    if (server) {
      const win::Bstr path(win::Widen(std::string(file_name.chars, file_name.length)));
      board = win::ComPtr<IPCB_Board>::Adopt(server->GetPCBBoardByPath(path.get()));
    }
  }
  if (!board) throw sdk::Exception(kNoBoardInterfaceText);
  return board;
}

}  // namespace

namespace {
const std::string kNoNet;
}  // namespace

const std::string* TObjectNets::NameOfNet(uint32_t net, bool known_net) {
  if (net == 0) return &kNoNet;
  const std::string*& name = nets_[net];
  if (name) return name;
  if (net == noted_net_) {
    names_.push_back(*noted_name_);
    name = noted_name_ = &names_.back();
  } else {
    std::string text;
    if (known_net) {
      // Of a net's record only its name is needed.
      pcbapi::Text255 record_name{};
      sdk::PcbApi_QueryNet(pcbapi::kRead, net, nullptr, &record_name, nullptr, nullptr);
      text = sdk::FromText(record_name);
    } else {
      text = sdk::GetObjectNameByHandle(net);
    }
    names_.push_back(sdk::FoldedAscii(text));
    name = &names_.back();
  }
  return name;
}

void TObjectNets::NoteNet(uint32_t net, std::string_view name) {
  if (net == 0) return;
  noted_net_ = net;
  if (const std::string* const* known = nets_.Find(net)) {
    noted_name_ = *known;
    return;
  }
  noted_text_.assign(name);
  for (char& c : noted_text_) c = sdk::FoldAscii(c);
  noted_name_ = &noted_text_;
}

const std::string* TObjectNets::Of(uint32_t object) {
  // A net is asked about once per net of the board: its name is its answer, with no entry
  // among the objects.
  if (object == noted_net_ && object != 0) return noted_name_;
  if (const std::string* const* named = nets_.Find(object)) return *named;
  if (const ObjectNet* cached = objects_.Find(object); cached && cached->known) {
    return cached->name;
  }
  const uint8_t kind = sdk::PcbApi_GetObjectIdFromObjectHandle(object) & 0x7F;
  if (kind == pcbapi::kNet) return NameOfNet(object, true);
  const std::string* name = NetOfPrimitive(object, kind);
  if (object != 0) objects_[object] = {name, true};  // handle 0 is no object to remember
  return name;
}

const std::string* TObjectNets::NetOfPrimitive(uint32_t object, uint8_t kind) {
  switch (kind) {
    case pcbapi::kBoard: return &kNoNet;
    case pcbapi::kArc:
    case pcbapi::kPad:
    case pcbapi::kVia:
    case pcbapi::kTrack:
    case pcbapi::kFill:
    case pcbapi::kRegion: {
      // The common record holds the net: a pad's whole stack is not needed for it.
      uint16_t flags = 0, aux_word = 0;
      pcbapi::LayerId layer = 0;
      sdk::Handle net = 0;
      int32_t aux_integer = 0;
      pcbapi::Byte aux_byte = 0;
      if (sdk::PcbApi_QueryPrimitive(pcbapi::kRead, object, &flags, &aux_word, &layer, &net,
                                     &aux_integer, &aux_byte) != pcbapi::kSuccess) {
        net = 0;
      }
      return NameOfNet(net);
    }
    default: return nullptr;
  }
}

const std::string* TObjectNets::NameIfNet(uint32_t object) {
  if (object == noted_net_ && object != 0) return noted_name_;
  if (const std::string* const* named = nets_.Find(object)) return *named;
  Of(object);  // files a net among the nets
  const std::string* const* added = nets_.Find(object);
  return added ? *added : nullptr;
}

void TObjectNets::Forget(uint32_t object) {
  if (ObjectNet* found = objects_.Find(object)) found->known = false;
}

// Boards carry a rule or two for many single nets: asking the host (or matching the scopes) for
// each of them for every object would grow with nets times rules. A rule whose first scope is one
// InNet test holds an object, or a pair, only when an object is in that net: such rules of other
// nets are never looked at (TOvixRules::FirstCompatible). Objects of a kind the test answers
// otherwise rule nothing out.
class OtherNetRules {
 public:
  OtherNetRules(TObjectNets& nets, uint32_t a, uint32_t b = 0)
      : object_nets_(nets), objects_{a, b} {}

  // The folded net names of the objects given (each once), or null when one of them is of a
  // kind the test answers otherwise. Read from the host at the first question.
  const TQueryNets* Nets() {
    if (!read_) {
      read_ = true;
      for (const uint32_t object : objects_) {
        if (object == 0) continue;
        const std::string* name = object_nets_.Of(object);
        if (!name) {
          any_net_ = true;
          break;
        }
        if (nets_.count == 0 || *nets_.names[0] != *name) nets_.names[nets_.count++] = name;
      }
    }
    return any_net_ ? nullptr : &nets_;
  }

 private:
  TObjectNets& object_nets_;
  uint32_t objects_[2];
  TQueryNets nets_;
  bool any_net_ = false;
  bool read_ = false;
};

std::string_view RuleKindName(int kind) {
  return kind >= 0 && kind < kRuleKindCount ? pcbapi::kRuleKindNames[static_cast<size_t>(kind)]
                                            : std::string_view();
}

// ---- TRuleProxy ----------------------------------------------------------------------------

TRuleProxy::TRuleProxy(win::ComPtr<IPCB_Rule> rule, TRuleReading* reading)
    : rule_(std::move(rule)) {
  if (rule_) {
    std::optional<TRuleReading> own;
    TRuleReading& parsing = reading ? *reading : own.emplace();
    handle_ = rule_->GetHandle();
    kind_ = rule_->GetRuleKind();
    priority_ = rule_->GetPriority();
    binary_ = !rule_->IsUnary();
    name_ = win::Narrow(NameOf(rule_.get()));
    board_ = win::ComPtr<IPCB_Board>::Adopt(rule_->GetBoard());
    first_ = ParseScope(false, parsing);
    if (binary_) second_ = ParseScope(true, parsing);
    const TRuleExpressionNode* tree = first_->tree();
    if (tree && tree->IsLeaf() && tree->ScopeKind() == TSpecctraScope::Net &&
        tree->has_argument()) {
      sole_net_ = sdk::FoldedAscii(tree->text());
    }
    CollectScopeObjects(reading ? reading->nets : nullptr);
  }
  RunChecks();
}

std::unique_ptr<TRuleExpressionScopeHelper> TRuleProxy::ParseScope(bool second,
                                                                   TRuleReading& reading) const {
  auto helper = std::make_unique<TRuleExpressionScopeHelper>();
  win::Bstr text;
  const HRESULT status =
      second ? rule_->GetScope2Expression(text.put()) : rule_->GetScope1Expression(text.put());
  if (FAILED(status)) return helper;
  try {
    TRuleExpressionParser& parser =
        kind_ == kClearanceRule ? reading.clearance_scopes : reading.scopes;
    std::unique_ptr<TRuleExpressionNode> tree = parser.ParseScope(ScopeText(text));
    if (tree) {
      const bool valid = TExpressionParser::FindInvalid(tree.get()) == nullptr;
      helper->SetTree(std::move(tree));
      helper->SetValid(valid);
    }
  } catch (const std::exception&) {
    // A scope the parsers cannot read makes the rule incompatible, nothing more.
    helper->SetTree(nullptr);
    helper->SetValid(false);
  }
  return helper;
}

void TRuleProxy::CollectScopeObjects(TNetNameIndex* nets) {
  if (!board_) return;
  bool test_point = false;
  for (TRuleExpressionScopeHelper* helper : {first_.get(), second_.get()}) {
    if (!helper) continue;
    // The router has no test-point clearances the rule could become.
    if (HasTestPointScope(helper->tree())) {
      test_point = true;
      continue;
    }
    helper->CollectObjects(board_.get(), nets);
  }
  if (test_point) AddProblem(kTestPointScopeText);
}

void TRuleProxy::RunChecks() {
  if (!rule_) {
    AddProblem(kRuleNotAssignedText);
  } else if (!board_) {
    AddProblem(kRuleNotInBoardText);
  }
  if (FirstScope() && SecondScope()) {
    const TSpecctraScope a = ScopeKindOf(first_->tree());
    const TSpecctraScope b = ScopeKindOf(second_->tree());
    if (a != TSpecctraScope::Pcb && b != TSpecctraScope::Pcb && !IsObjectScope(a) &&
        !IsObjectScope(b) && !SupportedPair(a, b)) {
      AddProblem(kBoardScopeText);
    }
  }
  if (first_ && second_ && first_->HasLayers() && second_->HasLayers() &&
      !std::equal(std::begin(first_->layers().bytes), std::end(first_->layers().bytes),
                  std::begin(second_->layers().bytes))) {
    AddProblem(kLayersNotSameText);
  }
}

std::string TRuleProxy::DisplayText() const {
  return std::string(RuleKindName(kind_)) + ": " + name_;
}

uint8_t TRuleProxy::SpecctraScope() const {
  if (specctra_scope_ != kSpecctraScopeNotComputed) return specctra_scope_;
  TSpecctraScope kind = ScopeKindOf(first_ ? first_->tree() : nullptr);
  if (second_) {
    const TScopeCombination combined = Combine(kind, ScopeKindOf(second_->tree()));
    specctra_scope_ =
        combined.combined ? static_cast<uint8_t>(combined.kind) : kSpecctraScopeNotComputed;
  } else {
    specctra_scope_ = static_cast<uint8_t>(kind);
  }
  return specctra_scope_;
}

bool TRuleProxy::AppliesTo(IPCB_Primitive* object1, IPCB_Primitive* object2, int layer) const {
  if (!Valid() || !rule_ || !rule_->GetEnabled()) return false;
  if (!Binary()) {
    RTL_ASSERT(!object2, "Unary rule, but 2 primitives passed");
    RTL_ASSERT(object1, "unary rule NO primitive 1");
    return first_->Matches(object1, layer);
  }
  RTL_ASSERT(object1, "binary rule NO primitive 1");
  if (!object2) return first_->Matches(object1, layer) || second_->Matches(object1, layer);
  return (first_->Matches(object1, layer) && second_->Matches(object2, layer)) ||
         (first_->Matches(object2, layer) && second_->Matches(object1, layer));
}

// ---- TRuleList -----------------------------------------------------------------------------

void TRuleList::Add(std::unique_ptr<TRuleProxy> proxy) {
  by_rule_[proxy->rule()] = proxy.get();
  items_.push_back(std::move(proxy));
  sorted_ = false;
}

TRuleProxy& TRuleList::Item(int index) {
  if (!sorted_) Sort();
  RTL_ASSERT(index >= 0 && index < Count(), "Rule list index out of range");
  return *items_[static_cast<size_t>(index)];
}

void TRuleList::Sort() {
  // Priority first; the handle settles equal priorities so that the order never depends on
  // how the host happened to list the rules.
  std::sort(items_.begin(), items_.end(), [](const auto& a, const auto& b) {
    if (a->priority() != b->priority()) return a->priority() < b->priority();
    return a->handle() < b->handle();
  });
  sorted_ = true;
}

TRuleProxy* TRuleList::Find(IPCB_Rule* rule) const {
  const auto found = by_rule_.find(rule);
  return found == by_rule_.end() ? nullptr : found->second;
}

std::unique_ptr<TRuleProxy> TRuleList::Take(TRuleProxy* proxy) {
  const auto found = std::find_if(items_.begin(), items_.end(),
                                  [&](const auto& item) { return item.get() == proxy; });
  RTL_ASSERT(found != items_.end(), "Rule is not in the list");
  std::unique_ptr<TRuleProxy> taken = std::move(*found);
  items_.erase(found);
  by_rule_.erase(taken->rule());
  return taken;
}

// ---- TOvixRuleStorage ----------------------------------------------------------------------

void TOvixRuleStorage::Add(win::ComPtr<IPCB_Rule> rule, TRuleReading* reading) {
  net_index_.reset();
  auto proxy = std::make_unique<TRuleProxy>(rule, reading);
  RTL_ASSERT(!compatible_.Find(rule.get()), "error Rule already classified in CompatibleRuleList");
  RTL_ASSERT(!incompatible_.Find(rule.get()),
             "error Rule already classified in InCompatibleRuleList");
  (proxy->HasProblems() ? incompatible_ : compatible_).Add(std::move(proxy));
}

void TOvixRuleStorage::SeparateEqualPriorities() {
  std::vector<TRuleProxy*> later;
  for (int i = 1; i < compatible_.Count(); ++i) {
    TRuleProxy& previous = compatible_.Item(i - 1);
    TRuleProxy& proxy = compatible_.Item(i);
    if (proxy.priority() != previous.priority()) continue;
    proxy.AddProblem("Same priority (" + std::to_string(proxy.priority()) + ") as " +
                     previous.DisplayText() + ": which of them takes precedence is undefined");
    later.push_back(&proxy);
  }
  for (TRuleProxy* proxy : later) incompatible_.Add(compatible_.Take(proxy));
  net_index_.reset();
}

const TOvixRuleStorage::NetIndex& TOvixRuleStorage::Index() {
  if (net_index_) return *net_index_;
  NetIndex& index = net_index_.emplace();
  for (int i = 0; i < compatible_.Count(); ++i) {
    const TRuleProxy& proxy = compatible_.Item(i);
    const std::string& net = proxy.sole_net();
    (net.empty() ? index.others : index.by_net[net]).push_back(i);
    for (const TRuleExpressionScopeHelper* scope : {proxy.first_helper(), proxy.second_helper()}) {
      if (scope && !scope->CollectNamedNets(board_.get(), index.named_nets)) {
        index.nets_bounded = false;
      }
    }
  }
  index.named.emplace(index.named_nets);
  return index;
}

bool TOvixRuleStorage::NetUnnamed(const std::string& net) {
  const NetIndex& index = Index();
  return index.nets_bounded && !index.named->Contains(net);
}

bool TOvixRuleStorage::HasSingleNetRules() { return !Index().by_net.empty(); }

const std::vector<int>& TOvixRuleStorage::OthersThanSingleNet() { return Index().others; }

const std::vector<int>* TOvixRuleStorage::OfNet(const std::string& net) {
  Index();
  NetIndex& index = *net_index_;
  for (const NetIndex::NetRules& recent : index.recent) {
    if (recent.known && recent.net == net) return recent.rules;
  }
  const auto found = index.by_net.find(net);
  const std::vector<int>* rules = found == index.by_net.end() ? nullptr : &found->second;
  index.recent[index.next_recent] = {true, net, rules};
  index.next_recent ^= 1;
  return rules;
}

bool TOvixRuleStorage::CheckPriorities() {
  bool clean = true;
  const int count = compatible_.Count();
  for (int i = 0; i + 1 < count; ++i) {
    TRuleProxy& item = compatible_.Item(i);
    TRuleProxy& next = compatible_.Item(i + 1);
    if (next.priority() < item.priority()) {
      // Spelt as the set-up dialog has always shown it: users and their notes search for it.
      SetProblem("Internal sorting eror - Plavena Priority inversion occured: " +
                     next.DisplayText() + " VS " + item.DisplayText(),
                 "");
      clean = false;
    }
  }
  // Each rule against the last rule after it of a higher scope kind: the last place of any kind
  // above each kind, from the last place of each kind. Boards carry hundreds of rules.
  constexpr int kKinds = UINT8_MAX + 1;
  std::array<int, kKinds> last_of_kind;
  last_of_kind.fill(-1);
  for (int i = 0; i < count; ++i) last_of_kind[compatible_.Item(i).SpecctraScope()] = i;
  std::array<int, kKinds> last_above;
  last_above[kKinds - 1] = -1;
  for (int kind = kKinds - 2; kind >= 0; --kind) {
    last_above[kind] = std::max(last_above[kind + 1], last_of_kind[kind + 1]);
  }
  for (int i = 0; i + 1 < count; ++i) {
    TRuleProxy& item = compatible_.Item(i);
    const int later = last_above[item.SpecctraScope()];
    if (later > i) {
      SetProblem(compatible_.Item(later).name(), item.name());
      clean = false;
    }
  }
  return clean;
}

void TOvixRuleStorage::SetProblem(const std::string& name, const std::string& value) {
  for (auto& [existing, old_value] : problems_) {
    if (existing == name) {
      old_value = value;
      return;
    }
  }
  problems_.emplace_back(name, value);
}

void TOvixRuleStorage::ForEach(const TRuleVisitor& visit, bool compatible) {
  TRuleList& list = compatible ? compatible_ : incompatible_;
  for (int i = 0; i < list.Count(); ++i) {
    TRuleProxy& proxy = list.Item(i);
    if (!visit(proxy.rule(), proxy)) return;
  }
}

TRuleProxy* TOvixRuleStorage::FindProxy(IPCB_Rule* rule) const {
  if (TRuleProxy* found = compatible_.Find(rule)) return found;
  return incompatible_.Find(rule);
}

// ---- TOvixRules ----------------------------------------------------------------------------

TOvixRules::TOvixRules(uint32_t board_handle) : TOvixRules(BoardOfHandle(board_handle)) {}

TOvixRules::TOvixRules(win::ComPtr<IPCB_Board> board)
    : board_(std::move(board)),
      analysed_kinds_(RuleKindBit(kClearanceRule) | RuleKindBit(kWidthRule) |
                      RuleKindBit(kLengthRule)) {
  if (!board_) throw sdk::Exception(kNoBoardInterfaceText);
  IndexRules();
}

TOvixRules::~TOvixRules() = default;

void TOvixRules::ForEachBoardRule(
    const std::function<void(const win::ComPtr<IPCB_Rule>&)>& visit) const {
  ForEachBoardObject(board_.get(), pcbapi::kRule, [&](const win::ComPtr<IPCB_Primitive>& object) {
    if (const auto rule = object.As<IPCB_Rule>(IID_IPCB_Rule)) visit(rule);
    return true;
  });
}

void TOvixRules::IndexRules() {
  ForEachBoardRule([&](const win::ComPtr<IPCB_Rule>& rule) {
    rules_by_handle_.emplace_back(rule->GetHandle(), rule);
  });
  const auto by_handle = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::stable_sort(rules_by_handle_.begin(), rules_by_handle_.end(), by_handle);
  const auto same_handle = [](const auto& a, const auto& b) { return a.first == b.first; };
  rules_by_handle_.erase(std::unique(rules_by_handle_.begin(), rules_by_handle_.end(), same_handle),
                         rules_by_handle_.end());
}

TOvixRuleStorage* TOvixRules::storage(int kind) const {
  if (kind < 0 || kind >= kRuleKindCount || !(analysed_kinds_ & RuleKindBit(kind))) return nullptr;
  return storages_[kind].get();
}

bool TOvixRules::BoardWideKind(int kind) const {
  return collected_ && kind >= 0 && kind < kRuleKindCount &&
         (board_wide_kinds_ & RuleKindBit(kind)) != 0;
}

bool TOvixRules::KindPresent(int kind) const {
  // Before the collection (or for a kind out of range) only the editor knows.
  if (!collected_ || kind < 0 || kind >= kRuleKindCount) return true;
  return present_kinds_[static_cast<size_t>(kind)];
}

void TOvixRules::Collect() {
  RTL_ASSERT(!collected_, "Rules are collected once");
  collected_ = true;
  // One walk for all kinds: every rule is read once, whatever the number of kinds analysed.
  TRuleReading reading;
  reading.nets = &nets_;
  present_kinds_.assign(kRuleKindCount, false);
  TRuleKindSet narrower_kinds = 0;  // with a rule that may hold some objects only
  ForEachBoardRule([&](const win::ComPtr<IPCB_Rule>& rule) {
    const int kind = rule->GetRuleKind();
    if (kind >= 0 && kind < kRuleKindCount) present_kinds_[static_cast<size_t>(kind)] = true;
    if (kind < 0 || kind >= kRuleKindCount) return;
    if (!(analysed_kinds_ & RuleKindBit(kind))) {
      if (!(narrower_kinds & RuleKindBit(kind)) && !HoldsEveryObject(*rule.get())) {
        narrower_kinds |= RuleKindBit(kind);
      }
      board_wide_kinds_ |= RuleKindBit(kind);
      return;
    }
    if (!storages_[kind]) storages_[kind] = std::make_unique<TOvixRuleStorage>(board_);
    storages_[kind]->Add(rule, &reading);
  });
  board_wide_kinds_ &= ~narrower_kinds;
  for (int kind = 0; kind < kRuleKindCount; ++kind) {
    if (!storages_[kind]) continue;
    storages_[kind]->SeparateEqualPriorities();
    storages_[kind]->CheckPriorities();
  }
}

bool TOvixRules::BoardLevelRuleMissing(int kind) const {
  TOvixRuleStorage* rules = storage(kind);
  if (!rules) return false;
  for (int i = 0; i < rules->CompatibleCount(); ++i) {
    const TRuleProxy& proxy = rules->CompatibleItem(i);
    if (!proxy.Valid()) continue;
    const bool first_pcb = ScopeKindOf(proxy.first_helper()->tree()) == TSpecctraScope::Pcb;
    if (!proxy.Binary() && first_pcb) return false;
    if (proxy.Binary() && first_pcb &&
        ScopeKindOf(proxy.second_helper()->tree()) == TSpecctraScope::Pcb) {
      return false;
    }
  }
  return true;
}

bool TOvixRules::HasIncompatibleRules(int kind) const {
  TOvixRuleStorage* rules = storage(kind);
  return rules && rules->IncompatibleCount() > 0;
}

const std::vector<std::pair<std::string, std::string>>* TOvixRules::PriorityProblems(
    int kind) const {
  TOvixRuleStorage* rules = storage(kind);
  return rules ? &rules->problems() : nullptr;
}

bool TOvixRules::HasPriorityProblems(int kind) const {
  const auto* problems = PriorityProblems(kind);
  return problems && !problems->empty();
}

void TOvixRules::ForEachRule(TRuleKindSet kinds, const TRuleVisitor& visit, bool compatible) const {
  for (int kind = 0; kind < kRuleKindCount; ++kind) {
    if (!(kinds & RuleKindBit(kind))) continue;
    if (TOvixRuleStorage* rules = storage(kind)) rules->ForEach(visit, compatible);
  }
}

TRuleProxy* TOvixRules::ProxyOf(IPCB_Rule* rule) const {
  if (!rule) return nullptr;
  TOvixRuleStorage* rules = storage(rule->GetRuleKind());
  return rules ? rules->FindProxy(rule) : nullptr;
}

IPCB_Rule* TOvixRules::RuleOfHandle(uint32_t handle) const {
  if (handle == 0) return nullptr;
  const auto found =
      std::lower_bound(rules_by_handle_.begin(), rules_by_handle_.end(), handle,
                       [](const auto& entry, uint32_t wanted) { return entry.first < wanted; });
  return found != rules_by_handle_.end() && found->first == handle ? found->second.get() : nullptr;
}

void TOvixRules::NoteNetName(uint32_t net, std::string_view name) const {
  // The answers kept about the net noted before hold its name, which the note may replace.
  if (indistinct_net_.object != net) indistinct_net_ = {};
  object_nets_.NoteNet(net, name);
}

void TOvixRules::ForgetObjectNet(uint32_t object) const {
  object_nets_.Forget(object);
  if (indistinct_net_.object == object) indistinct_net_ = {};
}

bool TOvixRules::NetIndistinct(int kind, uint32_t net) const {
  TOvixRuleStorage* rules = storage(kind);
  if (!rules) return false;  // the host's own answers: nothing is known of them
  if (net == 0) return rules->NetUnnamed(kNoNet);
  const std::string* name = object_nets_.Of(net);
  return name && rules->NetUnnamed(*name);
}

bool TOvixRules::IsIndistinctNet(int kind, uint32_t object) const {
  TOvixRuleStorage* rules = storage(kind);
  if (object == 0) return false;
  if (!rules) return BoardWideKind(kind) && object_nets_.NameIfNet(object) != nullptr;
  IndistinctNet& net = indistinct_net_;
  if (net.object != object) net = {object, object_nets_.NameIfNet(object), 0, 0};
  const TRuleKindSet bit = RuleKindBit(kind);
  if (!(net.known & bit)) {
    net.known |= bit;
    if (net.name && rules->NetUnnamed(*net.name)) net.indistinct |= bit;
  }
  return (net.indistinct & bit) != 0;
}

bool TOvixRules::IsIndistinctNetOfKinds(TRuleKindSet kinds, uint32_t object) const {
  if (!collected_ || (kinds & ~analysed_kinds_) != 0 || object == 0) return false;
  // Asked for every net: only the kinds in the set are looked at.
  for (TRuleKindSet rest = kinds; rest != 0; rest &= rest - 1) {
    const int kind = std::countr_zero(rest);
    if (storage(kind) && !IsIndistinctNet(kind, object)) return false;
  }
  return object_nets_.NameIfNet(object) != nullptr;
}

bool TOvixRules::MayHoldObjectsOfNet(int kind, uint8_t lowest, uint8_t highest,
                                     uint32_t net) const {
  TOvixRuleStorage* rules = storage(kind);
  if (!rules || net == 0) return true;
  const auto any_in_range = [&](const std::vector<int>& positions) {
    return std::any_of(positions.begin(), positions.end(), [&](int i) {
      return InRange(rules->CompatibleItem(i).SpecctraScope(), lowest, highest);
    });
  };
  if (any_in_range(rules->OthersThanSingleNet())) return true;
  // A net that no rule names has no rule of its own, and the writer has just asked about it.
  if (IsIndistinctNet(kind, net)) return false;
  const std::string* name = object_nets_.Of(net);
  if (!name) return true;
  const std::vector<int>* own = rules->OfNet(*name);
  return own && any_in_range(*own);
}

template <typename Visit>
void TOvixRules::ForEachCandidate(int kind, uint8_t lowest, uint8_t highest,
                                  OtherNetRules* other_nets, const Visit& visit) const {
  TOvixRuleStorage* rules = storage(kind);
  if (!rules) return;
  // A rule the host does not apply is no answer to any query, however its scopes read.
  const auto candidate = [&](int position) {
    TRuleProxy& proxy = rules->CompatibleItem(position);
    return InRange(proxy.SpecctraScope(), lowest, highest) && proxy.rule()->GetEnabled() &&
           visit(proxy, position);
  };
  const TQueryNets* nets = other_nets && rules->HasSingleNetRules() ? other_nets->Nets() : nullptr;
  if (!nets) {
    for (int i = 0; i < rules->CompatibleCount(); ++i) {
      if (candidate(i)) return;
    }
    return;
  }
  // The rules not confined to a net and those of the objects' nets, merged in precedence order.
  const std::vector<int>* lists[3] = {&rules->OthersThanSingleNet(), nullptr, nullptr};
  int list_count = 1;
  for (int n = 0; n < nets->count; ++n) {
    if (const std::vector<int>* own = rules->OfNet(*nets->names[n])) lists[list_count++] = own;
  }
  size_t next[3] = {};
  for (;;) {
    int from = -1;
    for (int l = 0; l < list_count; ++l) {
      if (next[l] < lists[l]->size() &&
          (from < 0 || (*lists[l])[next[l]] < (*lists[from])[next[from]])) {
        from = l;
      }
    }
    if (from < 0 || candidate((*lists[from])[next[from]++])) return;
  }
}

template <typename Test>
TRuleProxy* TOvixRules::FirstCompatible(int kind, uint8_t lowest, uint8_t highest, const Test& test,
                                        OtherNetRules* other_nets) const {
  TRuleProxy* found = nullptr;
  ForEachCandidate(kind, lowest, highest, other_nets, [&](TRuleProxy& proxy, int) {
    if (test(proxy)) found = &proxy;
    return found != nullptr;
  });
  return found;
}

void TOvixRules::PairCandidates(int kind, uint8_t lowest, uint8_t highest, uint32_t a, uint32_t b,
                                std::vector<int>& positions) const {
  positions.clear();
  OtherNetRules other_nets(object_nets_, a, b);
  ForEachCandidate(kind, lowest, highest, &other_nets, [&](TRuleProxy&, int position) {
    positions.push_back(position);
    return false;
  });
}

uint32_t TOvixRules::FindRuleForObjectHandle(int kind, uint8_t lowest, uint8_t highest,
                                             uint32_t object, bool second_scope_too) const {
  if (!storage(kind)) {
    // The editor walks all its rules to find none of a kind the board has not got.
    if (!KindPresent(kind)) return 0;
    return sdk::PcbApi_FindDominantRuleForObject(object, static_cast<uint8_t>(kind));
  }
  OtherNetRules other_net(object_nets_, object);
  TRuleProxy* found = FirstCompatible(
      kind, lowest, highest,
      [&](TRuleProxy& proxy) {
        return sdk::PcbApi_Scope1_Includes(proxy.handle(), object) &&
               (!second_scope_too || sdk::PcbApi_Scope2_Includes(proxy.handle(), object));
      },
      &other_net);
  return found ? found->handle() : 0;
}

uint32_t TOvixRules::FindRuleForObjectHandles(int kind, uint8_t lowest, uint8_t highest, uint32_t a,
                                              uint32_t b) const {
  if (!storage(kind)) {
    if (!KindPresent(kind)) return 0;
    return sdk::PcbApi_FindDominantRuleForObjectPair(a, b, static_cast<uint8_t>(kind));
  }
  OtherNetRules other_nets(object_nets_, a, b);
  const TRuleProxy* found = FirstCompatible(
      kind, lowest, highest,
      [&](TRuleProxy& proxy) {
        const uint32_t rule = proxy.handle();
        return (sdk::PcbApi_Scope1_Includes(rule, a) && sdk::PcbApi_Scope2_Includes(rule, b)) ||
               (sdk::PcbApi_Scope1_Includes(rule, b) && sdk::PcbApi_Scope2_Includes(rule, a));
      },
      &other_nets);
  return found ? found->handle() : 0;
}

win::ComPtr<IPCB_Rule> TOvixRules::FindRuleForObject(int kind, uint8_t lowest, uint8_t highest,
                                                     IPCB_Primitive* object, int layer) const {
  OtherNetRules other_net(object_nets_, HandleOf(object));
  TRuleProxy* found = FirstCompatible(
      kind, lowest, highest,
      [&](TRuleProxy& proxy) { return proxy.AppliesTo(object, nullptr, layer); }, &other_net);
  return found ? win::ComPtr<IPCB_Rule>::Share(found->rule()) : nullptr;
}

win::ComPtr<IPCB_Rule> TOvixRules::FindRuleForObjectPair(int kind, uint8_t lowest, uint8_t highest,
                                                         IPCB_Primitive* a, IPCB_Primitive* b,
                                                         int layer) const {
  OtherNetRules other_nets(object_nets_, HandleOf(a), HandleOf(b));
  TRuleProxy* found = FirstCompatible(
      kind, lowest, highest, [&](TRuleProxy& proxy) { return proxy.AppliesTo(a, b, layer); },
      &other_nets);
  return found ? win::ComPtr<IPCB_Rule>::Share(found->rule()) : nullptr;
}

win::ComPtr<IPCB_Rule> TOvixRules::FindRuleByHostTest(int kind, uint8_t lowest, uint8_t highest,
                                                      IPCB_Primitive* object,
                                                      bool second_scope_too) const {
  if (!object) return nullptr;
  if (!storage(kind)) {
    const auto board = win::ComPtr<IPCB_Board>::Adopt(object->GetBoard());
    if (!board) return nullptr;
    return win::ComPtr<IPCB_Rule>::Adopt(
        board->FindDominantRuleForObject(object, static_cast<BYTE>(kind)));
  }
  const uint32_t handle = object->GetHandle();
  TRuleProxy* found = FirstCompatible(kind, lowest, highest, [&](TRuleProxy& proxy) {
    return proxy.rule()->Scope1Includes(object) &&
           (!second_scope_too || sdk::PcbApi_Scope2_Includes(proxy.handle(), handle));
  });
  return found ? win::ComPtr<IPCB_Rule>::Share(found->rule()) : nullptr;
}

win::ComPtr<IPCB_Rule> TOvixRules::FindRuleForPairByHostTest(int kind, uint8_t lowest,
                                                             uint8_t highest, IPCB_Primitive* a,
                                                             IPCB_Primitive* b) const {
  if (!a || !b) return nullptr;
  if (!storage(kind)) {
    const auto board = win::ComPtr<IPCB_Board>::Adopt(a->GetBoard());
    if (!board) return nullptr;
    return win::ComPtr<IPCB_Rule>::Adopt(
        board->FindDominantRuleForObjectPair(a, b, static_cast<BYTE>(kind)));
  }
  TRuleProxy* found = FirstCompatible(kind, lowest, highest, [&](TRuleProxy& proxy) {
    return proxy.rule()->ScopesIncludePair(a, b);
  });
  return found ? win::ComPtr<IPCB_Rule>::Share(found->rule()) : nullptr;
}

}  // namespace router
