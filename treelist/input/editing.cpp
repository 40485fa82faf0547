// In-cell editing: the grid opens one editor over the focused cell, fills it, re-targets it when
// the focus moves, writes a modified value back when it closes, and keeps the keyboard focus
// between the grid window and the editor window.
#include <algorithm>

#include "treelist/input/interaction_state.h"
#include "treelist/core/grid_helpers.h"
#include "treelist/core/tree_list.h"

namespace treelist {

// ---- opening ------------------------------------------------------------------------------------

void TCustomdxTreeList::ShowEditor() {
  if (!(options_ & aoEditing) || (options_ & aoRowSelect) || !focused_node_) return;
  bool allow = true;
  if (new_item_row_focused_) {
    DoNewItemRowEditing(allow);
  } else {
    allow = DoEditing(focused_node_);
  }
  // The editor is kept: forgetting it would leave an open one on screen that nothing hides.
  if (!allow) return;
  const int columns = static_cast<int>(GetHeaderModel().columns.size());
  if (!interaction_->Idle() || focused_column_ < 0 || focused_column_ >= columns) return;
  MakeColumnVisible(focused_column_);
  focused_node_->MakeVisible();
  Fire(InteractionEvent::OpenEditor, {});
  PlaceEditor(true);
}

bool TCustomdxTreeList::CanShowEditor() {
  return interaction_->Editing() && !LockUpdate() && HandleAllocated();
}

void TCustomdxTreeList::PlaceEditor(bool keep_notify) {
  if (!CanShowEditor()) return;
  editors::TdxInplaceEdit* editor = GetColumnEditor(focused_column_);
  // The edited cell is cleared whenever the editor leaves it, so it is the focused cell or none.
  const bool reopened = editor_ && editor == editor_ && edited_node_ == focused_node_ &&
                        edited_column_ == focused_column_;
  if (!reopened) {
    // The editor on screen writes its own cell back and goes before another editor or another
    // cell takes its place, so that neither its value is lost nor the next one's old text lands
    // there.
    if (editor_) {
      HideEditor(false);
      SetState(tsEditing);
    }
    editor_ = editor ? editor : CreateEditor(focused_column_);
    InitEditor();
  }
  const RECT cell = GetCellRect(focused_node_, focused_column_);
  if (!CanShowEditor()) {  // an event or the loading closed the editing meanwhile
    edited_column_ = -1;
    edited_node_ = nullptr;
    return;
  }
  // A re-show when the focus comes back runs no after-show hook; an explicit open does.
  if (!keep_notify) editor_->LockShowNotify();
  try {
    editor_->ShowAndFocus(cell);
  } catch (...) {
    if (!keep_notify) editor_->UnlockShowNotify();
    throw;
  }
  if (!keep_notify) editor_->UnlockShowNotify();
}

void TCustomdxTreeList::InitEditor() {
  edited_column_ = focused_column_;
  edited_node_ = focused_node_;
  saved_editing_column_ = edited_column_;
  editor_->SetParent(this);
  // The grid hears nothing when the focus leaves its editor for another control: the editor
  // tells it.
  editor_->OnExit = [this](framework::TComponent*) { EditorFocusLost(); };
  if (!edited_node_) return;
  BeginEditorUpdate();
  try {
    PrepareEditor(*editor_);
    LoadEditValue(edited_node_, edited_column_, *editor_);
    editor_->SetModified(false);
    if (IsEditReadOnly()) editor_->SetReadOnly(true);
    editor_->InitEditState(true);
  } catch (...) {
    EndEditorUpdate();
    throw;
  }
  EndEditorUpdate();
}

void TCustomdxTreeList::PrepareEditor(editors::TdxInplaceEdit& editor) {
  editor.SetClosing(false);
  {
    const win::WindowDC screen(nullptr);
    editor.SetColor(static_cast<framework::TColor>(
        GetNearestColor(screen.get(), framework::ColorToRGB(GetEditColor()))));
  }
  editor.Font().Assign(GetEditFont());
  editor.SetTextOffsets(1, 0, 0, 0);
}

void TCustomdxTreeList::LoadEditValue(TdxTreeListNode* node, int column,
                                      editors::TdxInplaceEdit& editor) {
  editor.SetText(GetCellText(node, column));
}

void TCustomdxTreeList::SaveEditValue(TdxTreeListNode* node, int column,
                                      editors::TdxInplaceEdit& editor) {
  SetNodeString(node, column, editor.Text());
}

framework::TFont& TCustomdxTreeList::GetEditFont() {
  return HasColumnFont(focused_column_) ? GetColumnFont(focused_column_) : Font();
}

framework::TColor TCustomdxTreeList::GetEditColor() {
  framework::TColor color = Color();
  OnGetEditColor(this, color);
  return color;
}

// ---- closing ------------------------------------------------------------------------------------

void TCustomdxTreeList::HideEditor(bool focus_grid) {
  if (!editor_) return;
  editor_->SetClosing(true);
  // Whatever the write-back does, the cell is no longer edited, the editor goes and the focus
  // comes back.
  auto finish = [&] {
    edited_column_ = -1;
    edited_node_ = nullptr;
    const bool editor_focused = editor_->HandleAllocated() && GetFocus() == editor_->Handle();
    editor_->HideEdit();
    if ((focus_grid || editor_focused) && HandleAllocated() && IsWindowVisible(hwnd_)) {
      ::SetFocus(hwnd_);
    }
  };
  try {
    if (!(editor_->ComponentState() & framework::csDestroying)) PostEditor();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TCustomdxTreeList::PostEditor() {
  if (edited_column_ == -1 || !edited_node_ || !editor_) return;
  if (editor_->Modified()) SaveEditValue(edited_node_, edited_column_, *editor_);
  DoEdited(edited_node_);
}

void TCustomdxTreeList::CloseEditor() { CloseEditorFocusing(false); }

void TCustomdxTreeList::DiscardEditor() {
  if (!interaction_->Editing()) return;
  SetState(tsNone);
  HideEditor(false);
}

void TCustomdxTreeList::CloseEditorKeepFocus() { CloseEditorFocusing(true); }

void TCustomdxTreeList::CloseEditorFocusing(bool focus_grid) {
  if (!interaction_->Editing()) return;
  if (!destroying_ && editor_) editor_->ValidateEdit();  // a refusal raises: still editing
  Fire(InteractionEvent::CloseEditor, {});
  HideEditor(focus_grid);
}

void TCustomdxTreeList::CancelEditor() {
  if (!interaction_->Editing()) return;
  edited_column_ = -1;
  edited_node_ = nullptr;
  Fire(InteractionEvent::CloseEditor, {});
  HideEditor(true);
}

void TCustomdxTreeList::RestartEditor() {
  edited_column_ = -1;
  edited_node_ = nullptr;
  PlaceEditor(false);
}

void TCustomdxTreeList::SetNewItemRowFocused(bool value) {
  if (value == new_item_row_focused_ || !IsNewItemRowShown()) return;
  new_item_row_focused_ = value;
  Invalidate();  // the new-item row lies above the rows, and the focused row changes its look
}

std::wstring TCustomdxTreeList::GetEditorText() const {
  return interaction_->Editing() && editor_ ? editor_->Text() : std::wstring();
}

void TCustomdxTreeList::SetEditorText(const std::wstring& text) {
  if (interaction_->Editing() && editor_) editor_->SetText(text);
}

void TCustomdxTreeList::MoveFocusedColumn(bool back) {
  CloseEditorKeepFocus();
  const std::vector<int> order = VisibleColumnOrder(GetHeaderModel());
  // Nothing moves at either end, nor from a column that is not shown.
  const auto at = std::find(order.begin(), order.end(), focused_column_);
  const ptrdiff_t next = (at - order.begin()) + (back ? -1 : 1);
  if (at != order.end() && next >= 0 && next < std::ssize(order)) SetFocusedColumn(order.at(next));
}

// ---- typing, clicks and the focus ---------------------------------------------------------------

void TCustomdxTreeList::KeyPress(wchar_t& key) {
  TreeListBase::KeyPress(key);
  if (key == 0 || !interaction_->Idle()) return;
  // Typing searches where it cannot open an editor.
  if ((options_ex_ & aoAutoSearch) && (!IsEditing() || IsRowSelect())) {
    TypeIntoSearch(key);
    return;
  }
  if (key < L' ') return;
  ShowEditor();
  if (!interaction_->Editing() || !editor_ || !editor_->HandleAllocated()) return;
  // The typed character replaces the cell's text.
  editor_->SelectAll();
  SendMessageW(editor_->Handle(), WM_CHAR, key, 0);
  key = 0;
}

void TCustomdxTreeList::StartDelayedEdit() {
  StartTimer(kDelayedEditTimer, seams_.double_click_time());
}

void TCustomdxTreeList::LeftButtonPressed() {
  // A second press within the double-click time is a double click, not an open.
  StopTimer(kDelayedEditTimer);
  if (editor_) editor_->SetLastPressTime(seams_.message_time());
}

void TCustomdxTreeList::DelayedEditElapsed() {
  StopTimer(kDelayedEditTimer);
  if (interaction_->Idle()) ShowEditor();
}

void TCustomdxTreeList::FocusGained(HWND from) {
  if (!focused_node_) focused_node_ = top_node_;
  if (!(editor_ && editor_->IsEditorWindow(from))) {
    if (focused_node_) RepaintNode(focused_node_, false);
    if (interaction_->Editing()) PlaceEditor(false);
  }
  if (IsMultiSelect()) InvalidateSelection();
}

// The focus has gone by the time the editor hears of it: where to is known.
void TCustomdxTreeList::EditorFocusLost() {
  HWND to = GetFocus();
  if (to == hwnd_ || !interaction_->Editing()) return;  // the grid's own focus handling decides
  FocusLost(to);
}

void TCustomdxTreeList::FocusLost(HWND to) {
  if (editor_ && editor_->IsEditorWindow(to)) return;
  if (focused_node_) RepaintNode(focused_node_, false);
  CloseEditor();
  if (IsMultiSelect()) InvalidateSelection();
  if (interaction_->NodeDown()) SetState(tsNone);
}

}  // namespace treelist
