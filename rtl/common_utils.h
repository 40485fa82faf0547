// Where the host keeps its settings: the preference key and the registry paths below it, and
// the host's program folders.
#pragma once

#include <string>

namespace rtl {

// "\" + folder name, "\Zelmar2004" unless the registry or "PrefFolder.ini" says otherwise.
// Determined once per process.
std::string GetApplicationPreferenceKey();
// "Software" + preference key, under HKEY_CURRENT_USER.
std::string GetRegistryKeyPath();
// The registry key path + "\Marvuna".
std::string GetProductFamilyRegistryKey();

// Folders of the running executable (the host), each ending in "\".
std::string GetApplicationFolder();
std::string GetSystemFolder();

// Forgets the cached preference key (the unit's start).
void ResetApplicationPreferenceKey();

}  // namespace rtl
