// The splitter and the shared speed-button skins.
#include "controls/xp_ext_ctrls.h"

#include <memory>

#include "framework/win/module.h"
#include "controls/graphic_errors.h"
#include "controls/xp_control_utils.h"

namespace controls {

namespace {

std::unique_ptr<SpeedButtonSkins>& SharedSkins() {
  static std::unique_ptr<SpeedButtonSkins> skins;
  return skins;
}

constexpr int kNotchDots = 9;
constexpr int kNotchPitch = 4;

void DrawNotchDot(HDC dc, int x, int y) {
  const COLORREF dark = RGB(32, 64, 64);
  SetPixelV(dc, x, y, dark);
  SetPixelV(dc, x + 1, y, dark);
  SetPixelV(dc, x, y + 1, dark);
  SetPixelV(dc, x + 1, y + 1, RGB(96, 128, 128));
  const COLORREF light = RGB(255, 255, 255);
  SetPixelV(dc, x + 2, y + 1, light);
  SetPixelV(dc, x + 1, y + 2, light);
  SetPixelV(dc, x + 2, y + 2, light);
}

}  // namespace

SpeedButtonSkins::SpeedButtonSkins() : std_arrows(LoadBitmapA(win::ThisModule(), "STDARROWS")) {
  if (!std_arrows) throw EInvalidImage("Resource \"STDARROWS\" is missing");
}

const SpeedButtonSkins* LoadedSpeedButtonSkins() { return SharedSkins().get(); }

void DrawSplitterNotch(HDC dc, int width, int height) {
  const bool stacked = height > width;
  const int across = ((stacked ? width : height) - 3) / 2;
  const int along = ((stacked ? height : width) - kNotchDots * kNotchPitch) / 2;
  for (int i = 0; i < kNotchDots; ++i) {
    const int step = along + i * kNotchPitch;
    if (stacked) {
      DrawNotchDot(dc, across, step);
    } else {
      DrawNotchDot(dc, step, across);
    }
  }
}

const framework::TClassInfo& TXPSplitter::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPSplitter, framework::TSplitter>("TXPSplitter")
          .Bool("DrawNotch", &TXPSplitter::DrawNotch, &TXPSplitter::SetDrawNotch, false)
          .Bool("Transparent", &TXPSplitter::Transparent, &TXPSplitter::SetTransparent, true)
          .Bool("UseDefaultColor", &TXPSplitter::UseDefaultColor, &TXPSplitter::SetUseDefaultColor,
                true);
  return info;
}

TXPSplitter::TXPSplitter(framework::TComponent* owner) : framework::TSplitter(owner) {
  if (!SharedSkins()) SharedSkins() = std::make_unique<SpeedButtonSkins>();
}

void TXPSplitter::SetDrawNotch(bool value) {
  draw_notch_ = value;
  Invalidate();
}

void TXPSplitter::SetTransparent(bool value) {
  transparent_ = value;
  Invalidate();
}

void TXPSplitter::SetUseDefaultColor(bool value) {
  use_default_color_ = value;
  Invalidate();
}

void TXPSplitter::Paint() {
  if (OnPaint) {
    OnPaint(this);
    return;
  }
  framework::TCanvas& canvas = Canvas();
  HDC dc = canvas.Handle();
  const RECT client = ClientRect();
  if (!transparent_) {
    canvas.Brush().SetColor(use_default_color_ ? XPPalette().clXPFace : Color());
    canvas.FillRect(client);
    if (Beveled()) {
      // Only the bevel's long sides show: its ends lie outside the splitter.
      RECT edge = client;
      if (Horizontal()) {
        InflateRect(&edge, 0, 2);
      } else {
        InflateRect(&edge, 2, 0);
      }
      DrawEdge(dc, &edge, BDR_RAISEDOUTER, BF_RECT | BF_SOFT);
    }
  }
  if (draw_notch_) DrawSplitterNotch(dc, client.right, client.bottom);
}

}  // namespace controls
