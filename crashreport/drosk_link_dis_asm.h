// Links the disassembly listing into the report: the slot through which the report composer
// reaches the listing routine, filled when the library starts.
#pragma once

#include <string>

#include "crashreport/drosk_dis_asm.h"

namespace drosk {

using TListingRoutine = bool (*)(TAddress function, std::string& text, TAddress marked,
                                 TFunctionInfo& info, bool disassemble, int disassemblyLines);

// Empty until the library has started; the report has no disassembly section while it is.
extern TListingRoutine ListingRoutineSlot;

}  // namespace drosk
