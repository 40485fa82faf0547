// Where a grid keeps its user's band and column arrangement between runs: registry paths, the
// application's registry root, and the values written under a base path.
#pragma once

#include <string>

namespace treelist {

// Returns the registry root path the application keeps its grids' layouts under.
using TRegistryRootProvider = std::string (*)();
// None is installed by default; null removes it.
void SetRegistryRootProvider(TRegistryRootProvider provider);
TRegistryRootProvider RegistryRootProvider();

// A leading "\" added to a non-empty path, every trailing "\" removed.
std::string NormalizeLayoutPath(const std::string& path);

}  // namespace treelist
