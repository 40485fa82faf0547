// Reads the board file. The objects of the large arrays are taken one by one while the file is
// read and their values dropped at once, so a board of 300,000 objects never exists twice in
// memory. Errors name the file and the line and column (syntax) or the JSON path.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <set>
#include <sstream>
#include <unordered_map>

#include "host/quorvel/board_fields.h"
#include "host/quorvel/board_file.h"
#include "host/quorvel/json_reader.h"

namespace quorvel {

namespace {

using json = nlohmann::json;

// Deeper nesting than any board needs: the values the reader builds and the writer that saves
// unknown fields back both recurse, and a file nested thousands deep would end the host.
constexpr int kMaxNesting = 256;

// Where a value lies in the file ("/components/3/pads/1"), made into text only for a message.
struct Path {
  static constexpr size_t kKey = static_cast<size_t>(-1);
  const Path* parent = nullptr;
  std::string_view key;
  size_t index = kKey;

  std::string Text() const {
    std::string text = parent ? parent->Text() : std::string();
    text += '/';
    if (index == kKey) {
      text += key;
    } else {
      text += std::to_string(index);
    }
    return text;
  }
};

class Reader;

// Reads the fields of one object of the file; the keys it does not take are kept.
class FieldReader {
 public:
  FieldReader(Reader& reader, JsonValue value, const Path* path)
      : reader_(reader), value_(value), path_(path) {}

  [[noreturn]] void Fail(const std::string& key, const std::string& message) const;
  JsonValue Take(std::string_view key) { return value_.TakeMember(key); }
  std::string PathOf(const std::string& key) const { return PathText() + "/" + key; }
  std::string PathText() const { return path_ ? path_->Text() : std::string(); }

  template <class T>
  void Integer(const char* key, T& field, int64_t low, int64_t high) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (v.is_boolean()) {
      field = static_cast<T>(v.boolean() ? 1 : 0);
      return;
    }
    if (!v.is_number_integer()) Fail(key, "expected an integer");
    const int64_t n = v.integer();
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
  Coord LengthOf(JsonValue v, const std::string& key) {
    if (v.is_number_integer()) {
      const int64_t n = v.integer();
      if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) {
        Fail(key, "length out of range");
      }
      return static_cast<Coord>(n);
    }
    if (!v.is_string()) Fail(key, "expected a length (\"12.5mil\", \"0.3mm\" or units)");
    try {
      return ParseLength(v.string());
    } catch (const std::invalid_argument& e) {
      Fail(key, "\"" + std::string(v.string()) + "\": " + e.what());
    }
  }
  void Length(const char* key, Coord& field, Coord) {
    if (const JsonValue v = Take(key)) field = LengthOf(v, key);
  }
  void Double(const char* key, double& field, double) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (!v.is_number()) Fail(key, "expected a number");
    field = v.number();
  }
  void String(const char* key, std::string& field, const char* required, size_t capacity) {
    const JsonValue v = Take(key);
    if (!v) {
      if (!required) Fail(key, "missing");
      return;
    }
    if (!v.is_string()) Fail(key, "expected a text");
    if (v.string().size() > capacity) {
      Fail(key, "longer than " + std::to_string(capacity) + " characters");
    }
    field.assign(v.string());
  }
  uint8_t LayerOf(JsonValue v, const std::string& key) {
    if (v.is_number_integer()) {
      const int64_t n = v.integer();
      if (n < 0 || n > kLastLegacyLayer) Fail(key, "layer number out of range 0..82");
      return static_cast<uint8_t>(n);
    }
    if (v.is_string()) return LayerNamed(v.string(), key);
    Fail(key, "expected a layer name");
  }
  uint8_t LayerNamed(std::string_view name, const std::string& key) {
    if (auto layer = LegacyLayerFromName(name)) return *layer;
    Fail(key, "unknown layer \"" + std::string(name) + "\"");
  }
  void Layer(const char* key, uint8_t& field, uint8_t) {
    if (const JsonValue v = Take(key)) field = LayerOf(v, key);
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
  uint8_t ShapeOf(JsonValue v, const std::string& key) {
    if (v.is_number_integer()) {
      const int64_t n = v.integer();
      if (n < 0 || n > 255) Fail(key, "shape code out of range");
      return static_cast<uint8_t>(n);
    }
    if (v.is_string()) {
      if (auto shape = ShapeFromName(v.string())) return *shape;
    }
    Fail(key, "expected a shape (round, rectangle, octagon, roundedRectangle, none or a code)");
  }
  std::pair<Coord, Coord> SizeOf(JsonValue v, const std::string& key) {
    if (!v.is_array() || v.size() != 2) Fail(key, "expected [x size, y size]");
    return {LengthOf(v.At(0), key), LengthOf(v.At(1), key)};
  }
  void StackMode(const char* key, uint8_t& field) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (v.is_string()) {
      const std::string_view s = v.string();
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
    Integer(key, field, 0, 255);
  }
  void LayerLengths(const char* key, std::array<Coord, 33>& field) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (!v.is_object()) Fail(key, "expected {layer: length, ...}");
    for (JsonValue length : SortedMembers(v)) {
      const std::string path = std::string(key) + "/" + std::string(length.key());
      const uint8_t layer = LayerNamed(length.key(), path);
      if (!IsSignalLayer(layer)) Fail(path, "not a signal layer");
      field[layer] = LengthOf(length, path);
    }
  }
  void PadShapes(Pad& p);
  Segment SegmentOf(JsonValue v, const std::string& key) {
    Segment s{};
    if (v.is_array()) {
      if (v.size() != 2) Fail(key, "expected [x, y]");
      s.kind = 0;
      s.vx = LengthOf(v.At(0), key);
      s.vy = LengthOf(v.At(1), key);
      return s;
    }
    if (!v.is_object() || !v.Member("arc")) Fail(key, "expected [x, y] or {\"arc\": [x, y], ...}");
    s.kind = 1;
    const JsonValue to = v.Member("arc");
    if (!to.is_array() || to.size() != 2) Fail(key + "/arc", "expected [x, y]");
    s.vx = LengthOf(to.At(0), key + "/arc");
    s.vy = LengthOf(to.At(1), key + "/arc");
    const JsonValue center = v.Member("center");
    if (!center.is_array() || center.size() != 2) Fail(key + "/center", "expected [x, y]");
    s.cx = LengthOf(center.At(0), key + "/center");
    s.cy = LengthOf(center.At(1), key + "/center");
    if (!v.Member("radius")) Fail(key + "/radius", "missing");
    s.radius = LengthOf(v.Member("radius"), key + "/radius");
    for (const char* angle : {"start", "end"}) {
      if (!v.Member(angle).is_number()) Fail(key + "/" + angle, "expected an angle in degrees");
    }
    s.start_angle = v.Member("start").number();
    s.end_angle = v.Member("end").number();
    return s;
  }
  quorvel::Outline OutlineOf(JsonValue v, const std::string& key) {
    if (!v.is_array()) Fail(key, "expected a list of segments");
    quorvel::Outline outline;
    outline.reserve(v.size());
    size_t i = 0;
    for (JsonValue segment : v)
      outline.push_back(SegmentOf(segment, key + "/" + std::to_string(i++)));
    return outline;
  }
  void Outline(const char* key, quorvel::Outline& field) {
    if (const JsonValue v = Take(key)) field = OutlineOf(v, key);
  }
  void Outlines(const char* key, std::vector<quorvel::Outline>& field) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (!v.is_array()) Fail(key, "expected a list of outlines");
    size_t i = 0;
    for (JsonValue outline : v) {
      field.push_back(OutlineOf(outline, std::string(key) + "/" + std::to_string(i++)));
    }
  }
  void References(const char* key, std::vector<DimensionReference>& field) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (!v.is_array()) Fail(key, "expected a list");
    if (v.size() > pcbapi::kDimensionReferenceCapacity) Fail(key, "more than 200 references");
    const Path list{path_, key};
    size_t i = 0;
    for (JsonValue reference : v) {
      const Path at{&list, {}, i++};
      FieldReader item(reader_, reference, &at);
      if (!reference.is_object()) item.Fail("", "expected an object");
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
    const JsonValue v = Take(key);
    if (!v) return;
    if (v.is_string()) {
      for (uint8_t i = 0; i < 6; ++i) {
        if (v.string() == kNames[i]) {
          field = i;
          return;
        }
      }
      Fail(key, "expected nets, components, fromTos, pads, layers or differentialPairs");
    }
    Integer(key, field, 0, 255);
  }
  void Names(const char* key, std::vector<std::string>& field) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (!v.is_array()) Fail(key, "expected a list of names");
    for (JsonValue name : v) {
      if (!name.is_string() || name.string().size() > 255) {
        Fail(key, "expected names of at most 255 characters");
      }
      field.emplace_back(name.string());
    }
  }
  void RuleKind(const char* key, uint8_t& field) {
    const JsonValue v = Take(key);
    if (!v) Fail(key, "missing");
    if (v.is_string()) {
      if (auto kind = RuleKindFromName(v.string())) {
        field = *kind;
        return;
      }
      Fail(key, "unknown rule kind \"" + std::string(v.string()) + "\"");
    }
    Integer(key, field, 0, 255);
  }
  void LayerWidths(const char* key, std::map<uint8_t, quorvel::LayerWidths>& field) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (!v.is_object()) Fail(key, "expected {layer: {max, min, preferred}, ...}");
    const Path map{path_, key};
    for (JsonValue widths : SortedMembers(v)) {
      const std::string path = std::string(key) + "/" + std::string(widths.key());
      const uint8_t layer = LayerNamed(widths.key(), path);
      const Path at{&map, widths.key()};
      FieldReader item(reader_, widths, &at);
      if (!widths.is_object()) item.Fail("", "expected {max, min, preferred}");
      quorvel::LayerWidths w;
      item.Length("max", w.max_width, 0);
      item.Length("min", w.min_width, 0);
      item.Length("preferred", w.preferred_width, 0);
      field[layer] = w;
    }
  }
  void LayerFlags(const char* key, std::array<uint8_t, pcbapi::kRoutingLayerFlagCount>& field) {
    const JsonValue v = Take(key);
    if (!v) return;
    if (!v.is_array()) Fail(key, "expected a list of signal layers");
    for (JsonValue name : v) {
      const uint8_t layer = LayerOf(name, key);
      if (!IsSignalLayer(layer)) Fail(key, "not a signal layer");
      field[layer - 1] = 1;
    }
  }
  void Data(const char* key, std::string& field);

  // Moves the keys nobody took into `unknown`.
  void Finish(std::unique_ptr<json>& unknown) {
    if (!value_.is_object()) return;
    for (JsonValue member : value_) {
      if (member.taken()) continue;
      if (!unknown) unknown = std::make_unique<json>(json::object());
      (*unknown)[std::string(member.key())] = member.ToJson();
    }
  }
  // For the records whose keys are all the format's own.
  void RefuseUnknownKeys() { FinishAsKnown("unknown key"); }
  // Takes no unknown keys: the first one (by name) fails with `message`.
  void FinishAsKnown(const std::string& message) {
    std::unique_ptr<json> rest;
    Finish(rest);
    if (rest) Fail(rest->begin().key(), message);
  }
  JsonValue value() const { return value_; }
  const Path* path() const { return path_; }

  // The members of an object by name, each name once with its last value, as a map of the file
  // holds them: errors then name the same member whatever the file's order.
  static std::vector<JsonValue> SortedMembers(JsonValue object) {
    std::vector<JsonValue> members;
    for (JsonValue member : object) members.push_back(member);
    std::stable_sort(members.begin(), members.end(),
                     [](JsonValue a, JsonValue b) { return a.key() < b.key(); });
    std::vector<JsonValue> unique;
    for (size_t i = 0; i < members.size(); ++i) {
      if (i + 1 < members.size() && members[i + 1].key() == members[i].key()) continue;
      unique.push_back(members[i]);
    }
    return unique;
  }

 private:
  Reader& reader_;
  JsonValue value_;
  const Path* path_;
};

class Reader {
 public:
  explicit Reader(std::string display_name)
      : display_name_(std::move(display_name)), board_(std::make_unique<Board>()) {}

  [[noreturn]] void Fail(const std::string& path, const std::string& message) const {
    throw BoardFileError(display_name_ + " at " + (path.empty() ? "/" : path) + ": " + message);
  }

  std::unique_ptr<Board> Read(std::string_view text);

  Board& board() { return *board_; }

  Handle NetByName(std::string_view name_text, const std::string& path) {
    std::string name(name_text);
    auto it = nets_.find(name);
    if (it != nets_.end()) return it->second;
    // Named before the "nets" list declares it: made now, checked at the end.
    Object& net = *board_->Create(pcbapi::kNet);
    static_cast<Net&>(net).name = name;
    const Handle handle = net.handle;
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

  void ReadRoot(JsonParser& parser, JsonTree& values, std::map<std::string, uint32_t>& members);
  [[noreturn]] void FailSyntax(std::string_view text, const JsonSyntaxError& error) const;
  void TakeElement(uint8_t kind, JsonValue element, const Path* path);
  Handle ReadObject(uint8_t kind, JsonValue value, const Path* path, Handle owner);
  Handle ReadNet(JsonValue value, const Path* path);
  void ReadComponentParts(Component& component, FieldReader& r);
  void ReadPolygonParts(Polygon& polygon, FieldReader& r);
  void ReadChildren(FieldReader& r, const char* key, uint8_t kind, Handle owner);
  void ReadBoardRecord(JsonValue value);
  void ReadStack(JsonValue value, const Path* path, bool in_stack);
  void ReadLayerPairs(JsonValue value);
  void Finish();

  std::string display_name_;
  std::unique_ptr<Board> board_;
  std::unordered_map<std::string, Handle> nets_;
  std::map<std::string, std::string> undeclared_;  // net name -> where it was first named
  std::vector<PendingRef> refs_;
};

void FieldReader::Fail(const std::string& key, const std::string& message) const {
  reader_.Fail(key.empty() ? PathText() : PathOf(key), message);
}

void FieldReader::Net(const char* key, Handle& field) {
  const JsonValue v = Take(key);
  if (!v) return;
  if (!v.is_string() || v.string().empty()) Fail(key, "expected a net name");
  field = reader_.NetByName(v.string(), PathOf(key));
}

void FieldReader::Ref(const char* key, Handle& field) {
  const JsonValue v = Take(key);
  if (!v) return;
  if (v.is_number_integer()) {
    reader_.DeferRef(&field, std::to_string(v.integer()), PathOf(key));
  } else if (v.is_string()) {
    reader_.DeferRef(&field, std::string(v.string()), PathOf(key));
  } else {
    Fail(key, "expected the id of an object");
  }
}

void FieldReader::Data(const char* key, std::string& field) {
  if (const JsonValue v = Take(key)) {
    if (!v.is_string()) Fail(key, "expected a text");
    field.assign(v.string());
  } else if (const JsonValue hex = Take(std::string(key) + "Hex")) {
    if (!hex.is_string() || hex.string().size() % 2 != 0) {
      Fail(std::string(key) + "Hex", "expected pairs of hexadecimal digits");
    }
    const std::string digits(hex.string());
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
  if (const JsonValue size = Take("size")) {
    auto [x, y] = SizeOf(size, "size");
    p.top_x = p.mid_x = p.bot_x = x;
    p.top_y = p.mid_y = p.bot_y = y;
  }
  if (const JsonValue shape = Take("shape"))
    p.top_shape = p.mid_shape = p.bot_shape = ShapeOf(shape, "shape");
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
    if (const JsonValue size = Take(part.size_key))
      std::tie(part.x, part.y) = SizeOf(size, part.size_key);
    if (const JsonValue shape = Take(part.shape_key)) part.shape = ShapeOf(shape, part.shape_key);
  }
  uint8_t percent = 0;
  if (value_.Member("cornerPercent")) {
    Byte("cornerPercent", percent, 0);
    p.top_percent = p.mid_percent = p.bot_percent = percent;
  }
  Byte("topCornerPercent", p.top_percent, 0);
  Byte("midCornerPercent", p.mid_percent, 0);
  Byte("botCornerPercent", p.bot_percent, 0);
  StackMode("stackMode", p.stack_mode);
  if (const JsonValue stack = Take("fullStack")) {
    if (!stack.is_object()) Fail("fullStack", "expected {layer: {size, shape, cornerPercent}}");
    const Path map{path_, "fullStack"};
    for (JsonValue entry : SortedMembers(stack)) {
      const std::string key = "fullStack/" + std::string(entry.key());
      const uint8_t layer = LayerNamed(entry.key(), key);
      const Path at{&map, entry.key()};
      FieldReader item(reader_, entry, &at);
      if (!entry.is_object()) item.Fail("", "expected {size, shape, cornerPercent}");
      PadLayer& target = p.FullStackEntry(layer);
      if (const JsonValue size = item.Take("size")) {
        std::tie(target.x_size, target.y_size) = item.SizeOf(size, "size");
      }
      if (const JsonValue shape = item.Take("shape")) target.shape = item.ShapeOf(shape, "shape");
      item.Byte("cornerPercent", target.corner_percent, 0);
    }
  }
}

const fields::ObjectArray* ObjectArrayNamed(std::string_view key) {
  for (const auto& array : fields::kObjectArrays) {
    if (key == array.key) return &array;
  }
  return nullptr;
}

// The root object's members: the lists of objects are read element by element as the text
// goes by, each element's values dropped once its object is on the board; the other members'
// values stay in `values`, the last of a name counting.
void Reader::ReadRoot(JsonParser& parser, JsonTree& values,
                      std::map<std::string, uint32_t>& members) {
  constexpr uint32_t kListRead = 0xFFFFFFFF;
  std::string key;
  JsonTree element;
  while (parser.NextRootMember(key)) {
    const fields::ObjectArray* array = ObjectArrayNamed(key);
    if (!array || !parser.ValueIsArray()) {
      members[key] = parser.ReadValue(values, JsonParser::kRootDepth + 1);
      continue;
    }
    members[key] = kListRead;
    const Path list{nullptr, key};
    bool first = true;
    for (size_t index = 0; parser.NextElement(first); ++index) {
      element.Clear();
      parser.ReadValue(element, JsonParser::kRootDepth + 2);
      const Path at{&list, {}, index};
      if (!element.Value(0).is_object()) Fail(at.Text(), "expected an object");
      TakeElement(array->kind, element.Value(0), &at);
    }
  }
}

// Reads a JSON text for its errors alone.
struct IgnoreValues {
  bool null() { return true; }
  bool boolean(bool) { return true; }
  bool number_integer(json::number_integer_t) { return true; }
  bool number_unsigned(json::number_unsigned_t) { return true; }
  bool number_float(json::number_float_t, const std::string&) { return true; }
  bool string(std::string&) { return true; }
  bool binary(json::binary_t&) { return true; }
  bool start_object(std::size_t) { return true; }
  bool key(std::string&) { return true; }
  bool end_object() { return true; }
  bool start_array(std::size_t) { return true; }
  bool end_array() { return true; }
  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception& e) {
    throw e;  // its own type: a parse error, or a number out of range
  }
};

// A text that is not JSON: nlohmann-json's message says what it expected where, in the words
// its users know; the reader itself only knows where.
void Reader::FailSyntax(std::string_view text, const JsonSyntaxError& error) const {
  const size_t offset = std::min(error.offset, text.size());
  const size_t line_start = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const std::string line = std::to_string(
      std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(offset), '\n') + 1);
  const std::string column = std::to_string(
      line_start == std::string_view::npos || offset == 0 ? offset + 1 : offset - line_start);
  const std::string place = display_name_ + ":" + line + ":" + column + ": ";
  if (error.too_deep) {
    throw BoardFileError(place + "nested deeper than " + std::to_string(kMaxNesting) + " levels");
  }
  IgnoreValues ignore;
  try {
    json::sax_parse(text, &ignore);
  } catch (const json::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 3, column 14: <what>"
    std::string message = e.what();
    const size_t at_line = message.find("at line ");
    const size_t colon = message.find(": ", at_line == std::string::npos ? 0 : at_line);
    if (at_line != std::string::npos && colon != std::string::npos) {
      int l = 0, c = 0;
      std::sscanf(message.c_str() + at_line, "at line %d, column %d", &l, &c);
      throw BoardFileError(display_name_ + ":" + std::to_string(l) + ":" + std::to_string(c) +
                           ": " + message.substr(colon + 2));
    }
    throw BoardFileError(display_name_ + ": " + message);
  }
  throw BoardFileError(place + "not JSON");
}

std::unique_ptr<Board> Reader::Read(std::string_view text) {
  JsonTree values;
  std::map<std::string, uint32_t> members;
  bool root_is_object = false;
  try {
    JsonParser parser(text, kMaxNesting);
    root_is_object = parser.EnterRootObject();
    if (root_is_object) {
      ReadRoot(parser, values, members);
    } else {
      parser.ReadValue(values, JsonParser::kRootDepth);
    }
    parser.Finish();
  } catch (const JsonSyntaxError& error) {
    FailSyntax(text, error);
  }
  if (!root_is_object) Fail("", "expected an object");
  const auto member = [&](const char* key) {
    auto it = members.find(key);
    return it == members.end() ? JsonValue() : values.Value(it->second);
  };
  const JsonValue format = member("format");
  if (!format.is_string() || format.string() != "quorvel-board") {
    Fail("/format", "expected \"quorvel-board\"");
  }
  const JsonValue version = member("version");
  if (!version.is_number() || version.number() != 1) Fail("/version", "expected 1");
  static const std::set<std::string> kOwnKeys = {"format", "version",    "board",       "stack",
                                                 "layers", "layerPairs", "boardOutline"};
  for (const auto& [key, index] : members) {
    if (ObjectArrayNamed(key)) {
      if (index != 0xFFFFFFFF) Fail("/" + key, "expected a list of objects");
      continue;
    }
    if (kOwnKeys.count(key)) continue;
    if (!board_->unknown) board_->unknown = std::make_unique<json>(json::object());
    (*board_->unknown)[key] = values.Value(index).ToJson();
  }
  if (const JsonValue record = member("board")) ReadBoardRecord(record);
  const Path stack{nullptr, "stack"}, layers{nullptr, "layers"};
  if (const JsonValue v = member("stack")) ReadStack(v, &stack, true);
  if (const JsonValue v = member("layers")) ReadStack(v, &layers, false);
  if (const JsonValue v = member("layerPairs")) ReadLayerPairs(v);
  if (const JsonValue v = member("boardOutline")) {
    const Path outline{nullptr, "boardOutline"};
    ReadObject(pcbapi::kBoardOutline, v, &outline, 0);
  }
  Finish();
  return std::move(board_);
}

void Reader::TakeElement(uint8_t kind, JsonValue element, const Path* path) {
  if (kind == pcbapi::kNet) {
    ReadNet(element, path);
  } else {
    ReadObject(kind, element, path, 0);
  }
}

Handle Reader::ReadNet(JsonValue value, const Path* path) {
  const JsonValue name_value = value.Member("name");
  if (!value.is_object() || !name_value.is_string())
    Fail(path->Text() + "/name", "a net needs a name");
  const std::string name(name_value.string());
  auto it = nets_.find(name);
  if (it != nets_.end() && !undeclared_.count(name))
    Fail(path->Text() + "/name", "net \"" + name + "\" declared twice");
  const Handle handle = it != nets_.end() ? it->second : board_->Create(pcbapi::kNet)->handle;
  nets_[name] = handle;
  undeclared_.erase(name);
  auto& net = static_cast<Net&>(*board_->Find(handle));
  FieldReader r(*this, value, path);
  fields::Fields(r, net);
  r.Finish(net.unknown);
  board_->Place(net);
  return handle;
}

Handle Reader::ReadObject(uint8_t kind, JsonValue value, const Path* path, Handle owner) {
  FieldReader r(*this, value, path);
  if (!value.is_object()) r.Fail("", "expected an object");
  if (kind == pcbapi::kNet) return ReadNet(value, path);
  Object& object = *board_->Create(kind);
  const Handle handle = object.handle;
  object.owner = owner;
  if (const JsonValue id = r.Take("id")) {
    const std::string text = id.is_string() ? std::string(id.string()) : id.ToJson().dump();
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
  const JsonValue list = r.Take(key);
  if (!list) return;
  if (!list.is_array()) r.Fail(key, "expected a list of objects");
  const Path children{r.path(), key};
  size_t i = 0;
  for (JsonValue element : list) {
    const Path at{&children, {}, i++};
    const Handle child = ReadObject(kind, element, &at, owner);
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
  static JsonNode empty_object_node = [] {
    JsonNode node;
    node.kind = JsonValue::Kind::Object;
    return node;
  }();
  for (TextPart& part : parts) {
    const JsonValue text = r.Take(part.text_key);
    const JsonValue object = r.Take(part.object_key);
    if (!text && !object) continue;
    if (text && !text.is_string()) r.Fail(part.text_key, "expected a text");
    const JsonValue fields = object ? object : JsonValue(&empty_object_node, &empty_object_node);
    const Path at{r.path(), part.object_key};
    const Handle handle = ReadObject(pcbapi::kTextObject, fields, &at, component.handle);
    auto& t = static_cast<Text&>(*board_->Find(handle));
    const uint8_t old_layer = t.layer;
    if (text) t.text.assign(text.string());
    if (t.text.size() > 254) r.Fail(part.text_key, "longer than 254 characters");
    t.text_kind = part.text_kind;
    if (!object || !object.Member("layer")) {
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
  const JsonValue hatch = r.Take("hatch");
  if (!hatch) return;
  if (!hatch.is_object()) r.Fail("hatch", "expected {\"tracks\": [...], \"arcs\": [...]}");
  const Path at{r.path(), "hatch"};
  FieldReader h(*this, hatch, &at);
  ReadChildren(h, "tracks", pcbapi::kTrack, polygon.handle);
  ReadChildren(h, "arcs", pcbapi::kArc, polygon.handle);
  h.FinishAsKnown("unknown hatch list");
}

void Reader::ReadBoardRecord(JsonValue value) {
  const Path at{nullptr, "board"};
  FieldReader r(*this, value, &at);
  if (!value.is_object()) r.Fail("", "expected an object");
  Board& b = *board_;
  r.Int("version", b.version, 1);
  if (const JsonValue unit = r.Take("unit")) {
    if (unit.is_string() && unit.string() == "mil")
      b.unit = 0;
    else if (unit.is_string() && unit.string() == "mm")
      b.unit = 1;
    else
      r.Fail("unit", "expected \"mil\" or \"mm\"");
  }
  if (const JsonValue origin = r.Take("origin")) {
    std::tie(b.origin_x, b.origin_y) = r.SizeOf(origin, "origin");
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
    const JsonValue d = r.Take(part.key);
    if (!d) continue;
    const Path where{&at, part.key};
    FieldReader item(*this, d, &where);
    if (!d.is_object()) item.Fail("", "expected an object");
    item.String("material", part.d.material, "", 255);
    item.Byte("kind", part.d.kind, 1);
    item.Double("constant", part.d.constant, 4.8);
    item.Length("height", part.d.height, 126000);
    item.RefuseUnknownKeys();
  }
  if (const JsonValue grids = r.Take("grids")) {
    const Path where{&at, "grids"};
    FieldReader g(*this, grids, &where);
    if (!grids.is_object()) g.Fail("", "expected an object");
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
  if (const JsonValue options = r.Take("options")) {
    const Path where{&at, "options"};
    FieldReader o(*this, options, &where);
    if (!options.is_object()) o.Fail("", "expected an object");
    auto ints = [&](const char* key, int32_t* values, size_t count) {
      const JsonValue list = o.Take(key);
      if (!list) return;
      if (!list.is_array() || list.size() > count) {
        o.Fail(key, "expected at most " + std::to_string(count) + " integers");
      }
      size_t i = 0;
      for (JsonValue n : list) {
        if (!n.is_number_integer()) o.Fail(key, "expected integers");
        values[i++] = static_cast<int32_t>(n.integer());
      }
    };
    ints("output", b.output_options.values, 8);
    ints("gerber", b.gerber_options.values, 12);
    ints("printer", b.printer_options.values, 8);
    ints("placer", b.placer_options.values, 8);
    ints("eco", b.eco_options.values, 4);
    auto bytes = [&](const char* key, std::array<uint8_t, pcbapi::kOutputLayerCount + 1>& field) {
      const JsonValue list = o.Take(key);
      if (!list) return;
      if (!list.is_array()) o.Fail(key, "expected a list of output layer numbers 1..109");
      for (JsonValue n : list) {
        const int number = static_cast<int>(n.integer());
        if (!n.is_number_integer() || number < 1 || number > 109) {
          o.Fail(key, "expected output layer numbers 1..109");
        }
        field[number] = 1;
      }
    };
    bytes("plotLayers", b.plot_layers);
    bytes("flipLayers", b.flip_layers);
    if (const JsonValue pens = o.Take("plotterPens")) {
      if (!pens.is_array() || pens.size() > 8)
        o.Fail("plotterPens", "expected up to 8 [color, width]");
      size_t i = 0;
      for (JsonValue pen : pens) {
        if (!pen.is_array() || pen.size() != 2 || !pen.At(0).is_number_integer() ||
            !pen.At(1).is_number_integer()) {
          o.Fail("plotterPens", "expected [color, width]");
        }
        b.plotter_pens[++i] = {static_cast<int32_t>(pen.At(0).integer()),
                               static_cast<int32_t>(pen.At(1).integer())};
      }
    }
    if (const JsonValue composite = o.Take("compositeLayers")) {
      if (!composite.is_object()) o.Fail("compositeLayers", "expected {layer: [4 values]}");
      for (JsonValue values : FieldReader::SortedMembers(composite)) {
        const std::string key = "compositeLayers/" + std::string(values.key());
        const uint8_t layer = o.LayerNamed(values.key(), key);
        if (!values.is_array() || values.size() != 4) o.Fail(key, "expected four integers");
        int i = 0;
        for (JsonValue n : values) {
          if (!n.is_number_integer()) o.Fail(key, "expected integers");
          b.composite_layers[layer][i++] = static_cast<int32_t>(n.integer());
        }
      }
    }
    o.FinishAsKnown("unknown option record");
  }
  r.Finish(b.unknown_record);
}

void Reader::ReadStack(JsonValue value, const Path* path, bool in_stack) {
  if (!value.is_array()) Fail(path->Text(), "expected a list of layers");
  uint8_t previous = 0;
  std::set<uint8_t> seen;
  size_t i = 0;
  for (JsonValue entry : value) {
    const Path at{path, {}, i++};
    FieldReader r(*this, entry, &at);
    if (!entry.is_object()) r.Fail("", "expected an object");
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
    if (const JsonValue d = r.Take("dielectric")) {
      const Path where{&at, "dielectric"};
      FieldReader item(*this, d, &where);
      if (!d.is_object()) item.Fail("", "expected an object");
      item.String("material", layer.dielectric.material, "", 255);
      item.Byte("kind", layer.dielectric.kind, 1);
      item.Double("constant", layer.dielectric.constant, 4.8);
      item.Length("height", layer.dielectric.height, 126000);
      item.RefuseUnknownKeys();
    }
    r.FinishAsKnown("unknown layer setting");
  }
}

void Reader::ReadLayerPairs(JsonValue value) {
  if (!value.is_array()) Fail("/layerPairs", "expected a list of layer pairs");
  const Path list{nullptr, "layerPairs"};
  size_t i = 0;
  for (JsonValue entry : value) {
    const Path at{&list, {}, i++};
    FieldReader r(*this, entry, &at);
    if (!entry.is_object()) r.Fail("", "expected an object");
    uint8_t first = 0, second = 0;
    LayerPair pair;
    r.Layer("first", first, 0);
    r.Layer("second", second, 0);
    r.Byte("firstByte", pair.first_byte, 0);
    r.Byte("secondByte", pair.second_byte, 0);
    pair.first = first;
    pair.second = second;
    r.FinishAsKnown("unknown layer-pair setting");
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

}  // namespace

std::unique_ptr<Board> ReadBoardText(const std::string& text, const std::string& display_name) {
  return Reader(display_name).Read(text);
}

std::unique_ptr<Board> ReadBoard(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) throw BoardFileError(path + ": cannot open the file");
  const auto size = static_cast<uint64_t>(std::max<std::streamoff>(0, file.tellg()));
  const auto too_large = [&] {
    return BoardFileError(path + ": the file is too large to read (" + std::to_string(size >> 20) +
                          " MB; not enough memory)");
  };
  std::string content;
  try {
    if (size > content.max_size()) throw std::bad_alloc();
    content.resize(static_cast<size_t>(size));
  } catch (const std::exception&) {  // bad_alloc, or length_error past the largest string
    throw too_large();
  }
  file.seekg(0);
  if (!file.read(content.data(), static_cast<std::streamsize>(content.size()))) {
    throw BoardFileError(path + ": cannot read the file");
  }
  try {
    std::unique_ptr<Board> board = ReadBoardText(content, path);
    board->file_name = path;
    return board;
  } catch (const std::bad_alloc&) {
    throw too_large();
  }
}

}  // namespace quorvel
