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

}  // namespace router
