// The grid's column: how one value slot of every node is shown, sized, sorted and edited. Typed
// columns derive from it and change its defaults, its editor and the way values go in and out.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "controls/edit_text_model.h"
#include "editors/date_edits.h"
#include "editors/text_edit.h"
#include "editors/view_data.h"
#include "framework/classes.h"
#include "framework/graphics.h"
#include "framework/persistence.h"
#include "framework/picture.h"
#include "framework/stdctrls.h"
#include "framework/variant.h"

namespace treelist {

class TCustomdxTreeListControl;
class TdxTreeListNode;

enum class TdxTreeListColumnSort { csNone, csDown, csUp };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

// The values a column answers from a default until they are set: bits of AssignedValues.
enum TdxColumnValue : unsigned {
  cvAlignment = 1,
  cvCaption = 2,
  cvReadOnly = 4,
  cvWidth = 8,
  cvColor = 16,
  cvFont = 32,
  cvMaxLength = 64,
};

// The grid's text editors: the narrow one keeps what the ANSI code page can hold.
class TdxInplaceTreeListTextEdit : public editors::TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  static const editors::TdxInplaceEditClass& EditorClass();
  const editors::TdxInplaceEditClass& Class() const override { return EditorClass(); }
};
class TdxInplaceTreeListTextEditW : public editors::TdxInplaceTextEdit {
 public:
  using TdxInplaceTextEdit::TdxInplaceTextEdit;
  static const editors::TdxInplaceEditClass& EditorClass();
  const editors::TdxInplaceEditClass& Class() const override { return EditorClass(); }
};
class TdxInplaceTreeListMaskEdit : public editors::TdxInplaceMaskEdit {
 public:
  using TdxInplaceMaskEdit::TdxInplaceMaskEdit;
  static const editors::TdxInplaceEditClass& EditorClass();
  const editors::TdxInplaceEditClass& Class() const override { return EditorClass(); }
};

class TdxTreeListColumn;

// One cell as custom drawing sees it; a handler that paints it all sets `done`.
struct TdxCellDrawInfo {
  HDC dc = nullptr;
  RECT rect{};
  TdxTreeListNode* node = nullptr;
  TdxTreeListColumn* column = nullptr;
  bool selected = false;
  bool focused = false;
  framework::TColor color = framework::clWindow;
  framework::TFont* font = nullptr;
  framework::TAlignment alignment = framework::TAlignment::taLeftJustify;
  bool done = false;
};

// One header cell as custom drawing sees it.
struct TdxHeaderDrawInfo {
  HDC dc = nullptr;
  RECT rect{};
  std::wstring text;
  framework::TAlignment alignment = framework::TAlignment::taLeftJustify;
  bool done = false;
};

// (column, cell, text): the narrow form gets a copy of the text in the ANSI code page.
using TdxCustomDrawCellEvent =
    framework::TEvent<framework::TComponent*, TdxCellDrawInfo&, std::string&>;
using TdxCustomDrawCellWideEvent =
    framework::TEvent<framework::TComponent*, TdxCellDrawInfo&, std::wstring&>;
using TdxCustomDrawHeaderEvent = framework::TEvent<framework::TComponent*, TdxHeaderDrawInfo&>;
// The narrow handler with a copy of the text in the ANSI code page (taken back only when it
// changed), then the wide one.
void RunCellDrawHandlers(framework::TComponent* sender, const TdxCustomDrawCellEvent& narrow,
                         const TdxCustomDrawCellWideEvent& wide, TdxCellDrawInfo& cell,
                         std::wstring& text);
// (column, error text, accept): a handler may refuse the edited value.
using TdxColumnValidateEvent = framework::TEvent<framework::TComponent*, std::string&, bool&>;

// What the grid knows of a cell when it fills the cell's painting record.
struct TdxCellViewInfo {
  TdxTreeListNode* node = nullptr;
  RECT rect{};
  bool selected = false;
  bool multi_line = false;
  bool end_ellipsis = false;
  bool hot_track = false;
  bool hot = false;
  framework::TAlignment alignment = framework::TAlignment::taLeftJustify;
  HFONT font = nullptr;
  framework::TColor brush_color = framework::clWindow;
  framework::TColor text_color = framework::clWindowText;
  std::wstring text;
};

class TdxTreeListColumn : public framework::TComponent {
 public:
  explicit TdxTreeListColumn(framework::TComponent* owner);
  ~TdxTreeListColumn() override;
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TCustomdxTreeListControl* TreeList() const noexcept { return tree_list_; }
  // Detaches from the old tree list and joins the new one (null: detached).
  void SetTreeList(TCustomdxTreeListControl* tree_list);

  // Values that read a default until they are set.
  unsigned AssignedValues() const noexcept { return assigned_; }
  bool IsAssigned(TdxColumnValue value) const noexcept { return assigned_ & value; }
  framework::TAlignment Alignment() const;
  void SetAlignment(framework::TAlignment value);
  std::wstring Caption() const;
  void SetCaption(const std::wstring& value);
  framework::TColor Color() const;
  void SetColor(framework::TColor value);
  int MaxLength() const;
  void SetMaxLength(int value);
  bool ReadOnly() const;
  void SetReadOnly(bool value);
  int Width() const noexcept { return width_; }
  void SetWidth(int value);
  // The tree list's font until one is set; changing the returned font sets it.
  framework::TFont& Font();
  void SetFont(const framework::TFont& value);

  controls::TEditCharCase CharCase() const noexcept { return char_case_; }
  void SetCharCase(controls::TEditCharCase value);
  bool DisableCaption() const noexcept { return disable_caption_; }
  void SetDisableCaption(bool value);
  bool DisableCustomizing() const noexcept { return disable_customizing_; }
  void SetDisableCustomizing(bool value);
  bool DisableDragging() const noexcept { return disable_dragging_; }
  void SetDisableDragging(bool value) { disable_dragging_ = value; }
  bool DisableEditor() const noexcept { return disable_editor_; }
  void SetDisableEditor(bool value) { disable_editor_ = value; }
  framework::TAlignment HeaderAlignment() const noexcept { return header_alignment_; }
  void SetHeaderAlignment(framework::TAlignment value);
  // Made on first read; null frees it, else the picture is copied.
  framework::TBitmap& HeaderGlyph();
  bool HasHeaderGlyph() const noexcept { return header_glyph_ != nullptr; }
  void SetHeaderGlyph(const framework::TBitmap* value);
  int HeaderMaxLineCount() const noexcept { return header_max_line_count_; }
  void SetHeaderMaxLineCount(int value);
  int MinWidth() const noexcept { return min_width_; }
  void SetMinWidth(int value);
  bool OEMConvert() const noexcept { return oem_convert_; }
  void SetOEMConvert(bool value);
  char PasswordChar() const noexcept { return password_char_; }
  void SetPasswordChar(char value);
  bool Sizing() const noexcept { return sizing_; }
  void SetSizing(bool value);
  bool TabStop() const noexcept { return tab_stop_; }
  void SetTabStop(bool value) { tab_stop_ = value; }
  TTextLayout VertAlignment() const noexcept { return vert_alignment_; }
  void SetVertAlignment(TTextLayout value);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value);
  bool SortingDisabled() const noexcept { return sorting_disabled_; }
  void SetSortingDisabled(bool value);
  TdxTreeListColumnSort Sorted() const noexcept { return sorted_; }
  void SetSorted(TdxTreeListColumnSort value);

  // Place in the header: band (-1 none), row inside the band, position inside the row.
  int BandIndex() const noexcept { return band_index_; }
  void SetBandIndex(int value);
  int RowIndex() const;
  void SetRowIndex(int value);
  int StoredRowIndex() const noexcept { return stored_row_index_; }
  void SetStoredRowIndex(int value) noexcept { stored_row_index_ = value; }
  // The raw row, kept in range by the tree list's row normalizing.
  int RowField() const noexcept { return row_index_; }
  void SetRowField(int value) noexcept { row_index_ = value; }
  int ColIndex() const;
  void SetColIndex(int value);
  // Position among the sorted columns as read from a stream or a stored layout (-1 none).
  int LoadedSortOrder() const noexcept { return loaded_sort_order_; }
  void SetLoadedSortOrder(int value) noexcept { loaded_sort_order_ = value; }
  // The position in the tree list's sorted-column list as written (-1 when not sorted).
  int SortedOrder() const;
  // Index in the tree list's column list (-1 detached).
  int Index() const;
  // Moves the column in the tree list's column list; the nodes' values move with it.
  virtual void SetIndex(int value);

  // Stores a width the user dragged: at least MinWidth, marked set, no notification.
  void SetWidthSilently(int value);
  // Pixels added to the widest cell by best fit.
  int ExtraBestFitWidth() const noexcept { return extra_best_fit_width_; }

  // From another column, inside the tree list's update: defaults first, then what the source
  // has set, then its settings and place.
  virtual void Assign(const TdxTreeListColumn& source);
  // Clears the set values and the settings a user may change back to their defaults.
  virtual void RestoreDefaults();
  void Loaded() override;

  // ---- editing and painting, overridden by the typed columns -------------------------------
  // The node value slot the column shows: its position, or the override.
  virtual int GetDataIndex() const;
  // The value slot shown instead of the column's own (-1: its own): a wrapper column lends
  // its slot to the column that does its work.
  int DataIndexOverride() const noexcept { return data_index_override_; }
  void SetDataIndexOverride(int index) noexcept { data_index_override_ = index; }
  virtual const editors::TdxInplaceEditClass& GetEditorClass() const;
  virtual void InitEditor(editors::TdxInplaceEdit& editor);
  virtual framework::Variant LoadEditorValue(TdxTreeListNode* node,
                                             editors::TdxInplaceEdit& editor);
  virtual framework::Variant SaveEditorValue(TdxTreeListNode* node,
                                             editors::TdxInplaceEdit& editor);
  virtual std::wstring GetCellText(TdxTreeListNode* node) const;
  virtual std::wstring GetDisplayText(TdxTreeListNode* node, const std::wstring& source) const;
  virtual bool CanEdit() const { return !disable_editor_; }
  virtual bool CanHeaderSort() const;
  virtual bool HasCustomDraw() const;
  virtual void DoCustomDrawCell(TdxCellDrawInfo& cell, std::wstring& text);
  virtual void DoChange();
  virtual void DoValidate(std::string& error, bool& accept);
  // The painting record of the column's editor class, made on first use.
  virtual editors::TdxEditViewData& GetViewData();
  virtual void PrepareViewData(editors::TdxEditViewData& data, const TdxCellViewInfo& cell);
  virtual int GetBestFitWidth(TdxTreeListNode* node, HDC dc);
  // Per-cell questions of the grid.
  virtual void GetCellCursor(TdxTreeListNode* node, HCURSOR& cursor) { (void)node, (void)cursor; }
  virtual int GetMinCellHeight() { return 0; }
  virtual bool NeedHotTrack(TdxTreeListNode* node, int x, int y, bool button) {
    (void)node, (void)x, (void)y, (void)button;
    return false;
  }
  // Asked only when the grid's own answer is yes, with the default it was given.
  virtual bool HasButtonAt(int x, int y, bool grid_default) {
    (void)x, (void)y, (void)grid_default;
    return false;
  }
  virtual bool IsMemoColumn() const { return false; }
  // The user's locale settings changed (the grid got the settings-change message).
  virtual void SettingsChanged() {}
  // The node whose cell the grid is painting while it asks this column (null otherwise).
  TdxTreeListNode* PaintedNode() const noexcept { return painted_node_; }
  void SetPaintedNode(TdxTreeListNode* node) noexcept { painted_node_ = node; }

  TdxCustomDrawCellEvent OnCustomDrawCell;
  TdxCustomDrawCellWideEvent OnCustomDrawCellWide;
  TdxCustomDrawHeaderEvent OnCustomDrawColumnHeader;
  framework::TNotifyEvent OnChange;
  TdxColumnValidateEvent OnValidate;

 protected:
  virtual framework::TAlignment DefaultAlignment() const {
    return framework::TAlignment::taLeftJustify;
  }
  virtual std::wstring DefaultCaption() const { return {}; }
  virtual int DefaultMaxLength() const { return 0; }
  virtual bool DefaultReadOnly() const { return false; }
  virtual int DefaultWidth() const { return 100; }
  // Every setter ends here: the tree list lays its columns out again.
  void Changed();
  void FontChanged();
  // Runs `body` inside the tree list's update lock (or at once without a tree list).
  template <class Body>
  void InTreeListUpdate(Body&& body);

  int extra_best_fit_width_ = 0;

 private:
  friend class TCustomdxTreeListControl;
  bool IsColorStored() const;
  bool IsMaxLengthStored() const;
  bool IsReadOnlyStored() const;
  bool IsWidthStored() const { return IsAssigned(cvWidth); }
  bool IsAlignmentStored() const { return IsAssigned(cvAlignment); }
  bool IsFontStored() const { return IsAssigned(cvFont); }
  bool IsSortedOrderStored() const;
  bool IsStoredRowIndexStored() const { return stored_row_index_ != 0; }
  void SetSortedOrder(int value) { loaded_sort_order_ = value; }
  int PublishedAlignment() const { return static_cast<int>(Alignment()); }
  void SetPublishedCaption(const std::wstring& value) { SetCaption(value); }
  void SetPublishedStoredRowIndex(int value) { stored_row_index_ = value; }
  std::string PasswordCharText() const {
    return password_char_ ? std::string(1, password_char_) : "";
  }
  void SetPasswordCharText(const std::string& value) {
    SetPasswordChar(value.empty() ? 0 : value[0]);
  }
  // The width the default gives, when the width was never set.
  void SyncDefaultWidth();
  void SyncFont();
  void SetAssigned(TdxColumnValue value) noexcept { assigned_ |= value; }

  TCustomdxTreeListControl* tree_list_ = nullptr;
  framework::TAlignment alignment_ = framework::TAlignment::taLeftJustify;
  std::wstring caption_;
  controls::TEditCharCase char_case_ = controls::TEditCharCase::ecNormal;
  framework::TColor color_ = framework::clWindow;
  bool disable_caption_ = false, disable_customizing_ = false, disable_editor_ = false;
  bool disable_dragging_ = false;
  std::unique_ptr<framework::TFont> font_;
  framework::TAlignment header_alignment_ = framework::TAlignment::taLeftJustify;
  std::unique_ptr<framework::TBitmap> header_glyph_;
  int max_length_ = 0;
  int min_width_ = 20;
  bool oem_convert_ = false;
  char password_char_ = 0;
  bool read_only_ = false;
  int loaded_sort_order_ = -1;
  bool sizing_ = true;
  bool tab_stop_ = true;
  TTextLayout vert_alignment_ = TTextLayout::tlTop;
  bool visible_ = true;
  int width_ = 100;
  unsigned assigned_ = 0;
  int band_index_ = 0;
  int row_index_ = 0;
  int header_max_line_count_ = 1;
  int stored_row_index_ = 0;
  std::unique_ptr<editors::TdxEditViewData> view_data_;
  bool sorting_disabled_ = false;
  TdxTreeListColumnSort sorted_ = TdxTreeListColumnSort::csNone;
  int data_index_override_ = -1;
  TdxTreeListNode* painted_node_ = nullptr;
};

// A column whose editor types into an edit mask.
class TdxTreeListMaskColumn : public TdxTreeListColumn {
 public:
  using TdxTreeListColumn::TdxTreeListColumn;
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::wstring& EditMask() const noexcept { return edit_mask_; }
  void SetEditMask(const std::wstring& value) { edit_mask_ = value; }
  bool IgnoreMaskBlank() const noexcept { return ignore_mask_blank_; }
  void SetIgnoreMaskBlank(bool value) { ignore_mask_blank_ = value; }

  // The base assignment, then the mask settings of a mask column.
  void Assign(const TdxTreeListColumn& source) override;
  void RestoreDefaults() override;
  const editors::TdxInplaceEditClass& GetEditorClass() const override;
  void InitEditor(editors::TdxInplaceEdit& editor) override;

 private:
  std::wstring edit_mask_;
  bool ignore_mask_blank_ = false;
};

}  // namespace treelist
