// The copper of the open board as sorted texts, for tests that compare boards before and after
// a route import: one line per free track, via and pad, with net, position and sizes in mils.
#pragma once

#include <string>
#include <vector>

#include "sdk/pcb_api.h"

namespace boardcopper {

std::string Mils(sdk::Coord units);
std::string NetName(sdk::Handle net);
sdk::LegacyLayerSet AllLayers();
std::string ViaText(sdk::Handle handle);
std::string PadText(sdk::Handle handle);
std::string TrackText(sdk::Handle handle);
// Every free track, via and pad of the current board, sorted, one text each.
std::vector<std::string> FreeCopper();
// Pads and vias within a mil of a point, with their test-point marks.
std::vector<std::string> CopperAt(double x_mil, double y_mil);
std::vector<std::string> Sorted(std::vector<std::string> lines);
std::string Joined(const std::vector<std::string>& lines);

}  // namespace boardcopper
