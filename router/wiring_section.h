// The board's copper in the design file: the wiring section hands the router the netted copper
// as wires and vias, and the structure section turns the net-less copper into keep-outs. One
// writer serves both; the section it writes for decides which of the two an object becomes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "router/design_file_output.h"
#include "router/handle_table.h"
#include "router/network_nets.h"
#include "router/geometry.h"
#include "router/router_settings.h"
#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

class TPadStackList;

// Markers on copper the router must leave alone; the route-file reader drops what carries them.
constexpr int kProtectedMarker = 126;  // a pre-route the user protected
constexpr int kHatchMarker = 127;      // a polygon's hatch

// An outline of the editor as points, arcs flattened in steps of 4 degrees.
TPointArray OutlinePoints(const pcbapi::OutlineBlock& block, int count);

// A region's contour as the editor gives it, each coordinate cut toward zero to whole units.
TPointArray RegionVertices(sdk::Handle region);

// Whether an arc from `start` to `end` degrees is one of the four quarters the router knows;
// 360 as start counts as 0, 0 as end as 360.
bool IsQuarterArc(double start, double end);

struct TChord {
  TPoint from, to;
};
// The arc cut into chords of at most max(4 degrees, 200000 units of arc length); none for a
// radius of 0 or below.
std::vector<TChord> ArcChords(const TArcGeometry& arc);

// The chords the wiring section writes for an arc: none for a quarter arc, which goes as one
// "qarc".
std::vector<TChord> ArcWireChords(const sdk::TPcbArc& arc);

// Copper the export hands to the router fixed and marked (turret or via number 126), so that the
// import keeps the board's own and drops what comes back so marked: protected copper, copper of
// a net the network leaves out, and every arc (the router gives an arc back as chords or a
// quarter arc, which the import cannot make into the arc again).
bool IsFixedCopper(const sdk::TPCBObject& object, TNetPadCounts& nets);

// The corners of a fill rectangle turned about its centre by `rotation` degrees, in the order
// (x1,y1) (x1,y2) (x2,y2) (x2,y1) when unrotated and x1 <= x2, y1 <= y2.
std::array<TPoint, 4> FillCorners(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double rotation);

// What an object becomes depends on `as_keepouts`: true writes the net-less copper as keep-outs
// (structure), false the netted copper as wires (wiring).
class TCopperWriter {
 public:
  TCopperWriter(DesignFileOutput& out, const TRouterSettings& settings,
                const TPadStackList* padstacks, bool as_keepouts);

  void WriteTrack(sdk::Handle track);
  void WriteArc(sdk::Handle arc);
  void WriteFill(sdk::Handle fill);
  void WritePolygon(sdk::Handle polygon);
  void WriteFreePad(sdk::Handle pad);
  void WriteVia(sdk::Handle via);
  void WriteTextKeepout(sdk::Handle text);
  // Copper regions; cut-outs are no copper and are left out.
  void WriteRegion(sdk::Handle region);
  // Pad counts of nets known already (the network section's), so the nets need no new walk.
  void KnowPadCounts(TNetPadCounts counts) { nets_ = std::move(counts); }

 private:
  // A net as its wires name it: its "(net NAME)" line in net_text_, empty for a net the network
  // leaves out.
  struct TNetLine {
    uint32_t at = 0, size = 0;
  };
  struct TWireTail {
    sdk::Handle net = 0;
    TNetLine line;
    bool hatch = false;
    bool fixed = false;   // IsFixedCopper
    bool normal = false;  // AuxByte
  };
  bool IsHatchPrimitive(const sdk::TPCBObject& object) const;
  TNetLine NetLineOf(sdk::Handle net);
  TWireTail TailOf(const sdk::TPCBObject& object);
  // The writers below add lines to the object's statement begun in the output; the object's
  // writer ends it.
  // "(via NAME X Y": the opener of a via or of a free pad.
  void WriteViaOpener(int padstack, TPoint at);
  // "(keepout (polygon LAYER 0.000", or "(wire " with "(polygon LAYER 0.000" on the line below.
  DesignText& BeginPolygon(int layer);
  // The net and type lines of a wire or via made of `object`, then its close; ends the object.
  void EndWire(const sdk::TPCBObject& object);
  void WritePathWire(int layer, int32_t width, TPoint from, TPoint to, const TWireTail& tail);
  void WriteTail(const TWireTail& tail);
  // Ends the object's statement. The lines of a few objects go to the output's text in one
  // piece: End copies them through the C runtime, a call an object on a large board. Whoever
  // ends the section hands the last ones over.
  void EndObject();
  void WriteNet(const TNetLine& line);
  void WriteType(bool normal, bool protect);

  DesignFileOutput& out_;
  const TRouterSettings& settings_;
  const TPadStackList* padstacks_;
  bool as_keepouts_;
  int unended_ = 0;  // objects ended since the output's last End
  TNetPadCounts nets_;
  // Each net's line, made when a wire first names it: every wire of a net names it, and a net
  // keeps its name while the section is written. The lines are kept in the order they were made,
  // with each net's place in that order in a table of its own: the pad counts and the names apart
  // cost a cache miss each on a large board.
  struct TMadeLine {
    sdk::Handle net = 0;
    TNetLine line;
  };
  std::vector<TMadeLine> made_;
  THandleTable<uint32_t> made_at_;
  // The place in made_ of the net asked for last. Its line, and the lines made just after it,
  // need no look-up in the table (a cache miss on a large board): a net's copper on a layer, and
  // a polygon's, fill's or region's lines, come in a row, and copper met later names its nets in
  // about the order copper met first did, now and then one left out.
  size_t last_made_ = 0;
  std::string net_text_;
};

// The layers copper is taken from: signal layers 1..32, the keep-out layer and the multi-layer.
sdk::LegacyLayerSet CopperLayers();

// "(wiring" with every netted track, arc, fill, polygon (unless it goes as hatch), free pad, via
// and region.
void WriteWiringSection(DesignFileOutput& out, const sdk::TPcbBoard& board,
                        const TRouterSettings& settings, const TPadStackList* padstacks,
                        TNetPadCounts pad_counts = {});

// The structure section's keep-out passes: tracks, fills, texts, arcs, pads, vias, regions.
void WriteCopperKeepouts(DesignFileOutput& out, const sdk::TPcbBoard& board,
                         const TRouterSettings& settings, const TPadStackList* padstacks);

}  // namespace router
