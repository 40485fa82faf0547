// The open board's copper as texts.
#include "router/board_copper.h"

#include <algorithm>
#include <memory>
#include <set>
#include <sstream>

#include "sdk/pcb_board.h"
#include "sdk/pcb_object.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/pcb_pad.h"

namespace boardcopper {

std::string Mils(sdk::Coord units) {
  std::ostringstream out;
  out << units / 10000.0;
  return out.str();
}

std::string NetName(sdk::Handle net) { return net ? sdk::GetObjectNameByHandle(net) : "-"; }

sdk::LegacyLayerSet AllLayers() {
  sdk::LegacyLayerSet layers;
  layers.IncludeRange(0, 82);
  return layers;
}

std::string ViaText(sdk::Handle handle) {
  sdk::TPcbVia via(handle);
  via.Sync(pcbapi::kRead);
  std::ostringstream out;
  out << "via " << NetName(via.GetNetHandle()) << " " << Mils(via.GetX()) << "," << Mils(via.GetY())
      << " size " << Mils(via.GetSize()) << " hole " << Mils(via.GetHoleSize()) << " "
      << int(via.GetLowLayer()) << "-" << int(via.GetHighLayer());
  pcbapi::Byte stack_mode = 0;
  sdk::PcbApi_QueryViaStackMode(pcbapi::kRead, handle, &stack_mode);
  if (stack_mode != 0) {
    out << " stack " << Mils(via.GetSizeOnLayer(1)) << "/" << Mils(via.GetSizeOnLayer(2)) << "/"
        << Mils(via.GetSizeOnLayer(32));
  }
  out << (via.GetTestPointTop() ? " tpTop" : "") << (via.GetTestPointBottom() ? " tpBottom" : "");
  return out.str();
}

std::string PadText(sdk::Handle handle) {
  sdk::TPcbPad pad(handle);
  pad.Sync(pcbapi::kRead);
  std::ostringstream out;
  out << "pad " << int(pad.GetLayer()) << " " << NetName(pad.GetNetHandle()) << " "
      << Mils(pad.GetX()) << "," << Mils(pad.GetY()) << " top " << Mils(pad.GetTopXSize()) << "x"
      << Mils(pad.GetTopYSize()) << "/" << int(pad.GetTopShape()) << " mid "
      << Mils(pad.GetMidXSize()) << " bottom " << Mils(pad.GetBotXSize()) << "/"
      << int(pad.GetBotShape()) << " hole " << Mils(pad.GetHoleSize()) << " stack "
      << int(pad.GetStackMode()) << (pad.GetTestPointTop() ? " tpTop" : "")
      << (pad.GetTestPointBottom() ? " tpBottom" : "");
  return out.str();
}

std::string TrackText(sdk::Handle handle) {
  const std::unique_ptr<sdk::TPCBObject> track = sdk::CreatePcbObject(handle);
  std::ostringstream out;
  out << "track " << int(track->GetLayer()) << " " << NetName(track->GetNetHandle()) << " "
      << Mils(track->GetX()) << "," << Mils(track->GetY()) << "-" << Mils(track->GetX2()) << ","
      << Mils(track->GetY2()) << " w" << Mils(track->GetWidth());
  return out.str();
}

std::vector<std::string> FreeCopper() {
  sdk::TPcbBoard board(sdk::PcbApi_GetCurrentBoardHandle());
  std::set<sdk::Handle> seen;
  std::vector<std::string> found;
  board.IterateObjects(
      [&](sdk::Handle handle) {
        if (!seen.insert(handle).second) return;
        const uint8_t kind = sdk::PcbApi_GetObjectIdFromObjectHandle(handle);
        if (kind == pcbapi::kTrack) found.push_back(TrackText(handle));
        if (kind == pcbapi::kVia) found.push_back(ViaText(handle));
        if (kind == pcbapi::kPad) found.push_back(PadText(handle));
      },
      (1u << pcbapi::kTrack) | (1u << pcbapi::kVia) | (1u << pcbapi::kPad), AllLayers(),
      pcbapi::kFreeObjects);
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<std::string> CopperAt(double x_mil, double y_mil) {
  std::vector<std::string> found;
  std::set<sdk::Handle> seen;
  sdk::SearchAroundPoint(
      static_cast<sdk::Coord>(x_mil * 10000), static_cast<sdk::Coord>(y_mil * 10000), AllLayers(),
      (1u << pcbapi::kPad) | (1u << pcbapi::kVia), [&](sdk::Handle handle, uint8_t kind) {
        if (seen.insert(handle).second) {
          found.push_back(kind == pcbapi::kPad ? PadText(handle) : ViaText(handle));
        }
        return true;
      });
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

}  // namespace boardcopper
