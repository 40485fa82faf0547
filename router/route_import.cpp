// Applying a route file's records to the open board.
#include "router/route_import.h"

#include <windows.h>

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/win/com.h"
#include "framework/win/text.h"
#include "rtl/ascii_case.h"
#include "router/deferred_prims.h"
#include "router/network_nets.h"
#include "router/design_file_names.h"
#include "router/document_settings.h"
#include "router/legacy_layer.h"
#include "router/padstack_pad.h"
#include "router/route_file_reader.h"
#include "router/router_board.h"
#include "rtl/client_api.h"
#include "rtl/exceptions.h"
#include "rtl/pcb_object_kinds.h"
#include "rtl/pcb_pad.h"
#include "rtl/rt_param.h"
#include "rtl/text_file.h"
#include "rtl/units.h"

namespace router {

namespace {

constexpr size_t kCleanUpBatch = 16000;
constexpr int kProcessBufferSize = 255;

// A via whose drill layers go to the host as layers: the object model keeps those two bytes
// behind Boolean accessors, which cannot carry a bottom layer.
class TRouteVia : public rtl::TPcbVia {
 public:
  using TPcbVia::TPcbVia;
  void SetDrillLayers(int low, int high) {
    low_layer_ = static_cast<pcbapi::Byte>(low);
    high_layer_ = static_cast<pcbapi::Byte>(high);
  }
  int Sync(rtl::Mode mode) override {
    SyncBitFields(mode);
    rtl::LegacyLayer layer = GetLegacyLayer();
    rtl::Coord size = GetSize(), hole = GetHoleSize();
    pcbapi::Byte tented_top = GetAuxFlag3(), tented_bottom = GetAuxFlag4();
    const int result = rtl::PcbApi_QueryVia(
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
    const pcbapi::Text255 text = rtl::MakeText<255>(message);
    rtl::PcbApi_Percent_Init(&text, total);
  }
  ~ProgressScope() { rtl::PcbApi_Percent_Finish(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  void AdvanceTo(int line) {
    for (; line_ < line; ++line_) rtl::PcbApi_Percent_Update();
  }

 private:
  int line_ = 0;
};

// The board's nets by name, for the router's (escaped) names.
class NetTable {
 public:
  explicit NetTable(const rtl::TPcbBoard& board) {
    rtl::LegacyLayerSet layer_zero;
    layer_zero.Include(0);
    board.IterateObjects(
        [&](rtl::Handle handle) {
          rtl::TPcbNet net(handle);
          net.Sync(pcbapi::kRead);
          // The first net of a name (and of a folded name) in the board's order answers for it.
          exact_.emplace(net.GetName(), handle);
          folded_.emplace(rtl::FoldedAscii(net.GetName()), handle);
        },
        1u << pcbapi::kNet, layer_zero, 0);
  }
  // The net of an escaped name: the exact name first, so that nets differing only in case keep
  // their copper; else the first that matches without regard to case; else 0.
  rtl::Handle Find(std::string_view escaped) const {
    const std::string name = UnescapeName(escaped);
    if (const auto exact = exact_.find(name); exact != exact_.end()) return exact->second;
    const auto folded = folded_.find(rtl::FoldedAscii(name));
    return folded == folded_.end() ? 0 : folded->second;
  }

 private:
  // A route file names every net: looking each up in a list would grow with nets squared.
  std::unordered_map<std::string, rtl::Handle> exact_, folded_;
};

class RouteImporter {
 public:
  explicit RouteImporter(TBoard& board) : board_(board), registrar_(board), nets_(board) {}

  void Apply(const RouteRecord& record) {
    std::visit([&](const auto& r) { On(r); }, record);
  }
  void Finish() { registrar_.Flush(); }

 private:
  void On(const PadstackRecord& record) { padstacks_.Add(record.name, record.padstack); }
  void On(const NetRecord& record) { net_ = record.name ? nets_.Find(*record.name) : 0; }
  void On(const WireRecord& record);
  void On(const ViaRecord& record);
  void On(const PointRecord& record);
  void On(const TurretRecord& record) {
    if (record.number >= 1 && record.number <= 127) {
      registrar_.set_keep(record.number != 126 && record.number != 127);
    }
  }

  // The router's padstack, or the router settings' default via for a name it never defined
  // (or one without shapes).
  TPadstack PadstackOf(const std::string& name, rtl::Coord& hole_size) const;

  TBoard& board_;
  TDeferedPrimsRegistrar registrar_;
  NetTable nets_;
  TPadStackArray padstacks_;
  rtl::Handle net_ = 0;
};

void RouteImporter::On(const WireRecord& record) {
  registrar_.Flush();
  std::unique_ptr<TPcbReplicatableTrack> track = CreateReplicatableTrack();
  if (!track) return;
  track->SetNetHandle(net_);
  track->SetLayer(static_cast<rtl::LegacyLayer>(record.layer));
  track->SetWidth(record.width);
  track->SetX(record.points[0].x);
  track->SetY(record.points[0].y);
  track->SetX2(record.points[1].x);
  track->SetY2(record.points[1].y);
  for (size_t i = 2; i < record.points.size(); ++i) {
    std::unique_ptr<TPcbReplicatableTrack> next = track->Replicate();
    registrar_.Add(std::move(track));
    if (!next) return;
    track = std::move(next);
    track->SetX(track->GetX2());
    track->SetY(track->GetY2());
    track->SetX2(record.points[i].x);
    track->SetY2(record.points[i].y);
  }
  registrar_.Add(std::move(track));
}

TPadstack RouteImporter::PadstackOf(const std::string& name, rtl::Coord& hole_size) const {
  const TPadstack* found = padstacks_.Find(name);
  if (found && found->start_layer != 0) {
    if (found->start_layer == found->end_layer) {
      hole_size = 0;  // a pad on one layer has no drill
    } else {
      // The export stored the holes under the number in its padstack names.
      const int number = PadstackNumberFromName(name);
      hole_size = number >= 0
                      ? HoleListGlobal()->HoleSize(std::to_string(number))
                      : rtl::RoundMilsToCoord(board_.settings.default_via_hole / rtl::kUnitsPerMil);
    }
    return *found;
  }
  TPadstack via;
  const rtl::Coord size =
      rtl::RoundMilsToCoord(board_.settings.default_via_size / rtl::kUnitsPerMil);
  via.top_x = via.top_y = via.mid_x = via.mid_y = via.bottom_x = via.bottom_y = size;
  via.start_layer = kTopLayer;
  via.end_layer = kBottomLayer;
  hole_size = rtl::RoundMilsToCoord(board_.settings.default_via_hole / rtl::kUnitsPerMil);
  return via;
}

void RouteImporter::On(const ViaRecord& record) {
  // A via the export placed comes back marked: the board has it already.
  if (record.turret) return;
  rtl::Coord hole_size = 0;
  const TPadstack padstack = PadstackOf(record.padstack, hole_size);
  if (padstack.PadLike()) {
    AddPadstackPad(board_, padstack, record.at.x, record.at.y, net_, hole_size);
    return;
  }
  const rtl::Handle handle = rtl::PcbApi_CreateObject(pcbapi::kVia);
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
  if (board_.AddObject(handle) != pcbapi::kSuccess) rtl::PcbApi_DestroyObject(handle);
}

void RouteImporter::On(const PointRecord& record) {
  const bool top = record.side == "FRONT";
  if (!top && record.side != "BACK") return;
  const rtl::Handle net = nets_.Find(record.net);
  if (net == 0) return;
  rtl::LegacyLayerSet layers;
  layers.IncludeRange(1, 75);
  std::vector<rtl::Handle> marked;
  rtl::SearchAroundPoint(record.at.x, record.at.y, layers,
                         (1u << pcbapi::kPad) | (1u << pcbapi::kVia),
                         [&](rtl::Handle handle, uint8_t kind) {
                           if (kind != pcbapi::kPad && kind != pcbapi::kVia) return false;
                           marked.push_back(handle);
                           return true;
                         });
  std::set<rtl::Handle> done;
  for (const rtl::Handle handle : marked) {
    if (!done.insert(handle).second) continue;
    std::unique_ptr<rtl::TPCBObject> object = rtl::CreatePcbObject(handle);
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
    return rtl::ReadFileText(path);
  } catch (const rtl::Exception& e) {
    throw ERouteFileError(e.what());
  }
}

// Has the host bring the board's netlist and view up to date when it shows the document: the
// one opened under the route file's name, else the board's own.
void RefreshHostViews(const std::string& route_file, const std::string& board_file) {
  const win::ComPtr<IClient> client = rtl::GetClient();
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
  rtl::SetParameterValue(buffer, sizeof buffer, "Optimize", "All");
  rtl::RunHostProcess("PCB:Netlist", buffer, kProcessBufferSize, view.get());
  char zoom[kProcessBufferSize] = {};
  rtl::SetParameterValue(zoom, sizeof zoom, "Action", "Redraw");
  rtl::RunHostProcess("PCB:Zoom", zoom, kProcessBufferSize, view.get());
}

}  // namespace

void AddPadstackPad(const rtl::TPcbBoard& board, const TPadstack& padstack, rtl::Coord x,
                    rtl::Coord y, rtl::Handle net, rtl::Coord hole_size) {
  const rtl::Handle handle = rtl::PcbApi_CreateObject(pcbapi::kPad);
  if (handle == 0) return;
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
  const bool through = padstack.start_layer == kTopLayer && padstack.end_layer == kBottomLayer;
  pad.SetLayer(static_cast<rtl::LegacyLayer>(through ? kMultiLayer : padstack.start_layer));
  if (padstack.HasLayerStack()) pad.SetStackMode(1);  // top, middle and bottom
  pad.SetNetHandle(net);
  pad.SetHoleSize(hole_size);
  pad.Sync(pcbapi::kWrite);
  if (board.AddObject(handle) != pcbapi::kSuccess) rtl::PcbApi_DestroyObject(handle);
}

int RemoveNettedRouting(const rtl::TPcbBoard& board) {
  rtl::LegacyLayerSet layers;
  layers.IncludeRange(1, 75);
  const pcbapi::KindSet kinds =
      (1u << pcbapi::kTrack) | (1u << pcbapi::kVia) | (1u << pcbapi::kPad);
  int deleted_total = 0;
  TNetPadCounts nets;
  for (;;) {
    std::vector<rtl::Handle> batch;
    std::set<rtl::Handle> seen;  // a pad or via on several layers comes once per layer
    board.IterateObjects(
        [&](rtl::Handle handle) {
          if (batch.size() >= kCleanUpBatch || !seen.insert(handle).second) return;
          const std::unique_ptr<rtl::TPCBObject> object = rtl::CreatePcbObject(handle);
          if (!object || object->GetNetHandle() == 0 || object->GetAuxInteger() != 0) return;
          // Protected routing, and the copper of nets left out of the network: the export hands
          // it to the router marked (turret or via number 126), and the import drops what comes
          // back so marked, so it has to stay here.
          if (object->GetBitField2Bit3() || !nets.InNetwork(object->GetNetHandle())) return;
          if (dynamic_cast<const rtl::TPcbTrack*>(object.get())) {
            const int layer = object->GetLegacyLayer();
            // Tracks of a polygon's pour (they carry the polygon) are not routing.
            if (layer < kTopLayer || layer > kBottomLayer || object->GetAuxValue1() != 0) return;
          }
          batch.push_back(handle);
        },
        kinds, layers, pcbapi::kFreeObjects);
    int deleted = 0;
    for (const rtl::Handle handle : batch)
      deleted += board.DeleteObject(handle) == pcbapi::kSuccess;
    deleted_total += deleted;
    // A host that refuses deletions would show the same batch again and again.
    if (batch.size() < kCleanUpBatch || deleted == 0) return deleted_total;
  }
}

bool LoadRouteFile(const std::string& path) {
  // Read and check the whole file before the board changes.
  const std::string text = ReadRouteFileText(path);
  const RouteFileContents contents = ReadRouteRecords(text, path);

  // Without an open board there is nothing to import into; the command goes on to the status.
  const rtl::Handle board_handle = rtl::PcbApi_GetCurrentBoardHandle();
  if (board_handle == 0) return false;
  const ImportScope scope(path);
  TBoard board(board_handle);
  board.Sync(pcbapi::kRead);
  HoleListGlobal()->LoadHoleList(PerDocumentFileName(board.GetFileName()));

  RemoveNettedRouting(board);
  {
    ProgressScope progress("Loading " + path + " (QIX)", contents.line_count);
    RouteImporter importer(board);
    for (size_t i = 0; i < contents.records.size(); ++i) {
      importer.Apply(contents.records[i]);
      progress.AdvanceTo(contents.record_lines[i]);
    }
    importer.Finish();
    RefreshHostViews(path, board.GetFileName());
    progress.AdvanceTo(contents.line_count);
  }
  RemoveMarkedEmbeddedObjects(board);
  return true;
}

}  // namespace router
