// The host's PCB server, found through the client global.
#pragma once

#include "framework/win/com.h"
#include "sdk/pcb_contract.h"

namespace sdk {

// The IPCB_ServerInterface of the host's server module "PCB"; empty without a client, without
// that module, or when the module does not offer it. Never raises.
win::ComPtr<IPCB_ServerInterface> GetPCBServer() noexcept;

}  // namespace sdk
