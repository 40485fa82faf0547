// Reading a router's route file ("*.rte") into records: a tokenizer for its s-expressions and a
// reader that picks out the records the import applies (resolution, padstacks, nets, wires, vias,
// test points, turret marks). No board access, so everything here runs on strings.
//
// The reader follows the lists, not the lines: a record reads the same whatever the router's line
// breaks, and quoted names lose their quotes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "router/padstack_shapes.h"
#include "sdk/exceptions.h"
#include "sdk/pcb_api.h"

namespace router {

// A route file that cannot be read; the message names the file, line and column.
class ERouteFileError : public sdk::Exception {
 public:
  using sdk::Exception::Exception;
};

struct RoutePos {
  int line = 1;
  int column = 1;
};

enum class RouteTokenKind { Open, Close, Atom, End };

struct RouteToken {
  RouteTokenKind kind = RouteTokenKind::End;
  std::string_view text;  // atoms: without their quotes; points into the lexer's text
  RoutePos pos;
};

// Splits a route file into "(", ")" and atoms. A quoted atom runs to the closing quote on its
// line; the quote character is '"' until a "(string_quote c)" list names another. A UTF-8
// byte-order mark at the start is no part of the text; a control character other than a blank
// refuses the file at its place.
class RouteLexer {
 public:
  RouteLexer(std::string_view text, std::string_view file_name);
  RouteToken Next();
  const RouteToken& Peek();
  // "<file>:<line>:<column>: <message>".
  [[noreturn]] void Fail(const RoutePos& pos, const std::string& message) const;
  int lines() const { return line_; }

 private:
  RouteToken Scan();
  char Get();
  [[noreturn]] void FailControlByte(const RoutePos& pos, char c) const;
  // The place `offset` characters on from `start` on its line.
  static RoutePos At(const RoutePos& start, size_t offset);

  std::string_view text_;
  std::string file_name_;
  size_t at_ = 0;
  int line_ = 1, column_ = 1;
  char quote_ = '"';
  bool after_string_quote_ = false;  // "(" "string_quote" seen: the next character is the quote
  std::optional<RouteToken> peeked_;
};

struct RoutePoint {
  sdk::Coord x = 0, y = 0;
  bool operator==(const RoutePoint&) const = default;
};

// The shapes of a padstack, already resolved to sizes and layers.
struct PadstackRecord {
  std::string name;
  TPadstack padstack;
};
// Entering a net's list (name set) or leaving it (no name): wires and vias belong to the net of
// the list they stand in.
struct NetRecord {
  std::optional<std::string> name;
};
// A wire marked with turret number 126 or 127 is one the export placed: it comes back without
// its path, since the importer keeps the board's own.
struct WireRecord {
  int layer = 0;  // legacy layer; 74 for "signal", 0 for a name not known
  sdk::Coord width = 0;
  std::vector<RoutePoint> points;  // at least two, unless marked
  bool marked = false;
};
struct ViaRecord {
  std::string padstack;
  RoutePoint at;
  bool turret = false;  // "(via_number 126)": a via the export placed, not a routed one
};
struct PointRecord {
  RoutePoint at;
  std::string side;  // upper-cased: "FRONT", "BACK", ...
  std::string net;
};
using RouteRecord = std::variant<PadstackRecord, NetRecord, WireRecord, ViaRecord, PointRecord>;

// Records left out, counted by what they are ("wire") and why ("without a path"), so that the
// user hears of every one.
using SkippedRecords = std::map<std::pair<std::string, std::string>, int>;

struct RouteFileContents {
  std::vector<RouteRecord> records;
  std::vector<int> record_lines;  // the line each record ends on
  int line_count = 0;
  bool has_resolution = false;  // without one, lengths are mils
  sdk::Coord unit = 10000;      // one unit of the file's resolution, in internal units (at least 1)
  SkippedRecords skipped;
};

// The records of a route file's text, in file order. The text must be one balanced
// "(routes ...)" list with a routing section ("(network_out"); a truncated or foreign file, an
// unreadable resolution and a length out of range (beyond 32 bits, a negative size, an inverted
// rectangle) refuse it whole, with ERouteFileError. Inside it, values that do not read drop
// their record only, and it is counted.
RouteFileContents ReadRouteRecords(std::string_view text, std::string_view file_name);

// Legacy layer of a route-file layer name: TopLayer 1, MidLayer1..30 2..31, BottomLayer 32,
// InternalPlane1..16 39..54, "signal" 74 (multi-layer), anything else 0. Case does not count.
int RouteLayerFromName(std::string_view name);

// Mils per file unit of a "(resolution unit value)": inch, mil, mm, cm, um, the value a whole
// number from 1 to 10^9; 0 when the unit is not known or the value not such a number.
double ResolutionFactor(std::string_view unit, std::string_view value);

}  // namespace router
