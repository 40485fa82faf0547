// The check column.
#include "treelist/columns/check_column.h"

#include "framework/win/text.h"
#include "treelist/columns/typed_columns.h"

namespace treelist {
namespace {

const std::vector<std::string> kNullStyleNames = {"nsUnchecked", "nsInactive", "nsGrayedChecked"};

}  // namespace

const framework::TClassInfo& TdxTreeListCheckColumn::StaticClassInfo() {
  using C = TdxTreeListCheckColumn;
  using E = editors::TdxInplaceCheckEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListCheckColumn")
          .Bool("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed, false)
          .To(&E::AllowGrayed)
          .Bool("Border3D", &C::Border3D, &C::SetBorder3D, false)
          .Int("GlyphCount", &C::GlyphCount, &C::SetGlyphCount, 6)
          .To(&E::SetGlyphCount)
          .Publish("MinWidth", int64_t{16})
          .Enum("ShowNullFieldStyle", &C::ShowNullFieldStyle, &C::SetShowNullFieldStyle,
                kNullStyleNames, TdxShowNullFieldStyle::nsUnchecked)
          .To(&E::SetShowNullFieldStyle)
          .String("ValueChecked", &C::ValueChecked, &C::SetValueChecked, DefaultValueChecked())
          .String("ValueGrayed", &C::ValueGrayed, &C::SetValueGrayed)
          .String("ValueUnchecked", &C::ValueUnchecked, &C::SetValueUnchecked,
                  DefaultValueUnchecked())
          .Event("OnToggleClick", &C::OnToggleClick);
  return info;
}

TdxTreeListCheckColumn::TdxTreeListCheckColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner),
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

void TdxTreeListCheckColumn::AssignMore(const TdxTreeListCheckColumn& source) {
  if (source.glyph_) SetGlyph(source.glyph_.get());
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

void TdxTreeListCheckColumn::InitMore(editors::TdxInplaceCheckEdit& editor) {
  editor.SetAlignment(framework::TAlignment::taCenter);
  if (editor.Style()) editor.Style()->SetButtonStyle(BoxStyle());
  editor.SetGlyph(GlyphHandle());
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
