// The own-drawn push button.
#include "controls/xp_bitbtn.h"

#include "framework/theme_services.h"

namespace controls {

namespace {

const std::vector<std::string> kLayoutNames = {"blGlyphLeft", "blGlyphRight", "blGlyphTop",
                                               "blGlyphBottom"};

// The push-button part of the theme and its states.
constexpr int kPushButtonPart = 1;
constexpr int kThemeNormal = 1, kThemeHot = 2, kThemePressed = 3, kThemeDisabled = 4,
              kThemeDefaulted = 5;
constexpr int kSkinStates = 4, kSkinMargin = 3;

}  // namespace

const framework::TClassInfo& TXPBitBtn::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPBitBtn, framework::TButtonControl>("TXPBitBtn")
          .Enum("Layout", &TXPBitBtn::Layout, &TXPBitBtn::SetLayout, kLayoutNames,
                TButtonLayout::blGlyphLeft)
          .Int("Margin", &TXPBitBtn::Margin, &TXPBitBtn::SetMargin, -1)
          .Int("Spacing", &TXPBitBtn::Spacing, &TXPBitBtn::SetSpacing, 4);
  return info;
}

TXPBitBtn::TXPBitBtn(framework::TComponent* owner) : TXPControl(owner) {
  SetBounds(0, 0, 75, 25);
  glyph_.OnChange = [this] { Invalidate(); };
}

void TXPBitBtn::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  Invalidate();
}

void TXPBitBtn::SetMargin(int margin) {
  margin_ = margin;
  Invalidate();
}

void TXPBitBtn::SetSpacing(int spacing) {
  spacing_ = spacing;
  Invalidate();
}

void TXPBitBtn::WndProc(framework::TMessage& message) {
  if (press_.Handle(
          *this, message, [this] { Click(); }, [this] { RedrawControl(); }))
    return;
  TXPControl::WndProc(message);
}

void TXPBitBtn::Paint() {
  framework::TCanvas& canvas = Canvas();
  const HDC dc = canvas.Handle();
  RECT rect = ClientRect();
  const TXPState state = ControlLook(*this, press_.Pressed());
  const bool focused = Focused();
  const int style = GetXPPaintStyle();
  bool drawn = false;
  if (style != 0) DrawParentBackground(*this, dc);  // under the rounded corners
  if (style == 2) {
    const framework::TThemeServices& themes = framework::TThemeServices::Instance();
    static constexpr int kThemeStates[] = {kThemeNormal, kThemeHot, kThemePressed, kThemeDisabled};
    int theme_state = kThemeStates[static_cast<int>(state)];
    if (state == TXPState::Normal && (Default() || focused)) theme_state = kThemeDefaulted;
    drawn = themes.DrawBackground(themes.Open(Handle(), L"BUTTON"), dc, kPushButtonPart,
                                  theme_state, rect);
  } else if (style == 1) {
    DrawSkinFrame(dc, rect, Skin(L"XPBUTTON"), static_cast<int>(state), kSkinStates, kSkinMargin);
    if (state == TXPState::Normal && (Default() || focused)) {
      // The default button's inner ring in the highlight colour.
      win::UniqueBrush ring(CreateSolidBrush(framework::ColorToRGB(XPPalette().clXPHighlight)));
      RECT inner = rect;
      InflateRect(&inner, -1, -1);
      FrameRect(dc, &inner, ring.get());
    }
    drawn = true;
  }
  if (!drawn) {
    if (Default() || focused) {
      FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      InflateRect(&rect, -1, -1);
    }
    UINT flags = DFCS_BUTTONPUSH;
    if (state == TXPState::Pressed) flags |= DFCS_PUSHED;
    if (state == TXPState::Disabled) flags |= DFCS_INACTIVE;
    DrawFrameControl(dc, &rect, DFC_BUTTON, flags);
    rect = ClientRect();
  }

  const SelectedFont font(dc, canvas.Font().Handle());
  const SIZE glyph_size = glyph_.Empty() ? SIZE{0, 0} : SIZE{glyph_.Width(), glyph_.Height()};
  const POINT offset = state == TXPState::Pressed && style != 2 ? POINT{1, 1} : POINT{0, 0};
  const GlyphLayout layout = CalcGlyphLayout(
      [dc](const std::wstring& caption, int, int) { return MeasureCaption(dc, caption); }, rect,
      offset, Caption(), glyph_size, layout_, margin_, spacing_);
  if (!glyph_.Empty()) {
    const RECT at = {layout.glyph_pos.x, layout.glyph_pos.y, layout.glyph_pos.x + glyph_size.cx,
                     layout.glyph_pos.y + glyph_size.cy};
    glyph_.Draw(dc, at);
  }
  DrawCaption(dc, layout.text_bounds, Caption(), Enabled(), framework::ColorToRGB(Font().Color()),
              DT_LEFT | DT_TOP);
  if (focused) {
    RECT focus = ClientRect();
    InflateRect(&focus, -4, -4);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace controls
