// The own-drawn group box.
#include "controls/xp_groupbox.h"

#include "framework/theme_services.h"
#include "controls/xp_control_paint.h"
#include "controls/xp_control_utils.h"

namespace controls {

namespace {

constexpr int kGroupBoxPart = 4, kGroupNormal = 1, kGroupDisabled = 2;
constexpr int kCaptionIndent = 8, kCaptionPadding = 2;

}  // namespace

const framework::TClassInfo& TXPGroupBox::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPGroupBox, TXPCustomControl>("TXPGroupBox");
  return info;
}

TXPGroupBox::TXPGroupBox(framework::TComponent* owner) : TXPCustomControl(owner) {
  SetBounds(0, 0, 185, 105);
  SetControlStyle(ControlStyle() | framework::csAcceptsControls);
}

void TXPGroupBox::WndProc(framework::TMessage& message) {
  if (message.msg == framework::CM_DIALOGCHAR &&
      IsAccel(static_cast<wchar_t>(message.wParam), Caption())) {
    if (framework::TWinControl* first = FindNextControl(nullptr, true, true)) {
      first->SetFocus();
      message.result = 1;
    }
    return;
  }
  TXPCustomControl::WndProc(message);
}

void TXPGroupBox::Paint() {
  framework::TCanvas& canvas = Canvas();
  const HDC dc = canvas.Handle();
  const RECT client = ClientRect();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(client);

  const SelectedFont font(dc, canvas.Font().Handle());
  const SIZE text = MeasureCaption(dc, Caption());
  const RECT frame = {0, text.cy / 2, client.right, client.bottom};
  const int style = GetXPPaintStyle();
  bool drawn = false;
  if (style == 2) {
    const framework::TThemeServices& themes = framework::TThemeServices::Instance();
    drawn = themes.DrawBackground(themes.Open(Handle(), L"BUTTON"), dc, kGroupBoxPart,
                                  Enabled() ? kGroupNormal : kGroupDisabled, frame);
  }
  if (!drawn && style == 1) {
    win::UniqueBrush shadow(CreateSolidBrush(framework::ColorToRGB(XPPalette().clXPShadow)));
    FrameRect(dc, &frame, shadow.get());
  } else if (!drawn) {
    RECT edge = frame;
    DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
  }
  if (text.cx == 0) return;
  // The caption interrupts the frame's top line.
  const RECT gap = {kCaptionIndent - kCaptionPadding, 0, kCaptionIndent + text.cx + kCaptionPadding,
                    text.cy};
  canvas.FillRect(gap);
  const RECT caption = {kCaptionIndent, 0, kCaptionIndent + text.cx, text.cy};
  const COLORREF ink = style == 1 ? framework::ColorToRGB(XPPalette().clXPHighlight)
                                  : framework::ColorToRGB(Font().Color());
  DrawCaption(dc, caption, Caption(), Enabled(), ink, DT_LEFT);
}

}  // namespace controls
