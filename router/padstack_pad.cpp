// The pad of the padstack code.
#include "router/padstack_pad.h"

namespace router {

int TPadStackPcbPad::StorePadStackNumber(int number) {
  // A pad of a board exported before holds its number already: it is not written again.
  if (GetAuxWord() == static_cast<uint16_t>(number)) return pcbapi::kSuccess;
  SetAuxWord(static_cast<uint16_t>(number));
  return Sync(pcbapi::kWrite);
}

}  // namespace router
