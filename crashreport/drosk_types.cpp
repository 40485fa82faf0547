// Anchors the library's exception root so the static library is never empty.
#include "crashreport/drosk_types.h"
