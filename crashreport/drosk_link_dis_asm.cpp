// Fills the report composer's listing slot when the library starts.
#include "crashreport/drosk_link_dis_asm.h"

#include "crashreport/drosk_dis_asm_listing.h"

namespace drosk {

TListingRoutine ListingRoutineSlot = nullptr;

namespace {

struct LinkDisAsmUnit {
  LinkDisAsmUnit() {
    if (!ListingRoutineSlot) ListingRoutineSlot = &DisassembleFunction;
  }
} linkDisAsmUnit;

}  // namespace

}  // namespace drosk
