// The placement and library sections.
#include "router/library_images.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "router/design_file_names.h"
#include "router/geometry.h"
#include "router/padstack.h"
#include "router/padstack_pad.h"
#include "sdk/rt_param.h"

namespace router {

namespace {

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
  out.Line(StatementText().Open("keepout").Rect(layer, x1, y1, x2, y2).Close().Take());
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

std::string_view GetPinName(std::string_view pad_name) {
  return pad_name.empty() ? "UNNAMED_PAD" : pad_name;
}

TComponentSummary::TComponentSummary(sdk::Handle component) : handle(component) {
  int32_t designator = 0;
  pcbapi::Text250 footprint_text{};
  sdk::PcbApi_QueryComponent(pcbapi::kRead, component, nullptr, nullptr, nullptr, nullptr,
                             &designator, nullptr, &footprint_text, nullptr, nullptr, &x, &y,
                             nullptr, nullptr, nullptr);
  footprint = sdk::TextView(footprint_text);
  name = sdk::GetObjectTextByHandle(static_cast<sdk::Handle>(designator));
}

std::string ImageName(const TComponentSummary& component) {
  const std::string joined = component.footprint + "_" + component.name;
  return EscapeName(joined.substr(0, sdk::kShortTextLength));
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

namespace {

// `line` is a buffer kept from component to component.
void WriteComponentPlacement(DesignFileOutput& out, sdk::Handle handle, std::string& line) {
  const TComponentSummary component(handle);
  line.assign("(component ").append(ImageName(component));
  out.Line(line);
  out.Raise();
  // The place statement also closes the component statement.
  line.assign("(place ");
  AppendEscapedName(line, component.name);
  line += ' ';
  AppendDesignNumber(line, component.x);
  line += ' ';
  AppendDesignNumber(line, component.y);
  line += " front 0))";
  out.Line(line);
  out.Lower();
}

// What an image needs of one of its pads. A component's pads are all read before the first is
// written: a name met twice changes how each of them is written.
struct TImagePad {
  sdk::Handle handle = 0;
  bool read = false;  // the editor gave the pad
  pcbapi::Text20 name{};
  int order = 0;  // in the component's own order
  bool duplicate = false;
  sdk::Handle net = 0;
  int32_t dx = 0, dy = 0;
  double rotation = 0;
  uint8_t mid_shape = 0;
  sdk::Coord mid_x = 0, mid_y = 0;
  sdk::LegacyLayer layer = 0;
  int padstack = 0;
  uint8_t electrical_type = 0;

  std::string_view Name() const { return sdk::TextView(name); }
};

// Writes the images of a library, keeping its buffers from image to image: a board has as many
// images as components.
class TImageWriter {
 public:
  TImageWriter(DesignFileOutput& out, const TLibraryContext& context)
      : out_(out), context_(context) {}

  void Write(sdk::Handle handle) {
    if (context_.progress) context_.progress();
    const TComponentSummary component(handle);
    line_.assign("(image ").append(ImageName(component));
    out_.Line(line_);
    out_.Raise();
    ReadPads(component);
    if (context_.component_pads) NoteComponentPads(component);
    MarkDuplicates();
    for (const TImagePad& pad : pads_) {
      if (pad.duplicate && pad.net != 0) {
        if (context_.warnings) {
          context_.warnings->push_back(component.name + "-" + std::string(pad.Name()) +
                                       " (Net=" + sdk::GetObjectNameByHandle(pad.net) + ")");
        }
      } else if (pad.duplicate ||
                 (pad.net == 0 && context_.minimize_pads && IsRightAngle(pad.rotation))) {
        WritePadKeepout(out_, pad.mid_shape, pad.mid_x, pad.mid_y, pad.dx, pad.dy, pad.layer,
                        pad.rotation);
      } else {
        WritePin(pad);
      }
    }
    out_.Lower();
    out_.Line(")");
  }

 private:
  void ReadPads(const TComponentSummary& component) {
    pads_.clear();
    sdk::IterateContainer(component.handle, 1u << pcbapi::kPad, sdk::LayerZero(),
                          pcbapi::kAllObjects, [this, &component](sdk::Handle handle) {
                            TPadSummary pad;
                            TImagePad& entry = pads_.emplace_back();
                            entry.handle = handle;
                            entry.read = pad.Read(handle) == pcbapi::kSuccess;
                            entry.name = pad.name;
                            entry.order = static_cast<int>(pads_.size()) - 1;
                            entry.net = pad.net;
                            entry.dx = pad.x - component.x;
                            entry.dy = pad.y - component.y;
                            entry.rotation = pad.rotation;
                            entry.mid_shape = pad.mid_shape;
                            entry.mid_x = pad.mid_x;
                            entry.mid_y = pad.mid_y;
                            entry.layer = pad.LegacyLayer();
                            entry.padstack = pad.padstack;
                            entry.electrical_type = pad.electrical_type;
                          });
  }

  void NoteComponentPads(const TComponentSummary& component) const {
    TComponentPads& noted = context_.component_pads->emplace_back();
    noted.designator = component.name;
    for (const TImagePad& pad : pads_) {
      if (pad.read) {
        noted.pads.push_back(
            {pad.handle, std::string(GetPinName(pad.Name())), pad.electrical_type, pad.net});
      }
    }
  }

  // A name met twice in one component is a duplicate; names compare byte for byte. Sorted in
  // place and back, so that no image needs a buffer of its own.
  void MarkDuplicates() {
    auto by_name = [](const TImagePad& a, const TImagePad& b) {
      return std::pair(a.Name(), a.order) < std::pair(b.Name(), b.order);
    };
    std::sort(pads_.begin(), pads_.end(), by_name);
    for (size_t i = 0; i < pads_.size(); ++i) {
      pads_[i].duplicate = (i > 0 && pads_[i - 1].Name() == pads_[i].Name()) ||
                           (i + 1 < pads_.size() && pads_[i + 1].Name() == pads_[i].Name());
    }
    std::sort(pads_.begin(), pads_.end(),
              [](const TImagePad& a, const TImagePad& b) { return a.order < b.order; });
  }

  void WritePin(const TImagePad& pad) {
    line_.assign("(pin ").append(context_.padstacks->PadStackName(pad.padstack)) += ' ';
    AppendEscapedName(line_, GetPinName(pad.Name()));
    line_ += ' ';
    AppendDesignNumber(line_, pad.dx);
    line_ += ' ';
    AppendDesignNumber(line_, pad.dy);
    line_ += ' ';
    if (pad.rotation != 0 && pad.rotation != 180) {
      line_.append(" (rotate ") +=
          std::to_string(static_cast<long long>(std::nearbyint(pad.rotation)));
      line_ += ')';
    }
    line_ += ')';
    out_.Line(line_);
  }

  DesignFileOutput& out_;
  const TLibraryContext& context_;
  std::vector<TImagePad> pads_;
  std::string line_;  // the statement being composed
};

}  // namespace

void ReadComponentPads(sdk::Handle component, TComponentPads& pads) {
  pads.designator = sdk::GetObjectNameByHandle(component);
  pads.pads.clear();
  sdk::IterateContainer(component, 1u << pcbapi::kPad, sdk::LayerZero(), pcbapi::kAllObjects,
                        [&](sdk::Handle handle) {
                          TPadSummary pad;
                          if (pad.Read(handle) != pcbapi::kSuccess) return;
                          pads.pads.push_back({handle, std::string(GetPinName(pad.Name())),
                                               pad.electrical_type, pad.net});
                        });
}

void WritePlacement(DesignFileOutput& out, const sdk::TPcbBoard& board,
                    const std::function<void()>& progress) {
  if (progress) progress();
  out.Line("(placement");
  out.Raise();
  std::string line;
  board.IterateObjects(
      [&](sdk::Handle component) {
        if (progress) progress();
        WriteComponentPlacement(out, component, line);
      },
      1u << pcbapi::kComponent, sdk::LayerZero(), pcbapi::kAllObjects);
  out.Lower();
  out.Line(")");
}

void WriteLibrary(DesignFileOutput& out, const sdk::TPcbBoard& board,
                  const TLibraryContext& context) {
  out.Line("(library");
  out.Raise();
  TImageWriter images(out, context);
  board.IterateObjects([&](sdk::Handle component) { images.Write(component); },
                       1u << pcbapi::kComponent, sdk::LayerZero(), pcbapi::kAllObjects);
  if (context.padstacks) context.padstacks->WritePadStacks(out, board);
  out.Lower();
  out.Line(")");
}

void WriteImage(DesignFileOutput& out, sdk::Handle handle, const TLibraryContext& context) {
  TImageWriter(out, context).Write(handle);
}

}  // namespace router
