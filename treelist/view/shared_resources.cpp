// The drawing resources every tree list shares.
#include "treelist/view/shared_resources.h"

#include <algorithm>
#include <memory>

#include "editors/gdi_scope.h"
#include "framework/win/handles.h"
#include "treelist/view/grid_cursors.h"

namespace treelist {
namespace {

struct Resources {
  win::UniqueBitmap plus, minus;
  win::UniqueBitmap arrow_background;
  SIZE arrow_size{};
};

int g_users = 0;
std::unique_ptr<Resources> g_resources;

void FillColor(HDC dc, const RECT& rect, int color_index) {
  SetBkColor(dc, GetSysColor(color_index));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// A raised button face with a horizontal bar, and for the plus a vertical one.
void DrawExpandGlyph(HDC dc, bool plus) {
  RECT rect{0, 0, kExpandGlyphSize, kExpandGlyphSize};
  DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
  DrawEdge(dc, &rect, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
  InflateRect(&rect, -1, -1);
  DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
  --rect.right;
  --rect.bottom;
  FillColor(dc, rect, COLOR_BTNFACE);
  FillColor(dc, {3, 5, 8, 6}, COLOR_BTNTEXT);
  if (plus) FillColor(dc, {5, 3, 6, 8}, COLOR_BTNTEXT);
}

void BuildExpandGlyphs(Resources& resources) {
  win::UniqueMemoryDc work_dc, copy_dc;
  win::UniqueBitmap work;
  {
    const win::WindowDC screen(nullptr);
    work_dc.reset(CreateCompatibleDC(screen.get()));
    copy_dc.reset(CreateCompatibleDC(screen.get()));
    work.reset(CreateCompatibleBitmap(screen.get(), kExpandGlyphSize, kExpandGlyphSize));
    for (win::UniqueBitmap* glyph : {&resources.plus, &resources.minus}) {
      if (!*glyph) {
        glyph->reset(CreateCompatibleBitmap(screen.get(), kExpandGlyphSize, kExpandGlyphSize));
      }
    }
  }
  editors::SelectScope work_scope(work_dc.get(), work.get());
  for (const bool plus : {true, false}) {
    DrawExpandGlyph(work_dc.get(), plus);
    editors::SelectScope copy(copy_dc.get(), (plus ? resources.plus : resources.minus).get());
    BitBlt(copy_dc.get(), 0, 0, kExpandGlyphSize, kExpandGlyphSize, work_dc.get(), 0, 0, SRCCOPY);
  }
}

}  // namespace

void AcquireSharedDrawingResources() {
  if (g_users++ > 0) return;
  try {
    auto resources = std::make_unique<Resources>();
    BuildExpandGlyphs(*resources);
    RegisterGridCursors();
    g_resources = std::move(resources);
  } catch (...) {
    --g_users;
    throw;
  }
}

void ReleaseSharedDrawingResources() noexcept {
  if (g_users > 0 && --g_users == 0) g_resources.reset();
}

HBITMAP ExpandGlyph(bool plus) { return (plus ? g_resources->plus : g_resources->minus).get(); }

void RebuildExpandGlyphs() {
  if (g_resources) BuildExpandGlyphs(*g_resources);
}

HBITMAP ArrowBackground(int width, int height) {
  Resources& r = *g_resources;
  if (!r.arrow_background || r.arrow_size.cx < width || r.arrow_size.cy < height) {
    r.arrow_size = {std::max<LONG>(r.arrow_size.cx, width),
                    std::max<LONG>(r.arrow_size.cy, height)};
    const win::WindowDC screen(nullptr);
    r.arrow_background.reset(
        CreateCompatibleBitmap(screen.get(), r.arrow_size.cx, r.arrow_size.cy));
  }
  return r.arrow_background.get();
}

}  // namespace treelist
