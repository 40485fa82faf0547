// The host's PCB server.
#include "sdk/pcb_server.h"

#include "sdk/client_api.h"

namespace sdk {

win::ComPtr<IPCB_ServerInterface> GetPCBServer() noexcept {
  const win::ComPtr<IClient> client = GetClient();
  if (!client) return nullptr;
  BSTR name = SysAllocString(L"PCB");
  if (!name) return nullptr;
  win::ComPtr<IServerModule> module;
  const HRESULT status = client->GetServerModuleByName(name, module.put());
  SysFreeString(name);
  if (FAILED(status) || !module) return nullptr;
  return module.As<IPCB_ServerInterface>(IID_IPCB_ServerInterface);
}

}  // namespace sdk
