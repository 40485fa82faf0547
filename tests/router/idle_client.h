// A host client that answers nothing but what a test overrides: the calls the router never makes
// of a client in the tests clear their out-parameter and fail.
#pragma once

#include "sdk/host_fakes.h"

namespace routertest {

template <class... More>
class IdleClient : public testfakes::ComObject<IClient, More...> {
 public:
  using testfakes::ComObject<IClient, More...>::ComObject;
  HRESULT __stdcall GetApplicationHandle(HWND* r) override { return testfakes::Unused(r); }
  HRESULT __stdcall GetMainWindowHandle(HWND* r) override { return testfakes::Unused(r); }
  HRESULT __stdcall GetCurrentView(IServerView** r) override { return testfakes::Unused(r); }
  HRESULT __stdcall SetStatusBarText(int, BSTR, IStatusPanel** r) override {
    return testfakes::Unused(r);
  }
  HRESULT __stdcall ShowDocument(IServerDocument*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetDocumentKindFromFile(BSTR, BSTR* r) override { return testfakes::Unused(r); }
  HRESULT __stdcall OpenNewDocument(BSTR, BSTR, IServerDocument** r) override {
    return testfakes::Unused(r);
  }
};

}  // namespace routertest
