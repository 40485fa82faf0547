// The placement and library sections.
#include "router/library_images.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "router/design_file_names.h"
#include "router/geometry.h"
#include "router/padstack.h"
#include "router/padstack_pad.h"
#include "router/structure_section.h"
#include "sdk/rt_param.h"

namespace router {

namespace {

struct Point {
  int32_t x, y;
};

void WriteCircle(DesignFileOutput& out, std::string_view layer, int32_t diameter, int32_t x,
                 int32_t y) {
  out.Begin()
      .Put("(keepout (circle ")
      .Put(layer)
      .Put(' ')
      .Number(diameter)
      .Put(' ')
      .Number(x)
      .Put(' ')
      .Number(y)
      .Put("))");
  out.End();
}

void WriteRect(DesignFileOutput& out, std::string_view layer, int32_t x1, int32_t y1, int32_t x2,
               int32_t y2) {
  out.Begin()
      .Put("(keepout (rect ")
      .Put(layer)
      .Put(' ')
      .Number(x1)
      .Put(' ')
      .Number(y1)
      .Put(' ')
      .Number(x2)
      .Put(' ')
      .Number(y2)
      .Put("))");
  out.End();
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
  DesignText& text = out.Begin().Put("(keepout (polygon ").Put(layer).Put(' ').Number(0);
  for (const Point& p : corners) text.Put(' ').Number(p.x).Put(' ').Number(p.y);
  text.Put(' ').Number(corners[0].x).Put(' ').Number(corners[0].y).Put("))");
  out.End();
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
  image = ImageName(*this);
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

void WriteComponentPlacement(DesignFileOutput& out, const TComponentSummary& component) {
  out.Begin().Put("(component ").Put(component.image);
  out.Raise();
  // The place statement also closes the component statement.
  out.Begin()
      .Put("(place ")
      .Name(component.name)
      .Put(' ')
      .Number(component.x)
      .Put(' ')
      .Number(component.y)
      .Put(" front 0))");
  out.Lower();
  out.End();
}

// What an image needs of one of its pads. A component's pads are all read before the first is
// written: a name met twice changes how each of them is written.
struct TImagePad {
  sdk::Handle handle = 0;
  bool read = false;  // the editor gave the pad
  pcbapi::Text20 name{};
  bool duplicate = false;
  sdk::Handle net = 0;
  int32_t dx = 0, dy = 0;
  double rotation = 0;
  uint8_t mid_shape = 0;
  sdk::Coord mid_x = 0, mid_y = 0;
  sdk::LegacyLayer layer = 0;
  int padstack = 0;
  uint8_t electrical_type = 0;
  uint64_t name_key = 0;  // NameKey

  std::string_view Name() const { return sdk::TextView(name); }
};

// A pin name's length and its first seven bytes: equal names have equal keys, and names of up to
// seven bytes (nearly every pin's) are equal when their keys are, so that most names compare as
// one number instead of through the C runtime.
constexpr size_t kKeyedNameBytes = 7;
uint64_t NameKey(std::string_view name) {
  uint64_t key = name.size();
  for (size_t i = 0; i < std::min(name.size(), kKeyedNameBytes); ++i) {
    key |= uint64_t{static_cast<uint8_t>(name[i])} << (8 * i + 8);
  }
  return key;
}

// Writes the images of a library, keeping its buffers from image to image: a board has as many
// images as components.
class TImageWriter {
 public:
  TImageWriter(DesignFileOutput& out, const TLibraryContext& context)
      : out_(out), context_(context) {}

  void Write(const TComponentSummary& component) {
    if (context_.progress) context_.progress();
    // The image's lines go to the output's text in one piece at its close: End copies through
    // the C runtime, and a copy for each pin's line cost more than the pin.
    out_.Begin().Put("(image ").Put(component.image);
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
                            entry.name_key = NameKey(entry.Name());
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
    noted.pads.reserve(pads_.size());
    for (const TImagePad& pad : pads_) {
      if (pad.read) {
        noted.pads.push_back(
            {pad.handle, std::string(GetPinName(pad.Name())), pad.electrical_type, pad.net});
      }
    }
  }

  // A name met twice in one component is a duplicate; names compare byte for byte. The pads'
  // places are sorted rather than the pads, in a buffer kept from image to image.
  void MarkDuplicates() {
    by_name_.resize(pads_.size());
    for (uint32_t i = 0; i < by_name_.size(); ++i) by_name_[i] = i;
    // By key, then by name where the key does not settle it.
    std::sort(by_name_.begin(), by_name_.end(), [this](uint32_t a, uint32_t b) {
      const TImagePad &x = pads_[a], &y = pads_[b];
      if (x.name_key != y.name_key) return x.name_key < y.name_key;
      if (x.Name().size() > kKeyedNameBytes && x.Name() != y.Name()) return x.Name() < y.Name();
      return a < b;
    });
    for (size_t i = 0; i < by_name_.size(); ++i) {
      auto same = [&](size_t other) {
        const TImagePad &x = pads_[by_name_[other]], &y = pads_[by_name_[i]];
        return x.name_key == y.name_key &&
               (x.Name().size() <= kKeyedNameBytes || x.Name() == y.Name());
      };
      pads_[by_name_[i]].duplicate =
          (i > 0 && same(i - 1)) || (i + 1 < by_name_.size() && same(i + 1));
    }
  }

  void WritePin(const TImagePad& pad) {
    DesignText& pin = out_.Begin()
                          .Put("(pin ")
                          .Put(context_.padstacks->PadStackName(pad.padstack))
                          .Put(' ')
                          .Name(GetPinName(pad.Name()))
                          .Put(' ')
                          .Number(pad.dx)
                          .Put(' ')
                          .Number(pad.dy)
                          .Put(' ');
    if (pad.rotation != 0 && pad.rotation != 180) {
      pin.Put(" (rotate ")
          .Put(std::to_string(static_cast<long long>(std::nearbyint(pad.rotation))))
          .Put(')');
    }
    pin.Put(')');
  }

  DesignFileOutput& out_;
  const TLibraryContext& context_;
  std::vector<TImagePad> pads_;
  std::vector<uint32_t> by_name_;  // MarkDuplicates' order of the pads
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
                    const std::function<void()>& progress, std::vector<TComponentSummary>* placed) {
  if (progress) progress();
  out.Line("(placement");
  out.Raise();
  board.IterateObjects(
      [&](sdk::Handle handle) {
        if (progress) progress();
        TComponentSummary component(handle);
        WriteComponentPlacement(out, component);
        if (placed) placed->push_back(std::move(component));
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
  if (context.components) {
    for (const TComponentSummary& component : *context.components) images.Write(component);
  } else {
    board.IterateObjects([&](sdk::Handle handle) { images.Write(TComponentSummary(handle)); },
                         1u << pcbapi::kComponent, sdk::LayerZero(), pcbapi::kAllObjects);
  }
  if (context.padstacks) {
    context.padstacks->WritePadStacks(out, board, UndeclaredPlaneLayers(board));
  }
  out.Lower();
  out.Line(")");
}

void WriteImage(DesignFileOutput& out, sdk::Handle handle, const TLibraryContext& context) {
  TImageWriter(out, context).Write(TComponentSummary(handle));
}

}  // namespace router
