// The mask, date and time editors.
#include "editors/date_edits.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "editors/editor_class.h"
#include "framework/win/text.h"

namespace editors {

namespace {

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[month - 1];
}

}  // namespace

// ---- mask -------------------------------------------------------------------------------------

const TdxInplaceEditClass& TdxInplaceMaskEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceMaskEdit, TdxTextEditViewData>("TdxInplaceMaskEdit",
                                                                 TdxInplaceTextEdit::EditorClass());
  return info;
}

void TdxInplaceMaskEdit::SetEditMask(const std::wstring& mask) {
  const std::wstring value = Text();
  mask_text_ = mask;
  mask_ = TEditMask(mask);
  SetText(value);
}

std::wstring TdxInplaceMaskEdit::Text() const {
  const std::wstring edit_text = TdxInplaceTextEdit::Text();
  return mask_.Empty() ? edit_text : mask_.ValueOf(edit_text);
}

void TdxInplaceMaskEdit::SetText(const std::wstring& text) {
  TdxInplaceTextEdit::SetText(mask_.Empty() ? text : mask_.EditTextFor(text));
}

void TdxInplaceMaskEdit::ValidateEdit() {
  if (!mask_.Empty() && !IgnoreMaskBlank && !Text().empty() && !mask_.IsComplete(GetEditText())) {
    throw EdxEditError("Invalid input value. Use escape key to abandon changes");
  }
  TdxInplaceTextEdit::ValidateEdit();
}

void TdxInplaceMaskEdit::KeyPress(wchar_t& key) {
  if (mask_.Empty() || !CanModify()) {
    TdxInplaceTextEdit::KeyPress(key);
    return;
  }
  if (key == L'\b') {
    BlankSlots(true);
  } else if (key >= L' ') {
    std::wstring text = GetEditText();
    const int slot = mask_.NextSlot(SelStart());
    if (mask_.Accepts(slot, key)) {
      text[slot] = key;  // the slots are overwritten, the literals stay
      SetEditText(text);
      SetSelStart(mask_.NextSlot(slot + 1));
    } else {
      MessageBeep(MB_OK);
    }
  }
  key = 0;
}

void TdxInplaceMaskEdit::KeyDown(WORD& key, unsigned shift) {
  if (key == VK_DELETE && !mask_.Empty() && CanModify()) {
    BlankSlots(false);
    key = 0;
    return;
  }
  TdxInplaceTextEdit::KeyDown(key, shift);
}

void TdxInplaceMaskEdit::BlankSlots(bool backward) {
  std::wstring text = GetEditText();
  const int size = static_cast<int>(text.size());
  int first = SelStart(), last = first + SelLength();
  if (first == last) {
    first = backward ? mask_.PreviousSlot(first) : mask_.NextSlot(first);
    last = first + 1;
  }
  first = std::max(first, 0);
  last = std::min(last, size);
  if (first >= last) return;
  for (int i = first; i < last; ++i) {
    if (!mask_.IsLiteral(i)) text[i] = mask_.Blank();
  }
  SetEditText(text);
  SetSelStart(first);
}

// ---- dates ------------------------------------------------------------------------------------

bool TryParseDate(const std::wstring& text, double& date) {
  int numbers[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int count = 0;
  bool in_number = false;
  for (wchar_t c : text) {
    if (std::iswdigit(c)) {
      if (!in_number) {
        if (count == 3) return false;
        ++count;
        in_number = true;
      }
      if (++digits[count - 1] > 4) return false;
      numbers[count - 1] = numbers[count - 1] * 10 + (c - L'0');
    } else {
      in_number = false;
      if (!std::iswspace(c) && !std::iswpunct(c)) return false;
    }
  }
  if (count != 3) return false;
  int year, month, day;
  wchar_t order[4] = L"0";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDATE, order, 4);
  if (digits[0] == 4 || order[0] == L'2') {
    year = numbers[0], month = numbers[1], day = numbers[2];
  } else if (order[0] == L'1') {
    day = numbers[0], month = numbers[1], year = numbers[2];
  } else {
    month = numbers[0], day = numbers[1], year = numbers[2];
  }
  if (digits[0] != 4 && year < 100 && (order[0] == L'2' ? digits[0] : digits[2]) <= 2) {
    year += year < 50 ? 2000 : 1900;
  }
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return false;
  }
  date = EncodeDate(year, month, day);
  return true;
}

std::wstring FormatDate(double date) {
  int year, month, day;
  DecodeDate(date, year, month, day);
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  wchar_t buffer[64] = {};
  if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, 64) <= 0) {
    swprintf(buffer, 64, L"%04d-%02d-%02d", year, month, day);
  }
  return buffer;
}

double Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return EncodeDate(now.wYear, now.wMonth, now.wDay);
}

namespace {

// A month of days in a popup: arrows move the day, Page Up and Down the month; a click on a
// day takes it; Today and Clear below when the editor shows them.
class TdxCalendarContent : public TdxPopupContent {
 public:
  TdxCalendarContent(double date, unsigned buttons) : date_(std::floor(date)), buttons_(buttons) {}
  bool Cleared() const noexcept { return cleared_; }
  double Date() const noexcept { return date_; }

  SIZE PreferredSize(HDC dc, int) override {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    cell_ = std::max<int>(18, metrics.tmHeight + 4);
    return SIZE{7 * cell_ * 3 / 2, (8 + (buttons_ ? 1 : 0)) * cell_};
  }
  void Paint(HDC dc, const RECT& client) override {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    int year, month, day;
    DecodeDate(date_, year, month, day);
    SYSTEMTIME first{};
    first.wYear = static_cast<WORD>(year);
    first.wMonth = static_cast<WORD>(month);
    first.wDay = 1;
    wchar_t title[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &first, L"MMMM yyyy", title, 64);
    RECT head{0, 0, client.right, cell_};
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &head, nullptr, 0, nullptr);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, title, -1, &head, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    static const wchar_t* kDays[] = {L"Mo", L"Tu", L"We", L"Th", L"Fr", L"Sa", L"Su"};
    for (int column = 0; column < 7; ++column) {
      RECT box = CellRect(-1, column);
      SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
      DrawTextW(dc, kDays[column], 2, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    const double start = FirstShown();
    for (int index = 0; index < 42; ++index) {
      const double shown = start + index;
      int y, m, d;
      DecodeDate(shown, y, m, d);
      RECT box = CellRect(index / 7, index % 7);
      COLORREF ink = GetSysColor(m == month ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
      if (shown == date_) {
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &box, nullptr, 0, nullptr);
        ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
      }
      SetTextColor(dc, ink);
      const std::wstring number = std::to_wstring(d);
      DrawTextW(dc, number.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (buttons_) {
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      for (int which = 0; which < 2; ++which) {
        if (!(buttons_ & (which == 0 ? btnToday : btnClear))) continue;
        RECT face = ButtonRect(which);
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
        DrawTextW(dc, which == 0 ? L"Today" : L"Clear", -1, &face,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      }
    }
  }
  bool KeyDown(WORD key, unsigned) override {
    switch (key) {
      case VK_LEFT: date_ -= 1; return true;
      case VK_RIGHT: date_ += 1; return true;
      case VK_UP: date_ -= 7; return true;
      case VK_DOWN: date_ += 7; return true;
      case VK_PRIOR: MoveMonths(-1); return true;
      case VK_NEXT: MoveMonths(1); return true;
    }
    return false;
  }
  TdxPopupAction MouseUp(POINT point) override {
    for (int which = 0; which < 2; ++which) {
      const RECT face = ButtonRect(which);
      if ((buttons_ & (which == 0 ? btnToday : btnClear)) && PtInRect(&face, point)) {
        if (which == 0) date_ = Today();
        cleared_ = which == 1;
        return TdxPopupAction::Accept;
      }
    }
    for (int index = 0; index < 42; ++index) {
      const RECT box = CellRect(index / 7, index % 7);
      if (PtInRect(&box, point)) {
        date_ = FirstShown() + index;
        return TdxPopupAction::Accept;
      }
    }
    return TdxPopupAction::None;
  }

 private:
  // The Monday on or before the first of the shown month.
  double FirstShown() const {
    int year, month, day;
    DecodeDate(date_, year, month, day);
    const double first = EncodeDate(year, month, 1);
    const int weekday = (static_cast<long>(first) + 5) % 7;  // 30 Dec 1899 was a Saturday
    return first - (weekday < 0 ? weekday + 7 : weekday);
  }
  void MoveMonths(int delta) {
    int year, month, day;
    DecodeDate(date_, year, month, day);
    month += delta;
    if (month < 1) month = 12, --year;
    if (month > 12) month = 1, ++year;
    date_ = EncodeDate(year, month, std::min(day, DaysInMonth(year, month)));
  }
  RECT CellRect(int row, int column) const {
    const int width = cell_ * 3 / 2;
    return RECT{column * width, (row + 2) * cell_, (column + 1) * width, (row + 3) * cell_};
  }
  RECT ButtonRect(int which) const {
    const int width = cell_ * 3 / 2 * 7 / 2;
    return RECT{which * width + 2, 8 * cell_ + 1, (which + 1) * width - 2, 9 * cell_ - 1};
  }

  double date_;
  unsigned buttons_;
  int cell_ = 18;
  bool cleared_ = false;
};

}  // namespace

const TdxInplaceEditClass& TdxInplaceDateEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceDateEdit, TdxDropDownEditViewData>(
          "TdxInplaceDateEdit", TdxInplaceDropDownEdit::EditorClass());
  return info;
}

bool TdxInplaceDateEdit::Date(double& date) const {
  if (!TryParseDate(Text(), date)) return false;
  if (SaveTime) date += time_of_day_;
  return true;
}

void TdxInplaceDateEdit::SetDate(double date) {
  time_of_day_ = date - std::floor(date);
  SetText(FormatDate(date));
}

void TdxInplaceDateEdit::ValidateEdit() {
  const std::wstring text = Text();
  double date = 0;
  if (!text.empty() && !TryParseDate(text, date)) {
    std::wstring message = L"'" + text + L"' is not a valid date";
    bool error = true;
    OnValidateInput(this, text, date, message, error);
    if (!error) {
      SetDate(date);
    } else if (DateOnError == TDateOnError::deToday) {
      SetDate(Today());
    } else if (DateOnError == TDateOnError::deNull) {
      SetText(L"");
    } else if (DateValidation) {
      throw EdxEditError(win::Narrow(message));
    }
  }
  TdxInplaceDropDownEdit::ValidateEdit();
}

std::unique_ptr<TdxPopupContent> TdxInplaceDateEdit::CreatePopupContent() {
  double date = 0;
  if (!TryParseDate(Text(), date)) date = Today();
  return std::make_unique<TdxCalendarContent>(date, DateButtons);
}

std::wstring TdxInplaceDateEdit::PopupResult(TdxPopupContent& content) {
  auto& calendar = static_cast<TdxCalendarContent&>(content);
  return calendar.Cleared() ? std::wstring() : FormatDate(calendar.Date());
}

void TdxInplaceDateEdit::KeyPress(wchar_t& key) {
  if (use_edit_mask_ && key >= L' ' && !std::iswdigit(key) && !std::iswpunct(key)) {
    key = 0;
    return;
  }
  TdxInplaceDropDownEdit::KeyPress(key);
}

// ---- time -------------------------------------------------------------------------------------

const TdxInplaceEditClass& TdxInplaceTimeEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceTimeEdit, TdxTextEditViewData>("TdxInplaceTimeEdit",
                                                                 TdxInplaceMaskEdit::EditorClass());
  return info;
}

namespace {

// Hours, minutes and seconds a format shows: 1 to 3.
int TimeParts(TTimeEditFormat format) {
  switch (format) {
    case TTimeEditFormat::tfHour: return 1;
    case TTimeEditFormat::tfHourMin: return 2;
    case TTimeEditFormat::tfHourMinSec: break;
  }
  return 3;
}

}  // namespace

TdxInplaceTimeEdit::TdxInplaceTimeEdit(framework::TComponent* owner) : TdxInplaceMaskEdit(owner) {
  SetEditMask(L"!90:00;1;_");
}

void TdxInplaceTimeEdit::SetTimeEditFormat(TTimeEditFormat value) {
  const double time = GetTimeValue();
  format_ = value;
  static const wchar_t* const kMasks[] = {L"!90;1;_", L"!90:00;1;_", L"!90:00:00;1;_"};
  SetEditMask(kMasks[TimeParts(value) - 1]);
  SetTimeValue(time);
}

double TdxInplaceTimeEdit::GetTimeValue() const {
  int parts[3] = {0, 0, 0};
  int index = 0;
  for (wchar_t c : Text()) {
    if (std::iswdigit(c)) {
      parts[index] = parts[index] * 10 + (c - L'0');
    } else if (c == L':' && index < 2) {
      ++index;
    }
  }
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return 0;
  return (parts[0] * 3600 + parts[1] * 60 + parts[2]) / 86400.0;
}

void TdxInplaceTimeEdit::SetTimeValue(double value) {
  value -= std::floor(value);
  int seconds = static_cast<int>(std::lround(value * 86400)) % 86400;
  const int values[] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
  std::wstring text;
  for (int part = 0; part < TimeParts(format_); ++part) {
    wchar_t digits[4];
    swprintf(digits, 4, L"%02d", values[part]);
    text += (part ? L":" : L"") + std::wstring(digits);
  }
  SetText(text);
}

bool TdxInplaceTimeEdit::WantsKey(WORD key, unsigned shift) {
  const bool ctrl = (shift & framework::ssCtrl) != 0;
  if ((key == VK_UP || key == VK_DOWN) && (ctrl || !UseCtrlIncrement)) return true;
  return TdxInplaceMaskEdit::WantsKey(key, shift);
}

void TdxInplaceTimeEdit::KeyDown(WORD& key, unsigned shift) {
  if ((key == VK_UP || key == VK_DOWN) && WantsKey(key, shift) && CanModify()) {
    // The part under the caret steps: hours, minutes or seconds.
    const int part = std::min(SelStart() / 3, TimeParts(format_) - 1);
    const double step = (part == 0 ? 3600 : part == 1 ? 60 : 1) / 86400.0;
    const int caret = SelStart();
    SetTimeValue(GetTimeValue() + (key == VK_UP ? step : -step) + 1);
    SetSelStart(caret);
    key = 0;
    return;
  }
  TdxInplaceMaskEdit::KeyDown(key, shift);
}

}  // namespace editors
