// The grid with columns: its nodes are text nodes holding one text per column value slot, and
// it stores them all in its binary "Data" stream.
#pragma once

#include <cstdint>
#include <string>

#include "framework/streams.h"
#include "treelist/text_node.h"
#include "treelist/tree_list.h"

namespace treelist {

using TNodeIndexEvent = framework::TEvent<framework::TComponent*, TdxTreeListNode*, int&>;

class TCustomdxTreeListControl : public TCustomdxTreeList {
 public:
  using ImageKind = TreeListNodeOwner::ImageKind;
  using TCustomdxTreeList::TCustomdxTreeList;

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

  // The "Data" stream: all nodes with their texts, images and data words. Written only when
  // there are nodes. Reading replaces every node, or raises ENodeDataError and changes nothing.
  bool HasData() const noexcept { return Count() > 0; }
  void ReadData(framework::TStream& stream);
  void WriteData(framework::TStream& stream);
  // The marker the last read stream began with: 0 for the old form with 1-byte text lengths.
  int32_t DataFormatMarker() const noexcept { return data_format_marker_; }

  TNodeIndexEvent OnGetImageIndex, OnGetSelectedIndex, OnGetStateIndex;

 protected:
  TdxTreeListNode* CreateNode() override { return new TdxTreeListTextNode(this); }

 private:
  int32_t data_format_marker_ = 0;
};

}  // namespace treelist
