// The date, time, spin, calculator and currency columns.
#include "treelist/number_columns.h"

#include <algorithm>
#include <cmath>

#include "treelist/cell_numbers.h"

namespace treelist {
namespace {

// Spin and currency values reach the node through the editor's text: the limits apply only
// while min < max, as the editors apply them.
double Limited(double value, double min, double max) {
  if (min < max) value = std::clamp(value, min, max);
  return value;
}

}  // namespace

// ---- date ----------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListDateColumn::StaticClassInfo() {
  using C = TdxTreeListDateColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListDateColumn")
          .Set("DateButtons", &C::DateButtons, &C::SetDateButtons, {"btnToday", "btnClear"},
               editors::btnToday | editors::btnClear)
          .Enum("DateOnError", &C::DateOnError, &C::SetDateOnError, {"deToday", "deNull"},
                TDateOnError::deToday)
          .Bool("DateValidation", &C::DateValidation, &C::SetDateValidation, false)
          .Bool("SaveTime", &C::SaveTime, &C::SetSaveTime, true)
          .Bool("UseEditMask", &C::UseEditMask, &C::SetUseEditMask, false)
          .Event("OnDateValidateInput", &C::OnDateValidateInput);
  return info;
}

TdxTreeListDateColumn::TdxTreeListDateColumn(framework::TComponent* owner)
    : TdxTreeListDropDownColumn(owner) {}

void TdxTreeListDateColumn::Assign(const TdxTreeListColumn& source) {
  if (!dynamic_cast<const TdxTreeListDateColumn*>(&source)) {
    return TdxTreeListDropDownColumn::Assign(source);
  }
  InColumnUpdate(*this, [&] {
    TdxTreeListDropDownColumn::Assign(source);
    AssignOwnSettings(StaticClassInfo(), source, *this);
  });
}

void TdxTreeListDateColumn::RestoreDefaults() {
  TdxTreeListDropDownColumn::RestoreDefaults();
  RestoreOwnDefaults(StaticClassInfo(), *this);
}

const editors::TdxInplaceEditClass& TdxTreeListDateColumn::GetEditorClass() const {
  return TdxInplaceTreeListDateEdit::EditorClass();
}

void TdxTreeListDateColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListDropDownColumn::InitEditor(editor);
  auto* date = dynamic_cast<editors::TdxInplaceDateEdit*>(&editor);
  if (!date) return;
  date->DateButtons = date_buttons_;
  date->DateOnError = date_on_error_ == TDateOnError::deNull ? editors::TDateOnError::deNull
                                                             : editors::TDateOnError::deToday;
  date->DateValidation = date_validation_;
  date->SaveTime = save_time_;
  date->SetUseEditMask(use_edit_mask_);
  date->OnValidateInput = [this](framework::TComponent*, const std::wstring& text, double& value,
                                 std::wstring& message, bool& error) {
    OnDateValidateInput(this, text, value, message, error);
  };
}

// ---- time ----------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListTimeColumn::StaticClassInfo() {
  using C = TdxTreeListTimeColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListTimeColumn")
          .Enum("TimeEditFormat", &C::TimeEditFormat, &C::SetTimeEditFormat,
                {"tfHourMinSec", "tfHourMin", "tfHour"}, TdxTimeEditFormat::tfHourMinSec)
          .Bool("UseCtrlIncrement", &C::UseCtrlIncrement, &C::SetUseCtrlIncrement, false);
  return info;
}

void TdxTreeListTimeColumn::Assign(const TdxTreeListColumn& source) {
  TdxTreeListColumn::Assign(source);
  AssignOwnSettings(StaticClassInfo(), source, *this);
}

void TdxTreeListTimeColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  RestoreOwnDefaults(StaticClassInfo(), *this);
}

const editors::TdxInplaceEditClass& TdxTreeListTimeColumn::GetEditorClass() const {
  return TdxInplaceTreeListTimeEdit::EditorClass();
}

void TdxTreeListTimeColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  auto* time = dynamic_cast<editors::TdxInplaceTimeEdit*>(&editor);
  if (!time) return;
  static const editors::TTimeEditFormat kEditorFormats[] = {editors::TTimeEditFormat::tfHourMinSec,
                                                            editors::TTimeEditFormat::tfHourMin,
                                                            editors::TTimeEditFormat::tfHour};
  time->SetTimeEditFormat(kEditorFormats[static_cast<int>(format_)]);
  time->UseCtrlIncrement = use_ctrl_increment_;
}

framework::Variant TdxTreeListTimeColumn::SaveEditorValue(TdxTreeListNode* node,
                                                          editors::TdxInplaceEdit& editor) {
  auto* time = dynamic_cast<editors::TdxInplaceTimeEdit*>(&editor);
  if (!time) return TdxTreeListColumn::SaveEditorValue(node, editor);
  TCustomdxTreeListControl* grid = TreeList();
  if (!grid) return {};
  grid->SetNodeString(node, GetDataIndex(),
                      time->GetTimeValue() == 0.0 ? std::wstring() : time->GetEditText());
  return grid->GetNodeValue(node, GetDataIndex());
}

// ---- spin ----------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListSpinColumn::StaticClassInfo() {
  using C = TdxTreeListSpinColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListSpinColumn")
          .Bool("EditorEnabled", &C::EditorEnabled, &C::SetEditorEnabled, true)
          .Float("Increment", &C::Increment, &C::SetIncrement, 1.0)
          .Float("MinValue", &C::MinValue, &C::SetMinValue, 0.0)
          .Float("MaxValue", &C::MaxValue, &C::SetMaxValue, 0.0)
          .Enum("ShowButtonStyle", &C::ShowButtonStyle, &C::SetShowButtonStyle,
                {"sbDefault", "sbAlways", "sbNone"}, TdxShowButtonStyle::sbDefault)
          .Bool("UseCtrlIncrement", &C::UseCtrlIncrement, &C::SetUseCtrlIncrement, false)
          .Enum("ValueType", &C::ValueType, &C::SetValueType, {"vtInt", "vtFloat"},
                TdxSpinEditValueType::vtInt);
  return info;
}

void TdxTreeListSpinColumn::SetShowButtonStyle(TdxShowButtonStyle value) {
  if (show_button_style_ == value) return;
  show_button_style_ = value;
  Changed();
}

void TdxTreeListSpinColumn::Assign(const TdxTreeListColumn& source) {
  const auto* spin = dynamic_cast<const TdxTreeListSpinColumn*>(&source);
  if (!spin) return TdxTreeListColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListColumn::Assign(source);
    editor_enabled_ = spin->editor_enabled_;
    increment_ = spin->increment_;
    min_value_ = spin->min_value_;
    max_value_ = spin->max_value_;
    SetShowButtonStyle(spin->show_button_style_);
    use_ctrl_increment_ = spin->use_ctrl_increment_;
    value_type_ = spin->value_type_;
  });
}

void TdxTreeListSpinColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  editor_enabled_ = true;
  increment_ = 1.0;
  min_value_ = max_value_ = 0;
  show_button_style_ = TdxShowButtonStyle::sbDefault;
  use_ctrl_increment_ = false;
  value_type_ = TdxSpinEditValueType::vtInt;
}

const editors::TdxInplaceEditClass& TdxTreeListSpinColumn::GetEditorClass() const {
  return TdxInplaceTreeListSpinEdit::EditorClass();
}

void TdxTreeListSpinColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  auto* spin = dynamic_cast<editors::TdxInplaceSpinEdit*>(&editor);
  if (!spin) return;
  spin->EditorEnabled = editor_enabled_;
  spin->Increment = increment_;
  spin->SetMinMaxValues(min_value_, max_value_);
  spin->UseCtrlIncrement = use_ctrl_increment_;
  spin->SetValueType(value_type_);
}

framework::Variant TdxTreeListSpinColumn::LoadEditorValue(TdxTreeListNode* node,
                                                          editors::TdxInplaceEdit& editor) {
  framework::Variant value = TdxTreeListColumn::LoadEditorValue(node, editor);
  auto* spin = dynamic_cast<editors::TdxInplaceSpinEdit*>(&editor);
  if (!spin) return value;
  const std::wstring text = value.ToString();
  double number = 0;
  const bool parsed = text.empty() || TryParseNumber(text, number);
  spin->SetValue(number);
  return parsed ? framework::Variant(spin->Value()) : value;
}

framework::Variant TdxTreeListSpinColumn::SaveEditorValue(TdxTreeListNode* node,
                                                          editors::TdxInplaceEdit& editor) {
  auto* spin = dynamic_cast<editors::TdxInplaceSpinEdit*>(&editor);
  if (!spin) return TdxTreeListColumn::SaveEditorValue(node, editor);
  TCustomdxTreeListControl* grid = TreeList();
  if (!grid) return {};
  // The typed text, not the editor's integer: 2.5 typed in an integer cell rounds here.
  double number = 0;
  if (!TryParseNumber(spin->Text(), number)) number = spin->Value();
  number = Limited(number, spin->MinValue(), spin->MaxValue());
  grid->SetNodeString(node, GetDataIndex(),
                      spin->ValueType() == TdxSpinEditValueType::vtInt ? IntegerCellText(number)
                                                                       : FloatCellText(number));
  return grid->GetNodeValue(node, GetDataIndex());
}

void TdxTreeListSpinColumn::PrepareViewData(editors::TdxEditViewData& data,
                                            const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  if (auto* spin = dynamic_cast<editors::TdxSpinEditViewData*>(&data)) {
    spin->ShowButton = ShowsButton(cell.node);
  }
}

bool TdxTreeListSpinColumn::HasButtonAt(int, int, bool) {
  return HasEditButton(show_button_style_, DisableEditor(), TreeList());
}

bool TdxTreeListSpinColumn::ShowsButton(const TdxTreeListNode* node) const {
  return ShowsEditButton(show_button_style_, TreeList(), node);
}

// ---- calculator ----------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListCalcColumn::StaticClassInfo() {
  using C = TdxTreeListCalcColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListCalcColumn")
          .Bool("BeepOnError", &C::BeepOnError, &C::SetBeepOnError, true)
          .Enum("ButtonStyle", &C::ButtonStyle, &C::SetButtonStyle,
                {"bsStandard", "bsFlat", "bsExtraFlat"}, TdxButtonStyle::bsStandard)
          .Int("Precision", &C::Precision, &C::SetPrecision, 13)
          .Bool("QuickClose", &C::QuickClose, &C::SetQuickClose, false)
          .Bool("ShowButtonFrame", &C::ShowButtonFrame, &C::SetShowButtonFrame, false);
  return info;
}

void TdxTreeListCalcColumn::Assign(const TdxTreeListColumn& source) {
  TdxTreeListDropDownColumn::Assign(source);
  AssignOwnSettings(StaticClassInfo(), source, *this);
}

void TdxTreeListCalcColumn::RestoreDefaults() {
  TdxTreeListDropDownColumn::RestoreDefaults();
  RestoreOwnDefaults(StaticClassInfo(), *this);
}

const editors::TdxInplaceEditClass& TdxTreeListCalcColumn::GetEditorClass() const {
  return TdxInplaceTreeListCalcEdit::EditorClass();
}

void TdxTreeListCalcColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListDropDownColumn::InitEditor(editor);
  auto* calc = dynamic_cast<editors::TdxInplaceCalcEdit*>(&editor);
  if (!calc) return;
  calc->BeepOnError = beep_on_error_;
  switch (button_style_) {
    case TdxButtonStyle::bsStandard: calc->ButtonStyle = editors::TdxEditButtonStyle::bts3D; break;
    case TdxButtonStyle::bsFlat: calc->ButtonStyle = editors::TdxEditButtonStyle::btsFlat; break;
    case TdxButtonStyle::bsExtraFlat:
      calc->ButtonStyle = editors::TdxEditButtonStyle::btsHotFlat;
      break;
  }
  calc->Precision = precision_;
  calc->QuickClose = quick_close_;
  calc->ShowButtonFrame = show_button_frame_;
}

// ---- currency ------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListCurrencyColumn::StaticClassInfo() {
  using C = TdxTreeListCurrencyColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListCurrencyColumn")
          .Int("DecimalPlaces", &C::DecimalPlaces, &C::SetDecimalPlaces, 2u)
          .WideString("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat)
          .NoDefault()
          .StoredIf(&C::IsDisplayFormatStored)
          .Float("MinValue", &C::MinValue, &C::SetMinValue, 0.0)
          .Float("MaxValue", &C::MaxValue, &C::SetMaxValue, 0.0)
          .Bool("UseThousandSeparator", &C::UseThousandSeparator, &C::SetUseThousandSeparator,
                false);
  return info;
}

TdxTreeListCurrencyColumn::TdxTreeListCurrencyColumn(framework::TComponent* owner)
    : TdxTreeListColumn(owner), display_format_(editors::BuildCurrencyFormat()) {}

void TdxTreeListCurrencyColumn::SetDisplayFormat(const std::wstring& value) {
  if (display_format_ == value) return;
  display_format_ = value;
  display_format_set_ = true;
  Changed();
}

void TdxTreeListCurrencyColumn::Assign(const TdxTreeListColumn& source) {
  TdxTreeListColumn::Assign(source);
  if (const auto* currency = dynamic_cast<const TdxTreeListCurrencyColumn*>(&source)) {
    decimal_places_ = currency->decimal_places_;
    SetDisplayFormat(currency->display_format_);
    display_format_set_ = true;
    min_value_ = currency->min_value_;
    max_value_ = currency->max_value_;
    use_thousand_separator_ = currency->use_thousand_separator_;
  }
}

void TdxTreeListCurrencyColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  decimal_places_ = 2;
  display_format_ = editors::BuildCurrencyFormat();
  display_format_set_ = false;
  min_value_ = max_value_ = 0;
  use_thousand_separator_ = false;
}

void TdxTreeListCurrencyColumn::SettingsChanged() {
  if (display_format_set_) return;
  display_format_ = editors::BuildCurrencyFormat();
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListCurrencyColumn::GetEditorClass() const {
  return TdxInplaceTreeListCurrencyEdit::EditorClass();
}

void TdxTreeListCurrencyColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  auto* currency = dynamic_cast<editors::TdxInplaceCurrencyEdit*>(&editor);
  if (!currency) return;
  currency->DecimalPlaces = static_cast<int>(decimal_places_);
  currency->SetDisplayFormat(std::wstring());
  currency->SetMinMaxValues(min_value_, max_value_);
  currency->UseThousandSeparator = use_thousand_separator_;
}

framework::Variant TdxTreeListCurrencyColumn::LoadEditorValue(TdxTreeListNode* node,
                                                              editors::TdxInplaceEdit& editor) {
  framework::Variant value = TdxTreeListColumn::LoadEditorValue(node, editor);
  auto* currency = dynamic_cast<editors::TdxInplaceCurrencyEdit*>(&editor);
  if (!currency) return value;
  currency->SetText(std::wstring());
  double amount = 0;
  if (TryParseNumber(value.ToString(), amount)) amount = std::round(amount * 10000) / 10000;
  currency->SetValue(amount);
  const double loaded = currency->GetValue();
  if (loaded == 0) currency->SetText(std::wstring());
  return framework::Variant(loaded);
}

framework::Variant TdxTreeListCurrencyColumn::SaveEditorValue(TdxTreeListNode* node,
                                                              editors::TdxInplaceEdit& editor) {
  auto* currency = dynamic_cast<editors::TdxInplaceCurrencyEdit*>(&editor);
  if (!currency) return TdxTreeListColumn::SaveEditorValue(node, editor);
  TCustomdxTreeListControl* grid = TreeList();
  if (!grid) return {};
  grid->SetNodeString(node, GetDataIndex(),
                      currency->GetValue() == 0 ? std::wstring() : currency->Text());
  return grid->GetNodeValue(node, GetDataIndex());
}

void TdxTreeListCurrencyColumn::PrepareViewData(editors::TdxEditViewData& data,
                                                const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  if (display_format_.empty()) return;
  double amount = 0;
  if (cell.text.empty() || TryParseNumber(cell.text, amount)) {
    data.Value = framework::Variant(editors::FormatCurrencyValue(amount, display_format_));
  }
}

}  // namespace treelist
