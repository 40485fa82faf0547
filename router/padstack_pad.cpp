// The pad of the padstack code.
#include "router/padstack_pad.h"

namespace router {

int TPadStackPcbPad::StorePadStackNumber(int number) {
  SetAuxWord(static_cast<uint16_t>(number));
  return Sync(pcbapi::kWrite);
}

}  // namespace router
