// The module's server module and its factory.
#include "router/tralvek_server.h"

#include "sdk/error_bridge.h"
#include "router/commands.h"

namespace router {

void TTralvekServerModule::RegisterCommands() {
  CommandLauncher()->RegisterCommand("ExportDesignFile", ExportDesignFile, nullptr);
  CommandLauncher()->RegisterCommand("ImportRouteFile", ImportRouteFile, nullptr);
}

win::ComPtr<IServerDocument> TTralvekServerModule::CreateDocument(const std::wstring&,
                                                                  const std::wstring&) {
  return nullptr;
}

}  // namespace router

HRESULT __stdcall ServerFactory(IClient* client, IServerModule** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return sdk::GuardHresult([&] {
    *result =
        sdk::TServerModule::Create<router::TTralvekServerModule>(client, router::kModuleName)
            .detach();
    return S_OK;
  });
}
