// Writes the board file: one line per object, nested parts (pads of a component, hatch of a
// polygon) one line each below their owner, values at their defaults left out.
#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <set>

#include "host/quorvel/board_fields.h"
#include "host/quorvel/board_file.h"

namespace quorvel {

namespace {

using ojson = nlohmann::ordered_json;

ojson LengthValue(Coord value) { return FormatLength(value); }

ojson PointValue(Coord x, Coord y) { return ojson::array({LengthValue(x), LengthValue(y)}); }

// ---- Values as the file shows them -----------------------------------------------------------
// Objects are written straight into text, in the form nlohmann-json's dump gives them: the
// numbers, texts and names below are what it writes, and anything out of the ordinary (texts
// with characters to escape, floating-point numbers) goes through it.

void AppendQuoted(std::string& out, std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
      out += ojson(std::string(text)).dump();
      return;
    }
  }
  out += '"';
  out += text;
  out += '"';
}

template <class Integer>
void AppendInteger(std::string& out, Integer value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

void AppendDouble(std::string& out, double value) { out += ojson(value).dump(); }

void AppendLength(std::string& out, Coord value) { AppendQuoted(out, FormatLength(value)); }

void AppendPoint(std::string& out, Coord x, Coord y) {
  out += '[';
  AppendLength(out, x);
  out += ',';
  AppendLength(out, y);
  out += ']';
}

// "[a,b,...]", each item written by `each`.
template <class Items, class Each>
void AppendList(std::string& out, const Items& items, Each&& each) {
  out += '[';
  bool first = true;
  for (const auto& item : items) {
    if (!first) out += ',';
    first = false;
    each(item);
  }
  out += ']';
}

// A code the format names by a word, or by its number where it has no word (`name` empty or
// the number itself).
void AppendNamed(std::string& out, std::string_view name, uint8_t code) {
  if (name.empty() || name == std::to_string(code)) {
    AppendInteger(out, code);
  } else {
    AppendQuoted(out, name);
  }
}

void AppendShape(std::string& out, uint8_t shape) { AppendNamed(out, ShapeName(shape), shape); }

// A list with each item on a line of its own, `indent` + 4 deep, each written by `each(index)`.
template <class Each>
void AppendLines(std::string& out, int indent, size_t count, Each&& each) {
  const std::string pad(static_cast<size_t>(indent), ' ');
  out += "[\n";
  for (size_t i = 0; i < count; ++i) {
    out += pad;
    out += "    ";
    each(i);
    out += i + 1 < count ? ",\n" : "\n";
  }
  out += pad;
  out += "  ]";
}

// Nested lists of objects go one object per line below their owner.
void AppendValue(std::string& out, const ojson& value, int indent);

// Whether a value under `key` puts its owner's parts on lines of their own.
bool PutsPartsOnLines(std::string_view key, const ojson& item) {
  return (item.is_array() && !item.empty() && item[0].is_object() && key != "references") ||
         (item.is_object() && key == "hatch");
}

// One object of the file on its way to the text: its members in order, each either its text
// already made, a list of objects, an outline (whose arcs put it on lines of its own) or a value
// the format does not name.
class ObjectText {
 public:
  enum class Kind : uint8_t { Text, Objects, Hatch, Outline, Other };
  struct Member {
    std::string key;
    Kind kind = Kind::Text;
    std::string text;                 // Text; Outline: the segments, joined by ","
    std::vector<ObjectText> objects;  // Objects; Hatch: the one object
    bool starts_with_arc = false;     // Outline
    std::vector<size_t> segment_ends;
    const nlohmann::json* other = nullptr;
  };

  // The member's text, to be written; a key given again keeps its place (as in an ordered map).
  std::string& Text(std::string_view key) { return Put(key, Kind::Text).text; }
  Member& Put(std::string_view key, Kind kind) {
    Member* member = Find(key);
    if (!member) member = &members_.emplace_back();
    *member = Member();
    member->key = key;
    member->kind = kind;
    return *member;
  }
  Member* Find(std::string_view key) {
    for (Member& member : members_) {
      if (member.key == key) return &member;
    }
    return nullptr;
  }
  void Erase(std::string_view key) {
    members_.erase(std::remove_if(members_.begin(), members_.end(),
                                  [&](const Member& m) { return m.key == key; }),
                   members_.end());
  }
  bool empty() const { return members_.empty(); }

  // As nlohmann-json's dump: no spaces, no line ends.
  void AppendCompact(std::string& out) const {
    AppendMembers(out, [&](const Member& member) { AppendMemberCompact(out, member); });
  }

  // As the file lays it out: an object with lists of objects (or the hatch) puts them on lines
  // of their own, `indent` deeper.
  void Append(std::string& out, int indent) const {
    if (!std::any_of(members_.begin(), members_.end(), PutsPartsOnLines)) {
      AppendCompact(out);
      return;
    }
    AppendMembers(out, [&](const Member& member) { AppendMemberLaidOut(out, member, indent); });
  }

 private:
  // "{"key":value,...}", each value written by `value`.
  template <class Value>
  void AppendMembers(std::string& out, Value&& value) const {
    out += '{';
    bool first = true;
    for (const Member& member : members_) {
      if (!first) out += ',';
      first = false;
      AppendQuoted(out, member.key);
      out += ':';
      value(member);
    }
    out += '}';
  }
  // One member of an object that puts its parts on lines of their own.
  static void AppendMemberLaidOut(std::string& out, const Member& member, int indent) {
    if (!PutsPartsOnLines(member)) {
      AppendMemberCompact(out, member);
      return;
    }
    if (member.kind == Kind::Hatch) {
      member.objects.front().Append(out, indent + 2);
      return;
    }
    if (member.kind == Kind::Other) {
      if (member.other->is_object()) {
        AppendValue(out, ojson(*member.other), indent + 2);
        return;
      }
      AppendLines(out, indent, member.other->size(),
                  [&](size_t i) { AppendValue(out, ojson((*member.other)[i]), indent + 4); });
      return;
    }
    if (member.kind == Kind::Objects) {
      AppendLines(out, indent, member.objects.size(),
                  [&](size_t i) { member.objects[i].Append(out, indent + 4); });
      return;
    }
    AppendLines(out, indent, member.segment_ends.size(), [&](size_t i) {
      const size_t from = i ? member.segment_ends[i - 1] + 1 : 0;
      out.append(member.text, from, member.segment_ends[i] - from);
    });
  }
  static bool PutsPartsOnLines(const Member& member) {
    switch (member.kind) {
      case Kind::Text: return false;
      case Kind::Objects: return !member.objects.empty() && member.key != "references";
      case Kind::Hatch: return true;
      case Kind::Outline: return member.starts_with_arc && member.key != "references";
      case Kind::Other: return quorvel::PutsPartsOnLines(member.key, ojson(*member.other));
    }
    return false;
  }
  static void AppendMemberCompact(std::string& out, const Member& member) {
    switch (member.kind) {
      case Kind::Text: out += member.text; break;
      case Kind::Outline:
        out += '[';
        out += member.text;
        out += ']';
        break;
      case Kind::Objects:
        out += '[';
        for (size_t i = 0; i < member.objects.size(); ++i) {
          if (i) out += ',';
          member.objects[i].AppendCompact(out);
        }
        out += ']';
        break;
      case Kind::Hatch: member.objects.front().AppendCompact(out); break;
      case Kind::Other: out += member.other->dump(); break;
    }
  }

  std::vector<Member> members_;
};

// Writes the fields of one object that differ from their defaults.
class FieldWriter {
 public:
  FieldWriter(const Board& board, const std::set<Handle>& referenced, ObjectText& out)
      : board_(board), referenced_(referenced), out_(out) {}

  void Preset(uint8_t, uint8_t) {}
  void Word(const char* key, uint16_t v, uint16_t def) {
    if (v != def) AppendInteger(out_.Text(key), v);
  }
  void Byte(const char* key, uint8_t v, uint8_t def) {
    if (v != def) AppendInteger(out_.Text(key), v);
  }
  void Bool(const char* key, uint8_t v, uint8_t def) {
    if (v == def) return;
    if (v > 1) {
      AppendInteger(out_.Text(key), v);  // other values stay numbers
    } else {
      out_.Text(key) = v ? "true" : "false";
    }
  }
  void Int(const char* key, int32_t v, int32_t def) {
    if (v != def) AppendInteger(out_.Text(key), v);
  }
  void OwnerValue(const char* key, int32_t v, Handle owner) {
    if (v != 0 && static_cast<Handle>(v) != owner) AppendInteger(out_.Text(key), v);
  }
  void Length(const char* key, Coord v, Coord def) {
    if (v != def) AppendLength(out_.Text(key), v);
  }
  void Double(const char* key, double v, double def) {
    if (v != def) AppendDouble(out_.Text(key), v);
  }
  void String(const char* key, const std::string& v, const char* def, size_t) {
    if (!def || v != def) AppendQuoted(out_.Text(key), v);
  }
  void Layer(const char* key, uint8_t v, uint8_t def) {
    if (v != def) AppendQuoted(out_.Text(key), LegacyLayerName(v));
  }
  void Net(const char* key, Handle v) {
    const Object* net = board_.Find(v);
    if (net && net->kind == pcbapi::kNet) {
      AppendQuoted(out_.Text(key), static_cast<const quorvel::Net*>(net)->name);
    }
  }
  void Ref(const char* key, Handle v) {
    if (board_.Find(v) && referenced_.count(v)) AppendQuoted(out_.Text(key), std::to_string(v));
  }
  void Flags(uint16_t flags) {
    const uint16_t rest = flags & ~((1u << 11) | (1u << 13));
    if (rest) AppendInteger(out_.Text("flags"), rest);
    if (flags >> 11 & 1) out_.Text("testPointTop") = "true";
    if (flags >> 13 & 1) out_.Text("testPointBottom") = "true";
  }
  void StackMode(const char* key, uint8_t v) {
    static constexpr const char* kNames[] = {"simple", "topMiddleBottom", "full"};
    if (v != 0) AppendNamed(out_.Text(key), v < 3 ? kNames[v] : "", v);
  }
  void LayerLengths(const char* key, const std::array<Coord, 33>& v) {
    std::string map;
    for (int l = kTopLayer; l <= kBottomLayer; ++l) {
      if (v[l] == 0) continue;
      map += map.empty() ? "{" : ",";
      AppendQuoted(map, LegacyLayerName(l));
      map += ':';
      AppendLength(map, v[l]);
    }
    if (!map.empty()) out_.Text(key) = map + "}";
  }
  void PadShapes(const Pad& p) {
    if (p.top_x == p.mid_x && p.mid_x == p.bot_x && p.top_y == p.mid_y && p.mid_y == p.bot_y) {
      AppendPoint(out_.Text("size"), p.top_x, p.top_y);
    } else {
      AppendPoint(out_.Text("topSize"), p.top_x, p.top_y);
      AppendPoint(out_.Text("midSize"), p.mid_x, p.mid_y);
      AppendPoint(out_.Text("botSize"), p.bot_x, p.bot_y);
    }
    if (p.top_shape == p.mid_shape && p.mid_shape == p.bot_shape) {
      AppendShape(out_.Text("shape"), p.top_shape);
    } else {
      AppendShape(out_.Text("topShape"), p.top_shape);
      AppendShape(out_.Text("midShape"), p.mid_shape);
      AppendShape(out_.Text("botShape"), p.bot_shape);
    }
    if (p.top_percent == p.mid_percent && p.mid_percent == p.bot_percent) {
      Byte("cornerPercent", p.top_percent, 0);
    } else {
      AppendInteger(out_.Text("topCornerPercent"), p.top_percent);
      AppendInteger(out_.Text("midCornerPercent"), p.mid_percent);
      AppendInteger(out_.Text("botCornerPercent"), p.bot_percent);
    }
    StackMode("stackMode", p.stack_mode);
    if (!p.full_stack.empty()) {
      std::string stack = "{";
      for (int l = 0; l <= kLastLegacyLayer; ++l) {
        const PadLayer& e = p.full_stack[l];
        if (e.x_size == 0 && e.y_size == 0 && e.shape == 0 && e.corner_percent == 0) continue;
        if (stack.size() > 1) stack += ',';
        AppendQuoted(stack, LegacyLayerName(l));
        stack += ":{\"size\":";
        AppendPoint(stack, e.x_size, e.y_size);
        stack += ",\"shape\":";
        AppendShape(stack, e.shape);
        if (e.corner_percent) {
          stack += ",\"cornerPercent\":";
          AppendInteger(stack, e.corner_percent);
        }
        stack += '}';
      }
      out_.Text("fullStack") = stack + "}";
    }
  }
  // The segments joined by ",", and where each ends.
  static void AppendSegments(const quorvel::Outline& outline, std::string& text,
                             std::vector<size_t>* ends) {
    for (const Segment& s : outline) {
      if (!text.empty() && (!ends || !ends->empty())) text += ',';
      if (s.kind == 1) {
        text += "{\"arc\":";
        AppendPoint(text, s.vx, s.vy);
        text += ",\"center\":";
        AppendPoint(text, s.cx, s.cy);
        text += ",\"radius\":";
        AppendLength(text, s.radius);
        text += ",\"start\":";
        AppendDouble(text, s.start_angle);
        text += ",\"end\":";
        AppendDouble(text, s.end_angle);
        text += '}';
      } else {
        AppendPoint(text, s.vx, s.vy);
      }
      if (ends) ends->push_back(text.size());
    }
  }
  void Outline(const char* key, const quorvel::Outline& v) {
    if (v.empty()) return;
    ObjectText::Member& member = out_.Put(key, ObjectText::Kind::Outline);
    AppendSegments(v, member.text, &member.segment_ends);
    member.starts_with_arc = v.front().kind == 1;
  }
  void Outlines(const char* key, const std::vector<quorvel::Outline>& v) {
    if (v.empty()) return;
    std::string& list = out_.Text(key);
    AppendList(list, v, [&](const quorvel::Outline& outline) {
      std::string segments;
      AppendSegments(outline, segments, nullptr);
      list += '[' + segments + ']';
    });
  }
  void References(const char* key, const std::vector<DimensionReference>& v) {
    if (v.empty()) return;
    std::string& list = out_.Text(key);
    AppendList(list, v, [&](const DimensionReference& r) {
      list += "{\"object\":";
      AppendInteger(list, r.object);
      list += ",\"point\":";
      AppendInteger(list, r.point);
      list += ",\"x\":";
      AppendLength(list, r.x);
      list += ",\"y\":";
      AppendLength(list, r.y);
      list += '}';
    });
  }
  void MemberKind(const char* key, uint8_t v) {
    static constexpr const char* kNames[] = {"nets", "components", "fromTos",
                                             "pads", "layers",     "differentialPairs"};
    AppendNamed(out_.Text(key), v < 6 ? kNames[v] : "", v);
  }
  void Names(const char* key, const std::vector<std::string>& v) {
    if (v.empty()) return;
    std::string& list = out_.Text(key);
    AppendList(list, v, [&](const std::string& name) { AppendQuoted(list, name); });
  }
  void RuleKind(const char* key, uint8_t v) { AppendNamed(out_.Text(key), RuleKindName(v), v); }
  void LayerWidths(const char* key, const std::map<uint8_t, quorvel::LayerWidths>& v) {
    if (v.empty()) return;
    std::string& map = out_.Text(key);
    map = "{";
    for (const auto& [layer, w] : v) {
      if (map.size() > 1) map += ',';
      AppendQuoted(map, LegacyLayerName(layer));
      map += ":{\"max\":";
      AppendLength(map, w.max_width);
      map += ",\"min\":";
      AppendLength(map, w.min_width);
      map += ",\"preferred\":";
      AppendLength(map, w.preferred_width);
      map += '}';
    }
    map += '}';
  }
  void LayerFlags(const char* key, const std::array<uint8_t, pcbapi::kRoutingLayerFlagCount>& v) {
    std::string list;
    for (int l = 0; l < pcbapi::kRoutingLayerFlagCount; ++l) {
      if (!v[l]) continue;
      list += list.empty() ? "[" : ",";
      AppendQuoted(list, LegacyLayerName(l + 1));
    }
    if (!list.empty()) out_.Text(key) = list + "]";
  }
  void Data(const char* key, const std::string& v) {
    if (v.empty()) return;
    const bool printable = std::all_of(v.begin(), v.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
    });
    if (printable) {
      AppendQuoted(out_.Text(key), v);
      return;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (char c : v) {
      hex += kDigits[static_cast<unsigned char>(c) >> 4];
      hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    AppendQuoted(out_.Text(std::string(key) + "Hex"), hex);
  }

 private:
  const Board& board_;
  const std::set<Handle>& referenced_;
  ObjectText& out_;
};

class Writer {
 public:
  explicit Writer(const Board& board) : board_(board) {
    for (const Object* slot : board.slots()) {
      if (!slot || !slot->on_board) continue;
      if (slot->kind == pcbapi::kViolation) {
        const auto& v = static_cast<const Violation&>(*slot);
        referenced_.insert({v.rule, v.first, v.second});
      }
    }
  }

  std::string Write();

 private:
  void ObjectValue(const Object& object, ObjectText& value);
  void WriteList(std::string& out, const char* key, const std::vector<const Object*>& objects);
  ojson BoardRecord() const;
  ojson LayerValue(int layer, bool in_stack) const;

  const Board& board_;
  std::set<Handle> referenced_;
};

void AppendValue(std::string& out, const ojson& value, int indent) {
  bool nested = false;
  for (const auto& [key, item] : value.items()) {
    if (PutsPartsOnLines(key, item)) nested = true;
  }
  if (!nested) {
    out += value.dump();
    return;
  }
  out += "{";
  bool first = true;
  for (const auto& [key, item] : value.items()) {
    out += first ? "" : ",";
    first = false;
    out += ojson(key).dump() + ":";
    const bool list =
        item.is_array() && !item.empty() && item[0].is_object() && key != "references";
    if (list) {
      AppendLines(out, indent, item.size(),
                  [&](size_t i) { AppendValue(out, item[i], indent + 4); });
    } else if (item.is_object() && key == "hatch") {
      AppendValue(out, item, indent + 2);
    } else {
      out += item.dump();
    }
  }
  out += "}";
}

void Writer::ObjectValue(const Object& object, ObjectText& value) {
  if (referenced_.count(object.handle))
    AppendQuoted(value.Text("id"), std::to_string(object.handle));
  FieldWriter w(board_, referenced_, value);
  fields::AnyFields(w, const_cast<Object&>(object));
  if (object.kind == pcbapi::kComponent) {
    const auto& component = static_cast<const Component&>(object);
    struct TextPart {
      const char* text_key;
      const char* object_key;
      Handle handle;
    } parts[] = {{"designator", "designatorText", component.designator},
                 {"comment", "commentText", component.comment}};
    for (const TextPart& part : parts) {
      const Object* text = board_.Find(part.handle);
      if (!text || text->kind != pcbapi::kTextObject) continue;
      ObjectText fields;
      ObjectValue(*text, fields);
      const ObjectText::Member* own_text = fields.Find("text");
      value.Text(part.text_key) = own_text && own_text->kind == ObjectText::Kind::Text
                                      ? own_text->text
                                      : std::string("\"\"");
      fields.Erase("text");
      fields.Erase("textKind");
      const uint8_t overlay = component.layer == kBottomLayer ? 34 : 33;
      std::string overlay_name;
      AppendQuoted(overlay_name, LegacyLayerName(overlay));
      if (const ObjectText::Member* layer = fields.Find("layer");
          layer && layer->kind == ObjectText::Kind::Text && layer->text == overlay_name) {
        fields.Erase("layer");
      }
      if (text->layer == DefaultLayer(pcbapi::kTextObject) && overlay != 33) {
        AppendQuoted(fields.Text("layer"), LegacyLayerName(text->layer));
      }
      if (!fields.empty()) fields.AppendCompact(value.Text(part.object_key));
    }
  }
  if ((object.kind == pcbapi::kComponent || object.kind == pcbapi::kPolygon) &&
      !MembersOf(&object)->empty()) {
    // Parts by kind, in the order of their kinds' numbers.
    std::map<uint8_t, std::vector<const Object*>> children;
    for (Handle member : *MembersOf(&object)) {
      const Object* child = board_.Find(member);
      if (!child || child->owner != object.handle) continue;
      if (object.kind == pcbapi::kComponent) {
        const auto& component = static_cast<const Component&>(object);
        if (member == component.designator || member == component.comment) continue;
      }
      children[child->kind].push_back(child);
    }
    static const std::map<uint8_t, const char*> kChildKeys = {{pcbapi::kPad, "pads"},
                                                              {pcbapi::kTrack, "tracks"},
                                                              {pcbapi::kArc, "arcs"},
                                                              {pcbapi::kFill, "fills"},
                                                              {pcbapi::kRegion, "regions"},
                                                              {pcbapi::kTextObject, "texts"},
                                                              {pcbapi::kComponentBody, "bodies"}};
    ObjectText hatch;
    for (const auto& [kind, list] : children) {
      auto key = kChildKeys.find(kind);
      if (key == kChildKeys.end()) continue;
      ObjectText& owner = object.kind == pcbapi::kPolygon ? hatch : value;
      ObjectText::Member& member = owner.Put(key->second, ObjectText::Kind::Objects);
      member.objects.resize(list.size());
      for (size_t i = 0; i < list.size(); ++i) ObjectValue(*list[i], member.objects[i]);
    }
    if (!hatch.empty())
      value.Put("hatch", ObjectText::Kind::Hatch).objects.push_back(std::move(hatch));
  }
  if (object.unknown) {
    for (const auto& [key, item] : object.unknown->items()) {
      value.Put(key, ObjectText::Kind::Other).other = &item;
    }
  }
}

void Writer::WriteList(std::string& out, const char* key,
                       const std::vector<const Object*>& objects) {
  out += ",\n  " + ojson(key).dump() + ": [";
  for (size_t i = 0; i < objects.size(); ++i) {
    out += i ? ",\n    " : "\n    ";
    ObjectText value;
    ObjectValue(*objects[i], value);
    value.Append(out, 4);
  }
  out += objects.empty() ? "]" : "\n  ]";
}

ojson DielectricValue(const Dielectric& d) {
  return {{"material", d.material},
          {"kind", d.kind},
          {"constant", d.constant},
          {"height", LengthValue(d.height)}};
}

ojson Writer::BoardRecord() const {
  const Board& b = board_;
  ojson r = ojson::object();
  if (b.version != 1) r["version"] = b.version;
  r["unit"] = b.unit == 1 ? "mm" : "mil";
  if (b.origin_x || b.origin_y) r["origin"] = PointValue(b.origin_x, b.origin_y);
  if (b.width) r["width"] = LengthValue(b.width);
  if (b.height) r["height"] = LengthValue(b.height);
  if (b.snap_to_grid != 1) r["snapToGrid"] = b.snap_to_grid;
  if (b.current_layer != kTopLayer) r["currentLayer"] = LegacyLayerName(b.current_layer);
  if (b.split_plane_mode != 1) r["splitPlaneMode"] = b.split_plane_mode;
  r["topDielectric"] = DielectricValue(b.top_dielectric);
  r["bottomDielectric"] = DielectricValue(b.bottom_dielectric);
  const pcbapi::BoardGrids& g = b.grids;
  ojson grids = {{"snapX", LengthValue(g.snap_x)},
                 {"snapY", LengthValue(g.snap_y)},
                 {"componentX", LengthValue(g.component_x)},
                 {"componentY", LengthValue(g.component_y)},
                 {"electricalRange", LengthValue(g.electrical_range)},
                 {"visible1", LengthValue(g.visible1)},
                 {"visible2", LengthValue(g.visible2)},
                 {"electricalGrid", g.electrical_grid_on},
                 {"snapToBoardOutline", g.snap_to_board_outline},
                 {"visibleGridKind", g.visible_grid_kind},
                 {"reserved", g.reserved}};
  r["grids"] = grids;
  ojson options = ojson::object();
  auto ints = [&](const char* key, const int32_t* values, size_t count) {
    if (std::any_of(values, values + count, [](int32_t v) { return v != 0; })) {
      options[key] = std::vector<int32_t>(values, values + count);
    }
  };
  ints("output", b.output_options.values, 8);
  ints("gerber", b.gerber_options.values, 12);
  ints("printer", b.printer_options.values, 8);
  ints("placer", b.placer_options.values, 8);
  ints("eco", b.eco_options.values, 4);
  auto layers = [&](const char* key, const auto& flags) {
    std::vector<int> set;
    for (int l = 1; l <= pcbapi::kOutputLayerCount; ++l) {
      if (flags[l]) set.push_back(l);
    }
    if (!set.empty()) options[key] = set;
  };
  layers("plotLayers", b.plot_layers);
  layers("flipLayers", b.flip_layers);
  int last_pen = 0;
  for (int p = 1; p <= pcbapi::kPlotterPenCount; ++p) {
    if (b.plotter_pens[p][0] || b.plotter_pens[p][1]) last_pen = p;
  }
  if (last_pen) {
    ojson pens = ojson::array();
    for (int p = 1; p <= last_pen; ++p)
      pens.push_back({b.plotter_pens[p][0], b.plotter_pens[p][1]});
    options["plotterPens"] = pens;
  }
  ojson composite = ojson::object();
  for (int l = 1; l <= kLastLegacyLayer; ++l) {
    const auto& v = b.composite_layers[l];
    if (v[0] || v[1] || v[2] || v[3]) composite[LegacyLayerName(l)] = {v[0], v[1], v[2], v[3]};
  }
  if (!composite.empty()) options["compositeLayers"] = composite;
  if (!options.empty()) r["options"] = options;
  if (b.unknown_record) {
    for (const auto& [key, item] : b.unknown_record->items()) r[key] = item;
  }
  return r;
}

ojson Writer::LayerValue(int l, bool in_stack) const {
  const LayerInfo& layer = board_.layers[l];
  const LayerInfo defaults;
  ojson v = {{"layer", LegacyLayerName(l)}};
  if (layer.name != LegacyLayerName(l)) v["name"] = layer.name;
  if (in_stack || layer.copper_thickness != defaults.copper_thickness) {
    v["copper"] = LengthValue(layer.copper_thickness);
  }
  if (layer.visible != 1) v["visible"] = layer.visible;
  if (layer.locked) v["locked"] = layer.locked;
  if (layer.enabled) v["enabled"] = layer.enabled;
  if (layer.color) v["color"] = layer.color;
  if (IsPlaneLayer(l) && (in_stack || layer.plane_net != defaults.plane_net)) {
    v["net"] = layer.plane_net;
  }
  const Dielectric& d = layer.dielectric;
  const Dielectric dd;
  if (in_stack || d.material != dd.material || d.kind != dd.kind || d.constant != dd.constant ||
      d.height != dd.height) {
    v["dielectric"] = DielectricValue(d);
  }
  return v;
}

std::string Writer::Write() {
  std::string out = "{\n  \"format\": \"quorvel-board\",\n  \"version\": 1,\n  \"board\": ";
  out += BoardRecord().dump();
  const std::vector<uint8_t> stack = board_.StackOrder();
  out += ",\n  \"stack\": [";
  for (size_t i = 0; i < stack.size(); ++i) {
    out += (i ? ",\n    " : "\n    ") + LayerValue(stack[i], true).dump();
  }
  out += stack.empty() ? "]" : "\n  ]";
  // Settings of layers outside the stack that differ from the defaults.
  std::vector<std::string> others;
  const LayerInfo defaults;
  for (int l = 1; l <= kLastLegacyLayer; ++l) {
    if (std::find(stack.begin(), stack.end(), l) != stack.end()) continue;
    const ojson v = LayerValue(l, false);
    if (v.size() > 1) others.push_back(v.dump());
  }
  if (!others.empty()) {
    out += ",\n  \"layers\": [";
    for (size_t i = 0; i < others.size(); ++i) out += (i ? ",\n    " : "\n    ") + others[i];
    out += "\n  ]";
  }
  ojson pairs = ojson::array();
  for (const LayerPair& pair : board_.layer_pairs) {
    ojson p = {{"first", LegacyLayerName(LegacyLayerOfIdentity(pair.first).value_or(0))},
               {"second", LegacyLayerName(LegacyLayerOfIdentity(pair.second).value_or(0))}};
    if (pair.first_byte) p["firstByte"] = pair.first_byte;
    if (pair.second_byte) p["secondByte"] = pair.second_byte;
    pairs.push_back(p);
  }
  if (!pairs.empty()) out += ",\n  \"layerPairs\": " + pairs.dump();
  if (const Object* outline = board_.Find(board_.outline); outline && outline->on_board) {
    out += ",\n  \"boardOutline\": ";
    ObjectText value;
    ObjectValue(*outline, value);
    value.AppendCompact(out);
  }
  // Top-level objects by kind, in handle order; parts go with their owner.
  std::map<uint8_t, std::vector<const Object*>> by_kind;
  for (const Object* slot : board_.slots()) {
    if (!slot || !slot->on_board || slot->kind == pcbapi::kBoardOutline) continue;
    if (const Object* owner = board_.Find(slot->owner);
        owner && (owner->kind == pcbapi::kComponent || owner->kind == pcbapi::kPolygon)) {
      continue;
    }
    by_kind[slot->kind].push_back(slot);
  }
  for (const auto& array : fields::kObjectArrays) {
    auto it = by_kind.find(array.kind);
    if (it != by_kind.end()) WriteList(out, array.key, it->second);
  }
  if (board_.unknown) {
    for (const auto& [key, item] : board_.unknown->items()) {
      out += ",\n  " + ojson(key).dump() + ": " + item.dump();
    }
  }
  out += "\n}\n";
  return out;
}

}  // namespace

std::string WriteBoardText(const Board& board) { return Writer(board).Write(); }

void WriteBoard(const Board& board, const std::string& path) {
  const std::string text = WriteBoardText(board);
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) throw BoardFileError(path + ": cannot create " + temporary);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
      std::remove(temporary.c_str());
      throw BoardFileError(path + ": cannot write " + temporary);
    }
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    std::remove(temporary.c_str());
    throw BoardFileError(path + ": cannot replace the file (error " + std::to_string(error) + ")");
  }
}

}  // namespace quorvel
