// A tree list with a band and column model and texts of its own, in a shown form, for the
// tests that drive a real grid window.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>
#include <unordered_map>

#include "framework/forms.h"
#include "framework/image_list.h"
#include "treelist/columns/memo_column.h"
#include "treelist/core/tree_list.h"
#include "treelist/columns/tree_list_control.h"

namespace treelist_test {

using treelist::TdxTreeListNode;

// A header cell as the grid lays it out now: a copy, since the layout it lives in is a temporary.
inline treelist::LayoutHeaderCell HeaderCellOf(treelist::TCustomdxTreeList& grid, int column) {
  const treelist::Layout layout = grid.GetLayout();
  const treelist::LayoutHeaderCell* cell = layout.HeaderOf(column);
  if (!cell) throw std::runtime_error("column " + std::to_string(column) + " has no header cell");
  return *cell;
}

class TestTreeList : public treelist::TCustomdxTreeList {
 public:
  using TCustomdxTreeList::TCustomdxTreeList;

  void SetModel(treelist::HeaderModel model);
  const treelist::HeaderModel& GetHeaderModel() const override { return model_; }
  // Column 0 shows the node's name; column k > 0 shows "<name>.<k>".
  void SetName(const TdxTreeListNode* node, std::wstring name) { names_[node] = std::move(name); }
  std::wstring Name(const TdxTreeListNode* node) const;
  // Image and state image by level (-1: none).
  int image_by_level[3] = {-1, -1, -1};
  int state_by_level[3] = {-1, -1, -1};
  // What the header's corner button says in its hint.
  std::wstring header_button_hint;
  std::wstring GetHeaderButtonHint() override { return header_button_hint; }
  // The application's custom drawing of a cell: true when it drew the cell (Done).
  std::function<bool(const treelist::TdxCellPaintInfo&, std::wstring&, framework::TFont&)>
      custom_draw;
  // The cells painted through the view-data road, with whether they paint hot; the frame
  // changes.
  std::map<std::pair<const TdxTreeListNode*, int>, bool> painted_hot;
  int frame_calculations = 0;
  // Sees each message before the grid does.
  std::function<void(UINT)> before_message;
  void WndProc(framework::TMessage& m) override {
    frame_calculations += m.msg == WM_NCCALCSIZE;
    if (before_message) before_message(m.msg);
    TCustomdxTreeList::WndProc(m);
  }
  int width_changes = 0;

 protected:
  void BeginCellPaint(TdxTreeListNode* node, int) override { painting_ = node; }
  void PaintCellViewData(HDC dc, int column, editors::TdxEditViewData& data) override {
    painted_hot[{painting_, column}] = data.Hot && data.HotTrack;
    TCustomdxTreeList::PaintCellViewData(dc, column, data);
  }
  bool DoCustomDrawCell(const treelist::TdxCellPaintInfo& cell, std::wstring& text,
                        framework::TColor&, framework::TFont& font,
                        framework::TAlignment&) override {
    return custom_draw && custom_draw(cell, text, font);
  }
  std::wstring GetNodeString(const TdxTreeListNode* node, int column) override;
  void SetNodeString(TdxTreeListNode* node, int column, const std::wstring& text) override;
  int GetNodeImageIndex(const TdxTreeListNode* node, ImageKind kind) override;
  // The model's changes as the control with columns makes them.
  void SetColumnWidth(int column, int width) override;
  void SetBandRowCount(int rows) override;
  void DoColumnsWidthChanged() override { ++width_changes; }

 private:
  const TdxTreeListNode* painting_ = nullptr;
  treelist::HeaderModel model_;
  std::unordered_map<const TdxTreeListNode*, std::wstring> names_;
  std::map<std::pair<const TdxTreeListNode*, int>, std::wstring> edited_;
};

// Two bands: "Net" with column "Name", "Rules" with "Width" and "Clearance".
treelist::HeaderModel TwoBandModel();

// Each band of the header with its rows of column captions: "Net{Name/Class}Rules{Width,Via}".
std::wstring HeaderRows(const treelist::HeaderModel& model);

// The grid as a child of a shown form.
struct GridForm {
  framework::TForm form{nullptr};
  TestTreeList grid{nullptr};
  explicit GridForm(int width = 360, int height = 220);
  HWND hwnd() { return grid.Handle(); }
  void Click(int x, int y, WPARAM keys = 0);
  void Key(WORD key);
};

// Three nets with two classes each, expanded but for the last net: the nodes in row order.
std::vector<TdxTreeListNode*> AddNets(TestTreeList& grid);

// The nets on two bands with every part a colour property paints: bands, grid lines, solid tree
// lines, a collapsed net's plus and a row footer closing each net.
std::vector<TdxTreeListNode*> AddEveryColouredPart(TestTreeList& grid);

// A grid with columns, a plain one and a memo, whose rows size themselves to the memo's lines.
struct MemoGrid {
  framework::TForm form{nullptr};
  treelist::TCustomdxTreeListControl grid{nullptr};
  treelist::TdxTreeListColumn* name = nullptr;
  treelist::TdxTreeListMemoColumn* memo = nullptr;
  MemoGrid();
  TdxTreeListNode* Add(const std::wstring& rule, const std::wstring& description);
  int CellHeight(TdxTreeListNode* node);
};

// "line 1", "line 2" ... of `count` lines, one under the other.
std::wstring Lines(int count);

// Runs the messages that come in for 200 ms, so that the screen shows what was painted.
void Pump();

// The grids' timers kept in this table instead of the system's: a test reads which run at what
// interval and delivers each tick itself, so nothing waits for real time. One table at a time;
// grids whose seams it set run no timers once it is gone.
class TimerTable {
 public:
  TimerTable();
  ~TimerTable();
  TimerTable(const TimerTable&) = delete;
  TimerTable& operator=(const TimerTable&) = delete;
  void Install(treelist::InputSeams& seams);
  // The window's running timers: id -> interval in milliseconds.
  std::map<UINT_PTR, UINT> Running(HWND hwnd) const;
  // One tick of a running timer, as the system delivers it; false when it does not run.
  bool Fire(HWND hwnd, UINT_PTR id);

 private:
  std::map<std::pair<HWND, UINT_PTR>, UINT> running_;
};

// A node named `name` under `parent` (null: top level).
TdxTreeListNode* AddNamed(TestTreeList& grid, TdxTreeListNode* parent, const std::wstring& name);

// 16 x 16 images: a filled square in each colour, with a dark frame.
void FillImages(framework::TImageList& images, std::initializer_list<COLORREF> colours);

}  // namespace treelist_test
