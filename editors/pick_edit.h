// The pick editor: a drop-down editor whose popup lists its items. Typing completes the text
// to the first item it begins; a list-only editor refuses text that begins no item. The
// wide-character combo box is the same editor with its own names for the settings.
#pragma once

#include <string>
#include <vector>

#include "editors/drop_down_edit.h"

namespace editors {

class TdxInplacePickEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplacePickEdit(framework::TComponent* owner) : TdxInplaceDropDownEdit(owner) {}
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  const std::vector<std::wstring>& Items() const noexcept { return items_; }
  // Items in the ANSI code page, as the narrow columns hold them.
  void SetItems(const std::vector<std::string>& items);
  void SetWideItems(std::vector<std::wstring> items);
  bool CaseSensitive() const noexcept { return case_sensitive_; }
  void SetCaseSensitive(bool value);
  // Only the items' texts (or, with CanDeleteText, no text) may be entered.
  bool DropDownListStyle() const noexcept { return list_only_; }
  void SetDropDownListStyle(bool value) { list_only_ = value; }
  bool ItemsSorted() const noexcept { return sorted_; }
  void SetItemsSorted(bool value);

  // A list-only editor may be emptied.
  bool CanDeleteText = false;
  // A double click past the last item starts again at the first.
  bool Revertable = false;

  // The index of the item the text names; -1 when none.
  int ItemIndex() const;
  void ValidateEdit() override;

 protected:
  std::unique_ptr<TdxPopupContent> CreatePopupContent() override;
  std::wstring PopupResult(TdxPopupContent& content) override;
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;
  void WndProc(framework::TMessage& message) override;

 private:
  // Typing `typed` over the selection: the completed item, or refused in a list-only editor.
  bool TypeCharacter(wchar_t typed);
  bool DeleteText();
  void TakeItem(int index, int keep_selected_from);
  void SelectNextItem();

  std::vector<std::wstring> items_;
  bool case_sensitive_ = false;
  bool list_only_ = false;
  bool sorted_ = false;
};

class TXPDXCustomComboBox : public TdxInplacePickEdit {
 public:
  explicit TXPDXCustomComboBox(framework::TComponent* owner) : TdxInplacePickEdit(owner) {}
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }
  void SetItems(std::vector<std::wstring> items) { SetWideItems(std::move(items)); }
  void SetSorted(bool value) { SetItemsSorted(value); }
};

class TXPDXCombobox : public TXPDXCustomComboBox {
 public:
  explicit TXPDXCombobox(framework::TComponent* owner) : TXPDXCustomComboBox(owner) {
    SetVisible(true);
  }
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

}  // namespace editors
