// The grid's two option sets, Options and OptionsEx, bit by bit as forms and stored layouts
// name them, and its looks.
#pragma once

#include <cstdint>

namespace treelist {

enum TdxTreeListOption : uint32_t {
  aoColumnSizing = 1u << 0,
  aoColumnMoving = 1u << 1,
  aoEditing = 1u << 2,
  aoTabs = 1u << 3,
  aoTabThrough = 1u << 4,
  aoRowSelect = 1u << 5,
  aoMultiSelect = 1u << 6,
  aoImmediateEditor = 1u << 7,
  aoPreview = 1u << 8,
  aoDrawEndEllipsis = 1u << 9,
  aoAutoWidth = 1u << 10,
  aoExtMultiSelect = 1u << 11,
  aoExtCustomizing = 1u << 12,
  aoHideFocusRect = 1u << 13,
  aoAutoSort = 1u << 14,
  aoCaseInsensitive = 1u << 15,
  aoStoreToRegistry = 1u << 16,
  aoStoreToIniFile = 1u << 17,
  aoShowTooltips = 1u << 18,
};
enum TdxTreeListOptionEx : uint32_t {
  aoInvertSelect = 1u << 0,
  aoUseBitmap = 1u << 1,
  aoBandHeaderWidth = 1u << 2,
  aoAutoCalcPreviewLines = 1u << 3,
  aoBandSizing = 1u << 4,
  aoBandMoving = 1u << 5,
  aoHorzThrough = 1u << 6,
  aoVertThrough = 1u << 7,
  aoCellMultiSelect = 1u << 8,
  aoEnterThrough = 1u << 9,
  aoEnterShowEditor = 1u << 10,
  aoFullSizing = 1u << 11,
  aoDragScroll = 1u << 12,
  aoDragExpand = 1u << 13,
  aoDragCollapse = 1u << 14,
  aoRowAutoHeight = 1u << 15,
  aoShowHourGlass = 1u << 16,
  aoBandButtonClicking = 1u << 17,
  aoBandPanelSizing = 1u << 18,
  aoHeaderButtonClicking = 1u << 19,
  aoHeaderPanelSizing = 1u << 20,
  aoRowSizing = 1u << 21,
  aoMultiSort = 1u << 22,
  aoAutoSortRefresh = 1u << 23,
  aoShowButtonAlways = 1u << 24,
  aoAutoHeaderPanelHeight = 1u << 25,
  aoKeepColumnWidth = 1u << 26,
  aoAnsiSort = 1u << 27,
  aoMouseScroll = 1u << 28,
  aoAutoSearch = 1u << 29,
  aoHotTrack = 1u << 30,
  aoAutoCopySelectedToClipboard = 1u << 31,
};
constexpr uint32_t kDefaultOptions =
    aoColumnSizing | aoColumnMoving | aoEditing | aoTabThrough | aoRowSelect;
constexpr uint32_t kDefaultOptionsEx = aoUseBitmap | aoBandHeaderWidth | aoAutoCalcPreviewLines |
                                       aoBandSizing | aoBandMoving | aoDragScroll | aoDragExpand;
static_assert(kDefaultOptions == 0x37 && kDefaultOptionsEx == 0x303E);

// The looks: the frames and buttons drawn, the rows' paint style, the tree lines' pen.
enum class TdxLookAndFeel { lfStandard, lfFlat, lfUltraFlat };
enum class TdxTreeListPaintStyle { psStandard, psOutlook };
enum class TdxTreeLineStyle { tlSolid, tlDot };

}  // namespace treelist
