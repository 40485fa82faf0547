// Writes the board file: one line per object, nested parts (pads of a component, hatch of a
// polygon) one line each below their owner, values at their defaults left out.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "host/quorvel/board_fields.h"
#include "host/quorvel/board_file.h"

namespace quorvel {

namespace {

using ojson = nlohmann::ordered_json;

ojson LengthValue(Coord value) {
  return FormatLength(value);
}

ojson PointValue(Coord x, Coord y) {
  return ojson::array({LengthValue(x), LengthValue(y)});
}

ojson ShapeValue(uint8_t shape) {
  const std::string name = ShapeName(shape);
  return name == std::to_string(shape) ? ojson(shape) : ojson(name);
}

// Writes the fields of one object that differ from their defaults.
class FieldWriter {
 public:
  FieldWriter(const Board& board, const std::set<Handle>& referenced, ojson& out)
      : board_(board), referenced_(referenced), out_(out) {}

  void Preset(uint8_t, uint8_t) {}
  void Word(const char* key, uint16_t v, uint16_t def) {
    if (v != def) out_[key] = v;
  }
  void Byte(const char* key, uint8_t v, uint8_t def) {
    if (v != def) out_[key] = v;
  }
  void Bool(const char* key, uint8_t v, uint8_t def) {
    if (v != def) out_[key] = v > 1 ? ojson(v) : ojson(v != 0);  // other values stay numbers
  }
  void Int(const char* key, int32_t v, int32_t def) {
    if (v != def) out_[key] = v;
  }
  void OwnerValue(const char* key, int32_t v, Handle owner) {
    if (v != 0 && static_cast<Handle>(v) != owner) out_[key] = v;
  }
  void Length(const char* key, Coord v, Coord def) {
    if (v != def) out_[key] = LengthValue(v);
  }
  void Double(const char* key, double v, double def) {
    if (v != def) out_[key] = v;
  }
  void String(const char* key, const std::string& v, const char* def, size_t) {
    if (!def || v != def) out_[key] = v;
  }
  void Layer(const char* key, uint8_t v, uint8_t def) {
    if (v != def) out_[key] = LegacyLayerName(v);
  }
  void Net(const char* key, Handle v) {
    const Object* net = board_.Find(v);
    if (net && net->kind == pcbapi::kNet) out_[key] = static_cast<const quorvel::Net*>(net)->name;
  }
  void Ref(const char* key, Handle v) {
    if (board_.Find(v) && referenced_.count(v)) out_[key] = std::to_string(v);
  }
  void Flags(uint16_t flags) {
    const uint16_t rest = flags & ~((1u << 11) | (1u << 13));
    if (rest) out_["flags"] = rest;
    if (flags >> 11 & 1) out_["testPointTop"] = true;
    if (flags >> 13 & 1) out_["testPointBottom"] = true;
  }
  void StackMode(const char* key, uint8_t v) {
    static constexpr const char* kNames[] = {"simple", "topMiddleBottom", "full"};
    if (v != 0) out_[key] = v < 3 ? ojson(kNames[v]) : ojson(v);
  }
  void LayerLengths(const char* key, const std::array<Coord, 33>& v) {
    ojson map = ojson::object();
    for (int l = kTopLayer; l <= kBottomLayer; ++l) {
      if (v[l] != 0) map[LegacyLayerName(l)] = LengthValue(v[l]);
    }
    if (!map.empty()) out_[key] = map;
  }
  void PadShapes(const Pad& p) {
    if (p.top_x == p.mid_x && p.mid_x == p.bot_x && p.top_y == p.mid_y && p.mid_y == p.bot_y) {
      out_["size"] = PointValue(p.top_x, p.top_y);
    } else {
      out_["topSize"] = PointValue(p.top_x, p.top_y);
      out_["midSize"] = PointValue(p.mid_x, p.mid_y);
      out_["botSize"] = PointValue(p.bot_x, p.bot_y);
    }
    if (p.top_shape == p.mid_shape && p.mid_shape == p.bot_shape) {
      out_["shape"] = ShapeValue(p.top_shape);
    } else {
      out_["topShape"] = ShapeValue(p.top_shape);
      out_["midShape"] = ShapeValue(p.mid_shape);
      out_["botShape"] = ShapeValue(p.bot_shape);
    }
    if (p.top_percent == p.mid_percent && p.mid_percent == p.bot_percent) {
      Byte("cornerPercent", p.top_percent, 0);
    } else {
      out_["topCornerPercent"] = p.top_percent;
      out_["midCornerPercent"] = p.mid_percent;
      out_["botCornerPercent"] = p.bot_percent;
    }
    StackMode("stackMode", p.stack_mode);
    if (!p.full_stack.empty()) {
      ojson stack = ojson::object();
      for (int l = 0; l <= kLastLegacyLayer; ++l) {
        const PadLayer& e = p.full_stack[l];
        if (e.x_size == 0 && e.y_size == 0 && e.shape == 0 && e.corner_percent == 0) continue;
        ojson entry = {{"size", PointValue(e.x_size, e.y_size)}, {"shape", ShapeValue(e.shape)}};
        if (e.corner_percent) entry["cornerPercent"] = e.corner_percent;
        stack[LegacyLayerName(l)] = entry;
      }
      out_["fullStack"] = stack;
    }
  }
  static ojson OutlineValue(const quorvel::Outline& outline) {
    ojson list = ojson::array();
    for (const Segment& s : outline) {
      if (s.kind == 1) {
        list.push_back({{"arc", PointValue(s.vx, s.vy)},
                        {"center", PointValue(s.cx, s.cy)},
                        {"radius", LengthValue(s.radius)},
                        {"start", s.start_angle},
                        {"end", s.end_angle}});
      } else {
        list.push_back(PointValue(s.vx, s.vy));
      }
    }
    return list;
  }
  void Outline(const char* key, const quorvel::Outline& v) {
    if (!v.empty()) out_[key] = OutlineValue(v);
  }
  void Outlines(const char* key, const std::vector<quorvel::Outline>& v) {
    if (v.empty()) return;
    ojson list = ojson::array();
    for (const quorvel::Outline& outline : v) list.push_back(OutlineValue(outline));
    out_[key] = list;
  }
  void References(const char* key, const std::vector<DimensionReference>& v) {
    if (v.empty()) return;
    ojson list = ojson::array();
    for (const DimensionReference& r : v) {
      list.push_back({{"object", r.object},
                      {"point", r.point},
                      {"x", LengthValue(r.x)},
                      {"y", LengthValue(r.y)}});
    }
    out_[key] = list;
  }
  void MemberKind(const char* key, uint8_t v) {
    static constexpr const char* kNames[] = {"nets", "components", "fromTos",
                                             "pads", "layers",     "differentialPairs"};
    out_[key] = v < 6 ? ojson(kNames[v]) : ojson(v);
  }
  void Names(const char* key, const std::vector<std::string>& v) {
    if (!v.empty()) out_[key] = v;
  }
  void RuleKind(const char* key, uint8_t v) {
    const std::string name = RuleKindName(v);
    out_[key] = name == std::to_string(v) ? ojson(v) : ojson(name);
  }
  void LayerWidths(const char* key, const std::map<uint8_t, quorvel::LayerWidths>& v) {
    if (v.empty()) return;
    ojson map = ojson::object();
    for (const auto& [layer, w] : v) {
      map[LegacyLayerName(layer)] = {{"max", LengthValue(w.max_width)},
                                     {"min", LengthValue(w.min_width)},
                                     {"preferred", LengthValue(w.preferred_width)}};
    }
    out_[key] = map;
  }
  void LayerFlags(const char* key, const std::array<uint8_t, pcbapi::kRoutingLayerFlagCount>& v) {
    ojson list = ojson::array();
    for (int l = 0; l < pcbapi::kRoutingLayerFlagCount; ++l) {
      if (v[l]) list.push_back(LegacyLayerName(l + 1));
    }
    if (!list.empty()) out_[key] = list;
  }
  void Data(const char* key, const std::string& v) {
    if (v.empty()) return;
    const bool printable = std::all_of(v.begin(), v.end(), [](char c) {
      return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
    });
    if (printable) {
      out_[key] = v;
      return;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (char c : v) {
      hex += kDigits[static_cast<unsigned char>(c) >> 4];
      hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    out_[std::string(key) + "Hex"] = hex;
  }

 private:
  const Board& board_;
  const std::set<Handle>& referenced_;
  ojson& out_;
};

class Writer {
 public:
  explicit Writer(const Board& board) : board_(board) {
    for (const auto& slot : board.slots()) {
      if (!slot || !slot->on_board) continue;
      if (slot->kind == pcbapi::kViolation) {
        const auto& v = static_cast<const Violation&>(*slot);
        referenced_.insert({v.rule, v.first, v.second});
      }
    }
  }

  std::string Write();

 private:
  ojson ObjectValue(const Object& object);
  void WriteList(std::string& out, const char* key, const std::vector<const Object*>& objects);
  ojson BoardRecord() const;
  ojson LayerValue(int layer, bool in_stack) const;

  const Board& board_;
  std::set<Handle> referenced_;
};

// Nested lists of objects go one object per line below their owner.
void AppendValue(std::string& out, const ojson& value, int indent) {
  const std::string pad(indent, ' ');
  bool nested = false;
  for (const auto& [key, item] : value.items()) {
    if (item.is_array() && !item.empty() && item[0].is_object() && key != "references")
      nested = true;
    if (item.is_object() && key == "hatch") nested = true;
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
      out += "[\n";
      for (size_t i = 0; i < item.size(); ++i) {
        out += pad + "    ";
        AppendValue(out, item[i], indent + 4);
        out += i + 1 < item.size() ? ",\n" : "\n";
      }
      out += pad + "  ]";
    } else if (item.is_object() && key == "hatch") {
      AppendValue(out, item, indent + 2);
    } else {
      out += item.dump();
    }
  }
  out += "}";
}

ojson Writer::ObjectValue(const Object& object) {
  ojson value = ojson::object();
  if (referenced_.count(object.handle)) value["id"] = std::to_string(object.handle);
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
      ojson fields = ObjectValue(*text);
      value[part.text_key] = fields.value("text", "");
      fields.erase("text");
      fields.erase("textKind");
      const uint8_t overlay = component.layer == kBottomLayer ? 34 : 33;
      if (fields.value("layer", "") == LegacyLayerName(overlay)) fields.erase("layer");
      if (text->layer == DefaultLayer(pcbapi::kTextObject) && overlay != 33) {
        fields["layer"] = LegacyLayerName(text->layer);
      }
      if (!fields.empty()) value[part.object_key] = fields;
    }
  }
  if (!object.members.empty() &&
      (object.kind == pcbapi::kComponent || object.kind == pcbapi::kPolygon)) {
    std::map<uint8_t, ojson> children;
    for (Handle member : object.members) {
      const Object* child = board_.Find(member);
      if (!child || child->owner != object.handle) continue;
      if (object.kind == pcbapi::kComponent) {
        const auto& component = static_cast<const Component&>(object);
        if (member == component.designator || member == component.comment) continue;
      }
      auto& list = children[child->kind];
      if (list.is_null()) list = ojson::array();
      list.push_back(ObjectValue(*child));
    }
    static const std::map<uint8_t, const char*> kChildKeys = {{pcbapi::kPad, "pads"},
                                                              {pcbapi::kTrack, "tracks"},
                                                              {pcbapi::kArc, "arcs"},
                                                              {pcbapi::kFill, "fills"},
                                                              {pcbapi::kRegion, "regions"},
                                                              {pcbapi::kTextObject, "texts"},
                                                              {pcbapi::kComponentBody, "bodies"}};
    ojson hatch = ojson::object();
    for (auto& [kind, list] : children) {
      auto key = kChildKeys.find(kind);
      if (key == kChildKeys.end()) continue;
      if (object.kind == pcbapi::kPolygon) {
        hatch[key->second] = list;
      } else {
        value[key->second] = list;
      }
    }
    if (!hatch.empty()) value["hatch"] = hatch;
  }
  if (object.unknown) {
    for (const auto& [key, item] : object.unknown->items()) value[key] = item;
  }
  return value;
}

void Writer::WriteList(std::string& out, const char* key,
                       const std::vector<const Object*>& objects) {
  out += ",\n  " + ojson(key).dump() + ": [";
  for (size_t i = 0; i < objects.size(); ++i) {
    out += i ? ",\n    " : "\n    ";
    AppendValue(out, ObjectValue(*objects[i]), 4);
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
    out += ",\n  \"boardOutline\": " + ObjectValue(*outline).dump();
  }
  // Top-level objects by kind, in handle order; parts go with their owner.
  std::map<uint8_t, std::vector<const Object*>> by_kind;
  for (const auto& slot : board_.slots()) {
    if (!slot || !slot->on_board || slot->kind == pcbapi::kBoardOutline) continue;
    if (const Object* owner = board_.Find(slot->owner);
        owner && (owner->kind == pcbapi::kComponent || owner->kind == pcbapi::kPolygon)) {
      continue;
    }
    by_kind[slot->kind].push_back(slot.get());
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

std::string WriteBoardText(const Board& board) {
  return Writer(board).Write();
}

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
