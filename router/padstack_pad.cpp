// The pad of the padstack code.
#include "router/padstack_pad.h"

namespace router {

int TPadStackPcbPad::StorePadStackNumber(int number) {
  // A pad of a board exported before holds its number already: it is not written again.
  if (GetAuxWord() == static_cast<uint16_t>(number)) return pcbapi::kSuccess;
  SetAuxWord(static_cast<uint16_t>(number));
  return Sync(pcbapi::kWrite);
}

int TPadSummary::Read(sdk::Handle pad) {
  uint16_t aux_word = 0;
  const int result = sdk::PcbApi_QueryPad(
      pcbapi::kRead, pad, nullptr, &aux_word, &layer, &net, nullptr, nullptr, &x, &y, nullptr,
      nullptr, &mid_x, &mid_y, nullptr, nullptr, nullptr, nullptr, &mid_shape, nullptr, &name,
      nullptr, nullptr, &rotation, nullptr, nullptr, nullptr, nullptr, &electrical_type, nullptr,
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  padstack = aux_word;
  return result;
}

}  // namespace router
