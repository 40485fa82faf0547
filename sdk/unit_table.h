// The starts and ends of the host SDK's units, in the order of the library's unit table. The
// library runs them at load and unload; test programs that link the units run them too.
#pragma once

namespace sdk {

void StartHostSdkUnits() noexcept;
void EndHostSdkUnits() noexcept;

}  // namespace sdk
