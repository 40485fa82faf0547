// The button column (edit buttons beside the text), the image column (values shown as images
// and descriptions) and the hyperlink column (a link in the cell).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/image_list.h"
#include "treelist/columns/drop_down_columns.h"

namespace treelist {

// Which button a button column starts with: none, or one of the given kind.
enum class TdxEditButtonStyle { ebsSimple, ebsEllipsis, ebsDown, ebsGlyph };
// (column, the index of the button clicked)
using TdxEditButtonClickEvent = framework::TEvent<framework::TComponent*, int>;

class TdxTreeListButtonColumn
    : public TdxDescribedColumn<TdxTreeListButtonColumn, TdxTreeListDropDownColumn,
                                editors::TdxInplaceButtonEdit> {
 public:
  explicit TdxTreeListButtonColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  bool ButtonOnly() const noexcept { return button_only_; }
  void SetButtonOnly(bool value);
  editors::TdxEditButtons& Buttons() noexcept { return buttons_; }
  void SetButtons(const editors::TdxEditButtons& value) { buttons_.Assign(value); }
  // The buttons as a form description lists them; written when they are not the one ellipsis.
  std::vector<void*> ButtonItems();
  void ClearButtons() { buttons_.Clear(); }
  void* AddButton() { return &buttons_.Add(); }
  bool IsButtonsStored() const;
  TdxEditButtonStyle EditButtonStyle() const noexcept { return edit_button_style_; }
  // Any style but ebsSimple makes sure of a first button of its kind; ebsSimple removes all.
  void SetEditButtonStyle(TdxEditButtonStyle value);
  unsigned ClickKey() const noexcept { return click_key_; }
  void SetClickKey(unsigned value) { click_key_ = value; }
  framework::TBitmap& Glyph() noexcept { return glyph_; }
  // Also the first button's glyph.
  void SetGlyph(const framework::TBitmap& value);
  // The glyph as a form description keeps it: nothing while it is empty.
  void ReadGlyph(framework::TStream& stream);
  void WriteGlyph(framework::TStream& stream);
  bool HideEditCursor() const noexcept { return hide_edit_cursor_; }
  void SetHideEditCursor(bool value);

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  virtual void DoButtonClick(int index) { OnButtonClick(this, index); }

  TdxEditButtonClickEvent OnButtonClick;

 protected:
  friend TdxDescribedColumn;
  // The buttons and the glyph; the text mode the editor gets from two settings.
  void AssignMore(const TdxTreeListButtonColumn& source);
  void RestoreMore();
  void InitMore(editors::TdxInplaceButtonEdit& editor);

 private:
  bool button_only_ = false;
  editors::TdxEditButtons buttons_;
  TdxEditButtonStyle edit_button_style_ = TdxEditButtonStyle::ebsEllipsis;
  unsigned click_key_ = kCtrlEnterShortCut;
  framework::TBitmap glyph_;
  bool hide_edit_cursor_ = false;
};

// (column, value, accept)
using TdxTLImageColumnCloseUp = framework::TEvent<framework::TComponent*, std::string&, bool&>;

class TdxTreeListImageColumn
    : public TdxDescribedColumn<TdxTreeListImageColumn, TdxTreeListDropDownColumn,
                                editors::TdxInplaceImageEdit> {
 public:
  explicit TdxTreeListImageColumn(framework::TComponent* owner);
  ~TdxTreeListImageColumn() override;
  static const framework::TClassInfo& StaticClassInfo();

  bool DefaultImages() const noexcept { return default_images_; }
  void SetDefaultImages(bool value);
  const std::vector<std::string>& Descriptions() const noexcept { return descriptions_; }
  void SetDescriptions(const std::vector<std::string>& value);
  const std::vector<std::string>& ImageIndexes() const noexcept { return image_indexes_; }
  void SetImageIndexes(const std::vector<std::string>& value);
  const std::vector<std::string>& Values() const noexcept { return values_; }
  void SetValues(const std::vector<std::string>& value);
  // Referenced, not owned: a list that goes away is dropped.
  framework::TImageList* Images() const noexcept { return images_; }
  void SetImages(framework::TImageList* value);
  framework::TImageList* LargeImages() const noexcept { return large_images_; }
  void SetLargeImages(framework::TImageList* value);
  bool Incremental() const noexcept { return incremental_; }
  void SetIncremental(bool value) { incremental_ = value; }
  bool MultiLineText() const noexcept { return multi_line_text_; }
  void SetMultiLineText(bool value);
  bool ShowDescription() const noexcept { return show_description_; }
  void SetShowDescription(bool value);

  // The value's description when the lists give it one, else the text as it is.
  std::wstring GetDisplayText(TdxTreeListNode* node, const std::wstring& source) const override;
  int GetBestFitWidth(TdxTreeListNode* node, HDC dc) override;
  int GetMinCellHeight() override { return images_ ? images_->Height() : 0; }
  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  void DoCloseUp(std::wstring& text, bool& accept) override;
  void Notification(framework::TComponent* component, framework::TOperation operation) override;

  TdxTLImageColumnCloseUp OnCloseUp;

 protected:
  friend TdxDescribedColumn;
  // The image lists, which the class table does not describe.
  void AssignMore(const TdxTreeListImageColumn& source);
  void InitMore(editors::TdxInplaceImageEdit& editor);

 private:
  // The description `text` has in the lists; empty when it has none.
  std::wstring Description(const std::wstring& text) const;
  void ReplaceImages(framework::TImageList*& field, framework::TImageList* value);

  bool default_images_ = true;
  std::vector<std::string> descriptions_, image_indexes_, values_;
  framework::TImageList* images_ = nullptr;
  framework::TImageList* large_images_ = nullptr;
  bool incremental_ = false;
  bool multi_line_text_ = false;
  bool show_description_ = false;
};

class TdxTreeListHyperLinkColumn
    : public TdxDescribedColumn<TdxTreeListHyperLinkColumn, TdxTreeListColumn,
                                editors::TdxInplaceHyperLinkEdit> {
 public:
  explicit TdxTreeListHyperLinkColumn(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();

  framework::TColor EditBackgroundColor() const noexcept { return background_; }
  void SetEditBackgroundColor(framework::TColor value);
  framework::TColor EditFontColor() const noexcept { return font_color_; }
  void SetEditFontColor(framework::TColor value);
  bool SingleClick() const noexcept { return single_click_; }
  void SetSingleClick(bool value);
  unsigned StartKey() const noexcept { return start_key_; }
  void SetStartKey(unsigned value) { start_key_ = value; }
  // Underlined; in the link colour when one click starts the link, else the cell's.
  const framework::TFont& LinkFont() const noexcept { return link_font_; }

  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  void GetCellCursor(TdxTreeListNode* node, HCURSOR& cursor) override;
  void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell) override;
  virtual void DoStartClick() { OnStartClick(this); }

  framework::TNotifyEvent OnStartClick;

 protected:
  friend TdxDescribedColumn;
  // The start-click event, hooked only while the column has a handler.
  void InitMore(editors::TdxInplaceHyperLinkEdit& editor);

 private:
  void BuildLinkFont();

  framework::TColor background_ = framework::clWhite;
  framework::TColor font_color_ = framework::clBlue;
  bool single_click_ = false;
  unsigned start_key_ = kCtrlEnterShortCut;
  framework::TFont link_font_;
};

}  // namespace treelist
