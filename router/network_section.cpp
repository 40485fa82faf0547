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
#include "sdk/common_utils.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"

namespace router {

namespace {

constexpr int kFirstLineItems = 7;
constexpr int kLineItems = 8;
constexpr uint8_t kLoad = 0, kTerminator = 1, kSource = 2;
constexpr std::string_view kNetOpener = "(net ";
constexpr int kNetClassScope = 3, kNetClassOnLayerScope = 4, kOnLayerScope = 26;

// A net with its pins: a run of the writer's list of pins of all nets.
struct NetEntry {
  sdk::Handle handle = 0;
  std::string name;
  size_t first_pin = 0;
  size_t pin_count = 0;
  int pad_count = 0;
  uint32_t escaped_at = 0;  // where its escaped name begins among the writer's names
};

using ComponentPad = TComponentPads::Pad;

// A placed pad of a net, with the pin it is (a place in the writer's pins): none for a free pad
// and for a name its component repeats.
struct NetPad {
  static constexpr uint32_t kNoPin = UINT32_MAX;
  sdk::Handle net = 0;
  sdk::Handle pad = 0;
  uint32_t pin = kNoPin;
  bool operator<(const NetPad& other) const {
    return net != other.net ? net < other.net : pad < other.pad;
  }
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
    WarnOfFromTosLeftOut();
  }

 private:
  struct FromTo {
    sdk::Handle handle;
    std::string from, to;
    size_t order;         // in the board's
    bool placed = false;  // its net is in the network
  };

  // Every placed pad with a net by net and handle, with the pin it is: the component pads (as the
  // library read them, when it did) and the free pads. Walking each net's pads instead would
  // visit all its other members too.
  void CollectPads() {
    if (context_.component_pads) {
      size_t pads = 0;
      for (const TComponentPads& component : *context_.component_pads) {
        pads += component.pads.size();
      }
      pins_.reserve(pads);
      pads_by_net_.reserve(pads);
      for (const TComponentPads& component : *context_.component_pads) AddComponent(component);
    } else {
      TComponentPads component;  // reused from component to component
      board_.IterateObjects(
          [&](sdk::Handle handle) {
            ReadComponentPads(handle, component);
            AddComponent(component);
          },
          1u << pcbapi::kComponent, sdk::LayerZero(), pcbapi::kAllObjects);
    }
    board_.IterateObjects(
        [&](sdk::Handle pad) {
          if (const sdk::Handle net = sdk::GetObjectNetByHandle(pad)) {
            pads_by_net_.push_back({net, pad, NetPad::kNoPin});
          }
        },
        1u << pcbapi::kPad, sdk::LayerZero(), pcbapi::kFreeObjects);
    std::sort(pads_by_net_.begin(), pads_by_net_.end());
  }

  // The component's pads with a net, each with its escaped "<designator>-<pin>".
  void AddComponent(const TComponentPads& component) {
    const std::string designator = EscapeName(component.designator);
    // A name the component repeats defines no pin in the library (it is reported as a
    // duplicate or becomes a keep-out), so no net may refer to it. Sorted by name, a repeated
    // name is a run of more than one pad.
    pads_.clear();
    for (const ComponentPad& pad : component.pads) pads_.push_back(&pad);
    std::sort(pads_.begin(), pads_.end(),
              [](const ComponentPad* a, const ComponentPad* b) { return a->name < b->name; });
    for (auto run = pads_.begin(); run != pads_.end();) {
      const auto run_end = std::find_if(
          run, pads_.end(), [&](const ComponentPad* pad) { return pad->name != (*run)->name; });
      const bool pin = run_end - run == 1;
      for (; run != run_end; ++run) {
        const ComponentPad& pad = **run;
        if (pad.net == 0) continue;
        pads_by_net_.push_back(
            {pad.net, pad.handle, pin ? AddPin(designator, pad) : NetPad::kNoPin});
      }
    }
  }

  uint32_t AddPin(const std::string& designator, const ComponentPad& pad) {
    TNetPin& pin = pins_.emplace_back();
    pin.name.reserve(designator.size() + 1 + pad.name.size());
    pin.name.append(designator).push_back('-');
    AppendEscapedName(pin.name, pad.name);
    pin.electrical_type = pad.electrical_type;
    return static_cast<uint32_t>(pins_.size() - 1);
  }

  // Where the net's pads begin. Nets come in handle order more often than not: then the pads
  // of the last net end where the next net's begin, and no search over all pads is needed.
  std::vector<NetPad>::const_iterator FirstPadOf(sdk::Handle net) {
    const auto end = pads_by_net_.cend();
    const bool onwards = next_pad_ == end || next_pad_->net >= net;
    if (!onwards || (next_pad_ != pads_by_net_.cbegin() && std::prev(next_pad_)->net >= net)) {
      next_pad_ = std::lower_bound(pads_by_net_.cbegin(), end, NetPad{net});
    }
    return next_pad_;
  }

  // The escaped name of a net with 2 pads or more; empty for any other.
  std::string_view EscapedName(const NetEntry& net) const {
    const NetEntry* next = &net + 1;
    const size_t end =
        next == nets_.data() + nets_.size() ? escaped_names_.size() : next->escaped_at;
    return std::string_view(escaped_names_).substr(net.escaped_at, end - net.escaped_at);
  }

  std::span<const TNetPin* const> PinsOf(const NetEntry& net) const {
    return std::span<const TNetPin* const>(net_pins_).subspan(net.first_pin, net.pin_count);
  }

  void CollectNets() {
    CollectPads();
    next_pad_ = pads_by_net_.cbegin();
    const std::vector<TBoardNet> own_nets =
        context_.nets ? std::vector<TBoardNet>() : ReadBoardNets(board_);
    const std::vector<TBoardNet>& nets = context_.nets ? *context_.nets : own_nets;
    // Grown a net at a time, the lists would be made again at every doubling, each time in
    // memory the process touches for the first time (a page fault per page).
    nets_.reserve(nets.size());
    net_pins_.reserve(pins_.size());
    for (const TBoardNet& net : nets) {
      NetEntry entry;
      entry.handle = net.handle;
      entry.name = net.name;
      entry.first_pin = net_pins_.size();
      // The net's pads in handle order; free pads are no pins.
      auto pad = FirstPadOf(net.handle);
      for (; pad != pads_by_net_.cend() && pad->net == net.handle; ++pad) {
        ++entry.pad_count;
        if (pad->pin != NetPad::kNoPin) net_pins_.push_back(&pins_[pad->pin]);
      }
      next_pad_ = pad;
      entry.pin_count = net_pins_.size() - entry.first_pin;
      nets_.push_back(std::move(entry));
    }
    // The names of the nets the network writes, escaped once for the network and the wiring.
    for (NetEntry& net : nets_) {
      net.escaped_at = static_cast<uint32_t>(escaped_names_.size());
      if (net.pad_count >= 2) AppendEscapedName(escaped_names_, net.name);
    }
    if (context_.pad_counts) {
      context_.pad_counts->Reserve(nets_.size());
      for (const NetEntry& net : nets_) {
        context_.pad_counts->Note(net.handle, net.pad_count, EscapedName(net));
      }
    }
  }

  void CollectFromTos() {
    board_.IterateObjects(
        [&](sdk::Handle handle) {
          sdk::TPcbManualFromTo from_to(handle);
          if (from_to.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
          if (from_to.GetFromPin().empty() || from_to.GetToPin().empty()) return;
          from_tos_[from_to.GetNetName()].push_back(
              {handle, from_to.GetFromPin(), from_to.GetToPin(), from_to_count_++});
        },
        1u << pcbapi::kFromTo, sdk::LayerZero(), pcbapi::kAllObjects);
  }

  // Every from-to the network leaves out is a connection, and perhaps rules, the user loses: one
  // warning names them all, in the board's order.
  void WarnOfFromTosLeftOut() {
    std::vector<std::pair<size_t, std::string>> netless;
    for (const auto& [net, from_tos] : from_tos_) {
      for (const FromTo& from_to : from_tos) {
        if (!from_to.placed) netless.emplace_back(from_to.order, Described(from_to, net));
      }
    }
    std::sort(netless.begin(), netless.end());
    std::string message;
    if (!unpinned_from_tos_.empty()) {
      message =
          "These from-tos end on a pad that is no pin of their net, so the design file leaves "
          "them out (the router would drop the part they name): " +
          unpinned_from_tos_ + ".";
    }
    if (!netless.empty()) {
      message += std::string(message.empty() ? "" : "\n") +
                 "These from-tos belong to no net the design file lists (their net has fewer than "
                 "two pads, or the board has no net of that very name), so the design file leaves "
                 "them out with their rules: ";
      for (size_t i = 0; i < netless.size(); ++i) {
        message += (i ? ", " : "") + netless[i].second;
      }
      message += ".";
    }
    if (!message.empty()) sdk::ShowWarningMessage(message);
  }

  static std::string Described(const FromTo& from_to, const std::string& net) {
    return from_to.from + ":" + from_to.to + " (" + net + ")";
  }

  void ForEachClass(const std::function<void(sdk::Handle)>& visit) {
    board_.IterateObjects(visit, 1u << pcbapi::kClass, sdk::LayerZero(), pcbapi::kAllObjects);
  }

  void WriteNet(const NetEntry& net) {
    // The rule queries ask for the net's name: they have it from here.
    if (context_.rules.rules) context_.rules.rules->NoteNetName(net.handle, net.name);
    line_.assign(kNetOpener).append(EscapedName(net));
    out_.Line(line_);
    out_.Raise();
    WriteNetPins(out_, line_, PinsOf(net));
    WriteApplicableRules(out_, context_.rules, net.handle, kNetScopeKind, kOnLayerScope);
    // From-tos belong to the net whose name their net text equals exactly.
    if (!from_tos_.empty()) {
      const auto from_tos = from_tos_.find(net.name);
      if (from_tos != from_tos_.end()) {
        for (FromTo& from_to : from_tos->second) {
          from_to.placed = true;
          if (EndsOnPins(net, from_to)) {
            WriteFromTo(from_to);
          } else {
            unpinned_from_tos_ +=
                (unpinned_from_tos_.empty() ? "" : ", ") + Described(from_to, net.name);
          }
        }
      }
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

  // Both ends name pins the net lists: the router's reader drops the whole part of a pin that
  // the file does not declare.
  bool EndsOnPins(const NetEntry& net, const FromTo& from_to) const {
    auto listed = [&](const std::string& end) {
      const std::string name = EscapeName(end);
      for (const TNetPin* pin : PinsOf(net)) {
        if (pin->name == name) return true;
      }
      return false;
    };
    return listed(from_to.from) && listed(from_to.to);
  }

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
      network.names.reserve(nets_.size());
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
  std::vector<TNetPin> pins_;              // component pins
  std::vector<const ComponentPad*> pads_;  // of one component; reused from component to component
  std::vector<NetPad> pads_by_net_;        // sorted
  std::vector<NetPad>::const_iterator next_pad_;  // after the pads of the net collected last
  std::vector<const TNetPin*> net_pins_;          // the pins of every net, net by net
  std::vector<NetEntry> nets_;
  std::string escaped_names_;  // of the nets with 2 pads or more, one after the other
  NetworkNames network_, folded_network_;
  std::unordered_map<std::string, std::vector<FromTo>> from_tos_;
  size_t from_to_count_ = 0;
  std::string unpinned_from_tos_;  // "from:to (net)" of the from-tos left out, for the user
  std::string line_;               // composes one line at a time
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

std::vector<TBoardNet> ReadBoardNets(const sdk::TPcbBoard& board) {
  std::vector<TBoardNet> nets;
  board.IterateObjects(
      [&](sdk::Handle handle) {
        // Of the net's record only its name is needed.
        pcbapi::Text255 name{};
        if (sdk::PcbApi_QueryNet(pcbapi::kRead, handle, nullptr, &name, nullptr, nullptr) ==
            pcbapi::kSuccess) {
          nets.push_back({handle, sdk::FromText(name)});
        }
      },
      1u << pcbapi::kNet, sdk::LayerZero(), pcbapi::kAllObjects);
  return nets;
}

void WriteNetwork(DesignFileOutput& out, const TNetworkContext& context) {
  NetworkWriter(out, context).Write();
}

}  // namespace router
