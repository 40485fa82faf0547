// The grid's cursors: black shapes with a white outline on 32 x 32 monochrome masks.
#include "treelist/grid_cursors.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "framework/screen.h"
#include "framework/win/module.h"
#include "treelist/tree_list.h"

namespace treelist {
namespace {

constexpr int kSize = 32, kCentre = 16;

struct Shape {
  bool on[kSize][kSize] = {};

  void Triangle(POINT a, POINT b, POINT c) {
    auto side = [](POINT p, POINT q, int x, int y) {
      return (q.x - p.x) * (y - p.y) - (q.y - p.y) * (x - p.x);
    };
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const int s1 = side(a, b, x, y), s2 = side(b, c, x, y), s3 = side(c, a, x, y);
        if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) on[y][x] = true;
      }
    }
  }
  void Dot() {
    for (int y = kCentre - 1; y <= kCentre + 1; ++y) {
      for (int x = kCentre - 1; x <= kCentre + 1; ++x) on[y][x] = true;
    }
  }
};

enum Arrow { kUp = 1, kDown = 2, kLeft = 4, kRight = 8, kCross = 16 };

Shape Draw(unsigned arrows) {
  Shape s;
  if (arrows & kUp) s.Triangle({16, 3}, {9, 11}, {23, 11});
  if (arrows & kDown) s.Triangle({16, 29}, {9, 21}, {23, 21});
  if (arrows & kLeft) s.Triangle({3, 16}, {11, 9}, {11, 23});
  if (arrows & kRight) s.Triangle({29, 16}, {21, 9}, {21, 23});
  if (arrows & kCross) {
    // An X: releasing here takes the item away.
    for (int y = 6; y <= 26; ++y) {
      for (int x = 6; x <= 26; ++x) s.on[y][x] = std::abs(x - y) <= 1 || std::abs(x + y - 32) <= 1;
    }
  } else {
    s.Dot();
  }
  return s;
}

HCURSOR MakeCursor(const Shape& s) {
  // AND 1, XOR 0: screen; AND 0, XOR 0: black; AND 0, XOR 1: white (the outline).
  uint8_t and_mask[kSize * kSize / 8], xor_mask[kSize * kSize / 8] = {};
  for (uint8_t& b : and_mask) b = 0xFF;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      bool outline = false;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < kSize && ny < kSize && s.on[ny][nx]) outline = true;
        }
      }
      if (!outline) continue;
      const int bit = y * kSize + x;
      and_mask[bit / 8] &= static_cast<uint8_t>(~(0x80 >> (bit % 8)));
      if (!s.on[y][x]) xor_mask[bit / 8] |= static_cast<uint8_t>(0x80 >> (bit % 8));
    }
  }
  return CreateCursor(win::ThisModule(), kCentre, kCentre, kSize, kSize, and_mask, xor_mask);
}

}  // namespace

void RegisterGridCursors() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  framework::TScreen& screen = framework::Screen();
  const HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  const struct {
    framework::TCursor id;
    unsigned arrows;
  } kCursors[] = {{crTreeListDelete, kCross},
                  {crFullScroll, kUp | kDown | kLeft | kRight},
                  {crHorScroll, kLeft | kRight},
                  {crVerScroll, kUp | kDown},
                  {crUpScroll, kUp},
                  {crRightScroll, kRight},
                  {crDownScroll, kDown},
                  {crLeftScroll, kLeft}};
  for (const auto& c : kCursors) {
    if (screen.CursorHandle(c.id) != arrow) continue;  // the module's own resources came first
    if (HCURSOR cursor = MakeCursor(Draw(c.arrows))) screen.SetCursorHandle(c.id, cursor);
  }
}

}  // namespace treelist
