// The host's side of address dispatch: its address service, the server modules it knows, the
// details of a view, and the interfaces of task panels, help browsers and activatable views.
// Each is asked of a host object by identity (QueryInterface), so objects without them simply
// say no. Same binary rules as the host contract: append, never reorder.
#pragma once

#include "sdk/host_contract.h"

// Asked of the client: completes, splits and opens addresses.
inline constexpr GUID IID_IClientAddressService = {
    0x6A1E2C07, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x07}};
struct IClientAddressService : IUnknown {
  // The address in its full form (a bare file name becomes a path, and so on).
  virtual HRESULT __stdcall ExpandAddress(BSTR address, BSTR* result) = 0;
  // Scheme (without ":"), path, and what follows the path (a "#" part); each may be empty.
  virtual HRESULT __stdcall SplitAddress(BSTR address, BSTR* scheme, BSTR* path, BSTR* rest) = 0;
  // Opens the address as a host document.
  virtual HRESULT __stdcall OpenAddress(BSTR address) = 0;
};

// Asked of the client: the server modules it has loaded, in its order.
inline constexpr GUID IID_IClientModules = {
    0x6A1E2C08, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x08}};
struct IClientModules : IUnknown {
  virtual HRESULT __stdcall GetServerModuleCount(int* count) = 0;
  virtual HRESULT __stdcall GetServerModule(int index, IServerModule** result) = 0;
};

// Asked of a view: its name among its document's views, and the form it shows (null if none).
inline constexpr GUID IID_IServerViewDetails = {
    0x6A1E2C09, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x09}};
struct IServerViewDetails : IUnknown {
  virtual HRESULT __stdcall GetViewName(BSTR* result) = 0;
  virtual HRESULT __stdcall GetForm(IUnknown** result) = 0;
};

// A task panel: shows an address; `taken` is non-zero when it took it.
inline constexpr GUID IID_ITaskPanel = {
    0x82D46D14, 0xF808, 0x45CC, {0xAB, 0x41, 0xB8, 0x60, 0x27, 0x8A, 0x1A, 0xAE}};
struct ITaskPanel : IUnknown {
  virtual HRESULT __stdcall NavigateTo(BSTR address, int* taken) = 0;
};

// A view that browses help pages.
inline constexpr GUID IID_IHelpBrowser = {
    0xE9822C7C, 0x165E, 0x4346, {0xBA, 0x0A, 0xE5, 0x1D, 0x92, 0x08, 0x0C, 0x77}};
struct IHelpBrowser : IUnknown {
  virtual HRESULT __stdcall GetCurrentAddress(BSTR* result) = 0;
  virtual HRESULT __stdcall Reload() = 0;
  // By the browser's own comparison.
  virtual HRESULT __stdcall IsShowingAddress(BSTR address, BOOLEAN* result) = 0;
};

// A view that can be brought to the front among its document's views.
inline constexpr GUID IID_IViewActivation = {
    0xB3D04C3E, 0xCDA5, 0x4C91, {0xAE, 0xFA, 0x96, 0x5D, 0x08, 0xF4, 0x7B, 0x2F}};
struct IViewActivation : IUnknown {
  virtual HRESULT __stdcall Activate() = 0;
};
