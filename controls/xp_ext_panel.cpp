// The own-drawn panel.
#include "controls/xp_ext_panel.h"

#include "framework/theme_services.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_graphics.h"

namespace controls {

namespace {

const std::vector<std::string> kKindNames = {"epkSimple", "epkBackground"};

// The body of a tab page: the themed background of a dialog's pages.
constexpr int kTabBodyPart = 10, kTabBodyNormal = 1;

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
      if (themes.DrawBackground(themes.Open(Handle(), L"TAB"), canvas.Handle(), kTabBodyPart,
                                kTabBodyNormal, client)) {
        return;
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
