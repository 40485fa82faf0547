// The memo column: several lines of text per node, edited in the memo editor.
#pragma once

#include "editors/memo_edit.h"
#include "treelist/columns/column.h"
#include "treelist/columns/typed_columns.h"

namespace treelist {

// Copies take only the scroll bars and the wrapping of another memo column, and restoring
// defaults only resets those (and the header's lines).
class TdxTreeListMemoColumn : public TdxDescribedColumn<TdxTreeListMemoColumn, TdxTreeListColumn,
                                                        editors::TdxInplaceMemoEdit> {
 public:
  explicit TdxTreeListMemoColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  bool HideScrollBars() const noexcept { return hide_scroll_bars_; }
  void SetHideScrollBars(bool value) { hide_scroll_bars_ = value; }
  editors::TScrollStyle ScrollBars() const noexcept { return scroll_bars_; }
  void SetScrollBars(editors::TScrollStyle value) { scroll_bars_ = value; }
  bool SelectionBar() const noexcept { return selection_bar_; }
  void SetSelectionBar(bool value);
  bool WantReturns() const noexcept { return want_returns_; }
  void SetWantReturns(bool value) { want_returns_ = value; }
  bool WantTabs() const noexcept { return want_tabs_; }
  void SetWantTabs(bool value) { want_tabs_ = value; }
  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool value) { word_wrap_ = value; }

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  bool IsMemoColumn() const override { return true; }

 private:
  bool hide_scroll_bars_ = true;
  editors::TScrollStyle scroll_bars_ = editors::TScrollStyle::ssNone;
  bool selection_bar_ = false;
  bool want_returns_ = true;
  bool want_tabs_ = false;
  bool word_wrap_ = true;
};

}  // namespace treelist
