// The scope kinds the router knows (the whole board, a layer, a net class, a net on a layer, a
// region, kinds of objects ...), how two of them combine, and their names.
#pragma once

#include <cstdint>
#include <string_view>

namespace router {

enum class TSpecctraScope : uint8_t {
  NotAssigned = 0,
  Pcb = 1,
  Layer = 2,
  NetClass = 3,
  NetClassOnLayer = 4,
  GroupSet = 5,
  GroupSetOnLayer = 6,
  Net = 7,
  NetOnLayer = 8,
  Group = 9,
  GroupOnLayer = 10,
  FromTo = 11,
  FromToOnLayer = 12,
  NetClassToNetClass = 13,
  // The three s are the system's own spelling of this kind's name: keep it.
  NetClasssToNetClassOnLayer = 14,
  Padstack = 15,
  BoardRegion = 16,
  NetClassInBoardRegion = 17,
  NetInBoardRegion = 18,
  NetClassToNetClassInBoardRegion = 19,
  Pin = 20,
  SMDpad = 21,
  Via = 22,
  Wire = 23,
  CopperArea = 24,
  TestPoint = 25,
};

// The rule collection's mark for a scope kind not worked out yet; no TSpecctraScope.
inline constexpr uint8_t kSpecctraScopeNotComputed = 26;
inline constexpr int kSpecctraScopeCount = 26;

// Pin .. TestPoint: scopes naming kinds of objects rather than parts of the board.
constexpr bool IsObjectScope(TSpecctraScope kind) {
  return kind >= TSpecctraScope::Pin && kind <= TSpecctraScope::TestPoint;
}

struct TScopeCombination {
  TSpecctraScope kind = TSpecctraScope::NotAssigned;
  bool combined = false;  // false: the two kinds do not combine, kind is NotAssigned
};

// The kind of a scope that is the intersection of scopes of kinds a and b: equal kinds stay,
// Pcb yields to the other, Layer with a net, class or from-to kind gives its on-layer kind, a
// region with a class or net gives the in-region kind, and an object scope yields to a scope that
// is none. Two object scopes, or two unrelated board scopes, do not combine.
TScopeCombination Combine(TSpecctraScope a, TSpecctraScope b);

// Whether "a And b" of different kinds is something the router can take: Layer with a net, class,
// group or from-to kind, a region with a class or net, or exactly one object scope. A pair of
// equal kinds is never supported.
bool SupportedPair(TSpecctraScope a, TSpecctraScope b);

// "NotAssigned", "Pcb", ... exactly as the table names them. An out-of-range kind is an
// assertion failure.
std::string_view SpecctraScopeToString(TSpecctraScope kind);

// The host query word that selects a scope of the kind ("All", "OnLayer", "InNet", ...), empty
// for NotAssigned. Kinds that no single query word selects (NetOnLayer, Padstack, ...) are an
// assertion failure.
std::string_view SpecctraScopeToOvixExpression(TSpecctraScope kind);

}  // namespace router
