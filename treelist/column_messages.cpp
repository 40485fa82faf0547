// The grid with columns: window messages that concern its columns.
#include "treelist/tree_list_control.h"

namespace treelist {

void TCustomdxTreeListControl::WndProc(framework::TMessage& message) {
  TCustomdxTreeList::WndProc(message);
  if (message.msg != kSettingsChangedMessage) return;
  for (TdxTreeListColumn* column : columns_) column->SettingsChanged();
  Invalidate();
}

}  // namespace treelist
