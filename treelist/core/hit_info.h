// What lies under a client point of the grid: the hit test's answer, which the control keeps as
// its last hit and hands to hot tracking and the mouse's handlers.
#pragma once

#include <windows.h>

#include <cstdint>

namespace treelist {

class TdxTreeListNode;

// What lies under a client point.
enum THitKind : uint8_t {
  htBand,
  htColumn,
  htColumnEdge,
  htBandEdge,
  htBandPanelEdge,
  htHeaderPanelEdge,
  htRowEdge,
  htIndicator,
  htButton,
  htNowhere,
  htIcon,
  htStateIcon,
  htLabel,
  htIndent,
  htRight,
  htBandButton,
  htHeaderButton,
  htFooter,
};
static_assert(htColumn == 1 && htNowhere == 9);

struct THitInfo {
  POINT point{};
  int band = -1;    // band visible index
  int column = -1;  // column index
  TdxTreeListNode* node = nullptr;
  int part = 0;  // header: 1 caption, 2 button part
  THitKind kind = htNowhere;
};

// The pixels within which a point counts as on an edge.
constexpr int kEdgeZone = 3;

}  // namespace treelist
