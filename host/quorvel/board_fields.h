// The board file's keys of each object kind, listed once for the reader and the writer: each
// `Fields` function hands every field with its key and default to an IO object, which either
// fills the field from the file or writes it when it differs from the default.
#pragma once

#include "host/quorvel/board.h"

namespace quorvel::fields {

inline bool HasNet(uint8_t kind) {
  switch (kind) {
    case pcbapi::kArc:
    case pcbapi::kPad:
    case pcbapi::kVia:
    case pcbapi::kTrack:
    case pcbapi::kTextObject:
    case pcbapi::kFill:
    case pcbapi::kConnection:
    case pcbapi::kPolygon:
    case pcbapi::kRegion:
    case pcbapi::kSplitPlane: return true;
    default: return false;
  }
}

// Rule kinds that take two scopes.
inline bool IsBinaryRuleKind(uint8_t kind) {
  return kind == 0 || kind == 1 || kind == 15 || kind == 24 || kind == 52 || kind == 55;
}

template <class IO>
void Common(IO& io, Object& o) {
  io.Layer("layer", o.layer, DefaultLayer(o.kind));
  if (HasNet(o.kind)) io.Net("net", o.net);
  io.Length("x", o.x, 0);
  io.Length("y", o.y, 0);
  io.Flags(o.flags);
  io.Word("auxWord", o.aux_word, 0);
  io.Byte("auxByte", o.aux_byte, 0);
  io.Int("auxInteger", o.aux_integer, 0);
  io.Byte("bitField2", o.bit_field2, 0);
  io.Byte("bitField3", o.bit_field3, 0);
  io.Bool("fromUser", o.from_user, 0);
}

template <class IO>
void Fields(IO& io, Track& t) {
  Common(io, t);
  io.Length("x2", t.x2, 0);
  io.Length("y2", t.y2, 0);
  io.Length("width", t.width, 0);
  io.OwnerValue("auxValue1", t.aux_value1, t.owner);
  io.Int("auxValue2", t.aux_value2, 0);
  io.Int("auxValue3", t.aux_value3, 0);
}

template <class IO>
void Fields(IO& io, Arc& a) {
  Common(io, a);
  io.Length("radius", a.radius, 0);
  io.Double("startAngle", a.start_angle, 0);
  io.Double("endAngle", a.end_angle, 0);
  io.Length("width", a.width, 0);
  io.OwnerValue("auxValue1", a.aux_value1, a.owner);
}

template <class IO>
void Fields(IO& io, Via& v) {
  Common(io, v);
  io.Length("size", v.size, 0);
  io.Length("hole", v.hole, 0);
  io.Layer("from", v.low_layer, kTopLayer);
  io.Layer("to", v.high_layer, kBottomLayer);
  io.Bool("tentedTop", v.tented_top, 0);
  io.Bool("tentedBottom", v.tented_bottom, 0);
  io.StackMode("stackMode", v.stack_mode);
  io.LayerLengths("stackSizes", v.stack_sizes);
}

template <class IO>
void Fields(IO& io, Pad& p) {
  Common(io, p);
  io.String("name", p.name, "", 20);
  io.PadShapes(p);
  io.Length("hole", p.hole, 0);
  io.Double("rotation", p.rotation, 0);
  io.Bool("plated", p.plated, 1);
  io.Byte("holeShape", p.hole_shape, 0);
  io.Byte("holeType", p.hole_type, 0);
  io.Length("holeWidth", p.hole_width, 0);
  io.Double("holeRotation", p.hole_rotation, 0);
  io.Byte("electricalType", p.electrical_type, 0);
  io.String("swapIdPad", p.swap_id_pad, "", 20);
  io.String("swapIdPart", p.swap_id_part, "", 20);
  io.String("swapIdGroup", p.swap_id_group, "", 20);
  io.Length("pasteExpansion", p.paste_expansion, 0);
  io.Length("solderExpansion", p.solder_expansion, 0);
  io.Int("drillLayerPair", p.drill_layer_pair, 0);
  io.Length("pinPackageLength", p.pin_package_length, 0);
  io.Bool("tentedTop", p.tented_top, 0);
  io.Bool("tentedBottom", p.tented_bottom, 0);
  io.Byte("powerGround", p.power_ground, 0);
}

template <class IO>
void Fields(IO& io, Fill& f) {
  Common(io, f);
  io.Length("x2", f.x2, 0);
  io.Length("y2", f.y2, 0);
  io.Int("auxValue1", f.aux_value1, 0);
  io.Double("rotation", f.rotation, 0);
}

template <class IO>
void Fields(IO& io, Region& r) {
  Common(io, r);
  io.Byte("regionKind", r.region_kind, 0);
  io.Outline("outline", r.outline);
  io.Outlines("holes", r.holes);
}

template <class IO>
void Fields(IO& io, Polygon& p) {
  Common(io, p);
  io.Bool("pourOver", p.pour_over, 0);
  io.Bool("removeDead", p.remove_dead, 1);
  io.Byte("hatchStyle", p.hatch_style, 0);
  io.Length("grid", p.grid, 0);
  io.Length("trackWidth", p.track_width, 0);
  io.Bool("useOctagons", p.use_octagons, 0);
  io.Bool("removeIslands", p.remove_islands, 1);
  io.Length("minPrimLength", p.min_prim_length, 0);
  io.Byte("polygonKind", p.polygon_kind, 0);
  io.Outline("outline", p.outline);
}

template <class IO>
void Fields(IO& io, SplitPlane& s) {
  Common(io, s);
  io.Bool("isIsland", s.is_island, 0);
  io.Outline("outline", s.outline);
}

template <class IO>
void Fields(IO& io, ComponentBody& b) {
  Common(io, b);
  io.Outline("outline", b.outline);
}

template <class IO>
void Fields(IO& io, Text& t) {
  Common(io, t);
  io.String("text", t.text, "", 254);
  io.Length("size", t.size, 600000);
  io.Length("width", t.width, 100000);
  io.Int("font", t.font, 0);
  io.Double("rotation", t.rotation, 0);
  io.Bool("mirrored", t.mirrored, 0);
  io.Int("textKind", t.text_kind, 0);
  io.Int("justification", t.justification, 0);
  io.Bool("trueType", t.true_type, 0);
  io.String("fontName", t.font_name, "Arial", 255);
  io.Bool("bold", t.bold, 0);
  io.Bool("italic", t.italic, 0);
  io.Bool("inverted", t.inverted, 0);
  io.Length("trueTypeLength", t.true_type_length, 200000);
  io.Byte("barCodeKind", t.bar_code_kind, 0);
  io.Byte("barCodeRenderMode", t.render_mode, 0);
  io.Bool("barCodeShowText", t.show_text, 0);
  io.Bool("barCodeInverted", t.bar_code_inverted, 0);
}

template <class IO>
void Fields(IO& io, Connection& c) {
  Common(io, c);
  io.Length("x2", c.x2, 0);
  io.Length("y2", c.y2, 0);
  io.Layer("layer2", c.layer2, 0);
}

template <class IO>
void Fields(IO& io, Net& n) {
  Common(io, n);
  io.String("name", n.name, nullptr, 255);
  io.Bool("visible", n.visible, 1);
  io.Bool("highlighted", n.highlighted, 0);
}

template <class IO>
void Fields(IO& io, Component& c) {
  Common(io, c);
  io.String("footprint", c.footprint, "", 250);
  io.Bool("nameOn", c.name_on, 1);
  io.Bool("commentOn", c.comment_on, 0);
  io.Bool("locked", c.locked, 0);
  io.Length("height", c.height, 0);
  io.Double("rotation", c.rotation, 0);
  io.Int("unionIndex", c.union_index, 0);
  io.Int("channel", c.channel, 0);
  io.Int("componentKind", c.component_kind, 0);
  io.Int("channelOffset", c.channel_offset, 0);
  io.Bool("lockStrings", c.lock_strings, 0);
  io.Bool("pinSwapping", c.pin_swapping, 0);
  static constexpr const char* kLinkKeys[8] = {
      "sourceDesignator",       "sourceUniqueId",     "sourceHierarchy",   "sourceFootprintLibrary",
      "sourceComponentLibrary", "sourceLibReference", "sourceDescription", "footprintDescription"};
  for (int i = 0; i < 8; ++i) io.String(kLinkKeys[i], c.source_links[i], "", 255);
  io.String("model", c.model, "", 255);
}

template <class IO>
void Fields(IO& io, Dimension& d) {
  Common(io, d);
  io.Length("x2", d.x2, 0);
  io.Length("y2", d.y2, 0);
  io.Length("lineWidth", d.line_width, 100000);
  io.Length("textHeight", d.text_height, 600000);
  io.Length("textWidth", d.text_width, 60000);
  io.Int("font", d.font, 0);
  io.Int("precision", d.precision, 2);
  io.Byte("dimensionKind", d.dimension_kind, 8);
  io.References("references", d.references);
  io.Byte("textPosition", d.text_position, 0);
  io.Length("textGap", d.text_gap, 0);
  io.Length("arrowSize", d.arrow_size, 0);
  io.Length("arrowLength", d.arrow_length, 0);
  io.Byte("arrowPosition", d.arrow_position, 0);
  io.Length("extensionGap", d.extension_gap, 0);
  io.String("prefix", d.prefix, "", 255);
  io.Byte("unit", d.unit, 0);
  io.Length("extensionOffset", d.extension_offset, 0);
  io.String("suffix", d.suffix, "", 255);
  io.String("fontName", d.font_name, "Arial", 255);
  io.Double("angle", d.angle, 0);
  io.Length("extensionWidth", d.extension_width, 0);
  io.Length("arrowWidth", d.arrow_width, 0);
  io.Int("style", d.style, 0);
  io.Bool("bold", d.bold, 0);
  io.Length("x3", d.x3, 0);
  io.Length("y3", d.y3, 0);
  io.Int("value", d.value, 0);
}

template <class IO>
void Fields(IO& io, Coordinate& c) {
  Common(io, c);
  io.Length("size", c.size, 100000);
  io.Length("lineWidth", c.line_width, 10000);
  io.Length("textHeight", c.text_height, 600000);
  io.Length("textWidth", c.text_width, 60000);
  io.Int("font", c.font, 0);
  io.Int("style", c.style, 0);
}

template <class IO>
void Fields(IO& io, ObjectClass& c) {
  Common(io, c);
  io.String("name", c.name, nullptr, 255);
  io.MemberKind("memberKind", c.member_kind);
  io.Bool("allMembers", c.all_members, 0);
  io.Names("members", c.member_names);
}

template <class IO>
void Fields(IO& io, Rule& r) {
  Common(io, r);
  io.RuleKind("kind", r.rule_kind);
  io.String("name", r.name, "", 255);
  io.Bool("enabled", r.enabled, 1);
  io.Int("priority", r.priority, 1);
  io.String("scope1", r.scope1, "All", 255);
  io.String("scope2", r.scope2, "All", 255);
  io.Preset(r.unary, IsBinaryRuleKind(r.rule_kind) ? 0 : 1);  // the kind's own scope count
  io.Bool("unary", r.unary, IsBinaryRuleKind(r.rule_kind) ? 0 : 1);
  io.String("comment", r.comment, "", 255);
  io.String("uniqueId", r.unique_id, "", 255);
  io.Bool("definedByUser", r.defined_by_user, 1);
  io.Byte("netScope", r.net_scope, 0);
  io.Byte("layerKind", r.layer_kind, 0);
  io.Bool("locked", r.locked, 0);
  io.Byte("scope1Kind", r.scope1_kind, 0);
  io.Byte("scope2Kind", r.scope2_kind, 0);
  io.Int("value1", r.value1, 0);
  io.Int("value2", r.value2, 0);
  io.Int("value3", r.value3, 0);
  for (int i = 0; i < 5; ++i) {
    io.String(("text" + std::to_string(i + 2)).c_str(), r.texts[i], "", 255);
  }
  io.Length("gap", r.gap, 0);
  io.Length("maxWidth", r.widths.max_width, 0);
  io.Length("minWidth", r.widths.min_width, 0);
  io.Length("preferredWidth", r.widths.preferred_width, 0);
  io.LayerWidths("layerWidths", r.layer_widths);
  io.Length("viaSize", r.via_size, 0);
  io.Length("holeSize", r.hole_size, 0);
  io.Length("minHoleSize", r.min_hole_size, 0);
  io.LayerFlags("routingLayers", r.routing_layers);
  io.Byte("topology", r.topology, 0);
  io.Int("routingPriority", r.routing_priority, 0);
  io.Length("stubLength", r.stub_length, 0);
  io.Int("maxViaCount", r.max_via_count, 0);
  io.Length("minLength", r.min_length, 0);
  io.Length("maxLength", r.max_length, 0);
  io.Outline("room", r.room);
  io.Layer("roomLayer", r.room_layer, 0);
}

template <class IO>
void Fields(IO& io, FromTo& f) {
  Common(io, f);
  io.String("net", f.net_name, "", 255);
  io.String("from", f.from_pin, "", 255);
  io.String("to", f.to_pin, "", 255);
  io.Int("routeOrder", f.route_order, 0);
}

template <class IO>
void Fields(IO& io, DifferentialPair& d) {
  Common(io, d);
  io.String("name", d.name, "", 255);
  io.Net("positive", d.positive);
  io.Net("negative", d.negative);
}

template <class IO>
void Fields(IO& io, Violation& v) {
  Common(io, v);
  io.String("name", v.name, "", 255);
  io.String("description", v.description, "", 255);
  io.Ref("rule", v.rule);
  io.Ref("first", v.first);
  io.Ref("second", v.second);
}

template <class IO>
void Fields(IO& io, Embedded& e) {
  Common(io, e);
  io.String("name", e.name, "", 255);
  io.Data("data", e.data);
}

template <class IO>
void Fields(IO& io, EmbeddedBoard& e) {
  Common(io, e);
  io.String("document", e.document, "", 255);
  io.Int("rowCount", e.row_count, 1);
  io.Int("columnCount", e.column_count, 1);
  io.Length("rowSpacing", e.row_spacing, 0);
  io.Length("columnSpacing", e.column_spacing, 0);
  io.Double("rotation", e.rotation, 0);
  io.Bool("mirrored", e.mirrored, 0);
  io.Byte("originMode", e.origin_mode, 0);
}

template <class IO>
void Fields(IO& io, PlainObject& o) {
  Common(io, o);
}

// Calls `Fields` with the object's own class.
template <class IO>
void AnyFields(IO& io, Object& o) {
  switch (o.kind) {
    case pcbapi::kArc: return Fields(io, static_cast<Arc&>(o));
    case pcbapi::kPad: return Fields(io, static_cast<Pad&>(o));
    case pcbapi::kVia: return Fields(io, static_cast<Via&>(o));
    case pcbapi::kTrack: return Fields(io, static_cast<Track&>(o));
    case pcbapi::kTextObject: return Fields(io, static_cast<Text&>(o));
    case pcbapi::kFill: return Fields(io, static_cast<Fill&>(o));
    case pcbapi::kConnection: return Fields(io, static_cast<Connection&>(o));
    case pcbapi::kNet: return Fields(io, static_cast<Net&>(o));
    case pcbapi::kComponent: return Fields(io, static_cast<Component&>(o));
    case pcbapi::kPolygon:
    case pcbapi::kBoardOutline: return Fields(io, static_cast<Polygon&>(o));
    case pcbapi::kRegion: return Fields(io, static_cast<Region&>(o));
    case pcbapi::kComponentBody: return Fields(io, static_cast<ComponentBody&>(o));
    case pcbapi::kDimension: return Fields(io, static_cast<Dimension&>(o));
    case pcbapi::kCoordinate: return Fields(io, static_cast<Coordinate&>(o));
    case pcbapi::kClass: return Fields(io, static_cast<ObjectClass&>(o));
    case pcbapi::kRule: return Fields(io, static_cast<Rule&>(o));
    case pcbapi::kFromTo: return Fields(io, static_cast<FromTo&>(o));
    case pcbapi::kDifferentialPair: return Fields(io, static_cast<DifferentialPair&>(o));
    case pcbapi::kViolation: return Fields(io, static_cast<Violation&>(o));
    case pcbapi::kEmbedded: return Fields(io, static_cast<Embedded&>(o));
    case pcbapi::kEmbeddedBoard: return Fields(io, static_cast<EmbeddedBoard&>(o));
    case pcbapi::kSplitPlane: return Fields(io, static_cast<SplitPlane&>(o));
    default: return Fields(io, static_cast<PlainObject&>(o));
  }
}

// The top-level arrays of the board file and the kind of their objects.
struct ObjectArray {
  const char* key;
  uint8_t kind;
};
inline constexpr ObjectArray kObjectArrays[] = {
    {"nets", pcbapi::kNet},
    {"classes", pcbapi::kClass},
    {"components", pcbapi::kComponent},
    {"pads", pcbapi::kPad},
    {"vias", pcbapi::kVia},
    {"tracks", pcbapi::kTrack},
    {"arcs", pcbapi::kArc},
    {"fills", pcbapi::kFill},
    {"regions", pcbapi::kRegion},
    {"polygons", pcbapi::kPolygon},
    {"splitPlanes", pcbapi::kSplitPlane},
    {"texts", pcbapi::kTextObject},
    {"componentBodies", pcbapi::kComponentBody},
    {"dimensions", pcbapi::kDimension},
    {"coordinates", pcbapi::kCoordinate},
    {"connections", pcbapi::kConnection},
    {"fromTos", pcbapi::kFromTo},
    {"differentialPairs", pcbapi::kDifferentialPair},
    {"rules", pcbapi::kRule},
    {"violations", pcbapi::kViolation},
    {"embedded", pcbapi::kEmbedded},
    {"embeddedBoards", pcbapi::kEmbeddedBoard},
};

}  // namespace quorvel::fields
