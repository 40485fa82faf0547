// The tree list forms place.
#include "treelist/customize/published_tree_list.h"

#include <string>
#include <utility>

#include "framework/win/text.h"

namespace treelist {
const framework::TClassInfo& TdxTreeList::StaticClassInfo() {
  using T = TdxTreeList;
  using Core = TCustomdxTreeList;
  using Control = TCustomdxTreeListControl;
  static const framework::TClassInfo info =
      // The core's settings come with the core's table.
      framework::TClassInfo::Derived<T, TCustomdxTreeList>("TdxTreeList")
          .Bool("EnableUnicodeSupport", &Control::EnableUnicodeSupport,
                &Control::SetEnableUnicodeSupport, false)
          .Collection("Bands", TdxTreeListBand::StaticClassInfo(), &T::BandItems, &T::ClearBands,
                      &T::AddBand)
          .Int("BandMaxRowCount", &Control::BandMaxRowCount, &Control::SetBandMaxRowCount, 5)
          .Int("BandRowCount", &Control::BandRowCount, &Control::SetBandRowCount, 1)
          .Bool("DefaultLayout", &Control::DefaultLayout, &Control::SetDefaultLayout, true)
          .Int("HeaderMinRowCount", &Control::HeaderMinRowCount, &Control::SetHeaderMinRowCount, 1)
          .Int("HeaderPanelMaxRowCount", &Control::HeaderPanelMaxRowCount,
               &Control::SetHeaderPanelMaxRowCount, 5)
          .Int("HeaderPanelRowCount", &Control::HeaderPanelRowCount,
               &Control::SetHeaderPanelRowCount, 1)
          .StoredIf(&T::IsHeaderPanelRowCountStored)
          .String("IniFileName", &Control::IniFileName, &Control::SetIniFileName)
          .String("IniSectionName", &Control::IniSectionName, &Control::SetIniSectionName)
          .String("RegistryPath", &Control::RegistryPath, &Control::SetRegistryPath)
          .Data("Data", &T::ReadNodeStream, &T::WriteNodeStream)
          .Event("OnDeletion", &Core::OnDeletion)
          .Event("OnColumnClick", &Control::OnColumnClick)
          .Event("OnCustomDrawCell", &Control::OnCustomDrawCell)
          .Event("OnCustomDrawCellWide", &Control::OnCustomDrawCellWide)
          .Event("OnColumnSorting", &Control::OnColumnSorting)
          .Event("OnChangedColumnsWidth", &Control::OnChangedColumnsWidth)
          .Event("OnGetImageIndex", &Control::OnGetImageIndex)
          .Event("OnGetSelectedIndex", &Control::OnGetSelectedIndex)
          .Event("OnGetStateIndex", &Control::OnGetStateIndex)
          .Event("OnBandClick", &Control::OnBandClick)
          .Event("OnCanBandDragging", &Control::OnCanBandDragging)
          .Event("OnStartBandDragging", &Control::OnStartBandDragging)
          .Event("OnDragOverBand", &Core::OnDragOverBand)
          .Event("OnDragEndBand", &Control::OnDragEndBand)
          .Event("OnShowBand", &Control::OnShowBand)
          .Event("OnHideBand", &Control::OnHideBand)
          .Event("OnCanHeaderDragging", &Control::OnCanHeaderDragging)
          .Event("OnStartHeaderDragging", &Control::OnStartHeaderDragging)
          .Event("OnDragOverHeader", &Core::OnDragOverHeader)
          .Event("OnDragEndHeader", &Control::OnDragEndHeader)
          .Event("OnShowHeader", &Control::OnShowHeader)
          .Event("OnHideHeader", &Control::OnHideHeader)
          .Event("OnHeaderMoved", &Control::OnHeaderMoved)
          .Event("OnColumnMoved", &Control::OnColumnMoved)
          .Event("OnEndDragColumn", &Control::OnEndDragColumn)
          .Event("OnEndColumnsCustomizing", &Control::OnEndColumnsCustomizing)
          .Event("OnBeginDragNode", &Core::OnBeginDragNode)
          .Event("OnGetNodeDragText", &Control::OnGetNodeDragText)
          .Event("OnStartDrag", &Core::OnStartDrag)
          .Event("OnDragOver", &Core::OnDragOver)
          .Event("OnDragDrop", &Core::OnDragDrop)
          .Event("OnEndDrag", &Core::OnEndDrag)
          .Event("OnContextPopup", &Core::OnContextPopup);
  return info;
}

TdxTreeList::TdxTreeList(framework::TComponent* owner) : TCustomdxTreeListControl(owner) {}

bool TdxTreeList::IsHeaderPanelRowCountStored() const {
  return !(OptionsEx() & aoAutoHeaderPanelHeight);
}

std::vector<void*> TdxTreeList::BandItems() {
  std::vector<void*> items;
  for (int i = 0; i < Bands().Count(); ++i) items.push_back(Bands().Items(i));
  return items;
}

void TdxTreeList::ReadNodeStream(framework::TStream& stream) { ReadData(stream); }

void TdxTreeList::WriteNodeStream(framework::TStream& stream) {
  if (HasData()) WriteData(stream);
}

void TdxTreeList::DeleteSelection() {
  BeginUpdate();
  try {
    // Each deletion takes the node and its subtree out of the selection, so the first one left
    // is always alive: a child selected with its parent is freed with it, and only then.
    while (!SelectedNodes().empty()) delete SelectedNodes().front();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TdxTreeList::SetNodeString(TdxTreeListNode* node, int index, const std::wstring& text) {
  TCustomdxTreeListControl::SetNodeString(node, index, text);
  AutoSortRefresh();
}

void TdxTreeList::NodeAdded(TdxTreeListNode* node) {
  TCustomdxTreeListControl::NodeAdded(node);
  AutoSortRefresh();
}

void TdxTreeList::NodeDeleted() {
  TCustomdxTreeListControl::NodeDeleted();
  if (!ClearingNodes()) AutoSortRefresh();
}

void TdxTreeList::AutoSortRefresh() {
  if (Destroying() || !(OptionsEx() & aoAutoSortRefresh)) return;
  if (LockUpdate()) {
    resort_pending_ = true;  // the changes of one update are sorted once, when it ends
    return;
  }
  SortNodes();
}

void TdxTreeList::UpdateEnded() {
  if (!std::exchange(resort_pending_, false)) return;
  if (!Destroying() && (OptionsEx() & aoAutoSortRefresh)) SortNodes();
}

framework::Variant TdxTreeList::GetNodeSortValue(const TdxTreeListNode* node, int column) {
  std::wstring text = GetNodeString(node, column);
  if (!(Options() & aoCaseInsensitive)) return framework::Variant(std::move(text));
  // Upper-cased as the ANSI code page sees it.
  std::string narrow = win::Narrow(text);
  CharUpperBuffA(narrow.data(), static_cast<DWORD>(narrow.size()));
  return framework::Variant(win::Widen(narrow));
}

void RegisterTreeListClasses() {
  static const bool registered = [] {
    framework::RegisterComponent<TdxTreeList>();
    framework::RegisterComponent<TdxTreeListColumn>();
    framework::RegisterComponent<TdxTreeListMaskColumn>();
    return true;
  }();
  (void)registered;
}

}  // namespace treelist
