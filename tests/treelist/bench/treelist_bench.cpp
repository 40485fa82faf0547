// The grid against the system's tree control (SysTreeView32 of the same Wine, driven with its
// messages) on the same work: add nodes on three levels, expand all, find the rows at random
// visible indexes, page from top to bottom painting each page into a memory DC, free all.
// Prints each figure, the ratio, the growth of time per node and the memory per node, the cache
// lines a lookup reads, and the floor of any random lookup: one read at a random place of an array
// as long as the rows.
//
//   treelist_bench [--quick] [--grid]   (--quick: 100,000 nodes only; --grid: the grid alone, for
//                                        comparing builds of it quickly)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/win/handles.h"
#include "support/clock.h"
#include "treelist/core/tree_list.h"

namespace {

constexpr int kChildren = 9;  // per node of the first two levels: 91 nodes per top node
constexpr int kLookups = 10000;
constexpr int kTreeExpandSample = 500;  // the tree control's expands, sampled
constexpr int kTreePageSample = 2000;   // and its pages
constexpr int kWidth = 400, kHeight = 300;

std::wstring NodeText(uint32_t number) { return L"Node " + std::to_wstring(number); }

// Committed private memory of the process (the heaps among it), by walking the address space:
// Wine's process counters do not track it.
size_t PrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION info{};
  const char* p = nullptr;
  while (VirtualQuery(p, &info, sizeof(info)) == sizeof(info)) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    if (next <= p) break;
    p = next;
  }
  return total;
}

struct Figures {
  double add = 0, expand = 0, scroll = 0, free = 0;  // seconds
  double patch = 0;      // 100 rows added one at a time outside an update: the index patched
  double row_index = 0;  // of `expand`, making the row index
  // 10,000 random rows: the node at each, the row of each such node, and the node at each with
  // one of its fields read (a node touched at random misses the caches however it was found).
  double node_at_row = 0, row_of_node = 0, node_read = 0;
  // The floor those stand on: one read at a random place of an array with an entry per node.
  double array_read = 0;
  int row_of_node_lines = 0;  // cache lines one search of the row of a node reads
  double painting = 0;        // of `scroll`, the painting alone
  int pages = 0;
  double bytes_per_node = 0;
};

template <class Body>
double Time(Body&& body) {
  const double start = testsupport::Seconds();
  body();
  return testsupport::Seconds() - start;
}

class MemoryDc {
 public:
  MemoryDc() {
    HDC screen = GetDC(nullptr);
    dc_.reset(CreateCompatibleDC(screen));
    bitmap_.reset(CreateCompatibleBitmap(screen, kWidth, kHeight));
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_.get(), bitmap_.get());
  }
  ~MemoryDc() { SelectObject(dc_.get(), old_); }
  HDC get() const { return dc_.get(); }

 private:
  win::UniqueMemoryDc dc_;
  win::UniqueBitmap bitmap_;
  HGDIOBJ old_ = nullptr;
};

// ---- the grid --------------------------------------------------------------------------------

class BenchTreeList : public treelist::TCustomdxTreeList {
 public:
  using TCustomdxTreeList::TCustomdxTreeList;

 protected:
  std::wstring GetNodeString(const treelist::TdxTreeListNode* node, int) override {
    return NodeText(node->Data());
  }
};

Figures RunGrid(int tops) {
  Figures f;
  framework::TForm form(nullptr);
  form.SetBounds(0, 0, kWidth + 40, kHeight + 60);
  auto* grid = new BenchTreeList(&form);
  grid->SetParent(&form);
  grid->SetBounds(0, 0, kWidth, kHeight);
  form.Show();
  grid->Handle();
  const size_t before = PrivateBytes();
  uint32_t number = 0;
  f.add = Time([&] {
    grid->BeginUpdate();
    for (int t = 0; t < tops; ++t) {
      treelist::TdxTreeListNode* top = grid->Add();
      top->SetData(number++);
      for (int i = 0; i < kChildren; ++i) {
        treelist::TdxTreeListNode* child = top->AddChild();
        child->SetData(number++);
        for (int j = 0; j < kChildren; ++j) child->AddChild()->SetData(number++);
      }
    }
    grid->EndUpdate();
  });
  f.expand = Time([&] { grid->FullExpand(); });
  grid->SetRowIndexEnabled(true);  // forgets the index made for the scroll bars
  f.row_index = Time([&] { grid->GetVisibleRowCount(); });
  f.bytes_per_node = double(PrivateBytes() - before) / number;
  // Each figure is the median of five rounds on other rows: a round lasts a millisecond or
  // two, which a loaded machine's scheduler easily cuts into.
  std::mt19937 random(7);
  std::uniform_int_distribution<int> row(0, static_cast<int>(number) - 1);
  size_t check = 0;
  const std::vector<uint32_t> array(number, 1);
  std::vector<double> rounds[4];
  for (int round = 0; round < 5; ++round) {
    std::vector<int> rows(kLookups);
    for (int& r : rows) r = row(random);
    std::vector<treelist::TdxTreeListNode*> nodes(kLookups);
    rounds[0].push_back(Time([&] {
      for (int i = 0; i < kLookups; ++i) nodes[i] = grid->GetNodeAtAbsoluteIndex(rows[i]);
    }));
    for (int& r : rows) r = row(random);
    rounds[1].push_back(Time([&] {
      for (treelist::TdxTreeListNode* node : nodes) check += grid->GetAbsoluteIndex(node);
    }));
    rounds[2].push_back(Time([&] {
      for (int r : rows) check += grid->GetNodeAtAbsoluteIndex(r)->Data();
    }));
    rounds[3].push_back(Time([&] {
      for (int r : rows) check += array[r];
    }));
  }
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  f.node_at_row = median(rounds[0]);
  f.row_of_node = median(rounds[1]);
  f.node_read = median(rounds[2]);
  f.array_read = median(rounds[3]);
  f.row_of_node_lines = grid->FlatRowIndex().IndexOfLines();
  MemoryDc memory;
  f.scroll = Time([&] {
    int last = -1;
    while (grid->TopIndex() != last) {
      last = grid->TopIndex();
      f.painting += Time([&] { grid->PaintGridTo(memory.get()); });
      ++f.pages;
      grid->SetTopIndex(last + grid->FullyVisibleRowCount());
    }
  });
  f.patch = Time([&] {
    for (int i = 0; i < 100; ++i) grid->Items(row(random) % grid->Count())->AddChild();
  });
  f.free = Time([&] { delete grid; });
  if (check == 0) std::puts("");
  return f;
}

// ---- the system's tree control ---------------------------------------------------------------

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == WM_NOTIFY) {
    auto* info = reinterpret_cast<NMTVDISPINFOW*>(lparam);
    if (info->hdr.code == TVN_GETDISPINFOW && (info->item.mask & TVIF_TEXT)) {
      const std::wstring text = NodeText(static_cast<uint32_t>(info->item.lParam));
      lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
    }
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

// Expanding and paging the whole tree control would take hours at a million rows (each expand
// costs it time in proportion to the tree): its expands and pages are timed on a sample and
// scaled to the whole.
Figures RunTreeView(int tops) {
  Figures f;
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TreeListBenchHost";
  RegisterClassW(&wc);
  win::UniqueWindow host(CreateWindowW(L"TreeListBenchHost", L"bench", WS_OVERLAPPEDWINDOW, 0, 0,
                                       kWidth + 40, kHeight + 60, nullptr, nullptr, wc.hInstance,
                                       nullptr));
  HWND tree = CreateWindowW(
      WC_TREEVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT, 0, 0,
      kWidth, kHeight, host.get(), nullptr, wc.hInstance, nullptr);
  ShowWindow(host.get(), SW_SHOW);
  const size_t before = PrivateBytes();
  std::vector<HTREEITEM> parents;
  uint32_t number = 0;
  auto insert = [&](HTREEITEM parent) {
    TVINSERTSTRUCTW item{};
    item.hParent = parent;
    item.hInsertAfter = TVI_LAST;
    item.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    item.item.pszText = LPSTR_TEXTCALLBACKW;
    item.item.lParam = number++;
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  };
  f.add = Time([&] {
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    for (int t = 0; t < tops; ++t) {
      HTREEITEM top = insert(TVI_ROOT);
      parents.push_back(top);
      for (int i = 0; i < kChildren; ++i) {
        HTREEITEM child = insert(top);
        parents.push_back(child);
        for (int j = 0; j < kChildren; ++j) insert(child);
      }
    }
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  });
  const size_t expands = std::min<size_t>(kTreeExpandSample, parents.size());
  f.expand = Time([&] {
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 0; i < expands; ++i) {
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parents[i]));
    }
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
  });
  f.expand *= double(parents.size()) / expands;
  f.bytes_per_node =
      double(PrivateBytes() - before - parents.capacity() * sizeof(HTREEITEM)) / number;
  // No message finds row N, or the row of an item: the rows are walked from the first. One walk
  // over every visible row gives the cost of a step; a lookup walks half the rows on average.
  HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  int rows = 0;
  const double walk = Time([&] {
    for (; item; ++rows) {
      item = reinterpret_cast<HTREEITEM>(
          SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
    }
  });
  f.node_at_row = f.row_of_node = f.node_read = walk / rows * (number / 2.0) * kLookups;
  MemoryDc memory;
  const int page_limit = kTreePageSample;
  f.scroll = Time([&] {
    HTREEITEM last = nullptr;
    for (;;) {
      HTREEITEM first =
          reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
      if (first == last || f.pages >= page_limit) break;
      last = first;
      SendMessageW(tree, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
      ++f.pages;
      SendMessageW(tree, WM_VSCROLL, SB_PAGEDOWN, 0);
    }
  });
  f.free = Time([&] {
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  });
  DestroyWindow(tree);
  return f;
}

void PrintRow(const char* what, double grid, double tree, const char* note = "") {
  std::printf("  %-34s %12.3f %12.1f %9.1fx%s\n", what, grid * 1000, tree * 1000,
              grid > 0 ? tree / grid : 0.0, note);
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false, grid_only = false;
  for (int i = 1; i < argc; ++i) {
    quick = quick || std::strcmp(argv[i], "--quick") == 0;
    grid_only = grid_only || std::strcmp(argv[i], "--grid") == 0;
  }
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&init);
  const int nodes_per_top = 1 + kChildren + kChildren * kChildren;
  std::vector<int> sizes = {100000 / nodes_per_top + 1};
  if (!quick) sizes.push_back(1000000 / nodes_per_top + 1);
  std::vector<Figures> grids;
  for (int tops : sizes) {
    const int nodes = tops * nodes_per_top;
    const Figures grid = RunGrid(tops);
    const Figures tree = grid_only ? Figures{} : RunTreeView(tops);
    grids.push_back(grid);
    std::printf("\n%d nodes (three levels, all expanded), times in ms:\n", nodes);
    std::printf("  %-34s %12s %12s %10s\n", "operation", "grid", "tree control", "ratio");
    PrintRow("add all nodes", grid.add, tree.add);
    PrintRow("expand all", grid.expand, tree.expand, "  (tree: first 500 expands, scaled)");
    std::printf("  %-34s %12.3f\n", "of which making the row index", grid.row_index * 1000);
    PrintRow("node at visible row, 10,000 random", grid.node_at_row, tree.node_at_row,
             "  (tree: cost of a step x half the rows)");
    PrintRow("visible row of node, 10,000 random", grid.row_of_node, tree.row_of_node);
    PrintRow("node at row, and reading it", grid.node_read, tree.node_read);
    std::printf("  %-34s %12.3f\n", "a random read of an array, 10,000", grid.array_read * 1000);
    std::printf("  %-34s %12s\n", "cache lines per lookup",
                ("1 at row, " + std::to_string(grid.row_of_node_lines) + " of node").c_str());
    const double tree_page = tree.pages ? tree.scroll / tree.pages : 0;
    PrintRow("page top to bottom, painting", grid.scroll, tree_page * grid.pages,
             "  (tree: first 2,000 pages, scaled)");
    std::printf("  %-34s %12.3f\n", "100 rows added, index patched", grid.patch * 1000);
    PrintRow("free all", grid.free, tree.free);
    std::printf("  %-34s %12.3f %12.3f\n", "one page scrolled and painted (ms)",
                grid.scroll / grid.pages * 1000, tree_page * 1000);
    std::printf("  %-34s %12.3f\n", "of which painting (ms)", grid.painting / grid.pages * 1000);
    std::printf("  %-34s %12.0f %12.0f\n", "bytes per node (before texts)", grid.bytes_per_node,
                tree.bytes_per_node);
    std::printf("  %-34s %12d\n", "pages", grid.pages);
  }
  if (grids.size() == 2) {
    const double scale = 10.0;  // ten times the nodes
    auto growth = [&](double small, double large) { return (large / scale) / small * 100 - 100; };
    std::printf("\ntime per node, 1,000,000 against 100,000 nodes (grid):\n");
    std::printf("  add %+.0f%%, expand %+.0f%%, page through %+.0f%%, free %+.0f%%\n",
                growth(grids[0].add, grids[1].add), growth(grids[0].expand, grids[1].expand),
                growth(grids[0].scroll, grids[1].scroll), growth(grids[0].free, grids[1].free));
    auto same = [](double small, double large) { return large / small * 100 - 100; };
    std::printf(
        "  per lookup: node at row %+.0f%%, row of node %+.0f%%, node at row read %+.0f%%"
        " (a random read of an array %+.0f%%)\n",
        same(grids[0].node_at_row, grids[1].node_at_row),
        same(grids[0].row_of_node, grids[1].row_of_node),
        same(grids[0].node_read, grids[1].node_read),
        same(grids[0].array_read, grids[1].array_read));
  }
  return 0;
}
