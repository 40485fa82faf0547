// The number editors: spin (up and down by an increment between limits), currency (a money
// amount shown in a display format) and calculator (a popup calculator). A text that is no
// number reads as 0, so opening or painting such a cell never fails.
#pragma once

#include <string>

#include "editors/drop_down_edit.h"
#include "editors/text_edit.h"

namespace editors {

enum class TdxSpinEditValueType { vtInt, vtFloat };

// The number a cell's text stands for, "." or the locale's decimal separator; 0 when none.
double NumberFromText(const std::wstring& text);
// `value` limited to what an integer cell holds (no out-of-range cast), rounded half away.
int ClampToInteger(double value);

class TdxSpinEditViewData : public TdxTextEditViewData {
 public:
  void Paint(HDC dc) const override;
  bool PaintInsideCell(HDC) const override { return false; }  // the button: clipped
  bool ShowButton = true;
};

class TdxInplaceSpinEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceSpinEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  // Limits apply only while min < max.
  void SetMinMaxValues(double min, double max);
  double MinValue() const noexcept { return min_; }
  double MaxValue() const noexcept { return max_; }
  TdxSpinEditValueType ValueType() const noexcept { return value_type_; }
  void SetValueType(TdxSpinEditValueType value);
  double Value() const;
  void SetValue(double value);
  // Steps the value up (positive) or down by `steps` increments.
  void Spin(int steps);
  // The grid's click on the button steps at once, as a click on the open editor's does.
  bool ProcessClick(POINT point) override;

  bool EditorEnabled = true;  // false: the value changes only by spinning
  double Increment = 1;
  bool UseCtrlIncrement = false;  // Up and Down spin only with Ctrl; alone they go to the grid

 protected:
  // The button's upper half spins up, its lower half down.
  void ButtonClick() override;
  void DrawButtonGlyph(controls::TXPEditButton& button, const RECT& rect) override;
  void WndProc(framework::TMessage& message) override;
  bool WantsKey(WORD key, unsigned shift) override;
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;

 private:
  double Limited(double value) const;

  double min_ = 0, max_ = 0;
  TdxSpinEditValueType value_type_ = TdxSpinEditValueType::vtInt;
  int press_y_ = 0;  // where the last press on the editor was
};

// The locale's currency display format in FormatFloat's pattern terms, e.g. "$,0.00".
std::wstring BuildCurrencyFormat();
// `value` written by a pattern of BuildCurrencyFormat's kind: literal text around ",0.00"
// (thousands separated when the pattern has ","; as many decimals as zeros after ".").
std::wstring FormatCurrencyValue(double value, const std::wstring& pattern);

class TdxInplaceCurrencyEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceCurrencyEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  const std::wstring& DisplayFormat() const noexcept { return display_format_; }
  void SetDisplayFormat(const std::wstring& value);
  void SetMinMaxValues(double min, double max);
  double GetValue() const;
  void SetValue(double value);
  // The value in the display format, as a cell shows it.
  std::wstring DisplayText() const;
  void ValidateEdit() override;

  int DecimalPlaces = 2;
  bool UseThousandSeparator = true;

 protected:
  void KeyPress(wchar_t& key) override;

 private:
  std::wstring display_format_;
  double min_ = 0, max_ = 0;
};

// The four-function calculator behind the popup: digits, a point, + - * /, =, C and sign.
class TdxCalculator {
 public:
  // Takes one key ('0'..'9', '.', '+', '-', '*', '/', '=', 'C', '~' for the sign); false when
  // the key means nothing.
  bool Press(wchar_t key);
  // The number shown now, with `precision` significant digits at most.
  std::wstring Display(int precision) const;
  double Value() const noexcept { return shown_; }
  void Start(double value);
  bool Error() const noexcept { return error_; }

 private:
  void Apply();
  double shown_ = 0;
  double stored_ = 0;
  wchar_t pending_ = 0;
  std::wstring entry_;  // the digits being typed, empty when a result shows
  bool error_ = false;
};

class TdxInplaceCalcEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplaceCalcEdit(framework::TComponent* owner) : TdxInplaceDropDownEdit(owner) {}
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  bool BeepOnError = true;
  TdxEditButtonStyle ButtonStyle = TdxEditButtonStyle::bts3D;
  int Precision = 15;
  bool QuickClose = false;  // "=" takes the result and closes
  bool ShowButtonFrame = true;

 protected:
  std::unique_ptr<TdxPopupContent> CreatePopupContent() override;
  std::wstring PopupResult(TdxPopupContent& content) override;
};

}  // namespace editors
