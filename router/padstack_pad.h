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
  // Sets AuxWord to the padstack number and writes the pad back; the host's result (0 =
  // success). A pad that holds the number already is left as it is (success).
  int StorePadStackNumber(int number);
};

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
