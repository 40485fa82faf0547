// The own-drawn check box.
#include "controls/xp_checkbox.h"

#include <memory>

#include "framework/theme_services.h"
#include "controls/xp_control_utils.h"

namespace controls {

namespace {

const std::vector<std::string> kStateNames = {"cbUnchecked", "cbChecked", "cbGrayed"};

// The check-box part of the theme; its states run unchecked, checked, mixed, four looks each,
// in the order of the skins' frames.
constexpr int kCheckBoxPart = 3;
constexpr int kLooks = 4, kFrames = 12, kCaptionGap = 4;

int FrameIndex(TCheckBoxState state, TXPState look) {
  return static_cast<int>(state) * kLooks + static_cast<int>(look);
}

// The classic boxes in the system's colours, mapped again when they change.
const TAlphaImage& ClassicBoxes() {
  static std::shared_ptr<TAlphaImage> boxes;
  if (!boxes) LoadSystemColoredImage(boxes, L"STDCHECKBOX");
  return *boxes;
}

}  // namespace

void DrawCheckBoxGlyph(HDC dc, const RECT& box, TCheckBoxState state, TXPState look,
                       HWND theme_window) {
  const int frame = FrameIndex(state, look);
  const int style = GetXPPaintStyle();
  bool drawn = false;
  if (style == 2) {
    const framework::TThemeServices& themes = framework::TThemeServices::Instance();
    drawn = themes.DrawBackground(themes.Open(theme_window, L"BUTTON"), dc, kCheckBoxPart,
                                  frame + 1, box);
  }
  if (!drawn) {
    DrawSkinFrame(dc, box, style == 1 ? Skin(L"XPCHECKBOX") : ClassicBoxes(), frame, kFrames, 0);
  }
}

const framework::TClassInfo& TXPCheckBox::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPCheckBox, TXPCustomControl>("TXPCheckBox")
          .Bool("AllowGrayed", &TXPCheckBox::AllowGrayed, &TXPCheckBox::SetAllowGrayed, false)
          .Bool("Checked", &TXPCheckBox::Checked, &TXPCheckBox::SetChecked, false)
          .Enum("State", &TXPCheckBox::State, &TXPCheckBox::SetState, kStateNames,
                TCheckBoxState::cbUnchecked)
          .Bool("TabStop", &TXPCheckBox::TabStop, &TXPCheckBox::SetTabStop, true);
  return info;
}

TXPCheckBox::TXPCheckBox(framework::TComponent* owner) : TXPCustomControl(owner) {
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TXPCheckBox::SetChecked(bool value) {
  SetState(value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
}

void TXPCheckBox::SetState(TCheckBoxState state) {
  if (state == state_) return;
  state_ = state;
  RedrawControl();
  if (!(ComponentState() & framework::csLoading)) TXPCustomControl::Click();
}

void TXPCheckBox::Click() {
  switch (state_) {
    case TCheckBoxState::cbUnchecked: SetState(TCheckBoxState::cbChecked); break;
    case TCheckBoxState::cbChecked:
      SetState(allow_grayed_ ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked);
      break;
    case TCheckBoxState::cbGrayed: SetState(TCheckBoxState::cbUnchecked); break;
  }
}

void TXPCheckBox::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case BM_GETCHECK: message.result = static_cast<LRESULT>(state_); return;
    case BM_SETCHECK:
      if (message.wParam <= BST_INDETERMINATE)
        SetState(static_cast<TCheckBoxState>(message.wParam));
      return;
  }
  if (press_.Handle(
          *this, message, [this] { Click(); }, [this] { RedrawControl(); }))
    return;
  TXPCustomControl::WndProc(message);
}

void TXPCheckBox::Paint() {
  framework::TCanvas& canvas = Canvas();
  const HDC dc = canvas.Handle();
  const RECT client = ClientRect();
  canvas.Brush().SetColor(Color());
  canvas.FillRect(client);

  const TXPState look = ControlLook(*this, press_.Pressed());
  const SIZE glyph = GetCheckBoxGlyphSize();
  const int top = (client.bottom - glyph.cy) / 2;
  const RECT box = {0, top, glyph.cx, top + glyph.cy};
  DrawCheckBoxGlyph(dc, box, state_, look, Handle());

  const SelectedFont font(dc, canvas.Font().Handle());
  const SIZE text = MeasureCaption(dc, Caption());
  const int text_top = (client.bottom - text.cy) / 2;
  const RECT caption = {glyph.cx + kCaptionGap, text_top, glyph.cx + kCaptionGap + text.cx,
                        text_top + text.cy};
  DrawCaption(dc, caption, Caption(), Enabled(), framework::ColorToRGB(Font().Color()), DT_LEFT);
  if (Focused() && text.cx > 0) {
    // Around the text's box, not on it: its last row holds the underscores ("use_via").
    RECT focus = caption;
    InflateRect(&focus, 1, 1);
    IntersectRect(&focus, &focus, &client);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace controls
