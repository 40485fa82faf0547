// The grid's sort against the system's tree control (SysTreeView32 of the same Wine, sorted with
// TVM_SORTCHILDRENCB) on the same strings: one list of top-level nodes sorted by a text key
// with the mixed comparison, and by two keys (a kind, then the text). The tree control's
// callback compares the same texts by the same rule, prepared beforehand and outside its time
// (the grid's time includes asking for its values and preparing them).
// Prints the times, the ratios, the time per n log n and whether both orders agree.
//
//   treelist_sort_bench [--quick]     (--quick: 100,000 nodes only)
#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "controls/string_utils.h"
#include "framework/forms.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"
#include "support/clock.h"
#include "treelist/core/tree_list.h"

namespace {

// Texts of a parts list: "R4711", "C12", "U7" ..., and the kind alone as the first of two keys.
struct Texts {
  std::vector<std::wstring> kind, name;  // the grid's two value slots
  std::vector<std::string> narrow_kind, narrow_name;
};

Texts MakeTexts(int count) {
  static const wchar_t* const kKinds[] = {L"R", L"C", L"U", L"D", L"Q", L"L", L"TP", L"J"};
  std::mt19937 random(1234);
  std::uniform_int_distribution<int> kind(0, 7), number(1, count);
  Texts t;
  for (int i = 0; i < count; ++i) {
    t.kind.push_back(kKinds[kind(random)]);
    t.name.push_back(t.kind.back() + std::to_wstring(number(random)));
    t.narrow_kind.push_back(win::Narrow(t.kind.back()));
    t.narrow_name.push_back(win::Narrow(t.name.back()));
  }
  return t;
}

template <class Body>
double Time(Body&& body) {
  const double start = testsupport::Seconds();
  body();
  return testsupport::Seconds() - start;
}

class BenchTreeList : public treelist::TCustomdxTreeList {
 public:
  BenchTreeList(framework::TComponent* owner, const Texts& texts)
      : TCustomdxTreeList(owner), texts_(texts) {}
  bool two_keys = false;

 protected:
  std::wstring GetNodeString(const treelist::TdxTreeListNode* node, int column) override {
    return column == 0 ? texts_.name[node->Data()] : texts_.kind[node->Data()];
  }
  int GetSortColumnCount() const override { return two_keys ? 2 : 0; }
  int GetSortColumn(int index) const override { return index == 0 ? 1 : 0; }

 private:
  const Texts& texts_;
};

// The sorted names, to compare the two orders.
using Order = std::vector<std::string>;

double SortGrid(const Texts& texts, bool two_keys, Order& order) {
  framework::TForm form(nullptr);
  form.SetBounds(0, 0, 440, 360);
  auto* grid = new BenchTreeList(&form, texts);
  grid->SetParent(&form);
  grid->SetBounds(0, 0, 400, 300);
  grid->SetOptionsEx(grid->OptionsEx() | treelist::aoMultiSort);
  grid->two_keys = two_keys;
  form.Show();
  grid->Handle();
  grid->BeginUpdate();
  for (size_t i = 0; i < texts.name.size(); ++i) grid->Add()->SetData(static_cast<uint32_t>(i));
  grid->EndUpdate();
  const double seconds = Time([&] { grid->Sort(0, 0, false); });
  order.clear();
  for (const treelist::TdxTreeListNode* node : grid->TopNodes()) {
    order.push_back(texts.narrow_name[node->Data()]);
  }
  delete grid;
  return seconds;
}

// The tree control's callback compares keys prepared before its time starts.
struct TreeSortContext {
  std::vector<controls::MixedSortKey> kind_keys, name_keys;
  bool two_keys;
};

int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM context) {
  const auto* c = reinterpret_cast<const TreeSortContext*>(context);
  using controls::MixedSortKey;
  if (c->two_keys) {
    if (int r = MixedSortKey::Compare(c->kind_keys[a], c->kind_keys[b])) return r;
  }
  return MixedSortKey::Compare(c->name_keys[a], c->name_keys[b]);
}

double SortTreeControl(const Texts& texts, bool two_keys, Order& order) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TreeListSortBenchHost";
  RegisterClassW(&wc);
  win::UniqueWindow host(CreateWindowW(wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 440,
                                       360, nullptr, nullptr, wc.hInstance, nullptr));
  HWND tree = CreateWindowW(WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES, 0,
                            0, 400, 300, host.get(), nullptr, wc.hInstance, nullptr);
  ShowWindow(host.get(), SW_SHOW);
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < texts.name.size(); ++i) {
    TVINSERTSTRUCTW item{};
    item.hParent = TVI_ROOT;
    item.hInsertAfter = TVI_LAST;
    item.item.mask = TVIF_TEXT | TVIF_PARAM;
    item.item.pszText = LPSTR_TEXTCALLBACKW;
    item.item.lParam = static_cast<LPARAM>(i);
    SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  TreeSortContext context{{}, {}, two_keys};
  for (size_t i = 0; i < texts.name.size(); ++i) {
    if (two_keys) context.kind_keys.emplace_back(texts.narrow_kind[i]);
    context.name_keys.emplace_back(texts.narrow_name[i]);
  }
  TVSORTCB sort{TVI_ROOT, CompareItems, reinterpret_cast<LPARAM>(&context)};
  const double seconds =
      Time([&] { SendMessageW(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort)); });
  order.clear();
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  for (item.hItem = TreeView_GetRoot(tree); item.hItem;
       item.hItem = TreeView_GetNextSibling(tree, item.hItem)) {
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    order.push_back(texts.narrow_name[item.lParam]);
  }
  SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  DestroyWindow(tree);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&init);
  std::vector<int> sizes = {100000};
  if (!quick) sizes.push_back(1000000);
  std::printf("Sorting one list of nodes: texts \"R4711\" and the like, mixed comparison; ms\n");
  std::printf("  %-10s %-28s %10s %13s %7s %15s %7s\n", "nodes", "keys", "grid", "tree control",
              "ratio", "grid ns/(n lg n)", "same");
  double per_nlogn[2][2] = {};
  for (size_t s = 0; s < sizes.size(); ++s) {
    const int n = sizes[s];
    const Texts texts = MakeTexts(n);
    for (int two = 0; two < 2; ++two) {
      Order grid_order, tree_order;
      const double grid = SortGrid(texts, two, grid_order);
      const double tree = SortTreeControl(texts, two, tree_order);
      const double nlogn = n * std::log2(double(n));
      per_nlogn[s][two] = grid / nlogn * 1e9;
      std::printf("  %-10d %-28s %10.1f %13.1f %6.1fx %15.2f %7s\n", n,
                  two ? "kind, then text (two keys)" : "text", grid * 1000, tree * 1000,
                  tree / grid, per_nlogn[s][two], grid_order == tree_order ? "yes" : "NO");
      std::fflush(stdout);
    }
  }
  if (sizes.size() == 2) {
    std::printf(
        "\ngrid time per n log n, 1,000,000 against 100,000 nodes: text %+.0f%%, two keys "
        "%+.0f%%\n",
        per_nlogn[1][0] / per_nlogn[0][0] * 100 - 100,
        per_nlogn[1][1] / per_nlogn[0][1] * 100 - 100);
  }
  return 0;
}
