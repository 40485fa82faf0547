// The network section.
#include "router/network_section.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

#include "sdk/ascii_case.h"
#include "router/design_file_names.h"
#include "router/library_images.h"
#include "router/padstack.h"
#include "router/padstack_pad.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"

namespace router {

namespace {

constexpr int kFirstLineItems = 7;
constexpr int kLineItems = 8;
constexpr uint8_t kLoad = 0, kTerminator = 1, kSource = 2;
constexpr int kNetClassScope = 3, kNetClassOnLayerScope = 4, kOnLayerScope = 26;

// A net with its pins: a run of the writer's list of pins of all nets.
struct NetEntry {
  sdk::Handle handle = 0;
  std::string name;
  size_t first_pin = 0;
  size_t pin_count = 0;
  int pad_count = 0;
};

using ComponentPad = TComponentPads::Pad;

// A component pin with the pad that nets name it by.
struct PadPin {
  sdk::Handle pad = 0;
  TNetPin pin;
};

// Pins of a net by electrical type: load, terminator, source.
using PinTypeCounts = std::array<int, kSource + 1>;

PinTypeCounts CountPinTypes(std::span<const TNetPin* const> pins) {
  PinTypeCounts count{};
  for (const TNetPin* pin : pins) {
    if (pin->electrical_type <= kSource) ++count[pin->electrical_type];
  }
  return count;
}

class NetworkWriter {
 public:
  NetworkWriter(DesignFileOutput& out, const TNetworkContext& context)
      : out_(out), context_(context), board_(*context.rules.board) {}

  void Write() {
    CollectPins();
    CollectNets();
    if (context_.settings.export_from_tos) CollectFromTos();
    out_.Line("(network");
    out_.Raise();
    for (const NetEntry& net : nets_) {
      if (net.pad_count >= 2) WriteNet(net);
      if (context_.progress) context_.progress();
    }
    if (context_.settings.export_net_classes) {
      ForEachClass([&](sdk::Handle h) { WriteNetClass(h); });
    }
    if (context_.settings.export_from_to_classes)
      ForEachClass([&](sdk::Handle h) { WriteGroup(h); });
    if (context_.settings.export_diff_pairs) WritePairs();
    out_.Lower();
    out_.Line(")");
  }

 private:
  // Escaped "<designator>-<pin>" of every component pad, found once for all nets.
  void CollectPins() {
    if (context_.component_pads) {
      for (const TComponentPads& component : *context_.component_pads) AddPins(component);
    } else {
      TComponentPads component;  // reused from component to component
      board_.IterateObjects(
          [&](sdk::Handle handle) {
            ReadComponentPads(handle, component);
            AddPins(component);
          },
          1u << pcbapi::kComponent, sdk::LayerZero(), pcbapi::kAllObjects);
    }
    std::sort(pins_.begin(), pins_.end(),
              [](const PadPin& a, const PadPin& b) { return a.pad < b.pad; });
  }

  void AddPins(const TComponentPads& component) {
    const std::string designator = EscapeName(component.designator);
    // A name the component repeats defines no pin in the library (it is reported as a
    // duplicate or becomes a keep-out), so no net may refer to it. Sorted by name, a repeated
    // name is a run of more than one pad.
    pads_.assign(component.pads.begin(), component.pads.end());
    std::sort(pads_.begin(), pads_.end(),
              [](const ComponentPad& a, const ComponentPad& b) { return a.name < b.name; });
    for (auto run = pads_.begin(); run != pads_.end();) {
      const auto run_end = std::find_if(
          run, pads_.end(), [&](const ComponentPad& pad) { return pad.name != run->name; });
      if (run_end - run == 1) AddPin(designator, *run);
      run = run_end;
    }
  }

  void AddPin(const std::string& designator, const ComponentPad& pad) {
    const std::string pin = EscapeName(pad.name);
    std::string name;
    name.reserve(designator.size() + 1 + pin.size());
    name.append(designator).append(1, '-').append(pin);
    pins_.push_back({pad.handle, TNetPin{std::move(name), pad.electrical_type}});
  }

  const TNetPin* FindPin(sdk::Handle pad) const {
    const auto found = std::lower_bound(pins_.begin(), pins_.end(), pad,
                                        [](const PadPin& p, sdk::Handle h) { return p.pad < h; });
    return found != pins_.end() && found->pad == pad ? &found->pin : nullptr;
  }

  std::span<const TNetPin* const> PinsOf(const NetEntry& net) const {
    return std::span<const TNetPin* const>(net_pins_).subspan(net.first_pin, net.pin_count);
  }

  // Every placed pad by net and handle: the component pads the library read, and the free pads.
  // Walking each net's pads instead would visit all its other members too.
  void CollectPadsByNet() {
    for (const TComponentPads& component : *context_.component_pads) {
      for (const ComponentPad& pad : component.pads) pads_by_net_.push_back({pad.net, pad.handle});
    }
    board_.IterateObjects(
        [&](sdk::Handle pad) {
          if (const sdk::Handle net = sdk::GetObjectNetByHandle(pad)) {
            pads_by_net_.push_back({net, pad});
          }
        },
        1u << pcbapi::kPad, sdk::LayerZero(), pcbapi::kFreeObjects);
    std::sort(pads_by_net_.begin(), pads_by_net_.end());
  }

  // The net's pads in handle order.
  template <class Visit>
  void ForEachPadOf(sdk::Handle net, Visit&& visit) const {
    if (!context_.component_pads) {
      sdk::IterateContainer(net, 1u << pcbapi::kPad, sdk::LayerZero(), pcbapi::kAllObjects, visit);
      return;
    }
    auto at = std::lower_bound(pads_by_net_.begin(), pads_by_net_.end(),
                               std::pair<sdk::Handle, sdk::Handle>(net, 0));
    for (; at != pads_by_net_.end() && at->first == net; ++at) visit(at->second);
  }

  void CollectNets() {
    if (context_.component_pads) CollectPadsByNet();
    board_.IterateObjects(
        [&](sdk::Handle handle) {
          // Of the net's record only its name is needed.
          pcbapi::Text255 name{};
          if (sdk::PcbApi_QueryNet(pcbapi::kRead, handle, nullptr, &name, nullptr, nullptr) !=
              pcbapi::kSuccess) {
            return;
          }
          NetEntry entry;
          entry.handle = handle;
          entry.name = sdk::FromText(name);
          entry.first_pin = net_pins_.size();
          ForEachPadOf(handle, [&](sdk::Handle pad) {
            ++entry.pad_count;
            // Free pads are no pins.
            if (const TNetPin* pin = FindPin(pad)) net_pins_.push_back(pin);
          });
          entry.pin_count = net_pins_.size() - entry.first_pin;
          if (context_.pad_counts) context_.pad_counts->Note(handle, entry.pad_count);
          nets_.push_back(std::move(entry));
        },
        1u << pcbapi::kNet, sdk::LayerZero(), pcbapi::kAllObjects);
  }

  void CollectFromTos() {
    board_.IterateObjects(
        [&](sdk::Handle handle) {
          sdk::TPcbManualFromTo from_to(handle);
          if (from_to.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
          if (from_to.GetFromPin().empty() || from_to.GetToPin().empty()) return;
          from_tos_[from_to.GetNetName()].push_back(
              {handle, from_to.GetFromPin(), from_to.GetToPin()});
        },
        1u << pcbapi::kFromTo, sdk::LayerZero(), pcbapi::kAllObjects);
  }

  void ForEachClass(const std::function<void(sdk::Handle)>& visit) {
    board_.IterateObjects(visit, 1u << pcbapi::kClass, sdk::LayerZero(), pcbapi::kAllObjects);
  }

  void WriteNet(const NetEntry& net) {
    line_.assign("(net ").append(EscapeName(net.name));
    out_.Line(line_);
    out_.Raise();
    WriteNetPins(out_, line_, PinsOf(net));
    WriteApplicableRules(out_, context_.rules, net.handle, kNetScopeKind, kOnLayerScope);
    // From-tos belong to the net whose name their net text equals exactly.
    const auto from_tos = from_tos_.find(net.name);
    if (from_tos != from_tos_.end()) {
      for (const FromTo& from_to : from_tos->second) WriteFromTo(from_to);
    }
    WriteNetRoles(PinsOf(net));
    out_.Lower();
    out_.Line(")");
  }

  // The net's pins by role: sources, loads (only beside a source or a terminator), terminators.
  void WriteNetRoles(std::span<const TNetPin* const> pins) {
    const PinTypeCounts count = CountPinTypes(pins);
    if (count[kSource]) WritePinList("(source     ", pins, kSource);
    if (count[kLoad] && (count[kSource] || count[kTerminator])) {
      WritePinList("(load       ", pins, kLoad);
    }
    if (count[kTerminator]) WritePinList("(terminator ", pins, kTerminator);
  }

  // The pins of one electrical type, wrapped, after `prefix`.
  void WritePinList(std::string_view prefix, std::span<const TNetPin* const> pins, uint8_t type) {
    TWrappedList list(out_, line_, prefix);
    for (const TNetPin* pin : pins) {
      if (pin->electrical_type == type) list.Add(pin->name);
    }
    list.End(")");
  }

  void WriteWrapped(const std::vector<std::string>& items) {
    TWrappedList list(out_, line_, "");
    for (const std::string& item : items) list.Add(item);
    list.End("");
  }

  struct FromTo {
    sdk::Handle handle;
    std::string from, to;
  };

  void WriteFromTo(const FromTo& from_to) {
    out_.Line("(fromto " + EscapeName(from_to.from) + " " + EscapeName(from_to.to));
    out_.Raise();
    WriteApplicableRules(out_, context_.rules, from_to.handle, kFromToScopeKind, kOnLayerScope);
    if (context_.rules.circuit) WriteFromToCircuit(from_to.handle);
    out_.Lower();
    out_.Line(")");
  }

  // The from-to's own via and layer choice.
  void WriteFromToCircuit(sdk::Handle handle) {
    const TRuleBlockContext& rules = context_.rules;
    out_.Line("(circuit ");
    out_.Raise();
    if (rules.emit_use_via && rules.padstacks) {
      const std::string use_via = rules.padstacks->UseViaList(handle);
      if (!use_via.empty()) out_.Line("(use_via " + use_via + ")");
    }
    TLayerFlags layers = rules.board_layers;
    GetFromToRoutingLayers(*rules.rules, handle, layers);
    if (!CoversBoardRoutingLayers(rules.board_layers, layers)) {
      out_.Line("(use_layer " + LayerListText(layers) + ")");
    }
    out_.Lower();
    out_.Line(")");
  }

  // Names of the nets with 2 pads or more, as they are or folded (ASCII), found by name. Made
  // at the first question: many boards have no class or pair to ask about.
  struct NetworkNames {
    std::vector<std::string> names;
    std::optional<NameIndex> index;
  };
  const NameIndex& NetworkNets(bool folded) {
    NetworkNames& network = folded ? folded_network_ : network_;
    if (!network.index) {
      for (const NetEntry& net : nets_) {
        if (net.pad_count < 2) continue;
        network.names.push_back(folded ? sdk::FoldedAscii(net.name) : net.name);
      }
      network.index.emplace(network.names);
    }
    return *network.index;
  }

  // Members that name a net of the network (without regard to case), escaped.
  std::vector<std::string> NetMembers(const sdk::TPCBObjectClass& object_class) {
    std::vector<std::string> members;
    const auto add = [&](const std::string& name) {
      if (NetworkNets(true).Contains(sdk::FoldedAscii(name))) members.push_back(EscapeName(name));
    };
    for (const std::string& name : object_class.Members()) add(name);
    if (object_class.GetAllMembers()) {
      for (const NetEntry& net : nets_) add(net.name);
    }
    return members;
  }

  void WriteNetClass(sdk::Handle handle) {
    sdk::TPCBObjectClass object_class(handle);
    if (object_class.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
    if (object_class.GetMemberKind() != sdk::kNetClassMembers) return;
    if (object_class.GetAllMembers() && context_.settings.export_user_net_classes_only) return;
    const std::vector<std::string> members = NetMembers(object_class);
    if (members.empty()) return;
    out_.Line("(class " + EscapeName(object_class.Name()));
    out_.Raise();
    WriteWrapped(members);
    WriteApplicableRules(out_, context_.rules, handle, kNetClassScope, kNetClassOnLayerScope);
    out_.Lower();
    out_.Line(")");
  }

  // Each pair with its positive net first.
  void WritePairs() {
    std::vector<const NetEntry*> by_handle;
    by_handle.reserve(nets_.size());
    for (const NetEntry& net : nets_) by_handle.push_back(&net);
    std::sort(by_handle.begin(), by_handle.end(),
              [](const NetEntry* a, const NetEntry* b) { return a->handle < b->handle; });
    const auto find = [&](sdk::Handle handle) -> const NetEntry* {
      const auto found =
          std::lower_bound(by_handle.begin(), by_handle.end(), handle,
                           [](const NetEntry* net, sdk::Handle h) { return net->handle < h; });
      return found != by_handle.end() && (*found)->handle == handle ? *found : nullptr;
    };
    board_.IterateObjects(
        [&](sdk::Handle pair) {
          sdk::Handle positive = 0, negative = 0;
          if (sdk::PcbApi_GetDifferentialPairNets(pair, &positive, &negative) != pcbapi::kSuccess) {
            return;
          }
          const NetEntry* first = find(positive);
          const NetEntry* second = find(negative);
          if (first && second) WritePair(out_, first->name, second->name, NetworkNets(false));
        },
        1u << pcbapi::kDifferentialPair, sdk::LayerZero(), pcbapi::kAllObjects);
  }

  void WriteGroup(sdk::Handle handle) {
    sdk::TPCBObjectClass object_class(handle);
    if (object_class.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
    if (object_class.GetMemberKind() != sdk::kFromToClassMembers || object_class.Members().empty())
      return;
    std::vector<std::string> members;
    for (const std::string& name : object_class.Members()) members.push_back(EscapeName(name));
    out_.Line("(group " + EscapeName(object_class.Name()));
    out_.Raise();
    WriteWrapped(members);
    out_.Lower();
    out_.Line(")");
  }

  DesignFileOutput& out_;
  const TNetworkContext& context_;
  const sdk::TPcbBoard& board_;
  std::vector<PadPin> pins_;        // component pins, sorted by pad
  std::vector<ComponentPad> pads_;  // of one component; reused from component to component
  std::vector<std::pair<sdk::Handle, sdk::Handle>> pads_by_net_;  // net and pad, sorted
  std::vector<const TNetPin*> net_pins_;  // the pins of every net, net by net
  std::vector<NetEntry> nets_;
  NetworkNames network_, folded_network_;
  std::unordered_map<std::string, std::vector<FromTo>> from_tos_;
  std::string line_;  // composes one line at a time
};

}  // namespace

TWrappedList::TWrappedList(DesignFileOutput& out, std::string& line, std::string_view prefix)
    : out_(out), line_(line) {
  line_.assign(prefix);
}

void TWrappedList::Add(std::string_view item) {
  if (on_line_ == (first_line_ ? kFirstLineItems : kLineItems)) {
    out_.Line(line_);
    line_.clear();
    on_line_ = 0;
    first_line_ = false;
  }
  line_.append(item).append(1, ' ');
  ++on_line_;
}

void TWrappedList::End(std::string_view suffix) {
  line_.append(suffix);
  out_.Line(line_);
}

void WriteNetPins(DesignFileOutput& out, std::string& line, std::span<const TNetPin* const> pins) {
  // Every pin of the net, whatever its role: a pin left out would never be connected.
  out.Line("(pins");
  out.Raise();
  TWrappedList list(out, line, "");
  for (const TNetPin* pin : pins) list.Add(pin->name);
  list.End("");
  out.Lower();
  out.Line(")");
}

void WritePair(DesignFileOutput& out, const std::string& first_net, const std::string& second_net,
               const NameIndex& network_nets) {
  // A pair naming a net the router does not know would stop it reading the file.
  if (!network_nets.Contains(first_net) || !network_nets.Contains(second_net)) return;
  out.Line("(pair ");
  out.Raise();
  out.Line("(nets " + EscapeName(first_net) + " " + EscapeName(second_net) + ")");
  out.Lower();
  out.Line(")");
}

void WriteNetwork(DesignFileOutput& out, const TNetworkContext& context) {
  NetworkWriter(out, context).Write();
}

}  // namespace router
