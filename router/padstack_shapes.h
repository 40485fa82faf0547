// The padstacks of a route file: the shapes read per layer, the sizes and layers they resolve to,
// and the table of padstacks by name. No board access: the importer turns them into vias and pads.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/ascii_case.h"
#include "sdk/pcb_api.h"

namespace router {

inline constexpr uint8_t kRoundShape = 1;
inline constexpr uint8_t kRectangularShape = 2;

// One padstack as the router placed it.
struct TPadstack {
  sdk::Coord top_x = 0, top_y = 0;
  uint8_t top_shape = kRoundShape;
  sdk::Coord mid_x = 0, mid_y = 0;
  uint8_t mid_shape = kRoundShape;
  sdk::Coord bottom_x = 0, bottom_y = 0;
  uint8_t bottom_shape = kRoundShape;
  int start_layer = 0;  // legacy layers; 0 = no shape was read
  int end_layer = 0;

  // Top, middle and bottom do not all have the same sizes and shape.
  bool HasLayerStack() const;
};

// The shapes of one padstack on one layer and the size they make together: a rectangle, or a
// circle, or a rectangle with two circles of its width at both ends (an oblong).
class TPadShapeLoader {
 public:
  explicit TPadShapeLoader(int layer) : layer_(layer) {}

  // The first rectangle with an area stays; others are ignored.
  void AddRectangle(sdk::Coord x1, sdk::Coord y1, sdk::Coord x2, sdk::Coord y2);
  // The first two circles count; further ones are ignored.
  void AddCircle(sdk::Coord x, sdk::Coord y, sdk::Coord radius);

  int layer() const { return layer_; }
  uint8_t shape() const { return shape_; }
  sdk::Coord x_size() const { return x_size_; }
  sdk::Coord y_size() const { return y_size_; }

 private:
  struct Circle {
    sdk::Coord x = 0, y = 0, radius = 0;
  };
  void Resolve();

  int layer_;
  bool has_rectangle_ = false;
  sdk::Coord x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
  Circle circle1_, circle2_;
  uint8_t shape_ = kRoundShape;
  sdk::Coord x_size_ = 0, y_size_ = 0;
};

// Loaders in the order their layers first appear, one per layer.
class TPadShapeLoaderList {
 public:
  TPadShapeLoader& LoaderOf(int layer);
  // First loader: start layer and top; last: end layer and bottom; the multi-layer one (74):
  // middle, else the second of three or more, else the middle copies the top. A multi-layer end
  // means a through stack (1 to 32).
  TPadstack Resolve() const;

 private:
  std::vector<std::unique_ptr<TPadShapeLoader>> loaders_;
};

// Padstacks by name, names compared without regard to case.
class TPadStackArray {
 public:
  // False (and nothing changes) when the name is there already.
  bool Add(const std::string& name, const TPadstack& padstack);
  // Null when absent.
  const TPadstack* Find(std::string_view name) const;
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  std::map<std::string, TPadstack, sdk::LessIgnoringCase> items_;
};

// Whether a via record of the padstack places a free pad rather than a via: a padstack without
// shapes or on one layer, or one the export named for pads ("Pad" and its number). A via keeps
// its layer stack, whatever its outer shapes.
bool PlacedAsPad(std::string_view name, const TPadstack& padstack);

// The export's padstack number in a name such as "Via3_TB_Rule", "Pad7" or "TPVia12"; -1 when
// the name carries none. The hole sizes of the per-document file are stored under that number.
int PadstackNumberFromName(std::string_view name);

}  // namespace router
