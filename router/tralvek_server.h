// The module's face to the host: its server module, created by the exported ServerFactory.
#pragma once

#include "sdk/host_contract.h"
#include "sdk/server_module.h"

namespace router {

constexpr char kModuleName[] = "Tralvek";

// Registers the two commands; offers no document kinds.
class TTralvekServerModule final : public sdk::TServerModule {
 protected:
  void RegisterCommands() override;
  win::ComPtr<IServerDocument> CreateDocument(const std::wstring& kind,
                                              const std::wstring& file_name) override;
};

}  // namespace router

// Creates the module's server module for the host's client.
extern "C" HRESULT __stdcall ServerFactory(IClient* client, IServerModule** result) noexcept;
