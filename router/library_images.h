// The placement and library sections: every component becomes one image of its own, placed on
// the front at rotation 0, whose pins sit at their offsets from the component's reference point
// in board orientation; pads that must not become pins become keep-outs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "router/design_file_output.h"
#include "sdk/pcb_board.h"
#include "sdk/pcb_object_kinds.h"

namespace router {

class TPadStackList;

// True for exactly 0, 90, 180 and 270 degrees.
bool IsRightAngle(double angle);

// The pin name of a pad named `pad_name`: "UNNAMED_PAD" for an empty name. Not escaped.
std::string_view GetPinName(std::string_view pad_name);

// What the placement and the library read of a component, in one record exchange and one read
// of its designator's text: the whole component takes eight exchanges, and its name two more
// each time it is asked for.
struct TComponentSummary {
  explicit TComponentSummary(sdk::Handle component);
  sdk::Handle handle = 0;
  std::string footprint, name;  // name: the designator's text
  std::string image;            // ImageName
  sdk::Coord x = 0, y = 0;
};

// The component's footprint, "_", its designator; escaped, at most 255 characters.
std::string ImageName(const TComponentSummary& component);

// A component's designator and the pads read of it (a pad the editor would not give is left out),
// with their pin names (GetPinName) and electrical types. The library reads every component's
// pads already: handed to the network, they spare it a second walk over all pads of the board.
struct TComponentPads {
  struct Pad {
    sdk::Handle handle = 0;
    std::string name;
    uint8_t electrical_type = 0;
    sdk::Handle net = 0;
  };
  std::string designator;
  std::vector<Pad> pads;
};

// Reads the component's designator and pads.
void ReadComponentPads(sdk::Handle component, TComponentPads& pads);

// What the image writer needs besides the output.
struct TLibraryContext {
  const TPadStackList* padstacks = nullptr;
  bool minimize_pads = false;
  // Gets "<designator>-<pin> (Net=<net>)" for each pin with a net whose name is not unique in
  // its component.
  std::vector<std::string>* warnings = nullptr;
  std::function<void()> progress;                         // one step per component
  std::vector<TComponentPads>* component_pads = nullptr;  // when given, receives them
  // When given, the board's components as the placement read them, in its order: the library
  // then reads each component's pads only.
  const std::vector<TComponentSummary>* components = nullptr;
};

// "(placement" with one "(component" per component of the board; `placed`, when given, receives
// what was read of each.
void WritePlacement(DesignFileOutput& out, const sdk::TPcbBoard& board,
                    const std::function<void()>& progress,
                    std::vector<TComponentSummary>* placed = nullptr);

// "(library" with one image per component, then the padstacks.
void WriteLibrary(DesignFileOutput& out, const sdk::TPcbBoard& board,
                  const TLibraryContext& context);
void WriteImage(DesignFileOutput& out, sdk::Handle component, const TLibraryContext& context);

// A pad's copper as keep-outs of the image: shape code, sizes, offset from the reference point,
// legacy layer and rotation in degrees. Codes other than round, octagon and rectangle write
// nothing.
void WritePadKeepout(DesignFileOutput& out, uint8_t shape, int32_t x_size, int32_t y_size,
                     int32_t dx, int32_t dy, int layer, double rotation);

}  // namespace router
