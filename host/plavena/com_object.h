// The identities of the interfaces the stand-in host's COM objects offer.
#pragma once

#include "framework/win/com_object.h"
#include "sdk/host_contract.h"
#include "sdk/external_form_contract.h"
#include "sdk/navigation_contract.h"

namespace win {
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

}  // namespace win
