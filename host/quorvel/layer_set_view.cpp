// Reads a host layer set through its first method. The set's full declaration belongs to the
// layer-set code; the editor needs only `Contains`, the first method after IUnknown, in the
// host's convention (HRESULT result, answer in a one-byte Boolean).
#include "host/quorvel/layer_set_view.h"

#include <windows.h>

#include <unknwn.h>

namespace quorvel {

namespace {
struct LayerSetContainsView : IUnknown {
  virtual HRESULT __stdcall Contains(pcbapi::LayerId layer, BOOLEAN* result) = 0;
};
}  // namespace

bool LayerSetContains(IPCB_LayerSet* set, pcbapi::LayerId layer) {
  if (!set) return true;
  BOOLEAN contains = FALSE;
  auto* view = reinterpret_cast<LayerSetContainsView*>(set);
  return SUCCEEDED(view->Contains(layer, &contains)) && contains;
}

}  // namespace quorvel
