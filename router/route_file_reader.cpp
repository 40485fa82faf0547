// The route file's tokenizer and record reader.
#include "router/route_file_reader.h"

#include <charconv>
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

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A decimal number: sign, digits, optional fraction and exponent, nothing else.
std::optional<double> ParseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
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

  void OnResolution(const Node& list);
  void OnPadstack(const Node& list);
  void OnWire(const Node& list);
  void OnVia(const Node& list);
  void OnPoint(const Node& list);
  void OnTurret(const Node& list);

  // A length of the file in internal units; none when it is no number or does not fit.
  std::optional<rtl::Coord> Length(std::string_view text) const;
  std::optional<RoutePoint> Point(const Node& list, size_t index) const;

  RouteLexer lexer_;
  double mils_per_unit_ = 1.0;
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
    if (keyword == "TURRET") handler = &RecordReader::OnTurret;
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

std::optional<rtl::Coord> RecordReader::Length(std::string_view text) const {
  const std::optional<double> value = ParseNumber(text);
  if (!value) return std::nullopt;
  const double mils = *value * mils_per_unit_;
  if (!(std::fabs(mils) <= kMaxMils)) return std::nullopt;
  return rtl::RoundMilsToCoord(mils);
}

std::optional<RoutePoint> RecordReader::Point(const Node& list, size_t index) const {
  const std::optional<rtl::Coord> x = Length(list.AtomAt(index));
  const std::optional<rtl::Coord> y = Length(list.AtomAt(index + 1));
  if (!x || !y) return std::nullopt;
  return RoutePoint{*x, *y};
}

// (resolution unit value): a scale the file cannot be read without, so an unknown one refuses it.
void RecordReader::OnResolution(const Node& list) {
  const double factor = ResolutionFactor(list.AtomAt(0), list.AtomAt(1));
  if (factor <= 0) {
    lexer_.Fail(list.pos, "unknown resolution \"" + std::string(list.AtomAt(0)) + " " +
                              std::string(list.AtomAt(1)) + "\"");
  }
  mils_per_unit_ = factor;
}

// (padstack name (shape (rect layer x1 y1 x2 y2)) (shape (circle layer d [x y])) ...)
void RecordReader::OnPadstack(const Node& list) {
  if (!list.HasAtom(0)) return;
  TPadShapeLoaderList loaders;
  for (const Node& item : list.items) {
    if (!item.list || !rtl::EqualsIgnoringCase(item.Head(), "shape") || item.items.size() < 2 ||
        !item.items[1].list) {
      continue;
    }
    const Node& shape = item.items[1];
    const int layer = RouteLayerFromName(shape.AtomAt(1));
    if (!shape.HasAtom(1)) continue;
    if (rtl::EqualsIgnoringCase(shape.Head(), "rect")) {
      const std::optional<RoutePoint> corner1 = Point(shape, 2);
      const std::optional<RoutePoint> corner2 = Point(shape, 4);
      if (corner1 && corner2) {
        loaders.LoaderOf(layer).AddRectangle(corner1->x, corner1->y, corner2->x, corner2->y);
      }
      continue;
    }
    // Circles, and other outlines taken by their first size, about their offset.
    const std::optional<rtl::Coord> diameter = Length(shape.AtomAt(2));
    if (!diameter) continue;
    RoutePoint offset;
    if (shape.items.size() > 3) {
      const std::optional<RoutePoint> at = Point(shape, 3);
      if (!at) continue;
      offset = *at;
    }
    loaders.LoaderOf(layer).AddCircle(offset.x, offset.y, *diameter / 2);
  }
  Emit(PadstackRecord{std::string(list.AtomAt(0)), loaders.Resolve()});
}

// (wire (path layer width x y x y ...) ... (turret n))
void RecordReader::OnWire(const Node& list) {
  const Node* path = nullptr;
  for (const Node& item : list.items) {
    if (item.list && rtl::EqualsIgnoringCase(item.Head(), "path")) {
      path = &item;
      break;
    }
  }
  // A path with a value that does not read would connect the wrong points: drop the wire.
  if (path && path->HasAtom(1)) {
    WireRecord wire;
    wire.layer = RouteLayerFromName(path->AtomAt(1));
    const std::optional<rtl::Coord> width = Length(path->AtomAt(2));
    bool readable = width.has_value() && *width >= 0 && path->items.size() % 2 == 1;
    for (size_t i = 3; readable && i + 1 < path->items.size(); i += 2) {
      const std::optional<RoutePoint> point = Point(*path, i);
      if (point) wire.points.push_back(*point);
      readable = point.has_value();
    }
    if (readable && wire.points.size() >= 2) {
      wire.width = *width;
      Emit(std::move(wire));
    }
  }
  for (const Node& item : list.items) {
    if (item.list && rtl::EqualsIgnoringCase(item.Head(), "turret")) {
      Emit(TurretRecord{ParseInteger(item.AtomAt(1)).value_or(0)});
    }
  }
}

// (via padstack x y (net n) (via_number k) (type t) ...)
void RecordReader::OnVia(const Node& list) {
  if (!list.HasAtom(0)) return;
  const std::optional<RoutePoint> at = Point(list, 1);
  if (!at) return;
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
  if (!at) return;
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

// (turret n): a number that does not read counts as 0.
void RecordReader::OnTurret(const Node& list) {
  Emit(TurretRecord{ParseInteger(list.AtomAt(0)).value_or(0)});
}

}  // namespace

// ---- RouteLexer ----------------------------------------------------------------------------

RouteLexer::RouteLexer(std::string_view text, std::string_view file_name)
    : text_(text), file_name_(file_name) {}

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
  token.text += c;
  while (at_ < text_.size() && !IsBlank(text_[at_]) && text_[at_] != '(' && text_[at_] != ')') {
    token.text += Get();
  }
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
  auto numbered = [&](std::string_view prefix, int last) -> int {
    if (upper.size() <= prefix.size() || upper.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::optional<int> n = ParseInteger(std::string_view(upper).substr(prefix.size()));
    return n && *n >= 1 && *n <= last && upper[prefix.size()] != '+' ? *n : 0;
  };
  if (const int n = numbered("MIDLAYER", 30)) return kTopLayer + n;
  if (const int n = numbered("INTERNALPLANE", 16)) return 38 + n;
  return kMultiLayer;
}

double ResolutionFactor(std::string_view unit, std::string_view value) {
  const std::string upper = rtl::UpperAscii(unit);
  double factor = 0;
  if (upper == "INCH") factor = 1000.0;
  if (upper == "MIL") factor = 1.0;
  if (upper == "MM") factor = kMilsPerMm;
  if (upper == "CM") factor = 10 * kMilsPerMm;
  if (upper == "UM") factor = kMilsPerMm / 1000;
  const std::optional<double> per_unit = ParseNumber(value);
  if (factor == 0 || !per_unit || *per_unit <= 0) return 0;
  return factor / *per_unit;
}

}  // namespace router
