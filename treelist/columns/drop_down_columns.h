// The drop-down columns: the common base of the columns whose editor opens a popup (its
// drop-down settings, edit-button rule and close-up dispatch), the pick column (a value picked
// from a list) and the most-recently-used column (a pick list that keeps what was entered).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "treelist/columns/column.h"
#include "treelist/columns/typed_columns.h"

namespace treelist {

using editors::TdxPopupBorder;

class TdxTreeListDropDownColumn
    : public TdxDescribedColumn<TdxTreeListDropDownColumn, TdxTreeListColumn,
                                editors::TdxInplaceDropDownEdit> {
 public:
  using TdxDescribedColumn::TdxDescribedColumn;
  // Describes the drop-down settings; its descendants publish those their editors use.
  static const framework::TClassInfo& StaticClassInfo();

  // Made empty on first read; a bitmap that is not empty is copied, others free the own one.
  framework::TBitmap& ButtonGlyph();
  void SetButtonGlyph(const framework::TBitmap* value);
  int DropDownRows() const noexcept { return drop_down_rows_; }
  void SetDropDownRows(int value) { drop_down_rows_ = value; }
  int DropDownWidth() const noexcept { return drop_down_width_; }
  void SetDropDownWidth(int value) { drop_down_width_ = value; }
  bool ImmediateDropDown() const noexcept { return immediate_drop_down_; }
  void SetImmediateDropDown(bool value) { immediate_drop_down_ = value; }
  bool ImmediatePopup() const noexcept { return immediate_popup_; }
  void SetImmediatePopup(bool value) { immediate_popup_ = value; }
  framework::TAlignment PopupAlignment() const noexcept { return popup_alignment_; }
  void SetPopupAlignment(framework::TAlignment value) { popup_alignment_ = value; }
  TdxPopupBorder PopupBorder() const noexcept { return popup_border_; }
  void SetPopupBorder(TdxPopupBorder value) { popup_border_ = value; }
  TdxShowButtonStyle ShowButtonStyle() const noexcept { return show_button_style_; }
  void SetShowButtonStyle(TdxShowButtonStyle value);

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  // A wide-character editor gets only the base set-up.
  void InitEditor(editors::TdxInplaceEdit& editor) override;
  // The wide-character editors load and keep the node's text as it is.
  framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  bool NeedHotTrack(TdxTreeListNode*, int, int, bool) override { return true; }
  bool HasButtonAt(int x, int y, bool grid_default) override;
  // Whether the painted cell of `node` shows the edit button.
  virtual bool ShowsButton(const TdxTreeListNode* node) const;
  // The popup closed choosing `text`; a column may change the text or refuse it.
  virtual void DoCloseUp(std::wstring& text, bool& accept);
  virtual void DoEditButtonClick() { OnEditButtonClick(this); }

  framework::TNotifyEvent OnEditButtonClick;

 protected:
  friend TdxDescribedColumn;
  // The button glyph and the popup's events.
  void InitMore(editors::TdxInplaceDropDownEdit& editor);
  // The button glyph when one was made and is not empty.
  HBITMAP StoredButtonGlyph() const;

 private:
  std::unique_ptr<framework::TBitmap> button_glyph_;
  int drop_down_rows_ = 7;
  int drop_down_width_ = 0;
  bool immediate_drop_down_ = false;
  bool immediate_popup_ = false;
  framework::TAlignment popup_alignment_ = framework::TAlignment::taLeftJustify;
  TdxPopupBorder popup_border_ = TdxPopupBorder::pbDefault;
  TdxShowButtonStyle show_button_style_ = TdxShowButtonStyle::sbDefault;
};

// (column, value, accept): the value is the text the popup chose; a handler may change it.
using TdxTLPickColumnCloseUp =
    framework::TEvent<framework::TComponent*, framework::Variant&, bool&>;

class TdxTreeListPickColumn
    : public TdxDescribedColumn<TdxTreeListPickColumn, TdxTreeListDropDownColumn,
                                editors::TdxInplacePickEdit> {
 public:
  explicit TdxTreeListPickColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  bool DropDownListStyle() const noexcept { return drop_down_list_style_; }
  void SetDropDownListStyle(bool value) { drop_down_list_style_ = value; }
  const std::vector<std::string>& Items() const noexcept { return items_; }
  void SetItems(const std::vector<std::string>& value);
  bool ItemsSorted() const noexcept { return items_sorted_; }
  void SetItemsSorted(bool value) { items_sorted_ = value; }
  bool CanDeleteText() const noexcept { return can_delete_text_; }
  void SetCanDeleteText(bool value) { can_delete_text_ = value; }
  bool Revertable() const noexcept { return revertable_; }
  void SetRevertable(bool value) { revertable_ = value; }
  // The item list's case sensitivity.
  bool CaseSensitive() const noexcept { return case_sensitive_; }
  void SetCaseSensitive(bool value) { case_sensitive_ = value; }

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  // A wide-character editor gets only the list, its case sensitivity and its sorting.
  void InitEditor(editors::TdxInplaceEdit& editor) override;
  void DoCloseUp(std::wstring& text, bool& accept) override;

  TdxTLPickColumnCloseUp OnCloseUp;

 protected:
  void SetItemsSilently(std::vector<std::string> value) { items_ = std::move(value); }

 private:
  bool drop_down_list_style_ = false;
  std::vector<std::string> items_;
  bool items_sorted_ = false;
  bool can_delete_text_ = false;
  bool revertable_ = false;
  bool case_sensitive_ = false;
};

class TdxTreeListMRUColumn : public TdxDescribedColumn<TdxTreeListMRUColumn, TdxTreeListPickColumn,
                                                       editors::TdxInplaceMRUEdit> {
 public:
  explicit TdxTreeListMRUColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  int MaxItemCount() const noexcept { return max_item_count_; }
  void SetMaxItemCount(int value) { max_item_count_ = value; }
  bool ShowEllipsis() const noexcept { return show_ellipsis_; }
  void SetShowEllipsis(bool value);

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  // The editor's text is stored, and the editor's list becomes the column's for the next edit.
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  virtual void DoButtonClick() { OnButtonClick(this); }

  framework::TNotifyEvent OnButtonClick;

 protected:
  friend TdxDescribedColumn;
  void InitMore(editors::TdxInplaceMRUEdit& editor) {
    editor.OnMRUButtonClick = [this](framework::TComponent*) { DoButtonClick(); };
  }

 private:
  int max_item_count_ = 7;
  bool show_ellipsis_ = true;
};

}  // namespace treelist
