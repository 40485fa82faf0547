// The set-up dialog's grid: a tree list whose columns are named by its form description, with
// one optional column of check marks (toggled by Space or a click) and one optional column
// whose values are picked from a list (list-only, so no free text can name another value).
// It stands in for the published tree list and its typed columns until those exist; the
// dialog reaches it only through the tree list's node interface.
#pragma once

#include <string>
#include <vector>

#include "treelist/tree_list_control.h"

namespace router {

class TSetupTreeList : public treelist::TCustomdxTreeListControl {
 public:
  explicit TSetupTreeList(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Captions, one per column; the columns share the width in proportion to their widths.
  std::vector<std::string> Columns() const;
  void SetColumns(const std::vector<std::string>& captions);
  std::vector<std::string> ColumnWidths() const;
  void SetColumnWidths(const std::vector<std::string>& widths);
  // The column of check marks ("True"/"False" in the node); -1 none.
  int CheckColumn() const noexcept { return check_column_; }
  void SetCheckColumn(int column) { check_column_ = column; }
  // The column edited with a list-only pick editor of `PickItems` (F2 opens it); -1 none. With
  // one, the focus moves from cell to cell rather than row to row.
  int PickColumn() const noexcept { return pick_column_; }
  void SetPickColumn(int column);
  const std::vector<std::string>& PickItems() const noexcept { return pick_items_; }
  void SetPickItems(const std::vector<std::string>& items) { pick_items_ = items; }
  // Top-level rows stay sorted by their first text, descending.
  bool SortedDescending() const noexcept { return sorted_descending_; }
  void SetSortedDescending(bool value) { sorted_descending_ = value; }
  bool ShowHeaderValue() const noexcept { return show_header_; }
  void SetShowHeaderValue(bool value);

  const treelist::HeaderModel& GetHeaderModel() const override { return model_; }
  std::wstring GetCellText(treelist::TdxTreeListNode* node, int column) override;
  // Flips the check mark of the node.
  void ToggleCheck(treelist::TdxTreeListNode* node);
  // The rows a user can see by scrolling, one line each, cells apart by tabs: the window's text,
  // so that a program answering the dialog can read what it shows.
  std::wstring RowsText();

  void WndProc(framework::TMessage& message) override;

 protected:
  void SetNodeString(treelist::TdxTreeListNode* node, int index, const std::wstring& text) override;
  void KeyDown(WORD& key, unsigned shift) override;
  void MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) override;
  bool DoEditing(treelist::TdxTreeListNode* node) override;
  editors::TdxInplaceEdit* CreateEditor(int column) override;
  // The grid with columns stores only into column objects; this one's columns are plain.
  void SaveEditValue(treelist::TdxTreeListNode* node, int column,
                     editors::TdxInplaceEdit& editor) override {
    treelist::TCustomdxTreeList::SaveEditValue(node, column, editor);
  }

 private:
  treelist::HeaderModel model_;
  int check_column_ = -1;
  int pick_column_ = -1;
  std::vector<std::string> pick_items_;
  bool sorted_descending_ = false;
  bool show_header_ = true;
};

}  // namespace router
