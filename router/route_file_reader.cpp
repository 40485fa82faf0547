// The route file's tokenizer and record reader.
#include "router/route_file_reader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "rtl/ascii_case.h"
#include "router/legacy_layer.h"
#include "rtl/units.h"

namespace router {

namespace {

// Records nest only a few lists deep; anything deeper is not a route file.
constexpr int kMaxRecordNesting = 32;
constexpr double kMilsPerMm = 1000.0 / 25.4;
// The largest length in mils that still fits a 32-bit coordinate.
constexpr double kMaxMils = 214748.0;
// A pad's side or diameter: two of them (a rectangle grown by its end circles) still fit.
constexpr int64_t kMaxPadSize = INT32_MAX / 2;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kMaxResolution = 1000000000;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A "+" only before a digit or point: "+-1" is no number.
std::string_view WithoutPlus(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  return text;
}

// A decimal number: sign, digits, optional fraction and exponent, nothing else. One too large
// or too small for a double is infinite, so that it counts as out of range, not unreadable.
std::optional<double> ParseNumber(std::string_view text) {
  text = WithoutPlus(text);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end != text.data() + text.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) return HUGE_VAL;
  if (error != std::errc() || std::isnan(value)) return std::nullopt;
  return value;
}

std::optional<int> ParseInteger(std::string_view text) {
  text = WithoutPlus(text);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A list of a record, read whole: atoms and nested lists (a nested list's keyword is its first
// item).
struct Node {
  bool list = false;
  std::string atom;
  std::vector<Node> items;
  RoutePos pos;

  // The item's atom; empty for a list or a missing item.
  std::string_view AtomAt(size_t index) const {
    return index < items.size() && !items[index].list ? std::string_view(items[index].atom)
                                                      : std::string_view();
  }
  bool HasAtom(size_t index) const { return index < items.size() && !items[index].list; }
  // The list item's head word.
  std::string_view Head() const { return AtomAt(0); }
};

class RecordReader {
 public:
  RecordReader(std::string_view text, std::string_view file_name) : lexer_(text, file_name) {}

  RouteFileContents Read();

 private:
  // Reads the items of a list whose "(" is consumed, up to and with its ")".
  Node ReadList(const RoutePos& pos, int depth);
  // Skips the items of a list whose "(" is consumed, up to and with its ")".
  void SkipList();
  void Emit(RouteRecord record);
  void Skip(const std::string& what, const std::string& why) { ++contents_.skipped[{what, why}]; }

  void OnResolution(const Node& list);
  void OnPadstack(const Node& list);
  void OnWire(const Node& list);
  void OnVia(const Node& list);
  void OnPoint(const Node& list);

  // A length of the file in internal units; none when the item is no number. A number that
  // does not fit 32 bits refuses the file.
  std::optional<rtl::Coord> Length(const Node& list, size_t index);
  std::optional<RoutePoint> Point(const Node& list, size_t index);
  // A length that must not be negative.
  std::optional<rtl::Coord> Size(const Node& list, size_t index);

  RouteLexer lexer_;
  double mils_per_unit_ = 1.0;
  bool lengths_read_ = false;
  RouteFileContents contents_;
};

RouteFileContents RecordReader::Read() {
  const RouteToken open = lexer_.Next();
  const RouteToken head = lexer_.Next();
  if (open.kind != RouteTokenKind::Open || head.kind != RouteTokenKind::Atom ||
      !rtl::EqualsIgnoringCase(head.text, "routes")) {
    lexer_.Fail(open.pos, "not a route file: it does not begin with \"(routes\"");
  }
  int depth = 1;
  int net_depth = 0;  // depth of the net list we are in; 0 outside one
  bool routing_section = false;
  for (;;) {
    const RouteToken token = lexer_.Next();
    switch (token.kind) {
      case RouteTokenKind::End:
        lexer_.Fail(token.pos, "the file ends inside a list: it is incomplete");
      case RouteTokenKind::Atom: continue;
      case RouteTokenKind::Close:
        if (depth == net_depth) {
          Emit(NetRecord{});
          net_depth = 0;
        }
        if (--depth > 0) continue;
        if (const RouteToken rest = lexer_.Next(); rest.kind != RouteTokenKind::End) {
          lexer_.Fail(rest.pos, "text after the end of the routes list");
        }
        // Without one the import would remove the board's routing and add nothing.
        if (!routing_section) lexer_.Fail(open.pos, "no routing section \"(network_out\"");
        contents_.line_count = lexer_.lines();
        return std::move(contents_);
      case RouteTokenKind::Open: break;
    }
    const RouteToken& word = lexer_.Peek();
    const std::string keyword = word.kind == RouteTokenKind::Atom ? rtl::UpperAscii(word.text) : "";
    if (keyword == "NET") {
      lexer_.Next();
      ++depth;
      if (lexer_.Peek().kind == RouteTokenKind::Atom) {
        Emit(NetRecord{lexer_.Next().text});
        net_depth = depth;
      }
      continue;
    }
    if (keyword == "NETWORK_OUT" && depth == 1) routing_section = true;
    if (keyword == "RULE") {
      lexer_.Next();
      SkipList();
      continue;
    }
    using Handler = void (RecordReader::*)(const Node&);
    Handler handler = nullptr;
    if (keyword == "RESOLUTION") handler = &RecordReader::OnResolution;
    if (keyword == "PADSTACK") handler = &RecordReader::OnPadstack;
    if (keyword == "WIRE") handler = &RecordReader::OnWire;
    if (keyword == "VIA") handler = &RecordReader::OnVia;
    if (keyword == "POINT") handler = &RecordReader::OnPoint;
    if (!handler) {
      ++depth;  // a list that holds records: read on inside it
      continue;
    }
    Node list = ReadList(token.pos, 1);
    list.items.erase(list.items.begin());  // the keyword: records count their values from 0
    (this->*handler)(list);
  }
}

Node RecordReader::ReadList(const RoutePos& pos, int depth) {
  if (depth > kMaxRecordNesting) lexer_.Fail(pos, "lists nest too deeply");
  Node list;
  list.list = true;
  list.pos = pos;
  for (;;) {
    RouteToken token = lexer_.Next();
    switch (token.kind) {
      case RouteTokenKind::End:
        lexer_.Fail(token.pos, "the file ends inside a list: it is incomplete");
      case RouteTokenKind::Close: return list;
      case RouteTokenKind::Atom:
        list.items.push_back(Node{false, std::move(token.text), {}, token.pos});
        break;
      case RouteTokenKind::Open: {
        list.items.push_back(ReadList(token.pos, depth + 1));
        break;
      }
    }
  }
}

void RecordReader::SkipList() {
  int depth = 1;
  while (depth > 0) {
    const RouteToken token = lexer_.Next();
    if (token.kind == RouteTokenKind::End) {
      lexer_.Fail(token.pos, "the file ends inside a list: it is incomplete");
    }
    if (token.kind == RouteTokenKind::Open) ++depth;
    if (token.kind == RouteTokenKind::Close) --depth;
  }
}

void RecordReader::Emit(RouteRecord record) {
  contents_.records.push_back(std::move(record));
  contents_.record_lines.push_back(lexer_.lines());
}

std::optional<rtl::Coord> RecordReader::Length(const Node& list, size_t index) {
  const std::optional<double> value = ParseNumber(list.AtomAt(index));
  if (!value) return std::nullopt;
  lengths_read_ = true;
  const double mils = *value * mils_per_unit_;
  if (!(std::fabs(mils) <= kMaxMils)) {
    lexer_.Fail(list.items[index].pos,
                "a length out of range: \"" + std::string(list.AtomAt(index)) + "\"");
  }
  return rtl::RoundMilsToCoord(mils);
}

std::optional<RoutePoint> RecordReader::Point(const Node& list, size_t index) {
  const std::optional<rtl::Coord> x = Length(list, index);
  const std::optional<rtl::Coord> y = Length(list, index + 1);
  if (!x || !y) return std::nullopt;
  return RoutePoint{*x, *y};
}

std::optional<rtl::Coord> RecordReader::Size(const Node& list, size_t index) {
  const std::optional<rtl::Coord> size = Length(list, index);
  if (size && *size < 0) {
    lexer_.Fail(list.items[index].pos,
                "a negative size: \"" + std::string(list.AtomAt(index)) + "\"");
  }
  return size;
}

// (resolution unit value): a scale the file cannot be read without, so one that does not read
// refuses it, as does one that comes after lengths it would have scaled.
void RecordReader::OnResolution(const Node& list) {
  const double factor = list.items.size() == 2 && list.HasAtom(0) && list.HasAtom(1)
                            ? ResolutionFactor(list.AtomAt(0), list.AtomAt(1))
                            : 0;
  if (factor <= 0) lexer_.Fail(list.pos, "unreadable resolution");
  if (contents_.has_resolution) lexer_.Fail(list.pos, "a second resolution");
  if (lengths_read_) lexer_.Fail(list.pos, "a resolution after lengths that needed one");
  mils_per_unit_ = factor;
  contents_.has_resolution = true;
  contents_.unit =
      std::max<rtl::Coord>(1, static_cast<rtl::Coord>(std::ceil(factor * rtl::kUnitsPerMil)));
}

// (padstack name (shape (rect layer x1 y1 x2 y2)) (shape (circle layer d [x y])) ...)
void RecordReader::OnPadstack(const Node& list) {
  if (!list.HasAtom(0)) {
    Skip("padstack", "without a name");
    return;
  }
  TPadShapeLoaderList loaders;
  for (const Node& item : list.items) {
    if (!item.list || !rtl::EqualsIgnoringCase(item.Head(), "shape")) continue;
    const Node* shape = item.items.size() >= 2 && item.items[1].list ? &item.items[1] : nullptr;
    const int layer = shape ? RouteLayerFromName(shape->AtomAt(1)) : 0;
    if (layer == 0) {
      Skip("padstack shape", "without a known layer");
      continue;
    }
    if (rtl::EqualsIgnoringCase(shape->Head(), "rect")) {
      const std::optional<RoutePoint> corner1 = Point(*shape, 2);
      const std::optional<RoutePoint> corner2 = Point(*shape, 4);
      if (!corner1 || !corner2) {
        Skip("padstack shape", "with an unreadable value");
        continue;
      }
      const int64_t width = int64_t{corner2->x} - corner1->x;
      const int64_t height = int64_t{corner2->y} - corner1->y;
      // A negative size would make a negative pad.
      if (width < 0 || height < 0) lexer_.Fail(shape->pos, "an inverted rectangle");
      if (width > kMaxPadSize || height > kMaxPadSize) lexer_.Fail(shape->pos, "a pad too large");
      loaders.LoaderOf(layer).AddRectangle(corner1->x, corner1->y, corner2->x, corner2->y);
      continue;
    }
    // Circles, and other outlines taken by their first size, about their offset.
    const std::optional<rtl::Coord> diameter = Size(*shape, 2);
    std::optional<RoutePoint> offset = RoutePoint{};
    if (shape->items.size() > 3) offset = Point(*shape, 3);
    if (!diameter || !offset) {
      Skip("padstack shape", "with an unreadable value");
      continue;
    }
    if (*diameter > kMaxPadSize) lexer_.Fail(shape->pos, "a pad too large");
    loaders.LoaderOf(layer).AddCircle(offset->x, offset->y, *diameter / 2);
  }
  Emit(PadstackRecord{std::string(list.AtomAt(0)), loaders.Resolve()});
}

// (wire (path layer width x y x y ...) ... (turret n)). Each wire stands alone: its turret mark
// is its own, whatever became of the wire before it.
void RecordReader::OnWire(const Node& list) {
  const Node* path = nullptr;
  WireRecord wire;
  for (const Node& item : list.items) {
    if (!item.list) continue;
    if (!path && rtl::EqualsIgnoringCase(item.Head(), "path")) path = &item;
    if (rtl::EqualsIgnoringCase(item.Head(), "turret")) {
      const int number = ParseInteger(item.AtomAt(1)).value_or(0);
      wire.marked = number == 126 || number == 127;
    }
  }
  if (wire.marked) {
    Emit(std::move(wire));
    return;
  }
  if (!path) {
    Skip("wire", "without a path (an arc or a polygon)");
    return;
  }
  wire.layer = RouteLayerFromName(path->AtomAt(1));
  // A path with a value that does not read would connect the wrong points: drop the wire.
  const std::optional<rtl::Coord> width = Size(*path, 2);
  bool readable = path->HasAtom(1) && width.has_value() && path->items.size() % 2 == 1;
  for (size_t i = 3; readable && i + 1 < path->items.size(); i += 2) {
    const std::optional<RoutePoint> point = Point(*path, i);
    if (point) wire.points.push_back(*point);
    readable = point.has_value();
  }
  if (!readable) {
    Skip("wire", "with an unreadable value");
  } else if (wire.points.size() < 2) {
    Skip("wire", "of fewer than two points");
  } else {
    wire.width = *width;
    Emit(std::move(wire));
  }
}

// (via padstack x y (net n) (via_number k) (type t) ...)
void RecordReader::OnVia(const Node& list) {
  const std::optional<RoutePoint> at = Point(list, 1);
  if (!list.HasAtom(0) || !at) {
    Skip("via", "with an unreadable value");
    return;
  }
  ViaRecord via{std::string(list.AtomAt(0)), *at, false};
  for (const Node& item : list.items) {
    if (item.list && rtl::EqualsIgnoringCase(item.Head(), "via_number")) {
      via.turret = ParseInteger(item.AtomAt(1)) == 126;
    }
  }
  Emit(std::move(via));
}

// (point x y side (net name)), the net also as plain words "net name".
void RecordReader::OnPoint(const Node& list) {
  const std::optional<RoutePoint> at = Point(list, 0);
  if (!at) {
    Skip("test point", "with an unreadable value");
    return;
  }
  PointRecord point{*at, rtl::UpperAscii(list.AtomAt(2)), ""};
  for (size_t i = 3; i < list.items.size(); ++i) {
    const Node& item = list.items[i];
    if (item.list && rtl::EqualsIgnoringCase(item.Head(), "net")) {
      point.net = item.AtomAt(1);
      break;
    }
    if (!item.list && rtl::EqualsIgnoringCase(item.atom, "net")) {
      point.net = list.AtomAt(i + 1);
      break;
    }
  }
  Emit(std::move(point));
}

}  // namespace

// ---- RouteLexer ----------------------------------------------------------------------------

RouteLexer::RouteLexer(std::string_view text, std::string_view file_name)
    : text_(text), file_name_(file_name) {
  if (text_.starts_with(kByteOrderMark)) at_ = kByteOrderMark.size();
}

void RouteLexer::Fail(const RoutePos& pos, const std::string& message) const {
  throw ERouteFileError(file_name_ + ":" + std::to_string(pos.line) + ":" +
                        std::to_string(pos.column) + ": " + message);
}

char RouteLexer::Get() {
  const char c = text_[at_++];
  if (c == '\n') {
    ++line_;
    column_ = 1;
  } else {
    ++column_;
  }
  return c;
}

RouteToken RouteLexer::Next() {
  if (peeked_) {
    RouteToken token = std::move(*peeked_);
    peeked_.reset();
    return token;
  }
  return Scan();
}

const RouteToken& RouteLexer::Peek() {
  if (!peeked_) peeked_ = Scan();
  return *peeked_;
}

RouteToken RouteLexer::Scan() {
  while (at_ < text_.size() && IsBlank(text_[at_])) Get();
  RouteToken token;
  token.pos = {line_, column_};
  if (at_ == text_.size()) return token;
  const bool quote_character = after_string_quote_;
  after_string_quote_ = false;
  const char c = Get();
  if (quote_character && c != '(' && c != ')') {
    // "(string_quote c)" names the quote character of the rest of the file.
    quote_ = c;
    token.kind = RouteTokenKind::Atom;
    token.text = std::string(1, c);
    return token;
  }
  if (c == '(') {
    token.kind = RouteTokenKind::Open;
    return token;
  }
  if (c == ')') {
    token.kind = RouteTokenKind::Close;
    return token;
  }
  token.kind = RouteTokenKind::Atom;
  if (c == quote_) {
    for (;;) {
      if (at_ == text_.size() || text_[at_] == '\n') Fail(token.pos, "a quoted name is not closed");
      const char q = Get();
      if (q == quote_) break;
      token.text += q;
    }
    return token;
  }
  // An atom holds no line end: it is taken whole, its characters counted as columns.
  const size_t start = at_ - 1;
  while (at_ < text_.size() && !IsBlank(text_[at_]) && text_[at_] != '(' && text_[at_] != ')') {
    ++at_;
  }
  column_ += static_cast<int>(at_ - start - 1);
  token.text.assign(text_.substr(start, at_ - start));
  after_string_quote_ = rtl::EqualsIgnoringCase(token.text, "string_quote");
  return token;
}

// ---- Free functions ------------------------------------------------------------------------

RouteFileContents ReadRouteRecords(std::string_view text, std::string_view file_name) {
  RouteFileContents contents = RecordReader(text, file_name).Read();
  contents.line_count = 0;
  for (char c : text) contents.line_count += c == '\n';
  if (!text.empty() && text.back() != '\n') ++contents.line_count;
  return contents;
}

int RouteLayerFromName(std::string_view name) {
  const std::string upper = rtl::UpperAscii(name);
  if (upper == "TOPLAYER") return kTopLayer;
  if (upper == "BOTTOMLAYER") return kBottomLayer;
  if (upper == "SIGNAL") return kMultiLayer;
  auto numbered = [&](std::string_view prefix, int last) -> int {
    if (upper.size() <= prefix.size() || upper.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::optional<int> n = ParseInteger(std::string_view(upper).substr(prefix.size()));
    return n && *n >= 1 && *n <= last && upper[prefix.size()] != '+' ? *n : 0;
  };
  if (const int n = numbered("MIDLAYER", 30)) return kTopLayer + n;
  if (const int n = numbered("INTERNALPLANE", 16)) return 38 + n;
  return 0;
}

double ResolutionFactor(std::string_view unit, std::string_view value) {
  const std::string upper = rtl::UpperAscii(unit);
  double factor = 0;
  if (upper == "INCH") factor = 1000.0;
  if (upper == "MIL") factor = 1.0;
  if (upper == "MM") factor = kMilsPerMm;
  if (upper == "CM") factor = 10 * kMilsPerMm;
  if (upper == "UM") factor = kMilsPerMm / 1000;
  const std::optional<int> per_unit = ParseInteger(value);
  if (factor == 0 || !per_unit || *per_unit < 1 || *per_unit > kMaxResolution) return 0;
  return factor / *per_unit;
}

}  // namespace router
