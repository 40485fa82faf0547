// Applying a route file's records to the open board.
#include "router/route_import.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/win/com.h"
#include "framework/win/text.h"
#include "sdk/ascii_case.h"
#include "router/deferred_prims.h"
#include "router/network_nets.h"
#include "router/design_file_names.h"
#include "router/document_settings.h"
#include "router/legacy_layer.h"
#include "router/padstack_pad.h"
#include "router/route_file_reader.h"
#include "router/router_board.h"
#include "router/wiring_section.h"
#include "sdk/client_api.h"
#include "sdk/exceptions.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"
#include "sdk/rt_param.h"
#include "sdk/text_file.h"
#include "sdk/units.h"

namespace router {

namespace {

constexpr int kProcessBufferSize = 255;

// A via whose drill layers go to the host as layers: the object model keeps those two bytes
// behind Boolean accessors, which cannot carry a bottom layer.
class TRouteVia : public sdk::TPcbVia {
 public:
  using TPcbVia::TPcbVia;
  void SetDrillLayers(int low, int high) {
    low_layer_ = static_cast<pcbapi::Byte>(low);
    high_layer_ = static_cast<pcbapi::Byte>(high);
  }
  int low_layer() const { return low_layer_; }
  int high_layer() const { return high_layer_; }
  int Sync(sdk::Mode mode) override {
    SyncBitFields(mode);
    sdk::LegacyLayer layer = GetLegacyLayer();
    sdk::Coord size = GetSize(), hole = GetHoleSize();
    pcbapi::Byte tented_top = GetAuxFlag3(), tented_bottom = GetAuxFlag4();
    const int result = sdk::PcbApi_QueryVia(
        mode, handle_, &flags_, &aux_word_, &layer, &net_handle_, &aux_byte_, &aux_integer_, &x_,
        &y_, &size, &hole, &low_layer_, &high_layer_, &tented_top, &tented_bottom);
    SetLegacyLayer(layer);
    SetSize(size);
    SetHoleSize(hole);
    SetAuxFlag3(tented_top != 0);
    SetAuxFlag4(tented_bottom != 0);
    return result;
  }

 private:
  pcbapi::Byte low_layer_ = kTopLayer, high_layer_ = kBottomLayer;
};

// A free pad of a through padstack lies on the multi-layer, else on its padstack's first layer.
int PadLayer(const TPadstack& padstack) {
  const bool through = padstack.start_layer == kTopLayer && padstack.end_layer == kBottomLayer;
  return through ? kMultiLayer : padstack.start_layer;
}

// The import's globals, set for its run and cleared however it ends.
class ImportScope {
 public:
  explicit ImportScope(const std::string& path) {
    RouteFileNameGlobal() = path;
    RecreateHoleList();
  }
  ~ImportScope() {
    FreeHoleList();
    RouteFileNameGlobal().clear();
  }
  ImportScope(const ImportScope&) = delete;
  ImportScope& operator=(const ImportScope&) = delete;
};

class ProgressScope {
 public:
  ProgressScope(const std::string& message, int total) {
    const pcbapi::Text255 text = sdk::MakeText<255>(message);
    sdk::PcbApi_Percent_Init(&text, total);
  }
  ~ProgressScope() { sdk::PcbApi_Percent_Finish(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  void AdvanceTo(int line) {
    for (; line_ < line; ++line_) sdk::PcbApi_Percent_Update();
  }

 private:
  int line_ = 0;
};

// The board's nets by name, for the router's (escaped) names.
class NetTable {
 public:
  explicit NetTable(const sdk::TPcbBoard& board) {
    sdk::LegacyLayerSet layer_zero;
    layer_zero.Include(0);
    board.IterateObjects(
        [&](sdk::Handle handle) {
          sdk::TPcbNet net(handle);
          net.Sync(pcbapi::kRead);
          // The first net of a name (and of a folded name) in the board's order answers for it.
          exact_.emplace(net.GetName(), handle);
          folded_.emplace(sdk::FoldedAscii(net.GetName()), handle);
        },
        1u << pcbapi::kNet, layer_zero, 0);
  }
  // The net of an escaped name: the exact name first, so that nets differing only in case keep
  // their copper; else the first that matches without regard to case; else 0.
  sdk::Handle Find(std::string_view escaped) const {
    const std::string name = UnescapeName(escaped);
    if (const auto exact = exact_.find(name); exact != exact_.end()) return exact->second;
    const auto folded = folded_.find(sdk::FoldedAscii(name));
    return folded == folded_.end() ? 0 : folded->second;
  }

 private:
  // A route file names every net: looking each up in a list would grow with nets squared.
  std::unordered_map<std::string, sdk::Handle> exact_, folded_;
};

// One piece of copper as the import compares it: two are the same when kind, net and layer
// agree and the width and every coordinate differ by one unit of the route file's resolution at
// most, the precision the router gives them back with (a via's layer is its drill span, and its
// size does not count). Copper the router gives back without a net is the
// same as the board's of any net: the export writes no net for copper outside the network.
struct TCopperItem {
  enum Kind { kTrack, kVia, kPad } kind = kTrack;
  sdk::Handle net = 0;
  int layer = 0;
  sdk::Coord width = 0;
  RoutePoint a, b;
};

// The board's free copper and what this import adds, so that nothing is added twice: the
// router gives back the copper the clean-up keeps, not always with its mark.
class TCopperIndex {
 public:
  explicit TCopperIndex(sdk::Coord tolerance)
      : tolerance_(tolerance), cell_(std::max<int64_t>(4 * int64_t{tolerance}, kMinCell)) {}

  void Add(const TCopperItem& item) {
    File(Key(item, Cell(item.a)), item);
    if (Cell(item.b) != Cell(item.a)) File(Key(item, Cell(item.b)), item);
  }
  bool Contains(const TCopperItem& item) const {
    // The cells that points within the tolerance of the item's first end lie in: mostly one,
    // two or four near a cell's edge.
    const int64_t x1 = Floor(int64_t{item.a.x} - tolerance_),
                  x2 = Floor(int64_t{item.a.x} + tolerance_);
    const int64_t y1 = Floor(int64_t{item.a.y} - tolerance_),
                  y2 = Floor(int64_t{item.a.y} + tolerance_);
    for (int64_t x = x1; x <= x2; ++x) {
      for (int64_t y = y1; y <= y2; ++y) {
        const uint64_t key = Key(item, {static_cast<int32_t>(x), static_cast<int32_t>(y)});
        for (uint32_t at = slots_.empty() ? 0 : slots_[SlotOf(key)].head; at != 0;
             at = entries_[at - 1].next) {
          if (Same(entries_[at - 1].item, item)) return true;
        }
      }
    }
    return false;
  }

 private:
  // Cells several times as wide as the tolerance: a point within it of another lies in the same
  // or a neighbouring cell, and seldom near a cell's edge.
  static constexpr int64_t kMinCell = 64;
  int64_t Floor(int64_t v) const { return (v >= 0 ? v : v - cell_ + 1) / cell_; }
  std::pair<int32_t, int32_t> Cell(RoutePoint p) const {
    return {static_cast<int32_t>(Floor(p.x)), static_cast<int32_t>(Floor(p.y))};
  }
  static uint64_t Key(const TCopperItem& item, std::pair<int32_t, int32_t> cell) {
    const uint64_t place =
        (uint64_t{static_cast<uint32_t>(cell.first)} << 32) | static_cast<uint32_t>(cell.second);
    return place ^ (static_cast<uint64_t>(item.layer * 4 + item.kind) * 0xC2B2AE3D27D4EB4Full);
  }
  bool Near(sdk::Coord a, sdk::Coord b) const { return std::llabs(int64_t{a} - b) <= tolerance_; }
  bool Near(RoutePoint p, RoutePoint q) const { return Near(p.x, q.x) && Near(p.y, q.y); }
  // `q`, the router's, against `p`, the board's.
  bool Same(const TCopperItem& p, const TCopperItem& q) const {
    return p.kind == q.kind && (q.net == 0 || p.net == q.net) && p.layer == q.layer &&
           Near(p.width, q.width) &&
           ((Near(p.a, q.a) && Near(p.b, q.b)) || (Near(p.a, q.b) && Near(p.b, q.a)));
  }

  // The slot of a key, or the empty one where it would go. Keys are mixed through all 64 bits,
  // so that the cells of one row do not crowd into neighbouring slots.
  size_t SlotOf(uint64_t key) const {
    const size_t mask = slots_.size() - 1;
    size_t at = static_cast<size_t>(((key ^ (key >> 29)) * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    while (slots_[at].head != 0 && slots_[at].key != key) at = (at + 1) & mask;
    return at;
  }
  void File(uint64_t key, const TCopperItem& item) {
    if (2 * (used_ + 1) > slots_.size()) Grow();
    Slot& slot = slots_[SlotOf(key)];
    if (slot.head == 0) ++used_;
    slot.key = key;
    entries_.push_back({item, slot.head});
    slot.head = static_cast<uint32_t>(entries_.size());
  }
  void Grow() {
    std::vector<Slot> old(std::max<size_t>(64, 2 * slots_.size()));
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.head != 0) slots_[SlotOf(slot.key)] = slot;
    }
  }

  // One table of slots, open and at most half full, over one list of entries: a node on the heap
  // per piece of copper would cost a cache miss at nearly every look-up on a large board.
  struct Slot {
    uint64_t key = 0;
    uint32_t head = 0;  // the key's latest entry, counted from 1; 0 for an empty slot
  };
  struct Entry {
    TCopperItem item;
    uint32_t next;  // the key's entry before it, counted from 1; 0 at the first
  };

  sdk::Coord tolerance_;
  int64_t cell_;
  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  size_t used_ = 0;
};

// Every free object of the kinds on any layer, read once on the stack, in the order of the walk.
void ReadFreeObjectsOnce(const sdk::TPcbBoard& board, pcbapi::KindSet kinds,
                         const std::function<void(const sdk::TPCBObject&)>& read) {
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(1, 75);
  std::vector<sdk::Handle> visits;
  board.IterateObjects([&](sdk::Handle handle) { visits.push_back(handle); }, kinds, layers,
                       pcbapi::kFreeObjects);
  for (const sdk::Handle handle : FirstVisits(visits)) sdk::ReadPcbObject(handle, read);
}

// The free copper left on the board after the clean-up: tracks, the chords of arcs (which the
// export writes as tracks), vias and pads. Polygon primitives count under the polygon's net, as
// the export writes them.
void IndexBoardCopper(const sdk::TPcbBoard& board, TCopperIndex& index) {
  auto add = [&](const sdk::TPCBObject& object) {
    sdk::Handle net = object.GetNetHandle();
    if (net == 0 && object.GetAuxValue1() != 0) {
      net = sdk::GetObjectNetByHandle(static_cast<sdk::Handle>(object.GetAuxValue1()));
    }
    const int layer = object.GetLegacyLayer();
    const RoutePoint at{object.GetX(), object.GetY()};
    if (const auto* arc = dynamic_cast<const sdk::TPcbArc*>(&object)) {
      for (const TChord& chord : ArcWireChords(*arc)) {
        index.Add({TCopperItem::kTrack,
                   net,
                   layer,
                   arc->GetLineWidth(),
                   {chord.from.x, chord.from.y},
                   {chord.to.x, chord.to.y}});
      }
    } else if (dynamic_cast<const sdk::TPcbTrack*>(&object)) {
      index.Add({TCopperItem::kTrack,
                 net,
                 layer,
                 object.GetWidth(),
                 at,
                 {object.GetX2(), object.GetY2()}});
    } else if (dynamic_cast<const sdk::TPcbVia*>(&object)) {
      TRouteVia via(object.GetHandle());
      via.Sync(pcbapi::kRead);
      index.Add({TCopperItem::kVia, net, via.low_layer() * 256 + via.high_layer(), 0, at, at});
    } else {
      index.Add({TCopperItem::kPad, net, layer, 0, at, at});
    }
  };
  ReadFreeObjectsOnce(
      board,
      (1u << pcbapi::kTrack) | (1u << pcbapi::kArc) | (1u << pcbapi::kVia) | (1u << pcbapi::kPad),
      add);
}

// The layers a wire may lie on: the board's stack, and the multi-layer for "signal".
std::set<int> BoardLayers(const TBoard& board) {
  std::set<int> layers = {kMultiLayer};
  for (const sdk::TLayerObject* layer = board.GetFirstStackLayer(); layer;
       layer = board.GetNextStackLayer(layer)) {
    layers.insert(layer->GetLayer());
  }
  return layers;
}

class RouteImporter {
 public:
  RouteImporter(TBoard& board, sdk::Coord unit, TRouteImportReport& report)
      : board_(board),
        report_(report),
        registrar_(board),
        nets_(board),
        layers_(BoardLayers(board)),
        copper_(unit) {
    IndexBoardCopper(board, copper_);
  }

  void Apply(const RouteRecord& record) {
    std::visit([&](const auto& r) { On(r); }, record);
  }
  void Finish() { registrar_.Flush(); }

 private:
  void On(const PadstackRecord& record) {
    // The first definition stands.
    if (!padstacks_.Add(record.name, record.padstack)) Skip("padstack", "defined twice");
  }
  void On(const NetRecord& record) {
    net_ = record.name ? nets_.Find(*record.name) : 0;
    unknown_net_ = record.name && net_ == 0;
  }
  void On(const WireRecord& record);
  void On(const ViaRecord& record);
  void On(const PointRecord& record);

  void Skip(const std::string& what, const std::string& why) { ++report_.skipped[{what, why}]; }
  // False (and counted) for copper of a net the board lacks.
  bool NetKnown(const char* what) {
    if (unknown_net_) Skip(what, "of a net the board lacks");
    return !unknown_net_;
  }
  // True (and counted) for copper the board has already; else it is listed as added.
  bool AlreadyThere(const TCopperItem& item) {
    if (copper_.Contains(item)) {
      ++report_.already_there;
      return true;
    }
    copper_.Add(item);
    return false;
  }

  // The router's padstack, or the router settings' default via for a name it never defined
  // (or one without shapes).
  TPadstack PadstackOf(const std::string& name, sdk::Coord& hole_size) const;

  TBoard& board_;
  TRouteImportReport& report_;
  TDeferedPrimsRegistrar registrar_;
  NetTable nets_;
  const std::set<int> layers_;
  TCopperIndex copper_;
  TPadStackArray padstacks_;
  sdk::Handle net_ = 0;
  bool unknown_net_ = false;
};

void RouteImporter::On(const WireRecord& record) {
  registrar_.Flush();
  // The export placed it, and the board has it.
  if (record.marked || !NetKnown("wire")) return;
  if (!layers_.contains(record.layer)) {
    Skip("wire", "on a layer the board lacks");
    return;
  }
  const TPcbReplicatableTrack* last = nullptr;
  for (size_t i = 1; i < record.points.size(); ++i) {
    const RoutePoint from = record.points[i - 1], to = record.points[i];
    if (AlreadyThere({TCopperItem::kTrack, net_, record.layer, record.width, from, to})) continue;
    std::unique_ptr<TPcbReplicatableTrack> track =
        last ? last->Replicate() : CreateReplicatableTrack();
    if (!track) return;
    track->SetNetHandle(net_);
    track->SetLayer(static_cast<sdk::LegacyLayer>(record.layer));
    track->SetWidth(record.width);
    track->SetX(from.x);
    track->SetY(from.y);
    track->SetX2(to.x);
    track->SetY2(to.y);
    last = track.get();
    registrar_.Add(std::move(track));
    ++report_.tracks;
  }
}

TPadstack RouteImporter::PadstackOf(const std::string& name, sdk::Coord& hole_size) const {
  const TPadstack* found = padstacks_.Find(name);
  if (found && found->start_layer != 0) {
    if (found->start_layer == found->end_layer) {
      hole_size = 0;  // a pad on one layer has no drill
    } else {
      // The export stored the holes under the number in its padstack names.
      const int number = PadstackNumberFromName(name);
      hole_size = number >= 0
                      ? HoleListGlobal()->HoleSize(std::to_string(number))
                      : sdk::RoundMilsToCoord(board_.settings.default_via_hole / sdk::kUnitsPerMil);
    }
    return *found;
  }
  TPadstack via;
  const sdk::Coord size =
      sdk::RoundMilsToCoord(board_.settings.default_via_size / sdk::kUnitsPerMil);
  via.top_x = via.top_y = via.mid_x = via.mid_y = via.bottom_x = via.bottom_y = size;
  via.start_layer = kTopLayer;
  via.end_layer = kBottomLayer;
  hole_size = sdk::RoundMilsToCoord(board_.settings.default_via_hole / sdk::kUnitsPerMil);
  return via;
}

void RouteImporter::On(const ViaRecord& record) {
  // A via the export placed comes back marked: the board has it already.
  if (record.turret || !NetKnown("via")) return;
  sdk::Coord hole_size = 0;
  const TPadstack padstack = PadstackOf(record.padstack, hole_size);
  if (padstack.PadLike()) {
    if (AlreadyThere({TCopperItem::kPad, net_, PadLayer(padstack), 0, record.at, record.at})) {
      return;
    }
    report_.pads += AddPadstackPad(board_, padstack, record.at.x, record.at.y, net_, hole_size);
    return;
  }
  const int span = padstack.start_layer * 256 + padstack.end_layer;
  if (AlreadyThere({TCopperItem::kVia, net_, span, 0, record.at, record.at})) return;
  const sdk::Handle handle = sdk::PcbApi_CreateObject(pcbapi::kVia);
  if (handle == 0) return;
  TRouteVia via(handle);
  via.Sync(pcbapi::kRead);
  via.SetDrillLayers(padstack.start_layer, padstack.end_layer);
  via.SetSize(padstack.top_x);
  via.SetNetHandle(net_);
  via.SetHoleSize(hole_size);
  via.SetX(record.at.x);
  via.SetY(record.at.y);
  via.Sync(pcbapi::kWrite);
  if (board_.AddObject(handle) != pcbapi::kSuccess) {
    sdk::PcbApi_DestroyObject(handle);
    return;
  }
  ++report_.vias;
}

void RouteImporter::On(const PointRecord& record) {
  const bool top = record.side == "FRONT";
  if (!top && record.side != "BACK") {
    Skip("test point", "on a side other than front or back");
    return;
  }
  const sdk::Handle net = nets_.Find(record.net);
  if (net == 0) {
    Skip("test point", "of a net the board lacks");
    return;
  }
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(1, 75);
  std::vector<sdk::Handle> marked;
  sdk::SearchAroundPoint(record.at.x, record.at.y, layers,
                         (1u << pcbapi::kPad) | (1u << pcbapi::kVia),
                         [&](sdk::Handle handle, uint8_t kind) {
                           if (kind != pcbapi::kPad && kind != pcbapi::kVia) return false;
                           marked.push_back(handle);
                           return true;
                         });
  std::set<sdk::Handle> done;
  for (const sdk::Handle handle : marked) {
    if (!done.insert(handle).second) continue;
    std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(handle);
    // Only the pad or via right at the point, on the point's net.
    if (!object || object->GetX() != record.at.x || object->GetY() != record.at.y ||
        object->GetNetHandle() != net) {
      continue;
    }
    if (top) {
      object->SetTestPointTop(true);
    } else {
      object->SetTestPointBottom(true);
    }
    object->Sync(pcbapi::kWrite);
  }
}

std::string ReadRouteFileText(const std::string& path) {
  try {
    return sdk::ReadFileText(path);
  } catch (const sdk::Exception& e) {
    throw ERouteFileError(e.what());
  }
}

// Has the host bring the board's netlist and view up to date when it shows the document: the
// one opened under the route file's name, else the board's own.
void RefreshHostViews(const std::string& route_file, const std::string& board_file) {
  const win::ComPtr<IClient> client = sdk::GetClient();
  if (!client) return;
  win::ComPtr<IServerView> view;
  for (const std::string& name : {route_file, board_file}) {
    if (name.empty()) continue;
    win::ComPtr<IServerDocument> document;
    const win::Bstr path(win::Widen(name));
    if (FAILED(client->GetDocumentByPath(path.get(), document.put())) || !document) continue;
    if (SUCCEEDED(document->GetView(0, view.put())) && view) break;
  }
  if (!view) return;
  char buffer[kProcessBufferSize] = {};
  sdk::SetParameterValue(buffer, sizeof buffer, "Optimize", "All");
  sdk::RunHostProcess("PCB:Netlist", buffer, kProcessBufferSize, view.get());
  char zoom[kProcessBufferSize] = {};
  sdk::SetParameterValue(zoom, sizeof zoom, "Action", "Redraw");
  sdk::RunHostProcess("PCB:Zoom", zoom, kProcessBufferSize, view.get());
}

}  // namespace

bool AddPadstackPad(const sdk::TPcbBoard& board, const TPadstack& padstack, sdk::Coord x,
                    sdk::Coord y, sdk::Handle net, sdk::Coord hole_size) {
  const sdk::Handle handle = sdk::PcbApi_CreateObject(pcbapi::kPad);
  if (handle == 0) return false;
  TPadStackPcbPad pad(handle);
  pad.Sync(pcbapi::kRead);
  pad.SetX(x);
  pad.SetY(y);
  pad.SetTopXSize(padstack.top_x);
  pad.SetTopYSize(padstack.top_y);
  pad.SetTopShape(padstack.top_shape);
  pad.SetMidXSize(padstack.mid_x);
  pad.SetMidYSize(padstack.mid_y);
  pad.SetMidShape(padstack.mid_shape);
  pad.SetBotXSize(padstack.bottom_x);
  pad.SetBotYSize(padstack.bottom_y);
  pad.SetBotShape(padstack.bottom_shape);
  pad.SetLayer(static_cast<sdk::LegacyLayer>(PadLayer(padstack)));
  if (padstack.HasLayerStack()) pad.SetStackMode(1);  // top, middle and bottom
  pad.SetNetHandle(net);
  pad.SetHoleSize(hole_size);
  pad.Sync(pcbapi::kWrite);
  if (board.AddObject(handle) == pcbapi::kSuccess) return true;
  sdk::PcbApi_DestroyObject(handle);
  return false;
}

std::vector<sdk::Handle> FirstVisits(const std::vector<sdk::Handle>& visits) {
  std::vector<uint32_t> order(visits.size());
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return visits[a] < visits[b]; });
  std::vector<bool> first(visits.size(), true);
  for (size_t i = 1; i < order.size(); ++i) {
    if (visits[order[i]] == visits[order[i - 1]]) first[order[i]] = false;
  }
  std::vector<sdk::Handle> handles;
  handles.reserve(visits.size());
  for (size_t i = 0; i < visits.size(); ++i) {
    if (first[i]) handles.push_back(visits[i]);
  }
  return handles;
}

int RemoveNettedRouting(const sdk::TPcbBoard& board) {
  // One walk finds all of it: deleting only after the walk leaves the walk undisturbed, and
  // nothing the deletions do makes another object routing.
  TNetPadCounts nets;
  std::vector<sdk::Handle> routing;
  auto collect = [&](const sdk::TPCBObject& object) {
    if (object.GetNetHandle() == 0 || object.GetAuxInteger() != 0) return;
    // The export hands fixed copper to the router marked, and the import drops what comes back
    // so marked, so it has to stay here.
    if (IsFixedCopper(object, nets)) return;
    if (dynamic_cast<const sdk::TPcbTrack*>(&object)) {
      const int layer = object.GetLegacyLayer();
      // Tracks of a polygon's pour (they carry the polygon) are not routing.
      if (layer < kTopLayer || layer > kBottomLayer || object.GetAuxValue1() != 0) return;
    }
    routing.push_back(object.GetHandle());
  };
  ReadFreeObjectsOnce(board, (1u << pcbapi::kTrack) | (1u << pcbapi::kVia) | (1u << pcbapi::kPad),
                      collect);
  int deleted = 0;
  for (const sdk::Handle handle : routing)
    deleted += board.DeleteObject(handle) == pcbapi::kSuccess;
  return deleted;
}

std::string TRouteImportReport::Text(const std::string& path) const {
  auto count = [](int n, const std::string& what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  std::string text = "Imported " + path + ": " + count(tracks, "track") + ", " +
                     count(vias, "via") + " and " + count(pads, "pad") + " added";
  if (already_there > 0) text += ", " + std::to_string(already_there) + " already on the board";
  int total = 0;
  std::string reasons;
  for (const auto& [record, n] : skipped) {
    total += n;
    reasons += (reasons.empty() ? ": " : ", ") + count(n, record.first) + " " + record.second;
  }
  if (total > 0) text += "; skipped " + count(total, "record") + reasons;
  if (!has_resolution) text += "; the file gives no resolution, so its lengths were read as mils";
  return text + ".";
}

bool LoadRouteFile(const std::string& path, TRouteImportReport* report) {
  // Read and check the whole file before the board changes.
  const std::string text = ReadRouteFileText(path);
  const RouteFileContents contents = ReadRouteRecords(text, path);

  // Without an open board there is nothing to import into; the command goes on to the status.
  const sdk::Handle board_handle = sdk::PcbApi_GetCurrentBoardHandle();
  if (board_handle == 0) return false;
  const ImportScope scope(path);
  TBoard board(board_handle);
  board.Sync(pcbapi::kRead);
  HoleListGlobal()->LoadHoleList(PerDocumentFileName(board.GetFileName()));

  RemoveNettedRouting(board);
  TRouteImportReport done;
  done.has_resolution = contents.has_resolution;
  done.skipped = contents.skipped;
  {
    ProgressScope progress("Loading " + path + " (QIX)", contents.line_count);
    RouteImporter importer(board, contents.unit, done);
    for (size_t i = 0; i < contents.records.size(); ++i) {
      importer.Apply(contents.records[i]);
      progress.AdvanceTo(contents.record_lines[i]);
    }
    importer.Finish();
    RefreshHostViews(path, board.GetFileName());
    progress.AdvanceTo(contents.line_count);
  }
  RemoveMarkedEmbeddedObjects(board);
  if (report) *report = done;
  try {
    sdk::SetHostStatusText(1, win::Widen(done.Text(path)));
  } catch (const sdk::Exception&) {
    // The routes are in; a host without a status bar cannot undo that.
  }
  return true;
}

}  // namespace router
