// The placement and library sections.
#include "router/library_images.h"

#include <cmath>
#include <map>
#include <utility>

#include "router/design_file_names.h"
#include "router/geometry.h"
#include "router/padstack.h"
#include "router/padstack_pad.h"
#include "rtl/rt_param.h"

namespace router {

namespace {

rtl::LegacyLayerSet LayerZero() {
  rtl::LegacyLayerSet layers;
  layers.Include(0);
  return layers;
}

struct Point {
  int32_t x, y;
};

void WriteCircle(DesignFileOutput& out, std::string_view layer, int32_t diameter, int32_t x,
                 int32_t y) {
  out.Line(StatementText()
               .Open("keepout")
               .Open("circle")
               .Word(layer)
               .Number(diameter)
               .Number(x)
               .Number(y)
               .Close()
               .Close()
               .Take());
}

void WriteRect(DesignFileOutput& out, std::string_view layer, int32_t x1, int32_t y1, int32_t x2,
               int32_t y2) {
  out.Line(StatementText()
               .Open("keepout")
               .Open("rect")
               .Word(layer)
               .Number(x1)
               .Number(y1)
               .Number(x2)
               .Number(y2)
               .Close()
               .Close()
               .Take());
}

Point Rotated(int32_t x, int32_t y, int32_t cx, int32_t cy, double rotation) {
  RotatePointAbout(x, y, cx, rotation, cy);
  return {x, y};
}

void WriteRectKeepout(DesignFileOutput& out, std::string_view layer, int32_t x_size, int32_t y_size,
                      int32_t dx, int32_t dy, double rotation) {
  if (rotation == 90 || rotation == 270) std::swap(x_size, y_size);
  WriteRect(out, layer, dx - x_size / 2, dy - y_size / 2, dx + x_size / 2, dy + y_size / 2);
}

void WriteRotatedRectKeepout(DesignFileOutput& out, std::string_view layer, int32_t x_size,
                             int32_t y_size, int32_t dx, int32_t dy, double rotation) {
  const int32_t hx = x_size / 2, hy = y_size / 2;
  const Point corners[] = {
      Rotated(dx - hx, dy - hy, dx, dy, rotation), Rotated(dx + hx, dy - hy, dx, dy, rotation),
      Rotated(dx + hx, dy + hy, dx, dy, rotation), Rotated(dx - hx, dy + hy, dx, dy, rotation)};
  StatementText text;
  text.Open("keepout").Open("polygon").Word(layer).Number(0);
  for (const Point& p : corners) text.Number(p.x).Number(p.y);
  text.Number(corners[0].x).Number(corners[0].y);
  out.Line(text.Close().Close().Take());
}

void WriteOblongKeepout(DesignFileOutput& out, std::string_view layer, int32_t x_size,
                        int32_t y_size, int32_t dx, int32_t dy, double rotation) {
  if (rotation == 90 || rotation == 270) std::swap(x_size, y_size);
  if (x_size < y_size) {
    const int32_t h = x_size / 2, big = y_size / 2;
    WriteRect(out, layer, dx - h, dy - big + h, dx + h, dy + big - h);
    WriteCircle(out, layer, 2 * h, dx, dy - big + h);
    WriteCircle(out, layer, 2 * h, dx, dy + big - h);
  } else {
    const int32_t h = y_size / 2, big = x_size / 2;
    WriteRect(out, layer, dx - big + h, dy - h, dx + big - h, dy + h);
    WriteCircle(out, layer, 2 * h, dx - big + h, dy);
    WriteCircle(out, layer, 2 * h, dx + big - h, dy);
  }
}

void WriteRotatedOblongKeepout(DesignFileOutput& out, std::string_view layer, int32_t x_size,
                               int32_t y_size, int32_t dx, int32_t dy, double rotation) {
  Point ends[2];
  int32_t h = 0;
  if (x_size < y_size) {
    h = x_size / 2;
    const int32_t big = y_size / 2;
    WriteRotatedRectKeepout(out, layer, x_size, y_size - x_size, dx, dy, rotation);
    ends[0] = Rotated(dx, dy - big + h, dx, dy, rotation);
    ends[1] = Rotated(dx, dy + big - h, dx, dy, rotation);
  } else {
    h = y_size / 2;
    const int32_t big = x_size / 2;
    WriteRotatedRectKeepout(out, layer, x_size - y_size, y_size, dx, dy, rotation);
    ends[0] = Rotated(dx - big + h, dy, dx, dy, rotation);
    ends[1] = Rotated(dx + big - h, dy, dx, dy, rotation);
  }
  for (const Point& p : ends) WriteCircle(out, layer, 2 * h, p.x, p.y);
}

}  // namespace

bool IsRightAngle(double angle) {
  return angle == 0 || angle == 90 || angle == 180 || angle == 270;
}

std::string GetPinName(const rtl::TPCBObject* pad) {
  if (!pad || pad->GetName().empty()) return "UNNAMED_PAD";
  return pad->GetName();
}

std::string ImageName(const rtl::TPcbComponent& component) {
  const std::string joined = component.GetFootprint() + "_" + component.GetName();
  return EscapeName(joined.substr(0, rtl::kShortTextLength));
}

void WritePadKeepout(DesignFileOutput& out, uint8_t shape, int32_t x_size, int32_t y_size,
                     int32_t dx, int32_t dy, int layer, double rotation) {
  const std::string_view name = DesignFileLayerName(layer);
  switch (shape) {
    case kRoundShape:
    case kOctagonShape:
      if (x_size == y_size) {
        WriteCircle(out, name, x_size, dx, dy);
      } else if (IsRightAngle(rotation)) {
        WriteOblongKeepout(out, name, x_size, y_size, dx, dy, rotation);
      } else {
        WriteRotatedOblongKeepout(out, name, x_size, y_size, dx, dy, rotation);
      }
      break;
    case kRectangleShape:
      if (IsRightAngle(rotation)) {
        WriteRectKeepout(out, name, x_size, y_size, dx, dy, rotation);
      } else {
        WriteRotatedRectKeepout(out, name, x_size, y_size, dx, dy, rotation);
      }
      break;
    default: break;  // no keep-out shape for it
  }
}

void WritePlacement(DesignFileOutput& out, const rtl::TPcbBoard& board,
                    const std::function<void()>& progress) {
  if (progress) progress();
  out.Line("(placement");
  out.Raise();
  board.IterateObjects(
      [&](rtl::Handle component) {
        if (progress) progress();
        WriteComponentPlacement(out, component);
      },
      1u << pcbapi::kComponent, LayerZero(), pcbapi::kAllObjects);
  out.Lower();
  out.Line(")");
}

void WriteComponentPlacement(DesignFileOutput& out, rtl::Handle handle) {
  rtl::TPcbComponent component(handle);
  component.Sync(pcbapi::kRead);
  out.Line("(component " + ImageName(component));
  out.Raise();
  // The place statement also closes the component statement.
  out.Line(StatementText()
               .Open("place")
               .Word(EscapeName(component.GetName()))
               .Number(component.GetX())
               .Number(component.GetY())
               .Word("front")
               .Word("0")
               .Close()
               .Take() +
           ")");
  out.Lower();
}

void WriteLibrary(DesignFileOutput& out, const rtl::TPcbBoard& board,
                  const TLibraryContext& context) {
  out.Line("(library");
  out.Raise();
  board.IterateObjects([&](rtl::Handle component) { WriteImage(out, component, context); },
                       1u << pcbapi::kComponent, LayerZero(), pcbapi::kAllObjects);
  if (context.padstacks) context.padstacks->WritePadStacks(out, board);
  out.Lower();
  out.Line(")");
}

void WriteImage(DesignFileOutput& out, rtl::Handle handle, const TLibraryContext& context) {
  if (context.progress) context.progress();
  rtl::TPcbComponent component(handle);
  component.Sync(pcbapi::kRead);
  out.Line("(image " + ImageName(component));
  out.Raise();

  std::vector<std::unique_ptr<TPadStackPcbPad>> pads;
  rtl::IterateContainer(handle, 1u << pcbapi::kPad, LayerZero(), pcbapi::kAllObjects,
                        [&](rtl::Handle pad) {
                          pads.push_back(std::make_unique<TPadStackPcbPad>(pad));
                          pads.back()->Sync(pcbapi::kRead);
                        });
  // A name met twice in one component is a duplicate; names compare byte for byte.
  std::map<std::string, int> name_counts;
  for (const auto& pad : pads) ++name_counts[pad->GetName()];

  for (const auto& pad : pads) {
    const bool duplicate = name_counts[pad->GetName()] > 1;
    const int32_t dx = pad->GetX() - component.GetX();
    const int32_t dy = pad->GetY() - component.GetY();
    const bool has_net = pad->GetNetHandle() != 0;
    if (duplicate && has_net) {
      if (context.warnings) {
        context.warnings->push_back(component.GetName() + "-" + pad->GetName() + " (Net=" +
                                    rtl::GetObjectNameByHandle(pad->GetNetHandle()) + ")");
      }
    } else if (duplicate ||
               (!has_net && context.minimize_pads && IsRightAngle(pad->GetRotation()))) {
      WritePadKeepout(out, pad->GetMidShape(), pad->GetMidXSize(), pad->GetMidYSize(), dx, dy,
                      pad->GetLegacyLayer(), pad->GetRotation());
    } else {
      std::string line = "(pin " + context.padstacks->PadStackName(pad->PadStackNumber()) + " " +
                         EscapeName(GetPinName(pad.get())) + " " + FormatDesignNumber(dx) + " " +
                         FormatDesignNumber(dy) + " ";
      const double rotation = pad->GetRotation();
      if (rotation != 0 && rotation != 180) {
        line +=
            " (rotate " + std::to_string(static_cast<long long>(std::nearbyint(rotation))) + ")";
      }
      out.Line(line + ")");
    }
  }
  out.Lower();
  out.Line(")");
}

}  // namespace router
