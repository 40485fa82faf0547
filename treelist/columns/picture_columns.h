// The graphic column (a picture per node), the blob column (a memo, picture or binary value
// behind a popup) and the wrapper column (each cell done by another column). Picture and blob
// values are byte strings held one character per byte, so every byte comes back as it went.
#pragma once

#include <string>

#include "framework/picture.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/columns/typed_columns.h"

namespace treelist {

using editors::TdxBlobEditKind;
using editors::TdxBlobPaintStyle;
using editors::TdxGraphicTransparency;

// (column, node, graphic class): a handler may name the class a node's picture is read as.
using TdxGetGraphicClassEvent =
    framework::TEvent<framework::TComponent*, TdxTreeListNode*, framework::GraphicFactory&>;

class TdxTreeListGraphicColumn
    : public TdxDescribedColumn<TdxTreeListGraphicColumn, TdxTreeListColumn,
                                editors::TdxInplaceGraphicEdit> {
 public:
  explicit TdxTreeListGraphicColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  bool Center() const noexcept { return center_; }
  void SetCenter(bool value) { SetFlag(center_, value); }
  const std::wstring& CustomFilter() const noexcept { return custom_filter_; }
  void SetCustomFilter(const std::wstring& value) { custom_filter_ = value; }
  bool CustomGraphic() const noexcept { return custom_graphic_; }
  void SetCustomGraphic(bool value) { SetFlag(custom_graphic_, value); }
  bool DblClickActivate() const noexcept { return dbl_click_activate_; }
  void SetDblClickActivate(bool value) { dbl_click_activate_ = value; }
  TdxGraphicTransparency GraphicTransparency() const noexcept { return transparency_; }
  void SetGraphicTransparency(TdxGraphicTransparency value);
  bool PopupToolbarPosStored() const noexcept { return toolbar_pos_stored_; }
  // Not stored: the tool bar's place is forgotten.
  void SetPopupToolbarPosStored(bool value);
  POINT ToolbarPos() const noexcept { return toolbar_pos_; }
  bool QuickDraw() const noexcept { return quick_draw_; }
  void SetQuickDraw(bool value) { SetFlag(quick_draw_, value); }
  bool ShadowSelection() const noexcept { return shadow_selection_; }
  void SetShadowSelection(bool value) { SetFlag(shadow_selection_, value); }
  bool Stretch() const noexcept { return stretch_; }
  void SetStretch(bool value) { SetFlag(stretch_, value); }
  // The tool bar a right click on the editor pops up.
  editors::TdxPopupToolBarWindow& PopupToolBar() noexcept { return toolbar_; }
  const editors::TdxPopupToolBarWindow& PopupToolBar() const noexcept { return toolbar_; }
  void SetPopupToolBar(const editors::TdxPopupToolBarWindow& value) { toolbar_ = value; }
  // The clipboard format the editor copies and pastes pictures in, taken at creation.
  UINT ClipboardFormat() const noexcept { return clipboard_format_; }

  // Null, or what OnGetGraphicClass names for `node`.
  framework::GraphicFactory GetGraphicClass(TdxTreeListNode* node);
  // The node's picture in the column's working picture; a value that does not read is empty.
  framework::TPicture& LoadNodeGraphic(TdxTreeListNode* node);

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  // The editor's bytes as they are: a picture the user did not change keeps its file form.
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  int GetBestFitWidth(TdxTreeListNode* node, HDC dc) override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;

  editors::TdxPictureEvent OnAssignPicture;
  framework::TNotifyEvent OnCustomClick;
  TdxGetGraphicClassEvent OnGetGraphicClass;

 private:
  friend TdxDescribedColumn;
  // The tool bar (an object), the clipboard format, the tool bar's place and the events.
  void AssignMore(const TdxTreeListGraphicColumn& source) { toolbar_ = source.toolbar_; }
  void RestoreMore() { toolbar_ = editors::TdxPopupToolBarWindow(); }
  void InitMore(editors::TdxInplaceGraphicEdit& editor);
  void SetFlag(bool& field, bool value);

  bool center_ = true;
  std::wstring custom_filter_;
  bool custom_graphic_ = false;
  bool dbl_click_activate_ = true;
  TdxGraphicTransparency transparency_ = TdxGraphicTransparency::gtDefault;
  bool toolbar_pos_stored_ = true;
  POINT toolbar_pos_{-10000, -10000};
  bool quick_draw_ = false;
  bool shadow_selection_ = true;
  bool stretch_ = true;
  editors::TdxPopupToolBarWindow toolbar_;
  UINT clipboard_format_ = editors::PictureClipboardFormat();
  framework::TPicture picture_;
};

class TdxTreeListBlobColumn
    : public TdxDescribedColumn<TdxTreeListBlobColumn, TdxTreeListDropDownColumn,
                                editors::TdxInplaceBlobEdit> {
 public:
  using TdxDescribedColumn::TdxDescribedColumn;
  static const framework::TClassInfo& StaticClassInfo();

  bool AlwaysSaveText() const noexcept { return always_save_text_; }
  void SetAlwaysSaveText(bool value) { always_save_text_ = value; }
  TdxBlobEditKind BlobEditKind() const noexcept { return kind_; }
  void SetBlobEditKind(TdxBlobEditKind value);
  TdxBlobPaintStyle BlobPaintStyle() const noexcept { return paint_style_; }
  void SetBlobPaintStyle(TdxBlobPaintStyle value);
  int MaxDisplayLength() const noexcept { return max_display_length_; }
  // Characters of the text a cell shows (0 or less: all); the node keeps all of it.
  void SetMaxDisplayLength(int value);
  // How the memo popup edits the text.
  controls::TEditCharCase MemoCharCase() const noexcept { return memo_.CharCase; }
  void SetMemoCharCase(controls::TEditCharCase value) { memo_.CharCase = value; }
  bool MemoHideScrollBars() const noexcept { return memo_.HideScrollBars; }
  void SetMemoHideScrollBars(bool value) { memo_.HideScrollBars = value; }
  int MemoMaxLength() const noexcept { return memo_.MaxLength; }
  void SetMemoMaxLength(int value) { memo_.MaxLength = value; }
  bool MemoOEMConvert() const noexcept { return memo_.OEMConvert; }
  void SetMemoOEMConvert(bool value) { memo_.OEMConvert = value; }
  editors::TScrollStyle MemoScrollBars() const noexcept { return memo_.ScrollBars; }
  void SetMemoScrollBars(editors::TScrollStyle value) { memo_.ScrollBars = value; }
  bool MemoSelectionBar() const noexcept { return memo_.SelectionBar; }
  void SetMemoSelectionBar(bool value) { memo_.SelectionBar = value; }
  bool MemoWantReturns() const noexcept { return memo_.WantReturns; }
  void SetMemoWantReturns(bool value) { memo_.WantReturns = value; }
  bool MemoWantTabs() const noexcept { return memo_.WantTabs; }
  void SetMemoWantTabs(bool value) { memo_.WantTabs = value; }
  bool MemoWordWrap() const noexcept { return memo_.WordWrap; }
  void SetMemoWordWrap(bool value) { memo_.WordWrap = value; }
  int PopupWidth() const noexcept { return popup_width_; }
  void SetPopupWidth(int value) { popup_width_ = value; }
  int PopupHeight() const noexcept { return popup_height_; }
  void SetPopupHeight(int value) { popup_height_ = value; }
  bool PictureAutoSize() const noexcept { return picture_auto_size_; }
  void SetPictureAutoSize(bool value) { picture_auto_size_ = value; }
  bool SizeablePopup() const noexcept { return sizeable_popup_; }
  void SetSizeablePopup(bool value) { sizeable_popup_ = value; }
  // The file dialog filter for loading and saving a picture (empty: every picture kind).
  const std::wstring& PictureFilter() const noexcept { return picture_filter_; }
  void SetPictureFilter(const std::wstring& value) { picture_filter_ = value; }
  TdxGraphicTransparency PictureTransparency() const noexcept { return picture_transparency_; }
  void SetPictureTransparency(TdxGraphicTransparency value) { picture_transparency_ = value; }
  // A right click on the popup's picture shows its menu; with ShowExPopupItems it also loads
  // and saves.
  bool ShowPicturePopup() const noexcept { return show_picture_popup_; }
  void SetShowPicturePopup(bool value) { show_picture_popup_ = value; }
  bool ShowExPopupItems() const noexcept { return show_ex_popup_items_; }
  void SetShowExPopupItems(bool value) { show_ex_popup_items_ = value; }
  UINT ClipboardFormat() const noexcept { return clipboard_format_; }

  framework::GraphicFactory GetGraphicClass(TdxTreeListNode* node);

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  // The node's text goes into a blob editor and comes back as it is, byte for byte.
  framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;

  editors::TdxPictureEvent OnAssignPicture;
  TdxGetGraphicClassEvent OnGetGraphicClass;

 private:
  friend TdxDescribedColumn;
  // The memo settings (handed on together), the clipboard format, the focused node's text and
  // the events.
  void InitMore(editors::TdxInplaceBlobEdit& editor);

  bool always_save_text_ = false;
  TdxBlobEditKind kind_ = TdxBlobEditKind::bekMemo;
  TdxBlobPaintStyle paint_style_ = TdxBlobPaintStyle::bpsIcon;
  int max_display_length_ = 255;
  editors::TdxMemoSettings memo_;
  int popup_width_ = 200, popup_height_ = 140;
  bool sizeable_popup_ = true;
  bool picture_auto_size_ = true;
  std::wstring picture_filter_;
  TdxGraphicTransparency picture_transparency_ = TdxGraphicTransparency::gtDefault;
  bool show_picture_popup_ = false, show_ex_popup_items_ = false;
  UINT clipboard_format_ = editors::PictureClipboardFormat();
};

// (column, node, reference column): a handler names the column that does the node's cell.
using TdxTLGetReferenceColumnEvent =
    framework::TEvent<framework::TComponent*, TdxTreeListNode*, TdxTreeListColumn*&>;

class TdxTreeListWrapperColumn : public TdxTreeListColumn {
 public:
  using TdxTreeListColumn::TdxTreeListColumn;
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // The column that does the cell of `node` (null: the focused node), or null. A wrapper
  // column is refused: one naming itself or another wrapper would ask round in circles.
  TdxTreeListColumn* GetReferenceColumn(TdxTreeListNode* node) const;

  // Editing, painting and the cursor run in the reference column on this column's value slot.
  framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                     editors::TdxInplaceEdit& editor) override;
  void GetCellCursor(TdxTreeListNode* node, HCURSOR& cursor) override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  // Asked for the node being painted, else the focused one.
  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  editors::TdxEditViewData& GetViewData() override;
  void InitEditor(editors::TdxInplaceEdit& editor) override;
  bool HasButtonAt(int x, int y, bool grid_default) override;

  TdxTLGetReferenceColumnEvent OnGetReferenceColumn;
};

}  // namespace treelist
