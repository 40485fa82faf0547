// The module's two commands and the route-file choice through the host's common dialog.
#pragma once

#include <string>

#include "sdk/host_contract.h"

namespace router {

// Writes the do-file and the design file named by "FileName" after the set-up dialog's OK.
void ExportDesignFile(IServerView* context, const char* parameters);

// Reads the route file named by "FileName" (or chosen in the host's common dialog) into the
// board and opens the router's status file beside it.
void ImportRouteFile(IServerView* context, const char* parameters);

// Asks the host's common dialog for a route file, starting at `path`; true, with `path` set to
// the choice, only when the host answers "Result=True".
bool RunImportDialog(std::string& path);

// Runs "Client:RunCommonDialog" with the parameter text; true with the chosen path when the
// host answers "Result=True".
bool RunCommonDialog(std::string& path, const std::string& parameters);

}  // namespace router
