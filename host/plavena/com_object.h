// Reference counting and interface queries for the stand-in host's COM objects.
#pragma once

#include <atomic>

#include "sdk/host_contract.h"
#include "sdk/external_form_contract.h"
#include "sdk/navigation_contract.h"

namespace plavena {

template <class I>
struct InterfaceId;
template <>
struct InterfaceId<IClient> {
  static constexpr const GUID& iid = IID_IClient;
};
template <>
struct InterfaceId<IProcessLauncher> {
  static constexpr const GUID& iid = IID_IProcessLauncher;
};
template <>
struct InterfaceId<IServerDocument> {
  static constexpr const GUID& iid = IID_IServerDocument;
};
template <>
struct InterfaceId<IServerView> {
  static constexpr const GUID& iid = IID_IServerView;
};
template <>
struct InterfaceId<IStatusPanel> {
  static constexpr const GUID& iid = IID_IStatusPanel;
};

template <>
struct InterfaceId<IClientAddressService> {
  static constexpr const GUID& iid = IID_IClientAddressService;
};
template <>
struct InterfaceId<IClientState> {
  static constexpr const GUID& iid = IID_IClientState;
};
template <>
struct InterfaceId<IClientModules> {
  static constexpr const GUID& iid = IID_IClientModules;
};
template <>
struct InterfaceId<IServerViewDetails> {
  static constexpr const GUID& iid = IID_IServerViewDetails;
};
template <>
struct InterfaceId<ITaskPanel> {
  static constexpr const GUID& iid = IID_ITaskPanel;
};
template <>
struct InterfaceId<IHelpBrowser> {
  static constexpr const GUID& iid = IID_IHelpBrowser;
};
template <>
struct InterfaceId<IViewActivation> {
  static constexpr const GUID& iid = IID_IViewActivation;
};
template <>
struct InterfaceId<IWorkspace> {
  static constexpr const GUID& iid = IID_IWorkspace;
};
template <>
struct InterfaceId<IServerModule> {
  static constexpr const GUID& iid = IID_IServerModule;
};

template <>
struct InterfaceId<IExternalFormHolder> {
  static constexpr const GUID& iid = IID_IExternalFormHolder;
};

// Implements IUnknown once for all the interfaces an object offers; the first one answers for
// IUnknown. Objects start with one reference, owned by whoever created them.
template <class First, class... Rest>
class ComObject : public First, public Rest... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT __stdcall QueryInterface(REFIID iid, void** result) noexcept override {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (iid == IID_IUnknown) {
      *result = static_cast<First*>(this);
    } else {
      Find<First, Rest...>(iid, result);
    }
    if (!*result) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG __stdcall AddRef() noexcept override { return ++references_; }
  ULONG __stdcall Release() noexcept override {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
  }

 protected:
  virtual ~ComObject() = default;

 private:
  template <class I, class... More>
  void Find(REFIID iid, void** result) {
    if (iid == InterfaceId<I>::iid) {
      *result = static_cast<I*>(this);
      return;
    }
    if constexpr (sizeof...(More) > 0) Find<More...>(iid, result);
  }

  std::atomic<ULONG> references_{1};
};

}  // namespace plavena
