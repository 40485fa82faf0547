#include "host/plavena/server_processor.h"

#include <windows.h>

#include <cstdlib>

namespace plavena {

bool RunBesideWineServer() {
  const char* named = std::getenv("TRALVEK_SERVER_PROCESSOR");
  if (!named || *named < '0' || *named > '9') return false;
  char* end = nullptr;
  const unsigned long processor = std::strtoul(named, &end, 10);
  // A 32-bit program names no more processors than its mask has bits.
  if (*end != '\0' || processor >= 8 * sizeof(DWORD_PTR)) return false;
  return SetThreadAffinityMask(GetCurrentThread(), DWORD_PTR{1} << processor) != 0;
}

}  // namespace plavena
