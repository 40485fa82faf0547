// The grid with columns: its nodes are text nodes holding one text per column value slot, its
// columns sit in bands and header rows that it lays out for the core, and it stores its nodes
// in its binary "Data" stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/ini_files.h"
#include "framework/streams.h"
#include "treelist/columns/bands.h"
#include "treelist/columns/column.h"
#include "treelist/core/text_node.h"
#include "treelist/core/tree_list.h"

namespace treelist {

class TdxTreeListCustomizeForm;

// The customizing form stands on the floor above (treelist/customize/): it is made and freed
// there.
struct CustomizeFormDelete {
  void operator()(TdxTreeListCustomizeForm* form) const noexcept;
};

using TNodeIndexEvent = framework::TEvent<framework::TComponent*, TdxTreeListNode*, int&>;
using TColumnEvent = framework::TEvent<framework::TComponent*, TdxTreeListColumn*>;
using TColumnAllowEvent = framework::TEvent<framework::TComponent*, TdxTreeListColumn*, bool&>;
using TColumnSortedEvent =
    framework::TEvent<framework::TComponent*, TdxTreeListColumn*, TdxTreeListColumnSort&>;
using TBandEvent = framework::TEvent<framework::TComponent*, TdxTreeListBand*>;
using TBandAllowEvent = framework::TEvent<framework::TComponent*, TdxTreeListBand*, bool&>;
// (grid, band, its visible position)
using TBandShowEvent = framework::TEvent<framework::TComponent*, TdxTreeListBand*, int>;
// (grid, band, cursor in screen coordinates, old visible position, drop position, accept)
using TBandDragEndEvent =
    framework::TEvent<framework::TComponent*, TdxTreeListBand*, POINT, int, int&, bool&>;
// (grid, column, cursor in screen coordinates, old header position, drop place, accept)
using THeaderDragEndEvent = framework::TEvent<framework::TComponent*, TdxTreeListColumn*, POINT,
                                              int, HeaderDropPosition&, bool&>;
// (grid, column, its place in its header row before the move, the place it is dropped at)
using TColumnMovedEvent = framework::TEvent<framework::TComponent*, TdxTreeListColumn*, int, int>;
// (grid, column, cell, text): the general cell handler, asked first.
using TColumnCellDrawEvent =
    framework::TEvent<framework::TComponent*, TdxTreeListColumn*, TdxCellDrawInfo&, std::wstring&>;

class TCustomdxTreeListControl : public TCustomdxTreeList {
 public:
  using ImageKind = TreeListNodeOwner::ImageKind;
  explicit TCustomdxTreeListControl(framework::TComponent* owner);
  ~TCustomdxTreeListControl() override;

  // Node data. Image indexes: a text node's own, else 0 / -1 / -1, then the matching event.
  int GetNodeImageIndex(const TdxTreeListNode* node, ImageKind kind) override;
  // Text nodes only: stores a value other than the getter's answer and repaints the node.
  void SetNodeImageIndex(TdxTreeListNode* node, ImageKind kind, int index) override;
  std::wstring GetNodeString(const TdxTreeListNode* node, int index) override;
  void SetNodeString(TdxTreeListNode* node, int index, const std::wstring& text) override;
  framework::Variant GetNodeValue(const TdxTreeListNode* node, int index) override;
  void SetNodeValue(TdxTreeListNode* node, int index, const framework::Variant& value) override;

  // A column moved from value slot `from` to `to`: every node's text moves with it.
  void MoveColumnValues(int from, int to);
  // A column of value slot `index` goes: every node drops that text, later ones move down.
  void ColumnRemovedFromNodes(int index);

  // The "Data" stream: all nodes with their texts, images and data words. Written only when
  // there are nodes. Reading replaces every node, or raises ENodeDataError and changes nothing.
  bool HasData() const noexcept { return Count() > 0; }
  void ReadData(framework::TStream& stream);
  void WriteData(framework::TStream& stream);
  // The marker the last read stream began with: 0 for the old form with 1-byte text lengths.
  int32_t DataFormatMarker() const noexcept { return data_format_marker_; }

  // ---- columns -------------------------------------------------------------------------------
  int ColumnCount() const noexcept { return static_cast<int>(columns_.size()); }
  // Null outside 0 .. ColumnCount() - 1.
  TdxTreeListColumn* Columns(int index) const noexcept;
  int IndexOfColumn(const TdxTreeListColumn* column) const;
  // A column of `make`'s class owned by `owner` (the grid when null), named after the grid.
  template <class Column>
  Column* CreateColumn(framework::TComponent* owner = nullptr) {
    auto* column = new Column(owner ? owner : this);
    NameAndAttach(*column);
    return column;
  }
  // The target of every column change: header rows normalized, the layout made again.
  void ColumnChanged();
  bool EnableUnicodeSupport() const noexcept { return enable_unicode_support_; }
  void SetEnableUnicodeSupport(bool value);
  // Button style of the cells and editors, from the look.
  editors::TdxEditButtonStyle EditButtonStyle() const;

  // ---- sorting by columns --------------------------------------------------------------------
  // The columns with a sort mark, in sort priority.
  const std::vector<TdxTreeListColumn*>& SortedColumns() const noexcept { return sorted_; }
  // While held, sorting waits; the last release sorts.
  void BeginSortLock() noexcept { ++sort_lock_; }
  void EndSortLock();
  bool SortLocked() const noexcept { return sort_lock_ > 0; }
  // Before a column gets a mark: a plain auto sort replaces every other mark.
  virtual void BeforeSortColumn(TdxTreeListColumn* column);
  virtual void AddSortedColumn(TdxTreeListColumn* column);
  void RemoveSortedColumn(TdxTreeListColumn* column);
  // The marked columns again, ordered by the order they were loaded with.
  void RebuildSortedColumns();
  // Sorts by the primary sorted column (aoAutoSort only).
  virtual void SortNodes();

  // ---- bands and header rows -----------------------------------------------------------------
  TdxTreeListBands& Bands() noexcept { return *bands_; }
  const TdxTreeListBands& Bands() const noexcept { return *bands_; }
  int BandRowCount() const noexcept { return band_row_count_; }
  void SetBandRowCount(int value);
  int BandMaxRowCount() const noexcept { return band_max_row_count_; }
  void SetBandMaxRowCount(int value);
  int HeaderMinRowCount() const noexcept { return header_min_row_count_; }
  void SetHeaderMinRowCount(int value);
  int HeaderPanelMaxRowCount() const noexcept { return header_panel_max_row_count_; }
  void SetHeaderPanelMaxRowCount(int value);
  int HeaderPanelRowCount() const noexcept { return header_panel_row_count_; }
  void SetHeaderPanelRowCount(int value);
  bool DefaultLayout() const noexcept { return default_layout_; }
  void SetDefaultLayout(bool value);
  // The band collection changed.
  void BandsChanged();
  // A band is about to go: columns of that band lose it, those of later bands follow down.
  void BandRemoving(int index);
  // A band moved from `from` to `to`: the columns keep their bands.
  void BandMoved(int from, int to);

  // Geometry the core lays out and paints from: visible bands, their rows and columns.
  const HeaderModel& GetHeaderModel() const override;
  int VisibleBandCount() const;
  // Absolute index of visible band `visible` (-1 past the end) and back (-1 when hidden).
  int BandAbsoluteIndex(int visible) const;
  int BandVisibleIndex(int absolute) const;
  int LeftFixedBand() const;
  int RightFixedBand() const;
  // Every column's row kept in range and no row of a band left empty.
  void NormalizeHeaderRows();
  void ClearLayoutCaches();

  // Widths from the cells' texts: one column, or every column (null).
  void ApplyBestFit(TdxTreeListColumn* column);
  // Bands and columns that are hidden follow a change of scale.
  void ScaleHidden(int multiplier, int divisor);

  // ---- stored layout -----------------------------------------------------------------------
  // With aoStoreToRegistry the layout lives under RegistryPath (below the application's root
  // when one is installed); with aoStoreToIniFile in IniFileName, section IniSectionName (else
  // "<form>_<grid>"). Read once after loading, written once on destruction.
  const std::string& RegistryPath() const noexcept { return registry_path_; }
  void SetRegistryPath(const std::string& value) { registry_path_ = value; }
  const std::string& IniFileName() const noexcept { return ini_file_name_; }
  void SetIniFileName(const std::string& value) { ini_file_name_ = value; }
  const std::string& IniSectionName() const noexcept { return ini_section_name_; }
  void SetIniSectionName(const std::string& value) { ini_section_name_ = value; }
  // An empty path or file name does nothing; a key that does not exist changes nothing.
  void LoadLayoutFromIniFile(const std::string& file_name);
  void SaveLayoutToIniFile(const std::string& file_name);
  void LoadLayoutFromRegistry(const std::string& path);
  void SaveLayoutToRegistry(const std::string& path);
  void EraseLayoutFromRegistry(const std::string& path);
  // The values under `base` of a store: missing ones stay as they are, values out of their
  // range are ignored. Locks are released and the store left open on every exit.
  void LoadLayoutFromIni(framework::TCustomIniFile& ini, const std::string& base);
  void SaveLayoutToIni(framework::TCustomIniFile& ini, const std::string& base);
  void EraseLayoutFromIni(framework::TCustomIniFile& ini, const std::string& base);
  // The stored layouts the options name, once each.
  void LoadLayout();
  void SaveLayout();
  // The registry paths: an older one (read, then erased when it differs) and the current one.
  std::string RegistryOldLocation() const;
  std::string RegistryLocation() const;
  void SetParent(framework::TWinControl* parent) override;

  // ---- cell, header and editor hooks --------------------------------------------------------
  // Whether handlers draw a column's cells or header; the handlers in their order until one
  // has drawn it (true then): the grid's, then the column's.
  bool IsCustomDrawCell(int column) const;
  bool CustomDrawCell(int column, TdxCellDrawInfo& cell, std::wstring& text);
  bool IsCustomDrawHeader(int column) const;
  bool CustomDrawHeader(int column, TdxHeaderDrawInfo& header);

  TColumnCellDrawEvent OnCustomDraw;
  TdxCustomDrawCellEvent OnCustomDrawCell;
  TdxCustomDrawCellWideEvent OnCustomDrawCellWide;
  TdxCustomDrawHeaderEvent OnCustomDrawColumnHeader;

  // ---- header interaction --------------------------------------------------------------------

  TNodeIndexEvent OnGetImageIndex, OnGetSelectedIndex, OnGetStateIndex;
  TColumnEvent OnColumnClick;
  TColumnAllowEvent OnColumnSorting;
  TColumnSortedEvent OnColumnSorted;
  framework::TNotifyEvent OnChangedColumnsWidth;
  // Band and header drags, moves, hides and shows, each after the grid's own step.
  TBandEvent OnBandClick, OnStartBandDragging, OnHideBand;
  TBandAllowEvent OnCanBandDragging;
  TBandDragEndEvent OnDragEndBand;
  TBandShowEvent OnShowBand;
  TColumnAllowEvent OnCanHeaderDragging;
  TColumnEvent OnStartHeaderDragging, OnHeaderMoved, OnHideHeader, OnShowHeader;
  THeaderDragEndEvent OnDragEndHeader;
  // With one band shown, a header drag's end also says where the column went, then that the
  // drag ended.
  TColumnMovedEvent OnColumnMoved;
  TColumnEvent OnEndDragColumn;
  // The text a dragged node's picture shows (grid, node, column, text).
  framework::TEvent<framework::TComponent*, TdxTreeListNode*, TdxTreeListColumn*, std::wstring&>
      OnGetNodeDragText;

  // ---- the customizing form (customizing_form.cpp) --------------------------------------------
  // Opens the small tool window that lists the bands and columns a user may bring back: dragged
  // onto the grid they show where they are dropped; bands and headers of the grid released over
  // it are hidden. Made on first use, freed with the grid.
  void ColumnsCustomizing();
  // Closes the form (as its close box and Escape do): OnEndColumnsCustomizing once.
  void EndColumnsCustomizing();
  // The form, null before the first ColumnsCustomizing.
  TdxTreeListCustomizeForm* CustomizeForm() const noexcept { return customize_form_.get(); }
  // Whether the form lists a band (a hidden one) or a column (a hidden one, or one without a
  // band; with ShowHiddenInCustomizeBox also one in a hidden band): never one marked
  // DisableCustomizing.
  bool IsBandInCustomizeBox(int band) const;
  bool IsColumnInCustomizeBox(int column) const;
  framework::TNotifyEvent OnEndColumnsCustomizing;
  // A band as the form and the drag picture show it, hidden or not (absolute index).
  BandSpec CustomizingBandSpec(int band) const override;

  // The core's editing hooks for the column.
  void ColumnEditChange(TdxTreeListColumn* column) { DoEditChange(column); }
  void ColumnEditValidate(TdxTreeListColumn* column, std::string& error, bool& accept) {
    DoEditValidate(column, error, accept);
  }
  bool Loading() const noexcept { return ComponentState() & framework::csLoading; }
  bool Destroying() const noexcept { return destroying_columns_; }

  // Form streaming: the grid's columns are its children in a form description.
  std::vector<framework::TComponent*> StreamedChildren(framework::TComponent& root) override;
  void AdoptStreamedChild(framework::TComponent& child) override;

 protected:
  TdxTreeListNode* CreateNode() override { return new TdxTreeListTextNode(this); }
  std::wstring GetCellText(TdxTreeListNode* node, int column) override;
  // The sort's keys: the sorted columns' value slots and directions.
  int GetSortColumnCount() const override { return static_cast<int>(sorted_.size()); }
  int GetSortColumn(int index) const override;
  bool GetSortDescending(int index) const override;
  void Loaded() override;
  void AfterCreateWnd() override;
  // An owner frees its newest components first, the columns of a form description before their
  // grid: the layout is written while every column is there.
  void OwnerFreeing() noexcept override { PrepareToFree(); }
  // The editors: one per editor class, shared by the columns of that class.
  editors::TdxInplaceEdit* CreateEditor(int column) override;
  editors::TdxInplaceEdit* GetColumnEditor(int column) override;
  void PrepareEditor(editors::TdxInplaceEdit& editor) override;
  // The focused column's colour, which OnGetEditColor may change.
  framework::TColor GetEditColor() override;
  void LoadEditValue(TdxTreeListNode* node, int column, editors::TdxInplaceEdit& editor) override;
  // The column stores the value, then the cell's text is stored again as the column shows it.
  void SaveEditValue(TdxTreeListNode* node, int column, editors::TdxInplaceEdit& editor) override;
  // OnEditing first; a column must be focused and allow an editor.
  bool DoEditing(TdxTreeListNode* node) override;
  bool IsColumnSizeable(int column) const override;
  int GetColumnsMinCellHeight() override;
  // Memo cells wrap: their view data counts the lines.
  int MeasureCellLines(TdxTreeListNode* node, int column, int width) override;
  // The column's editor class decides with the cell's rectangle (an editable column only).
  bool EditorHitInCell(TdxTreeListNode* node, int column, POINT point) override;
  // On the cell's button place (its right edit-button width), the column decides.
  bool HasEditButtonAt(TdxTreeListNode* node, int column, POINT point) override;
  bool CellNeedsHotTrack(TdxTreeListNode* node, int column, POINT point) override;
  void GetCellCursor(TdxTreeListNode* node, int column, HCURSOR& cursor) override;
  // A change of the user's locale settings reaches the columns after the grid.
  void SettingsChanged() override;
  // Cell painting through the columns (control_painting.cpp): their alignment, font, custom
  // drawing and view data, with the painted node handed to the column meanwhile.
  void BeginCellPaint(TdxTreeListNode* node, int column) override;
  void EndCellPaint(TdxTreeListNode* node, int column) override;
  framework::TAlignment GetCellAlignment(int column) override;
  bool HasColumnFont(int column) override;
  framework::TFont& GetColumnFont(int column) override;
  editors::TdxEditViewData& CellViewData(int column) override;
  void PaintCellViewData(HDC dc, int column, editors::TdxEditViewData& data) override;
  std::wstring GetPaintedCellText(TdxTreeListNode* node, int column,
                                  const std::wstring& text) override;
  bool DoCustomDrawCell(const TdxCellPaintInfo& cell, std::wstring& text, framework::TColor& color,
                        framework::TFont& font, framework::TAlignment& alignment) override;
  // Whether the header click that marks a column asks to add it to the sort (Shift with
  // aoMultiSort); the core's header click records it.

  // The core's sizing and dragging, through the bands and columns (control_interaction.cpp).
  // Bands are visible indexes, but the one shown from the customizing form (absolute).
  void SetColumnWidth(int column, int width) override;
  void SetBandWidth(int band, int width) override;
  void ScaleHiddenBands(int multiplier, int divisor) override;
  void ScaleHiddenColumns(int band, int multiplier, int divisor) override;
  void DoColumnsWidthChanged() override { OnChangedColumnsWidth(this); }
  void DoBestFitColumn(int column) override;
  // A double click on a band's edge: its shown columns fit their texts.
  void DoBestFitBand(int band) override;
  bool IsBandSizeable(int band) const override;
  void MoveBand(int from, int to) override;
  void ShowBand(int band, int position) override;
  void HideBand(int band) override;
  void MoveHeader(int column, const HeaderDropPosition& to) override;
  void ShowHeaderColumn(int column, const HeaderDropPosition& to) override;
  void HideHeader(int column) override;
  bool CanBandDragging(int band) override;
  bool CanHeaderDragging(int column) override;
  void DoBandClick(int band) override;
  std::wstring GetNodeDragText(TdxTreeListNode* node, int column) override;
  void DoStartBandDragging(int band) override;
  void DoStartHeaderDragging(int column) override;
  void DoDragEndBand(int band, POINT point, int old_position, int& position, bool& accept) override;
  void DoDragEndHeader(int column, POINT point, int old_position, HeaderDropPosition& position,
                       bool& accept) override;
  bool IsCustomizingBands() const override;
  bool IsCustomizingHeaders() const override;
  bool IsOverCustomizing(POINT screen) const override;
  void ActivateCustomizingPage(bool headers) override;
  void RepaintCustomizing() override;
  // A header click: OnColumnClick, then with aoAutoSort the column's sort turns (Ctrl clears
  // it, Shift with aoMultiSort adds the column to the sort).
  void DoColumnClick(int column) override;

 private:
  friend class TdxTreeListColumn;
  // Writes the layout, then lets columns leave without the grid laid out again for each.
  void PrepareToFree() noexcept;
  void AddColumn(TdxTreeListColumn* column);
  void RemoveColumn(TdxTreeListColumn* column);
  void MoveColumnInList(TdxTreeListColumn* column, int index);
  void NameAndAttach(TdxTreeListColumn& column);
  void BuildLayoutCaches() const;
  void NormalizeFixedBands();
  // A dragged band as the drag names it: a visible index, or from the customizing form (old
  // position -1) an absolute one.
  TdxTreeListBand* DraggedBandItem(int band, int old_position) const;
  void PlaceHeader(TdxTreeListColumn& column, const HeaderDropPosition& to);
  void ApplyAutoHeaderRowCount();
  // The open form lists again what changed in the bands and columns.
  void NotifyCustomizeForm();
  void BestFitColumns(const std::vector<TdxTreeListColumn*>& columns);
  void BestFitColumn(TdxTreeListColumn& column, HDC dc, int margin);
  TdxTreeListColumn* PrimarySortColumn();
  void SortByColumn(TdxTreeListColumn& column);

  std::string IniSection(bool saving) const;
  void CaptureFormName();

  int32_t data_format_marker_ = 0;
  std::string registry_path_, ini_file_name_, ini_section_name_, form_name_;
  bool layout_loaded_ = false, layout_saved_ = false;
  std::vector<TdxTreeListColumn*> columns_;
  std::vector<TdxTreeListColumn*> sorted_;
  std::vector<editors::TdxInplaceEdit*> editors_;  // owned as components
  std::unique_ptr<TdxTreeListBands> bands_;
  int sort_lock_ = 0;
  int load_positions_lock_ = 0;
  bool best_fit_pending_ = false;
  bool destroying_columns_ = false;
  bool enable_unicode_support_ = false;
  int band_row_count_ = 1, band_max_row_count_ = 5;
  int header_min_row_count_ = 1, header_panel_max_row_count_ = 5, header_panel_row_count_ = 1;
  bool default_layout_ = true;

  // Built on demand, dropped whenever a band or column changes.
  struct Caches {
    bool valid = false;
    std::vector<int> visible_bands;                   // absolute index per visible band
    std::vector<int> band_visible;                    // visible index per band (-1 hidden)
    std::vector<std::vector<std::vector<int>>> rows;  // per visible band, per row, columns
    HeaderModel model;
  };
  mutable Caches caches_;
  std::unique_ptr<TdxTreeListCustomizeForm, CustomizeFormDelete> customize_form_;
};

}  // namespace treelist
