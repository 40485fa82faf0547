// Names of the host's legacy layer numbers.
#include "router/legacy_layer.h"

#include <array>
#include <string>

#include "rtl/exceptions.h"

namespace router {

namespace {

using Names = std::array<std::string, kLastLegacyLayer + 1>;

Names MakeNames() {
  Names names;
  names[0] = "NoLayer";
  names[kTopLayer] = "TopLayer";
  for (int i = 2; i <= 31; ++i) names[i] = "MidLayer" + std::to_string(i - 1);
  names[kBottomLayer] = "BottomLayer";
  const char* const overlays[] = {"TopOverlay",  "BottomOverlay", "TopPaste",
                                  "BottomPaste", "TopSolder",     "BottomSolder"};
  for (int i = 0; i < 6; ++i) names[33 + i] = overlays[i];
  for (int i = 1; i <= 16; ++i) names[38 + i] = "InternalPlane" + std::to_string(i);
  names[55] = "DrillGuide";
  names[kKeepOutLayer] = "KeepOutLayer";
  for (int i = 1; i <= 16; ++i) names[56 + i] = "Mechanical" + std::to_string(i);
  const char* const specials[] = {
      "DrillDrawing",   "MultiLayer", "ConnectLayer", "BackGroundLayer", "DRCErrorLayer",
      "HighlightLayer", "GridColor1", "GridColor10",  "PadHoleLayer",    "ViaHoleLayer"};
  for (int i = 0; i < 10; ++i) names[73 + i] = specials[i];
  return names;
}

}  // namespace

std::string_view LegacyLayerName(LegacyLayer layer) {
  static const Names names = MakeNames();
  RTL_ASSERT(layer >= 0 && layer <= kLastLegacyLayer, "Legacy layer number out of range");
  return names[static_cast<size_t>(layer)];
}

}  // namespace router
