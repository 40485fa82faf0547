// The drop-down, pick and most-recently-used columns.
#include "treelist/columns/drop_down_columns.h"

#include "framework/win/text.h"

namespace treelist {
namespace {

const std::vector<std::string> kShowButtonNames = {"sbDefault", "sbAlways", "sbNone"};
const std::vector<std::string> kAlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kPopupBorderNames = {"pbDefault", "pbSingle", "pbFrame3D", "pbFlat"};

std::vector<std::string> NarrowItems(const std::vector<std::wstring>& items) {
  std::vector<std::string> narrow;
  narrow.reserve(items.size());
  for (const std::wstring& item : items) narrow.push_back(win::Narrow(item));
  return narrow;
}

std::vector<std::wstring> WideItems(const std::vector<std::string>& items) {
  std::vector<std::wstring> wide;
  wide.reserve(items.size());
  for (const std::string& item : items) wide.push_back(win::Widen(item));
  return wide;
}

bool IsWideComboBox(const editors::TdxInplaceEdit& editor) {
  return editor.InheritsFrom(editors::TXPDXCustomComboBox::EditorClass());
}

}  // namespace

// ---- edit buttons --------------------------------------------------------------------------

bool ShowsEditButton(TdxShowButtonStyle style, const TCustomdxTreeListControl* grid,
                     const TdxTreeListNode* node) {
  if (style == TdxShowButtonStyle::sbNone) return false;
  if (!grid || !(grid->OptionsEx() & aoShowButtonAlways)) return false;
  return style == TdxShowButtonStyle::sbAlways || (node && node == grid->GetFocusedNode());
}

bool HasEditButton(TdxShowButtonStyle style, bool disable_editor,
                   const TCustomdxTreeListControl* grid) {
  if (disable_editor || style == TdxShowButtonStyle::sbNone) return false;
  if (style == TdxShowButtonStyle::sbAlways) return true;
  return grid && (grid->OptionsEx() & aoShowButtonAlways);
}

// ---- drop-down -----------------------------------------------------------------------------

namespace {

editors::TdxPopupAlignment EditorPopupAlignment(framework::TAlignment alignment) {
  return ByPosition(alignment, {editors::TdxPopupAlignment::Left, editors::TdxPopupAlignment::Right,
                                editors::TdxPopupAlignment::Center});
}

}  // namespace

const framework::TClassInfo& TdxTreeListDropDownColumn::StaticClassInfo() {
  using C = TdxTreeListDropDownColumn;
  using E = editors::TdxInplaceDropDownEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListDropDownColumn")
          .Int("DropDownRows", &C::DropDownRows, &C::SetDropDownRows, 7)
          .Unpublished()
          .To(&E::DropDownRows)
          .Int("DropDownWidth", &C::DropDownWidth, &C::SetDropDownWidth, 0)
          .Unpublished()
          .To(&E::DropDownWidth)
          .Bool("ImmediateDropDown", &C::ImmediateDropDown, &C::SetImmediateDropDown, false)
          .Unpublished()
          .To(&E::ImmediateDropDown)
          .Bool("ImmediatePopup", &C::ImmediatePopup, &C::SetImmediatePopup, false)
          .Unpublished()
          .To(&E::ImmediatePopup)
          .Enum("PopupAlignment", &C::PopupAlignment, &C::SetPopupAlignment, kAlignmentNames,
                framework::TAlignment::taLeftJustify)
          .Unpublished()
          .To(&E::PopupAlignment, EditorPopupAlignment)
          .Enum("PopupBorder", &C::PopupBorder, &C::SetPopupBorder, kPopupBorderNames,
                TdxPopupBorder::pbDefault)
          .Unpublished()
          .To(&E::PopupBorder)
          .Enum("ShowButtonStyle", &C::ShowButtonStyle, &C::SetShowButtonStyle, kShowButtonNames,
                TdxShowButtonStyle::sbDefault)
          .Event("OnEditButtonClick", &C::OnEditButtonClick);
  return info;
}

framework::TBitmap& TdxTreeListDropDownColumn::ButtonGlyph() {
  if (!button_glyph_) button_glyph_ = std::make_unique<framework::TBitmap>();
  return *button_glyph_;
}

void TdxTreeListDropDownColumn::SetButtonGlyph(const framework::TBitmap* value) {
  if (value && !value->Empty()) {
    ButtonGlyph().Assign(*value);
  } else {
    button_glyph_.reset();
  }
  Changed();
}

HBITMAP TdxTreeListDropDownColumn::StoredButtonGlyph() const {
  return button_glyph_ && !button_glyph_->Empty() ? button_glyph_->Handle() : nullptr;
}

void TdxTreeListDropDownColumn::SetShowButtonStyle(TdxShowButtonStyle value) {
  if (show_button_style_ == value) return;
  show_button_style_ = value;
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListDropDownColumn::GetEditorClass() const {
  const TCustomdxTreeListControl* grid = TreeList();
  if (!grid) grid = dynamic_cast<const TCustomdxTreeListControl*>(Owner());
  if (grid && grid->EnableUnicodeSupport()) return TdxInplaceTreeListDropDownEditW::EditorClass();
  return TdxInplaceTreeListDropDownEdit::EditorClass();
}

void TdxTreeListDropDownColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  if (IsWideComboBox(editor)) return TdxTreeListColumn::InitEditor(editor);
  TdxDescribedColumn::InitEditor(editor);
}

void TdxTreeListDropDownColumn::InitMore(editors::TdxInplaceDropDownEdit& editor) {
  editor.SetButtonGlyph(button_glyph_ ? button_glyph_->Handle() : nullptr);
  editor.OnCloseUp = [this](framework::TComponent*, std::wstring& text, bool& accept) {
    DoCloseUp(text, accept);
  };
  editor.OnEditButtonClick = [this](framework::TComponent*) { DoEditButtonClick(); };
}

framework::Variant TdxTreeListDropDownColumn::LoadEditorValue(TdxTreeListNode* node,
                                                              editors::TdxInplaceEdit& editor) {
  if (!IsWideComboBox(editor)) return TdxTreeListColumn::LoadEditorValue(node, editor);
  editor.SetText(GetCellText(node));
  return framework::Variant(editor.Text());
}

void TdxTreeListDropDownColumn::PrepareViewData(editors::TdxEditViewData& data,
                                                const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  if (auto* drop = dynamic_cast<editors::TdxDropDownEditViewData*>(&data)) {
    drop->ButtonGlyph = StoredButtonGlyph();
    drop->HideButton = !ShowsButton(cell.node);
  }
}

bool TdxTreeListDropDownColumn::HasButtonAt(int, int, bool) {
  return HasEditButton(show_button_style_, DisableEditor(), TreeList());
}

bool TdxTreeListDropDownColumn::ShowsButton(const TdxTreeListNode* node) const {
  return ShowsEditButton(show_button_style_, TreeList(), node);
}

void TdxTreeListDropDownColumn::DoCloseUp(std::wstring&, bool&) {}

// ---- pick ----------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListPickColumn::StaticClassInfo() {
  using C = TdxTreeListPickColumn;
  using E = editors::TdxInplacePickEdit;
  // The list's case sensitivity and sorting are the editor's alone: copies keep their own.
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListPickColumn")
          .Bool("CanDeleteText", &C::CanDeleteText, &C::SetCanDeleteText, false)
          .To(&E::CanDeleteText)
          .Bool("CaseSensitive", &C::CaseSensitive, &C::SetCaseSensitive, false)
          .NotCopied()
          .NotRestored()
          .To(&E::SetCaseSensitive)
          .Publish("DropDownRows")
          .Bool("DropDownListStyle", &C::DropDownListStyle, &C::SetDropDownListStyle, false)
          .To(&E::SetDropDownListStyle)
          .Publish("DropDownWidth")
          .Publish("ImmediateDropDown", true)
          .Strings("Items", &C::Items, &C::SetItems)
          .NotRestored()
          .To(&E::SetItems)
          .Bool("ItemsSorted", &C::ItemsSorted, &C::SetItemsSorted, false)
          .NotCopied()
          .To(&E::SetItemsSorted)
          .Publish("PopupAlignment")
          .Publish("PopupBorder")
          .Bool("Revertable", &C::Revertable, &C::SetRevertable, false)
          .To(&E::Revertable)
          .Event("OnCloseUp", &C::OnCloseUp);
  return info;
}

TdxTreeListPickColumn::TdxTreeListPickColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner) {
  SetImmediateDropDown(true);
}

void TdxTreeListPickColumn::SetItems(const std::vector<std::string>& value) {
  items_ = value;
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListPickColumn::GetEditorClass() const {
  const TCustomdxTreeListControl* grid = TreeList();
  if (!grid) grid = dynamic_cast<const TCustomdxTreeListControl*>(Owner());
  if (grid && grid->EnableUnicodeSupport()) return TdxInplaceTreeListPickEditW::EditorClass();
  return TdxInplaceTreeListPickEdit::EditorClass();
}

void TdxTreeListPickColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  auto* combo = dynamic_cast<editors::TXPDXCustomComboBox*>(&editor);
  if (!combo) return TdxDescribedColumn::InitEditor(editor);
  TdxTreeListDropDownColumn::InitEditor(editor);
  combo->SetCaseSensitive(case_sensitive_);
  combo->SetItems(WideItems(items_));
  combo->SetSorted(items_sorted_);
}

void TdxTreeListPickColumn::DoCloseUp(std::wstring& text, bool& accept) {
  framework::Variant value(text);
  OnCloseUp(this, value, accept);
  text = value.ToString();
}

// ---- most recently used --------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListMRUColumn::StaticClassInfo() {
  using C = TdxTreeListMRUColumn;
  using E = editors::TdxInplaceMRUEdit;
  // Restoring defaults leaves the pick column's immediate drop-down, unlike a new column's.
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListPickColumn>("TdxTreeListMRUColumn")
          .Publish("ImmediateDropDown", false)
          .NotRestored()
          .Int("MaxItemCount", &C::MaxItemCount, &C::SetMaxItemCount, 7)
          .To(&E::SetMaxItemCount)
          .Bool("ShowEllipsis", &C::ShowEllipsis, &C::SetShowEllipsis, true)
          .To(&E::SetShowEllipsis)
          .Event("OnButtonClick", &C::OnButtonClick);
  return info;
}

TdxTreeListMRUColumn::TdxTreeListMRUColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner) {
  SetImmediateDropDown(false);
}

void TdxTreeListMRUColumn::SetShowEllipsis(bool value) {
  if (show_ellipsis_ == value) return;
  show_ellipsis_ = value;
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListMRUColumn::GetEditorClass() const {
  return TdxInplaceTreeListMRUEdit::EditorClass();
}

framework::Variant TdxTreeListMRUColumn::SaveEditorValue(TdxTreeListNode* node,
                                                         editors::TdxInplaceEdit& editor) {
  framework::Variant value = TdxTreeListPickColumn::SaveEditorValue(node, editor);
  if (auto* mru = dynamic_cast<editors::TdxInplaceMRUEdit*>(&editor)) {
    SetItemsSilently(NarrowItems(mru->Items()));
  }
  return value;
}

void TdxTreeListMRUColumn::PrepareViewData(editors::TdxEditViewData& data,
                                           const TdxCellViewInfo& cell) {
  TdxTreeListPickColumn::PrepareViewData(data, cell);
  if (auto* mru = dynamic_cast<editors::TdxMRUEditViewData*>(&data)) {
    mru->ShowEllipsis = show_ellipsis_;
  }
}

}  // namespace treelist
