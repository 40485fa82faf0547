// The tests' tree list and its form.
#include "grid_fixture.h"

#include <commctrl.h>

#include "framework/win/handles.h"

namespace treelist_test {

void TestTreeList::SetModel(treelist::HeaderModel model) {
  model_ = std::move(model);
  LayoutChanged();
}

std::wstring TestTreeList::Name(const TdxTreeListNode* node) const {
  const auto it = names_.find(node);
  return it == names_.end() ? std::wstring() : it->second;
}

std::wstring TestTreeList::GetNodeString(const TdxTreeListNode* node, int column) {
  if (const auto it = edited_.find({node, column}); it != edited_.end()) return it->second;
  const std::wstring name = Name(node);
  return column == 0 ? name : name + L"." + std::to_wstring(column);
}

void TestTreeList::SetNodeString(TdxTreeListNode* node, int column, const std::wstring& text) {
  edited_[{node, column}] = text;
  TCustomdxTreeList::SetNodeString(node, column, text);
}

int TestTreeList::GetNodeImageIndex(const TdxTreeListNode* node, ImageKind kind) {
  const int level = std::min(node->Level(), 2);
  return kind == ImageKind::State ? state_by_level[level] : image_by_level[level];
}

void TestTreeList::SetColumnWidth(int column, int width) {
  model_.columns[column].width = width;
  LayoutChanged();
}

void TestTreeList::SetBandRowCount(int rows) {
  model_.band_row_count = rows;
  LayoutChanged();
}

treelist::HeaderModel TwoBandModel() {
  treelist::HeaderModel model;
  model.columns = {{L"Name", 160, 60}, {L"Width", 80, 30}, {L"Clearance", 90, 30}};
  model.bands = {{L"Net", 160, 60, true, {{0}}}, {L"Rules", 170, 60, true, {{1, 2}}}};
  return model;
}

std::wstring HeaderRows(const treelist::HeaderModel& model) {
  std::wstring out;
  for (const treelist::BandSpec& band : model.bands) {
    out += band.caption + L"{";
    for (size_t r = 0; r < band.rows.size(); ++r) {
      if (r) out += L"/";
      for (size_t p = 0; p < band.rows[r].size(); ++p)
        out += (p ? L"," : L"") + model.columns[band.rows[r][p]].caption;
    }
    out += L"}";
  }
  return out;
}

GridForm::GridForm(int width, int height) {
  form.SetBounds(50, 50, width + 40, height + 60);
  grid.SetParent(&form);
  grid.SetBounds(10, 10, width, height);
  form.Show();
  grid.Handle();
}

void GridForm::Click(int x, int y, WPARAM keys) {
  SendMessageW(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
  SendMessageW(hwnd(), WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

void GridForm::Key(WORD key) {
  SendMessageW(hwnd(), WM_KEYDOWN, key, 0);
  SendMessageW(hwnd(), WM_KEYUP, key, 0xC0000000);
}

TdxTreeListNode* AddNamed(TestTreeList& grid, TdxTreeListNode* parent, const std::wstring& name) {
  TdxTreeListNode* node = parent ? parent->AddChild() : grid.Add();
  grid.SetName(node, name);
  return node;
}

void FillImages(framework::TImageList& images, std::initializer_list<COLORREF> colours) {
  HDC screen = GetDC(nullptr);
  for (COLORREF colour : colours) {
    win::UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 16, 16));
    win::UniqueMemoryDc dc(CreateCompatibleDC(screen));
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    RECT all{0, 0, 16, 16}, inner{2, 2, 14, 14};
    win::UniqueBrush white(CreateSolidBrush(RGB(255, 255, 255)));
    win::UniqueBrush frame(CreateSolidBrush(RGB(40, 40, 40)));
    win::UniqueBrush fill(CreateSolidBrush(colour));
    FillRect(dc.get(), &all, white.get());
    FrameRect(dc.get(), &inner, frame.get());
    InflateRect(&inner, -1, -1);
    FillRect(dc.get(), &inner, fill.get());
    SelectObject(dc.get(), old);
    ImageList_AddMasked(images.Handle(), bitmap.get(), RGB(255, 255, 255));
  }
  ReleaseDC(nullptr, screen);
}

std::vector<TdxTreeListNode*> AddNets(TestTreeList& grid) {
  std::vector<TdxTreeListNode*> rows;
  grid.BeginUpdate();
  for (const wchar_t* net : {L"GND", L"VCC", L"CLK"}) {
    TdxTreeListNode* top = AddNamed(grid, nullptr, net);
    rows.push_back(top);
    for (int i = 1; i <= 2; ++i) {
      rows.push_back(AddNamed(grid, top, std::wstring(net) + L" class " + std::to_wstring(i)));
    }
  }
  grid.EndUpdate();
  grid.FullExpand();
  rows[6]->Collapse(false);
  return rows;
}

std::vector<TdxTreeListNode*> AddEveryColouredPart(TestTreeList& grid) {
  grid.SetModel(TwoBandModel());
  grid.SetShowBands(true);
  grid.SetShowGrid(true);
  grid.SetShowRowFooter(true);
  grid.OnIsLevelFooter = [](framework::TComponent*, int level, bool& footer) {
    footer = level == 0;
  };
  grid.SetTreeLineStyle(treelist::TdxTreeLineStyle::tlSolid);
  return AddNets(grid);
}

MemoGrid::MemoGrid() {
  form.SetBounds(50, 50, 380, 320);
  grid.SetParent(&form);
  grid.SetBounds(10, 10, 340, 260);
  name = grid.CreateColumn<treelist::TdxTreeListColumn>();
  name->SetCaption(L"Rule");
  name->SetWidth(90);
  memo = grid.CreateColumn<treelist::TdxTreeListMemoColumn>();
  memo->SetCaption(L"Description");
  memo->SetWidth(200);
  grid.SetOptionsEx(grid.OptionsEx() | treelist::aoRowAutoHeight);
  form.Show();
}

TdxTreeListNode* MemoGrid::Add(const std::wstring& rule, const std::wstring& description) {
  TdxTreeListNode* node = grid.Add();
  grid.SetNodeString(node, 0, rule);
  grid.SetNodeString(node, 1, description);
  return node;
}

int MemoGrid::CellHeight(TdxTreeListNode* node) {
  const RECT r = grid.GetCellRect(node, 1);
  return r.bottom - r.top;
}

std::wstring Lines(int count) {
  std::wstring text;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) text += L"\r\n";
    text += L"line " + std::to_wstring(i);
  }
  return text;
}

namespace {
TimerTable* g_timer_table = nullptr;
}  // namespace

TimerTable::TimerTable() { g_timer_table = this; }
TimerTable::~TimerTable() { g_timer_table = nullptr; }

void TimerTable::Install(treelist::InputSeams& seams) {
  seams.set_timer = [](HWND hwnd, UINT_PTR id, UINT interval) -> UINT_PTR {
    if (!g_timer_table) return 0;
    g_timer_table->running_[{hwnd, id}] = interval;
    return id;
  };
  seams.kill_timer = [](HWND hwnd, UINT_PTR id) {
    if (g_timer_table) g_timer_table->running_.erase({hwnd, id});
  };
}

std::map<UINT_PTR, UINT> TimerTable::Running(HWND hwnd) const {
  std::map<UINT_PTR, UINT> timers;
  for (const auto& [key, interval] : running_) {
    if (key.first == hwnd) timers[key.second] = interval;
  }
  return timers;
}

bool TimerTable::Fire(HWND hwnd, UINT_PTR id) {
  if (!running_.count({hwnd, id})) return false;
  SendMessageW(hwnd, WM_TIMER, id, 0);
  return true;
}

void Pump() {
  for (int i = 0; i < 20; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

}  // namespace treelist_test
