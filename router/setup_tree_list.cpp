// The set-up dialog's grid.
#include "router/setup_tree_list.h"

#include <algorithm>
#include <cstdlib>

#include "editors/pick_edit.h"
#include "framework/win/text.h"

namespace router {

namespace {

constexpr wchar_t kChecked[] = L"True";

}  // namespace

TSetupTreeList::TSetupTreeList(framework::TComponent* owner) : TCustomdxTreeListControl(owner) {
  SetOptions(treelist::aoAutoWidth | treelist::aoRowSelect | treelist::aoTabThrough);
}

const framework::TClassInfo& TSetupTreeList::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TSetupTreeList, framework::TCustomControl>("TSetupTreeList")
          .Strings("Columns", &TSetupTreeList::Columns, &TSetupTreeList::SetColumns)
          .Strings("ColumnWidths", &TSetupTreeList::ColumnWidths, &TSetupTreeList::SetColumnWidths)
          .Int("CheckColumn", &TSetupTreeList::CheckColumn, &TSetupTreeList::SetCheckColumn, -1)
          .Int("PickColumn", &TSetupTreeList::PickColumn, &TSetupTreeList::SetPickColumn, -1)
          .Bool("SortedDescending", &TSetupTreeList::SortedDescending,
                &TSetupTreeList::SetSortedDescending, false)
          .Bool("ShowHeader", &TSetupTreeList::ShowHeaderValue, &TSetupTreeList::SetShowHeaderValue,
                true)
          .Bool("ShowRoot", &TSetupTreeList::ShowRoot, &TSetupTreeList::SetShowRoot, true)
          .Event("OnChangeNode", &TSetupTreeList::OnChangeNode);
  return info;
}

void TSetupTreeList::SetPickColumn(int column) {
  pick_column_ = column;
  const uint32_t editing = treelist::aoEditing;
  const uint32_t row_select = treelist::aoRowSelect;
  SetOptions(column >= 0 ? (Options() | editing) & ~row_select
                         : (Options() & ~editing) | row_select);
}

std::vector<std::string> TSetupTreeList::Columns() const {
  std::vector<std::string> captions;
  for (const treelist::ColumnSpec& column : model_.columns) {
    captions.push_back(win::Narrow(column.caption));
  }
  return captions;
}

void TSetupTreeList::SetColumns(const std::vector<std::string>& captions) {
  model_ = {};
  treelist::BandSpec band;
  band.rows.emplace_back();
  for (const std::string& caption : captions) {
    band.rows[0].push_back(static_cast<int>(model_.columns.size()));
    model_.columns.push_back({win::Widen(caption)});
  }
  model_.bands.push_back(std::move(band));
  LayoutChanged();
}

std::vector<std::string> TSetupTreeList::ColumnWidths() const {
  std::vector<std::string> widths;
  for (const treelist::ColumnSpec& column : model_.columns) {
    widths.push_back(std::to_string(column.width));
  }
  return widths;
}

void TSetupTreeList::SetColumnWidths(const std::vector<std::string>& widths) {
  for (size_t i = 0; i < widths.size() && i < model_.columns.size(); ++i) {
    model_.columns[i].width = std::max(std::atoi(widths[i].c_str()), model_.columns[i].min_width);
  }
  LayoutChanged();
}

void TSetupTreeList::SetShowHeaderValue(bool value) {
  show_header_ = value;
  SetShowHeader(value);
}

std::wstring TSetupTreeList::GetCellText(treelist::TdxTreeListNode* node, int column) {
  std::wstring text = TCustomdxTreeListControl::GetCellText(node, column);
  if (column != check_column_) return text;
  return text == kChecked ? L"[x]" : L"[  ]";
}

void TSetupTreeList::ToggleCheck(treelist::TdxTreeListNode* node) {
  if (!node) return;  // Space in an empty grid
  const bool checked = GetNodeString(node, check_column_) == kChecked;
  SetNodeString(node, check_column_, checked ? L"False" : kChecked);
}

std::wstring TSetupTreeList::RowsText() {
  std::wstring text;
  for (treelist::TdxTreeListNode* node = GetFirstNode(); node; node = GetNextVisible(node)) {
    text += GetNodeLineText(node) + L"\r\n";
  }
  return text;
}

void TSetupTreeList::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case WM_GETTEXTLENGTH: message.result = static_cast<LRESULT>(RowsText().size()); return;
    case WM_GETTEXT: {
      const std::wstring text = RowsText();
      auto* buffer = reinterpret_cast<wchar_t*>(message.lParam);
      const size_t size = static_cast<size_t>(message.wParam);
      if (!buffer || size == 0) {
        message.result = 0;
        return;
      }
      const size_t copied = std::min(text.size(), size - 1);
      std::copy_n(text.begin(), copied, buffer);
      buffer[copied] = L'\0';
      message.result = static_cast<LRESULT>(copied);
      return;
    }
  }
  TCustomdxTreeListControl::WndProc(message);
}

void TSetupTreeList::SetNodeString(treelist::TdxTreeListNode* node, int index,
                                   const std::wstring& text) {
  TCustomdxTreeListControl::SetNodeString(node, index, text);
  if (sorted_descending_ && index == 0 && !node->Parent()) Sort(0, 0, true);
}

void TSetupTreeList::KeyDown(WORD& key, unsigned shift) {
  if (key == VK_SPACE && check_column_ >= 0 && State() != treelist::tsEditing) {
    ToggleCheck(GetFocusedNode());
    key = 0;
    return;
  }
  TCustomdxTreeListControl::KeyDown(key, shift);
}

void TSetupTreeList::MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) {
  TCustomdxTreeListControl::MouseDown(button, shift, x, y);
  const treelist::THitInfo& hit = LastHit();
  if (button == framework::TMouseButton::mbLeft && hit.node && hit.column == check_column_ &&
      hit.column >= 0) {
    ToggleCheck(hit.node);
  }
}

bool TSetupTreeList::DoEditing(treelist::TdxTreeListNode* node) {
  // The grid with columns opens editors only for column objects; this one's columns are plain.
  return FocusedColumn() == pick_column_ && pick_column_ >= 0 &&
         treelist::TCustomdxTreeList::DoEditing(node);
}

editors::TdxInplaceEdit* TSetupTreeList::CreateEditor(int column) {
  if (column != pick_column_) return TCustomdxTreeListControl::CreateEditor(column);
  auto* editor = new editors::TdxInplacePickEdit(this);
  editor->SetItems(pick_items_);
  editor->SetDropDownListStyle(true);
  return editor;
}

}  // namespace router
