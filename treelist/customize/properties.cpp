// The tree list's published settings: their table with the declared defaults, and setters that
// compare first and then repaint, lay out again or recreate the window as the value demands.
#include <algorithm>

#include "treelist/core/tree_list.h"

namespace treelist {
namespace {

using ColorSlot = TCustomdxTreeList::TreeListColor;

const std::vector<std::string> kOptionNames = {
    "aoColumnSizing",    "aoColumnMoving",    "aoEditing",     "aoTabs",
    "aoTabThrough",      "aoRowSelect",       "aoMultiSelect", "aoImmediateEditor",
    "aoPreview",         "aoDrawEndEllipsis", "aoAutoWidth",   "aoExtMultiSelect",
    "aoExtCustomizing",  "aoHideFocusRect",   "aoAutoSort",    "aoCaseInsensitive",
    "aoStoreToRegistry", "aoStoreToIniFile",  "aoShowTooltips"};
const std::vector<std::string> kOptionExNames = {
    "aoInvertSelect",      "aoUseBitmap",
    "aoBandHeaderWidth",   "aoAutoCalcPreviewLines",
    "aoBandSizing",        "aoBandMoving",
    "aoHorzThrough",       "aoVertThrough",
    "aoCellMultiSelect",   "aoEnterThrough",
    "aoEnterShowEditor",   "aoFullSizing",
    "aoDragScroll",        "aoDragExpand",
    "aoDragCollapse",      "aoRowAutoHeight",
    "aoShowHourGlass",     "aoBandButtonClicking",
    "aoBandPanelSizing",   "aoHeaderButtonClicking",
    "aoHeaderPanelSizing", "aoRowSizing",
    "aoMultiSort",         "aoAutoSortRefresh",
    "aoShowButtonAlways",  "aoAutoHeaderPanelHeight",
    "aoKeepColumnWidth",   "aoAnsiSort",
    "aoMouseScroll",       "aoAutoSearch",
    "aoHotTrack",          "aoAutoCopySelectedToClipboard"};
const std::vector<std::string> kLookAndFeelNames = {"lfStandard", "lfFlat", "lfUltraFlat"};
const std::vector<std::string> kPaintStyleNames = {"psStandard", "psOutlook"};
const std::vector<std::string> kTreeLineStyleNames = {"tlSolid", "tlDot"};
const std::vector<std::string> kScrollStyleNames = {"ssNone", "ssHorizontal", "ssVertical",
                                                    "ssBoth"};
const std::vector<std::string> kBorderStyleNames = {"bsNone", "bsSingle"};

// Colours that only the drop arrows and the search mark read when they draw: nothing to repaint.
bool IsStoredOnly(ColorSlot which) {
  return which == ColorSlot::Arrows || which == ColorSlot::AutoSearch ||
         which == ColorSlot::AutoSearchText;
}

}  // namespace

TCustomdxTreeList::ColorTable TCustomdxTreeList::DefaultColors() {
  ColorTable colors{};
  auto set = [&colors](ColorSlot which, framework::TColor value) {
    colors[static_cast<int>(which)] = value;
  };
  set(ColorSlot::Band, framework::clBtnFace);
  set(ColorSlot::GroupNode, framework::clBtnFace);
  set(ColorSlot::Header, framework::clBtnFace);
  set(ColorSlot::HideSelection, framework::clBtnFace);
  set(ColorSlot::GroupNodeText, framework::clNone);
  set(ColorSlot::GridLine, framework::clNone);
  set(ColorSlot::RowFooter, framework::cl3DLight);
  set(ColorSlot::RowFooterText, framework::clWindowText);
  set(ColorSlot::PlusMinus, framework::clWindowText);
  set(ColorSlot::FixedBandLine, framework::clWindowFrame);
  set(ColorSlot::Highlight, framework::clHighlight);
  set(ColorSlot::HighlightText, framework::clHighlightText);
  set(ColorSlot::TreeLine, framework::clBtnShadow);
  set(ColorSlot::HideSelectionText, framework::clBtnText);
  set(ColorSlot::Arrows, framework::clLime);
  set(ColorSlot::AutoSearch, framework::clNone);
  set(ColorSlot::AutoSearchText, framework::clNone);
  return colors;
}

const framework::TClassInfo& TCustomdxTreeList::StaticClassInfo() {
  using T = TCustomdxTreeList;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<T, TreeListBase>("TCustomdxTreeList")
          .Set("Options", &T::Options, &T::SetOptions, kOptionNames, kDefaultOptions)
          .Set("OptionsEx", &T::OptionsEx, &T::SetOptionsEx, kOptionExNames, kDefaultOptionsEx)
          .Enum("BorderStyle", &T::BorderStyle, &T::SetBorderStyle, kBorderStyleNames,
                TBorderStyle::bsSingle)
          .Enum("ScrollBars", &T::ScrollBars, &T::SetScrollBars, kScrollStyleNames,
                TScrollStyle::ssBoth)
          .Enum("LookAndFeel", &T::LookAndFeel, &T::SetLookAndFeel, kLookAndFeelNames,
                TdxLookAndFeel::lfStandard)
          .Enum("PaintStyle", &T::PaintStyle, &T::SetPaintStyle, kPaintStyleNames,
                TdxTreeListPaintStyle::psStandard)
          .Bool("ShowBands", &T::ShowBands, &T::SetShowBands, false)
          .Bool("ShowFooter", &T::ShowFooter, &T::SetShowFooter, false)
          .Bool("ShowGrid", &T::ShowGrid, &T::SetShowGrid, false)
          .Bool("ShowIndicator", &T::ShowIndicator, &T::SetShowIndicator, false)
          .Bool("ShowRowFooter", &T::ShowRowFooter, &T::SetShowRowFooter, false)
          .Bool("ShowNewItemRow", &T::ShowNewItemRow, &T::SetShowNewItemRow, false)
          .Bool("ShowHeader", &T::ShowHeader, &T::SetShowHeader, true)
          .Bool("ShowPreviewGrid", &T::ShowPreviewGrid, &T::SetShowPreviewGrid, true)
          .Bool("ShowRoot", &T::StoredShowRoot, &T::SetShowRoot, true)
          .Bool("ShowButtons", &T::ShowButtons, &T::SetShowButtons, true)
          .Bool("ShowLines", &T::ShowLines, &T::SetShowLines, true)
          .Bool("HideFocusRect", &T::HideFocusRect, &T::SetHideFocusRect, true)
          .Bool("HideSelection", &T::HideSelection, &T::SetHideSelection, true)
          .Enum("TreeLineStyle", &T::TreeLineStyle, &T::SetTreeLineStyle, kTreeLineStyleNames,
                TdxTreeLineStyle::tlDot)
          .Object("BandFont", &T::BandFont, framework::FontClassInfo())
          .StoredIf(&T::OwnFontsStored)
          .Object("HeaderFont", &T::HeaderFont, framework::FontClassInfo())
          .StoredIf(&T::OwnFontsStored)
          .Object("PreviewFont", &T::PreviewFont, framework::FontClassInfo())
          .StoredIf(&T::OwnFontsStored)
          .Int("DefaultRowHeight", &T::DefaultRowHeight, &T::SetDefaultRowHeight, 0)
          .StoredIf(&T::DefaultRowHeightStored)
          .Int("FixedBandLineWidth", &T::FixedBandLineWidth, &T::SetFixedBandLineWidth, 2)
          .Int("RowSeparatorLineWidth", &T::RowSeparatorLineWidth, &T::SetRowSeparatorLineWidth, 1)
          .Int("Indent", &T::Indent, &T::SetIndent, 16)
          .Int("IndentDesc", &T::IndentDesc, &T::SetIndentDesc, 20)
          .Int("MaxRowLineCount", &T::MaxRowLineCount, &T::SetMaxRowLineCount, -1)
          .Int("PreviewLines", &T::PreviewLines, &T::SetPreviewLines, 2)
          .Int("CustomizingRowCount", &T::CustomizingRowCount, &T::SetCustomizingRowCount, 11)
          .Color("BandColor", &T::ColorOf<ColorSlot::Band>, &T::SetColorOf<ColorSlot::Band>,
                 framework::clBtnFace)
          .Color("GroupNodeColor", &T::ColorOf<ColorSlot::GroupNode>,
                 &T::SetColorOf<ColorSlot::GroupNode>, framework::clBtnFace)
          .Color("HeaderColor", &T::ColorOf<ColorSlot::Header>, &T::SetColorOf<ColorSlot::Header>,
                 framework::clBtnFace)
          .Color("HideSelectionColor", &T::ColorOf<ColorSlot::HideSelection>,
                 &T::SetColorOf<ColorSlot::HideSelection>, framework::clBtnFace)
          .Color("GroupNodeTextColor", &T::ColorOf<ColorSlot::GroupNodeText>,
                 &T::SetColorOf<ColorSlot::GroupNodeText>, framework::clNone)
          .Color("GridLineColor", &T::ColorOf<ColorSlot::GridLine>,
                 &T::SetColorOf<ColorSlot::GridLine>, framework::clNone)
          .Color("RowFooterColor", &T::ColorOf<ColorSlot::RowFooter>,
                 &T::SetColorOf<ColorSlot::RowFooter>, framework::cl3DLight)
          .Color("RowFooterTextColor", &T::ColorOf<ColorSlot::RowFooterText>,
                 &T::SetColorOf<ColorSlot::RowFooterText>, framework::clWindowText)
          .Color("PlusMinusColor", &T::ColorOf<ColorSlot::PlusMinus>,
                 &T::SetColorOf<ColorSlot::PlusMinus>, framework::clWindowText)
          .Color("FixedBandLineColor", &T::ColorOf<ColorSlot::FixedBandLine>,
                 &T::SetColorOf<ColorSlot::FixedBandLine>, framework::clWindowFrame)
          .Color("HighlightColor", &T::ColorOf<ColorSlot::Highlight>,
                 &T::SetColorOf<ColorSlot::Highlight>, framework::clHighlight)
          .Color("HighlightTextColor", &T::ColorOf<ColorSlot::HighlightText>,
                 &T::SetColorOf<ColorSlot::HighlightText>, framework::clHighlightText)
          .Color("TreeLineColor", &T::ColorOf<ColorSlot::TreeLine>,
                 &T::SetColorOf<ColorSlot::TreeLine>, framework::clBtnShadow)
          .Color("HideSelectionTextColor", &T::ColorOf<ColorSlot::HideSelectionText>,
                 &T::SetColorOf<ColorSlot::HideSelectionText>, framework::clBtnText)
          .Color("ArrowsColor", &T::ColorOf<ColorSlot::Arrows>, &T::SetColorOf<ColorSlot::Arrows>,
                 framework::clLime)
          .Color("AutoSearchColor", &T::ColorOf<ColorSlot::AutoSearch>,
                 &T::SetColorOf<ColorSlot::AutoSearch>, framework::clNone)
          .Color("AutoSearchTextColor", &T::ColorOf<ColorSlot::AutoSearchText>,
                 &T::SetColorOf<ColorSlot::AutoSearchText>, framework::clNone)
          .Bool("AutoExpandOnSearch", &T::AutoExpandOnSearch,
                &T::StoreValue<bool, &T::AutoExpandOnSearch>, true)
          .Bool("DblClkExpanding", &T::DblClkExpanding, &T::StoreValue<bool, &T::DblClkExpanding>,
                true)
          .Bool("SimpleCustomizeBox", &T::SimpleCustomizeBox,
                &T::StoreValue<bool, &T::SimpleCustomizeBox>, false)
          .Bool("ShowHiddenInCustomizeBox", &T::ShowHiddenInCustomizeBox,
                &T::StoreValue<bool, &T::ShowHiddenInCustomizeBox>, false)
          .Int("WaitForExpandNodeTime", &T::WaitForExpandNodeTime,
               &T::StoreValue<uint32_t, &T::WaitForExpandNodeTime>, uint32_t{500})
          .Event("OnChangeNode", &T::OnChangeNode)
          .Event("OnChangeColumn", &T::OnChangeColumn)
          .Event("OnChangeLeftCoord", &T::OnChangeLeftCoord)
          .Event("OnChangeTopVisibleNode", &T::OnChangeTopVisibleNode)
          .Event("OnCanNodeSelected", &T::OnCanNodeSelected)
          .Event("OnSelectedCountChange", &T::OnSelectedCountChange)
          .Event("OnSelectionChanged", &T::OnSelectionChanged)
          .Event("OnEditing", &T::OnEditing)
          .Event("OnEdited", &T::OnEdited)
          .Event("OnGetEditColor", &T::OnGetEditColor)
          .Event("OnHeaderButtonClick", &T::OnHeaderButtonClick)
          .Event("OnBandButtonClick", &T::OnBandButtonClick);
  return info;
}

// ---- the option sets ----------------------------------------------------------------------------

void TCustomdxTreeList::SetOptions(uint32_t value) {
  if (value == options_) return;
  CloseEditor();  // a refused value raises here, and the options stay as they were
  Locked([&] {
    const uint32_t old = options_;
    if (value & aoRowSelect) SetOptionsEx(options_ex_ & ~aoInvertSelect);
    // Stored before the sort and the band widths, which read the options.
    options_ = value;
    if ((value & aoAutoSort) && !(old & aoAutoSort)) SortNodes();
    if ((options_ex_ & aoKeepColumnWidth) && (old & aoAutoWidth) && !(value & aoAutoWidth)) {
      KeepBandWidthsFromColumns();
    }
    if (ComponentState() & framework::csLoading) return;
    ClearSelection();
    if (focused_node_) SetNodeSelected(focused_node_, true);
  });
}

void TCustomdxTreeList::SetOptionsEx(uint32_t value) {
  if (value == options_ex_) return;
  CloseEditor();
  Locked([&] {
    const uint32_t old = options_ex_;
    if (value & aoInvertSelect) SetOptions(options_ & ~aoRowSelect);
    // Stored before the sort: it compares by the new rule.
    options_ex_ = value;
    const bool multi_sort_off = (old & aoMultiSort) && !(value & aoMultiSort);
    if (multi_sort_off || ((old ^ value) & aoAnsiSort)) SortNodes();
    if ((value & aoAutoHeaderPanelHeight) && !(old & aoAutoHeaderPanelHeight)) {
      FitHeaderPanelHeight();
    }
    if (searching_ && !(value & aoAutoSearch)) EndSearch();
  });
}

// ---- flags, sizes and styles -----------------------------------------------------------------

void TCustomdxTreeList::SetRelayoutFlag(bool& flag, bool value) {
  if (flag == value) return;
  flag = value;
  LayoutChanged();
}

void TCustomdxTreeList::SetInvalidateFlag(bool& flag, bool value) {
  if (flag == value) return;
  flag = value;
  Invalidate();
}

void TCustomdxTreeList::SetShowLines(bool value) { SetInvalidateFlag(show_lines_, value); }

void TCustomdxTreeList::SetShowButtons(bool value) { SetInvalidateFlag(show_buttons_, value); }

bool TCustomdxTreeList::ShowRoot() const noexcept {
  return show_root_ || paint_style_ == TdxTreeListPaintStyle::psOutlook;
}

void TCustomdxTreeList::SetLookAndFeel(TdxLookAndFeel value) {
  if (look_ == value) return;
  // The edited cell is forgotten first: the value typed is not written back.
  edited_column_ = -1;
  edited_node_ = nullptr;
  CloseEditorKeepFocus();
  look_ = value;
  SetScrollBarStyle(value == TdxLookAndFeel::lfUltraFlat ? editors::kScrollBarFlat
                                                         : editors::kScrollBarStandard);
  if (HandleAllocated()) RecreateWnd();
  LayoutChanged();
}

void TCustomdxTreeList::SetPaintStyle(TdxTreeListPaintStyle value) {
  if (paint_style_ == value) return;
  paint_style_ = value;
  LayoutChanged();
}

void TCustomdxTreeList::SetTreeLineStyle(TdxTreeLineStyle value) {
  if (tree_line_style_ == value) return;
  tree_line_style_ = value;
  Invalidate();
}

void TCustomdxTreeList::SetBorderStyle(TBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomdxTreeList::SetScrollBars(TScrollStyle value) {
  if (scroll_bars_ == value) return;
  scroll_bars_ = value;
  if (HandleAllocated()) RecreateWnd();
}

// A size clamped to its least value, then laid out with when it changed.
void TCustomdxTreeList::SetRelayoutSize(int& field, int value, int least) {
  value = std::max(value, least);
  if (field == value) return;
  field = value;
  LayoutChanged();
}

void TCustomdxTreeList::SetIndent(int value) { SetRelayoutSize(indent_, value, 0); }
void TCustomdxTreeList::SetIndentDesc(int value) { SetRelayoutSize(indent_desc_, value, 0); }
void TCustomdxTreeList::SetFixedBandLineWidth(int value) {
  SetRelayoutSize(fixed_band_line_width_, value, 1);
}
void TCustomdxTreeList::SetRowSeparatorLineWidth(int value) {
  SetRelayoutSize(row_separator_line_width_, value, 1);
}
void TCustomdxTreeList::SetMaxRowLineCount(int value) {
  SetRelayoutSize(max_row_line_count_, value, -1);
}
void TCustomdxTreeList::SetPreviewLines(int value) { SetRelayoutSize(preview_lines_, value, -1); }

void TCustomdxTreeList::SetDefaultRowHeight(int value) {
  if (value == metrics_.default_row_height) return;
  assigned_default_row_height_ = value;
  LayoutChanged();
}

bool TCustomdxTreeList::DefaultRowHeightStored() const { return assigned_default_row_height_ > 0; }

void TCustomdxTreeList::SetColor(TreeListColor which, framework::TColor value) {
  framework::TColor& color = colors_[static_cast<int>(which)];
  if (color == value) return;
  color = value;
  if (!IsStoredOnly(which)) Invalidate();
}

// ---- images and fonts ------------------------------------------------------------------------

void TCustomdxTreeList::SetImages(framework::TImageList* images) {
  ReplaceImageList(images_, images, true);
}

void TCustomdxTreeList::SetStateImages(framework::TImageList* images) {
  ReplaceImageList(state_images_, images, true);
}

void TCustomdxTreeList::ReplaceImageList(framework::TImageList*& field, framework::TImageList* list,
                                         bool old_alive) {
  if (field == list) return;
  Locked([&] {
    if (field && old_alive) {
      field->UnRegisterChanges(this);
      field->RemoveFreeNotification(this);
    }
    field = list;
    if (!field) return;
    // A list's new images or size change the rows: the grid lays itself out again.
    field->RegisterChanges(this, [this] {
      if (HandleAllocated()) LayoutChanged();
    });
    field->FreeNotification(this);
  });
}

// An image list freed before the grid must not be drawn from.
void TCustomdxTreeList::Notification(framework::TComponent* component,
                                     framework::TOperation operation) {
  TreeListBase::Notification(component, operation);
  if (operation != framework::TOperation::opRemove) return;
  // The list is being destroyed: its own part is gone already.
  if (component == images_) ReplaceImageList(images_, nullptr, false);
  if (component == state_images_) ReplaceImageList(state_images_, nullptr, false);
}

void TCustomdxTreeList::SetBandFont(const framework::TFont& font) { band_font_.Assign(font); }
void TCustomdxTreeList::SetHeaderFont(const framework::TFont& font) { header_font_.Assign(font); }
void TCustomdxTreeList::SetPreviewFont(const framework::TFont& font) { preview_font_.Assign(font); }

bool TCustomdxTreeList::OwnFontsStored() const { return !ParentFont(); }

// A change of the band, header or preview font makes the fonts the grid's own (no longer the
// parent's) and lays the grid out again.
void TCustomdxTreeList::WatchFontChanges() {
  auto changed = [this] {
    if (!(ComponentState() & framework::csLoading) && !parent_font_propagating_) {
      SetParentFont(false);
    }
    LayoutChanged();
  };
  band_font_.OnChange = changed;
  header_font_.OnChange = changed;
  preview_font_.OnChange = changed;
}

}  // namespace treelist
