// Every record exchange of the bridge, written with Mode 0 and read back with Mode 1 through the
// stand-in editor, gives back the values written.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <tuple>

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
  template <class... T>
  void All(std::tuple<T&...> fields) {
    std::apply([&](T&... f) { ((*this)(f), ...); }, fields);
  }

 private:
  int next_ = 1;
};

class RecordRoundTrip : public ExampleBoard {
 protected:
  // Writes every field, reads the record into a zeroed copy and compares.
  template <class Record>
  void Check(Handle handle, const char* what) {
    SCOPED_TRACE(what);
    auto written = std::make_unique<Record>();
    auto read = std::make_unique<Record>();
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

// Exchanges a record whose tied fields are the call's arguments, in order.
template <class Record, class Query>
int SyncTied(Record& record, Query query, Mode m, Handle h) {
  return std::apply([&](auto&... field) { return query(m, h, &field...); }, record.Tie());
}

// The values a board can hold where the filler's numbers would not do.
struct NoFix {
  void Fix(const RecordRoundTrip&) {}
};

struct PrimitiveRecord : NoFix {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  int32_t aux_integer;
  uint8_t aux_byte;
  auto Tie() { return std::tie(flags, aux_word, layer, net, aux_integer, aux_byte); }
  void Fix(const RecordRoundTrip&) { layer = 57, net = 0; }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryPrimitive, m, h); }
};

struct TrackRecord {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte;
  int32_t aux_integer;
  Coord x, y, x2, y2, width;
  int32_t v1, v2, v3;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, aux_integer, x, y, x2, y2, width, v1, v2,
                    v3);
  }
  Handle net_source = 0;
  void Fix(const RecordRoundTrip& t);
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryTrack, m, h); }
};

struct ViaRecord {
  uint16_t flags, aux_word;
  uint8_t layer;
  Handle net;
  uint8_t aux_byte;
  int32_t aux_integer;
  Coord x, y, size, hole;
  uint8_t low, high, tented_top, tented_bottom;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, aux_integer, x, y, size, hole, low, high,
                    tented_top, tented_bottom);
  }
  void Fix(const RecordRoundTrip&) { layer = 74, net = 0, low = 2, high = 31; }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryVia, m, h); }
};

struct PadRecord {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte;
  int32_t aux_integer;
  Coord x, y, tx, ty, mx, my, bx, by, hole;
  uint8_t ts, ms, bs;
  pcbapi::Text20 name;
  uint8_t plated, hole_shape;
  double rotation;
  pcbapi::Text20 swap_pad, swap_part;
  int32_t hole_width;
  pcbapi::Text20 swap_group;
  uint8_t electrical_type, hole_type;
  int32_t paste;
  double hole_rotation;
  int32_t solder, drill_pair, package_length;
  uint8_t tent_top, tent_bottom;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, aux_integer, x, y, tx, ty, mx, my, bx,
                    by, hole, ts, ms, bs, name, plated, hole_shape, rotation, swap_pad, swap_part,
                    hole_width, swap_group, electrical_type, hole_type, paste, hole_rotation,
                    solder, drill_pair, package_length, tent_top, tent_bottom);
  }
  void Fix(const RecordRoundTrip&) { layer = 32, net = 0; }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryPad, m, h); }
};

struct ArcRecord {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte;
  int32_t aux_integer;
  Coord x, y, radius;
  double start, end;
  Coord width;
  int32_t v1;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, aux_integer, x, y, radius, start, end,
                    width, v1);
  }
  void Fix(const RecordRoundTrip&) { layer = 1, net = 0; }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryArc, m, h); }
};

struct FillRecord {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte;
  int32_t aux_integer;
  Coord x, y, x2, y2;
  int32_t v1;
  double rotation;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, aux_integer, x, y, x2, y2, v1, rotation);
  }
  void Fix(const RecordRoundTrip&) { layer = 56, net = 0; }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryFill, m, h); }
};

// The region's counts and box are the editor's; the writable part goes round.
struct RegionRecord {
  uint8_t kind;
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte;
  int32_t aux_integer;
  auto Tie() { return std::tie(kind, flags, aux_word, layer, net, aux_byte, aux_integer); }
  void Fix(const RecordRoundTrip&) { layer = 2, net = 0; }
  int Sync(Mode m, Handle h) {
    return PcbApi_QueryRegion(m, h, &kind, &flags, &aux_word, &layer, &net, &aux_byte, &aux_integer,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  }
};

struct TextRecord {
  uint16_t flags, aux_word;
  LayerId layer;
  Handle net;
  uint8_t aux_byte;
  int32_t aux_integer;
  Coord x, y, size;
  int32_t font;
  double rotation;
  uint8_t mirrored;
  pcbapi::Text254 text;
  Coord width;
  int32_t kind, justification;
  auto Tie() {
    return std::tie(flags, aux_word, layer, net, aux_byte, aux_integer, x, y, size, font, rotation,
                    mirrored, text, width, kind, justification);
  }
  void Fix(const RecordRoundTrip&) { layer = 33, net = 0; }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryText, m, h); }
};

struct TrueTypeRecord : NoFix {
  uint8_t true_type;
  pcbapi::Text255 font;
  uint8_t bold, italic, inverted;
  Coord length;
  auto Tie() { return std::tie(true_type, font, bold, italic, inverted, length); }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryTrueTypeTextInfo, m, h); }
};

struct BarCodeRecord : NoFix {
  uint8_t a, b, c, d;
  auto Tie() { return std::tie(a, b, c, d); }
  int Sync(Mode m, Handle h) { return PcbApi_QueryBarCodeTextInfo(m, h, &a, &b, &c, &d); }
};

struct NetRecord : NoFix {
  uint16_t aux_word;
  pcbapi::Text255 name;
  uint8_t visible, highlighted;
  auto Tie() { return std::tie(aux_word, name, visible, highlighted); }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryNet, m, h); }
};

struct ClassRecord : NoFix {
  uint16_t aux_word;
  uint8_t member_kind, all;
  pcbapi::Text255 name;
  auto Tie() { return std::tie(aux_word, member_kind, all, name); }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryClass, m, h); }
};

struct ConnectionRecord {
  uint16_t aux_word;
  Coord x, y;
  uint8_t layer;
  Coord x2, y2;
  uint8_t layer2;
  Handle net;
  auto Tie() { return std::tie(aux_word, x, y, layer, x2, y2, layer2, net); }
  void Fix(const RecordRoundTrip& t);
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryFromTo, m, h); }
};

struct ManualFromToRecord : NoFix {
  uint16_t aux_word;
  pcbapi::Text255 net, from, to;
  int32_t order;
  auto Tie() { return std::tie(aux_word, net, from, to, order); }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryManualFromTo, m, h); }
};

struct CoordinateRecord {
  uint16_t flags, aux_word;
  uint8_t aux_byte;
  Coord x, y;
  LayerId layer;
  Coord size, line_width, text_height, text_width;
  int32_t font, style;
  auto Tie() {
    return std::tie(flags, aux_word, aux_byte, x, y, layer, size, line_width, text_height,
                    text_width, font, style);
  }
  void Fix(const RecordRoundTrip&) { layer = 58; }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryCoordinate, m, h); }
};

struct DimensionRecord {
  uint16_t flags, aux_word;
  uint8_t aux_byte;
  Coord x, y, x2, y2;
  LayerId layer;
  Coord line_width, text_height, text_width;
  int32_t font, precision;
  uint8_t kind;
  int32_t count;
  int32_t object[3], point[3];
  Coord rx[3], ry[3];
  auto Tie() {
    return std::tie(flags, aux_word, aux_byte, x, y, x2, y2, layer, line_width, text_height,
                    text_width, font, precision, kind, object[0], point[0], rx[0], ry[0], object[2],
                    point[2], rx[2], ry[2]);
  }
  void Fix(const RecordRoundTrip&) { layer = 60, count = 3; }
  int Sync(Mode m, Handle h) {
    int result =
        PcbApi_QueryDimension(m, h, &flags, &aux_word, &aux_byte, &x, &y, &x2, &y2, &layer,
                              &line_width, &text_height, &text_width, &font, &precision, &kind);
    result |= PcbApi_References_Count(m, h, &count);
    for (int i = 0; i < count && i < 3; ++i) {
      result |= PcbApi_References_At(m, h, i, &object[i], &point[i], &rx[i], &ry[i]);
    }
    return result;
  }
};

struct ExtDimensionRecord : NoFix {
  uint8_t text_position;
  Coord text_gap, arrow_size, arrow_length;
  uint8_t arrow_position;
  Coord extension_gap;
  pcbapi::Text255 prefix;
  uint8_t unit;
  Coord extension_offset;
  pcbapi::Text255 suffix, font;
  double angle;
  Coord extension_width, arrow_width;
  int32_t style;
  uint8_t bold;
  Coord x3, y3;
  int32_t value;
  auto Tie() {
    return std::tie(text_position, text_gap, arrow_size, arrow_length, arrow_position,
                    extension_gap, prefix, unit, extension_offset, suffix, font, angle,
                    extension_width, arrow_width, style, bold, x3, y3, value);
  }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryExtDimension, m, h); }
};

struct PolygonRecord {
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

struct SplitPlaneRecord {
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

struct ComponentRecord {
  uint16_t flags, aux_word;
  uint8_t layer, aux_byte;
  int32_t designator, comment;
  pcbapi::Text250 footprint;
  uint8_t name_on, comment_on;
  Coord x, y, height;
  double rotation;
  uint8_t locked;
  int32_t union_index;
  uint8_t lock_strings, pin_swapping;
  int32_t channel, kind, channel_offset;
  pcbapi::Text255 links[8], model;
  auto Tie() {
    return std::tie(flags, aux_word, layer, aux_byte, designator, comment, footprint, name_on,
                    comment_on, x, y, height, rotation, locked, union_index, lock_strings,
                    pin_swapping, channel, kind, channel_offset, links[0], links[3], links[7],
                    model);
  }
  void Fix(const RecordRoundTrip&) { layer = 32; }
  int Sync(Mode m, Handle h) {
    int result = PcbApi_QueryComponent(m, h, &flags, &aux_word, &layer, &aux_byte, &designator,
                                       &comment, &footprint, &name_on, &comment_on, &x, &y, &height,
                                       &rotation, &locked);
    result |= PcbApi_QueryComponentEx(m, h, &union_index, &lock_strings, &pin_swapping, &channel);
    result |= PcbApi_QueryComponentSourceLinks(m, h, &links[0], &links[1], &links[2], &links[3],
                                               &links[4], &links[5], &links[6], &links[7]);
    result |= PcbApi_QueryDefaultPCB3DModel(m, h, &model);
    result |= PcbApi_QueryComponentKind(m, h, &kind);
    result |= PcbApi_QueryComponentChannelOffset(m, h, &channel_offset);
    return result;
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

struct EmbeddedBoardRecord : NoFix {
  uint16_t flags, aux_word;
  uint8_t aux_byte;
  Coord x, y;
  pcbapi::Text255 document;
  int32_t rows, columns;
  Coord row_spacing, column_spacing;
  double rotation;
  uint8_t mirrored, origin;
  auto Tie() {
    return std::tie(flags, aux_word, aux_byte, x, y, document, rows, columns, row_spacing,
                    column_spacing, rotation, mirrored, origin);
  }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryEmbeddedBoard, m, h); }
};

struct ViolationRecord : NoFix {
  pcbapi::Text255 name, description;
  Handle rule, first, second;
  auto Tie() { return std::tie(name, description, rule, first, second); }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryViolation, m, h); }
};

struct RuleRecord : NoFix {
  uint8_t b[7];
  pcbapi::Text255 name, comment, scope1, scope2;
  uint8_t scope1_kind, scope2_kind;
  int32_t priority, v1, v2, v3;
  pcbapi::Text255 texts[6];
  auto Tie() {
    return std::tie(b[0], b[1], b[2], b[3], b[4], b[5], b[6], name, comment, scope1, scope2,
                    scope1_kind, scope2_kind, priority, v1, v2, v3, texts[0], texts[1], texts[2],
                    texts[3], texts[4], texts[5]);
  }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryRule, m, h); }
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

struct ClearanceRecord : NoFix {
  Coord gap;
  auto Tie() { return std::tie(gap); }
  int Sync(Mode m, Handle h) { return PcbApi_QueryRuleClearanceConstraint(m, h, &gap); }
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

struct ViaStyleRecord : NoFix {
  Coord size, hole, min_hole;
  auto Tie() { return std::tie(size, hole, min_hole); }
  int Sync(Mode m, Handle h) { return SyncTied(*this, PcbApi_QueryRuleRoutingViaStyleRule, m, h); }
};

struct RoutingLayersRecord : NoFix {
  uint8_t flags[32];
  auto Tie() { return std::tie(flags[0], flags[1], flags[15], flags[31]); }
  int Sync(Mode m, Handle h) { return PcbApi_QueryRuleRoutingLayersRule(m, h, flags); }
};

template <class Value, const auto& Call>
struct OneValueRecord : NoFix {
  Value value;
  auto Tie() { return std::tie(value); }
  int Sync(Mode m, Handle h) { return Call(m, h, &value); }
};

struct StackRecord : NoFix {
  uint8_t pad_mode, via_mode;
  Coord via_size_top, via_size_mid;
  auto Tie() { return std::tie(pad_mode, via_mode, via_size_top, via_size_mid); }
  void Fix(const RecordRoundTrip&) { pad_mode = 2, via_mode = 2; }
  Handle via = 0;
  int Sync(Mode m, Handle h) {
    return PcbApi_QueryPadStackMode(m, h, &pad_mode) | PcbApi_QueryViaStackMode(m, via, &via_mode) |
           PcbApi_QueryViaStackSizeOnLayer(m, via, 1, &via_size_top) |
           PcbApi_QueryViaStackSizeOnLayer(m, via, 9, &via_size_mid);
  }
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

void TrackRecord::Fix(const RecordRoundTrip&) { layer = 3, net = net_source; }
void ConnectionRecord::Fix(const RecordRoundTrip&) { layer = 1, layer2 = 32, net = 0; }

TEST_F(RecordRoundTrip, EveryObjectRecordComesBackAsWritten) {
  Check<PrimitiveRecord>(New(pcbapi::kFill), "common record");
  Check<TrackRecord>(New(pcbapi::kTrack), "track");
  Check<ViaRecord>(New(pcbapi::kVia), "via");
  Check<PadRecord>(New(pcbapi::kPad), "pad");
  Check<ArcRecord>(New(pcbapi::kArc), "arc");
  Check<FillRecord>(New(pcbapi::kFill), "fill");
  Check<RegionRecord>(New(pcbapi::kRegion), "region");
  const Handle text = New(pcbapi::kTextObject);
  Check<TextRecord>(text, "text");
  Check<TrueTypeRecord>(text, "TrueType text");
  Check<BarCodeRecord>(text, "bar code");
  Check<NetRecord>(New(pcbapi::kNet), "net");
  Check<ClassRecord>(New(pcbapi::kClass), "class");
  Check<ConnectionRecord>(New(pcbapi::kConnection), "connection");
  Check<ManualFromToRecord>(New(pcbapi::kFromTo), "from-to");
  Check<CoordinateRecord>(New(pcbapi::kCoordinate), "coordinate");
  const Handle dimension = New(pcbapi::kDimension);
  Check<DimensionRecord>(dimension, "dimension with references");
  Check<ExtDimensionRecord>(dimension, "extended dimension");
  Check<PolygonRecord>(New(pcbapi::kPolygon), "polygon");
  Check<PolygonRecord>(New(pcbapi::kBoardOutline), "board outline");
  Check<SplitPlaneRecord>(New(pcbapi::kSplitPlane), "split plane");
  Check<ComponentRecord>(New(pcbapi::kComponent), "component");
  Check<EmbeddedRecord>(New(pcbapi::kEmbedded), "embedded");
  Check<EmbeddedBoardRecord>(New(pcbapi::kEmbeddedBoard), "embedded board");
  Check<ViolationRecord>(New(pcbapi::kViolation), "violation");
  Check<BitFieldsRecord>(New(pcbapi::kTrack), "bit fields");
}

TEST_F(RecordRoundTrip, TrackNetsAreTheBoardsNets) {
  auto record = std::make_unique<TrackRecord>();
  const Handle track = New(pcbapi::kTrack);
  Filler().All(record->Tie());
  record->net_source = Net();
  record->Fix(*this);
  ASSERT_EQ(record->Sync(pcbapi::kWrite, track), 0);
  Handle net = 0;
  ASSERT_EQ(PcbApi_QueryPrimitive(pcbapi::kRead, track, nullptr, nullptr, nullptr, &net, nullptr,
                                  nullptr),
            0);
  EXPECT_EQ(net, Net());
  Handle not_a_net = track;
  EXPECT_EQ(PcbApi_QueryPrimitive(pcbapi::kWrite, track, nullptr, nullptr, nullptr, &not_a_net,
                                  nullptr, nullptr),
            1);
  pcbapi::LayerId no_such_layer = 0x01010021;
  EXPECT_EQ(PcbApi_QueryPrimitive(pcbapi::kWrite, track, nullptr, nullptr, &no_such_layer, nullptr,
                                  nullptr, nullptr),
            1);
  ASSERT_EQ(PcbApi_QueryPrimitive(pcbapi::kRead, track, nullptr, nullptr, &no_such_layer, &net,
                                  nullptr, nullptr),
            0);
  EXPECT_EQ(net, Net()) << "a refused value leaves the old one";
  EXPECT_EQ(no_such_layer, 3u);
}

TEST_F(RecordRoundTrip, EveryRuleRecordComesBackAsWritten) {
  Check<RuleRecord>(New(pcbapi::kRule), "full rule record");
  Check<RuleExRecord>(New(pcbapi::kRule), "rule kind, scopes and name");
  Check<ClearanceRecord>(Rule(0), "clearance");
  Check<WidthRecord>(Rule(2), "widths");
  Check<ViaStyleRecord>(Rule(11), "via style");
  Check<RoutingLayersRecord>(Rule(9), "routing layers");
  Check<OneValueRecord<uint8_t, PcbApi_QueryRuleRoutingTopologyRule>>(Rule(7), "topology");
  Check<OneValueRecord<int32_t, PcbApi_QueryRuleRoutingPriorityRule>>(Rule(8), "priority");
  Check<OneValueRecord<Coord, PcbApi_QueryRuleDaisyChainStubLengthConstraint>>(Rule(5), "stub");
  Check<OneValueRecord<int32_t, PcbApi_QueryRuleMaximumViaCountRule>>(Rule(18), "via count");
}

TEST_F(RecordRoundTrip, PadAndViaStacksComeBackAsWritten) {
  auto stack = std::make_unique<StackRecord>();
  stack->via = New(pcbapi::kVia);
  const Handle pad = New(pcbapi::kPad);
  Filler().All(stack->Tie());
  stack->Fix(*this);
  ASSERT_EQ(stack->Sync(pcbapi::kWrite, pad), 0);
  auto read = std::make_unique<StackRecord>();
  read->via = stack->via;
  ASSERT_EQ(read->Sync(pcbapi::kRead, pad), 0);
  EXPECT_TRUE(stack->Tie() == read->Tie());
  // A full stack keeps what is set on each layer, the other layers included.
  for (uint8_t layer : {0, 1, 17, 32, 40, 82}) {
    SCOPED_TRACE(static_cast<int>(layer));
    ASSERT_EQ(PcbApi_SetPadShapeOnLayer(pad, layer, static_cast<uint8_t>(layer % 4 + 1)), 0);
    ASSERT_EQ(PcbApi_SetPadSizeOnLayer(pad, layer, layer * 100 + 1, layer * 100 + 2), 0);
    ASSERT_EQ(PcbApi_SetCRPctOnLayer(pad, layer, layer), 0);
  }
  for (uint8_t layer : {0, 1, 17, 32, 40, 82}) {
    SCOPED_TRACE(static_cast<int>(layer));
    uint8_t shape = 0, percent = 0;
    Coord xs = 0, ys = 0;
    ASSERT_EQ(PcbApi_QueryPadOrViaShapeOnLayer(pad, layer, &shape), 0);
    ASSERT_EQ(PcbApi_QueryPadOrViaSizeOnLayer(pad, layer, &xs, &ys), 0);
    ASSERT_EQ(PcbApi_QueryPadCRPercentageOnLayer(pad, layer, &percent), 0);
    EXPECT_EQ(shape, layer % 4 + 1);
    EXPECT_EQ(xs, layer * 100 + 1);
    EXPECT_EQ(ys, layer * 100 + 2);
    EXPECT_EQ(percent, layer);
  }
  EXPECT_EQ(PcbApi_SetPadShapeOnLayer(pad, 83, 1), 1);
}

TEST_F(RecordRoundTrip, ClassMembersAreReplacedWhole) {
  const Handle c = New(pcbapi::kClass);
  for (const char* name : {"GND", "VCC", "SDA"}) {
    const pcbapi::Text255 text = MakeText<255>(name);
    ASSERT_EQ(PcbApi_AddMemberToClass(c, &text), 0);
  }
  pcbapi::Text255 name{};
  ASSERT_EQ(PcbApi_GetMemberFromClassAt(c, 2, &name), 0);
  EXPECT_EQ(TextOf(name), "SDA");
  ASSERT_EQ(PcbApi_RemoveAllMembersFromClass(c), 0);
  EXPECT_EQ(PcbApi_GetMemberFromClassAt(c, 0, &name), 1);
}

TEST_F(RecordRoundTrip, EveryBoardRecordComesBackAsWritten) {
  struct BoardRecord : NoFix {
    int32_t version;
    pcbapi::Text255 file;
    uint8_t unit;
    Coord ox, oy, w, h;
    uint8_t snap;
    LayerId current;
    auto Tie() { return std::tie(version, file, unit, ox, oy, w, h, snap, current); }
    void Fix(const RecordRoundTrip&) { current = 32; }
    int Sync(Mode m, Handle b) {
      return PcbApi_QueryBoard(m, b, &version, &file, &unit, &ox, &oy, &w, &h, &snap, &current,
                               nullptr);
    }
  };
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
  struct DielectricsRecord : NoFix {
    pcbapi::Text255 top, bottom;
    uint8_t top_kind, bottom_kind, split_mode;
    double top_constant, bottom_constant;
    Coord top_height, bottom_height;
    auto Tie() {
      return std::tie(top, bottom, top_kind, bottom_kind, split_mode, top_constant, bottom_constant,
                      top_height, bottom_height);
    }
    int Sync(Mode m, Handle b) {
      return PcbApi_QueryBoardExternalDielectrics(m, b, &top, &top_kind, &top_constant, &top_height,
                                                  &bottom, &bottom_kind, &bottom_constant,
                                                  &bottom_height) |
             PcbApi_QueryBoardSplitPlaneMode(m, b, &split_mode);
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
  struct OptionsRecord : NoFix {
    pcbapi::BoardGrids grids;
    pcbapi::BoardOutputOptions output;
    pcbapi::BoardGerberOptions gerber;
    pcbapi::BoardPrinterOptions printer;
    pcbapi::BoardAdvancedPlacerOptions placer;
    pcbapi::BoardEcoOptions eco;
    uint8_t plot, flip;
    int32_t pen_color, pen_width, c1, c2, c3, c4;
    auto Tie() {
      return std::tie(grids, output, gerber, printer, placer, eco, plot, flip, pen_color, pen_width,
                      c1, c2, c3, c4);
    }
    int Sync(Mode m, Handle b) {
      return PcbApi_QueryBoardGridsEx(m, b, &grids) |
             PcbApi_QueryBoardOutputOptions(m, b, &output) |
             PcbApi_QueryBoardGerberOptions(m, b, &gerber) |
             PcbApi_QueryBoardPrinterOptions(m, b, &printer) |
             PcbApi_QueryBoardAdvancedPlacerOptions(m, b, &placer) |
             PcbApi_QueryBoardEngineeringChangeOrderOptions(m, b, &eco) |
             PcbApi_QueryBoardOutputOptionsPlotLayers(m, b, 109, &plot) |
             PcbApi_QueryBoardOutputOptionsFlipLayers(m, b, 1, &flip) |
             PcbApi_QueryBoardPrinterOptionsPlotterPen(m, b, 8, &pen_color, &pen_width) |
             PcbApi_QueryBoardPrinterOptionsCompositeLayer(m, b, 82, &c1, &c2, &c3, &c4);
    }
  };
  Check<BoardRecord>(board_, "board record");
  Check<LayerRecord>(board_, "layer, plane and dielectric");
  Check<DielectricsRecord>(board_, "external dielectrics and split-plane mode");
  Check<PairsRecord>(board_, "layer pairs");
  Check<OptionsRecord>(board_, "option records");
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

TEST_F(RecordRoundTrip, WrittenValuesSurviveASaveAndReopen) {
  const Handle track = Objects(pcbapi::kTrack, 2).front();
  auto written = std::make_unique<TrackRecord>();
  Filler().All(written->Tie());
  written->net_source = Net();
  written->Fix(*this);
  ASSERT_EQ(written->Sync(pcbapi::kWrite, track), 0);
  testsupport::TempDir dir;
  ASSERT_EQ(QuorvelSession::Get().Save(dir.Path("written.json")), "");
  ASSERT_EQ(QuorvelSession::Get().Open(dir.Path("written.json")), "");
  // Handles are the editor's own: find the track again by its place among mid layer 2's.
  board_ = PcbApi_GetCurrentBoardHandle();
  auto read = std::make_unique<TrackRecord>();
  const std::vector<Handle> moved = Objects(pcbapi::kTrack, 3);
  ASSERT_EQ(moved.size(), 2u);
  ASSERT_EQ(read->Sync(pcbapi::kRead, moved.front()), 0);
  written->net = read->net;  // the net's handle is new; its name is checked below
  EXPECT_TRUE(written->Tie() == read->Tie());
  pcbapi::Text255 name{};
  ASSERT_EQ(PcbApi_QueryNet(pcbapi::kRead, read->net, nullptr, &name, nullptr, nullptr), 0);
  EXPECT_EQ(TextOf(name), "SDA");
}

}  // namespace
}  // namespace quorveltest
