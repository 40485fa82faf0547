// The host's exported function families (ClientAPI_*, VFSAPI_*) that modules bind by name.
#pragma once

#include "host/plavena/client.h"
#include "host/plavena/journal.h"

#include <string>
#include <vector>

namespace plavena {

// The client and journal the exports answer from, for the life of a host session.
void SetExportedClient(HostClient* client, Journal* journal) noexcept;

// The texts the module handed to ClientAPI_HandleException (its bug reports), oldest first; the
// journal has one line for each. Emptied when a session sets the exported client.
const std::vector<std::string>& ExceptionReports() noexcept;

// The answer of ClientAPI_GetUseExternalWebBrowser: false unless set.
void SetUseExternalWebBrowser(bool value) noexcept;

// The extension rule of ClientAPI_ForceFileNameExtension: the last extension of the file part
// is replaced ("" removes it); a leading "." of the new extension is optional.
std::string ForceFileNameExtension(const std::string& file_name, const std::string& extension);

}  // namespace plavena
