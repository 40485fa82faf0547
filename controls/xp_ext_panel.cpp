// The own-drawn panel.
#include "controls/xp_ext_panel.h"

#include <vector>

#include "framework/theme_services.h"
#include "framework/win/handles.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_graphics.h"

namespace controls {

namespace {

const std::vector<std::string> kKindNames = {"epkSimple", "epkBackground"};

// The body of a tab page: the themed background of a dialog's pages.
constexpr int kTabBodyPart = 10, kTabBodyNormal = 1;

// The parts of `client` that `dc` can show: a window's own paint clips away its showing child
// windows, which cover most of a page; any other DC (a child's, a buffer) may show all of it.
std::vector<RECT> ShownParts(framework::TWinControl& panel, HDC dc, const RECT& client) {
  RECT box{};
  if (GetClipBox(dc, &box) == NULLREGION || !IntersectRect(&box, &box, &client)) return {};
  if (WindowFromDC(dc) != panel.Handle()) return {box};
  win::UniqueRegion shown(CreateRectRgnIndirect(&box));
  for (framework::TControl* control : panel.Controls()) {
    auto* child = dynamic_cast<framework::TWinControl*>(control);
    if (!child || !child->HandleAllocated() ||
        !(GetWindowLongW(child->Handle(), GWL_STYLE) & WS_VISIBLE)) {
      continue;
    }
    const RECT bounds = child->BoundsRect();
    win::UniqueRegion covered(CreateRectRgnIndirect(&bounds));
    CombineRgn(shown.get(), shown.get(), covered.get(), RGN_DIFF);
  }
  const DWORD size = GetRegionData(shown.get(), 0, nullptr);
  std::vector<char> buffer(size);
  auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
  if (size == 0 || GetRegionData(shown.get(), size, data) != size) return {box};
  const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
  return std::vector<RECT>(rects, rects + data->rdh.nCount);
}

}  // namespace

const framework::TClassInfo& TXPExtPanel::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPExtPanel, TXPCustomControl>("TXPExtPanel")
          .Enum("Kind", &TXPExtPanel::Kind, &TXPExtPanel::SetKind, kKindNames,
                TXPExtPanelKind::epkSimple);
  return info;
}

TXPExtPanel::TXPExtPanel(framework::TComponent* owner) : TXPCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetControlStyle(ControlStyle() | framework::csAcceptsControls);
}

void TXPExtPanel::SetKind(TXPExtPanelKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  RedrawControl();
}

void TXPExtPanel::Paint() {
  framework::TCanvas& canvas = Canvas();
  const RECT client = ClientRect();
  if (kind_ == TXPExtPanelKind::epkBackground) {
    const int style = GetXPPaintStyle();
    if (style == 2) {
      const framework::TThemeServices& themes = framework::TThemeServices::Instance();
      if (const framework::ThemeData theme = themes.Open(Handle(), L"TAB")) {
        // The theme's painter costs by the pixels inside the clip's bounds: it is given one
        // showing part at a time, each drawn as a piece of the whole page.
        const HDC dc = canvas.Handle();
        bool drawn = true;
        for (const RECT& part : ShownParts(*this, dc, client)) {
          const int saved = SaveDC(dc);
          IntersectClipRect(dc, part.left, part.top, part.right, part.bottom);
          drawn = themes.DrawBackground(theme, dc, kTabBodyPart, kTabBodyNormal, client) && drawn;
          RestoreDC(dc, saved);
        }
        if (drawn) return;
      }
    }
    if (style != 0) {
      // The page shades from the window colour at the top into the face colour.
      const XPColorPalette& palette = XPPalette();
      GradientFillRect(canvas.Handle(), client, framework::ColorToRGB(palette.clXPWindow),
                       kGradientVertical, framework::ColorToRGB(palette.clXPFace));
      return;
    }
  }
  canvas.Brush().SetColor(Color());
  canvas.FillRect(client);
}

}  // namespace controls
