// The memo column.
#include "treelist/columns/memo_column.h"

namespace treelist {
namespace {
const std::vector<std::string> kScrollNames = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
}  // namespace

const framework::TClassInfo& TdxTreeListMemoColumn::StaticClassInfo() {
  using C = TdxTreeListMemoColumn;
  using E = editors::TdxInplaceMemoEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListMemoColumn")
          .Publish("HeaderMaxLineCount", int64_t{0})
          .Bool("HideScrollBars", &C::HideScrollBars, &C::SetHideScrollBars, true)
          .NotCopied()
          .NotRestored()
          .To(&E::SetHideScrollBars)
          .Enum("ScrollBars", &C::ScrollBars, &C::SetScrollBars, kScrollNames,
                editors::TScrollStyle::ssNone)
          .To(&E::SetScrollBars)
          .Bool("SelectionBar", &C::SelectionBar, &C::SetSelectionBar, false)
          .NotCopied()
          .NotRestored()
          .To(&E::SetSelectionBar)
          .Bool("WantReturns", &C::WantReturns, &C::SetWantReturns, true)
          .NotCopied()
          .NotRestored()
          .To(&E::WantReturns)
          .Bool("WantTabs", &C::WantTabs, &C::SetWantTabs, false)
          .NotCopied()
          .NotRestored()
          .To(&E::WantTabs)
          .Bool("WordWrap", &C::WordWrap, &C::SetWordWrap, true)
          .To(&E::SetWordWrap);
  return info;
}

TdxTreeListMemoColumn::TdxTreeListMemoColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner) {
  SetHeaderMaxLineCount(0);
}

void TdxTreeListMemoColumn::SetSelectionBar(bool value) {
  if (selection_bar_ == value) return;
  selection_bar_ = value;
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListMemoColumn::GetEditorClass() const {
  return TdxInplaceTreeListMemoEdit::EditorClass();
}

void TdxTreeListMemoColumn::PrepareViewData(editors::TdxEditViewData& data,
                                            const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  if (auto* text = dynamic_cast<editors::TdxTextEditViewData*>(&data)) {
    text->SelectionBar = selection_bar_;
  }
}

}  // namespace treelist
