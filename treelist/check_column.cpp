// The check column.
#include "treelist/check_column.h"

#include "framework/win/text.h"
#include "treelist/typed_columns.h"

namespace treelist {
namespace {

const std::vector<std::string> kNullStyleNames = {"nsUnchecked", "nsInactive", "nsGrayedChecked"};

}  // namespace

const framework::TClassInfo& TdxTreeListCheckColumn::StaticClassInfo() {
  using C = TdxTreeListCheckColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListCheckColumn")
          .Bool("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed, false)
          .Bool("Border3D", &C::Border3D, &C::SetBorder3D, false)
          .Int("GlyphCount", &C::GlyphCount, &C::SetGlyphCount, 6)
          .Int("MinWidth", &C::MinWidth, &C::SetMinWidth, 16)
          .Enum("ShowNullFieldStyle", &C::ShowNullFieldStyle, &C::SetShowNullFieldStyle,
                kNullStyleNames, TdxShowNullFieldStyle::nsUnchecked)
          .String("ValueChecked", &C::ValueChecked, &C::SetValueChecked, DefaultValueChecked())
          .String("ValueGrayed", &C::ValueGrayed, &C::SetValueGrayed)
          .String("ValueUnchecked", &C::ValueUnchecked, &C::SetValueUnchecked,
                  DefaultValueUnchecked())
          .Event("OnToggleClick", &C::OnToggleClick);
  return info;
}

TdxTreeListCheckColumn::TdxTreeListCheckColumn(framework::TComponent* owner)
    : TdxTreeListColumn(owner),
      texts_{DefaultValueChecked(), DefaultValueUnchecked(), std::string()} {
  SetMinWidth(16);
}

void TdxTreeListCheckColumn::SetBorder3D(bool value) { Store(border_3d_, value); }

framework::TBitmap& TdxTreeListCheckColumn::Glyph() {
  if (!glyph_) glyph_ = std::make_unique<framework::TBitmap>();
  return *glyph_;
}

void TdxTreeListCheckColumn::SetGlyph(const framework::TBitmap* value) {
  if (value) {
    Glyph().Assign(*value);
  } else {
    glyph_.reset();
  }
  Changed();
}

void TdxTreeListCheckColumn::SetGlyphCount(int value) {
  if (glyph_count_ == value) return;
  glyph_count_ = value;
  if (glyph_) Changed();
}

void TdxTreeListCheckColumn::SetShowNullFieldStyle(TdxShowNullFieldStyle value) {
  Store(null_style_, value);
}

void TdxTreeListCheckColumn::SetValueChecked(const std::string& value) {
  Store(texts_.checked, value);
}

void TdxTreeListCheckColumn::SetValueGrayed(const std::string& value) {
  Store(texts_.grayed, value);
}

void TdxTreeListCheckColumn::SetValueUnchecked(const std::string& value) {
  Store(texts_.unchecked, value);
}

void TdxTreeListCheckColumn::Assign(const TdxTreeListColumn& source) {
  const auto* check = dynamic_cast<const TdxTreeListCheckColumn*>(&source);
  if (!check) return TdxTreeListColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListColumn::Assign(source);
    allow_grayed_ = check->allow_grayed_;
    SetBorder3D(check->border_3d_);
    if (check->glyph_) SetGlyph(check->glyph_.get());
    SetGlyphCount(check->glyph_count_);
    SetShowNullFieldStyle(check->null_style_);
    SetValueChecked(check->texts_.checked);
    SetValueGrayed(check->texts_.grayed);
    SetValueUnchecked(check->texts_.unchecked);
  });
}

void TdxTreeListCheckColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  SetMinWidth(16);
  allow_grayed_ = false;
  border_3d_ = false;
  glyph_.reset();
  glyph_count_ = 6;
  null_style_ = TdxShowNullFieldStyle::nsUnchecked;
  texts_.checked = DefaultValueChecked();
  texts_.unchecked = DefaultValueUnchecked();
  texts_.grayed.clear();
  Changed();
}

std::wstring TdxTreeListCheckColumn::GetDisplayText(TdxTreeListNode*,
                                                    const std::wstring& source) const {
  return win::Widen(StateToText(TextToState(source)));
}

const editors::TdxInplaceEditClass& TdxTreeListCheckColumn::GetEditorClass() const {
  return TdxInplaceTreeListCheckEdit::EditorClass();
}

editors::TdxEditButtonStyle TdxTreeListCheckColumn::BoxStyle() const {
  return border_3d_ ? editors::TdxEditButtonStyle::bts3D : editors::TdxEditButtonStyle::btsSimple;
}

HBITMAP TdxTreeListCheckColumn::GlyphHandle() {
  framework::TBitmap& glyph = Glyph();
  return glyph.Empty() ? nullptr : glyph.Handle();
}

void TdxTreeListCheckColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  auto* check = dynamic_cast<editors::TdxInplaceCheckEdit*>(&editor);
  if (!check) return;
  check->SetAlignment(framework::TAlignment::taCenter);
  check->AllowGrayed = allow_grayed_;
  if (check->Style()) check->Style()->SetButtonStyle(BoxStyle());
  check->SetGlyph(GlyphHandle());
  check->SetGlyphCount(glyph_count_);
  check->SetShowNullFieldStyle(null_style_);
}

framework::Variant TdxTreeListCheckColumn::LoadEditorValue(TdxTreeListNode* node,
                                                           editors::TdxInplaceEdit& editor) {
  framework::Variant value = TdxTreeListColumn::LoadEditorValue(node, editor);
  if (auto* check = dynamic_cast<editors::TdxInplaceCheckEdit*>(&editor)) {
    check->SetState(TextToState(value.ToString()));
  }
  return value;
}

framework::Variant TdxTreeListCheckColumn::SaveEditorValue(TdxTreeListNode* node,
                                                           editors::TdxInplaceEdit& editor) {
  TCustomdxTreeListControl* grid = TreeList();
  if (!grid) return {};
  if (auto* check = dynamic_cast<editors::TdxInplaceCheckEdit*>(&editor)) {
    grid->SetNodeString(node, GetDataIndex(), win::Widen(StateToText(check->State())));
  }
  return grid->GetNodeValue(node, GetDataIndex());
}

void TdxTreeListCheckColumn::DoChange() {
  TdxTreeListColumn::DoChange();
  TCustomdxTreeListControl* grid = TreeList();
  // Filling the editor is no toggle.
  if (!grid || grid->LockUpdate() || grid->EditorUpdating() || !OnToggleClick) return;
  if (auto* check = dynamic_cast<editors::TdxInplaceCheckEdit*>(grid->InplaceEditor())) {
    OnToggleClick(this, StateToText(check->State()), check->State());
  }
}

void TdxTreeListCheckColumn::PrepareViewData(editors::TdxEditViewData& data,
                                             const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  auto* check = dynamic_cast<editors::TdxCheckEditViewData*>(&data);
  if (!check) return;
  // The node's own text, not the display text the grid may have put in the cell.
  const TdxCheckBoxState state = TextToState(cell.node ? GetCellText(cell.node) : cell.text);
  check->Value = framework::Variant(static_cast<int>(state));
  check->State = state;
  check->Alignment = framework::TAlignment::taCenter;
  check->ButtonStyle = BoxStyle();
  check->Glyph = GlyphHandle();
  check->GlyphCount = glyph_count_;
  check->ShowNullFieldStyle = null_style_;
}

int TdxTreeListCheckColumn::GetMinCellHeight() {
  int width = 0, height = 0;
  // A count of 0 or less uses the system box: the glyph is never divided by it.
  editors::GetCheckGlyphSize(glyph_ ? GlyphHandle() : nullptr, glyph_count_, width, height);
  return height + 2;
}

}  // namespace treelist
