// The host's workspace library: modules find it loaded and ask it for the workspace, which the
// host executable keeps.
#include <windows.h>

#include "sdk/host_contract.h"

extern "C" __declspec(dllexport) HRESULT __stdcall GetWorkspace(IWorkspace** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  const auto host = reinterpret_cast<GetWorkspaceProc>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), "PlavenaGetWorkspace")));
  return host ? host(result) : S_OK;
}
