// The import table entry through which a loaded module calls a function of another module, for
// tests that check what redirected those entries.
#pragma once

#include <windows.h>

namespace testsupport {

// The entry of `name` imported from `dll` (letter case ignored) by `module`; null when the module
// does not import it by name.
void** ImportEntry(HMODULE module, const char* dll, const char* name);

}  // namespace testsupport
