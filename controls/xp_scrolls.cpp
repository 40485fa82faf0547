// The own-drawn scroll bar.
#include "controls/xp_scrolls.h"

#include <memory>
#include <string>

#include "framework/theme_services.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "controls/alpha_image.h"
#include "controls/graphic_errors.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_graphics.h"

namespace controls {

using framework::TMessage;

namespace {

constexpr UINT kFirstRepeatDelay = 200;
constexpr UINT kRepeatInterval = 30;
constexpr int kSkinFrame = 17;
constexpr int kSkinMargin = 5;
constexpr int kGlyphSize = 9;
constexpr int kGripperSize = 8;
constexpr int kGlyphRowUp = 0, kGlyphRowDown = 4, kGlyphRowLeft = 8, kGlyphRowRight = 12;

// The scroll-bar parts and states of the visual styles.
constexpr int kThemeArrow = 1, kThemeThumbHorz = 2, kThemeThumbVert = 3, kThemeLowerTrackHorz = 4,
              kThemeUpperTrackHorz = 5, kThemeLowerTrackVert = 6, kThemeUpperTrackVert = 7,
              kThemeGripperHorz = 8, kThemeGripperVert = 9;

win::UniqueBitmap LoadSkinBitmap(const char* name) {
  win::UniqueBitmap bitmap(LoadBitmapA(win::ThisModule(), name));
  if (!bitmap) throw EInvalidImage(std::string("Resource \"") + name + "\" is missing");
  return bitmap;
}

// The skins every scroll bar shares, loaded by the first one.
struct ScrollSkins {
  win::UniqueBitmap arrows = LoadSkinBitmap("SCROLLARROWS");
  win::UniqueBitmap glyphs = LoadSkinBitmap("SCROLLARROWGLYPHS");
  win::UniqueBitmap shaft_horizontal = LoadSkinBitmap("SCROLLSHAFTHORIZONTAL");
  win::UniqueBitmap shaft_vertical = LoadSkinBitmap("SCROLLSHAFTVERTICAL");
  win::UniqueBitmap thumb_horizontal = LoadSkinBitmap("SCROLLTHUMBHORIZONTAL");
  win::UniqueBitmap thumb_vertical = LoadSkinBitmap("SCROLLTHUMBVERTICAL");
  win::UniqueBitmap gripper_horizontal = LoadSkinBitmap("SCROLLTHUMBGRIPPERHORIZONTAL");
  win::UniqueBitmap gripper_vertical = LoadSkinBitmap("SCROLLTHUMBGRIPPERVERTICAL");
  // The classic track's pattern follows the system colours.
  std::shared_ptr<TAlphaImage> pattern;
  ScrollSkins() { LoadSystemColoredImage(pattern, L"STDSCROLLPATTERN"); }
};

const ScrollSkins& Skins() {
  static const ScrollSkins skins;
  return skins;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  return {info.bmWidth, info.bmHeight};
}

// A skin bitmap selected into a memory DC for the length of one drawing.
class SkinDc {
 public:
  explicit SkinDc(HBITMAP bitmap)
      : dc_(CreateCompatibleDC(nullptr)), old_(SelectObject(dc_.get(), bitmap)) {}
  ~SkinDc() { SelectObject(dc_.get(), old_); }
  SkinDc(const SkinDc&) = delete;
  SkinDc& operator=(const SkinDc&) = delete;
  HDC get() const { return dc_.get(); }

 private:
  win::UniqueMemoryDc dc_;
  HGDIOBJ old_;
};

// Frame `state` of a skin of four frames stacked vertically, stretched into `rect` with margins
// kept by `centre` (see StretchDrawSkinBitmap).
void DrawSkinFrame(HDC dc, const RECT& rect, HBITMAP skin, ScrollPartState state,
                   const RECT& centre) {
  const SIZE size = BitmapSize(skin);
  const int frame = size.cy / 4;
  const SkinDc source(skin);
  StretchDrawSkinBitmap(rect, centre, {0, state * frame, size.cx, (state + 1) * frame}, false,
                        source.get(), dc);
}

// A cell of a keyed skin, centred on `rect`, its top-left pixel's colour left out.
void DrawKeyedCell(HDC dc, const RECT& rect, HBITMAP skin, int cell, int width, int height) {
  const SkinDc source(skin);
  const COLORREF key = GetPixel(source.get(), 0, 0);
  const int x = rect.left + (rect.right - rect.left - width) / 2;
  const int y = rect.top + (rect.bottom - rect.top - height) / 2;
  TransparentDraw(dc, x, y, key, source.get(), 0, cell * height, width, height);
}

UINT FrameControlState(ScrollPartState state) {
  switch (state) {
    case kStateHot: return DFCS_HOT;
    case kStatePressed: return DFCS_PUSHED;
    case kStateDisabled: return DFCS_INACTIVE;
    default: return 0;
  }
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

const framework::TClassInfo& TCustomXPScrollBar::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TCustomXPScrollBar, TXPCustomControl>("TCustomXPScrollBar")
          .Enum("Kind", &TCustomXPScrollBar::Kind, &TCustomXPScrollBar::SetKind,
                {"sbHorizontal", "sbVertical"}, TScrollBarKind::sbHorizontal)
          .Int("Min", &TCustomXPScrollBar::Min, &TCustomXPScrollBar::SetMin, 0)
          .Int("Max", &TCustomXPScrollBar::Max, &TCustomXPScrollBar::SetMax, 100)
          .Int("PageSize", &TCustomXPScrollBar::PageSize, &TCustomXPScrollBar::SetPageSize, 0)
          .Int("Position", &TCustomXPScrollBar::Position, &TCustomXPScrollBar::SetPosition, 0)
          .Int("SmallChange", &TCustomXPScrollBar::SmallChange, &TCustomXPScrollBar::SetSmallChange,
               int16_t{1})
          .Int("LargeChange", &TCustomXPScrollBar::LargeChange, &TCustomXPScrollBar::SetLargeChange,
               int16_t{1})
          // Aligning turns the bar, also when a form description aligns it.
          .Enum("Align", &TCustomXPScrollBar::Align, &TCustomXPScrollBar::SetAlign,
                framework::TControl::StaticClassInfo().FindProperty("Align")->identifiers,
                framework::TAlign::alNone)
          .Event("OnChange", &TCustomXPScrollBar::OnChange)
          .Event("OnScroll", &TCustomXPScrollBar::OnScroll);
  return info;
}

TCustomXPScrollBar::TCustomXPScrollBar(framework::TComponent* owner) : TXPCustomControl(owner) {
  Skins();
  SetDoubleBuffered(true);
  SetParentColor(false);
  SetBounds(0, 0, 121, XPPalette().XPScrollArrowSize);
  SetTabStop(true);
  SetControlStyle((ControlStyle() | framework::csOpaque | framework::csDisplayDragImage) &
                  ~framework::csSetCaption);
  repeat_timer_.SetEnabled(false);
  repeat_timer_.OnTimer = [this](framework::TComponent*) { ScrollBy(repeat_code_); };
}

void TCustomXPScrollBar::SetKind(TScrollBarKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  if (!(ComponentState() & framework::csLoading)) SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TCustomXPScrollBar::SetAlign(framework::TAlign align) {
  TXPCustomControl::SetAlign(align);
  if (align == framework::TAlign::alTop || align == framework::TAlign::alBottom) {
    SetKind(TScrollBarKind::sbHorizontal);
  } else if (align == framework::TAlign::alLeft || align == framework::TAlign::alRight) {
    SetKind(TScrollBarKind::sbVertical);
  }
}

void TCustomXPScrollBar::SetPageSize(int value) {
  if (model_.SetPageSize(value)) Invalidate();
}

void TCustomXPScrollBar::SetEmbedded(bool value) {
  if (value == embedded_) return;
  embedded_ = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomXPScrollBar::SetParams(int position, int min, int max) {
  if (!model_.SetParams(position, min, max)) return;
  OnChange(this);
  Invalidate();
}

void TCustomXPScrollBar::CreateParams(framework::TCreateParams& params) {
  TXPCustomControl::CreateParams(params);
  if (GetXPPaintStyle() == 0 && !embedded_) params.ex_style |= WS_EX_STATICEDGE;
}

ScrollLayout TCustomXPScrollBar::CurrentLayout() const {
  const RECT client = ClientRect();
  return model_.Layout(kind_, client.right, client.bottom);
}

// ---- Mouse, timer and keys --------------------------------------------------------------------

void TCustomXPScrollBar::ScrollBy(TScrollCode code) {
  repeat_timer_.SetInterval(kRepeatInterval);
  int position = model_.StepTarget(code);
  OnScroll(this, code, position);
  SetParams(position, Min(), Max());
}

void TCustomXPScrollBar::Report(TScrollCode code) {
  int position = Position();
  OnScroll(this, code, position);
  SetParams(position, Min(), Max());
}

void TCustomXPScrollBar::UpdateHot(POINT point) {
  const ScrollLayout layout = CurrentLayout();
  const RECT client = ClientRect();
  const uint8_t hot = PtInRect(&client, point) ? ScrollHitTest(layout, point) : kPartNone;
  if (pressed_part_ != kPartNone && pressed_part_ != kPartThumb) {
    const bool inside = PtInRect(&layout.Part(static_cast<ScrollPart>(pressed_part_)), point);
    repeat_timer_.SetEnabled(inside);
    if (inside) {
      ScrollBy(repeat_code_);
      repeat_timer_.SetInterval(kFirstRepeatDelay);
    }
  }
  if (hot != hot_part_) {
    hot_part_ = hot;
    Invalidate();
  }
}

void TCustomXPScrollBar::ButtonDown(POINT point) {
  if (embedded_ && Parent()) {
    if (Parent()->CanFocus()) Parent()->SetFocus();
  } else if (CanFocus()) {
    SetFocus();
  }
  SetCapture(hwnd_);
  const ScrollLayout layout = CurrentLayout();
  const ScrollPart part = ScrollHitTest(layout, point);
  switch (part) {
    case kPartFirstArrow: repeat_code_ = scLineUp; break;
    case kPartSecondArrow: repeat_code_ = scLineDown; break;
    case kPartPageBefore: repeat_code_ = scPageUp; break;
    case kPartPageAfter: repeat_code_ = scPageDown; break;
    case kPartThumb: {
      const RECT& thumb = layout.Part(kPartThumb);
      const bool vertical = kind_ == TScrollBarKind::sbVertical;
      drag_offset_ = layout.arrow_size + (vertical ? point.y - thumb.top : point.x - thumb.left);
      break;
    }
    default: break;
  }
  pressed_part_ = part;
  UpdateHot(point);
  Invalidate();
}

void TCustomXPScrollBar::MouseMoved(POINT point) {
  if (pressed_part_ == kPartThumb) {
    const ScrollLayout layout = CurrentLayout();
    const int along = kind_ == TScrollBarKind::sbVertical ? point.y : point.x;
    const int before = Position();
    SetParams(model_.DragTarget(layout, along - drag_offset_), Min(), Max());
    if (Position() != before) {
      dragged_ = true;
      Report(scTrack);
    }
  }
  UpdateHot(point);
}

void TCustomXPScrollBar::ButtonUp(POINT point) {
  if (GetCapture() == hwnd_) ReleaseCapture();
  // The repeat ends with the press, wherever the mouse is.
  repeat_timer_.SetEnabled(false);
  const bool was_dragging = pressed_part_ == kPartThumb && dragged_;
  pressed_part_ = kPartNone;
  dragged_ = false;
  if (was_dragging) Report(scPosition);
  UpdateHot(point);
  Invalidate();
  Report(scEndScroll);
}

bool TCustomXPScrollBar::KeyDown(WORD key) {
  switch (key) {
    case VK_PRIOR: ScrollBy(scPageUp); return true;
    case VK_NEXT: ScrollBy(scPageDown); return true;
    case VK_END: ScrollBy(scBottom); return true;
    case VK_HOME: ScrollBy(scTop); return true;
    case VK_LEFT:
    case VK_UP: ScrollBy(scLineUp); return true;
    case VK_RIGHT:
    case VK_DOWN: ScrollBy(scLineDown); return true;
    default: return false;
  }
}

void TCustomXPScrollBar::WndProc(TMessage& message) {
  const POINT point{static_cast<short>(LOWORD(message.lParam)),
                    static_cast<short>(HIWORD(message.lParam))};
  switch (message.msg) {
    case WM_LBUTTONDOWN: ButtonDown(point); break;
    case WM_MOUSEMOVE: MouseMoved(point); break;
    case WM_LBUTTONUP: ButtonUp(point); break;
    case WM_LBUTTONDBLCLK:
      ButtonUp(point);
      ButtonDown(point);
      break;
    case WM_KEYDOWN:
      if (KeyDown(static_cast<WORD>(message.wParam))) return;
      break;
    case WM_KEYUP:
      switch (message.wParam) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: Report(scEndScroll); return;
      }
      break;
    case WM_GETDLGCODE:
      TXPCustomControl::WndProc(message);
      message.result |= DLGC_WANTARROWS;
      return;
    case framework::CM_ENABLEDCHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TXPCustomControl::WndProc(message);
      Invalidate();
      return;
    case framework::CM_MOUSELEAVE:
      // Nothing is hot, and a held arrow pauses until the mouse comes back. (Entering comes
      // with a mouse move, which has found the hot part already.)
      TXPCustomControl::WndProc(message);
      UpdateHot({-1, -1});
      return;
  }
  TXPCustomControl::WndProc(message);
}

// ---- Painting ---------------------------------------------------------------------------------

ScrollPartState TCustomXPScrollBar::StateOf(ScrollPart part) const {
  if (!Enabled()) return kStateDisabled;
  if (pressed_part_ == part) return kStatePressed;
  if (hot_part_ == part) return kStateHot;
  return kStateNormal;
}

void TCustomXPScrollBar::Paint() {
  HDC dc = Canvas().Handle();
  const ScrollLayout layout = CurrentLayout();
  if (GetXPPaintStyle() != 2 || SkipThemedDrawing() || !PaintThemed(dc, layout)) {
    PaintParts(dc, layout);
  }
  // A user who tabs to the bar must see where the focus went: a dotted frame inside the thumb,
  // or inside the whole bar when it has no room for one.
  if (Focused()) {
    RECT cue = layout.Part(kPartThumb);
    if (Empty(cue)) cue = ClientRect();
    InflateRect(&cue, -3, -3);
    if (!Empty(cue)) {
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      DrawFocusRect(dc, &cue);
    }
  }
}

void TCustomXPScrollBar::PaintParts(HDC dc, const ScrollLayout& layout) {
  const bool vertical = kind_ == TScrollBarKind::sbVertical;
  DrawTrack(dc, layout.Part(kPartPageBefore), StateOf(kPartPageBefore));
  DrawTrack(dc, layout.Part(kPartPageAfter), StateOf(kPartPageAfter));
  DrawThumb(dc, layout.Part(kPartThumb), StateOf(kPartThumb));
  DrawArrow(dc, layout.Part(kPartFirstArrow), StateOf(kPartFirstArrow), true,
            vertical ? kGlyphRowUp : kGlyphRowLeft);
  DrawArrow(dc, layout.Part(kPartSecondArrow), StateOf(kPartSecondArrow), false,
            vertical ? kGlyphRowDown : kGlyphRowRight);
}

bool TCustomXPScrollBar::PaintThemed(HDC dc, const ScrollLayout& layout) {
  const framework::TThemeServices& themes = framework::TThemeServices::Instance();
  const framework::ThemeData theme = themes.Open(hwnd_, L"SCROLLBAR");
  if (!theme) return false;
  const bool vertical = kind_ == TScrollBarKind::sbVertical;
  // Arrow states come in fours: up, down, left, right; each normal, hot, pressed, disabled.
  const int first_arrow = vertical ? 0 : 2;
  themes.DrawBackground(theme, dc, kThemeArrow, first_arrow * 4 + StateOf(kPartFirstArrow) + 1,
                        layout.Part(kPartFirstArrow));
  themes.DrawBackground(theme, dc, kThemeArrow,
                        (first_arrow + 1) * 4 + StateOf(kPartSecondArrow) + 1,
                        layout.Part(kPartSecondArrow));
  themes.DrawBackground(theme, dc, vertical ? kThemeLowerTrackVert : kThemeLowerTrackHorz,
                        StateOf(kPartPageBefore) + 1, layout.Part(kPartPageBefore));
  themes.DrawBackground(theme, dc, vertical ? kThemeUpperTrackVert : kThemeUpperTrackHorz,
                        StateOf(kPartPageAfter) + 1, layout.Part(kPartPageAfter));
  const RECT& thumb = layout.Part(kPartThumb);
  if (!Empty(thumb)) {
    themes.DrawBackground(theme, dc, vertical ? kThemeThumbVert : kThemeThumbHorz,
                          StateOf(kPartThumb) + 1, thumb);
    themes.DrawBackground(theme, dc, vertical ? kThemeGripperVert : kThemeGripperHorz,
                          StateOf(kPartThumb) + 1, thumb);
  }
  return true;
}

void TCustomXPScrollBar::DrawTrack(HDC dc, const RECT& rect, ScrollPartState state) {
  if (Empty(rect)) return;
  const bool vertical = kind_ == TScrollBarKind::sbVertical;
  if (GetXPPaintStyle() == 1) {
    // One pixel of margin on the long sides, none on the ends.
    const RECT centre =
        vertical ? RECT{1, 0, kSkinFrame - 1, kSkinFrame} : RECT{0, 1, kSkinFrame, kSkinFrame - 1};
    DrawSkinFrame(dc, rect,
                  vertical ? Skins().shaft_vertical.get() : Skins().shaft_horizontal.get(), state,
                  centre);
    return;
  }
  if (state == kStatePressed) {
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return;
  }
  const win::UniqueBrush pattern(CreatePatternBrush(Skins().pattern->Handle()));
  FillRect(dc, &rect, pattern.get());
}

void TCustomXPScrollBar::DrawThumb(HDC dc, const RECT& rect, ScrollPartState state) {
  if (Empty(rect)) return;
  const bool vertical = kind_ == TScrollBarKind::sbVertical;
  if (GetXPPaintStyle() == 1) {
    HBITMAP skin = vertical ? Skins().thumb_vertical.get() : Skins().thumb_horizontal.get();
    const SIZE size = BitmapSize(skin);
    DrawSkinFrame(dc, rect, skin, state,
                  {kSkinMargin, kSkinMargin, size.cx - kSkinMargin, size.cy / 4 - kSkinMargin});
    DrawKeyedCell(dc, rect,
                  vertical ? Skins().gripper_vertical.get() : Skins().gripper_horizontal.get(),
                  state, kGripperSize, kGripperSize);
    return;
  }
  if (state == kStateDisabled) {
    DrawTrack(dc, rect, state);
    return;
  }
  // The classic look has no pressed thumb: it stays hot while dragged.
  const ScrollPartState shown = state == kStatePressed ? kStateHot : state;
  RECT frame = rect;
  DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | FrameControlState(shown));
}

void TCustomXPScrollBar::DrawArrow(HDC dc, const RECT& rect, ScrollPartState state, bool /*first*/,
                                   int glyph_row) {
  if (Empty(rect)) return;
  if (GetXPPaintStyle() == 1) {
    DrawSkinFrame(dc, rect, Skins().arrows.get(), state,
                  {kSkinMargin, kSkinMargin, kSkinFrame - kSkinMargin, kSkinFrame - kSkinMargin});
    DrawKeyedCell(dc, rect, Skins().glyphs.get(), glyph_row + state, kGlyphSize, kGlyphSize);
    return;
  }
  UINT direction = DFCS_SCROLLUP;
  if (glyph_row == kGlyphRowDown) direction = DFCS_SCROLLDOWN;
  if (glyph_row == kGlyphRowLeft) direction = DFCS_SCROLLLEFT;
  if (glyph_row == kGlyphRowRight) direction = DFCS_SCROLLRIGHT;
  RECT frame = rect;
  DrawFrameControl(dc, &frame, DFC_SCROLL, direction | FrameControlState(state));
}

}  // namespace controls
