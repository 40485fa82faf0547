// The mask editor (typing fills the slots of an edit mask), the date editor (a date typed or
// picked from a popup calendar) and the time editor (a time under a mask, stepped by the keys).
#pragma once

#include <string>

#include "editors/drop_down_edit.h"
#include "editors/edit_mask.h"
#include "editors/text_edit.h"
#include "framework/variant.h"

namespace editors {

class TdxInplaceMaskEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceMaskEdit(framework::TComponent* owner) : TdxInplaceTextEdit(owner) {}
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  const std::wstring& EditMask() const noexcept { return mask_text_; }
  // Keeps the value, shown again under the new mask.
  void SetEditMask(const std::wstring& mask);
  // An incomplete value passes validation.
  bool IgnoreMaskBlank = false;

  // The text as shown: literals and blanks in place.
  std::wstring GetEditText() const { return TdxInplaceTextEdit::Text(); }
  void SetEditText(const std::wstring& text) { TdxInplaceTextEdit::SetText(text); }
  // The value: the edit text without blanks (and literals, when the mask drops them).
  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;
  void ValidateEdit() override;

 protected:
  void KeyPress(wchar_t& key) override;
  void KeyDown(WORD& key, unsigned shift) override;

 private:
  // Backspace and Delete: the selected slots blanked, or without a selection the slot before
  // (backward) or at the caret; literals stay, and the caret goes to the first slot blanked.
  void BlankSlots(bool backward);

  TEditMask mask_;
  std::wstring mask_text_;
};

using framework::DecodeDate;
using framework::EncodeDate;
// A date written as the user's locale writes short dates, or ISO "yyyy-mm-dd"; false when the
// text names no valid date.
bool TryParseDate(const std::wstring& text, double& date);
std::wstring FormatDate(double date);
double Today();

enum class TDateOnError { deNone, deToday, deNull };
constexpr unsigned btnToday = 1, btnClear = 2;

// (sender, text, date, message, error): a handler may read the text as a date of its own.
using TdxValidateInputEvent =
    framework::TEvent<framework::TComponent*, const std::wstring&, double&, std::wstring&, bool&>;

class TdxInplaceDateEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplaceDateEdit(framework::TComponent* owner) : TdxInplaceDropDownEdit(owner) {}
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  bool UseEditMask() const noexcept { return use_edit_mask_; }
  // Typing takes only digits and the date separator.
  void SetUseEditMask(bool value) { use_edit_mask_ = value; }
  unsigned DateButtons = btnToday | btnClear;
  TDateOnError DateOnError = TDateOnError::deNone;
  bool DateValidation = true;  // deNone: an invalid date raises
  bool SaveTime = false;       // the time of day of the loaded value survives an edit
  TdxValidateInputEvent OnValidateInput;

  // The date the text names; false for an empty or invalid text.
  bool Date(double& date) const;
  void SetDate(double date);
  void ValidateEdit() override;

 protected:
  std::unique_ptr<TdxPopupContent> CreatePopupContent() override;
  std::wstring PopupResult(TdxPopupContent& content) override;
  void KeyPress(wchar_t& key) override;

 private:
  bool use_edit_mask_ = false;
  double time_of_day_ = 0;
};

enum class TTimeEditFormat { tfHourMin, tfHourMinSec, tfHour };

class TdxInplaceTimeEdit : public TdxInplaceMaskEdit {
 public:
  explicit TdxInplaceTimeEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  TTimeEditFormat TimeEditFormat() const noexcept { return format_; }
  // Also sets the edit mask.
  void SetTimeEditFormat(TTimeEditFormat value);
  // The fraction of a day the text names (hours past 23 or minutes past 59 are refused: 0).
  double GetTimeValue() const;
  void SetTimeValue(double value);
  bool UseCtrlIncrement = false;

 protected:
  bool WantsKey(WORD key, unsigned shift) override;
  void KeyDown(WORD& key, unsigned shift) override;

 private:
  TTimeEditFormat format_ = TTimeEditFormat::tfHourMin;
};

}  // namespace editors
