// The date, time, spin, calculator and currency columns.
#include "treelist/columns/number_columns.h"

#include <algorithm>
#include <cmath>

#include "treelist/core/cell_numbers.h"

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

namespace {

editors::TDateOnError EditorDateOnError(TDateOnError value) {
  return ByPosition(value, {editors::TDateOnError::deToday, editors::TDateOnError::deNull});
}

editors::TTimeEditFormat EditorTimeFormat(TdxTimeEditFormat value) {
  return ByPosition(value, {editors::TTimeEditFormat::tfHourMinSec,
                            editors::TTimeEditFormat::tfHourMin, editors::TTimeEditFormat::tfHour});
}

editors::TdxEditButtonStyle EditorButtonStyle(TdxButtonStyle value) {
  return ByPosition(value,
                    {editors::TdxEditButtonStyle::bts3D, editors::TdxEditButtonStyle::btsFlat,
                     editors::TdxEditButtonStyle::btsHotFlat});
}

}  // namespace

const framework::TClassInfo& TdxTreeListDateColumn::StaticClassInfo() {
  using C = TdxTreeListDateColumn;
  using E = editors::TdxInplaceDateEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListDateColumn")
          .Set("DateButtons", &C::DateButtons, &C::SetDateButtons, {"btnToday", "btnClear"},
               editors::btnToday | editors::btnClear)
          .To(&E::DateButtons)
          .Enum("DateOnError", &C::DateOnError, &C::SetDateOnError, {"deToday", "deNull"},
                TDateOnError::deToday)
          .To(&E::DateOnError, EditorDateOnError)
          .Bool("DateValidation", &C::DateValidation, &C::SetDateValidation, false)
          .To(&E::DateValidation)
          .Publish("PopupAlignment")
          .Publish("PopupBorder")
          .Bool("SaveTime", &C::SaveTime, &C::SetSaveTime, true)
          .To(&E::SaveTime)
          .Bool("UseEditMask", &C::UseEditMask, &C::SetUseEditMask, false)
          .To(&E::SetUseEditMask)
          .Event("OnDateValidateInput", &C::OnDateValidateInput);
  return info;
}

const editors::TdxInplaceEditClass& TdxTreeListDateColumn::GetEditorClass() const {
  return TdxInplaceTreeListDateEdit::EditorClass();
}

void TdxTreeListDateColumn::InitMore(editors::TdxInplaceDateEdit& editor) {
  editor.OnValidateInput = [this](framework::TComponent*, const std::wstring& text, double& value,
                                  std::wstring& message, bool& error) {
    OnDateValidateInput(this, text, value, message, error);
  };
}

// ---- time ----------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListTimeColumn::StaticClassInfo() {
  using C = TdxTreeListTimeColumn;
  using E = editors::TdxInplaceTimeEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListTimeColumn")
          .Enum("TimeEditFormat", &C::TimeEditFormat, &C::SetTimeEditFormat,
                {"tfHourMinSec", "tfHourMin", "tfHour"}, TdxTimeEditFormat::tfHourMinSec)
          .To(&E::SetTimeEditFormat, EditorTimeFormat)
          .Bool("UseCtrlIncrement", &C::UseCtrlIncrement, &C::SetUseCtrlIncrement, false)
          .To(&E::UseCtrlIncrement);
  return info;
}

const editors::TdxInplaceEditClass& TdxTreeListTimeColumn::GetEditorClass() const {
  return TdxInplaceTreeListTimeEdit::EditorClass();
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
  using E = editors::TdxInplaceSpinEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListSpinColumn")
          .Bool("EditorEnabled", &C::EditorEnabled, &C::SetEditorEnabled, true)
          .To(&E::EditorEnabled)
          .Float("Increment", &C::Increment, &C::SetIncrement, 1.0)
          .To(&E::Increment)
          .Float("MinValue", &C::MinValue, &C::SetMinValue, 0.0)
          .Float("MaxValue", &C::MaxValue, &C::SetMaxValue, 0.0)
          .Enum("ShowButtonStyle", &C::ShowButtonStyle, &C::SetShowButtonStyle,
                {"sbDefault", "sbAlways", "sbNone"}, TdxShowButtonStyle::sbDefault)
          .Bool("UseCtrlIncrement", &C::UseCtrlIncrement, &C::SetUseCtrlIncrement, false)
          .To(&E::UseCtrlIncrement)
          .Enum("ValueType", &C::ValueType, &C::SetValueType, {"vtInt", "vtFloat"},
                TdxSpinEditValueType::vtInt)
          .To(&E::SetValueType);
  return info;
}

void TdxTreeListSpinColumn::SetShowButtonStyle(TdxShowButtonStyle value) {
  if (show_button_style_ == value) return;
  show_button_style_ = value;
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListSpinColumn::GetEditorClass() const {
  return TdxInplaceTreeListSpinEdit::EditorClass();
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
  using E = editors::TdxInplaceCalcEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListCalcColumn")
          .Bool("BeepOnError", &C::BeepOnError, &C::SetBeepOnError, true)
          .To(&E::BeepOnError)
          .Enum("ButtonStyle", &C::ButtonStyle, &C::SetButtonStyle,
                {"bsStandard", "bsFlat", "bsExtraFlat"}, TdxButtonStyle::bsStandard)
          .To(&E::ButtonStyle, EditorButtonStyle)
          .Publish("PopupAlignment")
          .Publish("PopupBorder")
          .Int("Precision", &C::Precision, &C::SetPrecision, uint8_t{13})
          .To(&E::Precision)
          .Bool("QuickClose", &C::QuickClose, &C::SetQuickClose, false)
          .To(&E::QuickClose)
          .Bool("ShowButtonFrame", &C::ShowButtonFrame, &C::SetShowButtonFrame, false)
          .To(&E::ShowButtonFrame);
  return info;
}

const editors::TdxInplaceEditClass& TdxTreeListCalcColumn::GetEditorClass() const {
  return TdxInplaceTreeListCalcEdit::EditorClass();
}

// ---- currency ------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListCurrencyColumn::StaticClassInfo() {
  using C = TdxTreeListCurrencyColumn;
  using E = editors::TdxInplaceCurrencyEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListCurrencyColumn")
          .Int("DecimalPlaces", &C::DecimalPlaces, &C::SetDecimalPlaces, 2u)
          .To(&E::DecimalPlaces)
          .WideString("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat)
          .NoDefault()
          .StoredIf(&C::IsDisplayFormatStored)
          .Float("MinValue", &C::MinValue, &C::SetMinValue, 0.0)
          .Float("MaxValue", &C::MaxValue, &C::SetMaxValue, 0.0)
          .Bool("UseThousandSeparator", &C::UseThousandSeparator, &C::SetUseThousandSeparator,
                false)
          .To(&E::UseThousandSeparator);
  return info;
}

TdxTreeListCurrencyColumn::TdxTreeListCurrencyColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner), display_format_(editors::BuildCurrencyFormat()) {}

void TdxTreeListCurrencyColumn::SetDisplayFormat(const std::wstring& value) {
  if (display_format_ == value) return;
  display_format_ = value;
  display_format_set_ = true;
  Changed();
}

void TdxTreeListCurrencyColumn::RestoreMore() {
  display_format_ = editors::BuildCurrencyFormat();
  display_format_set_ = false;
}

void TdxTreeListCurrencyColumn::SettingsChanged() {
  if (display_format_set_) return;
  display_format_ = editors::BuildCurrencyFormat();
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListCurrencyColumn::GetEditorClass() const {
  return TdxInplaceTreeListCurrencyEdit::EditorClass();
}

void TdxTreeListCurrencyColumn::InitMore(editors::TdxInplaceCurrencyEdit& editor) {
  editor.SetDisplayFormat(std::wstring());
  editor.SetMinMaxValues(min_value_, max_value_);
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
