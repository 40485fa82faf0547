// Reads the board file. The objects of the large arrays are taken one by one while the file is
// parsed and dropped from the parser's tree at once, so a board of 300,000 objects never exists
// twice in memory. Errors name the file and the line and column (syntax) or the JSON path.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <unordered_map>

#include "host/quorvel/board_fields.h"
#include "host/quorvel/board_file.h"

namespace quorvel {

namespace {

using json = nlohmann::json;

class Reader;

// Reads the fields of one object of the file; the keys it does not take are kept.
class FieldReader {
 public:
  FieldReader(Reader& reader, const json& value, std::string path)
      : reader_(reader), value_(value), path_(std::move(path)) {}

  [[noreturn]] void Fail(const std::string& key, const std::string& message) const;
  const json* Take(const std::string& key) {
    auto it = value_.find(key);
    if (it == value_.end()) return nullptr;
    taken_.insert(key);
    return &*it;
  }
  std::string PathOf(const std::string& key) const { return path_ + "/" + key; }

  template <class T>
  void Integer(const char* key, T& field, int64_t low, int64_t high) {
    const json* v = Take(key);
    if (!v) return;
    if (v->is_boolean()) {
      field = static_cast<T>(v->get<bool>() ? 1 : 0);
      return;
    }
    if (!v->is_number_integer()) Fail(key, "expected an integer");
    const int64_t n = v->get<int64_t>();
    if (n < low || n > high) {
      Fail(key, std::to_string(n) + " is out of range " + std::to_string(low) + ".." +
                    std::to_string(high));
    }
    field = static_cast<T>(n);
  }
  void Preset(uint8_t& field, uint8_t value) { field = value; }
  void Word(const char* key, uint16_t& field, uint16_t) { Integer(key, field, 0, 65535); }
  void Byte(const char* key, uint8_t& field, uint8_t) { Integer(key, field, 0, 255); }
  void Bool(const char* key, uint8_t& field, uint8_t) { Integer(key, field, 0, 255); }
  void Int(const char* key, int32_t& field, int32_t) {
    Integer(key, field, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  }
  void OwnerValue(const char* key, int32_t& field, Handle) { Int(key, field, 0); }
  Coord LengthOf(const json& v, const std::string& key) {
    if (v.is_number_integer()) {
      const int64_t n = v.get<int64_t>();
      if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) {
        Fail(key, "length out of range");
      }
      return static_cast<Coord>(n);
    }
    if (!v.is_string()) Fail(key, "expected a length (\"12.5mil\", \"0.3mm\" or units)");
    try {
      return ParseLength(v.get<std::string>());
    } catch (const std::invalid_argument& e) {
      Fail(key, "\"" + v.get<std::string>() + "\": " + e.what());
    }
  }
  void Length(const char* key, Coord& field, Coord) {
    if (const json* v = Take(key)) field = LengthOf(*v, key);
  }
  void Double(const char* key, double& field, double) {
    const json* v = Take(key);
    if (!v) return;
    if (!v->is_number()) Fail(key, "expected a number");
    field = v->get<double>();
  }
  void String(const char* key, std::string& field, const char* required, size_t capacity) {
    const json* v = Take(key);
    if (!v) {
      if (!required) Fail(key, "missing");
      return;
    }
    if (!v->is_string()) Fail(key, "expected a text");
    field = v->get<std::string>();
    if (field.size() > capacity) {
      Fail(key, "longer than " + std::to_string(capacity) + " characters");
    }
  }
  uint8_t LayerOf(const json& v, const std::string& key) {
    if (v.is_number_integer()) {
      const int64_t n = v.get<int64_t>();
      if (n < 0 || n > kLastLegacyLayer) Fail(key, "layer number out of range 0..82");
      return static_cast<uint8_t>(n);
    }
    if (v.is_string()) {
      if (auto layer = LegacyLayerFromName(v.get<std::string>())) return *layer;
      Fail(key, "unknown layer \"" + v.get<std::string>() + "\"");
    }
    Fail(key, "expected a layer name");
  }
  void Layer(const char* key, uint8_t& field, uint8_t) {
    if (const json* v = Take(key)) field = LayerOf(*v, key);
  }
  void Net(const char* key, Handle& field);
  void Ref(const char* key, Handle& field);
  void Flags(uint16_t& flags) {
    Word("flags", flags, 0);
    uint8_t top = flags >> 11 & 1, bottom = flags >> 13 & 1;
    Bool("testPointTop", top, 0);
    Bool("testPointBottom", bottom, 0);
    flags = static_cast<uint16_t>((flags & ~((1u << 11) | (1u << 13))) | (top ? 1u << 11 : 0) |
                                  (bottom ? 1u << 13 : 0));
  }
  uint8_t ShapeOf(const json& v, const std::string& key) {
    if (v.is_number_integer()) {
      const int64_t n = v.get<int64_t>();
      if (n < 0 || n > 255) Fail(key, "shape code out of range");
      return static_cast<uint8_t>(n);
    }
    if (v.is_string()) {
      if (auto shape = ShapeFromName(v.get<std::string>())) return *shape;
    }
    Fail(key, "expected a shape (round, rectangle, octagon, roundedRectangle, none or a code)");
  }
  std::pair<Coord, Coord> SizeOf(const json& v, const std::string& key) {
    if (!v.is_array() || v.size() != 2) Fail(key, "expected [x size, y size]");
    return {LengthOf(v[0], key), LengthOf(v[1], key)};
  }
  void StackMode(const char* key, uint8_t& field) {
    const json* v = Take(key);
    if (!v) return;
    if (v->is_string()) {
      const std::string s = v->get<std::string>();
      if (s == "simple")
        field = 0;
      else if (s == "topMiddleBottom")
        field = 1;
      else if (s == "full")
        field = 2;
      else
        Fail(key, "expected simple, topMiddleBottom or full");
      return;
    }
    value_taken_again(key);
    Integer(key, field, 0, 255);
  }
  void LayerLengths(const char* key, std::array<Coord, 33>& field) {
    const json* v = Take(key);
    if (!v) return;
    if (!v->is_object()) Fail(key, "expected {layer: length, ...}");
    for (const auto& [name, length] : v->items()) {
      const uint8_t layer = LayerOf(json(name), std::string(key) + "/" + name);
      if (!IsSignalLayer(layer)) Fail(std::string(key) + "/" + name, "not a signal layer");
      field[layer] = LengthOf(length, std::string(key) + "/" + name);
    }
  }
  void PadShapes(Pad& p);
  Segment SegmentOf(const json& v, const std::string& key) {
    Segment s{};
    if (v.is_array()) {
      if (v.size() != 2) Fail(key, "expected [x, y]");
      s.kind = 0;
      s.vx = LengthOf(v[0], key);
      s.vy = LengthOf(v[1], key);
      return s;
    }
    if (!v.is_object() || !v.contains("arc"))
      Fail(key, "expected [x, y] or {\"arc\": [x, y], ...}");
    s.kind = 1;
    const json& to = v["arc"];
    if (!to.is_array() || to.size() != 2) Fail(key + "/arc", "expected [x, y]");
    s.vx = LengthOf(to[0], key + "/arc");
    s.vy = LengthOf(to[1], key + "/arc");
    const json center = v.value("center", json());
    if (!center.is_array() || center.size() != 2) Fail(key + "/center", "expected [x, y]");
    s.cx = LengthOf(center[0], key + "/center");
    s.cy = LengthOf(center[1], key + "/center");
    if (!v.contains("radius")) Fail(key + "/radius", "missing");
    s.radius = LengthOf(v["radius"], key + "/radius");
    for (const char* angle : {"start", "end"}) {
      if (!v.contains(angle) || !v[angle].is_number()) {
        Fail(key + "/" + angle, "expected an angle in degrees");
      }
    }
    s.start_angle = v["start"].get<double>();
    s.end_angle = v["end"].get<double>();
    return s;
  }
  quorvel::Outline OutlineOf(const json& v, const std::string& key) {
    if (!v.is_array()) Fail(key, "expected a list of segments");
    quorvel::Outline outline;
    outline.reserve(v.size());
    for (size_t i = 0; i < v.size(); ++i) {
      outline.push_back(SegmentOf(v[i], key + "/" + std::to_string(i)));
    }
    return outline;
  }
  void Outline(const char* key, quorvel::Outline& field) {
    if (const json* v = Take(key)) field = OutlineOf(*v, key);
  }
  void Outlines(const char* key, std::vector<quorvel::Outline>& field) {
    const json* v = Take(key);
    if (!v) return;
    if (!v->is_array()) Fail(key, "expected a list of outlines");
    for (size_t i = 0; i < v->size(); ++i) {
      field.push_back(OutlineOf((*v)[i], std::string(key) + "/" + std::to_string(i)));
    }
  }
  void References(const char* key, std::vector<DimensionReference>& field) {
    const json* v = Take(key);
    if (!v) return;
    if (!v->is_array()) Fail(key, "expected a list");
    if (v->size() > pcbapi::kDimensionReferenceCapacity) Fail(key, "more than 200 references");
    for (size_t i = 0; i < v->size(); ++i) {
      FieldReader item(reader_, (*v)[i], PathOf(key) + "/" + std::to_string(i));
      if (!(*v)[i].is_object()) item.Fail("", "expected an object");
      DimensionReference r;
      item.Int("object", r.object, 0);
      item.Int("point", r.point, 0);
      item.Length("x", r.x, 0);
      item.Length("y", r.y, 0);
      field.push_back(r);
    }
  }
  void MemberKind(const char* key, uint8_t& field) {
    static constexpr const char* kNames[] = {"nets", "components", "fromTos",
                                             "pads", "layers",     "differentialPairs"};
    const json* v = Take(key);
    if (!v) return;
    if (v->is_string()) {
      for (uint8_t i = 0; i < 6; ++i) {
        if (v->get<std::string>() == kNames[i]) {
          field = i;
          return;
        }
      }
      Fail(key, "expected nets, components, fromTos, pads, layers or differentialPairs");
    }
    value_taken_again(key);
    Integer(key, field, 0, 255);
  }
  void Names(const char* key, std::vector<std::string>& field) {
    const json* v = Take(key);
    if (!v) return;
    if (!v->is_array()) Fail(key, "expected a list of names");
    for (const json& name : *v) {
      if (!name.is_string() || name.get<std::string>().size() > 255) {
        Fail(key, "expected names of at most 255 characters");
      }
      field.push_back(name.get<std::string>());
    }
  }
  void RuleKind(const char* key, uint8_t& field) {
    const json* v = Take(key);
    if (!v) Fail(key, "missing");
    if (v->is_string()) {
      if (auto kind = RuleKindFromName(v->get<std::string>())) {
        field = *kind;
        return;
      }
      Fail(key, "unknown rule kind \"" + v->get<std::string>() + "\"");
    }
    value_taken_again(key);
    Integer(key, field, 0, 255);
  }
  void LayerWidths(const char* key, std::map<uint8_t, quorvel::LayerWidths>& field) {
    const json* v = Take(key);
    if (!v) return;
    if (!v->is_object()) Fail(key, "expected {layer: {max, min, preferred}, ...}");
    for (const auto& [name, widths] : v->items()) {
      const std::string path = std::string(key) + "/" + name;
      const uint8_t layer = LayerOf(json(name), path);
      FieldReader item(reader_, widths, PathOf(path));
      if (!widths.is_object()) item.Fail("", "expected {max, min, preferred}");
      quorvel::LayerWidths w;
      item.Length("max", w.max_width, 0);
      item.Length("min", w.min_width, 0);
      item.Length("preferred", w.preferred_width, 0);
      field[layer] = w;
    }
  }
  void LayerFlags(const char* key, std::array<uint8_t, pcbapi::kRoutingLayerFlagCount>& field) {
    const json* v = Take(key);
    if (!v) return;
    if (!v->is_array()) Fail(key, "expected a list of signal layers");
    for (const json& name : *v) {
      const uint8_t layer = LayerOf(name, key);
      if (!IsSignalLayer(layer)) Fail(key, "not a signal layer");
      field[layer - 1] = 1;
    }
  }
  void Data(const char* key, std::string& field);

  // Moves the keys nobody took into `unknown`.
  void Finish(std::unique_ptr<json>& unknown) {
    for (const auto& [key, item] : value_.items()) {
      if (taken_.count(key)) continue;
      if (!unknown) unknown = std::make_unique<json>(json::object());
      (*unknown)[key] = item;
    }
  }
  // For the records whose keys are all the format's own.
  void RefuseUnknownKeys() {
    std::unique_ptr<json> rest;
    Finish(rest);
    if (rest) Fail(rest->begin().key(), "unknown key");
  }
  const json& value() const { return value_; }
  const std::string& path() const { return path_; }

 private:
  // A key that a text alternative already took is read once more as a number.
  void value_taken_again(const char* key) { taken_.erase(key); }

  Reader& reader_;
  const json& value_;
  std::string path_;
  std::set<std::string> taken_;
};

class Reader {
 public:
  explicit Reader(std::string display_name)
      : display_name_(std::move(display_name)), board_(std::make_unique<Board>()) {}

  [[noreturn]] void Fail(const std::string& path, const std::string& message) const {
    throw BoardFileError(display_name_ + " at " + (path.empty() ? "/" : path) + ": " + message);
  }

  std::unique_ptr<Board> Read(const std::string& text);

  Board& board() { return *board_; }

  Handle NetByName(const std::string& name, const std::string& path) {
    auto it = nets_.find(name);
    if (it != nets_.end()) return it->second;
    // Named before the "nets" list declares it: made now, checked at the end.
    auto net = std::make_unique<Net>();
    net->name = name;
    const Handle handle = board_->Adopt(std::move(net));
    nets_[name] = handle;
    undeclared_[name] = path;
    return handle;
  }
  void DeferRef(Handle* field, std::string id, std::string path) {
    refs_.push_back({field, std::move(id), std::move(path)});
  }

 private:
  struct PendingRef {
    Handle* field;
    std::string id;
    std::string path;
  };

  void TakeElement(const std::string& key, size_t index, const json& element);
  Handle ReadObject(uint8_t kind, const json& value, const std::string& path, Handle owner);
  Handle ReadNet(const json& value, const std::string& path);
  void ReadComponentParts(Component& component, FieldReader& r);
  void ReadPolygonParts(Polygon& polygon, FieldReader& r);
  void ReadChildren(FieldReader& r, const char* key, uint8_t kind, Handle owner);
  void ReadBoardRecord(const json& value);
  void ReadStack(const json& value, const std::string& path, bool in_stack);
  void ReadLayerPairs(const json& value);
  void Finish();

  std::string display_name_;
  std::unique_ptr<Board> board_;
  std::unordered_map<std::string, Handle> nets_;
  std::map<std::string, std::string> undeclared_;  // net name -> where it was first named
  std::vector<PendingRef> refs_;
};

void FieldReader::Fail(const std::string& key, const std::string& message) const {
  reader_.Fail(key.empty() ? path_ : PathOf(key), message);
}

void FieldReader::Net(const char* key, Handle& field) {
  const json* v = Take(key);
  if (!v) return;
  if (!v->is_string() || v->get<std::string>().empty()) Fail(key, "expected a net name");
  field = reader_.NetByName(v->get<std::string>(), PathOf(key));
}

void FieldReader::Ref(const char* key, Handle& field) {
  const json* v = Take(key);
  if (!v) return;
  if (v->is_number_integer()) {
    reader_.DeferRef(&field, std::to_string(v->get<int64_t>()), PathOf(key));
  } else if (v->is_string()) {
    reader_.DeferRef(&field, v->get<std::string>(), PathOf(key));
  } else {
    Fail(key, "expected the id of an object");
  }
}

void FieldReader::Data(const char* key, std::string& field) {
  if (const json* v = Take(key)) {
    if (!v->is_string()) Fail(key, "expected a text");
    field = v->get<std::string>();
  } else if (const json* hex = Take(std::string(key) + "Hex")) {
    if (!hex->is_string() || hex->get<std::string>().size() % 2 != 0) {
      Fail(std::string(key) + "Hex", "expected pairs of hexadecimal digits");
    }
    const std::string digits = hex->get<std::string>();
    field.clear();
    for (size_t i = 0; i < digits.size(); i += 2) {
      char* end = nullptr;
      const std::string pair = digits.substr(i, 2);
      const long byte = std::strtol(pair.c_str(), &end, 16);
      if (*end != '\0') Fail(std::string(key) + "Hex", "expected hexadecimal digits");
      field.push_back(static_cast<char>(byte));
    }
  }
  if (field.size() > static_cast<size_t>(pcbapi::kEmbeddedDataSize)) {
    Fail(key, "longer than 4096 bytes");
  }
}

void FieldReader::PadShapes(Pad& p) {
  if (const json* size = Take("size")) {
    auto [x, y] = SizeOf(*size, "size");
    p.top_x = p.mid_x = p.bot_x = x;
    p.top_y = p.mid_y = p.bot_y = y;
  }
  if (const json* shape = Take("shape"))
    p.top_shape = p.mid_shape = p.bot_shape = ShapeOf(*shape, "shape");
  struct Part {
    const char* size_key;
    const char* shape_key;
    Coord& x;
    Coord& y;
    uint8_t& shape;
  } parts[] = {{"topSize", "topShape", p.top_x, p.top_y, p.top_shape},
               {"midSize", "midShape", p.mid_x, p.mid_y, p.mid_shape},
               {"botSize", "botShape", p.bot_x, p.bot_y, p.bot_shape}};
  for (Part& part : parts) {
    if (const json* size = Take(part.size_key))
      std::tie(part.x, part.y) = SizeOf(*size, part.size_key);
    if (const json* shape = Take(part.shape_key)) part.shape = ShapeOf(*shape, part.shape_key);
  }
  uint8_t percent = 0;
  if (value_.contains("cornerPercent")) {
    Byte("cornerPercent", percent, 0);
    p.top_percent = p.mid_percent = p.bot_percent = percent;
  }
  Byte("topCornerPercent", p.top_percent, 0);
  Byte("midCornerPercent", p.mid_percent, 0);
  Byte("botCornerPercent", p.bot_percent, 0);
  StackMode("stackMode", p.stack_mode);
  if (const json* stack = Take("fullStack")) {
    if (!stack->is_object()) Fail("fullStack", "expected {layer: {size, shape, cornerPercent}}");
    for (const auto& [name, entry] : stack->items()) {
      const std::string key = "fullStack/" + name;
      const uint8_t layer = LayerOf(json(name), key);
      FieldReader item(reader_, entry, PathOf(key));
      if (!entry.is_object()) item.Fail("", "expected {size, shape, cornerPercent}");
      PadLayer& target = p.FullStackEntry(layer);
      if (const json* size = item.Take("size")) {
        std::tie(target.x_size, target.y_size) = item.SizeOf(*size, "size");
      }
      if (const json* shape = item.Take("shape")) target.shape = item.ShapeOf(*shape, "shape");
      item.Byte("cornerPercent", target.corner_percent, 0);
    }
  }
}

std::unique_ptr<Board> Reader::Read(const std::string& text) {
  std::string key;  // the current top-level key
  bool in_object_array = false;
  size_t index = 0;
  json root;
  try {
    root = json::parse(text, [&](int depth, json::parse_event_t event, json& parsed) {
      if (depth == 1 && event == json::parse_event_t::key) {
        key = parsed.get<std::string>();
        in_object_array = false;
        return true;
      }
      if (depth == 1 && event == json::parse_event_t::array_start) {
        in_object_array =
            std::any_of(std::begin(fields::kObjectArrays), std::end(fields::kObjectArrays),
                        [&](const auto& a) { return key == a.key; });
        index = 0;
        return true;
      }
      if (!in_object_array || depth != 2) return true;
      if (event == json::parse_event_t::object_end) {
        TakeElement(key, index++, parsed);
        return false;  // the object now lives in the board only
      }
      if (event == json::parse_event_t::value || event == json::parse_event_t::array_end) {
        Fail("/" + key + "/" + std::to_string(index), "expected an object");
      }
      return true;
    });
  } catch (const json::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 3, column 14: <what>"
    std::string message = e.what();
    const size_t line = message.find("at line ");
    const size_t colon = message.find(": ", line == std::string::npos ? 0 : line);
    if (line != std::string::npos && colon != std::string::npos) {
      int l = 0, c = 0;
      std::sscanf(message.c_str() + line, "at line %d, column %d", &l, &c);
      throw BoardFileError(display_name_ + ":" + std::to_string(l) + ":" + std::to_string(c) +
                           ": " + message.substr(colon + 2));
    }
    throw BoardFileError(display_name_ + ": " + message);
  }
  if (!root.is_object()) Fail("", "expected an object");
  if (root.value("format", "") != "quorvel-board") {
    Fail("/format", "expected \"quorvel-board\"");
  }
  if (!root.contains("version") || root["version"] != 1) Fail("/version", "expected 1");
  static const std::set<std::string> kOwnKeys = {"format", "version",    "board",       "stack",
                                                 "layers", "layerPairs", "boardOutline"};
  for (const auto& [k, v] : root.items()) {
    const bool array =
        std::any_of(std::begin(fields::kObjectArrays), std::end(fields::kObjectArrays),
                    [&](const auto& a) { return k == a.key; });
    if (array) {
      if (!v.is_array()) Fail("/" + k, "expected a list of objects");
      continue;
    }
    if (kOwnKeys.count(k)) continue;
    if (!board_->unknown) board_->unknown = std::make_unique<json>(json::object());
    (*board_->unknown)[k] = v;
  }
  if (root.contains("board")) ReadBoardRecord(root["board"]);
  if (root.contains("stack")) ReadStack(root["stack"], "/stack", true);
  if (root.contains("layers")) ReadStack(root["layers"], "/layers", false);
  if (root.contains("layerPairs")) ReadLayerPairs(root["layerPairs"]);
  if (root.contains("boardOutline")) {
    ReadObject(pcbapi::kBoardOutline, root["boardOutline"], "/boardOutline", 0);
  }
  Finish();
  return std::move(board_);
}

void Reader::TakeElement(const std::string& key, size_t index, const json& element) {
  const std::string path = "/" + key + "/" + std::to_string(index);
  for (const auto& array : fields::kObjectArrays) {
    if (key != array.key) continue;
    if (array.kind == pcbapi::kNet) {
      ReadNet(element, path);
    } else {
      ReadObject(array.kind, element, path, 0);
    }
    return;
  }
}

Handle Reader::ReadNet(const json& value, const std::string& path) {
  if (!value.is_object() || !value.contains("name") || !value["name"].is_string()) {
    Fail(path + "/name", "a net needs a name");
  }
  const std::string name = value["name"].get<std::string>();
  auto it = nets_.find(name);
  if (it != nets_.end() && !undeclared_.count(name))
    Fail(path + "/name", "net \"" + name + "\" declared twice");
  const Handle handle = it != nets_.end() ? it->second : board_->Adopt(std::make_unique<Net>());
  nets_[name] = handle;
  undeclared_.erase(name);
  auto& net = static_cast<Net&>(*board_->Find(handle));
  FieldReader r(*this, value, path);
  fields::Fields(r, net);
  r.Finish(net.unknown);
  board_->Place(net);
  return handle;
}

Handle Reader::ReadObject(uint8_t kind, const json& value, const std::string& path, Handle owner) {
  FieldReader r(*this, value, path);
  if (!value.is_object()) r.Fail("", "expected an object");
  if (kind == pcbapi::kNet) return ReadNet(value, path);
  const Handle handle = board_->Adopt(MakeObject(kind));
  Object& object = *board_->Find(handle);
  object.owner = owner;
  if (const json* id = r.Take("id")) {
    const std::string text = id->is_string() ? id->get<std::string>() : id->dump();
    if (!board_->record_ids.emplace(text, handle).second) {
      r.Fail("id", "id " + text + " is given twice");
    }
  }
  fields::AnyFields(r, object);
  if (kind == pcbapi::kComponent) ReadComponentParts(static_cast<Component&>(object), r);
  if (kind == pcbapi::kPolygon) ReadPolygonParts(static_cast<Polygon&>(object), r);
  r.Finish(object.unknown);
  board_->Place(object);
  return handle;
}

void Reader::ReadChildren(FieldReader& r, const char* key, uint8_t kind, Handle owner) {
  const json* list = r.Take(key);
  if (!list) return;
  if (!list->is_array()) r.Fail(key, "expected a list of objects");
  for (size_t i = 0; i < list->size(); ++i) {
    const Handle child =
        ReadObject(kind, (*list)[i], r.PathOf(key) + "/" + std::to_string(i), owner);
    // Hatch primitives name their polygon in their first value.
    if (board_->Find(owner)->kind != pcbapi::kPolygon) continue;
    if (kind == pcbapi::kTrack) static_cast<Track&>(*board_->Find(child)).aux_value1 = owner;
    if (kind == pcbapi::kArc) static_cast<Arc&>(*board_->Find(child)).aux_value1 = owner;
  }
}

void Reader::ReadComponentParts(Component& component, FieldReader& r) {
  struct TextPart {
    const char* text_key;
    const char* object_key;
    int32_t text_kind;
    Handle& handle;
  } parts[] = {{"designator", "designatorText", 1, component.designator},
               {"comment", "commentText", 2, component.comment}};
  for (TextPart& part : parts) {
    const json* text = r.Take(part.text_key);
    const json* object = r.Take(part.object_key);
    if (!text && !object) continue;
    if (text && !text->is_string()) r.Fail(part.text_key, "expected a text");
    const json fields = object ? *object : json::object();
    const Handle handle =
        ReadObject(pcbapi::kTextObject, fields, r.PathOf(part.object_key), component.handle);
    auto& t = static_cast<Text&>(*board_->Find(handle));
    const uint8_t old_layer = t.layer;
    if (text) t.text = text->get<std::string>();
    if (t.text.size() > 254) r.Fail(part.text_key, "longer than 254 characters");
    t.text_kind = part.text_kind;
    if (!object || !object->contains("layer")) {
      t.layer = component.layer == kBottomLayer ? 34 : 33;  // the component's overlay
    }
    board_->Refile(t, t.net, old_layer, t.owner);  // the text's extent changed with it
    part.handle = handle;
  }
  // Children last, after the texts: the component's parts follow it in handle order.
  const Handle owner = component.handle;
  const auto move_and_read = [&](const char* key, uint8_t kind) {
    ReadChildren(r, key, kind, owner);
  };
  move_and_read("pads", pcbapi::kPad);
  move_and_read("tracks", pcbapi::kTrack);
  move_and_read("arcs", pcbapi::kArc);
  move_and_read("fills", pcbapi::kFill);
  move_and_read("regions", pcbapi::kRegion);
  move_and_read("texts", pcbapi::kTextObject);
  move_and_read("bodies", pcbapi::kComponentBody);
  // Pads keep the offsets of the file as positions on the board.
}

void Reader::ReadPolygonParts(Polygon& polygon, FieldReader& r) {
  const json* hatch = r.Take("hatch");
  if (!hatch) return;
  if (!hatch->is_object()) r.Fail("hatch", "expected {\"tracks\": [...], \"arcs\": [...]}");
  FieldReader h(*this, *hatch, r.PathOf("hatch"));
  ReadChildren(h, "tracks", pcbapi::kTrack, polygon.handle);
  ReadChildren(h, "arcs", pcbapi::kArc, polygon.handle);
  std::unique_ptr<json> rest;
  h.Finish(rest);
  if (rest) h.Fail(rest->begin().key(), "unknown hatch list");
}

void Reader::ReadBoardRecord(const json& value) {
  FieldReader r(*this, value, "/board");
  if (!value.is_object()) r.Fail("", "expected an object");
  Board& b = *board_;
  r.Int("version", b.version, 1);
  if (const json* unit = r.Take("unit")) {
    if (*unit == "mil")
      b.unit = 0;
    else if (*unit == "mm")
      b.unit = 1;
    else
      r.Fail("unit", "expected \"mil\" or \"mm\"");
  }
  if (const json* origin = r.Take("origin")) {
    std::tie(b.origin_x, b.origin_y) = r.SizeOf(*origin, "origin");
  }
  r.Length("width", b.width, 0);
  r.Length("height", b.height, 0);
  r.Bool("snapToGrid", b.snap_to_grid, 1);
  r.Layer("currentLayer", b.current_layer, kTopLayer);
  r.Byte("splitPlaneMode", b.split_plane_mode, 1);
  struct DielectricPart {
    const char* key;
    Dielectric& d;
  } dielectrics[] = {{"topDielectric", b.top_dielectric},
                     {"bottomDielectric", b.bottom_dielectric}};
  for (auto& part : dielectrics) {
    const json* d = r.Take(part.key);
    if (!d) continue;
    FieldReader item(*this, *d, r.PathOf(part.key));
    if (!d->is_object()) item.Fail("", "expected an object");
    item.String("material", part.d.material, "", 255);
    item.Byte("kind", part.d.kind, 1);
    item.Double("constant", part.d.constant, 4.8);
    item.Length("height", part.d.height, 126000);
    item.RefuseUnknownKeys();
  }
  if (const json* grids = r.Take("grids")) {
    FieldReader g(*this, *grids, r.PathOf("grids"));
    if (!grids->is_object()) g.Fail("", "expected an object");
    g.Length("snapX", b.grids.snap_x, 0);
    g.Length("snapY", b.grids.snap_y, 0);
    g.Length("componentX", b.grids.component_x, 0);
    g.Length("componentY", b.grids.component_y, 0);
    g.Length("electricalRange", b.grids.electrical_range, 0);
    g.Length("visible1", b.grids.visible1, 0);
    g.Length("visible2", b.grids.visible2, 0);
    g.Bool("electricalGrid", b.grids.electrical_grid_on, 0);
    g.Bool("snapToBoardOutline", b.grids.snap_to_board_outline, 0);
    g.Byte("visibleGridKind", b.grids.visible_grid_kind, 0);
    g.Byte("reserved", b.grids.reserved, 0);
    g.RefuseUnknownKeys();
  }
  if (const json* options = r.Take("options")) {
    FieldReader o(*this, *options, r.PathOf("options"));
    if (!options->is_object()) o.Fail("", "expected an object");
    auto ints = [&](const char* key, int32_t* values, size_t count) {
      const json* list = o.Take(key);
      if (!list) return;
      if (!list->is_array() || list->size() > count) {
        o.Fail(key, "expected at most " + std::to_string(count) + " integers");
      }
      for (size_t i = 0; i < list->size(); ++i) {
        if (!(*list)[i].is_number_integer()) o.Fail(key, "expected integers");
        values[i] = (*list)[i].get<int32_t>();
      }
    };
    ints("output", b.output_options.values, 8);
    ints("gerber", b.gerber_options.values, 12);
    ints("printer", b.printer_options.values, 8);
    ints("placer", b.placer_options.values, 8);
    ints("eco", b.eco_options.values, 4);
    auto bytes = [&](const char* key, std::array<uint8_t, pcbapi::kOutputLayerCount + 1>& field) {
      const json* list = o.Take(key);
      if (!list) return;
      if (!list->is_array()) o.Fail(key, "expected a list of output layer numbers 1..109");
      for (const json& n : *list) {
        if (!n.is_number_integer() || n.get<int>() < 1 || n.get<int>() > 109) {
          o.Fail(key, "expected output layer numbers 1..109");
        }
        field[n.get<int>()] = 1;
      }
    };
    bytes("plotLayers", b.plot_layers);
    bytes("flipLayers", b.flip_layers);
    if (const json* pens = o.Take("plotterPens")) {
      if (!pens->is_array() || pens->size() > 8)
        o.Fail("plotterPens", "expected up to 8 [color, width]");
      for (size_t i = 0; i < pens->size(); ++i) {
        const json& pen = (*pens)[i];
        if (!pen.is_array() || pen.size() != 2 || !pen[0].is_number_integer() ||
            !pen[1].is_number_integer()) {
          o.Fail("plotterPens", "expected [color, width]");
        }
        b.plotter_pens[i + 1] = {pen[0].get<int32_t>(), pen[1].get<int32_t>()};
      }
    }
    if (const json* composite = o.Take("compositeLayers")) {
      if (!composite->is_object()) o.Fail("compositeLayers", "expected {layer: [4 values]}");
      for (const auto& [name, values] : composite->items()) {
        const uint8_t layer = o.LayerOf(json(name), "compositeLayers/" + name);
        if (!values.is_array() || values.size() != 4) {
          o.Fail("compositeLayers/" + name, "expected four integers");
        }
        for (int i = 0; i < 4; ++i) {
          if (!values[i].is_number_integer())
            o.Fail("compositeLayers/" + name, "expected integers");
          b.composite_layers[layer][i] = values[i].get<int32_t>();
        }
      }
    }
    std::unique_ptr<json> rest;
    o.Finish(rest);
    if (rest) o.Fail(rest->begin().key(), "unknown option record");
  }
  r.Finish(b.unknown_record);
}

void Reader::ReadStack(const json& value, const std::string& path, bool in_stack) {
  if (!value.is_array()) Fail(path, "expected a list of layers");
  uint8_t previous = 0;
  std::set<uint8_t> seen;
  for (size_t i = 0; i < value.size(); ++i) {
    FieldReader r(*this, value[i], path + "/" + std::to_string(i));
    if (!value[i].is_object()) r.Fail("", "expected an object");
    uint8_t number = 0;
    r.Layer("layer", number, 0);
    if (number == 0) r.Fail("layer", "missing");
    if (!seen.insert(number).second) r.Fail("layer", "layer listed twice");
    LayerInfo& layer = board_->layers[number];
    if (in_stack) {
      if (!IsSignalLayer(number) && !IsPlaneLayer(number)) {
        r.Fail("layer", "only signal layers and internal planes make the stack");
      }
      layer.previous = previous;
      if (previous) board_->layers[previous].next = number;
      previous = number;
    }
    r.String("name", layer.name, "", 255);
    r.Length("copper", layer.copper_thickness, 14000);
    r.Bool("visible", layer.visible, 1);
    r.Bool("locked", layer.locked, 0);
    r.Bool("enabled", layer.enabled, 0);
    r.Int("color", layer.color, 0);
    if (IsPlaneLayer(number)) r.String("net", layer.plane_net, "", 255);
    if (const json* d = r.Take("dielectric")) {
      FieldReader item(*this, *d, r.PathOf("dielectric"));
      if (!d->is_object()) item.Fail("", "expected an object");
      item.String("material", layer.dielectric.material, "", 255);
      item.Byte("kind", layer.dielectric.kind, 1);
      item.Double("constant", layer.dielectric.constant, 4.8);
      item.Length("height", layer.dielectric.height, 126000);
      item.RefuseUnknownKeys();
    }
    std::unique_ptr<json> rest;
    r.Finish(rest);
    if (rest) r.Fail(rest->begin().key(), "unknown layer setting");
  }
}

void Reader::ReadLayerPairs(const json& value) {
  if (!value.is_array()) Fail("/layerPairs", "expected a list of layer pairs");
  for (size_t i = 0; i < value.size(); ++i) {
    FieldReader r(*this, value[i], "/layerPairs/" + std::to_string(i));
    if (!value[i].is_object()) r.Fail("", "expected an object");
    uint8_t first = 0, second = 0;
    LayerPair pair;
    r.Layer("first", first, 0);
    r.Layer("second", second, 0);
    r.Byte("firstByte", pair.first_byte, 0);
    r.Byte("secondByte", pair.second_byte, 0);
    pair.first = first;
    pair.second = second;
    std::unique_ptr<json> rest;
    r.Finish(rest);
    if (rest) r.Fail(rest->begin().key(), "unknown layer-pair setting");
    board_->layer_pairs.push_back(pair);
  }
}

void Reader::Finish() {
  if (!undeclared_.empty()) {
    const auto& [name, path] = *undeclared_.begin();
    Fail(path, "net \"" + name + "\" is not in the \"nets\" list");
  }
  for (const PendingRef& ref : refs_) {
    const Object* target = board_->FindByRecordId(ref.id);
    if (!target) Fail(ref.path, "no object has the id " + ref.id);
    *ref.field = target->handle;
  }
}

// Deeper nesting than any board needs: the parser, the values it builds and the writer that
// saves unknown fields back all recurse, and a file nested thousands deep would end the host.
constexpr int kMaxNesting = 256;

// Refuses a text nested deeper than kMaxNesting at the bracket that goes too deep.
void CheckNesting(const std::string& text, const std::string& display_name) {
  int depth = 0, line = 1, column = 0;
  bool in_string = false, escaped = false;
  for (const char c : text) {
    ++column;
    if (c == '\n') {
      ++line;
      column = 0;
    }
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') in_string = true;
    if (c == ']' || c == '}') --depth;
    if ((c == '[' || c == '{') && ++depth > kMaxNesting) {
      throw BoardFileError(display_name + ":" + std::to_string(line) + ":" +
                           std::to_string(column) + ": nested deeper than " +
                           std::to_string(kMaxNesting) + " levels");
    }
  }
}

}  // namespace

std::unique_ptr<Board> ReadBoardText(const std::string& text, const std::string& display_name) {
  CheckNesting(text, display_name);
  return Reader(display_name).Read(text);
}

std::unique_ptr<Board> ReadBoard(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw BoardFileError(path + ": cannot open the file");
  std::ostringstream content;
  content << file.rdbuf();
  if (file.bad()) throw BoardFileError(path + ": cannot read the file");
  std::unique_ptr<Board> board = ReadBoardText(content.str(), path);
  board->file_name = path;
  return board;
}

}  // namespace quorvel
