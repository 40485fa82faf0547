// A grid that logs what it tells and what its hooks are asked to do (with the options they saw),
// counts its scroll-bar writes, and picks its editor by a key the test switches, as a column
// whose editor class changed does; shown in a form beside a sibling edit.
#pragma once

#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "grid_fixture.h"
#include "treelist/column.h"

namespace treelist_test {

// Counts the shows from hidden it is told of (its after-show hook).
struct CountingEdit : treelist::TdxInplaceTreeListTextEdit {
  using TdxInplaceTreeListTextEdit::TdxInplaceTreeListTextEdit;
  int* shows = nullptr;
  void AfterShow() override { ++*shows; }
};

class LoggingTreeList : public TestTreeList {
 public:
  using TestTreeList::RestartEditor;
  using TestTreeList::TestTreeList;
  std::vector<std::wstring> log;
  int bar_writes = 0;
  int frame_paints = 0;
  int editor_key = 0;
  int editor_shows = 0;
  bool new_item_row = false;
  editors::TdxInplaceEdit* editors_by_key[2] = {nullptr, nullptr};
  void SetScrollInfo(int bar, const SCROLLINFO& info, bool redraw) override {
    ++bar_writes;
    TestTreeList::SetScrollInfo(bar, info, redraw);
  }
  void WndProc(framework::TMessage& m) override {
    frame_paints += m.msg == WM_NCPAINT;
    TestTreeList::WndProc(m);
  }

 protected:
  void Log(std::wstring line) { log.push_back(std::move(line)); }
  void DoChangeNode(TdxTreeListNode* from, TdxTreeListNode* to) override {
    Log(L"node " + Name(from) + L">" + Name(to));
  }
  void DoChangeColumn(TdxTreeListNode*, int column) override {
    Log(L"column " + std::to_wstring(column));
  }
  void SortNodes() override {
    Log(std::wstring(L"sort") + (Options() & treelist::aoAutoSort ? L" auto" : L"") +
        (OptionsEx() & treelist::aoAnsiSort ? L" ansi" : L""));
  }
  void KeepBandWidthsFromColumns() override { Log(L"band widths"); }
  void FitHeaderPanelHeight() override { Log(L"header height"); }
  editors::TdxInplaceEdit* GetColumnEditor(int) override { return editors_by_key[editor_key]; }
  editors::TdxInplaceEdit* CreateEditor(int) override {
    auto* editor = new CountingEdit(this);
    editor->shows = &editor_shows;
    return editors_by_key[editor_key] = editor;
  }
  bool IsNewItemRowShown() const override { return new_item_row; }
  void SaveEditValue(TdxTreeListNode* node, int column, editors::TdxInplaceEdit& editor) override {
    Log(L"save " + Name(node) + L"=" + editor.Text());
    TestTreeList::SaveEditValue(node, column, editor);
  }
  void DoEdited(TdxTreeListNode* node) override { Log(L"edited " + Name(node)); }
  void CopyGridToClipboard(bool selected_only) override {
    Log(selected_only ? L"copy selected" : L"copy all");
  }
};

// Three columns in two bands and top-level nodes "A", "B", ...
struct LoggingForm {
  framework::TForm form{nullptr};
  LoggingTreeList grid{nullptr};
  framework::TEdit sibling{nullptr};
  std::vector<TdxTreeListNode*> n;
  explicit LoggingForm(int rows = 6, int height = 220) {
    form.SetBounds(50, 50, 400, height + 90);
    grid.SetParent(&form);
    grid.SetBounds(10, 10, 360, height);
    sibling.SetParent(&form);
    sibling.SetBounds(10, height + 20, 100, 24);
    form.Show();
    grid.SetModel(TwoBandModel());
    for (int i = 0; i < rows; ++i) n.push_back(AddNamed(grid, nullptr, std::wstring(1, L'A' + i)));
  }
  HWND hwnd() { return grid.Handle(); }
};

}  // namespace treelist_test
