// Finding the host's PCB server through the client's server-module lookup.
#include "sdk/pcb_server.h"

#include <gtest/gtest.h>

#include <string>

#include "sdk/client_api.h"

namespace {

// Counts nothing: these objects live on the test's stack and outlive every reference.
template <class... Interfaces>
class StackObject : public Interfaces... {
 public:
  ULONG __stdcall AddRef() noexcept override { return 2; }
  ULONG __stdcall Release() noexcept override { return 1; }
};

class FakeModule final : public StackObject<IServerModule, IPCB_ServerInterface> {
 public:
  explicit FakeModule(bool offers_pcb) : offers_pcb_(offers_pcb) {}

  HRESULT __stdcall QueryInterface(REFIID iid, void** out) noexcept override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IServerModule) {
      *out = static_cast<IServerModule*>(this);
    } else if (iid == IID_IPCB_ServerInterface && offers_pcb_) {
      *out = static_cast<IPCB_ServerInterface*>(this);
    } else {
      return E_NOINTERFACE;
    }
    return S_OK;
  }
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

 private:
  bool offers_pcb_;
};

class FakeClient final : public StackObject<IClient> {
 public:
  FakeModule* module = nullptr;
  HRESULT status = S_OK;
  std::wstring asked_for;

  HRESULT __stdcall QueryInterface(REFIID iid, void** out) noexcept override {
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClient) return E_NOINTERFACE;
    *out = static_cast<IClient*>(this);
    return S_OK;
  }
  HRESULT __stdcall GetServerModuleByName(BSTR name, IServerModule** result) override {
    asked_for = name;
    *result = name == std::wstring(L"PCB") ? module : nullptr;
    return status;
  }
  HRESULT __stdcall GetApplicationHandle(HWND*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetMainWindowHandle(HWND*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetCurrentView(IServerView**) override { return E_NOTIMPL; }
  HRESULT __stdcall SetStatusBarText(int, BSTR, IStatusPanel**) override { return E_NOTIMPL; }
  HRESULT __stdcall GetDocumentByPath(BSTR, IServerDocument**) override { return E_NOTIMPL; }
  HRESULT __stdcall ShowDocument(IServerDocument*) override { return E_NOTIMPL; }
  HRESULT __stdcall GetDocumentKindFromFile(BSTR, BSTR*) override { return E_NOTIMPL; }
  HRESULT __stdcall OpenNewDocument(BSTR, BSTR, IServerDocument**) override { return E_NOTIMPL; }
};

// Installs a client global for one test.
class ClientScope {
 public:
  explicit ClientScope(IClient* client) : old_(sdk::ClientGlobal()) {
    sdk::SetClientGlobal(client);
  }
  ~ClientScope() { sdk::SetClientGlobal(old_); }

 private:
  IClient* old_;
};

TEST(PCBServer, AsksTheClientForTheModuleNamedPCBAndItsInterface) {
  FakeModule plain(false), pcb(true);
  FakeClient client;
  {
    ClientScope scope(nullptr);
    EXPECT_FALSE(sdk::GetPCBServer()) << "no client";
  }
  ClientScope scope(&client);
  EXPECT_FALSE(sdk::GetPCBServer()) << "no such module";
  EXPECT_EQ(client.asked_for, L"PCB");
  client.module = &plain;
  EXPECT_FALSE(sdk::GetPCBServer()) << "the module lacks the interface";
  client.module = &pcb;
  EXPECT_EQ(sdk::GetPCBServer().get(), static_cast<IPCB_ServerInterface*>(&pcb));
  client.status = E_FAIL;
  EXPECT_FALSE(sdk::GetPCBServer()) << "the host failed the lookup";
}

}  // namespace
