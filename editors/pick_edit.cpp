// The pick editor.
#include "editors/pick_edit.h"

#include "editors/editor_class.h"
#include "editors/pick_items.h"
#include "editors/popup_list.h"
#include "framework/win/text.h"

namespace editors {

const TdxInplaceEditClass& TdxInplacePickEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplacePickEdit, TdxDropDownEditViewData>(
          "TdxInplacePickEdit", TdxInplaceDropDownEdit::EditorClass());
  return info;
}

const TdxInplaceEditClass& TXPDXCustomComboBox::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TXPDXCustomComboBox, TdxDropDownEditViewData>(
          "TXPDXCustomComboBox", TdxInplacePickEdit::EditorClass());
  return info;
}

const framework::TClassInfo& TXPDXCombobox::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TXPDXCombobox, controls::TXPCustomButtonEdit>("TXPDXCombobox");
  return info;
}

void TdxInplacePickEdit::SetItems(const std::vector<std::string>& items) {
  std::vector<std::wstring> wide;
  wide.reserve(items.size());
  for (const std::string& item : items) wide.push_back(win::Widen(item));
  SetWideItems(std::move(wide));
}

void TdxInplacePickEdit::SetWideItems(std::vector<std::wstring> items) {
  items_ = std::move(items);
  if (sorted_) SortPickItems(items_, case_sensitive_);
}

void TdxInplacePickEdit::SetCaseSensitive(bool value) {
  if (case_sensitive_ == value) return;
  case_sensitive_ = value;
  if (sorted_) SortPickItems(items_, case_sensitive_);
}

void TdxInplacePickEdit::SetItemsSorted(bool value) {
  if (sorted_ == value) return;
  sorted_ = value;
  if (sorted_) SortPickItems(items_, case_sensitive_);
}

int TdxInplacePickEdit::ItemIndex() const { return FindPickItem(items_, Text(), case_sensitive_); }

void TdxInplacePickEdit::ValidateEdit() {
  if (list_only_ && ItemIndex() < 0 && !(CanDeleteText && Text().empty())) {
    throw EdxEditError("\"" + win::Narrow(Text()) + "\" is not an item of the list");
  }
  TdxInplaceDropDownEdit::ValidateEdit();
}

std::unique_ptr<TdxPopupContent> TdxInplacePickEdit::CreatePopupContent() {
  if (items_.empty()) return nullptr;
  return std::make_unique<TdxPopupListContent>(items_, ItemIndex(), DropDownRows);
}

std::wstring TdxInplacePickEdit::PopupResult(TdxPopupContent& content) {
  return static_cast<TdxPopupListContent&>(content).Chosen(Text());
}

void TdxInplacePickEdit::TakeItem(int index, int keep_selected_from) {
  SetText(items_[index]);  // marks the editor modified and announces a change
  SetModified(true);
  SetSelStart(keep_selected_from);
  SetSelLength(static_cast<int>(items_[index].size()) - keep_selected_from);
}

bool TdxInplacePickEdit::TypeCharacter(wchar_t typed) {
  const std::wstring text = Text();
  const int start = SelStart();
  const std::wstring typed_so_far = text.substr(0, start) + typed;
  const int found = FindPickItemByPrefix(items_, typed_so_far, case_sensitive_);
  if (found >= 0) {
    TakeItem(found, static_cast<int>(typed_so_far.size()));
    return true;
  }
  if (!list_only_) return false;  // free text: the edit types it
  MessageBeep(MB_OK);
  return true;
}

bool TdxInplacePickEdit::DeleteText() {
  if (!list_only_) return false;
  if (CanDeleteText && !Text().empty()) {
    SetText(L"");
  } else if (!CanDeleteText) {
    MessageBeep(MB_OK);
  }
  return true;
}

void TdxInplacePickEdit::KeyPress(wchar_t& key) {
  if (!CanModify() || OpenContent()) {
    TdxInplaceDropDownEdit::KeyPress(key);
    return;
  }
  if (key == L'\b' || key == 127) {
    if (DeleteText()) key = 0;
  } else if (key >= L' ' && TypeCharacter(key)) {
    key = 0;
  }
  if (key != 0) TdxInplaceDropDownEdit::KeyPress(key);
}

void TdxInplacePickEdit::KeyDown(WORD& key, unsigned shift) {
  if (key == VK_DELETE && CanModify() && !OpenContent() && DeleteText()) {
    key = 0;
    return;
  }
  TdxInplaceDropDownEdit::KeyDown(key, shift);
}

void TdxInplacePickEdit::SelectNextItem() {
  if (items_.empty() || !CanModify()) return;
  int next = ItemIndex() + 1;
  if (next >= static_cast<int>(items_.size())) {
    if (!Revertable) return;
    next = 0;
  }
  TakeItem(next, 0);
}

void TdxInplacePickEdit::WndProc(framework::TMessage& message) {
  if (message.msg == WM_LBUTTONDBLCLK && !OpenContent()) {
    SelectNextItem();
    return;
  }
  TdxInplaceDropDownEdit::WndProc(message);
}

}  // namespace editors
