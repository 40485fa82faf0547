// The route file's tokenizer and record reader.
#include "router/route_file_reader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <span>

#include "router/design_file_names.h"
#include "router/legacy_layer.h"
#include "sdk/ascii_case.h"
#include "sdk/units.h"

namespace router {

namespace {

// Records nest only a few lists deep; anything deeper is not a route file.
constexpr int kMaxRecordNesting = 32;
constexpr double kMilsPerMm = 1000.0 / 25.4;
// The largest length in mils that still fits a 32-bit coordinate.
constexpr double kMaxMils = 214748.0;
// The widest copper the board holds: a wire's width, a pad's side or diameter.
constexpr double kMaxCopperMils = 10000.0;
// A file unit below a thousandth of the board's unit rounds every value to nothing.
constexpr double kMinUnitsPerFileUnit = 1e-3;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kMaxResolution = 1000000000;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A byte no text holds: read as part of a name it would vanish where names are trimmed ("SCL\x01"
// would be SCL), and glued to a keyword it would hide the list.
bool IsControlByte(char c) {
  const auto code = static_cast<unsigned char>(c);
  return (code < 0x20 || code == 0x7F) && !IsBlank(c);
}

// A "+" only before a digit or point: "+-1" is no number.
std::string_view WithoutPlus(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  return text;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr size_t kMaxExactDigits = 15;  // 10^15 < 2^53: such a mantissa is exact

// "-ddd.ddd" of at most 15 digits ("1." and ".5" too), the way route files write lengths: the
// mantissa and the power of ten are exact, so one division rounds once, to the same double the
// general reader gives.
std::optional<double> ParsePlainDecimal(std::string_view text) {
  const bool negative = !text.empty() && text[0] == '-';
  size_t i = negative ? 1 : 0;
  uint64_t mantissa = 0;
  size_t digits = 0, fraction = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
      ++digits;
      fraction += point;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0 || digits > kMaxExactDigits) return std::nullopt;
  const double value = static_cast<double>(mantissa) / kExactPowersOfTen[fraction];
  return negative ? -value : value;
}

// A decimal number: sign, digits, optional fraction and exponent, nothing else. One too large
// or too small for a double is infinite, so that it counts as out of range, not unreadable.
std::optional<double> ParseNumber(std::string_view text) {
  text = WithoutPlus(text);
  if (text.empty()) return std::nullopt;
  if (const std::optional<double> plain = ParsePlainDecimal(text)) return plain;
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
// item). Atoms point into the file's text and items into the reader's store of the record.
struct Node {
  bool list = false;
  std::string_view atom;
  std::span<const Node> items;
  RoutePos pos;
  size_t first = 0, count = 0;  // where the items lie in the store, until the record is whole

  // The item's atom; empty for a list or a missing item.
  std::string_view AtomAt(size_t index) const {
    return index < items.size() && !items[index].list ? items[index].atom : std::string_view();
  }
  bool HasAtom(size_t index) const { return index < items.size() && !items[index].list; }
  // The list item's head word.
  std::string_view Head() const { return AtomAt(0); }
};

// A wire or via list that carries the mark of copper the export placed: "(turret 126)" or 127
// on a wire, "(via_number 126)" on a via.
bool MarkedByTheExport(const Node& record) {
  for (const Node& item : record.items) {
    if (!item.list) continue;
    const std::optional<int> number = ParseInteger(item.AtomAt(1));
    if (sdk::EqualsIgnoringCase(item.Head(), "turret") && (number == 126 || number == 127)) {
      return true;
    }
    if (sdk::EqualsIgnoringCase(item.Head(), "via_number") && number == 126) return true;
  }
  return false;
}

enum class Keyword {
  Other,
  Net,
  NetworkOut,
  LibraryOut,
  TestPoints,
  Parser,
  StructureOut,
  Rule,
  Turret,
  Resolution,
  Padstack,
  Wire,
  Via,
  Point
};

Keyword KeywordOf(const RouteToken& word) {
  if (word.kind != RouteTokenKind::Atom) return Keyword::Other;
  constexpr std::pair<std::string_view, Keyword> kKeywords[] = {
      {"net", Keyword::Net},
      {"network_out", Keyword::NetworkOut},
      {"library_out", Keyword::LibraryOut},
      {"test_points", Keyword::TestPoints},
      {"parser", Keyword::Parser},
      {"structure_out", Keyword::StructureOut},
      {"rule", Keyword::Rule},
      {"turret", Keyword::Turret},
      {"resolution", Keyword::Resolution},
      {"padstack", Keyword::Padstack},
      {"wire", Keyword::Wire},
      {"via", Keyword::Via},
      {"point", Keyword::Point}};
  for (const auto& [name, keyword] : kKeywords) {
    if (sdk::EqualsIgnoringCase(word.text, name)) return keyword;
  }
  return Keyword::Other;
}

// The lists that hold records: the file itself, its sections and the nets.
enum class Section { Routes, Library, Network, Net, TestPoints };

// What a list does in the list around it.
enum class ListRole {
  Enter,    // a section or net: its records are read
  Record,   // read by its handler
  Ignore,   // settings the import has no use for
  Outside,  // copper outside any net: it belongs to no net the board has
  Unknown,  // a kind the import does not know, damaged or foreign
};

ListRole RoleIn(Section section, Keyword keyword) {
  const bool copper = keyword == Keyword::Wire || keyword == Keyword::Via;
  switch (section) {
    case Section::Routes:
      if (keyword == Keyword::LibraryOut || keyword == Keyword::NetworkOut ||
          keyword == Keyword::TestPoints) {
        return ListRole::Enter;
      }
      if (keyword == Keyword::Resolution) return ListRole::Record;
      if (keyword == Keyword::Parser || keyword == Keyword::StructureOut) return ListRole::Ignore;
      break;
    case Section::Library:
      if (keyword == Keyword::Padstack) return ListRole::Record;
      break;
    case Section::Network:
      if (keyword == Keyword::Net) return ListRole::Enter;
      break;
    case Section::Net:
      if (keyword == Keyword::Net) return ListRole::Enter;
      if (copper) return ListRole::Record;
      // A turret mark outside a wire marks none.
      if (keyword == Keyword::Rule || keyword == Keyword::Turret) return ListRole::Ignore;
      break;
    case Section::TestPoints:
      if (keyword == Keyword::Point) return ListRole::Record;
      break;
  }
  return copper ? ListRole::Outside : ListRole::Unknown;
}

Section SectionOf(Keyword keyword) {
  switch (keyword) {
    case Keyword::LibraryOut: return Section::Library;
    case Keyword::NetworkOut: return Section::Network;
    case Keyword::TestPoints: return Section::TestPoints;
    case Keyword::Net: return Section::Net;
    default: return Section::Routes;
  }
}

// A list of records the reader is in, with its net's name when it is a named net.
struct OpenSection {
  Section section;
  int depth;
  std::optional<std::string_view> net;
};

class RecordReader {
 public:
  RecordReader(std::string_view text, std::string_view file_name) : lexer_(text, file_name) {
    // Every record opens two lists or more ("(wire (path", "(via ... (net"), so half the lists
    // is room for all: the record list never moves its records while it grows.
    const size_t lists = static_cast<size_t>(std::count(text.begin(), text.end(), '(')) / 2;
    contents_.records.reserve(lists);
    contents_.record_lines.reserve(lists);
  }

  RouteFileContents Read();

 private:
  // Reads a record's list whose "(" is consumed, up to and with its ")".
  Node ReadRecord(const RoutePos& pos);
  // Reads the items of a list whose "(" is consumed, up to and with its ")", into the store.
  Node ReadList(const RoutePos& pos, int depth);
  // Skips the items of a list whose "(" is consumed, up to and with its ")".
  void SkipList();
  void Emit(RouteRecord record);
  void Skip(const std::string& what, const std::string& why) { ++contents_.skipped[{what, why}]; }
  // Enters the section or net that the next token opens; the net's name follows its keyword.
  void Enter(std::vector<OpenSection>& open, Keyword keyword, int depth);
  // Leaves the innermost section; leaving a net returns to the net around it, if any.
  void Leave(std::vector<OpenSection>& open);

  void OnResolution(const Node& list);
  void OnPadstack(const Node& list);
  void OnWire(const Node& list);
  void OnVia(const Node& list);
  void OnPoint(const Node& list);

  // A length of the file in internal units; none when the item is no number. A number that
  // does not fit 32 bits refuses the file.
  std::optional<sdk::Coord> Length(const Node& list, size_t index);
  std::optional<RoutePoint> Point(const Node& list, size_t index);
  // A width or diameter of copper: a number that reads to none, or to more than the board
  // holds, refuses the file.
  std::optional<sdk::Coord> CopperSize(const Node& list, size_t index, std::string_view what);

  RouteLexer lexer_;
  // A record's lists, each one's items side by side, and the items of the lists still open:
  // kept from record to record, so that reading one allocates nothing.
  std::vector<Node> store_, open_items_;
  double mils_per_unit_ = 1.0;
  bool lengths_read_ = false;
  RouteFileContents contents_;
};

RouteFileContents RecordReader::Read() {
  const RouteToken open = lexer_.Next();
  const RouteToken head = lexer_.Next();
  if (open.kind != RouteTokenKind::Open || head.kind != RouteTokenKind::Atom ||
      !sdk::EqualsIgnoringCase(head.text, "routes")) {
    lexer_.Fail(open.pos, "not a route file: it does not begin with \"(routes\"");
  }
  std::vector<OpenSection> sections = {{Section::Routes, 1, std::nullopt}};
  int depth = 1;
  bool routing_section = false;
  for (;;) {
    const RouteToken token = lexer_.Next();
    switch (token.kind) {
      case RouteTokenKind::End:
        lexer_.Fail(token.pos, "the file ends inside a list: it is incomplete");
      case RouteTokenKind::Atom: continue;
      case RouteTokenKind::Close:
        if (depth == sections.back().depth) Leave(sections);
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
    const Keyword keyword = KeywordOf(lexer_.Peek());
    ListRole role = RoleIn(sections.back().section, keyword);
    // A net without a name is no net: the copper in it is outside any.
    if (role == ListRole::Record && sections.back().section == Section::Net &&
        !sections.back().net) {
      role = ListRole::Outside;
    }
    switch (role) {
      case ListRole::Enter:
        routing_section |= keyword == Keyword::NetworkOut;
        lexer_.Next();
        Enter(sections, keyword, ++depth);
        continue;
      case ListRole::Ignore:
        lexer_.Next();
        SkipList();
        continue;
      case ListRole::Outside:
        // Still checked for nesting, but its values are no copper. The export's own copper
        // outside the network comes back marked, and the board has it.
        if (!MarkedByTheExport(ReadRecord(token.pos))) {
          Skip(keyword == Keyword::Wire ? "wire" : "via", "outside any net");
        }
        continue;
      case ListRole::Unknown:
        ReadRecord(token.pos);
        Skip("record", "of a kind the import does not know");
        continue;
      case ListRole::Record: break;
    }
    using Handler = void (RecordReader::*)(const Node&);
    Handler handler = nullptr;
    if (keyword == Keyword::Resolution) handler = &RecordReader::OnResolution;
    if (keyword == Keyword::Padstack) handler = &RecordReader::OnPadstack;
    if (keyword == Keyword::Wire) handler = &RecordReader::OnWire;
    if (keyword == Keyword::Via) handler = &RecordReader::OnVia;
    if (keyword == Keyword::Point) handler = &RecordReader::OnPoint;
    Node list = ReadRecord(token.pos);
    list.items = list.items.subspan(1);  // the keyword: records count their values from 0
    (this->*handler)(list);
  }
}

void RecordReader::Enter(std::vector<OpenSection>& open, Keyword keyword, int depth) {
  OpenSection section{SectionOf(keyword), depth, std::nullopt};
  if (keyword == Keyword::Net && lexer_.Peek().kind == RouteTokenKind::Atom) {
    section.net = lexer_.Next().text;
  }
  open.push_back(section);
  if (section.net) Emit(NetRecord{std::string(*section.net)});
}

void RecordReader::Leave(std::vector<OpenSection>& open) {
  const bool net = open.back().section == Section::Net;
  open.pop_back();
  if (!net) return;
  // Copper after a nested net belongs to the net around it.
  const std::optional<std::string_view> around = open.back().net;
  Emit(NetRecord{around ? std::optional<std::string>(*around) : std::nullopt});
}

Node RecordReader::ReadRecord(const RoutePos& pos) {
  store_.clear();
  open_items_.clear();
  Node record = ReadList(pos, 1);
  // The store grows no more: the lists may point into it.
  record.items = {store_.data() + record.first, record.count};
  for (Node& node : store_) {
    if (node.list) node.items = {store_.data() + node.first, node.count};
  }
  return record;
}

Node RecordReader::ReadList(const RoutePos& pos, int depth) {
  if (depth > kMaxRecordNesting) lexer_.Fail(pos, "lists nest too deeply");
  const size_t open_at = open_items_.size();
  for (;;) {
    const RouteToken token = lexer_.Next();
    switch (token.kind) {
      case RouteTokenKind::End:
        lexer_.Fail(token.pos, "the file ends inside a list: it is incomplete");
      case RouteTokenKind::Close: {
        const Node list{true, {}, {}, pos, store_.size(), open_items_.size() - open_at};
        store_.insert(store_.end(), open_items_.begin() + static_cast<ptrdiff_t>(open_at),
                      open_items_.end());
        open_items_.resize(open_at);
        return list;
      }
      case RouteTokenKind::Atom:
        open_items_.push_back(Node{false, token.text, {}, token.pos});
        break;
      case RouteTokenKind::Open: {
        Node inner = ReadList(token.pos, depth + 1);
        open_items_.push_back(inner);
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

std::optional<sdk::Coord> RecordReader::Length(const Node& list, size_t index) {
  const std::optional<double> value = ParseNumber(list.AtomAt(index));
  if (!value) return std::nullopt;
  lengths_read_ = true;
  const double mils = *value * mils_per_unit_;
  if (!(std::fabs(mils) <= kMaxMils)) {
    lexer_.Fail(list.items[index].pos,
                "a length out of range: \"" + std::string(list.AtomAt(index)) + "\"");
  }
  return sdk::RoundMilsToCoord(mils);
}

std::optional<RoutePoint> RecordReader::Point(const Node& list, size_t index) {
  const std::optional<sdk::Coord> x = Length(list, index);
  const std::optional<sdk::Coord> y = Length(list, index + 1);
  if (!x || !y) return std::nullopt;
  return RoutePoint{*x, *y};
}

std::optional<sdk::Coord> RecordReader::CopperSize(const Node& list, size_t index,
                                                   std::string_view what) {
  const std::optional<sdk::Coord> size = Length(list, index);
  if (size && (*size <= 0 || *size > sdk::RoundMilsToCoord(kMaxCopperMils))) {
    lexer_.Fail(list.items[index].pos, std::string(what) + " of \"" +
                                           std::string(list.AtomAt(index)) +
                                           "\": copper must be above 0 and at most 10000 mil");
  }
  return size;
}

// Every size of a padstack the import would place: a shape of 0 across, or one grown beyond what
// the board holds by its end circles, refuses the file.
void CheckPadstackSizes(const RouteLexer& lexer, const Node& list, const TPadstack& p) {
  if (p.start_layer == 0) return;  // no shape: no via will be placed with it
  const sdk::Coord largest = sdk::RoundMilsToCoord(kMaxCopperMils);
  for (const sdk::Coord size : {p.top_x, p.top_y, p.mid_x, p.mid_y, p.bottom_x, p.bottom_y}) {
    if (size <= 0 || size > largest) {
      lexer.Fail(list.pos, "padstack \"" + std::string(list.AtomAt(0)) + "\" is " +
                               FormatDesignNumber(size) +
                               " mil across: copper must be above 0 and at most 10000 mil");
    }
  }
}

// (resolution unit value): a scale the file cannot be read without, so one that does not read
// refuses it, as does one that comes after lengths it would have scaled.
void RecordReader::OnResolution(const Node& list) {
  const double factor = list.items.size() == 2 && list.HasAtom(0) && list.HasAtom(1)
                            ? ResolutionFactor(list.AtomAt(0), list.AtomAt(1))
                            : 0;
  if (factor <= 0) lexer_.Fail(list.pos, "unreadable resolution");
  if (factor * sdk::kUnitsPerMil < kMinUnitsPerFileUnit) {
    lexer_.Fail(list.pos, "resolution \"" + std::string(list.AtomAt(0)) + " " +
                              std::string(list.AtomAt(1)) +
                              "\" is finer than the board can hold: every value would be 0");
  }
  if (contents_.has_resolution) lexer_.Fail(list.pos, "a second resolution");
  if (lengths_read_) lexer_.Fail(list.pos, "a resolution after lengths that needed one");
  mils_per_unit_ = factor;
  contents_.has_resolution = true;
  contents_.unit =
      std::max<sdk::Coord>(1, static_cast<sdk::Coord>(std::ceil(factor * sdk::kUnitsPerMil)));
}

// (padstack name (shape (rect layer x1 y1 x2 y2)) (shape (circle layer d [x y])) ...)
void RecordReader::OnPadstack(const Node& list) {
  if (!list.HasAtom(0)) {
    Skip("padstack", "without a name");
    return;
  }
  TPadShapeLoaderList loaders;
  for (const Node& item : list.items) {
    if (!item.list || !sdk::EqualsIgnoringCase(item.Head(), "shape")) continue;
    const Node* shape = item.items.size() >= 2 && item.items[1].list ? &item.items[1] : nullptr;
    const int layer = shape ? RouteLayerFromName(shape->AtomAt(1)) : 0;
    if (layer == 0) {
      Skip("padstack shape", "without a known layer");
      continue;
    }
    if (sdk::EqualsIgnoringCase(shape->Head(), "rect")) {
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
      if (width > sdk::RoundMilsToCoord(kMaxCopperMils) ||
          height > sdk::RoundMilsToCoord(kMaxCopperMils)) {
        lexer_.Fail(shape->pos, "a pad too large: more than 10000 mil across");
      }
      loaders.LoaderOf(layer).AddRectangle(corner1->x, corner1->y, corner2->x, corner2->y);
      continue;
    }
    // Circles, and other outlines taken by their first size, about their offset.
    const std::optional<sdk::Coord> diameter = CopperSize(*shape, 2, "a diameter");
    std::optional<RoutePoint> offset = RoutePoint{};
    if (shape->items.size() > 3) offset = Point(*shape, 3);
    if (!diameter || !offset) {
      Skip("padstack shape", "with an unreadable value");
      continue;
    }
    loaders.LoaderOf(layer).AddCircle(offset->x, offset->y, *diameter / 2);
  }
  PadstackRecord padstack{std::string(list.AtomAt(0)), loaders.Resolve()};
  CheckPadstackSizes(lexer_, list, padstack.padstack);
  Emit(std::move(padstack));
}

// (wire (path layer width x y x y ...) ... (turret n)). Each wire stands alone: its turret mark
// is its own, whatever became of the wire before it.
void RecordReader::OnWire(const Node& list) {
  const Node* path = nullptr;
  WireRecord wire;
  wire.marked = MarkedByTheExport(list);
  for (const Node& item : list.items) {
    if (!path && item.list && sdk::EqualsIgnoringCase(item.Head(), "path")) path = &item;
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
  const std::optional<sdk::Coord> width = CopperSize(*path, 2, "a wire width");
  bool readable = path->HasAtom(1) && width.has_value() && path->items.size() % 2 == 1;
  wire.points.reserve(path->items.size() / 2);  // one block per wire: wires are most records
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
  Emit(ViaRecord{std::string(list.AtomAt(0)), *at, MarkedByTheExport(list)});
}

// (point x y side (net name)), the net also as plain words "net name".
void RecordReader::OnPoint(const Node& list) {
  const std::optional<RoutePoint> at = Point(list, 0);
  if (!at) {
    Skip("test point", "with an unreadable value");
    return;
  }
  PointRecord point{*at, sdk::UpperAscii(list.AtomAt(2)), ""};
  for (size_t i = 3; i < list.items.size(); ++i) {
    const Node& item = list.items[i];
    if (item.list && sdk::EqualsIgnoringCase(item.Head(), "net")) {
      point.net = item.AtomAt(1);
      break;
    }
    if (!item.list && sdk::EqualsIgnoringCase(item.atom, "net")) {
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

void RouteLexer::FailControlByte(const RoutePos& pos, char c) const {
  constexpr char kHex[] = "0123456789ABCDEF";
  const auto code = static_cast<unsigned char>(c);
  Fail(pos, std::string("a control byte (0x") + kHex[code >> 4] + kHex[code & 15] +
                "): a route file is text");
}

RoutePos RouteLexer::At(const RoutePos& start, size_t offset) {
  return {start.line, start.column + static_cast<int>(offset)};
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
  if (IsControlByte(text_[at_])) FailControlByte(token.pos, text_[at_]);
  const char c = Get();
  if (quote_character && c != '(' && c != ')') {
    // "(string_quote c)" names the quote character of the rest of the file.
    quote_ = c;
    token.kind = RouteTokenKind::Atom;
    token.text = text_.substr(at_ - 1, 1);
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
    // A quoted name holds no line end either.
    const size_t start = at_;
    while (at_ < text_.size() && text_[at_] != quote_ && text_[at_] != '\n') {
      if (IsControlByte(text_[at_])) FailControlByte(At(token.pos, at_ - start + 1), text_[at_]);
      ++at_;
    }
    if (at_ == text_.size() || text_[at_] == '\n') Fail(token.pos, "a quoted name is not closed");
    token.text = text_.substr(start, at_ - start);
    ++at_;
    column_ += static_cast<int>(at_ - start);
    return token;
  }
  // An atom holds no line end: it is taken whole, its characters counted as columns.
  const size_t start = at_ - 1;
  while (at_ < text_.size() && !IsBlank(text_[at_]) && text_[at_] != '(' && text_[at_] != ')') {
    if (IsControlByte(text_[at_])) FailControlByte(At(token.pos, at_ - start), text_[at_]);
    ++at_;
  }
  column_ += static_cast<int>(at_ - start - 1);
  token.text = text_.substr(start, at_ - start);
  after_string_quote_ = sdk::EqualsIgnoringCase(token.text, "string_quote");
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
  const std::string upper = sdk::UpperAscii(name);
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
  const std::string upper = sdk::UpperAscii(unit);
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
