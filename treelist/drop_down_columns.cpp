// The drop-down, pick and most-recently-used columns.
#include "treelist/drop_down_columns.h"

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

const framework::TClassInfo& TdxTreeListDropDownColumn::StaticClassInfo() {
  using C = TdxTreeListDropDownColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListDropDownColumn")
          .Enum("ShowButtonStyle", &C::ShowButtonStyle, &C::SetShowButtonStyle, kShowButtonNames,
                TdxShowButtonStyle::sbDefault)
          .Event("OnEditButtonClick", &C::OnEditButtonClick);
  return info;
}

TdxTreeListDropDownColumn::TdxTreeListDropDownColumn(framework::TComponent* owner)
    : TdxTreeListColumn(owner) {}

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

void TdxTreeListDropDownColumn::Assign(const TdxTreeListColumn& source) {
  const auto* drop = dynamic_cast<const TdxTreeListDropDownColumn*>(&source);
  if (!drop) return TdxTreeListColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListColumn::Assign(source);
    drop_down_rows_ = drop->drop_down_rows_;
    drop_down_width_ = drop->drop_down_width_;
    immediate_drop_down_ = drop->immediate_drop_down_;
    immediate_popup_ = drop->immediate_popup_;
    popup_alignment_ = drop->popup_alignment_;
    popup_border_ = drop->popup_border_;
    SetShowButtonStyle(drop->show_button_style_);
  });
}

void TdxTreeListDropDownColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  drop_down_rows_ = 7;
  drop_down_width_ = 0;
  immediate_drop_down_ = immediate_popup_ = false;
  popup_alignment_ = framework::TAlignment::taLeftJustify;
  popup_border_ = TdxPopupBorder::pbDefault;
  show_button_style_ = TdxShowButtonStyle::sbDefault;
}

const editors::TdxInplaceEditClass& TdxTreeListDropDownColumn::GetEditorClass() const {
  const TCustomdxTreeListControl* grid = TreeList();
  if (!grid) grid = dynamic_cast<const TCustomdxTreeListControl*>(Owner());
  if (grid && grid->EnableUnicodeSupport()) return TdxInplaceTreeListDropDownEditW::EditorClass();
  return TdxInplaceTreeListDropDownEdit::EditorClass();
}

void TdxTreeListDropDownColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  auto* drop = dynamic_cast<editors::TdxInplaceDropDownEdit*>(&editor);
  if (!drop || IsWideComboBox(editor)) return;
  drop->SetButtonGlyph(button_glyph_ ? button_glyph_->Handle() : nullptr);
  drop->DropDownRows = drop_down_rows_;
  drop->DropDownWidth = drop_down_width_;
  drop->ImmediateDropDown = immediate_drop_down_;
  drop->ImmediatePopup = immediate_popup_;
  switch (popup_alignment_) {
    case framework::TAlignment::taLeftJustify:
      drop->PopupAlignment = editors::TdxPopupAlignment::Left;
      break;
    case framework::TAlignment::taRightJustify:
      drop->PopupAlignment = editors::TdxPopupAlignment::Right;
      break;
    case framework::TAlignment::taCenter:
      drop->PopupAlignment = editors::TdxPopupAlignment::Center;
      break;
  }
  drop->PopupBorder = popup_border_ != TdxPopupBorder::pbFlat;
  drop->OnCloseUp = [this](framework::TComponent*, std::wstring& text, bool& accept) {
    DoCloseUp(text, accept);
  };
  drop->OnEditButtonClick = [this](framework::TComponent*) { DoEditButtonClick(); };
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
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListPickColumn")
          .Bool("CanDeleteText", &C::CanDeleteText, &C::SetCanDeleteText, false)
          .Bool("CaseSensitive", &C::CaseSensitive, &C::SetCaseSensitive, false)
          .Int("DropDownRows", &C::DropDownRows, &C::SetDropDownRows, 7)
          .Bool("DropDownListStyle", &C::DropDownListStyle, &C::SetDropDownListStyle, false)
          .Int("DropDownWidth", &C::DropDownWidth, &C::SetDropDownWidth, 0)
          .Bool("ImmediateDropDown", &C::ImmediateDropDown, &C::SetImmediateDropDown, true)
          .Strings("Items", &C::Items, &C::SetItems)
          .Bool("ItemsSorted", &C::ItemsSorted, &C::SetItemsSorted, false)
          .Enum("PopupAlignment", &C::PopupAlignment, &C::SetPopupAlignment, kAlignmentNames,
                framework::TAlignment::taLeftJustify)
          .Enum("PopupBorder", &C::PopupBorder, &C::SetPopupBorder, kPopupBorderNames,
                TdxPopupBorder::pbDefault)
          .Bool("Revertable", &C::Revertable, &C::SetRevertable, false)
          .Event("OnCloseUp", &C::OnCloseUp);
  return info;
}

TdxTreeListPickColumn::TdxTreeListPickColumn(framework::TComponent* owner)
    : TdxTreeListDropDownColumn(owner) {
  SetImmediateDropDown(true);
}

void TdxTreeListPickColumn::SetItems(const std::vector<std::string>& value) {
  items_ = value;
  Changed();
}

void TdxTreeListPickColumn::Assign(const TdxTreeListColumn& source) {
  const auto* pick = dynamic_cast<const TdxTreeListPickColumn*>(&source);
  if (!pick) return TdxTreeListDropDownColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListDropDownColumn::Assign(source);
    drop_down_list_style_ = pick->drop_down_list_style_;
    items_ = pick->items_;
    can_delete_text_ = pick->can_delete_text_;
    revertable_ = pick->revertable_;
  });
}

void TdxTreeListPickColumn::RestoreDefaults() {
  TdxTreeListDropDownColumn::RestoreDefaults();
  drop_down_list_style_ = false;
  SetImmediateDropDown(true);
  items_sorted_ = can_delete_text_ = revertable_ = false;
}

const editors::TdxInplaceEditClass& TdxTreeListPickColumn::GetEditorClass() const {
  const TCustomdxTreeListControl* grid = TreeList();
  if (!grid) grid = dynamic_cast<const TCustomdxTreeListControl*>(Owner());
  if (grid && grid->EnableUnicodeSupport()) return TdxInplaceTreeListPickEditW::EditorClass();
  return TdxInplaceTreeListPickEdit::EditorClass();
}

void TdxTreeListPickColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListDropDownColumn::InitEditor(editor);
  if (auto* combo = dynamic_cast<editors::TXPDXCustomComboBox*>(&editor)) {
    combo->SetCaseSensitive(case_sensitive_);
    combo->SetItems(WideItems(items_));
    combo->SetSorted(items_sorted_);
  } else if (auto* pick = dynamic_cast<editors::TdxInplacePickEdit*>(&editor)) {
    pick->SetCaseSensitive(case_sensitive_);
    pick->SetDropDownListStyle(drop_down_list_style_);
    pick->SetItems(items_);
    pick->CanDeleteText = can_delete_text_;
    pick->Revertable = revertable_;
    pick->SetItemsSorted(items_sorted_);
  }
}

void TdxTreeListPickColumn::DoCloseUp(std::wstring& text, bool& accept) {
  framework::Variant value(text);
  OnCloseUp(this, value, accept);
  text = value.ToString();
}

// ---- most recently used --------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListMRUColumn::StaticClassInfo() {
  using C = TdxTreeListMRUColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListPickColumn>("TdxTreeListMRUColumn")
          .Bool("ImmediateDropDown", &C::ImmediateDropDown, &C::SetImmediateDropDown, false)
          .Int("MaxItemCount", &C::MaxItemCount, &C::SetMaxItemCount, 7)
          .Bool("ShowEllipsis", &C::ShowEllipsis, &C::SetShowEllipsis, true)
          .Event("OnButtonClick", &C::OnButtonClick);
  return info;
}

TdxTreeListMRUColumn::TdxTreeListMRUColumn(framework::TComponent* owner)
    : TdxTreeListPickColumn(owner) {
  SetImmediateDropDown(false);
}

void TdxTreeListMRUColumn::SetShowEllipsis(bool value) {
  if (show_ellipsis_ == value) return;
  show_ellipsis_ = value;
  Changed();
}

void TdxTreeListMRUColumn::Assign(const TdxTreeListColumn& source) {
  const auto* mru = dynamic_cast<const TdxTreeListMRUColumn*>(&source);
  if (!mru) return TdxTreeListPickColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListPickColumn::Assign(source);
    max_item_count_ = mru->max_item_count_;
    SetShowEllipsis(mru->show_ellipsis_);
  });
}

void TdxTreeListMRUColumn::RestoreDefaults() {
  TdxTreeListPickColumn::RestoreDefaults();
  max_item_count_ = 7;
  show_ellipsis_ = true;
}

const editors::TdxInplaceEditClass& TdxTreeListMRUColumn::GetEditorClass() const {
  return TdxInplaceTreeListMRUEdit::EditorClass();
}

void TdxTreeListMRUColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListPickColumn::InitEditor(editor);
  if (auto* mru = dynamic_cast<editors::TdxInplaceMRUEdit*>(&editor)) {
    mru->SetMaxItemCount(max_item_count_);
    mru->SetShowEllipsis(show_ellipsis_);
    mru->OnMRUButtonClick = [this](framework::TComponent*) { DoButtonClick(); };
  }
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
