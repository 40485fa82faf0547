// The date and number columns: date, time, spin, calculator and currency. Their cells hold
// text; a text that names no number loads as 0 and paints as it stands.
#pragma once

#include <string>

#include "treelist/core/cell_numbers.h"
#include "treelist/columns/drop_down_columns.h"

namespace treelist {

enum class TDateOnError { deToday, deNull };
// (column, text, date, message, error): a handler may read the text as a date of its own.
using TdxDateValidateInput = editors::TdxValidateInputEvent;

class TdxTreeListDateColumn
    : public TdxDescribedColumn<TdxTreeListDateColumn, TdxTreeListDropDownColumn,
                                editors::TdxInplaceDateEdit> {
 public:
  using TdxDescribedColumn::TdxDescribedColumn;
  static const framework::TClassInfo& StaticClassInfo();

  unsigned DateButtons() const noexcept { return date_buttons_; }
  void SetDateButtons(unsigned value) { date_buttons_ = value; }
  TDateOnError DateOnError() const noexcept { return date_on_error_; }
  void SetDateOnError(TDateOnError value) { date_on_error_ = value; }
  bool DateValidation() const noexcept { return date_validation_; }
  void SetDateValidation(bool value) { date_validation_ = value; }
  bool SaveTime() const noexcept { return save_time_; }
  void SetSaveTime(bool value) { save_time_ = value; }
  bool UseEditMask() const noexcept { return use_edit_mask_; }
  void SetUseEditMask(bool value) { use_edit_mask_ = value; }

  const editors::TdxInplaceEditClass& GetEditorClass() const override;

  TdxDateValidateInput OnDateValidateInput;

 protected:
  friend TdxDescribedColumn;
  void InitMore(editors::TdxInplaceDateEdit& editor);

 private:
  unsigned date_buttons_ = editors::btnToday | editors::btnClear;
  TDateOnError date_on_error_ = TDateOnError::deToday;
  bool date_validation_ = false;
  bool save_time_ = true;
  bool use_edit_mask_ = false;
};

enum class TdxTimeEditFormat { tfHourMinSec, tfHourMin, tfHour };

class TdxTreeListTimeColumn : public TdxDescribedColumn<TdxTreeListTimeColumn, TdxTreeListColumn,
                                                        editors::TdxInplaceTimeEdit> {
 public:
  using TdxDescribedColumn::TdxDescribedColumn;
  static const framework::TClassInfo& StaticClassInfo();

  TdxTimeEditFormat TimeEditFormat() const noexcept { return format_; }
  void SetTimeEditFormat(TdxTimeEditFormat value) { format_ = value; }
  bool UseCtrlIncrement() const noexcept { return use_ctrl_increment_; }
  void SetUseCtrlIncrement(bool value) { use_ctrl_increment_ = value; }

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  // Midnight is stored as an empty text: an empty cell and 00:00 are one value here.
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;

 protected:
  friend TdxDescribedColumn;
  static constexpr bool kCopiesInUpdate = false;

 private:
  TdxTimeEditFormat format_ = TdxTimeEditFormat::tfHourMinSec;
  bool use_ctrl_increment_ = false;
};

using editors::TdxSpinEditValueType;

class TdxTreeListSpinColumn : public TdxDescribedColumn<TdxTreeListSpinColumn, TdxTreeListColumn,
                                                        editors::TdxInplaceSpinEdit> {
 public:
  using TdxDescribedColumn::TdxDescribedColumn;
  static const framework::TClassInfo& StaticClassInfo();

  bool EditorEnabled() const noexcept { return editor_enabled_; }
  void SetEditorEnabled(bool value) { editor_enabled_ = value; }
  double Increment() const noexcept { return increment_; }
  void SetIncrement(double value) { increment_ = value; }
  double MinValue() const noexcept { return min_value_; }
  void SetMinValue(double value) { min_value_ = value; }
  double MaxValue() const noexcept { return max_value_; }
  void SetMaxValue(double value) { max_value_ = value; }
  TdxShowButtonStyle ShowButtonStyle() const noexcept { return show_button_style_; }
  void SetShowButtonStyle(TdxShowButtonStyle value);
  bool UseCtrlIncrement() const noexcept { return use_ctrl_increment_; }
  void SetUseCtrlIncrement(bool value) { use_ctrl_increment_ = value; }
  TdxSpinEditValueType ValueType() const noexcept { return value_type_; }
  void SetValueType(TdxSpinEditValueType value) { value_type_ = value; }

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  // A text that is no number opens the editor at 0 and comes back unchanged.
  framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  bool NeedHotTrack(TdxTreeListNode*, int, int, bool) override { return true; }
  bool HasButtonAt(int x, int y, bool grid_default) override;
  virtual bool ShowsButton(const TdxTreeListNode* node) const;

 protected:
  friend TdxDescribedColumn;
  // The limits go to the editor together.
  void InitMore(editors::TdxInplaceSpinEdit& editor) {
    editor.SetMinMaxValues(min_value_, max_value_);
  }

 private:
  bool editor_enabled_ = true;
  double increment_ = 1.0;
  double min_value_ = 0, max_value_ = 0;
  TdxShowButtonStyle show_button_style_ = TdxShowButtonStyle::sbDefault;
  bool use_ctrl_increment_ = false;
  TdxSpinEditValueType value_type_ = TdxSpinEditValueType::vtInt;
};

enum class TdxButtonStyle { bsStandard, bsFlat, bsExtraFlat };

class TdxTreeListCalcColumn
    : public TdxDescribedColumn<TdxTreeListCalcColumn, TdxTreeListDropDownColumn,
                                editors::TdxInplaceCalcEdit> {
 public:
  using TdxDescribedColumn::TdxDescribedColumn;
  static const framework::TClassInfo& StaticClassInfo();

  bool BeepOnError() const noexcept { return beep_on_error_; }
  void SetBeepOnError(bool value) { beep_on_error_ = value; }
  TdxButtonStyle ButtonStyle() const noexcept { return button_style_; }
  void SetButtonStyle(TdxButtonStyle value) { button_style_ = value; }
  int Precision() const noexcept { return precision_; }
  void SetPrecision(uint8_t value) { precision_ = value; }
  bool QuickClose() const noexcept { return quick_close_; }
  void SetQuickClose(bool value) { quick_close_ = value; }
  bool ShowButtonFrame() const noexcept { return show_button_frame_; }
  void SetShowButtonFrame(bool value) { show_button_frame_ = value; }

  const editors::TdxInplaceEditClass& GetEditorClass() const override;

 protected:
  friend TdxDescribedColumn;
  static constexpr bool kCopiesInUpdate = false;

 private:
  bool beep_on_error_ = true;
  TdxButtonStyle button_style_ = TdxButtonStyle::bsStandard;
  uint8_t precision_ = 13;
  bool quick_close_ = false;
  bool show_button_frame_ = false;
};

class TdxTreeListCurrencyColumn
    : public TdxDescribedColumn<TdxTreeListCurrencyColumn, TdxTreeListColumn,
                                editors::TdxInplaceCurrencyEdit> {
 public:
  explicit TdxTreeListCurrencyColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  unsigned DecimalPlaces() const noexcept { return decimal_places_; }
  void SetDecimalPlaces(unsigned value) { decimal_places_ = value; }
  // The locale's currency format until one is set; a set one survives locale changes.
  const std::wstring& DisplayFormat() const noexcept { return display_format_; }
  void SetDisplayFormat(const std::wstring& value);
  bool DisplayFormatSet() const noexcept { return display_format_set_; }
  double MinValue() const noexcept { return min_value_; }
  void SetMinValue(double value) { min_value_ = value; }
  double MaxValue() const noexcept { return max_value_; }
  void SetMaxValue(double value) { max_value_ = value; }
  bool UseThousandSeparator() const noexcept { return use_thousand_separator_; }
  void SetUseThousandSeparator(bool value) { use_thousand_separator_ = value; }

  void SettingsChanged() override;
  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  // A text that is no amount opens the editor at 0; an amount of 0 shows an empty editor.
  framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  // An amount of 0 is stored as an empty text, as an empty cell loads as 0.
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  // Numbers in the display format; a text that is no number as it stands.
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;

 protected:
  friend TdxDescribedColumn;
  static constexpr bool kCopiesInUpdate = false;
  // The locale's format again, which follows the locale.
  void RestoreMore();
  // The editor shows plain numbers; the limits go to it together.
  void InitMore(editors::TdxInplaceCurrencyEdit& editor);

 private:
  bool IsDisplayFormatStored() const { return display_format_set_; }

  unsigned decimal_places_ = 2;
  std::wstring display_format_;
  bool display_format_set_ = false;
  double min_value_ = 0, max_value_ = 0;
  bool use_thousand_separator_ = false;
};

}  // namespace treelist
