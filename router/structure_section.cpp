// The structure section.
#include "router/structure_section.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "sdk/ascii_case.h"
#include "router/design_file_names.h"
#include "router/document_settings.h"
#include "router/geometry.h"
#include "router/padstack.h"
#include "router/room_regions.h"
#include "router/router_board.h"
#include "router/wiring_section.h"
#include "sdk/common_utils.h"
#include "sdk/exceptions.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/units.h"

namespace router {

namespace {

constexpr uint8_t kRoutingLayersRule = 9;
constexpr int kFirstPlaneLayer = 39, kLastPlaneLayer = 54;
constexpr char kNoNet[] = "(No Net)";

bool IsPlaneLayer(int layer) { return layer >= kFirstPlaneLayer && layer <= kLastPlaneLayer; }

std::string PointText(TPoint p) { return FormatDesignNumber(p.x) + " " + FormatDesignNumber(p.y); }

int32_t RoundSetting(double units) { return sdk::RoundMilsToCoord(units / sdk::kUnitsPerMil); }

// A split plane as the editor gives it, with its outline.
struct TSplitPlaneRecord {
  uint16_t flags = 0, aux_word = 0;
  pcbapi::LayerId layer = 0;
  sdk::Handle net = 0;
  pcbapi::Byte aux_byte = 0, is_island = 0;
  int32_t segment_count = 0;
  std::unique_ptr<pcbapi::OutlineBlock> outline = std::make_unique<pcbapi::OutlineBlock>();

  // Fails the export when the handle is not a split plane: the iterator was asked for them.
  void Read(sdk::Handle handle) {
    const std::unique_ptr<sdk::TPCBObject> object = sdk::CreatePcbObject(handle);
    RTL_ASSERT(object && object->GetObjectId() == pcbapi::kSplitPlane,
               "The split-plane iterator delivered another kind of object");
    RTL_ASSERT(sdk::PcbApi_QuerySplitPlane(pcbapi::kRead, handle, &flags, &aux_word, &layer, &net,
                                           &aux_byte, &is_island, &segment_count,
                                           outline.get()) == pcbapi::kSuccess,
               "The split plane could not be read");
  }
  int LegacyLayer() const { return sdk::LayerToLegacyLayer(layer); }
};

void WriteBoundary(DesignFileOutput& out, const TBoard& board) {
  sdk::Coord x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  board.GetBoundingRectangle(&x1, &y1, &x2, &y2);
  out.Line("(boundary");
  out.Raise();
  out.Line("(rect pcb");
  out.Raise();
  out.Line(PointText({x1, y1}) + " " + PointText({x2, y2}));
  out.Lower();
  out.Line(")");
  out.Lower();
  out.Line(")");
}

// The board outline's points; when the host has no outline to give, the bounding rectangle's
// corners, for a boundary the router can read. The user hears of either shortcut.
TPointArray OutlineBoundaryPoints(const TBoard& board) {
  TPointArray points;
  bool cut = false;
  if (const sdk::Handle handle = sdk::PcbApi_GetBoardOutlineHandle(board.GetHandle())) {
    sdk::TPcbBoardOutline outline(handle);
    const bool whole = outline.Sync(pcbapi::kRead) == pcbapi::kSuccess;
    const int count = std::clamp(outline.GetSegmentCount(), 0, pcbapi::kOutlineSegmentCapacity);
    // The host fails an outline it had to cut, and gives the segments that fit.
    cut = !whole && count == pcbapi::kOutlineSegmentCapacity;
    if (whole || cut) {
      auto block = std::make_unique<pcbapi::OutlineBlock>();
      for (int i = 0; i < count; ++i) block->segments[i] = outline.GetSegment(i);
      points = OutlinePoints(*block, count);
    }
  }
  if (cut) {
    sdk::ShowWarningMessage("The board outline has more segments than the PCB editor hands out (" +
                            std::to_string(pcbapi::kOutlineSegmentCapacity) +
                            "): the design file's boundary follows only the first of them.");
  }
  if (!points.empty()) return points;
  sdk::Coord x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  board.GetBoundingRectangle(&x1, &y1, &x2, &y2);
  sdk::ShowWarningMessage(
      "The board has no outline: the design file's boundary is the board's bounding rectangle.");
  return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
}

void WriteOutlineBoundary(DesignFileOutput& out, const TBoard& board) {
  out.Line("(boundary");
  out.Raise();
  out.Line("(path signal 0.0");
  out.Raise();
  for (const TPoint& p : OutlineBoundaryPoints(board)) out.Line(PointText(p));
  out.Lower();
  out.Line(")");
  out.Lower();
  out.Line(")");
}

void WriteViaList(DesignFileOutput& out, const TPadStackList* padstacks) {
  out.Line("(via");
  out.Raise();
  if (padstacks) padstacks->WriteViaPadStackNames(out);
  out.Lower();
  out.Line(")");
}

void WriteStructureRule(DesignFileOutput& out, const TStructureContext& context) {
  out.Line("(rule");
  out.Raise();
  out.Line("(length_amplitude 200 20)");
  out.Line("(width " + FormatDesignNumber(context.board_width) + ")");
  out.Line("(clearance " + FormatDesignNumber(context.board_clearance) + ")");
  out.Line("(reorder starburst)");
  if (context.board_via_limit != -1) {
    out.Line("(limit_vias " + std::to_string(context.board_via_limit) + ")");
  }
  out.Lower();
  out.Line(")");
}

TLayerFlags CollectBoardRoutingLayers(TBoard& board) {
  TLayerFlags routing{};
  routing[0] = routing[kBottomLayer - 1] = true;
  board.IterateObjects(
      [&](sdk::Handle handle) {
        sdk::TPcbRuleEx rule(handle);
        if (rule.Sync(pcbapi::kRead) != pcbapi::kSuccess ||
            rule.GetRuleKind() != kRoutingLayersRule ||
            !sdk::EqualsIgnoringCase(rule.GetScope1(), "All")) {
          return;
        }
        pcbapi::Byte allowed[pcbapi::kRoutingLayerFlagCount] = {};
        if (sdk::PcbApi_QueryRuleRoutingLayersRule(pcbapi::kRead, handle, allowed) !=
            pcbapi::kSuccess) {
          return;
        }
        for (int i = 0; i < pcbapi::kRoutingLayerFlagCount; ++i) routing[i] = allowed[i] != 0;
      },
      1u << pcbapi::kRule, sdk::LayerZero(), pcbapi::kAllObjects);
  for (int i = 0; i < pcbapi::kRoutingLayerFlagCount; ++i) {
    if (!routing[i]) continue;
    if (sdk::TLayerObject* layer = board.GetLayerObject(i + 1)) layer->SetEnabled(true);
  }
  return routing;
}

std::string_view LayerDirection(int layer) {
  const TQixDocumentSetings* settings = DocumentSettingsGlobal();
  // Outside an export's settings the router chooses.
  if (!settings) return DirectionText(static_cast<int>(TRoutingDirection::Orthogonal));
  return DirectionText(static_cast<int>(settings->Direction(layer)));
}

void WriteSignalLayer(DesignFileOutput& out, int layer, const TStructureContext& context) {
  out.Line("(layer " + std::string(DesignFileLayerName(layer)) + " ");
  out.Raise();
  out.Line("(type signal) (direction " + std::string(LayerDirection(layer)) + ")");
  if (context.board_layer_widths && layer >= kTopLayer && layer <= kBottomLayer) {
    const int32_t width = context.board_layer_widths->ValueOf(DesignFileLayerName(layer));
    // A width of 0 is a rule without one: the layer keeps the board's.
    if (width > 0 && width != context.board_width) {
      out.Line("(rule (width " + FormatDesignNumber(width) + "))");
    }
  }
  out.Lower();
  out.Line(")");
}

void WritePlaneLayer(DesignFileOutput& out, const TBoard& board, int layer) {
  const std::string nets = PlaneLayerNets(board, layer);
  if (nets.empty()) return;
  out.Line("(layer " + std::string(DesignFileLayerName(layer)) + " (type power) (use_net " + nets +
           " ))");
}

TLayerFlags WriteLayers(DesignFileOutput& out, TBoard& board, const TStructureContext& context) {
  const TLayerFlags routing = CollectBoardRoutingLayers(board);
  for (const sdk::TLayerObject* layer : board.StackLayers()) {
    if (IsPlaneLayer(layer->GetLayer())) {
      WritePlaneLayer(out, board, layer->GetLayer());
    } else {
      WriteSignalLayer(out, layer->GetLayer(), context);
    }
  }
  return routing;
}

void WriteSplitPlanes(DesignFileOutput& out, const TBoard& board) {
  sdk::LegacyLayerSet planes;
  planes.IncludeRange(kFirstPlaneLayer, kLastPlaneLayer);
  const int32_t edge = RoundSetting(board.settings.split_plane_edge_width);
  board.IterateObjects(
      [&](sdk::Handle handle) {
        TSplitPlaneRecord plane;
        plane.Read(handle);
        const int layer = plane.LegacyLayer();
        if (!IsPlaneLayer(layer) || plane.net == 0) return;
        out.Line("(plane " + EscapeName(sdk::GetObjectNameByHandle(plane.net)));
        out.Raise();
        out.Line("(polygon " + std::string(DesignFileLayerName(layer)) + " " +
                 FormatDesignNumber(edge));
        out.Raise();
        for (const TPoint& p : OutlinePoints(*plane.outline, plane.segment_count)) {
          out.Line(PointText(p));
        }
        out.Lower();
        out.Line(")");
        out.Lower();
        out.Line(")");
      },
      1u << pcbapi::kSplitPlane, planes, pcbapi::kAllObjects);
}

void WriteGrids(DesignFileOutput& out, const TBoard& board) {
  out.Line("(grid wire " + FormatDesignNumber(RoundSetting(board.settings.wire_grid)) + ")");
  out.Line("(grid via " + FormatDesignNumber(RoundSetting(board.settings.via_grid)) + ")");
}

}  // namespace

std::vector<int> UndeclaredPlaneLayers(const sdk::TPcbBoard& board) {
  std::vector<int> undeclared;
  for (const sdk::TLayerObject* layer : board.StackLayers()) {
    if (IsPlaneLayer(layer->GetLayer()) && PlaneLayerNets(board, layer->GetLayer()).empty()) {
      undeclared.push_back(layer->GetLayer());
    }
  }
  return undeclared;
}

std::string PlaneLayerNets(const sdk::TPcbBoard& board, int layer) {
  std::string net = board.GetPlaneNetName(layer);
  std::string nets = net == kNoNet ? std::string() : EscapeName(net);
  std::vector<std::string> listed{nets};
  sdk::LegacyLayerSet layers;
  layers.Include(layer);
  board.IterateObjects(
      [&](sdk::Handle handle) {
        TSplitPlaneRecord plane;
        plane.Read(handle);
        if (plane.LegacyLayer() != layer || plane.net == 0) return;
        // The router refuses a layer that names one net twice.
        const std::string name = EscapeName(sdk::GetObjectNameByHandle(plane.net));
        if (std::find(listed.begin(), listed.end(), name) != listed.end()) return;
        listed.push_back(name);
        nets += " " + name;
      },
      1u << pcbapi::kSplitPlane, layers, pcbapi::kAllObjects);
  const size_t first = nets.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return nets.substr(first, nets.find_last_not_of(' ') - first + 1);
}

TLayerFlags WriteStructureSection(DesignFileOutput& out, TBoard& board,
                                  const TStructureContext& context) {
  if (context.progress) context.progress();
  out.Line("(structure");
  out.Raise();
  WriteBoundary(out, board);
  WriteOutlineBoundary(out, board);
  WriteViaList(out, context.padstacks);
  WriteStructureRule(out, context);
  const TLayerFlags routing = WriteLayers(out, board, context);
  WriteSplitPlanes(out, board);
  if (board.settings.export_rule_regions && context.rules) WriteRooms(out, board, *context.rules);
  WriteCopperKeepouts(out, board, board.settings, context.padstacks);
  WriteGrids(out, board);
  out.Lower();
  out.Line(")");
  return routing;
}

}  // namespace router
