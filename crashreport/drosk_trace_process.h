// The module's export for outside tools (the second beside ServerFactory): a report of the
// threads of a hanging process, written into the caller's named section "droskTraceProcessMap"
// (global name first) of at most `bufferSize` bytes, or onto the clipboard for a size of 0 or
// less. The result is always 0. Defined with the report composer.
#pragma once

#include <cstdint>

extern "C" int32_t __stdcall droskTraceProcess(int32_t bufferSize) noexcept;
