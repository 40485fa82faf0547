// Every record exchange of the bridge, written with Mode 0 and read back with Mode 1 through the
// stand-in editor, gives back the values written.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "quorvel_session.h"

namespace pcbapi {
// Texts compare by their characters, not by what lies beyond their length.
template <int N>
bool operator==(const Text<N>& a, const Text<N>& b) {
  return a.length == b.length && std::memcmp(a.chars, b.chars, a.length) == 0;
}
bool operator==(const OutlineSegment& a, const OutlineSegment& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}
bool operator==(const BoardGrids& a, const BoardGrids& b) { return !std::memcmp(&a, &b, sizeof a); }
template <class Record>
requires requires(Record r) { r.values; }
bool operator==(const Record& a, const Record& b) { return !std::memcmp(&a, &b, sizeof a); }
}  // namespace pcbapi

namespace quorveltest {
namespace {

using namespace sdk;
using pcbapi::Byte;
using pcbapi::LayerId;

// Distinct values for every field, so that a swapped pair of fields shows.
class Filler {
 public:
  void operator()(uint8_t& v) { v = static_cast<uint8_t>(next_++ % 250 + 2); }
  void operator()(uint16_t& v) { v = static_cast<uint16_t>(next_++ * 31); }
  void operator()(int32_t& v) { v = next_++ * 1009 - 50000; }
  void operator()(uint32_t& v) { v = static_cast<uint32_t>(next_++ * 7919); }
  void operator()(double& v) { v = next_++ + 0.375; }
  template <int N>
  void operator()(pcbapi::Text<N>& v) {
    const std::string text = "text " + std::to_string(next_++);
    v = MakeText<N>(text.substr(0, N));
  }
  void operator()(pcbapi::BoardGrids& v) {
    v = {Mil(1), Mil(2), Mil(3), Mil(4), Mil(5), Mil(6), Mil(7), 1, 0, 2, 3};
  }
  template <class Record>
  requires requires(Record r) { r.values; }
  void operator()(Record& v) {
    for (int32_t& value : v.values) (*this)(value);
  }
  template <size_t N>
  void operator()(std::array<uint8_t, N>&) {}  // filled by the record itself
  void operator()(pcbapi::OutlineSegment&) {}  // likewise
  template <class Tuple>
  void All(Tuple&& fields) {
    std::apply([&](auto&... f) { ((*this)(f), ...); }, fields);
  }

 private:
  int next_ = 1;
};

class RecordRoundTrip : public ExampleBoard {
 protected:
  // Writes every field, reads the record into a zeroed copy and compares.
  template <class Record, class... Args>
  void Check(Handle handle, const char* what, const Args&... args) {
    SCOPED_TRACE(what);
    auto written = std::make_unique<Record>(args...);
    auto read = std::make_unique<Record>(args...);
    Filler().All(written->Tie());
    written->Fix(*this);
    ASSERT_EQ(written->Sync(pcbapi::kWrite, handle), 0);
    ASSERT_EQ(read->Sync(pcbapi::kRead, handle), 0);
    EXPECT_TRUE(written->Tie() == read->Tie());
  }
  Handle New(uint8_t kind) {
    const Handle h = PcbApi_CreateObject(kind);
    EXPECT_NE(h, 0u);
    return h;
  }
  Handle Rule(uint8_t rule_kind) {
    const Handle h = New(pcbapi::kRule);
    uint8_t kind = rule_kind;
    EXPECT_EQ(
        PcbApi_QueryRuleEx(pcbapi::kWrite, h, &kind, nullptr, nullptr, nullptr, nullptr, nullptr),
        0);
    return h;
  }
  Handle Net() const { return Objects(pcbapi::kNet)[2]; }
};

// The values a board can hold where the filler's numbers would not do.
struct NoFix {
  void Fix(const RecordRoundTrip&) {}
};

// The fields a query exchanges after its mode and handle.
template <class Call>
struct FieldsOf;
template <pcbapi::Export Id, class... Fields>
struct FieldsOf<PcbApiCall<Id, int(Mode, Handle, Fields*...)>> {
  using Type = std::tuple<Fields...>;
};
template <class... Fields>
struct FieldsOf<int (*)(Mode, Handle, Fields*...) noexcept> {
  using Type = std::tuple<Fields...>;
};

// (field index, value) pairs: the values a board can hold where the filler's would not do.
using Fixes = std::vector<std::pair<size_t, int64_t>>;

// The record of a query whose first `Count` arguments after the mode and handle are its fields,
// in order; the query is handed no others.
template <const auto& Query, size_t Count = ~size_t{0}>
struct Tied {
  using Fields = typename FieldsOf<std::decay_t<decltype(Query)>>::Type;
  static constexpr size_t kAll = std::tuple_size_v<Fields>;
  static constexpr size_t kTied = Count < kAll ? Count : kAll;

  explicit Tied(Fixes fixes = {}) : fixes(std::move(fixes)) {}
  auto Tie() {
    return [&]<size_t... I>(std::index_sequence<I...>) { return std::tie(std::get<I>(fields)...); }
    (std::make_index_sequence<kTied>());
  }
  void Fix(const RecordRoundTrip&) {
    for (const auto& [index, value] : fixes) {
      size_t i = 0;
      std::apply([&](auto&... field) { (Set(field, i++ == index, value), ...); }, fields);
    }
  }
  int Sync(Mode m, Handle h) {
    return [&]<size_t... I>(std::index_sequence<I...>) {
      return Query(m, h, (I < kTied ? &std::get<I>(fields) : nullptr)...);
    }
    (std::make_index_sequence<kAll>());
  }
  template <class T>
  static void Set(T& field, bool chosen, int64_t value) {
    if constexpr (std::is_arithmetic_v<T>) {
      if (chosen) field = static_cast<T>(value);
    }
  }
  Fields fields;
  Fixes fixes;
};

// Primitives' layer and net, the second and third fields after the flags.
Fixes OnLayer(int64_t layer) { return {{2, layer}, {3, 0}}; }

struct ReferencesRecord {
  int32_t count;
  int32_t object[3], point[3];
  Coord rx[3], ry[3];
  auto Tie() {
    return std::tie(object[0], point[0], rx[0], ry[0], object[2], point[2], rx[2], ry[2]);
  }
  void Fix(const RecordRoundTrip&) { count = 3; }
  int Sync(Mode m, Handle h) {
    int result = PcbApi_References_Count(m, h, &count);
    for (int i = 0; i < count && i < 3; ++i) {
      result |= PcbApi_References_At(m, h, i, &object[i], &point[i], &rx[i], &ry[i]);
    }
    return result;
  }
};

struct PolygonRecord : NoFix {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte, pour_over, remove_dead, hatch_style;
  Coord grid, track_width;
  uint8_t use_octagons, remove_islands;
  Coord min_prim_length;
  uint8_t kind;
  int32_t count;
  pcbapi::OutlineBlock outline;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, pour_over, remove_dead, hatch_style,
                    grid, track_width, use_octagons, remove_islands, min_prim_length, kind, count,
                    outline.segments[0], outline.segments[1], outline.segments[2]);
  }
  void Fix(const RecordRoundTrip&) {
    layer = 32, net = 0, count = 3;
    outline.segments[0] = {0, 10, 20, 0, 0, 0, 0, 0};
    outline.segments[1] = {1, 30, 40, 50, 60, 70, 12.5, 99.25};
    outline.segments[2] = {0, -5, -6, 0, 0, 0, 0, 0};
  }
  int Sync(Mode m, Handle h) {
    return PcbApi_QueryPolygon(m, h, &flags, &aux_word, &layer, &net, &aux_byte, &pour_over,
                               &remove_dead, &hatch_style, &grid, &track_width, &use_octagons,
                               &remove_islands, &min_prim_length, &kind, &count, &outline);
  }
};

struct SplitPlaneRecord : NoFix {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte, island;
  int32_t count;
  pcbapi::OutlineBlock outline;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, island, count, outline.segments[0],
                    outline.segments[1]);
  }
  void Fix(const RecordRoundTrip&) {
    layer = 41, net = 0, count = 2;
    outline.segments[0] = {0, 1, 2, 0, 0, 0, 0, 0};
    outline.segments[1] = {1, 3, 4, 5, 6, 7, 180, 270};
  }
  int Sync(Mode m, Handle h) {
    return PcbApi_QuerySplitPlane(m, h, &flags, &aux_word, &layer, &net, &aux_byte, &island, &count,
                                  &outline);
  }
};

struct EmbeddedRecord : NoFix {
  pcbapi::Text255 name;
  std::array<uint8_t, pcbapi::kEmbeddedDataSize> data;
  auto Tie() { return std::tie(name, data); }
  void Fix(const RecordRoundTrip&) {
    data.fill(0);
    std::memcpy(data.data(), "Tralvek_HS marker\0with a zero inside", 36);
  }
  int Sync(Mode m, Handle h) { return PcbApi_QueryEmbedded(m, h, &name, data.data()); }
};

struct RuleExRecord : NoFix {
  uint8_t kind, enabled;
  int32_t priority;
  uint8_t unary;
  pcbapi::Text255 scope1, scope2, name;
  auto Tie() { return std::tie(kind, enabled, priority, unary, scope1, scope2, name); }
  int Sync(Mode m, Handle h) {
    return PcbApi_QueryRuleEx(m, h, &kind, &enabled, &priority, &unary, &scope1, &scope2) |
           PcbApi_QueryRuleExtEx(m, h, &name);
  }
};

struct WidthRecord : NoFix {
  Coord max, min, preferred, layer_max, layer_min, layer_preferred, old_max, old_min;
  auto Tie() {
    return std::tie(max, min, preferred, layer_max, layer_min, layer_preferred, old_max, old_min);
  }
  int Sync(Mode m, Handle h) {
    return PcbApi_QueryRuleMaxMinWidthConstraint(m, h, &old_max, &old_min) |
           PcbApi_QueryRuleMaxMinWidthConstraintExt(m, h, &max, &min, &preferred) |
           PcbApi_QueryRuleMaxMinWidthConstraintByLayer(m, h, 5, &layer_max, &layer_min,
                                                        &layer_preferred);
  }
  void Fix(const RecordRoundTrip&) { old_max = max, old_min = min; }  // one value, two calls
};

struct RoutingLayersRecord : NoFix {
  uint8_t flags[32];
  auto Tie() { return std::tie(flags[0], flags[1], flags[15], flags[31]); }
  int Sync(Mode m, Handle h) { return PcbApi_QueryRuleRoutingLayersRule(m, h, flags); }
};

struct BitFieldsRecord : NoFix {
  uint8_t two, three;
  auto Tie() { return std::tie(two, three); }
  int Sync(Mode m, Handle h) {
    PcbApi_GetObjectBitField2(m, h, &two);
    PcbApi_GetObjectBitField3(m, h, &three);
    return 0;
  }
};

TEST_F(RecordRoundTrip, EveryObjectRecordComesBackAsWritten) {
  Check<Tied<PcbApi_QueryPrimitive>>(New(pcbapi::kFill), "common record", OnLayer(57));
  Check<Tied<PcbApi_QueryTrack>>(New(pcbapi::kTrack), "track", OnLayer(3));
  Check<Tied<PcbApi_QueryVia>>(New(pcbapi::kVia), "via", Fixes{{2, 74}, {3, 0}, {10, 2}, {11, 31}});
  Check<Tied<PcbApi_QueryPad>>(New(pcbapi::kPad), "pad", OnLayer(32));
  Check<Tied<PcbApi_QueryArc>>(New(pcbapi::kArc), "arc", OnLayer(1));
  Check<Tied<PcbApi_QueryFill>>(New(pcbapi::kFill), "fill", OnLayer(56));
  // The region's counts and box are the editor's; the writable part goes round.
  Check<Tied<PcbApi_QueryRegion, 7>>(New(pcbapi::kRegion), "region", Fixes{{3, 2}, {4, 0}});
  const Handle text = New(pcbapi::kTextObject);
  Check<Tied<PcbApi_QueryText>>(text, "text", OnLayer(33));
  Check<Tied<PcbApi_QueryTrueTypeTextInfo>>(text, "TrueType text");
  Check<Tied<PcbApi_QueryBarCodeTextInfo>>(text, "bar code");
  Check<Tied<PcbApi_QueryNet>>(New(pcbapi::kNet), "net");
  Check<Tied<PcbApi_QueryClass>>(New(pcbapi::kClass), "class");
  Check<Tied<PcbApi_QueryFromTo>>(New(pcbapi::kConnection), "connection",
                                  Fixes{{3, 1}, {6, 32}, {7, 0}});
  Check<Tied<PcbApi_QueryManualFromTo>>(New(pcbapi::kFromTo), "from-to");
  Check<Tied<PcbApi_QueryCoordinate>>(New(pcbapi::kCoordinate), "coordinate", Fixes{{5, 58}});
  const Handle dimension = New(pcbapi::kDimension);
  Check<Tied<PcbApi_QueryDimension>>(dimension, "dimension", Fixes{{7, 60}});
  Check<ReferencesRecord>(dimension, "dimension references");
  Check<Tied<PcbApi_QueryExtDimension>>(dimension, "extended dimension");
  Check<PolygonRecord>(New(pcbapi::kPolygon), "polygon");
  Check<PolygonRecord>(New(pcbapi::kBoardOutline), "board outline");
  Check<SplitPlaneRecord>(New(pcbapi::kSplitPlane), "split plane");
  const Handle component = New(pcbapi::kComponent);
  Check<Tied<PcbApi_QueryComponent>>(component, "component", Fixes{{2, 32}});
  Check<Tied<PcbApi_QueryComponentEx>>(component, "component extras");
  Check<Tied<PcbApi_QueryComponentSourceLinks>>(component, "component source links");
  Check<Tied<PcbApi_QueryDefaultPCB3DModel>>(component, "component model");
  Check<Tied<PcbApi_QueryComponentKind>>(component, "component kind");
  Check<Tied<PcbApi_QueryComponentChannelOffset>>(component, "component channel offset");
  Check<EmbeddedRecord>(New(pcbapi::kEmbedded), "embedded");
  Check<Tied<PcbApi_QueryEmbeddedBoard>>(New(pcbapi::kEmbeddedBoard), "embedded board");
  Check<Tied<PcbApi_QueryViolation>>(New(pcbapi::kViolation), "violation");
  Check<BitFieldsRecord>(New(pcbapi::kTrack), "bit fields");
}

TEST_F(RecordRoundTrip, EveryRuleRecordComesBackAsWritten) {
  Check<Tied<PcbApi_QueryRule>>(New(pcbapi::kRule), "full rule record");
  Check<RuleExRecord>(New(pcbapi::kRule), "rule kind, scopes and name");
  Check<Tied<PcbApi_QueryRuleClearanceConstraint>>(Rule(0), "clearance");
  Check<WidthRecord>(Rule(2), "widths");
  Check<Tied<PcbApi_QueryRuleRoutingViaStyleRule>>(Rule(11), "via style");
  Check<RoutingLayersRecord>(Rule(9), "routing layers");
  Check<Tied<PcbApi_QueryRuleRoutingTopologyRule>>(Rule(7), "topology");
  Check<Tied<PcbApi_QueryRuleRoutingPriorityRule>>(Rule(8), "priority");
  Check<Tied<PcbApi_QueryRuleDaisyChainStubLengthConstraint>>(Rule(5), "stub");
  Check<Tied<PcbApi_QueryRuleMaximumViaCountRule>>(Rule(18), "via count");
}

TEST_F(RecordRoundTrip, PadAndViaStacksComeBackAsWritten) {
  const Handle pad = New(pcbapi::kPad), via = New(pcbapi::kVia);
  Check<Tied<PcbApi_QueryPadStackMode>>(pad, "pad stack mode", Fixes{{0, 2}});
  Check<Tied<PcbApi_QueryViaStackMode>>(via, "via stack mode", Fixes{{0, 2}});
  // A full stack keeps what is set on each layer, the other layers included.
  std::string written, read;
  for (uint8_t layer : {0, 1, 9, 17, 32, 40, 82}) {
    const auto shape = static_cast<uint8_t>(layer % 4 + 1);
    Coord via_size = layer * 100 + 3;
    ASSERT_EQ(PcbApi_SetPadShapeOnLayer(pad, layer, shape) |
                  PcbApi_SetPadSizeOnLayer(pad, layer, layer * 100 + 1, layer * 100 + 2) |
                  PcbApi_SetCRPctOnLayer(pad, layer, layer),
              0);
    if (layer == 1 || layer == 9) {
      ASSERT_EQ(PcbApi_QueryViaStackSizeOnLayer(pcbapi::kWrite, via, layer, &via_size), 0);
    }
    written += std::to_string(shape) + " " + std::to_string(layer * 100 + 1) + "x" +
               std::to_string(layer * 100 + 2) + " " + std::to_string(layer) + " " +
               std::to_string(layer == 1 || layer == 9 ? via_size : 0) + ", ";
  }
  for (uint8_t layer : {0, 1, 9, 17, 32, 40, 82}) {
    uint8_t shape = 0, percent = 0;
    Coord xs = 0, ys = 0, via_size = 0;
    ASSERT_EQ(PcbApi_QueryPadOrViaShapeOnLayer(pad, layer, &shape) |
                  PcbApi_QueryPadOrViaSizeOnLayer(pad, layer, &xs, &ys) |
                  PcbApi_QueryPadCRPercentageOnLayer(pad, layer, &percent),
              0);
    if (layer == 1 || layer == 9) {
      ASSERT_EQ(PcbApi_QueryViaStackSizeOnLayer(pcbapi::kRead, via, layer, &via_size), 0);
    }
    read += std::to_string(shape) + " " + std::to_string(xs) + "x" + std::to_string(ys) + " " +
            std::to_string(percent) + " " + std::to_string(via_size) + ", ";
  }
  EXPECT_EQ(read, written);
  EXPECT_EQ(PcbApi_SetPadShapeOnLayer(pad, 83, 1), 1);
}

TEST_F(RecordRoundTrip, EveryBoardRecordComesBackAsWritten) {
  struct LayerRecord : NoFix {
    pcbapi::Text255 name, plane_name, plane_net, material;
    Coord copper, plane_copper, height;
    uint8_t visible, locked, previous, next, enabled, p_visible, p_locked, p_previous, p_next, kind;
    double constant;
    int32_t color;
    auto Tie() {
      return std::tie(name, plane_name, plane_net, material, copper, plane_copper, height, visible,
                      locked, previous, next, enabled, p_visible, p_locked, p_previous, p_next,
                      kind, constant, color);
    }
    void Fix(const RecordRoundTrip&) { previous = 1, next = 39, p_previous = 2, p_next = 32; }
    int Sync(Mode m, Handle b) {
      return PcbApi_QueryLayer(m, 2, b, &name, &copper, &visible, &locked, &previous, &next,
                               &enabled) |
             PcbApi_QueryInternalPlane(m, 39, b, &plane_name, &plane_copper, &p_visible, &p_locked,
                                       &p_previous, &p_next, &plane_net) |
             PcbApi_QueryLayerDielectric(m, 2, b, &material, &kind, &constant, &height) |
             PcbApi_QueryBoardLayerInfo(m, b, 2, nullptr, nullptr, &color);
    }
  };
  struct PairsRecord : NoFix {
    int32_t count;
    LayerId second[2], first[2];
    uint8_t second_byte[2], first_byte[2];
    auto Tie() {
      return std::tie(count, second[0], first[0], second_byte[0], first_byte[0], second[1],
                      first[1], second_byte[1], first_byte[1]);
    }
    void Fix(const RecordRoundTrip&) {
      count = 2, second[0] = 32, first[0] = 1, second[1] = 3, first[1] = 2;
    }
    int Sync(Mode m, Handle b) {
      int result = PcbApi_QueryBoardLayerPairsCount(b, &count, m);
      for (int i = 0; i < 2; ++i) {
        result |= PcbApi_QueryBoardLayerPairAt(m, b, i, &second[i], &first[i], &second_byte[i],
                                               &first_byte[i]);
      }
      return result;
    }
  };
  struct IndexedOptionsRecord : NoFix {
    uint8_t plot, flip;
    int32_t pen_color, pen_width, c1, c2, c3, c4;
    auto Tie() { return std::tie(plot, flip, pen_color, pen_width, c1, c2, c3, c4); }
    int Sync(Mode m, Handle b) {
      return PcbApi_QueryBoardOutputOptionsPlotLayers(m, b, 109, &plot) |
             PcbApi_QueryBoardOutputOptionsFlipLayers(m, b, 1, &flip) |
             PcbApi_QueryBoardPrinterOptionsPlotterPen(m, b, 8, &pen_color, &pen_width) |
             PcbApi_QueryBoardPrinterOptionsCompositeLayer(m, b, 82, &c1, &c2, &c3, &c4);
    }
  };
  Check<Tied<PcbApi_QueryBoard, 9>>(board_, "board record", Fixes{{8, 32}});
  Check<LayerRecord>(board_, "layer, plane and dielectric");
  Check<Tied<PcbApi_QueryBoardExternalDielectrics>>(board_, "external dielectrics");
  Check<Tied<PcbApi_QueryBoardSplitPlaneMode>>(board_, "split-plane mode");
  Check<PairsRecord>(board_, "layer pairs");
  Check<Tied<PcbApi_QueryBoardGridsEx>>(board_, "grids");
  Check<Tied<PcbApi_QueryBoardOutputOptions>>(board_, "output options");
  Check<Tied<PcbApi_QueryBoardGerberOptions>>(board_, "Gerber options");
  Check<Tied<PcbApi_QueryBoardPrinterOptions>>(board_, "printer options");
  Check<Tied<PcbApi_QueryBoardAdvancedPlacerOptions>>(board_, "placer options");
  Check<Tied<PcbApi_QueryBoardEngineeringChangeOrderOptions>>(board_, "change order options");
  Check<IndexedOptionsRecord>(board_, "options by layer and pen");
  // Values out of their ranges are refused.
  uint8_t flag = 1;
  EXPECT_EQ(PcbApi_QueryBoardOutputOptionsPlotLayers(pcbapi::kWrite, board_, 110, &flag), 1);
  int32_t count = -1;
  EXPECT_EQ(PcbApi_QueryBoardLayerPairsCount(board_, &count, pcbapi::kWrite), 1);
  EXPECT_EQ(PcbApi_QueryBoard(pcbapi::kRead, board_ + 1000, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
            1)
      << "no such board";
}

// A track's net is one of the board's nets, refused values leave the old ones, and what was
// written survives a save and reopen.
TEST_F(RecordRoundTrip, TrackValuesAreCheckedAndSurviveASaveAndReopen) {
  const Handle track = Objects(pcbapi::kTrack, 2).front();
  Tied<PcbApi_QueryTrack> written(OnLayer(3)), read;
  Filler().All(written.fields);
  written.Fix(*this);
  std::get<3>(written.fields) = Net();
  ASSERT_EQ(written.Sync(pcbapi::kWrite, track), 0);
  const auto primitive = [&](Mode mode, LayerId* layer, Handle* net) {
    return PcbApi_QueryPrimitive(mode, track, nullptr, nullptr, layer, net, nullptr, nullptr);
  };
  Handle net = 0, not_a_net = track;
  LayerId no_such_layer = 0x01010021;
  EXPECT_EQ(primitive(pcbapi::kWrite, nullptr, &not_a_net), 1);
  EXPECT_EQ(primitive(pcbapi::kWrite, &no_such_layer, nullptr), 1);
  ASSERT_EQ(primitive(pcbapi::kRead, &no_such_layer, &net), 0);
  EXPECT_EQ(std::make_pair(no_such_layer, net), std::make_pair(LayerId{3}, Net()));

  testsupport::TempDir dir;
  ASSERT_EQ(QuorvelSession::Get().Save(dir.Path("written.json")), "");
  ASSERT_EQ(QuorvelSession::Get().Open(dir.Path("written.json")), "");
  // Handles are the editor's own: find the track again by its place among mid layer 2's.
  board_ = PcbApi_GetCurrentBoardHandle();
  const std::vector<Handle> moved = Objects(pcbapi::kTrack, 3);
  ASSERT_EQ(moved.size(), 2u);
  ASSERT_EQ(read.Sync(pcbapi::kRead, moved.front()), 0);
  net = std::get<3>(read.fields);
  std::get<3>(written.fields) = net;  // the net's handle is new; its name is checked below
  EXPECT_TRUE(written.fields == read.fields);
  pcbapi::Text255 name{};
  ASSERT_EQ(PcbApi_QueryNet(pcbapi::kRead, net, nullptr, &name, nullptr, nullptr), 0);
  EXPECT_EQ(TextOf(name), "SDA");
}

}  // namespace
}  // namespace quorveltest
