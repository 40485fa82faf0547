// The grid's column.
#include "treelist/columns/column.h"

#include <algorithm>

#include "editors/editor_class.h"
#include "editors/gdi_scope.h"
#include "framework/win/text.h"
#include "treelist/columns/tree_list_control.h"
#include "treelist/columns/typed_columns.h"

namespace treelist {

const editors::TdxInplaceEditClass& TdxInplaceTreeListTextEdit::EditorClass() {
  static const editors::TdxInplaceEditClass info =
      editors::EditorClassRecord<TdxInplaceTreeListTextEdit, editors::TdxTextEditViewData>(
          "TdxInplaceTreeListTextEdit", TdxInplaceTextEdit::EditorClass());
  return info;
}

// The grid without columns edits its cells in the narrow text editor.
editors::TdxInplaceEdit* TCustomdxTreeList::CreateEditor(int) {
  return new TdxInplaceTreeListTextEdit(this);
}

const editors::TdxInplaceEditClass& TdxInplaceTreeListTextEditW::EditorClass() {
  static const editors::TdxInplaceEditClass info =
      editors::EditorClassRecord<TdxInplaceTreeListTextEditW, editors::TdxTextEditViewData>(
          "TdxInplaceTreeListTextEditW", TdxInplaceTextEdit::EditorClass());
  return info;
}

const editors::TdxInplaceEditClass& TdxInplaceTreeListMaskEdit::EditorClass() {
  static const editors::TdxInplaceEditClass info =
      editors::EditorClassRecord<TdxInplaceTreeListMaskEdit, editors::TdxTextEditViewData>(
          "TdxInplaceTreeListMaskEdit", TdxInplaceMaskEdit::EditorClass());
  return info;
}

namespace {

const std::vector<std::string> kAlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kCharCaseNames = {"ecNormal", "ecUpperCase", "ecLowerCase"};
const std::vector<std::string> kLayoutNames = {"tlTop", "tlCenter", "tlBottom"};
const std::vector<std::string> kSortNames = {"csNone", "csDown", "csUp"};

COLORREF ResolvedColor(framework::TColor color) { return framework::ColorToRGB(color); }

}  // namespace

const framework::TClassInfo& TdxTreeListColumn::StaticClassInfo() {
  using C = TdxTreeListColumn;
  using framework::TAlignment;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, framework::TComponent>("TdxTreeListColumn")
          .Enum("Alignment", &C::Alignment, &C::SetAlignment, kAlignmentNames,
                TAlignment::taLeftJustify)
          .NoDefault()
          .StoredIf(&C::IsAlignmentStored)
          .WideString("Caption", &C::Caption, &C::SetPublishedCaption)
          .NoDefault()
          .Enum("CharCase", &C::CharCase, &C::SetCharCase, kCharCaseNames,
                controls::TEditCharCase::ecNormal)
          .Color("Color", &C::Color, &C::SetColor, framework::clWindow)
          .NoDefault()
          .StoredIf(&C::IsColorStored)
          .Bool("DisableCaption", &C::DisableCaption, &C::SetDisableCaption, false)
          .Bool("DisableCustomizing", &C::DisableCustomizing, &C::SetDisableCustomizing, false)
          .Bool("DisableDragging", &C::DisableDragging, &C::SetDisableDragging, false)
          .Bool("DisableEditor", &C::DisableEditor, &C::SetDisableEditor, false)
          .Object("Font", &C::Font, framework::FontClassInfo())
          .StoredIf(&C::IsFontStored)
          .Enum("HeaderAlignment", &C::HeaderAlignment, &C::SetHeaderAlignment, kAlignmentNames,
                TAlignment::taLeftJustify)
          .Int("MaxLength", &C::MaxLength, &C::SetMaxLength, 0)
          .NoDefault()
          .StoredIf(&C::IsMaxLengthStored)
          .Int("MinWidth", &C::MinWidth, &C::SetMinWidth, 20)
          .Bool("OEMConvert", &C::OEMConvert, &C::SetOEMConvert, false)
          .String("PasswordChar", &C::PasswordCharText, &C::SetPasswordCharText, std::string())
          .Bool("ReadOnly", &C::ReadOnly, &C::SetReadOnly, false)
          .NoDefault()
          .StoredIf(&C::IsReadOnlyStored)
          .Bool("Sizing", &C::Sizing, &C::SetSizing, true)
          .Enum("Sorted", &C::Sorted, &C::SetSorted, kSortNames, TdxTreeListColumnSort::csNone)
          .Bool("TabStop", &C::TabStop, &C::SetTabStop, true)
          .Enum("VertAlignment", &C::VertAlignment, &C::SetVertAlignment, kLayoutNames,
                TTextLayout::tlTop)
          .Bool("Visible", &C::Visible, &C::SetVisible, true)
          .Int("Width", &C::Width, &C::SetWidth, 100)
          .NoDefault()
          .StoredIf(&C::IsWidthStored)
          .Int("BandIndex", &C::BandIndex, &C::SetBandIndex, 0)
          .NoDefault()
          .Int("RowIndex", &C::RowIndex, &C::SetRowIndex, 0)
          .NoDefault()
          .Int("HeaderMaxLineCount", &C::HeaderMaxLineCount, &C::SetHeaderMaxLineCount, 1)
          .Int("SortedOrder", &C::SortedOrder, &C::SetSortedOrder, -1)
          .NoDefault()
          .StoredIf(&C::IsSortedOrderStored)
          .Int("StoredRowIndex", &C::StoredRowIndex, &C::SetPublishedStoredRowIndex, 0)
          .StoredIf(&C::IsStoredRowIndexStored)
          .Event("OnChange", &C::OnChange)
          .Event("OnCustomDrawCell", &C::OnCustomDrawCell)
          .Event("OnCustomDrawCellWide", &C::OnCustomDrawCellWide)
          .Event("OnCustomDrawColumnHeader", &C::OnCustomDrawColumnHeader)
          .Event("OnValidate", &C::OnValidate);
  return info;
}

TdxTreeListColumn::TdxTreeListColumn(framework::TComponent* owner) : framework::TComponent(owner) {}

TdxTreeListColumn::~TdxTreeListColumn() {
  if (tree_list_) {
    if (!tree_list_->Destroying()) tree_list_->ColumnRemovedFromNodes(GetDataIndex());
    tree_list_->RemoveColumn(this);
  }
}

void TdxTreeListColumn::SetTreeList(TCustomdxTreeListControl* tree_list) {
  if (tree_list == tree_list_) return;
  if (tree_list_) tree_list_->RemoveColumn(this);
  if (tree_list) tree_list->AddColumn(this);
}

template <class Body>
void TdxTreeListColumn::InTreeListUpdate(Body&& body) {
  if (!tree_list_) {
    body();
    return;
  }
  tree_list_->BeginUpdate();
  try {
    body();
  } catch (...) {
    tree_list_->EndUpdate();
    throw;
  }
  tree_list_->EndUpdate();
}

void TdxTreeListColumn::Changed() {
  if (tree_list_) tree_list_->ColumnChanged();
}

// ---- values with defaults --------------------------------------------------------------------

framework::TAlignment TdxTreeListColumn::Alignment() const {
  return IsAssigned(cvAlignment) ? alignment_ : DefaultAlignment();
}

void TdxTreeListColumn::SetAlignment(framework::TAlignment value) {
  if (IsAssigned(cvAlignment) && alignment_ == value) return;
  alignment_ = value;
  SetAssigned(cvAlignment);
  Changed();
}

std::wstring TdxTreeListColumn::Caption() const {
  return IsAssigned(cvCaption) ? caption_ : DefaultCaption();
}

void TdxTreeListColumn::SetCaption(const std::wstring& value) {
  if (IsAssigned(cvCaption) && caption_ == value) return;
  caption_ = value;
  SetAssigned(cvCaption);
  SyncDefaultWidth();
  Changed();
}

framework::TColor TdxTreeListColumn::Color() const {
  if (IsAssigned(cvColor)) return color_;
  return tree_list_ ? tree_list_->Color() : framework::clWindow;
}

void TdxTreeListColumn::SetColor(framework::TColor value) {
  if (IsAssigned(cvColor) && color_ == value) return;
  color_ = value;
  SetAssigned(cvColor);
  Changed();
}

bool TdxTreeListColumn::IsColorStored() const {
  return IsAssigned(cvColor) && (!tree_list_ || color_ != tree_list_->Color());
}

int TdxTreeListColumn::MaxLength() const {
  return IsAssigned(cvMaxLength) ? max_length_ : DefaultMaxLength();
}

void TdxTreeListColumn::SetMaxLength(int value) {
  if (max_length_ == value && IsAssigned(cvMaxLength)) return;
  max_length_ = value;
  SetAssigned(cvMaxLength);
  Changed();
}

bool TdxTreeListColumn::IsMaxLengthStored() const {
  return IsAssigned(cvMaxLength) && max_length_ != DefaultMaxLength();
}

bool TdxTreeListColumn::ReadOnly() const {
  if (IsAssigned(cvReadOnly)) return read_only_;
  const bool by_default = DefaultReadOnly();
  if (!by_default && tree_list_) return tree_list_->IsReadOnly();
  return by_default;
}

void TdxTreeListColumn::SetReadOnly(bool value) {
  if (IsAssigned(cvReadOnly) && read_only_ == value) return;
  read_only_ = value;
  SetAssigned(cvReadOnly);
  Changed();
}

bool TdxTreeListColumn::IsReadOnlyStored() const {
  return IsAssigned(cvReadOnly) && read_only_ != DefaultReadOnly();
}

void TdxTreeListColumn::SetWidth(int value) {
  value = std::max(value, min_width_);
  if (!IsAssigned(cvWidth) && value == DefaultWidth()) return;
  width_ = value;
  SetAssigned(cvWidth);
  Changed();
}

void TdxTreeListColumn::SetWidthSilently(int value) {
  width_ = std::max(value, min_width_);
  SetAssigned(cvWidth);
}

void TdxTreeListColumn::SyncDefaultWidth() {
  if (!IsAssigned(cvWidth)) width_ = std::max(DefaultWidth(), min_width_);
}

void TdxTreeListColumn::SetMinWidth(int value) {
  min_width_ = std::max(value, 0);
  if (width_ < min_width_) SetWidth(width_);
}

framework::TFont& TdxTreeListColumn::Font() {
  if (!font_) {
    font_ = std::make_unique<framework::TFont>();
    if (tree_list_) *font_ = tree_list_->Font();
    font_->OnChange = [this] { FontChanged(); };
  }
  SyncFont();
  return *font_;
}

void TdxTreeListColumn::SyncFont() {
  if (!font_ || IsAssigned(cvFont) || !tree_list_) return;
  if (*font_ == tree_list_->Font()) return;
  auto handler = std::move(font_->OnChange);  // the copy is not a change of the column's own
  font_->OnChange = nullptr;
  *font_ = tree_list_->Font();
  font_->OnChange = std::move(handler);
}

void TdxTreeListColumn::SetFont(const framework::TFont& value) { Font() = value; }

void TdxTreeListColumn::FontChanged() {
  SetAssigned(cvFont);
  Changed();
}

// ---- plain settings --------------------------------------------------------------------------

void TdxTreeListColumn::SetCharCase(controls::TEditCharCase value) {
  if (char_case_ == value) return;
  char_case_ = value;
  Changed();
}

void TdxTreeListColumn::SetDisableCaption(bool value) {
  if (disable_caption_ == value) return;
  disable_caption_ = value;
  Changed();
}

void TdxTreeListColumn::SetDisableCustomizing(bool value) {
  if (disable_customizing_ == value) return;
  disable_customizing_ = value;
  Changed();
}

void TdxTreeListColumn::SetSortingDisabled(bool value) {
  if (sorting_disabled_ == value) return;
  sorting_disabled_ = value;
  Changed();
}

void TdxTreeListColumn::SetHeaderAlignment(framework::TAlignment value) {
  if (header_alignment_ == value) return;
  header_alignment_ = value;
  Changed();
}

framework::TBitmap& TdxTreeListColumn::HeaderGlyph() {
  if (!header_glyph_) header_glyph_ = std::make_unique<framework::TBitmap>();
  return *header_glyph_;
}

void TdxTreeListColumn::SetHeaderGlyph(const framework::TBitmap* value) {
  if (value) {
    HeaderGlyph().Assign(*value);
  } else {
    header_glyph_.reset();
  }
  Changed();
}

void TdxTreeListColumn::SetHeaderMaxLineCount(int value) {
  value = std::max(value, 0);
  if (header_max_line_count_ == value) return;
  header_max_line_count_ = value;
  Changed();
}

void TdxTreeListColumn::SetOEMConvert(bool value) {
  if (oem_convert_ == value) return;
  oem_convert_ = value;
  Changed();
}

void TdxTreeListColumn::SetPasswordChar(char value) {
  if (password_char_ == value) return;
  password_char_ = value;
  Changed();
}

void TdxTreeListColumn::SetSizing(bool value) {
  if (sizing_ == value) return;
  sizing_ = value;
  Changed();
}

void TdxTreeListColumn::SetVertAlignment(TTextLayout value) {
  if (vert_alignment_ == value) return;
  vert_alignment_ = value;
  Changed();
}

void TdxTreeListColumn::SetVisible(bool value) {
  if (visible_ == value) return;
  visible_ = value;
  Changed();
}

// ---- place in the header ---------------------------------------------------------------------

void TdxTreeListColumn::SetBandIndex(int value) {
  value = std::max(value, -1);
  if (tree_list_) value = std::min(value, tree_list_->Bands().Count() - 1);
  if (band_index_ == value) return;
  band_index_ = value;
  Changed();
}

int TdxTreeListColumn::RowIndex() const {
  if (!tree_list_) return row_index_;
  return std::max(std::min(stored_row_index_, tree_list_->HeaderPanelRowCount() - 1), 0);
}

void TdxTreeListColumn::SetRowIndex(int value) {
  value = std::max(value, 0);
  if (tree_list_) value = std::min(value, tree_list_->HeaderPanelRowCount() - 1);
  if (value == RowIndex() && value == stored_row_index_) return;
  row_index_ = stored_row_index_ = value;
  Changed();
}

int TdxTreeListColumn::ColIndex() const {
  if (!tree_list_) return -1;
  int position = -1;
  for (int i = 0; i < tree_list_->ColumnCount(); ++i) {
    const TdxTreeListColumn* c = tree_list_->Columns(i);
    if (!c->visible_ || c->band_index_ != band_index_ || c->RowIndex() != RowIndex()) continue;
    ++position;
    if (c == this) return position;
  }
  return -1;
}

void TdxTreeListColumn::SetColIndex(int value) {
  if (!tree_list_ || band_index_ < 0 || value == ColIndex()) return;
  std::vector<TdxTreeListColumn*> row;
  for (int i = 0; i < tree_list_->ColumnCount(); ++i) {
    TdxTreeListColumn* c = tree_list_->Columns(i);
    if (c->visible_ && c->band_index_ == band_index_ && c->RowIndex() == RowIndex()) {
      row.push_back(c);
    }
  }
  if (row.empty()) return;
  const int count = static_cast<int>(row.size());
  value = std::clamp(value, 0, count - 1);
  const int target = row[value]->Index();
  SetIndex(value < count - 1 ? target : target + 1);
}

int TdxTreeListColumn::Index() const { return tree_list_ ? tree_list_->IndexOfColumn(this) : -1; }

void TdxTreeListColumn::SetIndex(int value) {
  const int old = Index();  // -1 without a tree list
  if (old < 0) return;
  value = std::clamp(value, 0, tree_list_->ColumnCount() - 1);
  if (value == old) return;
  tree_list_->MoveColumnValues(old, value);
  tree_list_->MoveColumnInList(this, value);
  Changed();
}

int TdxTreeListColumn::GetDataIndex() const {
  return data_index_override_ != -1 ? data_index_override_ : Index();
}

// ---- sorting ---------------------------------------------------------------------------------

void TdxTreeListColumn::SetSorted(TdxTreeListColumnSort value) {
  if (sorted_ == value) return;
  if (!tree_list_ || tree_list_->Loading()) {
    sorted_ = value;
    Changed();
    return;
  }
  TCustomdxTreeListControl& grid = *tree_list_;
  if (value == TdxTreeListColumnSort::csNone) {
    grid.BeginSortLock();
    try {
      sorted_ = value;
      grid.RemoveSortedColumn(this);
      Changed();
    } catch (...) {
      grid.EndSortLock();
      throw;
    }
    grid.EndSortLock();
    return;
  }
  InTreeListUpdate([&] {
    grid.BeforeSortColumn(this);
    sorted_ = value;
    grid.AddSortedColumn(this);
    // The headers show the sort marks: the one added and those the sort took away.
    Changed();
  });
}

int TdxTreeListColumn::SortedOrder() const {
  if (!tree_list_ || sorted_ == TdxTreeListColumnSort::csNone) return -1;
  const auto& sorted = tree_list_->SortedColumns();
  const auto it = std::find(sorted.begin(), sorted.end(), this);
  return it == sorted.end() ? -1 : static_cast<int>(it - sorted.begin());
}

bool TdxTreeListColumn::IsSortedOrderStored() const {
  return tree_list_ && (tree_list_->OptionsEx() & aoMultiSort) &&
         tree_list_->SortedColumns().size() > 1 && sorted_ != TdxTreeListColumnSort::csNone;
}

bool TdxTreeListColumn::CanHeaderSort() const {
  // No designer in this program, so only the column's own setting forbids it.
  return !sorting_disabled_;
}

// ---- copies and defaults ---------------------------------------------------------------------

void TdxTreeListColumn::RestoreDefaults() {
  assigned_ = 0;
  SyncFont();
  SyncDefaultWidth();
  disable_caption_ = disable_customizing_ = disable_editor_ = false;
  header_alignment_ = framework::TAlignment::taLeftJustify;
  min_width_ = 20;
  sizing_ = true;
  // A sort column that keeps its place in the list would stay the primary one unmarked.
  if (sorted_ != TdxTreeListColumnSort::csNone && tree_list_) tree_list_->RemoveSortedColumn(this);
  sorted_ = TdxTreeListColumnSort::csNone;
  tab_stop_ = true;
  vert_alignment_ = TTextLayout::tlTop;
  Changed();
}

void TdxTreeListColumn::Assign(const TdxTreeListColumn& source) {
  InTreeListUpdate([&] {
    RestoreDefaults();
    if (source.IsAssigned(cvAlignment)) SetAlignment(source.alignment_);
    if (source.IsAssigned(cvCaption)) SetCaption(source.caption_);
    if (source.IsAssigned(cvReadOnly)) SetReadOnly(source.read_only_);
    if (source.IsAssigned(cvWidth)) SetWidth(source.width_);
    if (source.IsAssigned(cvColor)) SetColor(source.color_);
    if (source.IsAssigned(cvFont)) SetFont(*source.font_);
    SetDisableCaption(source.disable_caption_);
    SetDisableCustomizing(source.disable_customizing_);
    SetDisableEditor(source.disable_editor_);
    SetSortingDisabled(source.sorting_disabled_);
    SetHeaderAlignment(source.header_alignment_);
    if (source.header_glyph_) SetHeaderGlyph(source.header_glyph_.get());
    SetMinWidth(source.min_width_);
    SetSizing(source.sizing_);
    SetSorted(source.sorted_);
    SetVertAlignment(source.vert_alignment_);
    SetVisible(source.visible_);
    SetTabStop(source.tab_stop_);
    SetBandIndex(source.band_index_);
    SetRowIndex(source.RowIndex());
    SetColIndex(source.ColIndex());
    SetHeaderMaxLineCount(source.header_max_line_count_);
  });
}

void TdxTreeListColumn::Loaded() {
  framework::TComponent::Loaded();
  SyncDefaultWidth();
}

// ---- editing ---------------------------------------------------------------------------------

const editors::TdxInplaceEditClass& TdxTreeListColumn::GetEditorClass() const {
  const TCustomdxTreeListControl* grid = tree_list_;
  if (!grid) grid = dynamic_cast<const TCustomdxTreeListControl*>(Owner());
  if (grid && grid->EnableUnicodeSupport()) return TdxInplaceTreeListTextEditW::EditorClass();
  return TdxInplaceTreeListTextEdit::EditorClass();
}

void TdxTreeListColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  editor.SetReadOnly(ReadOnly());
  editor.OnChange = [this](framework::TComponent*) { DoChange(); };
  editor.OnValidate = [this](framework::TComponent*, std::wstring& error, bool& accept) {
    std::string narrow = win::Narrow(error);
    DoValidate(narrow, accept);
    error = win::Widen(narrow);
  };
  const bool narrow = editor.InheritsFrom(TdxInplaceTreeListTextEdit::EditorClass());
  if (auto* text = dynamic_cast<editors::TCustomXPDXEdit*>(&editor);
      text && (narrow || editor.InheritsFrom(TdxInplaceTreeListTextEditW::EditorClass()))) {
    text->SetCharCase(char_case_);
    text->SetMaxLength(MaxLength());
    text->SetOEMConvert(oem_convert_);
    if (narrow) text->SetPasswordChar(static_cast<unsigned char>(password_char_));
    text->ApplySettings();
  }
}

framework::Variant TdxTreeListColumn::LoadEditorValue(TdxTreeListNode* node,
                                                      editors::TdxInplaceEdit& editor) {
  const std::wstring text = GetCellText(node);
  if (editor.InheritsFrom(TdxInplaceTreeListTextEditW::EditorClass())) {
    editor.SetText(text);
    return framework::Variant(editor.Text());
  }
  // The narrow editor holds what the ANSI code page keeps of the text.
  editor.SetAnsiText(win::Narrow(text));
  return framework::Variant(win::Widen(editor.AnsiText()));
}

framework::Variant TdxTreeListColumn::SaveEditorValue(TdxTreeListNode* node,
                                                      editors::TdxInplaceEdit& editor) {
  // Only the narrow editor holds its text in the ANSI code page.
  const bool wide = !editor.InheritsFrom(TdxInplaceTreeListTextEdit::EditorClass());
  const std::wstring text = wide ? editor.Text() : win::Widen(editor.AnsiText());
  if (!tree_list_) return framework::Variant(text);
  tree_list_->SetNodeString(node, GetDataIndex(), text);
  return tree_list_->GetNodeValue(node, GetDataIndex());
}

std::wstring TdxTreeListColumn::GetCellText(TdxTreeListNode* node) const {
  return tree_list_ ? tree_list_->GetNodeString(node, GetDataIndex()) : std::wstring();
}

std::wstring TdxTreeListColumn::GetDisplayText(TdxTreeListNode*, const std::wstring& source) const {
  return source;
}

bool TdxTreeListColumn::HasCustomDraw() const {
  return static_cast<bool>(OnCustomDrawCell) || static_cast<bool>(OnCustomDrawCellWide);
}

void RunCellDrawHandlers(framework::TComponent* sender, const TdxCustomDrawCellEvent& narrow,
                         const TdxCustomDrawCellWideEvent& wide, TdxCellDrawInfo& cell,
                         std::wstring& text) {
  if (narrow) {
    const std::string before = win::Narrow(text);
    std::string copy = before;
    narrow(sender, cell, copy);
    if (copy != before) text = win::Widen(copy);  // an untouched copy keeps what it cannot hold
  }
  wide(sender, cell, text);
}

void TdxTreeListColumn::DoCustomDrawCell(TdxCellDrawInfo& cell, std::wstring& text) {
  RunCellDrawHandlers(this, OnCustomDrawCell, OnCustomDrawCellWide, cell, text);
}

void TdxTreeListColumn::DoChange() {
  if (!tree_list_ || tree_list_->EditorUpdating()) return;
  tree_list_->ColumnEditChange(this);
  OnChange(this);
}

void TdxTreeListColumn::DoValidate(std::string& error, bool& accept) {
  if (!tree_list_ || tree_list_->EditorUpdating()) return;
  tree_list_->ColumnEditValidate(this, error, accept);
  OnValidate(this, error, accept);
}

// ---- painting --------------------------------------------------------------------------------

editors::TdxEditViewData& TdxTreeListColumn::GetViewData() {
  if (!view_data_) view_data_ = GetEditorClass().create_view_data();
  return *view_data_;
}

void TdxTreeListColumn::PrepareViewData(editors::TdxEditViewData& data,
                                        const TdxCellViewInfo& cell) {
  data.Enabled = true;
  data.Selected = cell.selected;
  data.BorderColor = framework::clNone;
  data.ButtonStyle =
      tree_list_ ? tree_list_->EditButtonStyle() : editors::TdxEditButtonStyle::bts3D;
  data.Edges = editors::kAllEdges;
  data.Shadow = false;
  data.HotTrack = cell.hot_track;
  data.Hot = cell.hot;
  data.ButtonRect = RECT{};
  data.Bounds = cell.rect;
  data.Alignment = cell.alignment;
  data.Font = cell.font;
  data.BrushColor = ResolvedColor(cell.brush_color);
  data.TextColor = ResolvedColor(cell.text_color);
  data.Value = framework::Variant(cell.text);
  if (!cell.multi_line) {
    data.Placement = static_cast<int>(vert_alignment_);
  } else {
    data.Placement = vert_alignment_ == TTextLayout::tlCenter ? editors::kPlaceMultiLineCenter
                                                              : editors::kPlaceMultiLine;
  }
  if (auto* text = dynamic_cast<editors::TdxTextEditViewData*>(&data)) {
    text->CharCase = char_case_;
    text->EndEllipsis = cell.end_ellipsis;
    text->PasswordChar = static_cast<unsigned char>(password_char_);
  }
}

int TdxTreeListColumn::GetBestFitWidth(TdxTreeListNode* node, HDC dc) {
  const std::wstring text = GetCellText(node);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// ---- the mask column -------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListMaskColumn::StaticClassInfo() {
  using C = TdxTreeListMaskColumn;
  using E = editors::TdxInplaceMaskEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListMaskColumn")
          .WideString("EditMask", &C::EditMask, &C::SetEditMask)
          .To(&E::SetEditMask)
          .Bool("IgnoreMaskBlank", &C::IgnoreMaskBlank, &C::SetIgnoreMaskBlank, false)
          .To(&E::IgnoreMaskBlank);
  return info;
}

void TdxTreeListMaskColumn::Assign(const TdxTreeListColumn& source) {
  InTreeListUpdate([&] {
    TdxTreeListColumn::Assign(source);
    AssignOwnSettings(StaticClassInfo(), source, *this);
  });
}

void TdxTreeListMaskColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  RestoreOwnDefaults(StaticClassInfo(), *this);
}

const editors::TdxInplaceEditClass& TdxTreeListMaskColumn::GetEditorClass() const {
  return TdxInplaceTreeListMaskEdit::EditorClass();
}

void TdxTreeListMaskColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  if (auto* mask = dynamic_cast<editors::TdxInplaceMaskEdit*>(&editor)) {
    StaticClassInfo().HandOver(static_cast<framework::TComponent*>(this), *mask);
  }
}

}  // namespace treelist
