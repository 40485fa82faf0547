// The own-drawn single-line edit.
#include "controls/xp_edits2.h"

#include <imm.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/theme_services.h"
#include "framework/win/text.h"
#include "controls/xp_control_utils.h"

namespace controls {

using framework::TColor;
using framework::TMessage;

namespace {

// Widths come from the system in slices: one call per character would cost too much on long texts.
constexpr int kMeasureSlice = 32;
// The framework's reflected notifications that can change what lies under a transparent edit.
constexpr UINT kFirstReflected = 48129, kLastReflected = 48627;

}  // namespace

// The transparent edits of the thread and the hook that repaints them when a neighbour under
// them changes.
class TransparentEditHook {
 public:
  static void Join(TCustomXPEdit* edit) {
    auto& edits = Edits();
    if (std::find(edits.begin(), edits.end(), edit) != edits.end()) return;
    edits.push_back(edit);
    if (!Hook()) {
      Hook().reset(SetWindowsHookExW(WH_CALLWNDPROC, Proc, nullptr, GetCurrentThreadId()));
    }
  }
  static void Leave(TCustomXPEdit* edit) {
    auto& edits = Edits();
    std::erase(edits, edit);
    if (edits.empty()) Hook().reset();
  }
  static bool Installed() { return static_cast<bool>(Hook()); }

 private:
  static std::vector<TCustomXPEdit*>& Edits() {
    static std::vector<TCustomXPEdit*> edits;
    return edits;
  }
  static win::UniqueHook& Hook() {
    static win::UniqueHook hook;
    return hook;
  }
  static bool Watched(UINT msg) {
    return msg == WM_PAINT || msg == WM_SIZE || (msg >= kFirstReflected && msg <= kLastReflected);
  }
  static LRESULT CALLBACK Proc(int code, WPARAM wparam, LPARAM lparam) noexcept {
    try {
      const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lparam);
      if (code == HC_ACTION && Watched(sent->message)) Neighbour(sent->hwnd);
    } catch (...) {
      // A failed repaint must not end the host's message.
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }
  static void Neighbour(HWND hwnd) {
    framework::TWinControl* target = framework::TWinControl::FromHandle(hwnd);
    if (!target || dynamic_cast<TCustomXPEdit*>(target)) return;
    RECT target_rect{};
    GetWindowRect(hwnd, &target_rect);
    for (TCustomXPEdit* edit : std::vector<TCustomXPEdit*>(Edits())) {
      if (!edit->HandleAllocated()) continue;
      if (target->Owner() != edit->Owner() && target != edit->Owner()) continue;
      RECT edit_rect{}, overlap{};
      GetWindowRect(edit->hwnd_, &edit_rect);
      // Only the edit itself: invalidating the neighbour again would repaint it for ever.
      if (IntersectRect(&overlap, &target_rect, &edit_rect)) {
        InvalidateRect(edit->hwnd_, nullptr, FALSE);
      }
    }
  }
};

// ---- Creation and properties ----------------------------------------------------------------

TCustomXPEdit::TCustomXPEdit(framework::TComponent* owner) : TXPCustomControl(owner) {
  SetControlStyle((ControlStyle() | framework::csClickEvents | framework::csDoubleClicks) &
                  ~framework::csOpaque);
  SetBounds(Left(), Top(), 121, 21);
  SetColor(framework::clWindow);
  SetTabStop(true);
  UpdateFrameMetrics();
  model_.ClearUndo();
  SharedContextMenu();
  EditGlyphBitmap(EditGlyph::kComboButton);
}

TCustomXPEdit::~TCustomXPEdit() {
  TransparentEditHook::Leave(this);
  if (served_ == this) served_ = nullptr;
}

const framework::TClassInfo& TCustomXPEdit::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TCustomXPEdit, TXPCustomControl>("TCustomXPEdit");
  return info;
}

std::wstring TCustomXPEdit::Text() const { return model_.Text(); }

void TCustomXPEdit::SetText(const std::wstring& text) {
  const std::wstring before = model_.Text();
  ApplyText(text);
  if (model_.Text() != before) {
    Perform(framework::CM_TEXTCHANGED);
    Invalidate();
  }
  model_.ClearUndo();
}

void TCustomXPEdit::SetAutoSize(bool value) {
  if (value == auto_size_) return;
  auto_size_ = value;
  if (value && HandleAllocated()) RecomputeHeight();
}

void TCustomXPEdit::SetBorderStyle(TEditBorderStyle value) {
  if (value == border_style_) return;
  border_style_ = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomXPEdit::SetCharCase(TEditCharCase value) {
  if (value == char_case_) return;
  char_case_ = value;
  ApplyText(ApplyCharCase(model_.Text(), value));
  Invalidate();
}

void TCustomXPEdit::SetHideSelection(bool value) {
  hide_selection_ = value;
  Invalidate();
}

void TCustomXPEdit::SetHotTrack(bool value) {
  if (value == hot_track_) return;
  if (!value) HotTrackChanged(false);
  hot_track_ = value;
}

void TCustomXPEdit::SetNumberPrecision(int value) {
  value = std::clamp(value, 0, 15);
  if (value == number_precision_) return;
  const bool convert = !(ComponentState() & (framework::csLoading | framework::csReading));
  const double number = convert ? GetNumberValue() : 0;
  number_precision_ = value;
  if (convert) SetNumberValue(number);
}

void TCustomXPEdit::SetNumberRadix(TRadix value) {
  if (value == number_radix_) return;
  const bool convert = !(ComponentState() & (framework::csLoading | framework::csReading));
  const double number = convert ? GetNumberValue() : 0;
  number_radix_ = value;
  if (value != TRadix::rdxDecimal && number_type_ != TNumberTypeEx::ntNone) {
    number_type_ = TNumberTypeEx::ntUnsignedInt;
  }
  if (convert) SetNumberValue(number);
}

void TCustomXPEdit::SetNumberType(TNumberTypeEx value) {
  if (value == number_type_) return;
  const bool convert = !(ComponentState() & (framework::csLoading | framework::csReading));
  const double number = convert ? GetNumberValue() : 0;
  number_type_ = value;
  if (value == TNumberTypeEx::ntSignedInt || value == TNumberTypeEx::ntFloat) {
    number_radix_ = TRadix::rdxDecimal;
  }
  if (convert) SetNumberValue(number);
  NumberTypeChanged();
}

void TCustomXPEdit::SetPasswordChar(wchar_t value) {
  if (value == model_.PasswordChar()) return;
  model_.SetPasswordChar(value);
  if (HandleAllocated()) CountVisible();
  Invalidate();
}

std::wstring TCustomXPEdit::PasswordCharText() const {
  return PasswordChar() ? std::wstring(1, PasswordChar()) : std::wstring();
}

void TCustomXPEdit::SetPasswordCharText(const std::wstring& text) {
  if (text.size() > 1) {
    throw framework::EPropertyError("PasswordChar takes one character, not \"" + win::Narrow(text) +
                                    "\"");
  }
  SetPasswordChar(text.empty() ? L'\0' : text.front());
}

void TCustomXPEdit::SetReadOnly(bool value) {
  read_only_ = value;
  Invalidate();
}

void TCustomXPEdit::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  if (value) {
    TransparentEditHook::Join(this);
  } else {
    TransparentEditHook::Leave(this);
  }
  if (HandleAllocated()) RecreateWnd();
}

void TCustomXPEdit::SetSelStart(int start) {
  start = std::clamp(start, 0, model_.Length());
  model_.SetSelection(start, start);
  MoveCaret(start);
  Invalidate();
}

void TCustomXPEdit::SetSelLength(int length) {
  model_.SetSelection(SelStart(), SelStart() + length);
  MoveCaret(model_.MovingEnd());
  Invalidate();
}

void TCustomXPEdit::Loaded() {
  TXPCustomControl::Loaded();
  model_.ClearUndo();
  modified_ = false;
}

// ---- The text ---------------------------------------------------------------------------------

void TCustomXPEdit::ApplyText(const std::wstring& text) {
  std::wstring converted = text;
  if (oem_convert_) {
    // What the OEM code page cannot hold is lost now, not when the text is used.
    std::string bytes = win::Narrow(text);
    CharToOemBuffA(bytes.data(), bytes.data(), static_cast<DWORD>(bytes.size()));
    OemToCharBuffA(bytes.data(), bytes.data(), static_cast<DWORD>(bytes.size()));
    converted = win::Widen(bytes);
  }
  if (!model_.Assign(converted)) return;
  text_ = model_.Text();
  caret_ = std::min(caret_, model_.Length());
  first_visible_ = std::min(first_visible_, model_.Length());
  if (HandleAllocated()) CountVisible();
}

void TCustomXPEdit::ChangeText(const std::wstring& text) {
  internal_change_ = true;
  ApplyText(text);
  internal_change_ = false;
  Invalidate();
}

void TCustomXPEdit::Change() {
  if ((ComponentState() & framework::csLoading) || change_suppression_ > 0) return;
  modified_ = true;
  OnChange(this);
}

void TCustomXPEdit::InsertText(const std::wstring& text) {
  if (read_only_ || text.empty()) return;
  std::wstring result = model_.Text();
  const int start = SelStart();
  result.erase(start, SelLength());
  const InsertRules rules{number_type_, number_radix_, max_length_, char_case_};
  const std::wstring insertion = FilterInsertion(text, rules, static_cast<int>(result.size()));
  result.insert(start, insertion);
  ChangeText(result);
  const int caret = start + static_cast<int>(insertion.size());
  model_.SetSelection(caret, caret);
  MoveCaret(caret);
  Change();
}

void TCustomXPEdit::DeleteBefore(int count) {
  if (read_only_ || caret_ <= 0) return;
  const int from = std::max(0, caret_ - count);
  std::wstring result = model_.Text();
  result.erase(from, caret_ - from);
  ChangeText(result);
  model_.SetSelection(from, from);
  MoveCaret(from);
  Change();
}

void TCustomXPEdit::DeleteAfter(int count) {
  if (read_only_ || caret_ >= model_.Length()) return;
  std::wstring result = model_.Text();
  result.erase(caret_, count);
  ChangeText(result);
  model_.SetSelection(caret_, caret_);
  MoveCaret(caret_);
  Change();
}

void TCustomXPEdit::DeleteSelection() {
  if (read_only_) return;
  const int start = SelStart(), length = SelLength();
  model_.SetSelection(start, start);
  caret_ = start;
  DeleteAfter(length);
}

void TCustomXPEdit::Undo() {
  if (!CanUndo()) return;
  model_.Undo();
  text_ = model_.Text();
  if (HandleAllocated()) CountVisible();
  Perform(framework::CM_TEXTCHANGED);
  SelectAll();
}

void TCustomXPEdit::SelectAll() {
  model_.SetSelection(0, model_.Length());
  MoveCaret(model_.Length());
  Invalidate();
}

void TCustomXPEdit::Clear() { SetText(L""); }

double TCustomXPEdit::GetNumberValue() const {
  return ParseNumberText(model_.Text(), number_type_, number_radix_);
}

void TCustomXPEdit::SetNumberValue(double value) {
  if (number_type_ == TNumberTypeEx::ntNone) return;
  SetText(FormatNumberText(value, number_type_, number_radix_, number_precision_));
}

// ---- Caret, scrolling and measuring -----------------------------------------------------------

HDC TCustomXPEdit::MeasureDc() {
  if (!measure_dc_) measure_dc_.reset(CreateCompatibleDC(nullptr));
  // Every keystroke measures: the font's metrics are read once per font.
  if (HFONT font = font_.Handle(); font != measured_font_) {
    SelectObject(measure_dc_.get(), font);
    measured_font_ = font;
    TEXTMETRICW metrics{};
    GetTextMetricsW(measure_dc_.get(), &metrics);
    overhang_ = metrics.tmOverhang;
    font_height_ = metrics.tmHeight;
  }
  return measure_dc_.get();
}

int TCustomXPEdit::Overhang() {
  MeasureDc();
  return overhang_;
}

std::vector<int> TCustomXPEdit::CharWidths(int from, int count) {
  const std::wstring& display = model_.DisplayText();
  count = std::max(0, std::min(count, static_cast<int>(display.size()) - from));
  std::vector<int> widths(count);
  HDC dc = MeasureDc();
  int ends[kMeasureSlice];
  for (int done = 0; done < count; done += kMeasureSlice) {
    const int slice = std::min(kMeasureSlice, count - done);
    SIZE size{};
    int fitted = 0;
    if (!GetTextExtentExPointW(dc, display.c_str() + from + done, slice, 0, &fitted, ends, &size)) {
      std::fill_n(ends, slice, 0);
    }
    for (int i = 0; i < slice; ++i) widths[done + i] = ends[i] - (i ? ends[i - 1] : 0);
  }
  return widths;
}

int TCustomXPEdit::RunWidth(int from, int to) {
  if (to <= from) return 0;
  SIZE size{};
  GetTextExtentPoint32W(MeasureDc(), model_.DisplayText().c_str() + from, to - from, &size);
  return size.cx;
}

void TCustomXPEdit::CountVisible() {
  const RECT text = GetTextRect();
  const int available = text.right - text.left;
  const int whole_available = available - Overhang();
  const int length = static_cast<int>(model_.DisplayText().size());
  int used = 0, index = first_visible_;
  visible_count_ = 0;
  whole_visible_count_ = -1;
  while (index < length && used <= available) {
    const std::vector<int> widths = CharWidths(index, kMeasureSlice);
    for (int w : widths) {
      if (used > available) break;
      if (whole_visible_count_ < 0 && used + w > whole_available) {
        whole_visible_count_ = index - first_visible_;
      }
      used += w;
      ++index;
    }
  }
  visible_count_ = index - first_visible_;
  if (whole_visible_count_ < 0) whole_visible_count_ = visible_count_;
}

void TCustomXPEdit::SetFirstVisible(int index) {
  first_visible_ = std::clamp(index, 0, model_.Length());
  CountVisible();
  Invalidate();
}

void TCustomXPEdit::SetCaretPosition(int index) {
  index = std::clamp(index, 0, static_cast<int>(model_.DisplayText().size()));
  const bool extend = ShiftHeld() || mouse_selecting_;
  if (!extend && (model_.Anchor() != index || model_.MovingEnd() != index)) {
    model_.SetSelection(index, index);
    Invalidate();
  }
  if (index == caret_) return;
  if (extend) {
    model_.SetMovingEnd(index);
    Invalidate();
  }
  MoveCaret(index);
}

void TCustomXPEdit::MoveCaret(int index) {
  caret_ = index;
  if (!HandleAllocated()) return;
  if (index < first_visible_) {
    SetFirstVisible(index);
  } else if (index > first_visible_ + whole_visible_count_) {
    const RECT text = GetTextRect();
    const int available = text.right - text.left - Overhang();
    // Back from the caret in whole characters while they fit.
    int first = index, used = 0;
    while (first > 0) {
      const int slice = std::min(kMeasureSlice, first);
      const std::vector<int> widths = CharWidths(first - slice, slice);
      int i = slice;
      while (i > 0 && used + widths[i - 1] <= available) used += widths[--i];
      first -= slice - i;
      if (i > 0) break;
    }
    SetFirstVisible(first);
  }
  PlaceCaret();
}

void TCustomXPEdit::ScrollCaretIntoView() { MoveCaret(caret_); }

void TCustomXPEdit::PlaceCaret() {
  if (!HandleAllocated()) return;
  // Where the text is drawn: an editor's offsets and alignment move it.
  const RECT text = GetTextRect();
  const POINT point{RunWidth(first_visible_, caret_) + text.left, text.top};
  // Typing composes only in the focused window, which places its composition on taking the
  // focus; an edit made or filled without it leaves the input method alone (the first call
  // loads it, some 1.5 ms under Wine).
  if (!has_focus_) return;
  SetCaretPos(point.x, point.y);
  if (HIMC context = ImmGetContext(hwnd_)) {
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = point;
    ImmSetCompositionWindow(context, &form);
    ImmReleaseContext(hwnd_, context);
  }
}

void TCustomXPEdit::CreateEditCaret() {
  const RECT text = GetTextRect();
  CreateCaret(hwnd_, nullptr, 1, text.bottom - text.top);
  PlaceCaret();
  ShowCaret(hwnd_);
}

void TCustomXPEdit::DestroyEditCaret() {
  HideCaret(hwnd_);
  DestroyCaret();
}

int TCustomXPEdit::HitTest(int x) {
  x -= GetTextRect().left;
  int remaining = x < 0 ? -x : x;
  if (x >= 0) {
    int index = first_visible_;
    for (int w : CharWidths(first_visible_, visible_count_)) {
      if (w / 2 >= remaining) return index;
      remaining -= w;
      ++index;
    }
    return index;
  }
  for (int index = first_visible_; index > 0; --index) {
    const int w = CharWidths(index - 1, 1).front();
    if (w / 2 >= remaining) return index;
    remaining -= w;
  }
  return 0;
}

bool TCustomXPEdit::ShiftHeld() const { return GetKeyState(VK_SHIFT) < 0; }

void TCustomXPEdit::UpdateFrameMetrics() {
  const bool own_frame = GetXPPaintStyle() != 0;
  frame_width_ = own_frame ? 1 : 0;
  inner_margin_ = own_frame ? 2 : 1;
}

RECT TCustomXPEdit::GetButtonRect() { return RECT{0, 0, 0, 0}; }

RECT TCustomXPEdit::GetTextRect() {
  RECT rect = ClientRect();
  const int inset = FrameWidth() + InnerMargin();
  InflateRect(&rect, -inset, -inset);
  if (frame_width_ != 0) rect.bottom -= 2;
  return rect;
}

int TCustomXPEdit::GetLineHeight() {
  MeasureDc();
  return font_height_;
}

void TCustomXPEdit::RecomputeHeight() {
  int extra = 0;
  if (GetXPPaintStyle() == 0 && !transparent_ && border_style_ == TEditBorderStyle::bsSingle) {
    extra = 2 * GetSystemMetrics(SM_CYEDGE);
  }
  const int height = 2 * (FrameWidth() + InnerMargin()) + GetLineHeight() + 2 + extra;
  if (auto_size_ || Height() < height) SetHeight(height);
}

int TCustomXPEdit::GetTextWidth() {
  if (!HandleAllocated()) return Width();
  const std::wstring& display = model_.DisplayText();
  int width = RunWidth(0, static_cast<int>(display.size())) + 2 * (FrameWidth() + InnerMargin());
  if (!display.empty()) {
    HDC dc = MeasureDc();
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const std::string last = win::Narrow(display.substr(display.size() - 1));
    ABC abc{};
    const UINT code = static_cast<unsigned char>(last.empty() ? ' ' : last[0]);
    if ((metrics.tmPitchAndFamily & TMPF_TRUETYPE) && GetCharABCWidthsA(dc, code, code, &abc)) {
      width -= abc.abcC;
    } else {
      width += metrics.tmOverhang;
    }
  }
  width += 2 * FrameWidth();
  if (border_style_ == TEditBorderStyle::bsSingle) width += 2 * InnerMargin();
  return width;
}

// ---- Window, keys and mouse -------------------------------------------------------------------

void TCustomXPEdit::CreateParams(framework::TCreateParams& params) {
  TXPCustomControl::CreateParams(params);
  UpdateFrameMetrics();
  if (GetXPPaintStyle() == 0 && border_style_ == TEditBorderStyle::bsSingle && !transparent_) {
    params.ex_style |= WS_EX_CLIENTEDGE;
  }
  if (transparent_) params.ex_style |= WS_EX_TRANSPARENT;
}

void TCustomXPEdit::CreateWnd() {
  // Made at the height its font needs: placing the window again once made costs round trips to
  // the window server.
  UpdateFrameMetrics();
  RecomputeHeight();
  TXPCustomControl::CreateWnd();
}

void TCustomXPEdit::AfterCreateWnd() {
  TXPCustomControl::AfterCreateWnd();
  CountVisible();
  MoveCaret(caret_);
  Perform(framework::CM_FONTCHANGED);
}

void TCustomXPEdit::KeyDown(WORD& key, unsigned shift) {
  TXPCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  const unsigned modifiers = shift & (framework::ssShift | framework::ssCtrl | framework::ssAlt);
  const bool ctrl = shift & framework::ssCtrl;
  const std::wstring& display = model_.DisplayText();
  switch (key) {
    case VK_LEFT: SetCaretPosition(ctrl ? PreviousWordStart(display, caret_) : caret_ - 1); break;
    case VK_RIGHT: SetCaretPosition(ctrl ? NextWordStart(display, caret_) : caret_ + 1); break;
    case VK_HOME: SetCaretPosition(0); break;
    case VK_END: SetCaretPosition(static_cast<int>(display.size())); break;
    case VK_INSERT:
      if (modifiers == framework::ssShift) PasteFromClipboard();
      if (modifiers == framework::ssCtrl) CopyToClipboard();
      break;
    case VK_DELETE:
      if (modifiers == 0) {
        if (SelLength() > 0) {
          DeleteSelection();
        } else {
          DeleteAfter(1);
        }
      }
      if (modifiers == framework::ssShift) CutToClipboard();
      break;
    case VK_BACK:
      if (modifiers == framework::ssAlt) Undo();
      break;
  }
}

void TCustomXPEdit::ReceiveImeResult(const std::wstring& result) {
  ime_pending_ = result;
  ime_bytes_ = static_cast<int>(result.size() * sizeof(wchar_t));
  ime_second_byte_ = false;
}

void TCustomXPEdit::KeyPress(wchar_t& key) {
  TXPCustomControl::KeyPress(key);
  if (key == 0 || key_suppression_ > 0) return;
  const bool lead_byte = key < 256 && IsDBCSLeadByte(static_cast<BYTE>(key));
  if (ime_bytes_ > 0) {
    // The characters Windows posts for an input-method result: the result goes in once, whole.
    if (lead_byte && !ime_second_byte_) {
      ime_second_byte_ = true;
    } else {
      ime_second_byte_ = false;
      ime_bytes_ -= 2;
    }
    if (ime_bytes_ <= 0) {
      ime_bytes_ = 0;
      InsertText(std::exchange(ime_pending_, std::wstring()));
    }
    key = 0;
    return;
  }
  if (lead_byte) return;
  if (key >= 32) {
    InsertText(std::wstring(1, key));
    return;
  }
  switch (key) {
    case 1: SelectAll(); break;  // Ctrl+A, as in every other edit a user knows
    case 3: CopyToClipboard(); break;
    case 8:
      if (SelLength() > 0) {
        DeleteSelection();
      } else {
        DeleteBefore(1);
      }
      break;
    case 22: PasteFromClipboard(); break;
    case 24: CutToClipboard(); break;
    case 26: Undo(); break;
  }
}

void TCustomXPEdit::MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) {
  if (button != framework::TMouseButton::mbMiddle && !Focused() && CanFocus()) SetFocus();
  const RECT text = GetTextRect();
  if (button == framework::TMouseButton::mbLeft && !(shift & framework::ssDouble) &&
      PtInRect(&text, POINT{x, y})) {
    SetCaretPosition(HitTest(x));
    SetCapture(hwnd_);
    mouse_selecting_ = true;
  }
  TXPCustomControl::MouseDown(button, shift, x, y);
}

void TCustomXPEdit::MouseMove(unsigned shift, int x, int y) {
  if (mouse_selecting_) SetCaretPosition(HitTest(x));
  TXPCustomControl::MouseMove(shift, x, y);
}

void TCustomXPEdit::MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) {
  if (mouse_selecting_ && button == framework::TMouseButton::mbLeft) {
    mouse_selecting_ = false;
    ReleaseCapture();
  }
  TXPCustomControl::MouseUp(button, shift, x, y);
}

void TCustomXPEdit::SelectWordAt(int x) {
  const auto [first, last] = WordAt(model_.DisplayText(), HitTest(x));
  model_.SetSelection(first, last);
  MoveCaret(last);
  Invalidate();
}

void TCustomXPEdit::UpdateCursor() {
  POINT point{};
  GetCursorPos(&point);
  ::ScreenToClient(hwnd_, &point);
  const RECT text = GetTextRect();
  ::SetCursor(LoadCursorW(nullptr, PtInRect(&text, point) ? IDC_IBEAM : IDC_ARROW));
}

void TCustomXPEdit::HotTrackChanged(bool hot) {
  if (!transparent_ || !hot_track_) return;
  const framework::TFontStyles style = Font().Style();
  const framework::TFontStyles wanted =
      hot ? style | framework::fsUnderline : style & ~framework::fsUnderline;
  if (wanted != style) Font().SetStyle(wanted);
}

void TCustomXPEdit::RedrawControl() {
  if (transparent_) {
    RepaintTransparent();
  } else {
    Invalidate();
  }
}

void TCustomXPEdit::RepaintTransparent() {
  if (!HandleAllocated() || !Parent() || !Parent()->HandleAllocated()) {
    Invalidate();
    return;
  }
  HWND parent = Parent()->Handle();
  const RECT bounds = BoundsRect();
  if (HDC dc = GetDC(parent)) {
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(parent, dc);
  }
  for (framework::TControl* control : Parent()->Controls()) {
    auto* sibling = dynamic_cast<framework::TWinControl*>(control);
    if (!sibling || sibling == this || !sibling->Showing() || !sibling->HandleAllocated()) continue;
    RECT overlap{};
    const RECT other = sibling->BoundsRect();
    if (!IntersectRect(&overlap, &bounds, &other)) continue;
    OffsetRect(&overlap, -other.left, -other.top);
    InvalidateRect(sibling->Handle(), &overlap, FALSE);
  }
  Invalidate();
}

void TCustomXPEdit::Invalidate() {
  // One repaint per message however many parts of its handling ask for one.
  if (message_depth_ > 0 && repaint_asked_) return;
  repaint_asked_ = true;
  TXPCustomControl::Invalidate();
}

void TCustomXPEdit::WndProc(TMessage& message) {
  const bool outermost = message_depth_ == 0;
  if (outermost) repaint_asked_ = false;
  ++message_depth_;
  try {
    HandleMessage(message);
  } catch (...) {
    --message_depth_;
    throw;
  }
  --message_depth_;
}

void TCustomXPEdit::HandleMessage(TMessage& message) {
  switch (message.msg) {
    case WM_GETDLGCODE:
      TXPCustomControl::WndProc(message);
      message.result |= DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_SETFOCUS:
      has_focus_ = true;
      TXPCustomControl::WndProc(message);
      Invalidate();
      CreateEditCaret();
      return;
    case WM_KILLFOCUS:
      has_focus_ = false;
      DestroyEditCaret();
      TXPCustomControl::WndProc(message);
      Invalidate();
      return;
    case WM_CANCELMODE:
      TXPCustomControl::WndProc(message);
      StopSelecting();
      return;
    case WM_SETCURSOR:
      TXPCustomControl::WndProc(message);
      if (LOWORD(message.lParam) == HTCLIENT) {
        UpdateCursor();
        message.result = 1;
      }
      return;
    case WM_SIZE:
      TXPCustomControl::WndProc(message);
      CountVisible();
      ScrollCaretIntoView();
      return;
    case WM_ERASEBKGND:
      if (transparent_ && DoubleBuffered()) {
        DrawParentBackground(*this, reinterpret_cast<HDC>(message.wParam));
      }
      message.result = 1;
      return;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<wchar_t*>(message.lParam);
      const size_t room = message.wParam;
      if (!buffer || room == 0) {
        message.result = 0;
        return;
      }
      const std::wstring& text = model_.Text();
      const size_t count = std::min(text.size(), room - 1);
      std::copy_n(text.c_str(), count, buffer);
      buffer[count] = L'\0';
      message.result = static_cast<LRESULT>(count);
      return;
    }
    case WM_GETTEXTLENGTH: message.result = model_.Length(); return;
    case WM_SETTEXT:
      SetText(message.lParam ? reinterpret_cast<const wchar_t*>(message.lParam) : L"");
      message.result = TRUE;
      return;
    case WM_IME_COMPOSITION:
      if ((message.lParam & GCS_RESULTSTR) && HandleAllocated()) {
        if (HIMC context = ImmGetContext(hwnd_)) {
          const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
          std::wstring result(bytes > 0 ? bytes / sizeof(wchar_t) : 0, L'\0');
          if (bytes > 0) ImmGetCompositionStringW(context, GCS_RESULTSTR, result.data(), bytes);
          ImmReleaseContext(hwnd_, context);
          ReceiveImeResult(result);
        }
      }
      break;
    case WM_IME_NOTIFY:
      if ((message.wParam == IMN_SETOPENSTATUS || message.wParam == IMN_SETCOMPOSITIONWINDOW) &&
          HandleAllocated()) {
        if (HIMC context = ImmGetContext(hwnd_)) {
          LOGFONTA font{};
          GetObjectA(font_.Handle(), sizeof font, &font);
          ImmSetCompositionFontA(context, &font);
          ImmReleaseContext(hwnd_, context);
        }
      }
      break;
    case WM_CONTEXTMENU: {
      POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
      if (message.lParam == -1) {
        point = {RunWidth(first_visible_, caret_) + GetTextRect().left, GetTextRect().bottom};
        ::ClientToScreen(hwnd_, &point);
      }
      ShowContextMenu(point);
      message.result = 0;
      return;
    }
    case WM_LBUTTONDBLCLK: {
      const RECT text = GetTextRect();
      const POINT point{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
      if (PtInRect(&text, point)) SelectWordAt(point.x);
      break;
    }
    case framework::CM_ENTER:
      if (auto_select_ && GetKeyState(VK_LBUTTON) >= 0) {
        SelectAll();
      } else {
        ScrollCaretIntoView();
      }
      break;
    case framework::CM_TEXTCHANGED:
      TXPCustomControl::WndProc(message);
      if (!internal_change_) {
        SetFirstVisible(0);
        model_.SetSelection(model_.Length(), model_.Length());
        MoveCaret(model_.Length());
        Change();
      }
      return;
    case framework::CM_FONTCHANGED:
    case framework::CM_PARENTFONTCHANGED:
      TXPCustomControl::WndProc(message);
      Canvas().Font().Assign(font_);
      if (HandleAllocated()) {
        RecomputeHeight();
        CountVisible();
      }
      Invalidate();
      return;
    case framework::CM_ENABLEDCHANGED:
      TXPCustomControl::WndProc(message);
      Invalidate();
      return;
    case framework::CM_MOUSEENTER:
    case framework::CM_MOUSELEAVE:
      TXPCustomControl::WndProc(message);
      hot_ = message.msg == framework::CM_MOUSEENTER;
      HotTrackChanged(hot_);
      return;
  }
  TXPCustomControl::WndProc(message);
}

}  // namespace controls
