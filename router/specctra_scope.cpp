// The router's scope kinds: combination, supported pairs and names.
#include "router/specctra_scope.h"

#include "sdk/exceptions.h"

namespace router {

namespace {

using S = TSpecctraScope;

struct ScopePair {
  S a;
  S b;
  S combined;  // NotAssigned: supported by "And" but with no kind of its own
};
constexpr ScopePair kScopePairs[] = {
    {S::Layer, S::NetClass, S::NetClassOnLayer},
    {S::Layer, S::NetClassOnLayer, S::NetClassOnLayer},
    {S::Layer, S::Net, S::NetOnLayer},
    {S::Layer, S::NetOnLayer, S::NetOnLayer},
    {S::Layer, S::Group, S::NotAssigned},
    {S::Layer, S::GroupOnLayer, S::NotAssigned},
    {S::Layer, S::FromTo, S::FromToOnLayer},
    {S::Layer, S::FromToOnLayer, S::FromToOnLayer},
    {S::Layer, S::NetClassToNetClass, S::NetClasssToNetClassOnLayer},
    {S::Layer, S::NetClasssToNetClassOnLayer, S::NetClasssToNetClassOnLayer},
    {S::NetClass, S::BoardRegion, S::NetClassInBoardRegion},
    {S::Net, S::BoardRegion, S::NetInBoardRegion},
    {S::NetClassToNetClass, S::BoardRegion, S::NetClassToNetClassInBoardRegion},
};

const ScopePair* FindPair(S a, S b) {
  for (const ScopePair& pair : kScopePairs) {
    if ((pair.a == a && pair.b == b) || (pair.a == b && pair.b == a)) return &pair;
  }
  return nullptr;
}

constexpr std::string_view kScopeNames[kSpecctraScopeCount] = {
    "NotAssigned",
    "Pcb",
    "Layer",
    "NetClass",
    "NetClassOnLayer",
    "GroupSet",
    "GroupSetOnLayer",
    "Net",
    "NetOnLayer",
    "Group",
    "GroupOnLayer",
    "FromTo",
    "FromToOnLayer",
    "NetClassToNetClass",
    "NetClasssToNetClassOnLayer",  // sic: the name as stored files and the dialog give it
    "Padstack",
    "BoardRegion",
    "NetClassInBoardRegion",
    "NetInBoardRegion",
    "NetClassToNetClassInBoardRegion",
    "Pin",
    "SMDpad",
    "Via",
    "Wire",
    "CopperArea",
    "TestPoint",
};

}  // namespace

TScopeCombination Combine(S a, S b) {
  if (a == b) return {a, true};
  if (a == S::Pcb) return {b, true};
  if (b == S::Pcb) return {a, true};
  if (const ScopePair* pair = FindPair(a, b); pair && pair->combined != S::NotAssigned) {
    return {pair->combined, true};
  }
  if (IsObjectScope(a) == IsObjectScope(b)) return {S::NotAssigned, false};
  return {IsObjectScope(a) ? b : a, true};
}

bool SupportedPair(S a, S b) {
  if (a == b) return false;
  return FindPair(a, b) != nullptr || IsObjectScope(a) != IsObjectScope(b);
}

std::string_view SpecctraScopeToString(S kind) {
  const auto index = static_cast<size_t>(kind);
  RTL_ASSERT(index < std::size(kScopeNames), "SpecctraScopeToString: unsupported scope");
  return kScopeNames[index];
}

std::string_view SpecctraScopeToOvixExpression(S kind) {
  switch (kind) {
    case S::NotAssigned: return "";
    case S::Pcb: return "All";
    case S::Layer: return "OnLayer";
    case S::NetClass: return "InNetClass";
    case S::Net: return "InNet";
    case S::Group: return "InFromToClass";
    // Leaf kinds of their own query words too; asking for them must not fail.
    case S::FromTo: return "InFromTo";
    case S::BoardRegion: return "WithinRoom";
    case S::Pin: return "IsPad";
    case S::SMDpad: return "IsSMDPad";
    case S::Via: return "IsVia";
    case S::Wire: return "IsTrack";
    case S::CopperArea: return "IsFill";
    case S::TestPoint: return "IsTestpoint";
    default: break;
  }
  RTL_ASSERT(false, "SpecctraScopeToOvixExpression: unsupported scope");
  return "";
}

}  // namespace router
