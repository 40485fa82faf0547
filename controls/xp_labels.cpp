// Hot-track and link labels.
#include "controls/xp_labels.h"

#include <shellapi.h>

#include <algorithm>

#include "framework/actions.h"
#include "framework/image_list.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "controls/xp_bitmap_utils.h"
#include "controls/xp_graphics.h"

namespace controls {

using framework::TColor;
using framework::TMessage;

TLinkRoutine LinkRoutine1 = nullptr;
TLinkRoutine LinkRoutine2 = nullptr;

namespace {

constexpr int kGlyphSpacing = 3;
// Room for a caption on one line: the text is never wrapped or cut when measured in it.
constexpr int kUnbounded = 32767;

TextFont LabelFont(const framework::TFont& font) {
  TextFont text_font = TextFont::OfHeight(win::Widen(font.Name()), font.Height());
  text_font.color = framework::ColorToRGB(font.Color());
  text_font.style = static_cast<uint8_t>(font.Style());
  return text_font;
}

}  // namespace

// ---- TXPHotTrack ------------------------------------------------------------------------------

const framework::TClassInfo& TXPHotTrack::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo("TXPHotTrack")
          .Bool("TrackFontColor", &TXPHotTrack::TrackFontColor, &TXPHotTrack::SetTrackFontColor,
                false)
          .Color("HotFontColor", &TXPHotTrack::HotFontColor, &TXPHotTrack::SetHotFontColor,
                 framework::clHotLight)
          .Bool("TrackFontStyle", &TXPHotTrack::TrackFontStyle, &TXPHotTrack::SetTrackFontStyle,
                false)
          .Set("HotFontStyle", &TXPHotTrack::HotFontStyle, &TXPHotTrack::SetHotFontStyle,
               {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"},
               framework::TFontStyles{framework::fsUnderline})
          .Bool("TrackCursor", &TXPHotTrack::TrackCursor, &TXPHotTrack::SetTrackCursor, false)
          .Int("HotCursor", &TXPHotTrack::HotCursor, &TXPHotTrack::SetHotCursor,
               framework::crHandPoint);
  return info;
}

// ---- TXPCustomLabel ---------------------------------------------------------------------------

const framework::TClassInfo& TXPCustomLabel::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPCustomLabel, framework::TLabel>("TXPCustomLabel")
          .Bool("AutoSize", &TXPCustomLabel::AutoSize, &TXPCustomLabel::SetAutoSize, true)
          .Bool("GreyscaleDisabledGlyph", &TXPCustomLabel::GreyscaleDisabledGlyph,
                &TXPCustomLabel::SetGreyscaleDisabledGlyph, true)
          .Object("HotTrack", &TXPCustomLabel::HotTrack, TXPHotTrack::StaticClassInfo())
          .WideString("Link", &TXPCustomLabel::Link, &TXPCustomLabel::SetLink)
          .Int("LinkType", &TXPCustomLabel::LinkType, &TXPCustomLabel::SetLinkType, uint8_t{ltNone})
          .Bool("ShowAccelChar", &TXPCustomLabel::ShowAccelChar, &TXPCustomLabel::SetShowAccelChar,
                true)
          .Bool("SmoothText", &TXPCustomLabel::SmoothText, &TXPCustomLabel::SetSmoothText, false)
          .Int("TextOrientation", &TXPCustomLabel::TextOrientation,
               &TXPCustomLabel::SetTextOrientation, uint8_t{toHorizontal})
          .Bool("Transparent", &TXPCustomLabel::Transparent, &TXPCustomLabel::SetTransparent, true);
  return info;
}

TXPCustomLabel::TXPCustomLabel(framework::TComponent* owner)
    : framework::TLabel(owner),
      saved_font_color_(Font().Color()),
      saved_font_style_(Font().Style()),
      saved_parent_font_(ParentFont()),
      saved_cursor_(Cursor()) {
  // A link is clicked: the press must be seen for the release to count as a click.
  SetControlStyle(ControlStyle() | framework::csDisplayDragImage | framework::csCaptureMouse);
  SetTransparent(true);
}

void TXPCustomLabel::SetGlyph(const framework::TBitmap& glyph) {
  glyph_.Assign(glyph);
  RebuildDisabledGlyph();
  AdjustBounds();
  Invalidate();
}

void TXPCustomLabel::SetGreyscaleDisabledGlyph(bool value) {
  if (value == greyscale_disabled_glyph_) return;
  greyscale_disabled_glyph_ = value;
  RebuildDisabledGlyph();
  Invalidate();
}

void TXPCustomLabel::SetTextOrientation(uint8_t value) {
  if (value == text_orientation_) return;
  text_orientation_ = value;
  AdjustBounds();
  Invalidate();
}

void TXPCustomLabel::SetSmoothText(bool value) {
  if (value == smooth_text_) return;
  smooth_text_ = value;
  AdjustBounds();
  Invalidate();
}

void TXPCustomLabel::SetAutoSize(bool value) {
  auto_size_ = value;
  AdjustBounds();
}

void TXPCustomLabel::SetShowAccelChar(bool value) {
  if (value == show_accel_char_) return;
  show_accel_char_ = value;
  AdjustBounds();
  Invalidate();
}

void TXPCustomLabel::RebuildDisabledGlyph() {
  disabled_glyph_.Assign(glyph_);
  if (disabled_glyph_.Empty()) return;
  disabled_glyph_.SetPixelFormat(framework::TPixelFormat::pf32bit);
  disabled_glyph_.ScanLine(0);  // the grey pixels must not reach the shared glyph
  if (greyscale_disabled_glyph_) {
    GreyscaleBitmap(disabled_glyph_.Handle());
  } else {
    LightGreyscaleBitmap(disabled_glyph_.Handle());
  }
}

void TXPCustomLabel::Loaded() {
  framework::TLabel::Loaded();
  RebuildDisabledGlyph();
  AdjustBounds();
}

void TXPCustomLabel::LinkClick() {
  if (link_.empty()) return;
  switch (link_type_) {
    case ltNone: OnClick(this); break;
    case ltRoutine1:
      if (LinkRoutine1) LinkRoutine1(link_);
      break;
    case ltRoutine2:
      if (LinkRoutine2) LinkRoutine2(link_);
      break;
    case ltShellOpen:
      // No verb and no parameters: the shell does only what the link itself names.
      ShellExecuteW(nullptr, nullptr, link_.c_str(), nullptr, nullptr, SW_SHOW);
      break;
    default: break;
  }
}

void TXPCustomLabel::Click() {
  framework::TLabel::Click();
  if (link_type_ != ltNone) LinkClick();
}

void TXPCustomLabel::ActionChange(framework::TCustomAction& action) {
  framework::TLabel::ActionChange(action);
  framework::TImageList* images = action.Images();
  const int index = action.ImageIndex();
  if (!images || index < 0 || index >= images->Count()) return;
  // On magenta, the colour the glyph's bottom-left pixel makes transparent when it is drawn.
  framework::TBitmap glyph(images->Width(), images->Height(), framework::TPixelFormat::pf32bit);
  glyph.Canvas().Brush().SetColor(static_cast<framework::TColor>(RGB(255, 0, 255)));
  glyph.Canvas().FillRect({0, 0, images->Width(), images->Height()});
  images->Draw(glyph.Canvas(), 0, 0, index, true);
  SetGlyph(glyph);
}

void TXPCustomLabel::EnterHot() {
  saved_parent_font_ = ParentFont();
  font_changed_while_hot_ = false;
  applying_hot_track_ = true;
  if (hot_track_.TrackFontColor()) Font().SetColor(hot_track_.HotFontColor());
  if (hot_track_.TrackFontStyle()) Font().SetStyle(hot_track_.HotFontStyle());
  if (hot_track_.TrackCursor()) SetCursor(hot_track_.HotCursor());
  applying_hot_track_ = false;
  hot_ = true;
}

void TXPCustomLabel::LeaveHot() {
  if (!hot_) return;
  hot_ = false;
  applying_hot_track_ = true;
  if (hot_track_.TrackFontColor()) Font().SetColor(saved_font_color_);
  if (hot_track_.TrackFontStyle()) Font().SetStyle(saved_font_style_);
  // A font the program set while hovered is the label's own now, not the parent's.
  if ((hot_track_.TrackFontColor() || hot_track_.TrackFontStyle()) && !font_changed_while_hot_) {
    SetParentFont(saved_parent_font_);
  }
  if (hot_track_.TrackCursor()) SetCursor(saved_cursor_);
  applying_hot_track_ = false;
}

void TXPCustomLabel::RememberFont() {
  // While hovered, a tracked attribute that still shows its hot value was not the caller's
  // change: keep the value to go back to.
  const bool colour_is_hot =
      hot_ && hot_track_.TrackFontColor() && Font().Color() == hot_track_.HotFontColor();
  const bool style_is_hot =
      hot_ && hot_track_.TrackFontStyle() && Font().Style() == hot_track_.HotFontStyle();
  if (hot_) font_changed_while_hot_ = true;
  if (!colour_is_hot) saved_font_color_ = Font().Color();
  if (!style_is_hot) saved_font_style_ = Font().Style();
}

void TXPCustomLabel::RememberCursor() {
  if (hot_ && hot_track_.TrackCursor() && Cursor() == hot_track_.HotCursor()) return;
  saved_cursor_ = Cursor();
}

void TXPCustomLabel::WndProc(TMessage& message) {
  switch (message.msg) {
    case framework::CM_MOUSEENTER:
      framework::TLabel::WndProc(message);
      if (Enabled()) EnterHot();
      return;
    case framework::CM_MOUSELEAVE:
      framework::TLabel::WndProc(message);
      LeaveHot();
      return;
    case framework::CM_FONTCHANGED:
      framework::TLabel::WndProc(message);
      if (!applying_hot_track_) RememberFont();
      AdjustBounds();
      return;
    case framework::CM_CURSORCHANGED:
      framework::TLabel::WndProc(message);
      if (!applying_hot_track_) RememberCursor();
      return;
    case framework::CM_PARENTFONTCHANGED:
      framework::TLabel::WndProc(message);
      if (!applying_hot_track_) saved_parent_font_ = ParentFont();
      AdjustBounds();
      return;
    case framework::CM_ENABLEDCHANGED:
    case framework::CM_TEXTCHANGED:
      framework::TLabel::WndProc(message);
      AdjustBounds();
      return;
  }
  framework::TLabel::WndProc(message);
}

TextLayout TXPCustomLabel::LabelTextLayout() const {
  TextLayout layout;
  if (!Enabled() && greyscale_disabled_glyph_) layout.flags |= kTextDisabled;
  if (WordWrap()) layout.flags |= kTextWordWrap;
  if (!show_accel_char_) layout.flags |= kTextNoPrefix;
  if (smooth_text_) layout.flags |= kTextSmooth;
  if (text_orientation_ == toUpwards) layout.flags |= kTextTurned;
  if (text_orientation_ == toDownwards) layout.flags |= kTextTurned | kTextTurnDirection;
  switch (Alignment()) {
    case framework::TAlignment::taLeftJustify: layout.horizontal = kAlignLeft; break;
    case framework::TAlignment::taRightJustify: layout.horizontal = kAlignRight; break;
    case framework::TAlignment::taCenter: layout.horizontal = kAlignCentre; break;
  }
  return layout;
}

COLORREF TXPCustomLabel::TextColour() const {
  // The light disabled look: grey text, readable on the face colour (which it would vanish in).
  if (!Enabled() && !greyscale_disabled_glyph_) return framework::ColorToRGB(framework::clGrayText);
  return kDefaultTextColor;
}

TXPCustomLabel::Placement TXPCustomLabel::Place(HDC dc, int width, int height) {
  const TextLayout layout = LabelTextLayout();
  const bool turned = (layout.flags & kTextTurned) != 0;
  const int glyph_width = glyph_.Empty() ? 0 : glyph_.Width();
  const int glyph_height = glyph_.Empty() ? 0 : glyph_.Height();
  const int glyph_room =
      glyph_width > 0 ? (turned ? glyph_height : glyph_width) + kGlyphSpacing : 0;
  // Word wrap measures within the room the glyph leaves; otherwise the caption is one line.
  const RECT room = WordWrap() ? RECT{0, 0, turned ? width : std::max(width - glyph_room, 1),
                                      turned ? std::max(height - glyph_room, 1) : height}
                               : RECT{0, 0, kUnbounded, kUnbounded};
  const SIZE measured =
      MeasureXPText(dc, room, Caption(), kEllipsisNone, layout.flags, LabelFont(Font()));
  const int text_width = measured.cx;
  const int text_height = measured.cy;
  Placement placement{};
  if (!turned) {
    const int block = glyph_room + text_width;
    const int rows = std::max(text_height, glyph_height);
    int x = 0;
    if (layout.horizontal == kAlignRight) x = width - block;
    if (layout.horizontal == kAlignCentre) x = (width - block) / 2;
    const int glyph_y = (rows - glyph_height) / 2;
    const int text_y = (rows - text_height) / 2;
    placement.glyph = {x, glyph_y, x + glyph_width, glyph_y + glyph_height};
    placement.text = {x + glyph_room, text_y, x + block, text_y + text_height};
    return placement;
  }
  // Turned: the glyph above the caption, both centred across the column they share.
  const int column = std::max(text_width, glyph_width);
  int x = 0;
  if (layout.horizontal == kAlignRight) x = width - column;
  if (layout.horizontal == kAlignCentre) x = (width - column) / 2;
  const int glyph_x = x + (column - glyph_width) / 2;
  placement.glyph = {glyph_x, 0, glyph_x + glyph_width, glyph_height};
  const int text_x = x + (column - text_width) / 2;
  placement.text = {text_x, glyph_room, text_x + text_width, glyph_room + text_height};
  return placement;
}

SIZE TXPCustomLabel::ContentSize(HDC dc) {
  const Placement placement = Place(dc, WordWrap() ? Width() : 0, WordWrap() ? Height() : 0);
  RECT box{};
  UnionRect(&box, &placement.glyph, &placement.text);
  return {box.right - box.left, box.bottom - box.top};
}

void TXPCustomLabel::AdjustBounds() {
  if (!auto_size_ || (ComponentState() & framework::csLoading)) return;
  const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  const SIZE size = ContentSize(dc.get());
  const bool turned = text_orientation_ != toHorizontal;
  // Word wrap keeps the width (the height, for turned text) it wraps in.
  const int width = WordWrap() && !turned ? Width() : size.cx;
  const int height = WordWrap() && turned ? Height() : size.cy;
  // A right-aligned label grows to the left.
  const int left =
      Alignment() == framework::TAlignment::taRightJustify ? Left() + Width() - width : Left();
  if (left != Left() || width != Width() || height != Height())
    SetBounds(left, Top(), width, height);
}

void TXPCustomLabel::Paint() {
  framework::TCanvas& canvas = Canvas();
  const RECT client = ClientRect();
  if (!Transparent()) {
    canvas.Brush().SetColor(Color());
    canvas.FillRect(client);
  }
  HDC dc = canvas.Handle();
  const Placement placement = Place(dc, client.right, client.bottom);
  framework::TBitmap& glyph = Enabled() ? glyph_ : disabled_glyph_;
  if (!glyph.Empty()) {
    glyph.SetTransparent(true);  // the bottom-left pixel's colour is the background
    glyph.Draw(canvas, placement.glyph);
  }
  DrawXPText(dc, placement.text, Caption(), LabelTextLayout(), TextColour(), LabelFont(Font()));
}

}  // namespace controls
