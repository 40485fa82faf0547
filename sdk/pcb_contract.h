// The PCB editor's half of the host contract: layer sets and layer iterators that pass between
// the module and the host's PCB editor, the module's layer-set factories, and the PCB server.
//
// Same conventions as sdk/host_contract.h (COM-style on IUnknown, __stdcall, BOOLEAN Booleans,
// slot order binary: append, never reorder), with one difference that the layer-set interfaces
// inherited from the editor: their queries and changes return the value directly, and changes
// return the set itself so calls chain. Every returned interface pointer carries a reference
// that the caller releases. A method that fails returns a neutral value (FALSE, NoLayer, null,
// or the set unchanged) and leaves COM error information for the thread. Texts are BSTRs behind
// an HRESULT.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <unknwn.h>

#include <cstdint>

// A layer identity: bits 0-15 number, 16-23 subclass, 24-31 class (see sdk/layers.h).
using TLayer = std::uint32_t;
// Layer partitions 0..26 as bits of a mask.
using TLayerPartitionMask = std::uint32_t;
// The host's legacy layer set: 11 bytes, bit n of layer n (0..87) = bit n%8 of byte n/8.
using TLegacyLayerSetBytes = const BYTE*;

struct IPCB_LayerIterator;

inline constexpr GUID IID_IPCB_ServerInterface = {
    0xDE2AC306, 0x06EC, 0x4363, {0xA7, 0x8F, 0xE6, 0xE8, 0xBB, 0xEF, 0x03, 0xE2}};
inline constexpr GUID IID_IPCB_LayerSet = {
    0xFDEB86B7, 0x224D, 0x4616, {0x80, 0x0C, 0xD6, 0x61, 0xE1, 0x69, 0xA0, 0x9E}};
inline constexpr GUID IID_IPCB_LayerIterator = {
    0xC7FBFF9D, 0x365F, 0x43E5, {0x8A, 0x08, 0xF1, 0xB1, 0x43, 0x0F, 0xB4, 0x7A}};
inline constexpr GUID IID_ILayerValueIterator = {
    0x85688C02, 0x3D25, 0x4029, {0xA5, 0xF5, 0xA3, 0xF7, 0x0A, 0xF2, 0x0A, 0x2B}};
inline constexpr GUID IID_ILayerSetUtils = {
    0xBBD6146A, 0xA3DE, 0x4117, {0x88, 0x98, 0x87, 0x84, 0x61, 0xEF, 0x30, 0x10}};
inline constexpr GUID IID_IPCBFactory = {
    0xCE97E555, 0x1985, 0x47E0, {0x9A, 0x34, 0xBB, 0x2C, 0x5B, 0x17, 0x6D, 0xE1}};

// The host's PCB server, offered by the server module named "PCB"; declared with the board
// interfaces at the end of this file.
struct IPCB_ServerInterface;

// A possibly infinite set of layers (all signal layers but the top, for example).
struct IPCB_LayerSet : IUnknown {
  virtual BOOLEAN __stdcall Contains(TLayer layer) = 0;
  // Includes what the iterator yields from where it stands.
  virtual IPCB_LayerSet* __stdcall IncludeFromIterator(IPCB_LayerIterator* iterator) = 0;
  virtual IPCB_LayerSet* __stdcall Include(TLayer layer) = 0;
  virtual IPCB_LayerSet* __stdcall IncludePartitions(TLayerPartitionMask mask) = 0;
  virtual IPCB_LayerSet* __stdcall IncludeArray(const TLayer* layers, int count) = 0;
  virtual IPCB_LayerSet* __stdcall IncludeSet(IPCB_LayerSet* other) = 0;
  virtual IPCB_LayerSet* __stdcall Exclude(TLayer layer) = 0;
  virtual IPCB_LayerSet* __stdcall ExcludeArray(const TLayer* layers, int count) = 0;
  virtual IPCB_LayerSet* __stdcall ExcludePartitions(TLayerPartitionMask mask) = 0;
  virtual IPCB_LayerSet* __stdcall ExcludePartitions1To16() = 0;
  virtual BOOLEAN __stdcall HasNoCompletePartition() = 0;
  // Null for a set that holds all layers of a partition (it cannot be enumerated).
  virtual IPCB_LayerIterator* __stdcall CreateIterator() = 0;
  virtual TLayer __stdcall GetFirstLayer() = 0;
  virtual IPCB_LayerSet* __stdcall ExcludeAllSignal() = 0;
  virtual IPCB_LayerSet* __stdcall ExcludeAllMechanical() = 0;
  virtual IPCB_LayerSet* __stdcall ExcludeAllInternalPlanes() = 0;
  virtual IPCB_LayerSet* __stdcall IncludeAllSignal() = 0;
  virtual IPCB_LayerSet* __stdcall IncludeStandardLayers() = 0;
  virtual IPCB_LayerSet* __stdcall IncludeAllMechanical() = 0;
  virtual IPCB_LayerSet* __stdcall IncludeAllInternalPlanes() = 0;
  virtual IPCB_LayerSet* __stdcall IncludeAllStandard() = 0;
  virtual IPCB_LayerSet* __stdcall IncludeAll() = 0;
  virtual BOOLEAN __stdcall HasInternalPlanes() = 0;
  // The next three and Clone return new sets.
  virtual IPCB_LayerSet* __stdcall Complement() = 0;
  virtual IPCB_LayerSet* __stdcall Intersect(IPCB_LayerSet* other) = 0;
  virtual IPCB_LayerSet* __stdcall Union(IPCB_LayerSet* other) = 0;
  virtual BOOLEAN __stdcall IsComplete() = 0;
  virtual BOOLEAN __stdcall IsEmpty() = 0;
  virtual IPCB_LayerSet* __stdcall Clone() = 0;
  virtual HRESULT __stdcall GetDescription(BSTR* text) = 0;
  virtual BOOLEAN __stdcall SameAs(IPCB_LayerSet* other) = 0;
  virtual BOOLEAN __stdcall SameAsPartitions(TLayerPartitionMask mask) = 0;
  virtual HRESULT __stdcall ToText(BSTR* text) = 0;
  virtual IPCB_LayerSet* __stdcall IncludeLegacySet(TLegacyLayerSetBytes legacy) = 0;
  virtual IPCB_LayerSet* __stdcall IncludeLegacyLayer(BYTE legacy) = 0;
};

// Walks the layers of a finite set or a layer hash, optionally through a filter set.
struct IPCB_LayerIterator : IUnknown {
  // Starts over and moves to the first layer.
  virtual BOOLEAN __stdcall First() = 0;
  // The next Next starts over.
  virtual HRESULT __stdcall Reset() = 0;
  virtual BOOLEAN __stdcall Next() = 0;
  virtual TLayer __stdcall GetLayer() = 0;
  // The filter grows by the named layers (starting from none).
  virtual IPCB_LayerIterator* __stdcall AddSignalLayers() = 0;
  virtual IPCB_LayerIterator* __stdcall AddElectricalLayers() = 0;
  virtual IPCB_LayerIterator* __stdcall AddInternalPlanes() = 0;
  virtual IPCB_LayerIterator* __stdcall AddMechanicalLayers() = 0;
  virtual IPCB_LayerIterator* __stdcall AddNonElectricalLayers() = 0;
  // Shares the given set as the filter (null: no filter).
  virtual IPCB_LayerIterator* __stdcall SetFilter(IPCB_LayerSet* filter) = 0;
  virtual IPCB_LayerIterator* __stdcall SetFilterPartitions(TLayerPartitionMask mask) = 0;
};

// An iterator over a layer hash that also reads and writes the current value.
struct ILayerValueIterator : IPCB_LayerIterator {
  virtual std::uint32_t __stdcall GetValue() = 0;
  // Fails when the iterator stands on no layer.
  virtual HRESULT __stdcall SetValue(std::uint32_t value) = 0;
};

// Makes and combines layer sets; each returns a new set unless noted. A missing set stands for
// all layers.
struct ILayerSetUtils : IUnknown {
  virtual IPCB_LayerSet* __stdcall LayerSetFromLayer(TLayer layer) = 0;
  virtual IPCB_LayerSet* __stdcall LayerSetFromPartitions(TLayerPartitionMask mask) = 0;
  virtual IPCB_LayerSet* __stdcall LayerSetFromArray(const TLayer* layers, int count) = 0;
  virtual IPCB_LayerSet* __stdcall LayerSetFromLegacySet(TLegacyLayerSetBytes legacy) = 0;
  virtual IPCB_LayerSet* __stdcall LayerSetFromIterator(IPCB_LayerIterator* iterator) = 0;
  virtual IPCB_LayerSet* __stdcall ComplementOf(IPCB_LayerSet* set) = 0;
  virtual IPCB_LayerSet* __stdcall UnionOf(IPCB_LayerSet* a, IPCB_LayerSet* b) = 0;
  virtual IPCB_LayerSet* __stdcall IntersectionOf(IPCB_LayerSet* a, IPCB_LayerSet* b) = 0;
  virtual BOOLEAN __stdcall AreDisjoint(IPCB_LayerSet* a, IPCB_LayerSet* b) = 0;
  virtual BOOLEAN __stdcall AreEqual(IPCB_LayerSet* a, IPCB_LayerSet* b) = 0;
  virtual IPCB_LayerSet* __stdcall CreateEmptyLayerSet() = 0;
  virtual IPCB_LayerSet* __stdcall CreateSystemLayerSet() = 0;
  virtual IPCB_LayerSet* __stdcall NewLayerSet() = 0;
  virtual IPCB_LayerSet* __stdcall AllInternalPlanesSet() = 0;
  virtual IPCB_LayerSet* __stdcall AllLayersSet() = 0;
  virtual IPCB_LayerSet* __stdcall AllSignalLayersSet() = 0;
  virtual IPCB_LayerSet* __stdcall AllStandardLayersSet() = 0;
  virtual IPCB_LayerSet* __stdcall AllMechanicalLayersSet() = 0;
  // Null when the text holds an invalid layer number.
  virtual IPCB_LayerSet* __stdcall LayerSetFromText(BSTR text) = 0;
  virtual HRESULT __stdcall LayerSetToText(IPCB_LayerSet* set, BSTR* text) = 0;
};

// The factory the host's PCB editor asks for layer sets.
struct IPCBFactory : IUnknown {
  virtual HRESULT __stdcall CreateLayerSet(IPCB_LayerSet** result) = 0;
  virtual HRESULT __stdcall CreateLayerSetFromLayer(TLayer layer, IPCB_LayerSet** result) = 0;
  virtual IPCB_LayerSet* __stdcall CreateAllLayersSet() = 0;
  virtual IPCB_LayerSet* __stdcall CreateAllSignalLayersSet() = 0;
  virtual HRESULT __stdcall CreateLayerSetFromPartitions(TLayerPartitionMask mask,
                                                         IPCB_LayerSet** result) = 0;
  virtual HRESULT __stdcall CreateLayerSetFromLegacySet(TLegacyLayerSetBytes legacy,
                                                        IPCB_LayerSet** result) = 0;
};

// ---- Boards, their objects and design rules ------------------------------------------------
// How the module reads the host's board, its objects and its design rules as interfaces rather
// than as records. Handles are those of the PcbApi_* family; layers are legacy layer numbers.
// Every interface returned carries a reference for the caller; a BSTR out-parameter is set
// (possibly to null for an empty text) whenever the call succeeds.

inline constexpr GUID IID_IPCB_Primitive = {
    0x6A3C1E52, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};
inline constexpr GUID IID_IPCB_ObjectClass = {
    0x6A3C1E53, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};
inline constexpr GUID IID_IPCB_Rule = {
    0x6A3C1E54, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};
inline constexpr GUID IID_IPCB_BoardIterator = {
    0x6A3C1E55, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};
inline constexpr GUID IID_IPCB_Board = {
    0x6A3C1E56, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};

struct IPCB_Board;

// Any object of a board: primitives, nets, classes, rules, from-tos. The host hands out one
// interface per object, so two interfaces of one object are the same pointer.
struct IPCB_Primitive : IUnknown {
  virtual std::uint32_t __stdcall GetHandle() = 0;
  // The object kind (pcbapi::ObjectKind).
  virtual BYTE __stdcall GetObjectId() = 0;
  virtual BYTE __stdcall GetLayer() = 0;
  // Null for an object that is not on a board.
  virtual IPCB_Board* __stdcall GetBoard() = 0;
  // The name of a net, class, rule or from-to; empty for other objects.
  virtual HRESULT __stdcall GetName(BSTR* name) = 0;
};

// A class of objects.
struct IPCB_ObjectClass : IPCB_Primitive {
  // 0 nets, 1 components, 2 from-tos, 3 pads, 4 layers, 5 differential pairs.
  virtual BYTE __stdcall GetMemberKind() = 0;
};

// A design rule with one scope (unary) or two (binary).
struct IPCB_Rule : IPCB_Primitive {
  // 0..58: Clearance, ParallelSegment, Width, Length, ...
  virtual BYTE __stdcall GetRuleKind() = 0;
  virtual HRESULT __stdcall GetScope1Expression(BSTR* text) = 0;
  virtual HRESULT __stdcall GetScope2Expression(BSTR* text) = 0;
  // A lower number takes precedence.
  virtual WORD __stdcall GetPriority() = 0;
  // Whether the host applies the rule at all.
  virtual BOOLEAN __stdcall GetEnabled() = 0;
  virtual BOOLEAN __stdcall IsUnary() = 0;
  // The host's own evaluation of one scope on an object.
  virtual BOOLEAN __stdcall Scope1Includes(IPCB_Primitive* object) = 0;
  virtual BOOLEAN __stdcall Scope2Includes(IPCB_Primitive* object) = 0;
  // Binary: one scope holds each object, in either order. Unary: the scope holds both.
  virtual BOOLEAN __stdcall ScopesIncludePair(IPCB_Primitive* a, IPCB_Primitive* b) = 0;
  // The host's one-line description of the rule.
  virtual HRESULT __stdcall GetDescriptor(BSTR* text) = 0;
};

// Walks the objects of a board in the host's order.
struct IPCB_BoardIterator : IUnknown {
  // Only objects whose kind is in the set (bit n = kind n); every kind until set.
  virtual HRESULT __stdcall SetKindFilter(std::uint32_t kinds) = 0;
  // Null at the end.
  virtual IPCB_Primitive* __stdcall First() = 0;
  virtual IPCB_Primitive* __stdcall Next() = 0;
};

// The board is an object too (kind Board): scopes such as All hold it.
struct IPCB_Board : IPCB_Primitive {
  virtual HRESULT __stdcall GetFileName(BSTR* path) = 0;
  virtual IPCB_BoardIterator* __stdcall CreateBoardIterator() = 0;
  // The layer stack from its first layer along the next-layer links; 0 ends it.
  virtual BYTE __stdcall GetFirstLayer() = 0;
  virtual BYTE __stdcall GetNextLayer(BYTE layer) = 0;
  virtual HRESULT __stdcall GetLayerName(BYTE layer, BSTR* name) = 0;
  // The enabled rule of the kind, of the lowest priority number, whose scopes hold the object
  // (or the pair); null when none does.
  virtual IPCB_Rule* __stdcall FindDominantRuleForObject(IPCB_Primitive* object, BYTE kind) = 0;
  virtual IPCB_Rule* __stdcall FindDominantRuleForObjectPair(IPCB_Primitive* a, IPCB_Primitive* b,
                                                             BYTE kind) = 0;
};

struct IPCB_ServerInterface : IUnknown {
  // The open board whose file is the path (compared without regard to case); null when none.
  virtual IPCB_Board* __stdcall GetPCBBoardByPath(BSTR path) = 0;
  virtual IPCB_Board* __stdcall GetCurrentPCBBoard() = 0;
};

// ---- Rooms and rule values -----------------------------------------------------------------
// Offered, through QueryInterface, by the rule objects that carry them: a room by a room
// definition rule, a clearance by the clearance-like rules, track widths by width rules. A rule
// of another kind answers E_NOINTERFACE. A length rule offers its lengths. Values are in internal
// units.

inline constexpr GUID IID_IPCB_Room = {
    0x6A3C1E57, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};
inline constexpr GUID IID_IPCB_ClearanceConstraint = {
    0x6A3C1E58, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};
inline constexpr GUID IID_IPCB_MaxMinWidthConstraint = {
    0x6A3C1E59, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};
inline constexpr GUID IID_IPCB_LengthConstraint = {
    0x6A3C1E5A, 0x9D47, 0x4B0E, {0x8F, 0x21, 0x5C, 0x7B, 0x3E, 0x90, 0xA4, 0x11}};

// The region a room definition covers: a closed outline given by its vertices.
struct IPCB_Room : IUnknown {
  virtual HRESULT __stdcall GetRoomName(BSTR* name) = 0;
  virtual int __stdcall GetVertexCount() = 0;
  // Fails, leaving 0 and 0, for an index outside 0..count-1.
  virtual HRESULT __stdcall GetVertex(int index, std::int32_t* x, std::int32_t* y) = 0;
};

// The least gap a clearance rule demands.
struct IPCB_ClearanceConstraint : IUnknown {
  virtual HRESULT __stdcall GetGap(std::int32_t* gap) = 0;
};

// The routed length a length rule allows a net, offered by length rules.
struct IPCB_LengthConstraint : IUnknown {
  virtual HRESULT __stdcall GetLengths(std::int32_t* min_length, std::int32_t* max_length) = 0;
};

// The track widths a width rule allows on a layer (a layer identity, see TLayer); a layer
// without values of its own has the rule's general ones.
struct IPCB_MaxMinWidthConstraint : IUnknown {
  virtual HRESULT __stdcall GetWidths(TLayer layer, std::int32_t* min_width,
                                      std::int32_t* max_width, std::int32_t* preferred_width) = 0;
};
