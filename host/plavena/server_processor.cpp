// The processor the host's thread shares with Wine's server.
#include "host/plavena/server_processor.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>

namespace plavena {

bool RunBesideWineServer() {
  const char* named = std::getenv("TRALVEK_SERVER_PROCESSOR");
  // Digits only: the conversion would also take blanks and signs before them.
  if (!named || !std::isdigit(static_cast<unsigned char>(*named))) return false;
  char* end = nullptr;
  const unsigned long processor = std::strtoul(named, &end, 10);
  DWORD_PTR process_mask = 0, system_mask = 0;
  // A 32-bit program names no more processors than its mask has bits.
  if (*end != '\0' || processor >= 8 * sizeof(DWORD_PTR) ||
      !GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) {
    return false;
  }
  const DWORD_PTR server = DWORD_PTR{1} << processor;
  if (!(system_mask & server)) return false;
  return SetProcessAffinityMask(GetCurrentProcess(), system_mask) &&
         SetThreadAffinityMask(GetCurrentThread(), server) != 0;
}

}  // namespace plavena
