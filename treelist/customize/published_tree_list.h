// The tree list forms place: the grid with columns and bands, its published properties for form
// descriptions, deleting its selection, sorting refreshed as texts change and nodes come and go.
//
// A form description builds one with bands, columns and nodes:
//
//   object Rules: TdxTreeList
//     Options = [aoColumnSizing, aoEditing]
//     ShowBands = True
//     Bands = <
//       item
//         Caption = 'Net'
//       end
//       item
//         Caption = 'Rules'
//       end>
//     Data = { FFFFFFFF ... }              -- the nodes, as the node stream writes them
//     object RulesName: TdxTreeListColumn
//       Caption = 'Name'
//       BandIndex = 0
//       RowIndex = 0
//     end
//   end
#pragma once

#include <vector>

#include "treelist/columns/tree_list_control.h"

namespace treelist {

class TdxTreeList : public TCustomdxTreeListControl {
 public:
  explicit TdxTreeList(framework::TComponent* owner);
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // Frees every selected node once: a selected child of a selected parent goes with it.
  void DeleteSelection();

  void SetNodeString(TdxTreeListNode* node, int index, const std::wstring& text) override;

 protected:
  // A node added or deleted may leave the rows out of order.
  void NodeAdded(TdxTreeListNode* node) override;
  void NodeDeleted() override;
  // With aoCaseInsensitive nodes sort by their upper-cased texts.
  framework::Variant GetNodeSortValue(const TdxTreeListNode* node, int column) override;
  // A re-sort that waited for the update runs now.
  void UpdateEnded() override;

 private:
  bool IsHeaderPanelRowCountStored() const;
  std::vector<void*> BandItems();
  void ClearBands() { Bands().Clear(); }
  void* AddBand() { return Bands().Add(); }
  // The node stream, written only when there are nodes.
  void ReadNodeStream(framework::TStream& stream);
  void WriteNodeStream(framework::TStream& stream);
  // Sorts again after a text changed or a node came or went (aoAutoSortRefresh), later when
  // inside an update.
  void AutoSortRefresh();
  bool resort_pending_ = false;
};

// Makes the tree list and its columns known to form descriptions (once).
void RegisterTreeListClasses();

}  // namespace treelist
