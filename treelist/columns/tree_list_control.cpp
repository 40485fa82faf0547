// The grid with columns: construction, node data and the node stream.
#include "treelist/columns/tree_list_control.h"

#include "framework/application.h"
#include "treelist/columns/data_stream.h"

namespace treelist {

namespace {

TdxTreeListTextNode* AsTextNode(TdxTreeListNode* node) noexcept {
  return dynamic_cast<TdxTreeListTextNode*>(node);
}
const TdxTreeListTextNode* AsTextNode(const TdxTreeListNode* node) noexcept {
  return dynamic_cast<const TdxTreeListTextNode*>(node);
}

template <class Visit>
void ForEachNode(const std::vector<TdxTreeListNode*>& nodes, Visit& visit) {
  for (TdxTreeListNode* node : nodes) {
    visit(node);
    ForEachNode(node->Children(), visit);
  }
}

}  // namespace

TCustomdxTreeListControl::TCustomdxTreeListControl(framework::TComponent* owner)
    : TCustomdxTreeList(owner), bands_(std::make_unique<TdxTreeListBands>(this)) {
  bands_->Add();  // before the collection is attached: no change reaches the grid yet
  bands_->Attach();
  LayoutChanged();
}

TCustomdxTreeListControl::~TCustomdxTreeListControl() {
  PrepareToFree();
  // Columns owned elsewhere (the form) stay alive but leave the grid.
  while (!columns_.empty()) {
    TdxTreeListColumn* column = columns_.back();
    column->tree_list_ = nullptr;
    columns_.pop_back();
    if (column->Owner() == this) delete column;
  }
  sorted_.clear();
}

void TCustomdxTreeListControl::PrepareToFree() noexcept {
  if (destroying_columns_) return;
  try {
    SaveLayout();
  } catch (...) {
    // A store that cannot be written (a full disk, a locked key) must not end the program.
    framework::Application::Instance().HandleException();
  }
  customize_form_.reset();  // it reads the columns and bands, which go next
  destroying_columns_ = true;
}

int TCustomdxTreeListControl::GetNodeImageIndex(const TdxTreeListNode* node, ImageKind kind) {
  const TdxTreeListTextNode* text_node = AsTextNode(node);
  auto* event_node = const_cast<TdxTreeListNode*>(node);  // handlers get the node itself
  int index = 0;
  switch (kind) {
    case ImageKind::Image:
      index = text_node ? text_node->image_index : 0;
      OnGetImageIndex(this, event_node, index);
      break;
    case ImageKind::Selected:
      index = text_node ? text_node->selected_index : -1;
      OnGetSelectedIndex(this, event_node, index);
      break;
    case ImageKind::State:
      index = text_node ? text_node->state_index : -1;
      OnGetStateIndex(this, event_node, index);
      break;
  }
  return index;
}

void TCustomdxTreeListControl::SetNodeImageIndex(TdxTreeListNode* node, ImageKind kind, int index) {
  TdxTreeListTextNode* text_node = AsTextNode(node);
  if (!text_node || GetNodeImageIndex(node, kind) == index) return;
  switch (kind) {
    case ImageKind::Image: text_node->image_index = index; break;
    case ImageKind::Selected: text_node->selected_index = index; break;
    case ImageKind::State: text_node->state_index = index; break;
  }
  RepaintNode(node, false);
}

std::wstring TCustomdxTreeListControl::GetNodeString(const TdxTreeListNode* node, int index) {
  const TdxTreeListTextNode* text_node = AsTextNode(node);
  return text_node ? text_node->Text(index) : std::wstring();
}

void TCustomdxTreeListControl::SetNodeString(TdxTreeListNode* node, int index,
                                             const std::wstring& text) {
  if (TdxTreeListTextNode* text_node = AsTextNode(node)) text_node->SetText(index, text);
  // A row sized by its texts is measured again, and the rows below it move.
  const bool sized_by_text = AutoRowHeightApplies();
  if (sized_by_text) node->ClearCachedHeight();
  RepaintNode(node, sized_by_text);
}

framework::Variant TCustomdxTreeListControl::GetNodeValue(const TdxTreeListNode* node, int index) {
  return framework::Variant(GetNodeString(node, index));
}

void TCustomdxTreeListControl::SetNodeValue(TdxTreeListNode* node, int index,
                                            const framework::Variant& value) {
  SetNodeString(node, index, value.ToString());
}

void TCustomdxTreeListControl::MoveColumnValues(int from, int to) {
  auto move = [from, to](TdxTreeListNode* node) {
    if (TdxTreeListTextNode* text_node = AsTextNode(node)) text_node->MoveText(from, to);
  };
  ForEachNode(TopNodes(), move);
}

void TCustomdxTreeListControl::ColumnRemovedFromNodes(int index) {
  if (index < 0) return;
  auto remove = [index](TdxTreeListNode* node) {
    if (TdxTreeListTextNode* text_node = AsTextNode(node)) text_node->RemoveText(index);
  };
  ForEachNode(TopNodes(), remove);
}

void TCustomdxTreeListControl::ReadData(framework::TStream& stream) {
  data_format_marker_ = ReadNodeData(*this, stream);
}

void TCustomdxTreeListControl::WriteData(framework::TStream& stream) {
  WriteNodeData(*this, stream);
}

void TCustomdxTreeListControl::SettingsChanged() {
  TCustomdxTreeList::SettingsChanged();
  for (TdxTreeListColumn* column : columns_) column->SettingsChanged();
  Invalidate();
}

}  // namespace treelist
