// The pad as the padstack code reads it: the board model's pad, whose record exchange already
// carries the per-layer stack (the shapes and sizes of each signal layer of a full-stack pad),
// with the padstack number the export stores in the pad's AuxWord.
#pragma once

#include <cstdint>

#include "sdk/pcb_pad.h"

namespace router {

class TPadStackPcbPad : public sdk::TPcbPad {
 public:
  using TPcbPad::TPcbPad;

  // The number of the pad's padstack in the export that last wrote it.
  int PadStackNumber() const { return GetAuxWord(); }
};

// What the padstack collection reads of a pad, in one record exchange and the bit field that
// tells a via-like pad: the whole pad with its third bit field and stack mode takes four
// exchanges to read and four more to write its number back, for every pad of the board.
struct TPadShapeSummary {
  sdk::Coord top_x = 0, top_y = 0, mid_x = 0, mid_y = 0, bot_x = 0, bot_y = 0, hole = 0;
  uint8_t top_shape = 0, mid_shape = 0, bot_shape = 0;
  double rotation = 0;
  pcbapi::LayerId layer = 0;
  uint16_t padstack = 0;  // AuxWord
  uint8_t bit_field2 = 0;

  // The host's result (0 = success).
  int Read(sdk::Handle pad);
  bool ViaLike() const { return (bit_field2 >> 4 & 1) != 0 && (bit_field2 >> 3 & 1) == 0; }
};

// Sets the AuxWord of a pad or via (`kind`) to its padstack number through the object's record
// exchange, with that field alone; an object that holds the number (`held`) already, as on a
// board exported before, is not written. The host's result (0 = success).
int StorePadStackNumber(sdk::Handle object, uint8_t kind, uint16_t held, int number);

// What the library and network writers read of a pad, in one question to the editor: the whole
// record with its flag bytes and stack mode takes four, for every pad of the board.
struct TPadSummary {
  pcbapi::Text20 name{};
  sdk::Handle net = 0;
  sdk::Coord x = 0, y = 0;
  double rotation = 0;
  uint8_t mid_shape = 0;
  sdk::Coord mid_x = 0, mid_y = 0;
  pcbapi::LayerId layer = 0;
  int padstack = 0;  // the padstack number in AuxWord
  uint8_t electrical_type = 0;

  // The host's result (0 = success).
  int Read(sdk::Handle pad);
  std::string_view Name() const { return sdk::TextView(name); }
  sdk::LegacyLayer LegacyLayer() const { return sdk::LayerToLegacyLayer(layer); }
};

}  // namespace router
