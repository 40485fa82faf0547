// The number editors.
#include "editors/number_edits.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cwctype>

#include <windowsx.h>

#include "controls/edit_number.h"
#include "editors/editor_class.h"
#include "framework/win/text.h"

namespace editors {

namespace {

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
  wchar_t buffer[32] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 32) <= 0) return fallback;
  return buffer;
}

// "1234567.891" with `decimals` digits after the point and groups of three before it.
std::wstring GroupedNumber(double value, int decimals, bool thousands) {
  decimals = std::clamp(decimals, 0, 15);
  const std::wstring plain = controls::FormatNumberText(
      std::fabs(value), controls::TNumberTypeEx::ntFloat, controls::TRadix::rdxDecimal, decimals);
  const size_t point = plain.find(L'.');
  std::wstring whole = plain.substr(0, point);
  std::wstring fraction = point == std::wstring::npos ? L"" : plain.substr(point + 1);
  if (thousands) {
    const std::wstring separator = LocaleText(LOCALE_STHOUSAND, L",");
    for (int at = static_cast<int>(whole.size()) - 3; at > 0; at -= 3) {
      whole.insert(static_cast<size_t>(at), separator);
    }
  }
  std::wstring text = whole;
  if (!fraction.empty()) text += LocaleText(LOCALE_SDECIMAL, L".") + fraction;
  return text;
}

std::wstring Unquoted(const std::wstring& text) {
  std::wstring result;
  for (wchar_t c : text) {
    if (c != L'"' && c != L'\'') result += c;
  }
  return result;
}

}  // namespace

double NumberFromText(const std::wstring& text) {
  const std::wstring decimal = LocaleText(LOCALE_SDECIMAL, L".");
  const std::wstring thousand = LocaleText(LOCALE_STHOUSAND, L",");
  std::wstring plain;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (std::iswspace(c)) continue;
    if (!decimal.empty() && text.compare(i, decimal.size(), decimal) == 0) {
      plain += L'.';
      i += decimal.size() - 1;
    } else if (!thousand.empty() && thousand != decimal &&
               text.compare(i, thousand.size(), thousand) == 0) {
      i += thousand.size() - 1;
    } else {
      plain += c;
    }
  }
  const double value = controls::ParseNumberText(plain, controls::TNumberTypeEx::ntFloat,
                                                 controls::TRadix::rdxDecimal);
  return std::isfinite(value) ? value : 0;
}

int ClampToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(std::lround(value));
}

void TdxSpinEditViewData::Paint(HDC dc) const {
  PaintBackground(dc);
  RECT text = TextRect();
  if (ShowButton && !HighlightPass) {
    RECT button = Bounds;
    InflateRect(&button, -2, -2);
    button.left = std::max<LONG>(button.left, button.right - 15);
    text.right = button.left;
    // Two boxes of one height: an odd pixel row stays under them.
    const int half = (button.bottom - button.top) / 2;
    RECT up = button, down = button;
    up.bottom = down.top = button.top + half;
    down.bottom = down.top + half;
    DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP);
    DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN);
  }
  PaintText(dc, text, DisplayText(), EndEllipsis);
}

const TdxInplaceEditClass& TdxInplaceSpinEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceSpinEdit, TdxSpinEditViewData>("TdxInplaceSpinEdit",
                                                                 TdxInplaceTextEdit::EditorClass());
  return info;
}

TdxInplaceSpinEdit::TdxInplaceSpinEdit(framework::TComponent* owner) : TdxInplaceTextEdit(owner) {
  SetAlignment(framework::TAlignment::taRightJustify);
  SetShowButton(true);
}

void TdxInplaceSpinEdit::WndProc(framework::TMessage& message) {
  if (message.msg == WM_LBUTTONDOWN || message.msg == WM_LBUTTONDBLCLK) {
    press_y_ = GET_Y_LPARAM(message.lParam);
  }
  TdxInplaceTextEdit::WndProc(message);
}

void TdxInplaceSpinEdit::ButtonClick() {
  const RECT button = Button().BoundsRect();
  Spin(press_y_ < (button.top + button.bottom) / 2 ? 1 : -1);
}

// Two arrows of four rows, 2 to 8 pixels wide, their bases 2 pixels off the middle: filled row by
// row, as a filled triangle loses the row along its lower edge and the up arrow would be smaller.
void TdxInplaceSpinEdit::DrawButtonGlyph(controls::TXPEditButton& button, const RECT& rect) {
  HDC dc = button.Canvas().Handle();
  const int centre_x = (rect.left + rect.right) / 2;
  const int middle = (rect.top + rect.bottom) / 2;
  win::UniqueBrush ink(CreateSolidBrush(GetSysColor(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT)));
  for (int row = 1; row <= 4; ++row) {
    const RECT up{centre_x - row, middle - 7 + row, centre_x + row, middle - 6 + row};
    const RECT down{centre_x - row, middle + 6 - row, centre_x + row, middle + 7 - row};
    FillRect(dc, &up, ink.get());
    FillRect(dc, &down, ink.get());
  }
}

void TdxInplaceSpinEdit::SetMinMaxValues(double min, double max) {
  min_ = min;
  max_ = max;
}

void TdxInplaceSpinEdit::SetValueType(TdxSpinEditValueType value) {
  if (value_type_ == value) return;
  value_type_ = value;
  SetValue(Value());
}

double TdxInplaceSpinEdit::Limited(double value) const {
  if (min_ < max_) value = std::clamp(value, min_, max_);
  return value_type_ == TdxSpinEditValueType::vtInt ? ClampToInteger(value) : value;
}

double TdxInplaceSpinEdit::Value() const { return Limited(NumberFromText(Text())); }

void TdxInplaceSpinEdit::SetValue(double value) {
  value = Limited(value);
  SetText(value_type_ == TdxSpinEditValueType::vtInt
              ? std::to_wstring(static_cast<int>(value))
              : controls::FormatNumberText(value, controls::TNumberTypeEx::ntFloat,
                                           controls::TRadix::rdxDecimal, 6));
}

void TdxInplaceSpinEdit::Spin(int steps) {
  if (!CanModify()) return;
  SetValue(Value() + steps * Increment);
  SelectAll();
}

bool TdxInplaceSpinEdit::ProcessClick(POINT point) {
  const RECT button = GetButtonRect();
  if (!PtInRect(&button, point)) return false;
  press_y_ = point.y;
  ClickButton();
  return true;
}

bool TdxInplaceSpinEdit::WantsKey(WORD key, unsigned shift) {
  const bool ctrl = (shift & framework::ssCtrl) != 0;
  if ((key == VK_UP || key == VK_DOWN) && (ctrl || !UseCtrlIncrement)) return true;
  return TdxInplaceTextEdit::WantsKey(key, shift);
}

void TdxInplaceSpinEdit::KeyDown(WORD& key, unsigned shift) {
  if ((key == VK_UP || key == VK_DOWN) && WantsKey(key, shift)) {
    Spin(key == VK_UP ? 1 : -1);
    key = 0;
    return;
  }
  TdxInplaceTextEdit::KeyDown(key, shift);
}

void TdxInplaceSpinEdit::KeyPress(wchar_t& key) {
  if (key >= L' ') {
    const bool number_char = std::iswdigit(key) || key == L'-' || key == L'+' ||
                             (value_type_ == TdxSpinEditValueType::vtFloat &&
                              (key == L'.' || LocaleText(LOCALE_SDECIMAL, L".")[0] == key));
    if (!EditorEnabled || !number_char) {
      key = 0;
      return;
    }
  }
  TdxInplaceTextEdit::KeyPress(key);
}

std::wstring BuildCurrencyFormat() {
  const std::wstring symbol = L"\"" + LocaleText(LOCALE_SCURRENCY, L"$") + L"\"";
  const int digits = std::clamp(_wtoi(LocaleText(LOCALE_ICURRDIGITS, L"2").c_str()), 0, 9);
  std::wstring number = L",0";
  if (digits > 0) number += L"." + std::wstring(static_cast<size_t>(digits), L'0');
  switch (_wtoi(LocaleText(LOCALE_ICURRENCY, L"0").c_str())) {
    case 1: return number + symbol;
    case 2: return symbol + L" " + number;
    case 3: return number + L" " + symbol;
  }
  return symbol + number;
}

std::wstring FormatCurrencyValue(double value, const std::wstring& pattern) {
  const size_t start = pattern.find_first_of(L",0#.");
  if (start == std::wstring::npos) return Unquoted(pattern);
  size_t end = pattern.find_first_not_of(L",0#.", start);
  if (end == std::wstring::npos) end = pattern.size();
  const std::wstring number = pattern.substr(start, end - start);
  const size_t point = number.find(L'.');
  const int decimals =
      point == std::wstring::npos
          ? 0
          : static_cast<int>(std::count(number.begin() + point, number.end(), L'0'));
  const bool thousands = number.find(L',') != std::wstring::npos;
  return (value < 0 ? L"-" : L"") + Unquoted(pattern.substr(0, start)) +
         GroupedNumber(value, decimals, thousands) + Unquoted(pattern.substr(end));
}

const TdxInplaceEditClass& TdxInplaceCurrencyEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceCurrencyEdit, TdxTextEditViewData>(
          "TdxInplaceCurrencyEdit", TdxInplaceTextEdit::EditorClass());
  return info;
}

TdxInplaceCurrencyEdit::TdxInplaceCurrencyEdit(framework::TComponent* owner)
    : TdxInplaceTextEdit(owner), display_format_(BuildCurrencyFormat()) {
  SetAlignment(framework::TAlignment::taRightJustify);
}

void TdxInplaceCurrencyEdit::SetDisplayFormat(const std::wstring& value) {
  display_format_ = value.empty() ? BuildCurrencyFormat() : value;
}

void TdxInplaceCurrencyEdit::SetMinMaxValues(double min, double max) {
  min_ = min;
  max_ = max;
}

double TdxInplaceCurrencyEdit::GetValue() const { return NumberFromText(Text()); }

void TdxInplaceCurrencyEdit::SetValue(double value) {
  SetText(controls::FormatNumberText(value, controls::TNumberTypeEx::ntFloat,
                                     controls::TRadix::rdxDecimal,
                                     std::clamp(DecimalPlaces, 0, 15)));
}

std::wstring TdxInplaceCurrencyEdit::DisplayText() const {
  return FormatCurrencyValue(GetValue(), display_format_);
}

void TdxInplaceCurrencyEdit::ValidateEdit() {
  const double value = GetValue();
  if (min_ < max_ && (value < min_ || value > max_)) {
    const auto text = [this](double limit) {
      return win::Narrow(controls::FormatNumberText(limit, controls::TNumberTypeEx::ntFloat,
                                                    controls::TRadix::rdxDecimal,
                                                    std::clamp(DecimalPlaces, 0, 15)));
    };
    throw EdxEditError("The value must lie between " + text(min_) + " and " + text(max_));
  }
  TdxInplaceTextEdit::ValidateEdit();
}

void TdxInplaceCurrencyEdit::KeyPress(wchar_t& key) {
  if (key >= L' ' && !std::iswdigit(key) && key != L'-' && key != L'.' &&
      LocaleText(LOCALE_SDECIMAL, L".")[0] != key) {
    key = 0;
    return;
  }
  TdxInplaceTextEdit::KeyPress(key);
}

// ---- calculator -------------------------------------------------------------------------------

void TdxCalculator::Start(double value) {
  shown_ = value;
  stored_ = 0;
  pending_ = 0;
  entry_.clear();
  error_ = false;
}

void TdxCalculator::Apply() {
  switch (pending_) {
    case L'+': shown_ = stored_ + shown_; break;
    case L'-': shown_ = stored_ - shown_; break;
    case L'*': shown_ = stored_ * shown_; break;
    case L'/':
      if (shown_ == 0) {
        error_ = true;
        shown_ = 0;
      } else {
        shown_ = stored_ / shown_;
      }
      break;
  }
  pending_ = 0;
}

bool TdxCalculator::Press(wchar_t key) {
  if (key == L'C' || key == L'c' || key == 27) {
    Start(0);
    return true;
  }
  if (error_) return false;
  if (std::iswdigit(key) || key == L'.' || key == L',') {
    if (key != L'.' && key != L',') {
      entry_ += key;
    } else if (entry_.find(L'.') == std::wstring::npos) {
      entry_ += entry_.empty() ? L"0." : L".";
    }
    shown_ = controls::ParseNumberText(entry_, controls::TNumberTypeEx::ntFloat,
                                       controls::TRadix::rdxDecimal);
    return true;
  }
  if (key == L'~') {
    shown_ = -shown_;
    if (!entry_.empty()) entry_ = entry_[0] == L'-' ? entry_.substr(1) : L"-" + entry_;
    return true;
  }
  if (key == L'+' || key == L'-' || key == L'*' || key == L'/' || key == L'=' || key == L'\r') {
    if (pending_) Apply();
    entry_.clear();
    if (key == L'=' || key == L'\r') return true;
    stored_ = shown_;
    pending_ = key;
    return true;
  }
  return false;
}

std::wstring TdxCalculator::Display(int precision) const {
  if (error_) return L"Error";
  if (!entry_.empty()) return entry_;
  wchar_t buffer[64];
  swprintf(buffer, 64, L"%.*g", std::clamp(precision, 1, 17), shown_);
  return buffer;
}

namespace {

// The calculator's face: a display row above a grid of keys.
class TdxCalculatorContent : public TdxPopupContent {
 public:
  TdxCalculatorContent(TdxInplaceCalcEdit& editor, double start) : editor_(editor) {
    calculator_.Start(start);
  }
  const TdxCalculator& Calculator() const { return calculator_; }

  SIZE PreferredSize(HDC dc, int) override {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    cell_ = std::max<int>(22, metrics.tmHeight + 8);
    // Each cell's last two pixels part it from the next, so the last row and column need only
    // the outer margin's two more.
    return SIZE{kColumns * cell_ + 2, (kRows + 1) * cell_ + 2};
  }
  void Paint(HDC dc, const RECT& client) override {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    RECT display{2, 2, client.right - 2, cell_};
    DrawEdge(dc, &display, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &display, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring shown = calculator_.Display(editor_.Precision);
    display.right -= 3;
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &display,
              DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        const wchar_t key = kKeys[row][column];
        if (key == L' ') continue;
        RECT face = KeyRect(row, column);
        const UINT flags = editor_.ShowButtonFrame ? DFCS_BUTTONPUSH : DFCS_BUTTONPUSH | DFCS_FLAT;
        DrawFrameControl(dc, &face, DFC_BUTTON, flags | (key == pressed_ ? DFCS_PUSHED : 0));
        const wchar_t* label = key == L'~' ? L"\u00b1" : &kKeys[row][column];
        DrawTextW(dc, label, 1, &face, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      }
    }
  }
  bool KeyPress(wchar_t key) override { return Press(key); }
  TdxPopupAction MouseDown(POINT point) override {
    pressed_ = KeyAt(point);
    return TdxPopupAction::None;
  }
  TdxPopupAction MouseUp(POINT point) override {
    const wchar_t key = KeyAt(point);
    const bool same = key != 0 && key == pressed_;
    pressed_ = 0;
    if (!same) return TdxPopupAction::None;
    Press(key);
    return key == L'=' && editor_.QuickClose ? TdxPopupAction::Accept : TdxPopupAction::None;
  }

 private:
  static constexpr int kRows = 5, kColumns = 4;
  static constexpr wchar_t kKeys[kRows][kColumns + 1] = {L"C~/*", L"789-", L"456+", L"123=",
                                                         L"0.  "};
  bool Press(wchar_t key) {
    const bool used = calculator_.Press(key);
    if ((!used || calculator_.Error()) && editor_.BeepOnError) MessageBeep(MB_OK);
    return used;
  }
  RECT KeyRect(int row, int column) const {
    return RECT{2 + column * cell_, 2 + (row + 1) * cell_, 2 + (column + 1) * cell_ - 2,
                2 + (row + 2) * cell_ - 2};
  }
  wchar_t KeyAt(POINT point) const {
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        const RECT face = KeyRect(row, column);
        if (kKeys[row][column] != L' ' && PtInRect(&face, point)) return kKeys[row][column];
      }
    }
    return 0;
  }

  TdxInplaceCalcEdit& editor_;
  TdxCalculator calculator_;
  int cell_ = 22;
  wchar_t pressed_ = 0;
};

}  // namespace

const TdxInplaceEditClass& TdxInplaceCalcEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceCalcEdit, TdxDropDownEditViewData>(
          "TdxInplaceCalcEdit", TdxInplaceDropDownEdit::EditorClass());
  return info;
}

std::unique_ptr<TdxPopupContent> TdxInplaceCalcEdit::CreatePopupContent() {
  return std::make_unique<TdxCalculatorContent>(*this, NumberFromText(Text()));
}

std::wstring TdxInplaceCalcEdit::PopupResult(TdxPopupContent& content) {
  const TdxCalculator& calculator = static_cast<TdxCalculatorContent&>(content).Calculator();
  if (calculator.Error()) return Text();
  return calculator.Display(Precision);
}

}  // namespace editors
