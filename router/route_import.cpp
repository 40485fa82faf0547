// Applying a route file's records to the open board.
#include "router/route_import.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <set>
#include <new>
#include <string>
#include <optional>
#include <unordered_map>
#include <vector>

#include "framework/win/com.h"
#include "framework/win/text.h"
#include "router/copper_index.h"
#include "router/deferred_prims.h"
#include "router/design_file_names.h"
#include "router/document_settings.h"
#include "router/handle_table.h"
#include "router/legacy_layer.h"
#include "router/name_index.h"
#include "router/network_nets.h"
#include "router/padstack_pad.h"
#include "router/route_file_reader.h"
#include "router/router_board.h"
#include "router/wiring_section.h"
#include "sdk/ascii_case.h"
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
  // A net the editor cannot read is counted: its copper will be skipped as of a net the board
  // lacks.
  NetTable(const sdk::TPcbBoard& board, SkippedRecords& skipped) {
    board.IterateObjects(
        [&](sdk::Handle handle) {
          sdk::TPcbNet net(handle);
          if (net.Sync(pcbapi::kRead) != pcbapi::kSuccess) {
            ++skipped[{"board net", "the editor could not read"}];
            return;
          }
          names_.push_back(net.GetName());
          handles_.push_back(handle);
        },
        1u << pcbapi::kNet, sdk::LayerZero(), 0);
    // The first net of a name in the board's order answers for it.
    exact_.emplace(names_);
  }
  NetTable(const NetTable&) = delete;  // the indexes point into the names
  NetTable& operator=(const NetTable&) = delete;
  // The net of an escaped name: the exact name first, so that nets differing only in case keep
  // their copper; else the first that matches without regard to case; else 0.
  sdk::Handle Find(std::string_view escaped) {
    const std::string name = UnescapeName(escaped);
    if (const std::optional<uint32_t> exact = exact_->Find(name)) return handles_[*exact];
    // Made at the first name that is not exact: a router gives the names back as they were.
    if (!folded_) {
      folded_names_.reserve(names_.size());
      for (const std::string& net : names_) folded_names_.push_back(sdk::FoldedAscii(net));
      folded_.emplace(folded_names_);
    }
    const std::optional<uint32_t> folded = folded_->Find(sdk::FoldedAscii(name));
    return folded ? handles_[*folded] : 0;
  }

 private:
  std::vector<std::string> names_, folded_names_;  // in the board's order
  std::vector<sdk::Handle> handles_;
  std::optional<NameIndex> exact_, folded_;
};

// Every free track, arc, via and pad on any layer, read once on the stack. A walk layer by layer
// visits a via or pad once per layer, but a track or arc once: only the vias and pads need
// sorting out, which keeps the sort a fraction of the board.
void ReadFreeCopperOnce(const sdk::TPcbBoard& board,
                        const std::function<void(const sdk::TPCBObject&)>& read) {
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(1, 75);
  board.IterateObjects([&](sdk::Handle handle) { sdk::ReadPcbObject(handle, read); },
                       (1u << pcbapi::kTrack) | (1u << pcbapi::kArc), layers, pcbapi::kFreeObjects);
  std::vector<sdk::Handle> visits;
  board.IterateObjects([&](sdk::Handle handle) { visits.push_back(handle); },
                       (1u << pcbapi::kVia) | (1u << pcbapi::kPad), layers, pcbapi::kFreeObjects);
  for (const sdk::Handle handle : FirstVisits(visits)) sdk::ReadPcbObject(handle, read);
}

// The board as the import finds it: the routing it replaces, and the copper that stays, filed
// so that nothing is added twice.
struct TBoardSurvey {
  explicit TBoardSurvey(sdk::Coord tolerance_) : tolerance(tolerance_) {}

  sdk::Coord tolerance;  // how far the router's coordinates may lie from the board's

  // Routing tracks and vias: removed after the records, unless the router gives them back, so
  // that what it keeps keeps every attribute the board gave it (a layer stack, a test-point
  // mark, flags, values the file has no word for).
  std::vector<sdk::Handle> routing;
  // The hole sizes of the export's padstacks, by the number it stored in each via and pad.
  std::unordered_map<int, sdk::Coord> holes;
  TNetCopper copper;  // every free track, arc chord, via and pad
};

// The copper of one board object as the index files it: tracks; arcs as the chords the export
// writes; vias by drill span (not size: a via with a layer stack comes back as its outer size);
// pads by layer. Polygon primitives count under the
// polygon's net, as the export writes them. `stays`: the import never removes it.
void FileCopper(const sdk::TPCBObject& object, bool stays, TNetCopper& copper) {
  sdk::Handle net = object.GetNetHandle();
  if (net == 0 && object.GetAuxValue1() != 0) {
    net = sdk::GetObjectNetByHandle(static_cast<sdk::Handle>(object.GetAuxValue1()));
  }
  const int layer = object.GetLegacyLayer();
  const RoutePoint at{object.GetX(), object.GetY()};
  TCopperItem item;
  item.net = net;
  item.handle = object.GetHandle();
  item.stays = stays;
  if (const auto* arc = dynamic_cast<const sdk::TPcbArc*>(&object)) {
    item.layer = layer;
    item.width = arc->GetLineWidth();
    for (const TChord& chord : ArcWireChords(*arc)) {
      item.a = {chord.from.x, chord.from.y};
      item.b = {chord.to.x, chord.to.y};
      copper.Add(item);
    }
    return;
  }
  item.a = item.b = at;
  if (dynamic_cast<const sdk::TPcbTrack*>(&object)) {
    item.layer = layer;
    item.width = object.GetWidth();
    item.b = {object.GetX2(), object.GetY2()};
  } else if (const auto* via = dynamic_cast<const sdk::TPcbVia*>(&object)) {
    item.kind = TCopperItem::kVia;
    item.low_layer = std::min(via->GetLowLayer(), via->GetHighLayer());
    item.high_layer = std::max(via->GetLowLayer(), via->GetHighLayer());
  } else {
    item.kind = TCopperItem::kPad;
    item.layer = layer;
  }
  copper.Add(item);
}

// One walk of the board's free copper. Routing is what carries a net and no mark of its own,
// except fixed copper (which the export marks and the router gives back marked), the tracks of
// a polygon's pour, tracks off the signal layers, and free pads: a free pad may be a test pad
// or carry a name and flags that no route file gives back, so the import never removes one.
TBoardSurvey SurveyBoard(const sdk::TPcbBoard& board, sdk::Coord tolerance) {
  TBoardSurvey survey(tolerance);
  TNetPadCounts nets;
  auto survey_object = [&](const sdk::TPCBObject& object) {
    const bool via = dynamic_cast<const sdk::TPcbVia*>(&object) != nullptr;
    const bool track = dynamic_cast<const sdk::TPcbTrack*>(&object) != nullptr;
    // Nearly every via and pad repeats a padstack filed already: no node is made for those.
    if (object.GetHoleSize() > 0) {
      survey.holes.try_emplace(object.GetAuxWord(), object.GetHoleSize());
    }
    const int layer = object.GetLegacyLayer();
    const bool routing =
        (via ||
         (track && layer >= kTopLayer && layer <= kBottomLayer && object.GetAuxValue1() == 0)) &&
        object.GetNetHandle() != 0 && object.GetAuxInteger() == 0 && !IsFixedCopper(object, nets);
    if (routing) survey.routing.push_back(object.GetHandle());
    FileCopper(object, !routing, survey.copper);
  };
  ReadFreeCopperOnce(board, survey_object);
  survey.copper.Group();
  return survey;
}

// The layers of the board's stack.
std::set<int> StackLayers(const TBoard& board) {
  std::set<int> layers;
  for (const sdk::TLayerObject* layer = board.GetFirstStackLayer(); layer;
       layer = board.GetNextStackLayer(layer)) {
    layers.insert(layer->GetLayer());
  }
  return layers;
}

// The pads and vias right at a point (within a mil), each once.
std::vector<sdk::Handle> PadsAndViasAt(RoutePoint at) {
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(1, 75);
  std::vector<sdk::Handle> found;
  sdk::SearchAroundPoint(at.x, at.y, layers, (1u << pcbapi::kPad) | (1u << pcbapi::kVia),
                         [&](sdk::Handle handle, uint8_t kind) {
                           if (kind != pcbapi::kPad && kind != pcbapi::kVia) return false;
                           found.push_back(handle);
                           return true;
                         });
  return FirstVisits(found);
}

class RouteImporter {
 public:
  RouteImporter(TBoard& board, TBoardSurvey& survey, TRouteImportReport& report)
      : board_(board),
        survey_(survey),
        report_(report),
        registrar_(board),
        nets_(board, report.skipped),
        layers_(StackLayers(board)),
        net_board_(survey.tolerance),
        net_copper_(survey.tolerance) {}

  void Apply(const RouteRecord& record) {
    std::visit([&](const auto& r) { On(r); }, record);
  }
  // Adds the last wire, and removes the routing vias the router did not give back.
  void Finish();

 private:
  void On(const PadstackRecord& record) {
    // The first definition stands.
    if (!padstacks_.Add(record.name, record.padstack)) Skip("padstack", "defined twice");
  }
  void On(const NetRecord& record) {
    // The reader gives wires and vias only inside a named net.
    net_ = record.name ? nets_.Find(*record.name) : 0;
    OpenNetCopper();
  }
  void On(const WireRecord& record);
  void On(const ViaRecord& record);
  void On(const PointRecord& record);

  void Skip(const std::string& what, const std::string& why) { ++report_.skipped[{what, why}]; }
  // The same place, as far as the files' rounding goes.
  bool Near(RoutePoint a, RoutePoint b) const {
    return std::llabs(int64_t{a.x} - b.x) <= survey_.tolerance &&
           std::llabs(int64_t{a.y} - b.y) <= survey_.tolerance;
  }
  // Adds the pending tracks; those the board refuses are counted as skipped, not as added.
  void FlushTracks() {
    if (const int refused = registrar_.Flush(); refused > 0) {
      report_.tracks -= refused;
      report_.skipped[{"track", "the board would not take"}] += refused;
    }
  }
  // False (and counted) for copper of a net the board lacks.
  bool NetKnown(const char* what) {
    if (net_ == 0) Skip(what, "of a net the board lacks");
    return net_ != 0;
  }
  // Copper can only be the same as copper of its net: the board's and the records' own go into
  // indexes of the net's own while the file lists the net; the records' is kept by net for a
  // net listed again.
  void OpenNetCopper() {
    net_board_.Clear();
    net_copper_.Clear();
    net_staying_tracks_.clear();
    if (net_ == 0) return;
    for (const TCopperItem& item : survey_.copper.OfNet(net_)) {
      net_board_.Add(item);
      if (item.stays && item.kind == TCopperItem::kTrack) net_staying_tracks_.push_back(item);
    }
    // A net listed again: its pieces so far, from the latest back.
    net_last_piece_ = &last_piece_[net_];
    earlier_.clear();
    for (uint32_t at = *net_last_piece_; at != 0; at = earlier_piece_[at - 1])
      earlier_.push_back(at - 1);
    for (auto at = earlier_.rbegin(); at != earlier_.rend(); ++at) net_copper_.Add(pieces_[*at]);
  }
  // True (and counted) for copper the board has already, which stays as it is, or that the file
  // gave before; else it is filed as added. Only for copper of a known net.
  bool AlreadyThere(const TCopperItem& item) {
    const TCopperItem* found = net_board_.Find(item);
    if (!found) found = net_copper_.Find(item);
    if (found) {
      if (found->handle != 0) kept_.push_back(found->handle);
      ++report_.already_there;
      return true;
    }
    // Copper that stays needs no piece of it again, whole or not.
    if (item.kind == TCopperItem::kTrack &&
        CoversTrack(net_staying_tracks_, item, survey_.tolerance)) {
      ++report_.already_there;
      return true;
    }
    net_copper_.Add(item);
    pieces_.push_back(item);
    earlier_piece_.push_back(*net_last_piece_);
    *net_last_piece_ = static_cast<uint32_t>(pieces_.size());
    return false;
  }
  // A via whose padstack the file does not give: only what the board has right there can be
  // meant, so that stays, and anything else is skipped.
  void OnUndefinedPadstack(const ViaRecord& record, const char* why);
  // True (and counted) for a via that is a free pad given back: a through pad the router may use
  // as a via goes out as a via of its padstack, and comes back at its place with that padstack.
  bool FreePadGivenBack(const ViaRecord& record, const TPadstack& padstack);
  // The hole of the padstack of that name, for copper of the padstack's sizes.
  sdk::Coord HoleOf(const std::string& name, const TPadstack& padstack);
  void AddVia(const TPadstack& padstack, RoutePoint at, sdk::Coord hole);

  TBoard& board_;
  TBoardSurvey& survey_;
  TRouteImportReport& report_;
  TDeferedPrimsRegistrar registrar_;
  NetTable nets_;
  const std::set<int> layers_;
  TPadStackArray padstacks_;
  // Board copper the router gave back, in no order (and perhaps twice): sorted once at the end,
  // which costs less than a hash node per via of a large board.
  std::vector<sdk::Handle> kept_;
  sdk::Handle net_ = 0;
  // The current net's copper: the board's, and the records' own so far.
  TCopperIndex net_board_, net_copper_;
  std::vector<TCopperItem> net_staying_tracks_;  // of the board's, the tracks that stay
  // The records' own copper in file order; with each piece the one of its net before it, and
  // with each net its latest (both counted from 1, 0 for none). A list per net cost a few
  // allocations for every net.
  std::vector<TCopperItem> pieces_;
  std::vector<uint32_t> earlier_piece_;
  THandleTable<uint32_t> last_piece_;
  uint32_t* net_last_piece_ = nullptr;  // the current net's, in last_piece_
  std::vector<uint32_t> earlier_;       // a net's pieces, while it opens
};

void RouteImporter::On(const WireRecord& record) {
  FlushTracks();
  // The export placed it, and the board has it.
  if (record.marked || !NetKnown("wire")) return;
  // "signal" (all layers at once) and the planes are known layers, but no place for a wire.
  if (record.layer > kBottomLayer) {
    Skip("wire", "not on a routing layer");
    return;
  }
  if (!layers_.contains(record.layer)) {
    Skip("wire", "on a layer the board lacks");
    return;
  }
  const TPcbReplicatableTrack* last = nullptr;
  for (size_t i = 1; i < record.points.size(); ++i) {
    const RoutePoint from = record.points[i - 1], to = record.points[i];
    TCopperItem item;
    item.net = net_;
    item.layer = record.layer;
    item.width = record.width;
    item.a = from;
    item.b = to;
    if (AlreadyThere(item)) continue;
    std::unique_ptr<TPcbReplicatableTrack> track =
        last ? last->Replicate() : CreateReplicatableTrack();
    if (!track) {
      Skip("track", "the editor would not create");
      continue;
    }
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

sdk::Coord RouteImporter::HoleOf(const std::string& name, const TPadstack& padstack) {
  if (padstack.start_layer == padstack.end_layer) return 0;  // a pad on one layer has no drill
  const sdk::Coord default_hole =
      sdk::RoundMilsToCoord(board_.settings.default_via_hole / sdk::kUnitsPerMil);
  // The export stored the holes under the number in its padstack names.
  const int number = PadstackNumberFromName(name);
  std::optional<sdk::Coord> hole;
  if (number >= 0) {
    const TStoredHole stored = HoleListGlobal()->FindHole(std::to_string(number));
    if (stored.state == TStoredHole::State::Usable) hole = stored.size;
    if (stored.state == TStoredHole::State::Unusable) report_.unusable_holes.insert(stored.line);
  }
  if (!hole && number >= 0 && !report_.missing_hole_list.empty()) {
    // Without the list, the board's copper of that padstack still has it.
    if (const auto found = survey_.holes.find(number); found != survey_.holes.end()) {
      hole = found->second;
      ++report_.holes_from_board;
    }
  }
  if (!hole) {
    hole = default_hole;
    ++report_.default_holes;
  }
  // A hole never reaches the edge of its copper: one that would is cut to half the copper's
  // smallest size, which leaves a ring of a quarter of it.
  const sdk::Coord smallest = std::min({padstack.top_x, padstack.top_y, padstack.mid_x,
                                        padstack.mid_y, padstack.bottom_x, padstack.bottom_y});
  if (*hole >= smallest) {
    hole = smallest / 2;
    ++report_.holes_fitted;
  }
  return *hole;
}

void RouteImporter::OnUndefinedPadstack(const ViaRecord& record, const char* why) {
  for (const sdk::Handle handle : PadsAndViasAt(record.at)) {
    const std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(handle);
    if (object && object->GetNetHandle() == net_ &&
        Near({object->GetX(), object->GetY()}, record.at)) {
      kept_.push_back(handle);
      ++report_.already_there;
      return;
    }
  }
  Skip("via", why);
}

bool RouteImporter::FreePadGivenBack(const ViaRecord& record, const TPadstack& padstack) {
  TCopperItem pad;
  pad.kind = TCopperItem::kPad;
  pad.net = net_;
  pad.layer = PadLayer(padstack);
  pad.a = pad.b = record.at;
  const TCopperItem* found = net_board_.Find(pad);
  if (!found || found->handle == 0) return false;
  const std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(found->handle);
  if (!object || object->GetAuxWord() != PadstackNumberFromName(record.padstack)) return false;
  kept_.push_back(found->handle);
  ++report_.already_there;
  return true;
}

void RouteImporter::On(const ViaRecord& record) {
  // A via the export placed comes back marked: the board has it already.
  if (record.turret || !NetKnown("via")) return;
  const TPadstack* padstack = padstacks_.Find(record.padstack);
  if (!padstack) return OnUndefinedPadstack(record, "of a padstack the file does not define");
  if (padstack->start_layer == 0)
    return OnUndefinedPadstack(record, "of a padstack without shapes");
  TCopperItem item;
  item.net = net_;
  item.a = item.b = record.at;
  if (PlacedAsPad(record.padstack, *padstack)) {
    item.kind = TCopperItem::kPad;
    item.layer = PadLayer(*padstack);
    if (AlreadyThere(item)) return;
    if (AddPadstackPad(board_, *padstack, record.at.x, record.at.y, net_,
                       HoleOf(record.padstack, *padstack))) {
      ++report_.pads;
    } else {
      Skip("pad", "the editor would not create");
    }
    return;
  }
  if (FreePadGivenBack(record, *padstack)) return;
  item.kind = TCopperItem::kVia;
  item.low_layer = padstack->start_layer;
  item.high_layer = padstack->end_layer;
  if (AlreadyThere(item)) return;
  AddVia(*padstack, record.at, HoleOf(record.padstack, *padstack));
}

// Top, middle and bottom sizes as the editor keeps them: on the first, second and last layer
// for a through via, on each layer of its span for one that does not reach both outer layers.
void GiveLayerStack(sdk::Handle via, const TPadstack& padstack) {
  constexpr pcbapi::Byte kTopMiddleBottom = 1, kFullStack = 2;
  const bool through = padstack.start_layer == kTopLayer && padstack.end_layer == kBottomLayer;
  pcbapi::Byte mode = through ? kTopMiddleBottom : kFullStack;
  sdk::PcbApi_QueryViaStackMode(pcbapi::kWrite, via, &mode);
  for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) {
    sdk::Coord size = layer == padstack.start_layer ? padstack.top_x
                      : layer == padstack.end_layer ? padstack.bottom_x
                                                    : padstack.mid_x;
    sdk::PcbApi_QueryViaStackSizeOnLayer(pcbapi::kWrite, via, static_cast<sdk::LegacyLayer>(layer),
                                         &size);
  }
}

void RouteImporter::AddVia(const TPadstack& padstack, RoutePoint at, sdk::Coord hole) {
  const sdk::Handle handle = sdk::PcbApi_CreateObject(pcbapi::kVia);
  if (handle == 0) {
    Skip("via", "the editor would not create");
    return;
  }
  sdk::TPcbVia via(handle);
  via.Sync(pcbapi::kRead);
  via.SetDrillLayers(static_cast<sdk::LegacyLayer>(padstack.start_layer),
                     static_cast<sdk::LegacyLayer>(padstack.end_layer));
  via.SetSize(padstack.top_x);
  via.SetNetHandle(net_);
  via.SetHoleSize(hole);
  via.SetX(at.x);
  via.SetY(at.y);
  via.Sync(pcbapi::kWrite);
  if (padstack.HasLayerStack()) GiveLayerStack(handle, padstack);
  if (board_.AddObject(handle) != pcbapi::kSuccess) {
    sdk::PcbApi_DestroyObject(handle);
    Skip("via", "the board would not take");
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
  for (const sdk::Handle handle : PadsAndViasAt(record.at)) {
    std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(handle);
    // Only the pad or via at the point, as far as the files' rounding goes, on the point's net.
    if (!object || !Near({object->GetX(), object->GetY()}, record.at) ||
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

void RouteImporter::Finish() {
  FlushTracks();
  std::sort(kept_.begin(), kept_.end());
  int refused = 0;
  for (const sdk::Handle routing : survey_.routing) {
    if (!std::binary_search(kept_.begin(), kept_.end(), routing)) {
      refused += board_.DeleteObject(routing) != pcbapi::kSuccess;
    }
  }
  if (refused > 0)
    report_.skipped[{"old routing object", "the editor would not delete"}] += refused;
}

// The file's records, read and checked whole before the board changes.
RouteFileContents ReadRouteFile(const std::string& path) {
  std::string text;
  try {
    text = sdk::ReadFileText(path);
  } catch (const sdk::Exception& e) {
    throw ERouteFileError(e.what());
  }
  try {
    return ReadRouteRecords(text, path);
  } catch (const std::bad_alloc&) {
    throw ERouteFileError("Not enough memory to read the route file " + path + " (" +
                          std::to_string(text.size() >> 20) + " MB)");
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
  if (!missing_hole_list.empty() && holes_from_board + default_holes > 0) {
    text += "; " + missing_hole_list + " has no hole list, so " + count(holes_from_board, "hole") +
            " came from the board's copper of the same " + "padstack and " +
            std::to_string(default_holes) + " from the default via";
  }
  if (!unusable_holes.empty()) {
    // A damaged list may have thousands of them: the first few tell the user where to look.
    constexpr size_t kShownLines = 5;
    std::string lines;
    size_t shown = 0;
    for (const std::string& line : unusable_holes) {
      if (shown++ == kShownLines) break;
      lines += (lines.empty() ? "" : ", ") + ShownSettingText(line);
    }
    if (unusable_holes.size() > kShownLines) {
      lines += " and " + std::to_string(unusable_holes.size() - kShownLines) + " more";
    }
    text += "; the hole list of " + hole_list + " gives no hole a via can have in " + lines +
            ", so the default via's hole was used";
  }
  if (holes_fitted > 0) {
    text += "; " + count(holes_fitted, "hole") + " made to fit inside " +
            (holes_fitted == 1 ? "its" : "their") + " copper";
  }
  return text + ".";
}

bool LoadRouteFile(const std::string& path, TRouteImportReport* report) {
  const RouteFileContents contents = ReadRouteFile(path);

  const ImportScope scope(path);
  TBoard board(CurrentBoard());
  board.Sync(pcbapi::kRead);
  TRouteImportReport done;
  const std::string preferences = PerDocumentFileName(board.GetFileName());
  HoleListGlobal()->LoadHoleList(preferences);
  done.hole_list = preferences;
  if (HoleListGlobal()->Lines().empty()) done.missing_hole_list = preferences;

  // The file's own rounding, the export's before it, and the step a router may add to either.
  TBoardSurvey survey =
      SurveyBoard(board, contents.unit + kDesignNumberRounding + kDesignNumberStep);
  done.has_resolution = contents.has_resolution;
  for (const auto& [record, n] : contents.skipped) done.skipped[record] += n;
  {
    ProgressScope progress("Loading " + path + " (QIX)", contents.line_count);
    RouteImporter importer(board, survey, done);
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
