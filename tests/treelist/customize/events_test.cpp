// The published tree list's events on the live grid: band and header drags by the mouse (whether
// they may start, their start, their end with its drop place, the moves and hides that follow),
// band clicks, a node drag as drag and drop, the context-menu request; and every published event
// taking its handler from a form description.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/form_resource.h"
#include "framework/forms.h"
#include "framework/win/text.h"
#include "../grid_fixture.h"
#include "treelist/input/interaction_state.h"
#include "treelist/customize/published_tree_list.h"

namespace treelist_test {
namespace {

using treelist::HeaderDropPosition;
using treelist::TdxTreeList;
using treelist::TdxTreeListBand;
using treelist::TdxTreeListColumn;
using treelist::TdxTreeListNode;

POINT g_cursor{};  // the screen point the grid reads as the cursor's

// Bands "Net" (column "Name") and "Rules" ("Width", "Clearance") shown in a form, the drag
// events logged as "Event Item details".
struct EventGrid {
  framework::TForm form{nullptr};
  TdxTreeList grid{nullptr};
  std::vector<std::string> log;
  bool allow_drag = true, accept_drop = true;

  EventGrid() {
    form.SetBounds(30, 30, 460, 240);
    grid.SetName("Grid");
    grid.SetParent(&form);
    grid.SetBounds(5, 5, 440, 200);
    grid.Seams().cursor_pos = [] { return g_cursor; };
    grid.SetShowBands(true);
    grid.SetOptions(grid.Options() | treelist::aoColumnMoving | treelist::aoExtCustomizing);
    grid.SetOptionsEx(grid.OptionsEx() | treelist::aoBandMoving);
    grid.Bands().Items(0)->SetCaption(L"Net");
    grid.Bands().Add()->SetCaption(L"Rules");
    for (const auto& [caption, band] : {std::pair{L"Name", 0}, {L"Width", 1}, {L"Clearance", 1}}) {
      TdxTreeListColumn* c = grid.CreateColumn<TdxTreeListColumn>();
      c->SetCaption(caption);
      c->SetBandIndex(band);
    }
    for (const wchar_t* net : {L"GND", L"VCC", L"CLK"}) grid.SetNodeString(grid.Add(), 0, net);
    form.Show();
    Hook();
  }
  static std::string Name(TdxTreeListBand* b) { return win::Narrow(b->Caption()); }
  static std::string Name(TdxTreeListColumn* c) { return win::Narrow(c->Caption()); }
  void Hook() {
    grid.OnBandClick = [this](auto*, TdxTreeListBand* b) { log.push_back("BandClick " + Name(b)); };
    grid.OnCanBandDragging = [this](auto*, TdxTreeListBand* b, bool& allow) {
      log.push_back("CanBandDragging " + Name(b));
      allow = allow_drag;
    };
    grid.OnStartBandDragging = [this](auto*, TdxTreeListBand* b) {
      log.push_back("StartBandDragging " + Name(b));
    };
    grid.OnDragEndBand = [this](auto*, TdxTreeListBand* b, POINT, int from, int& to, bool& ok) {
      log.push_back("DragEndBand " + Name(b) + " " + std::to_string(from) + ">" +
                    std::to_string(to));
      ok = accept_drop;
    };
    grid.OnHideBand = [this](auto*, TdxTreeListBand* b) { log.push_back("HideBand " + Name(b)); };
    grid.OnCanHeaderDragging = [this](auto*, TdxTreeListColumn* c, bool& allow) {
      log.push_back("CanHeaderDragging " + Name(c));
      allow = allow_drag;
    };
    grid.OnStartHeaderDragging = [this](auto*, TdxTreeListColumn* c) {
      log.push_back("StartHeaderDragging " + Name(c));
    };
    grid.OnDragEndHeader = [this](auto*, TdxTreeListColumn* c, POINT, int, HeaderDropPosition& to,
                                  bool& ok) {
      log.push_back("DragEndHeader " + Name(c) + " " + std::to_string(to.band) + "," +
                    std::to_string(to.row) + "," + std::to_string(to.column));
      ok = accept_drop;
    };
    grid.OnColumnMoved = [this](auto*, TdxTreeListColumn* c, int from, int to) {
      log.push_back("ColumnMoved " + Name(c) + " " + std::to_string(from) + ">" +
                    std::to_string(to));
    };
    grid.OnEndDragColumn = [this](auto*, TdxTreeListColumn* c) {
      log.push_back("EndDragColumn " + Name(c));
    };
    grid.OnHeaderMoved = [this](auto*, TdxTreeListColumn* c) {
      log.push_back("HeaderMoved " + Name(c));
    };
    grid.OnHideHeader = [this](auto*, TdxTreeListColumn* c) {
      log.push_back("HideHeader " + Name(c));
    };
  }
  void Send(UINT msg, POINT client) {
    g_cursor = client;
    ClientToScreen(grid.Handle(), &g_cursor);
    const WPARAM keys = msg == WM_LBUTTONUP ? 0 : MK_LBUTTON;
    SendMessageW(grid.Handle(), msg, keys, MAKELPARAM(client.x, client.y));
  }
  // Pressed at `from`, moved past the drag threshold, then to `to` and released there.
  std::vector<std::string> Drag(POINT from, POINT to) {
    log.clear();
    Send(WM_LBUTTONDOWN, from);
    Send(WM_MOUSEMOVE, {from.x + 8, from.y});
    Send(WM_MOUSEMOVE, to);
    Send(WM_LBUTTONUP, to);
    return log;
  }
  POINT BandMiddle(int band) {
    const treelist::Layout l = grid.GetLayout();
    return {(l.bands[band].left + l.bands[band].right) / 2,
            (l.band_panel.top + l.band_panel.bottom) / 2};
  }
  TdxTreeListColumn& Column(const wchar_t* caption) {
    for (int i = 0; i < grid.ColumnCount(); ++i) {
      if (grid.Columns(i)->Caption() == caption) return *grid.Columns(i);
    }
    throw std::runtime_error("no such column");
  }
  POINT HeaderAt(const wchar_t* caption, int dx) {
    const RECT r = treelist_test::HeaderCellOf(grid, Column(caption).Index()).rect;
    return {r.left + dx, (r.top + r.bottom) / 2};
  }
  std::string Bands() { return Name(grid.Bands().Items(0)) + " " + Name(grid.Bands().Items(1)); }
  POINT InTheRows() { return {100, grid.GetLayout().rows.top + 40}; }
  POINT Row(int row) {
    const RECT r = grid.GetCellRect(grid.Items(row), 0);
    return {r.left + 20, (r.top + r.bottom) / 2};
  }
  std::string NodeAt(int x, int y) {
    TdxTreeListNode* node = grid.GetNodeAt(x, y);
    return node ? win::Narrow(grid.GetNodeString(node, 0)) : "-";
  }
};

using Log = std::vector<std::string>;

TEST(TreeListEvents, BandDragsAskStartEndAndMoveOrHideTheBand) {
  EventGrid g;
  const POINT net = g.BandMiddle(0), rules = g.BandMiddle(1);
  g.Send(WM_LBUTTONDOWN, net);
  g.Send(WM_LBUTTONUP, net);
  EXPECT_EQ(g.log, Log{"BandClick Net"});

  g.accept_drop = false;
  const POINT before_net{g.grid.GetLayout().bands[0].left + 3, net.y};
  EXPECT_EQ(g.Drag(rules, before_net),
            (Log{"CanBandDragging Rules", "StartBandDragging Rules", "DragEndBand Rules 1>0"}));
  EXPECT_EQ(g.Bands(), "Net Rules") << "a refused drop moves nothing";
  g.accept_drop = true;
  g.Drag(rules, before_net);
  EXPECT_EQ(g.Bands(), "Rules Net");

  g.allow_drag = false;
  EXPECT_EQ(g.Drag(g.BandMiddle(1), g.InTheRows()),
            (Log{"CanBandDragging Net", "CanBandDragging Net"}))
      << "asked at each move, it starts nothing";
  EXPECT_TRUE(g.grid.Bands().Items(1)->Visible());
  g.allow_drag = true;
  EXPECT_EQ(g.Drag(g.BandMiddle(1), g.InTheRows()),
            (Log{"CanBandDragging Net", "StartBandDragging Net", "DragEndBand Net 1>-1",
                 "HideBand Net"}));
  EXPECT_FALSE(g.grid.Bands().Items(1)->Visible());

  g.grid.Bands().Items(1)->SetVisible(true);
  g.grid.Bands().Items(0)->SetFixed(treelist::TdxGridBandFixed::bfLeft);
  EXPECT_EQ(g.Drag(g.BandMiddle(0), g.InTheRows()), Log{}) << "a fixed band keeps its side";
}

TEST(TreeListEvents, HeaderDragsInOneBandSayWhereTheColumnWent) {
  EventGrid g;
  g.grid.Bands().Items(0)->SetVisible(false);  // Width and Clearance in Rules alone
  EXPECT_EQ(g.Drag(g.HeaderAt(L"Clearance", 10), g.HeaderAt(L"Width", 3)),
            (Log{"CanHeaderDragging Clearance", "StartHeaderDragging Clearance",
                 "DragEndHeader Clearance 0,0,0", "ColumnMoved Clearance 1>0",
                 "EndDragColumn Clearance", "HeaderMoved Clearance"}));
  EXPECT_EQ(g.Column(L"Clearance").ColIndex(), 0);
  EXPECT_EQ(g.Drag(g.HeaderAt(L"Width", 10), g.InTheRows()),
            (Log{"CanHeaderDragging Width", "StartHeaderDragging Width",
                 "DragEndHeader Width -1,-1,-1", "EndDragColumn Width", "HideHeader Width"}));
  EXPECT_FALSE(g.Column(L"Width").Visible());

  g.grid.Bands().Items(0)->SetVisible(true);
  g.Column(L"Width").SetVisible(true);
  const Log moved = g.Drag(g.HeaderAt(L"Name", 10), g.HeaderAt(L"Width", 3));
  EXPECT_EQ(moved.back(), "HeaderMoved Name");
  EXPECT_EQ(std::count(moved.begin(), moved.end(), "EndDragColumn Name"), 0)
      << "with two bands shown no column-moved report";
}

// A node dragged with the automatic drag mode is drag and drop within the grid: a drop is
// taken only where OnDragOver accepts it, and the end says who took it.
TEST(TreeListEvents, ANodeDragDropsOnlyWhereTheHandlerAccepts) {
  EventGrid g;
  g.grid.SetDragMode(treelist::TDragMode::dmAutomatic);
  g.grid.OnStartDrag = [&](auto*) { g.log.push_back("StartDrag"); };
  g.grid.OnGetNodeDragText = [&](auto*, TdxTreeListNode* node, TdxTreeListColumn*,
                                 std::wstring& text) {
    g.log.push_back("DragText " + win::Narrow(text));
    text = L"net " + g.grid.GetNodeString(node, 0);
  };
  g.grid.OnDragDrop = [&](auto*, framework::TComponent* source, int x, int y) {
    g.log.push_back("DragDrop " + g.NodeAt(x, y) + (source == &g.grid ? " from the grid" : ""));
  };
  g.grid.OnEndDrag = [&](auto*, framework::TComponent* target, int x, int y) {
    g.log.push_back("EndDrag " + g.NodeAt(x, y) + (target ? " taken" : " not taken"));
  };
  EXPECT_EQ(g.Drag(g.Row(0), g.Row(2)), (Log{"StartDrag", "DragText GND", "EndDrag CLK not taken"}))
      << "without an OnDragOver handler no place takes a drop";

  g.grid.OnDragOver = [&](auto*, framework::TComponent*, int x, int y, bool& accept) {
    accept = g.NodeAt(x, y) == "CLK";
  };
  EXPECT_EQ(g.Drag(g.Row(0), g.Row(2)),
            (Log{"StartDrag", "DragText GND", "DragDrop CLK from the grid", "EndDrag CLK taken"}));
  EXPECT_EQ(g.Drag(g.Row(2), g.Row(1)),
            (Log{"StartDrag", "DragText CLK", "EndDrag VCC not taken"}));
  EXPECT_EQ(g.grid.State(), treelist::tsNone);

  // Escape ends the drag where it is: nothing is dropped.
  g.log.clear();
  g.Send(WM_LBUTTONDOWN, g.Row(0));
  g.Send(WM_MOUSEMOVE, g.Row(2));
  SendMessageW(g.grid.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  g.Send(WM_LBUTTONUP, g.Row(2));
  EXPECT_EQ(g.log, (Log{"StartDrag", "DragText GND", "EndDrag CLK not taken"}));
}

WNDPROC g_parent_proc = nullptr;
int g_parent_menus = 0;

LRESULT CALLBACK CountingParentProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  g_parent_menus += msg == WM_CONTEXTMENU;
  return CallWindowProcW(g_parent_proc, hwnd, msg, wparam, lparam);
}

TEST(TreeListEvents, AContextMenuRequestReachesTheHandlerAtTheGridsPoint) {
  EventGrid g;
  POINT asked{};
  g.grid.OnContextPopup = [&](auto*, POINT at, bool& handled) {
    asked = at;
    handled = true;
  };
  POINT screen = g.Row(1);
  ClientToScreen(g.grid.Handle(), &screen);
  SendMessageW(g.grid.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(g.grid.Handle()),
               MAKELPARAM(screen.x, screen.y));
  EXPECT_EQ(g.NodeAt(asked.x, asked.y), "VCC");
  SendMessageW(g.grid.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(g.grid.Handle()),
               MAKELPARAM(-1, -1));
  EXPECT_EQ(asked.x, -1) << "from the keyboard";

  // Not handled, or with no handler, the request goes on to the parent, as any child's does.
  HWND parent = GetParent(g.grid.Handle());
  g_parent_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingParentProc)));
  g_parent_menus = 0;
  const auto ask = [&] {
    SendMessageW(g.grid.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(g.grid.Handle()),
                 MAKELPARAM(screen.x, screen.y));
    return g_parent_menus;
  };
  EXPECT_EQ(ask(), 0) << "handled";
  g.grid.OnContextPopup = [&](auto*, POINT, bool& handled) { handled = false; };
  EXPECT_EQ(ask(), 1) << "not handled";
  g.grid.OnContextPopup = nullptr;
  EXPECT_EQ(ask(), 2) << "no handler";
  SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_parent_proc));
}

// A form whose handlers count their calls, one for each published event of the grid with that
// event's own parameters.
class HandlerForm : public framework::TForm {
 public:
  using TForm::TForm;
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
  template <class... A>
  void Handle(A...) {
    ++calls;
  }
  int calls = 0;
};

template <class Member>
struct HandlerOf;
template <class C, class... A>
struct HandlerOf<framework::TEvent<A...> C::*> {
  static void Add(framework::TClassInfo& info, const std::string& method) {
    info.Method(method.c_str(), &HandlerForm::Handle<A...>);
  }
};

struct PublishedEvent {
  const char* name;
  void (*add)(framework::TClassInfo&, const std::string&);
};
const PublishedEvent kPublishedEvents[] = {
    {"OnClick", &HandlerOf<decltype(&TdxTreeList::OnClick)>::Add},
    {"OnDblClick", &HandlerOf<decltype(&TdxTreeList::OnDblClick)>::Add},
    {"OnMouseDown", &HandlerOf<decltype(&TdxTreeList::OnMouseDown)>::Add},
    {"OnMouseUp", &HandlerOf<decltype(&TdxTreeList::OnMouseUp)>::Add},
    {"OnMouseMove", &HandlerOf<decltype(&TdxTreeList::OnMouseMove)>::Add},
    {"OnMouseEnter", &HandlerOf<decltype(&TdxTreeList::OnMouseEnter)>::Add},
    {"OnMouseLeave", &HandlerOf<decltype(&TdxTreeList::OnMouseLeave)>::Add},
    {"OnResize", &HandlerOf<decltype(&TdxTreeList::OnResize)>::Add},
    {"OnEnter", &HandlerOf<decltype(&TdxTreeList::OnEnter)>::Add},
    {"OnExit", &HandlerOf<decltype(&TdxTreeList::OnExit)>::Add},
    {"OnKeyDown", &HandlerOf<decltype(&TdxTreeList::OnKeyDown)>::Add},
    {"OnKeyUp", &HandlerOf<decltype(&TdxTreeList::OnKeyUp)>::Add},
    {"OnKeyPress", &HandlerOf<decltype(&TdxTreeList::OnKeyPress)>::Add},
    {"OnBandButtonClick", &HandlerOf<decltype(&TdxTreeList::OnBandButtonClick)>::Add},
    {"OnBandClick", &HandlerOf<decltype(&TdxTreeList::OnBandClick)>::Add},
    {"OnBeginDragNode", &HandlerOf<decltype(&TdxTreeList::OnBeginDragNode)>::Add},
    {"OnCanBandDragging", &HandlerOf<decltype(&TdxTreeList::OnCanBandDragging)>::Add},
    {"OnCanHeaderDragging", &HandlerOf<decltype(&TdxTreeList::OnCanHeaderDragging)>::Add},
    {"OnCanNodeSelected", &HandlerOf<decltype(&TdxTreeList::OnCanNodeSelected)>::Add},
    {"OnChangeColumn", &HandlerOf<decltype(&TdxTreeList::OnChangeColumn)>::Add},
    {"OnChangeLeftCoord", &HandlerOf<decltype(&TdxTreeList::OnChangeLeftCoord)>::Add},
    {"OnChangeNode", &HandlerOf<decltype(&TdxTreeList::OnChangeNode)>::Add},
    {"OnChangeTopVisibleNode", &HandlerOf<decltype(&TdxTreeList::OnChangeTopVisibleNode)>::Add},
    {"OnChangedColumnsWidth", &HandlerOf<decltype(&TdxTreeList::OnChangedColumnsWidth)>::Add},
    {"OnColumnClick", &HandlerOf<decltype(&TdxTreeList::OnColumnClick)>::Add},
    {"OnColumnMoved", &HandlerOf<decltype(&TdxTreeList::OnColumnMoved)>::Add},
    {"OnColumnSorting", &HandlerOf<decltype(&TdxTreeList::OnColumnSorting)>::Add},
    {"OnContextPopup", &HandlerOf<decltype(&TdxTreeList::OnContextPopup)>::Add},
    {"OnCustomDrawCell", &HandlerOf<decltype(&TdxTreeList::OnCustomDrawCell)>::Add},
    {"OnCustomDrawCellWide", &HandlerOf<decltype(&TdxTreeList::OnCustomDrawCellWide)>::Add},
    {"OnDeletion", &HandlerOf<decltype(&TdxTreeList::OnDeletion)>::Add},
    {"OnDragDrop", &HandlerOf<decltype(&TdxTreeList::OnDragDrop)>::Add},
    {"OnDragEndBand", &HandlerOf<decltype(&TdxTreeList::OnDragEndBand)>::Add},
    {"OnDragEndHeader", &HandlerOf<decltype(&TdxTreeList::OnDragEndHeader)>::Add},
    {"OnDragOver", &HandlerOf<decltype(&TdxTreeList::OnDragOver)>::Add},
    {"OnDragOverBand", &HandlerOf<decltype(&TdxTreeList::OnDragOverBand)>::Add},
    {"OnDragOverHeader", &HandlerOf<decltype(&TdxTreeList::OnDragOverHeader)>::Add},
    {"OnEdited", &HandlerOf<decltype(&TdxTreeList::OnEdited)>::Add},
    {"OnEditing", &HandlerOf<decltype(&TdxTreeList::OnEditing)>::Add},
    {"OnEndDrag", &HandlerOf<decltype(&TdxTreeList::OnEndDrag)>::Add},
    {"OnEndColumnsCustomizing", &HandlerOf<decltype(&TdxTreeList::OnEndColumnsCustomizing)>::Add},
    {"OnEndDragColumn", &HandlerOf<decltype(&TdxTreeList::OnEndDragColumn)>::Add},
    {"OnGetEditColor", &HandlerOf<decltype(&TdxTreeList::OnGetEditColor)>::Add},
    {"OnGetImageIndex", &HandlerOf<decltype(&TdxTreeList::OnGetImageIndex)>::Add},
    {"OnGetNodeDragText", &HandlerOf<decltype(&TdxTreeList::OnGetNodeDragText)>::Add},
    {"OnGetSelectedIndex", &HandlerOf<decltype(&TdxTreeList::OnGetSelectedIndex)>::Add},
    {"OnGetStateIndex", &HandlerOf<decltype(&TdxTreeList::OnGetStateIndex)>::Add},
    {"OnHeaderButtonClick", &HandlerOf<decltype(&TdxTreeList::OnHeaderButtonClick)>::Add},
    {"OnHeaderMoved", &HandlerOf<decltype(&TdxTreeList::OnHeaderMoved)>::Add},
    {"OnHideBand", &HandlerOf<decltype(&TdxTreeList::OnHideBand)>::Add},
    {"OnHideHeader", &HandlerOf<decltype(&TdxTreeList::OnHideHeader)>::Add},
    {"OnSelectedCountChange", &HandlerOf<decltype(&TdxTreeList::OnSelectedCountChange)>::Add},
    {"OnSelectionChanged", &HandlerOf<decltype(&TdxTreeList::OnSelectionChanged)>::Add},
    {"OnShowBand", &HandlerOf<decltype(&TdxTreeList::OnShowBand)>::Add},
    {"OnShowHeader", &HandlerOf<decltype(&TdxTreeList::OnShowHeader)>::Add},
    {"OnStartBandDragging", &HandlerOf<decltype(&TdxTreeList::OnStartBandDragging)>::Add},
    {"OnStartDrag", &HandlerOf<decltype(&TdxTreeList::OnStartDrag)>::Add},
    {"OnStartHeaderDragging", &HandlerOf<decltype(&TdxTreeList::OnStartHeaderDragging)>::Add},
};

// The handler's name in the form: "GridBandClick" for OnBandClick.
std::string HandlerName(const char* event) { return std::string("Grid") + (event + 2); }

const framework::TClassInfo& HandlerForm::StaticClassInfo() {
  static const framework::TClassInfo info = [] {
    framework::TClassInfo made =
        framework::TClassInfo::Derived<HandlerForm, framework::TForm>("THandlerForm");
    for (const PublishedEvent& e : kPublishedEvents) e.add(made, HandlerName(e.name));
    return made;
  }();
  return info;
}

TEST(TreeListFormText, EveryPublishedEventTakesItsHandlerByName) {
  treelist::RegisterTreeListClasses();
  std::string text = "object F: THandlerForm\n  object Grid: TdxTreeList\n";
  for (const PublishedEvent& e : kPublishedEvents) {
    text += std::string("    ") + e.name + " = " + HandlerName(e.name) + "\n";
  }
  text += "  end\nend\n";
  HandlerForm form(nullptr);
  framework::ReadComponentText(form, text, "handlers");
  auto& grid = dynamic_cast<TdxTreeList&>(*form.FindComponent("Grid"));

  std::set<std::string> listed;
  for (const PublishedEvent& e : kPublishedEvents) listed.insert(e.name);
  for (const framework::PropInfo* p : grid.ClassInfo().Properties()) {
    if (p->kind == framework::PropKind::Event) {
      EXPECT_EQ(listed.count(p->name), 1u) << p->name << " is published but not listed here";
    }
  }
  const std::string written = framework::WriteComponentText(form);
  for (const PublishedEvent& e : kPublishedEvents) {
    EXPECT_NE(written.find(std::string(e.name) + " = " + HandlerName(e.name)), std::string::npos)
        << e.name << " lost its handler";
  }
  grid.OnBandClick(&grid, nullptr);
  EXPECT_EQ(form.calls, 1) << "the form's handler runs";
}

}  // namespace
}  // namespace treelist_test
