// The pad of the padstack code.
#include "router/padstack_pad.h"

namespace router {

int TPadShapeSummary::Read(sdk::Handle pad) {
  sdk::PcbApi_GetObjectBitField2(pcbapi::kRead, pad, &bit_field2);
  return sdk::PcbApi_QueryPad(
      pcbapi::kRead, pad, nullptr, &padstack, &layer, nullptr, nullptr, nullptr, nullptr, nullptr,
      &top_x, &top_y, &mid_x, &mid_y, &bot_x, &bot_y, &hole, &top_shape, &mid_shape, &bot_shape,
      nullptr, nullptr, nullptr, &rotation, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

int StorePadStackNumber(sdk::Handle object, uint8_t kind, uint16_t held, int number) {
  uint16_t aux_word = static_cast<uint16_t>(number);
  if (aux_word == held) return pcbapi::kSuccess;
  if (kind == pcbapi::kVia) {
    return sdk::PcbApi_QueryVia(pcbapi::kWrite, object, nullptr, &aux_word, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr);
  }
  return sdk::PcbApi_QueryPad(
      pcbapi::kWrite, object, nullptr, &aux_word, nullptr, nullptr, nullptr, nullptr, nullptr,
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
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
