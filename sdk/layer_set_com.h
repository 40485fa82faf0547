// Layer sets, layer iterators and the two layer-set factories as COM objects, for the host's PCB
// editor and for code that passes sets through IPCB_LayerSet. The logic lives in LayerSet and
// the layer hashes; these objects only carry it across the boundary.
#pragma once

#include "framework/win/com.h"
#include "sdk/layer_set.h"
#include "sdk/pcb_contract.h"

namespace sdk {

// Recognises sets of this implementation behind an IPCB_LayerSet, so they combine partition by
// partition. Module-private: not part of the host contract.
inline constexpr GUID IID_ILayerSetObject = {
    0x763032D7, 0x4AA3, 0x461B, {0xB4, 0x84, 0xA5, 0x0E, 0x9D, 0x6B, 0x44, 0xC8}};
struct ILayerSetObject : IUnknown {
  virtual LayerSet* __stdcall GetLayerSetObject() = 0;
};

// A new set object holding `set`.
win::ComPtr<IPCB_LayerSet> MakeLayerSet(LayerSet set = {});
// The LayerSet behind an interface of this implementation; null for null or a foreign set.
LayerSet* LayerSetObjectOf(IPCB_LayerSet* set) noexcept;
// An iterator with values over a hash that must outlive it.
win::ComPtr<ILayerValueIterator> CreateLayerValueIterator(TCustomLayerHash& hash);

// The singletons, made on first use and held until EndLayerSetUnit.
win::ComPtr<ILayerSetUtils> GetLayerSetUtils();
win::ComPtr<IPCBFactory> GetPCBFactory();
void EndLayerSetUnit() noexcept;

}  // namespace sdk
