// The host SDK's units in load order; they end in reverse order.
#include "rtl/unit_table.h"

#include "rtl/client_api.h"
#include "rtl/common_utils.h"
#include "rtl/rt_param.h"

namespace rtl {

void StartHostSdkUnits() noexcept {
  BindClientApi();         // the client procedures
  StartClientInterface();  // the client interface: binds again (no-op) and fills the global
  StartVfsApi();
  ResetApplicationPreferenceKey();
}

void EndHostSdkUnits() noexcept {
  ReleaseParameterCache();
  EndVfsApi();
}

}  // namespace rtl
