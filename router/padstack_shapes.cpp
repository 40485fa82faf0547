// Padstack shapes of a route file resolved to sizes and layers.
#include "router/padstack_shapes.h"

#include <charconv>

#include "router/legacy_layer.h"

namespace router {

bool TPadstack::HasLayerStack() const {
  return top_x != mid_x || top_y != mid_y || top_shape != mid_shape || top_x != bottom_x ||
         top_y != bottom_y || top_shape != bottom_shape;
}

void TPadShapeLoader::AddRectangle(sdk::Coord x1, sdk::Coord y1, sdk::Coord x2, sdk::Coord y2) {
  if (has_rectangle_) return;
  // A degenerate rectangle is remembered but may still be replaced by a real one.
  x1_ = x1, y1_ = y1, x2_ = x2, y2_ = y2;
  has_rectangle_ = x1 != x2 && y1 != y2;
  Resolve();
}

void TPadShapeLoader::AddCircle(sdk::Coord x, sdk::Coord y, sdk::Coord radius) {
  if (circle1_.radius == 0) {
    circle1_ = {x, y, radius};
  } else if (circle2_.radius == 0) {
    circle2_ = {x, y, radius};
  } else {
    return;
  }
  Resolve();
}

void TPadShapeLoader::Resolve() {
  shape_ = kRoundShape;
  x_size_ = y_size_ = 0;
  if (has_rectangle_) {
    x_size_ = x2_ - x1_;
    y_size_ = y2_ - y1_;
    shape_ = kRectangularShape;
  }
  if (circle1_.radius == 0) return;
  const sdk::Coord r = circle1_.radius;
  if (!has_rectangle_) {
    x_size_ = y_size_ = 2 * r;
    return;
  }
  // Two circles of the rectangle's half width on its ends make an oblong.
  if (circle2_.radius != r) return;
  if ((circle1_.x == x1_ && circle2_.x == x2_) || (circle2_.x == x1_ && circle1_.x == x2_)) {
    x_size_ += 2 * r;
    shape_ = kRoundShape;
  } else if ((circle1_.y == y2_ && circle2_.y == y1_) || (circle2_.y == y2_ && circle1_.y == y1_)) {
    y_size_ += 2 * r;
    shape_ = kRoundShape;
  }
}

TPadShapeLoader& TPadShapeLoaderList::LoaderOf(int layer) {
  for (auto& loader : loaders_) {
    if (loader->layer() == layer) return *loader;
  }
  loaders_.push_back(std::make_unique<TPadShapeLoader>(layer));
  return *loaders_.back();
}

TPadstack TPadShapeLoaderList::Resolve() const {
  TPadstack padstack;
  if (loaders_.empty()) return padstack;
  const TPadShapeLoader& first = *loaders_.front();
  const TPadShapeLoader& last = *loaders_.back();
  padstack.start_layer = first.layer();
  padstack.top_x = first.x_size();
  padstack.top_y = first.y_size();
  padstack.top_shape = first.shape();
  padstack.end_layer = last.layer();
  padstack.bottom_x = last.x_size();
  padstack.bottom_y = last.y_size();
  padstack.bottom_shape = last.shape();
  // The inner layers of a stack written layer by layer carry the middle shape.
  const TPadShapeLoader* middle = loaders_.size() > 2 ? loaders_[1].get() : &first;
  for (const auto& loader : loaders_) {
    if (loader->layer() == kMultiLayer) middle = loader.get();
  }
  padstack.mid_x = middle->x_size();
  padstack.mid_y = middle->y_size();
  padstack.mid_shape = middle->shape();
  if (padstack.start_layer == kMultiLayer || padstack.end_layer == kMultiLayer) {
    padstack.start_layer = kTopLayer;
    padstack.end_layer = kBottomLayer;
  }
  return padstack;
}

bool TPadStackArray::Add(const std::string& name, const TPadstack& padstack) {
  return items_.emplace(name, padstack).second;
}

const TPadstack* TPadStackArray::Find(std::string_view name) const {
  const auto found = items_.find(name);
  return found == items_.end() ? nullptr : &found->second;
}

bool PlacedAsPad(std::string_view name, const TPadstack& padstack) {
  if (padstack.start_layer == 0 || padstack.start_layer == padstack.end_layer) return true;
  constexpr std::string_view kPadPrefix = "Pad";
  return sdk::EqualsIgnoringCase(name.substr(0, kPadPrefix.size()), kPadPrefix) &&
         PadstackNumberFromName(name) >= 0;
}

int PadstackNumberFromName(std::string_view name) {
  size_t prefix = 0;
  for (std::string_view known : {"TPVia", "Via", "Pad"}) {
    if (name.size() > known.size() &&
        sdk::EqualsIgnoringCase(name.substr(0, known.size()), known)) {
      prefix = known.size();
      break;
    }
  }
  if (prefix == 0) return -1;
  const std::string_view rest = name.substr(prefix);
  int number = -1;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (error != std::errc() || end == rest.data()) return -1;
  // The number ends the name or the layer span follows it.
  if (end != rest.data() + rest.size() && *end != '_') return -1;
  return number < 0 ? -1 : number;
}

}  // namespace router
