// Finding the host's PCB server through the client's server-module lookup.
#include "sdk/pcb_server.h"

#include <gtest/gtest.h>

#include <string>

#include "sdk/client_api.h"
#include "sdk/host_fakes.h"

namespace {

// A server module, with the PCB server's interface or without it; nothing else is asked of it.
class FakeModule final : public testfakes::ComObject<IServerModule, IPCB_ServerInterface> {
 public:
  explicit FakeModule(bool offers_pcb)
      : ComObject({IID_IServerModule, offers_pcb ? IID_IPCB_ServerInterface : IID_NULL}) {}
  HRESULT __stdcall ApplicationIdle() override { return E_NOTIMPL; }
  HRESULT __stdcall ReceiveNotification(IUnknown*) override { return E_NOTIMPL; }
  HRESULT __stdcall OpenDocument(BSTR, BSTR, IServerDocument**) override { return E_NOTIMPL; }
  HRESULT __stdcall RemoveDocument(IServerDocument*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetClient(IClient**) override { return E_NOTIMPL; }
  HRESULT __stdcall GetCommandLauncher(ICommandLauncher**) override { return E_NOTIMPL; }
  HRESULT __stdcall GetDocumentCount(int*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetDocuments(int, IServerDocument**) override { return E_NOTIMPL; }
  HRESULT __stdcall GetHandle(HINSTANCE*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetModuleName(BSTR*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetProcessControl(IProcessControl**) override { return E_NOTIMPL; }
  HRESULT __stdcall GetViewCount(int*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetViews(int, IServerView**) override { return E_NOTIMPL; }
  HRESULT __stdcall GetOptionsView(BSTR, IUnknown**) override { return E_NOTIMPL; }
  HRESULT __stdcall CreateServerView(IUnknown*, IServerView**) override { return E_NOTIMPL; }
  HRESULT __stdcall CreateDocumentView(IUnknown*, BSTR, IServerView**) override {
    return E_NOTIMPL;
  }
  HRESULT __stdcall RemoveView(IServerView*) override { return E_NOTIMPL; }
  HRESULT __stdcall AddView(IServerView*) override { return E_NOTIMPL; }
  HRESULT __stdcall OpenDocumentEx(BSTR, BSTR, BOOLEAN, IServerDocument**) override {
    return E_NOTIMPL;
  }
  IPCB_Board* __stdcall GetPCBBoardByPath(BSTR) override { return nullptr; }
  IPCB_Board* __stdcall GetCurrentPCBBoard() override { return nullptr; }
};

TEST(PCBServer, AsksTheClientForTheModuleNamedPCBAndItsInterface) {
  const auto plain = win::ComPtr<FakeModule>::Adopt(new FakeModule(false));
  const auto pcb = win::ComPtr<FakeModule>::Adopt(new FakeModule(true));
  const auto client = win::ComPtr<testfakes::FakeClient>::Adopt(new testfakes::FakeClient(nullptr));
  sdk::SetClientGlobal(nullptr);
  EXPECT_FALSE(sdk::GetPCBServer()) << "no client";
  sdk::SetClientGlobal(client.get());
  EXPECT_FALSE(sdk::GetPCBServer()) << "no such module";
  EXPECT_EQ(client->asked_for, L"PCB");
  client->pcb_module = plain.get();
  EXPECT_FALSE(sdk::GetPCBServer()) << "the module lacks the interface";
  client->pcb_module = pcb.get();
  EXPECT_EQ(sdk::GetPCBServer().get(), static_cast<IPCB_ServerInterface*>(pcb.get()));
  client->module_status = E_FAIL;
  EXPECT_FALSE(sdk::GetPCBServer()) << "the host failed the lookup";
  sdk::SetClientGlobal(nullptr);
}

}  // namespace
