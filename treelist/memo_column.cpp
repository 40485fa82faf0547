// The memo column.
#include "treelist/memo_column.h"

#include "treelist/typed_columns.h"

namespace treelist {
namespace {
const std::vector<std::string> kScrollNames = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
}  // namespace

const framework::TClassInfo& TdxTreeListMemoColumn::StaticClassInfo() {
  using C = TdxTreeListMemoColumn;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListMemoColumn")
          .Int("HeaderMaxLineCount", &C::HeaderMaxLineCount, &C::SetHeaderMaxLineCount, 0)
          .Bool("HideScrollBars", &C::HideScrollBars, &C::SetHideScrollBars, true)
          .Enum("ScrollBars", &C::ScrollBars, &C::SetScrollBars, kScrollNames,
                editors::TScrollStyle::ssNone)
          .Bool("SelectionBar", &C::SelectionBar, &C::SetSelectionBar, false)
          .Bool("WantReturns", &C::WantReturns, &C::SetWantReturns, true)
          .Bool("WantTabs", &C::WantTabs, &C::SetWantTabs, false)
          .Bool("WordWrap", &C::WordWrap, &C::SetWordWrap, true);
  return info;
}

TdxTreeListMemoColumn::TdxTreeListMemoColumn(framework::TComponent* owner)
    : TdxTreeListColumn(owner) {
  SetHeaderMaxLineCount(0);
}

void TdxTreeListMemoColumn::SetSelectionBar(bool value) {
  if (selection_bar_ == value) return;
  selection_bar_ = value;
  Changed();
}

void TdxTreeListMemoColumn::Assign(const TdxTreeListColumn& source) {
  const auto* memo = dynamic_cast<const TdxTreeListMemoColumn*>(&source);
  if (!memo) return TdxTreeListColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListColumn::Assign(source);
    scroll_bars_ = memo->scroll_bars_;
    word_wrap_ = memo->word_wrap_;
  });
}

void TdxTreeListMemoColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  scroll_bars_ = editors::TScrollStyle::ssNone;
  word_wrap_ = true;
  SetHeaderMaxLineCount(0);
}

const editors::TdxInplaceEditClass& TdxTreeListMemoColumn::GetEditorClass() const {
  return TdxInplaceTreeListMemoEdit::EditorClass();
}

void TdxTreeListMemoColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  auto* memo = dynamic_cast<editors::TdxInplaceMemoEdit*>(&editor);
  if (!memo) return;
  memo->SetHideScrollBars(hide_scroll_bars_);
  memo->SetScrollBars(scroll_bars_);
  memo->SetSelectionBar(selection_bar_);
  memo->WantReturns = want_returns_;
  memo->WantTabs = want_tabs_;
  memo->SetWordWrap(word_wrap_);
}

void TdxTreeListMemoColumn::PrepareViewData(editors::TdxEditViewData& data,
                                            const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  if (auto* text = dynamic_cast<editors::TdxTextEditViewData*>(&data)) {
    text->SelectionBar = selection_bar_;
  }
}

}  // namespace treelist
