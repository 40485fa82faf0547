// A full repaint of a 1280 x 1024 grid page of 40 rows and 8 columns into a memory DC, against
// the system's list view (SysListView32 in report view, painted with WM_PRINTCLIENT) showing
// the same texts. Prints milliseconds per page (wall clock, and the thread's processor time, which
// other programs' load does not inflate), microseconds per cell and the ratio; the target is under
// 5 ms a page. A second page has rows that size themselves to a memo column of 1 to 5 lines, the
// grid measuring each row once and painting the wrapped lines, against the same list view.
//
//   treelist_paint_bench [PAGES | --quick]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/win/handles.h"
#include "support/clock.h"
#include "treelist/view/grid_view.h"
#include "treelist/columns/memo_column.h"
#include "treelist/core/tree_list.h"
#include "treelist/columns/tree_list_control.h"

namespace {

constexpr int kWidth = 1280, kHeight = 1024, kRows = 40, kColumns = 8;

std::wstring CellText(int row, int column) {
  return L"Net " + std::to_wstring(row) + L" / " + std::to_wstring(column * 125) + L" mil";
}

class BenchGrid : public treelist::TCustomdxTreeList {
 public:
  explicit BenchGrid(framework::TComponent* owner) : TCustomdxTreeList(owner) {
    treelist::BandSpec band{L"Rules", 0, 20, true, {{}}};
    for (int i = 0; i < kColumns; ++i) {
      model_.columns.push_back({L"Column " + std::to_wstring(i), kWidth / kColumns - 2, 20});
      band.rows[0].push_back(i);
    }
    model_.bands = {band};
    LayoutChanged();
  }
  const treelist::HeaderModel& GetHeaderModel() const override { return model_; }
  // Each row's texts, made once: the list view holds its own too.
  std::map<const treelist::TdxTreeListNode*, std::vector<std::wstring>> rows;

 protected:
  std::wstring GetNodeString(const treelist::TdxTreeListNode* node, int column) override {
    return rows.find(node)->second[column];
  }

 private:
  treelist::HeaderModel model_;
};

struct PageTime {
  double wall_ms, processor_ms;
};

template <class Paint>
PageTime MillisecondsPerPage(int pages, Paint&& paint) {
  paint();  // warm: fonts and caches
  const double start = testsupport::Seconds(), processor = testsupport::ThreadSeconds();
  for (int i = 0; i < pages; ++i) paint();
  return {(testsupport::Seconds() - start) * 1000 / pages,
          (testsupport::ThreadSeconds() - processor) * 1000 / pages};
}

// The memo cells' texts: 1 to 5 lines by row.
std::wstring MemoText(int row) {
  std::wstring text;
  for (int line = 0; line <= row % 5; ++line) {
    text += (line ? L"\r\n" : L"") + CellText(row, line);
  }
  return text;
}

// 7 text columns and a memo column, rows sized to the memo's lines.
class AutoHeightGrid {
 public:
  explicit AutoHeightGrid(framework::TForm& form) : grid_(nullptr) {
    grid_.SetParent(&form);
    grid_.SetBounds(0, 0, kWidth, kHeight);
    for (int i = 0; i < kColumns; ++i) {
      treelist::TdxTreeListColumn* column =
          i == kColumns - 1 ? grid_.CreateColumn<treelist::TdxTreeListMemoColumn>()
                            : grid_.CreateColumn<treelist::TdxTreeListColumn>();
      column->SetCaption(L"Column " + std::to_wstring(i));
      column->SetWidth(kWidth / kColumns - 2);
    }
    grid_.SetOptionsEx(grid_.OptionsEx() | treelist::aoRowAutoHeight);
    grid_.BeginUpdate();
    for (int r = 0; r < kRows; ++r) {
      treelist::TdxTreeListNode* node = grid_.Add();
      for (int c = 0; c < kColumns; ++c) {
        grid_.SetNodeString(node, c, c == kColumns - 1 ? MemoText(r) : CellText(r, c));
      }
    }
    grid_.EndUpdate();
  }
  void PaintTo(HDC dc) { grid_.PaintGridTo(dc); }
  int RowsShown() { return static_cast<int>(grid_.GetView()->rows.size()); }

 private:
  treelist::TCustomdxTreeListControl grid_;
};

HWND MakeListView(HWND parent) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                              kWidth, kHeight, parent, nullptr, nullptr, nullptr);
  for (int c = 0; c < kColumns; ++c) {
    std::wstring caption = L"Column " + std::to_wstring(c);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = kWidth / kColumns - 2;
    column.pszText = caption.data();
    SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
  }
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      std::wstring text = CellText(r, c);
      LVITEMW item{LVIF_TEXT, r, c, 0, 0, text.data(), 0, 0, 0, 0, 0, 0, nullptr, nullptr, 0};
      SendMessageW(list, c ? LVM_SETITEMTEXTW : LVM_INSERTITEMW, r,
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
  const int pages = quick ? 20 : argc > 1 ? std::max(std::atoi(argv[1]), 1) : 200;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  framework::TForm form(nullptr);
  form.SetBounds(0, 0, kWidth + 40, kHeight + 60);
  BenchGrid grid(nullptr);
  grid.SetParent(&form);
  grid.SetBounds(0, 0, kWidth, kHeight);
  grid.SetDefaultRowHeight(24);
  grid.BeginUpdate();
  for (int r = 0; r < kRows; ++r) {
    std::vector<std::wstring>& texts = grid.rows[grid.Add()];
    for (int c = 0; c < kColumns; ++c) texts.push_back(CellText(r, c));
  }
  grid.EndUpdate();
  form.Show();

  HDC screen = GetDC(nullptr);
  win::UniqueMemoryDc dc(CreateCompatibleDC(screen));
  win::UniqueBitmap bitmap(CreateCompatibleBitmap(screen, kWidth, kHeight));
  ReleaseDC(nullptr, screen);
  SelectObject(dc.get(), bitmap.get());

  const PageTime ours = MillisecondsPerPage(pages, [&] { grid.PaintGridTo(dc.get()); });
  AutoHeightGrid auto_height(form);
  const PageTime memo = MillisecondsPerPage(pages, [&] { auto_height.PaintTo(dc.get()); });
  HWND list = MakeListView(form.Handle());
  const PageTime theirs = MillisecondsPerPage(pages, [&] {
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()),
                 PRF_CLIENT | PRF_ERASEBKGND);
  });
  const int cells = kRows * kColumns;
  std::printf("Full repaint of a %d x %d page, %d rows x %d columns, %d pages each\n", kWidth,
              kHeight, kRows, kColumns, pages);
  for (const auto& [name, time] : {std::pair{"grid     ", ours}, {"list view", theirs}}) {
    std::printf("  %s %7.3f ms a page  %6.2f us a cell  (processor %7.3f ms a page)\n", name,
                time.wall_ms, time.wall_ms * 1000 / cells, time.processor_ms);
  }
  std::printf("  ratio grid / list view: %.2f  (target: under 5 ms a page: %s)\n",
              ours.wall_ms / theirs.wall_ms, ours.wall_ms < 5 ? "met" : "missed");
  std::printf("Rows sized to a memo column of 1 to 5 lines (%d rows shown)\n",
              auto_height.RowsShown());
  std::printf("  grid      %7.3f ms a page  (processor %7.3f ms a page)\n", memo.wall_ms,
              memo.processor_ms);
  std::printf("  ratio grid / list view: %.2f\n", memo.wall_ms / theirs.wall_ms);
  DestroyWindow(list);
  return 0;
}
