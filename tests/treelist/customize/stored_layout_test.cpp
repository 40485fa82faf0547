// What the grid keeps: a grid with bands, columns and nodes built from a form description and
// written back to one, with its picture; its stored layout in round trips through the registry
// and an ini file that move the columns with their node values, damaged stores that change only
// what they name, an empty path that writes nothing, and a layout that stays where it was read
// from; and deleting a selection that holds a parent and its child.
#include "treelist/customize/stored_layout.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <set>
#include <string>

#include "controls/surface.h"
#include "framework/form_resource.h"
#include "framework/forms.h"
#include "framework/registry.h"
#include "framework/win/text.h"
#include "../grid_fixture.h"
#include "../columns/node_data_support.h"
#include "treelist/customize/published_tree_list.h"
#include "treelist/columns/tree_list_control.h"
#include "treelist/columns/number_columns.h"
#include "treelist/columns/typed_columns.h"

namespace treelist_test {
namespace {

using treelist::TCustomdxTreeListControl;
using treelist::TdxTreeList;
using treelist::TdxTreeListColumn;
using treelist::TdxTreeListColumnSort;
using treelist::TdxTreeListNode;

// A key of its own under HKEY_CURRENT_USER for each run, removed with everything below it.
struct TestKey {
  std::string path = "Software\\TralvekTests\\Layout" + std::to_string(GetCurrentProcessId());
  ~TestKey() { RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str()); }
  bool Exists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }
};

// Columns "Name", "Width", "Layer" in a form F, grid G, one node with texts n, w, l.
struct LayoutGrid {
  framework::TForm form{nullptr};
  TCustomdxTreeListControl grid{nullptr};
  LayoutGrid() {
    form.SetName("F");
    grid.SetName("G");
    grid.SetParent(&form);
    grid.Bands().Add()->SetCaption(L"Second");
    for (const char* name : {"Name", "Width", "Layer"}) {
      TdxTreeListColumn* c = grid.CreateColumn<TdxTreeListColumn>(&form);
      c->SetName(name);
    }
    treelist::TdxTreeListNode* node = grid.Add();
    for (int i = 0; i < 3; ++i) grid.SetNodeString(node, i, std::wstring(1, L"nwl"[i]));
  }
  TdxTreeListColumn& Column(const char* name) {
    return *static_cast<TdxTreeListColumn*>(form.FindComponent(name));
  }
  // Columns in list order with width, band, sort and the node's text: "Layer 90 1 csUp l|...".
  std::string Describe() {
    std::string out;
    for (int i = 0; i < grid.ColumnCount(); ++i) {
      TdxTreeListColumn& c = *grid.Columns(i);
      const char* sort[] = {"-", "down", "up"};
      out += c.Name() + " " + std::to_string(c.Width()) + " " + std::to_string(c.BandIndex()) +
             " " + sort[static_cast<int>(c.Sorted())] + " " +
             std::string(1, static_cast<char>(c.GetCellText(grid.Items(0))[0])) + "|";
    }
    return out + " bands " + std::to_string(grid.Bands().Items(1)->Width()) + " rows " +
           std::to_string(grid.HeaderPanelRowCount()) + " grid " +
           std::to_string(grid.ShowGrid()) + std::to_string(grid.ShowPreviewGrid());
  }
  // Rearranges everything the layout keeps.
  void Rearrange() {
    Column("Layer").SetIndex(0);
    Column("Width").SetWidth(64);
    Column("Name").SetBandIndex(1);
    Column("Layer").SetSorted(TdxTreeListColumnSort::csUp);
    grid.Bands().Items(1)->SetWidth(180);
    grid.SetHeaderPanelRowCount(2);
    grid.SetShowGrid(!grid.ShowGrid());
    grid.SetShowPreviewGrid(!grid.ShowPreviewGrid());
  }
};

// A file in the temporary folder named for this process, removed at the end.
struct TempIni {
  std::string path;
  TempIni() {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path = std::string(folder) + "tralvek_layout_" + std::to_string(GetCurrentProcessId()) + ".ini";
  }
  ~TempIni() { DeleteFileA(path.c_str()); }
  bool Exists() const { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST(TreeListStoredLayout, RegistryAndIniRoundTripsMoveColumnsWithTheirValues) {
  for (const bool registry : {true, false}) {
    SCOPED_TRACE(registry ? "registry" : "ini file");
    TestKey key;
    TempIni file;
    const std::string& ini = file.path;
    LayoutGrid saved;
    saved.Rearrange();
    registry ? saved.grid.SaveLayoutToRegistry(key.path) : saved.grid.SaveLayoutToIniFile(ini);
    LayoutGrid loaded;
    ASSERT_NE(loaded.Describe(), saved.Describe());
    registry ? loaded.grid.LoadLayoutFromRegistry(key.path)
             : loaded.grid.LoadLayoutFromIniFile(ini);
    EXPECT_EQ(loaded.Describe(), saved.Describe());
    if (!registry) {
      framework::TMemIniFile stored(ini);
      EXPECT_EQ(stored.ReadInteger("\\F_G\\Columns\\Width", "Width", 0), 64) << "section F_G";
    }
  }
}

TEST(TreeListStoredLayout, ADamagedStoreChangesOnlyWhatItNamesSoundlyAndNoPathWritesNothing) {
  TestKey key;
  framework::TRegIniFile store(key.path);
  store.WriteInteger("", "HeaderPanelRowCount", -1);  // left alone
  store.WriteInteger("", "BandRowCount", -1);         // not a count
  store.WriteInteger("Columns\\Width", "Width", 77);  // the one value that applies
  store.WriteInteger("Columns\\Width", "Sorted", 7);  // no such sort
  store.WriteString("Columns\\Layer", "Width", "wide");
  store.WriteInteger("Band\\Band0", "ID", 99);  // no band has it
  store.WriteInteger("Band\\Band0", "Width", 10);
  LayoutGrid g;
  g.grid.SetBandMaxRowCount(3);
  g.grid.SetBandRowCount(2);
  const std::string before = g.Describe();
  g.grid.LoadLayoutFromRegistry(key.path);
  std::string expected = before;
  expected.replace(expected.find("Width 100"), 9, "Width 77");
  EXPECT_EQ(g.Describe(), expected);
  EXPECT_EQ(g.grid.BandRowCount(), 2);
  EXPECT_EQ(g.grid.Bands().Items(0)->Width(), 250);

  // An empty path writes and erases nothing: the root, cleared first, stays without a layout.
  framework::TRegistry root;
  root.SetRootKey(HKEY_CURRENT_USER);
  root.DeleteKey("Columns");
  root.DeleteKey("Band");
  const char* const kControlValues[] = {"ShowGrid", "ShowPreviewGrid", "BandRowCount",
                                        "DefaultRowHeight", "HeaderPanelRowCount"};
  for (const char* name : kControlValues) RegDeleteValueA(HKEY_CURRENT_USER, name);
  g.grid.SaveLayoutToRegistry("");
  g.grid.SaveLayoutToRegistry("\\");
  g.grid.EraseLayoutFromRegistry("");
  EXPECT_FALSE(root.KeyExists("Columns"));
  EXPECT_FALSE(root.KeyExists("Band"));
  for (const char* name : kControlValues) {
    EXPECT_NE(RegQueryValueExA(HKEY_CURRENT_USER, name, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS)
        << name;
  }
}

// Widths past what a user may size are held there, and an unknown sort is refused: a stored
// width near 2^31 would overflow the bands' right edges. Equal indexes keep the present order,
// and a band the store does not name keeps its place.
TEST(TreeListStoredLayout, UnsafeWidthsAndSortsAreHeldAndEqualIndexesKeepTheirOrder) {
  TestKey key;
  LayoutGrid g;
  // The band keeps a width of its own instead of its columns' sum.
  g.grid.SetOptionsEx(g.grid.OptionsEx() & ~treelist::aoBandHeaderWidth);
  framework::TRegIniFile store(key.path);
  store.WriteInteger("Band\\Band1", "ID", g.grid.Bands().Items(1)->ID());
  store.WriteInteger("Band\\Band1", "Width", INT_MAX);
  store.WriteInteger("Columns\\Name", "Width", INT_MAX);
  store.WriteInteger("Columns\\Name", "Index", 1);
  store.WriteInteger("Columns\\Width", "Index", 1);
  store.WriteInteger("Columns\\Layer", "Index", 0);
  store.WriteInteger("Columns\\Layer", "Sorted", 3);  // one past the last sort
  store.WriteInteger("Columns\\Width", "Sorted", 0);  // no sort: the present one goes
  g.Column("Width").SetSorted(TdxTreeListColumnSort::csUp);
  g.grid.LoadLayoutFromRegistry(key.path);
  EXPECT_EQ(g.Describe(), "Layer 100 0 - l|Name 100000 0 - n|Width 100 0 - w| bands 100000 rows 1 grid 01");
  const treelist::Layout layout = g.grid.GetLayout();
  ASSERT_EQ(layout.bands.size(), 2u);
  EXPECT_EQ(layout.bands[1].right - layout.bands[1].left, 100000);
  EXPECT_GT(layout.bands[1].left, layout.bands[0].left);
}

// The first row is a stored row like another: a store naming only a column's stored row 0 puts
// the column there.
TEST(TreeListStoredLayout, AStoredFirstRowIsTakenLikeAnother) {
  TestKey key;
  framework::TRegIniFile(key.path).WriteInteger("Columns\\Width", "StoredRowIndex", 0);
  LayoutGrid loaded;
  loaded.grid.SetHeaderPanelRowCount(2);
  loaded.Column("Width").SetRowIndex(1);
  loaded.grid.LoadLayoutFromRegistry(key.path);
  EXPECT_EQ(loaded.Column("Width").RowIndex(), 0);
}

// The ini option writes the layout when the grid goes and reads it once: the header rows the
// grid sizes itself are written as -1, which leaves the reader's count alone, and a column's
// stored row waits for the rows to come back.
TEST(TreeListStoredLayout, TheIniOptionWritesOnDestructionAndReadsOnce) {
  TempIni file;
  const auto store_in_ini = [&](LayoutGrid& g) {
    g.grid.SetIniFileName(file.path);
    g.grid.SetOptions(g.grid.Options() | treelist::aoStoreToIniFile);
  };
  {
    LayoutGrid not_storing;
    not_storing.grid.SetIniFileName(file.path);
    not_storing.grid.SaveLayout();
  }
  EXPECT_FALSE(file.Exists()) << "written without the option";
  {
    LayoutGrid saved;
    store_in_ini(saved);
    saved.grid.SetHeaderPanelRowCount(3);
    saved.Column("Width").SetRowIndex(1);
    saved.Column("Layer").SetRowIndex(2);
    saved.Column("Width").SetWidth(64);
    saved.grid.SetOptionsEx(saved.grid.OptionsEx() | treelist::aoAutoHeaderPanelHeight);
    ASSERT_EQ(saved.grid.HeaderPanelRowCount(), 3);
    // Taken from its form before it saves, the grid still writes under the form's name.
    saved.grid.SetParent(nullptr);
    saved.grid.SaveLayout();
    saved.Column("Width").SetWidth(90);  // after the one save: not kept
  }
  ASSERT_TRUE(file.Exists());
  LayoutGrid without_option;
  without_option.grid.SetIniFileName(file.path);
  without_option.grid.LoadLayout();
  EXPECT_EQ(without_option.Column("Width").Width(), 100) << "read without the option";
  LayoutGrid loaded;
  store_in_ini(loaded);
  loaded.grid.SetBandMaxRowCount(3);
  loaded.grid.SetBandRowCount(2);
  loaded.grid.LoadLayout();
  EXPECT_EQ(loaded.Column("Width").Width(), 64);
  EXPECT_EQ(loaded.grid.BandRowCount(), 1) << "a stored count of 1 applies";
  EXPECT_EQ(loaded.grid.HeaderPanelRowCount(), 1) << "-1 leaves the count alone";
  EXPECT_EQ(loaded.Column("Layer").RowIndex(), 0);
  loaded.grid.SetHeaderPanelRowCount(3);
  EXPECT_EQ(loaded.Column("Width").RowIndex(), 1) << "the stored rows come back with the rows";
  EXPECT_EQ(loaded.Column("Layer").RowIndex(), 2);

  framework::TMemIniFile changed(file.path);
  changed.WriteInteger("\\F_G\\Columns\\Width", "Width", 55);
  changed.UpdateFile();
  loaded.grid.LoadLayout();
  EXPECT_EQ(loaded.Column("Width").Width(), 64) << "read once";

  // Reading names the form the grid is in now, whatever it was called when the grid joined it.
  LayoutGrid renamed;
  renamed.form.SetName("Other");
  changed.WriteInteger("\\Other_G\\Columns\\Width", "Width", 77);
  changed.UpdateFile();
  renamed.grid.LoadLayoutFromIniFile(file.path);
  EXPECT_EQ(renamed.Column("Width").Width(), 77);
}

TEST(TreeListStoredLayout, ALayoutReadAtStartStaysWhereItWasReadFrom) {
  TestKey key;
  {
    LayoutGrid saved;
    saved.Rearrange();
    saved.grid.SetOptions(saved.grid.Options() | treelist::aoStoreToRegistry);
    saved.grid.SetRegistryPath(key.path);
  }  // saved on destruction
  ASSERT_TRUE(key.Exists());
  LayoutGrid loaded;
  loaded.grid.SetOptions(loaded.grid.Options() | treelist::aoStoreToRegistry);
  loaded.grid.SetRegistryPath(key.path);
  loaded.grid.LoadLayout();
  EXPECT_EQ(loaded.Column("Width").Width(), 64);
  framework::TRegIniFile store(key.path);
  EXPECT_EQ(store.ReadInteger("Columns\\Width", "Width", 0), 64)
      << "without a registry root the layout is read in place and kept";
}

// With a registry root installed, a layout found where the older naming put it moves to the
// current place, and the root's obsolete "Software" key goes with everything below it.
TEST(TreeListStoredLayout, UnderARootTheOldPlaceMovesAndTheObsoleteKeyGoes) {
  TestKey root;
  static std::string root_path;
  root_path = root.path;
  treelist::SetRegistryRootProvider([] { return root_path; });
  struct Uninstall {
    ~Uninstall() { treelist::SetRegistryRootProvider(nullptr); }
  } uninstall;
  framework::TRegIniFile(root.path + "\\Software\\Old").WriteInteger("Grid", "Width", 1);
  framework::TRegIniFile(root.path + "\\Kept").WriteInteger("Grid", "Width", 1);
  LayoutGrid expected;
  expected.Rearrange();
  {
    LayoutGrid old;
    old.Rearrange();
    old.grid.SaveLayoutToRegistry(root.path + "\\Layouts");
  }
  {
    LayoutGrid g;
    g.grid.SetOptions(g.grid.Options() | treelist::aoStoreToRegistry);
    g.grid.SetRegistryPath("Layouts");
    g.grid.LoadLayout();
    EXPECT_EQ(g.Describe(), expected.Describe());
  }  // saved at the current place
  framework::TRegistry registry;
  registry.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_FALSE(registry.KeyExists(root.path + "\\Layouts\\Columns"));
  EXPECT_FALSE(registry.KeyExists(root.path + "\\Software"));
  EXPECT_TRUE(registry.KeyExists(root.path + "\\Kept"));
  EXPECT_EQ(
      framework::TRegIniFile(root.path + "\\G\\Layouts").ReadInteger("Columns\\Width", "Width", 0),
      64);
}

// Nets, their classes and pads: texts for the five columns of the form below.
std::string RulesNodeData() {
  TdxTreeList grid(nullptr);
  for (const wchar_t* net : {L"GND", L"VCC", L"CLK"}) {
    TdxTreeListNode* top = grid.Add();
    grid.SetNodeString(top, 0, net);
    for (int i = 1; i <= 2; ++i) {
      TdxTreeListNode* cls = top->AddChild();
      grid.SetNodeString(cls, 1, L"class " + std::to_wstring(i));
      grid.SetNodeString(cls, 2, std::to_wstring(8 * i) + L"mil");
      grid.SetNodeString(cls, 3, std::to_wstring(6 + i) + L"mil");
      TdxTreeListNode* pad = cls->AddChild();
      grid.SetNodeString(pad, 0, L"U" + std::to_wstring(i));
      grid.SetNodeString(pad, 4, L"V" + std::to_wstring(i));
    }
  }
  std::string hex;
  for (unsigned char byte : SaveToBytes(grid)) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    hex += digits;
  }
  return hex;
}

// The form: two bands, five columns on two header rows, and the nodes of RulesNodeData.
std::string RulesForm() {
  const struct {
    const char *name, *type, *extra;
    int band, row;
  } kColumns[] = {{"Name", "TdxTreeListColumn", "", 0, 0},
                  {"Class", "TdxTreeListColumn", "", 0, 1},
                  {"Width", "TdxTreeListColumn", "      Width = 70\n", 1, 0},
                  {"Clearance", "TdxTreeListColumn", "", 1, 0},
                  {"Via", "TdxTreeListMaskColumn", "      EditMask = 'V9'\n", 1, 1}};
  std::string columns;
  for (const auto& c : kColumns) {
    columns += std::string("    object Rules") + c.name + ": " + c.type + "\n      Caption = '" +
               c.name + "'\n" + c.extra + "      BandIndex = " + std::to_string(c.band) +
               "\n      RowIndex = " + std::to_string(c.row) + "\n    end\n";
  }
  return "object RulesForm: TForm\n  Width = 440\n  Height = 280\n"
         "  object Rules: TdxTreeList\n    Left = 10\n    Top = 10\n    Width = 400\n"
         "    Height = 230\n    ShowBands = True\n    HeaderPanelRowCount = 2\n    Bands = <\n"
         "      item\n        Caption = 'Net'\n        Width = 150\n      end\n"
         "      item\n        Caption = 'Rules'\n        Width = 220\n      end>\n"
         "    Data = {" +
         RulesNodeData() + "}\n" + columns + "  end\nend\n";
}

// The header as laid out and every node's texts.
std::wstring Describe(TdxTreeList& grid) {
  return HeaderRows(grid.GetHeaderModel()) + L"\n" + DumpNodes(grid);
}

TdxTreeList& GridOf(framework::TForm& form) {
  auto* grid = dynamic_cast<TdxTreeList*>(form.FindComponent("Rules"));
  if (!grid) throw std::runtime_error("the form has no grid Rules");
  return *grid;
}

TEST(TreeListFormResource, BuildsBandsColumnsAndNodesAndWritesThemBack) {
  treelist::RegisterTreeListClasses();
  framework::TForm form(nullptr);
  framework::ReadComponentText(form, RulesForm(), "RulesForm");
  TdxTreeList& grid = GridOf(form);
  ASSERT_EQ(grid.ColumnCount(), 5);
  const std::wstring described = Describe(grid);
  EXPECT_EQ(described.substr(0, described.find(L'\n')),
            L"Net{Name/Class}Rules{Width,Clearance/Via}");
  EXPECT_EQ(grid.Columns(4)->ClassName(), "TdxTreeListMaskColumn");
  EXPECT_EQ(grid.Columns(2)->Width(), 70);
  ASSERT_EQ(grid.Count(), 3);
  EXPECT_EQ(grid.Items(2)->Items(1)->Items(0)->Level(), 2);
  EXPECT_EQ(grid.Columns(4)->GetCellText(grid.Items(2)->Items(1)->Items(0)), L"V2");

  framework::TForm copy(nullptr);
  framework::ReadComponentText(copy, framework::WriteComponentText(form), "RulesForm copy");
  EXPECT_EQ(Describe(GridOf(copy)), described);

  form.Show();
  grid.FullExpand();
  grid.SetFocusedNode(grid.Items(0)->Items(0));
  const RECT client = grid.ClientRect();
  xptest::Surface surface(client.right, client.bottom);
  grid.PaintGridTo(surface.dc());
  xptest::WritePicture(surface, "treelist_form_two_bands", 2);
  const treelist::Layout layout = grid.GetLayout();
  ASSERT_EQ(layout.bands.size(), 2u);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(surface.Pixel(layout.bands[1].left + 20, layout.band_panel.top + 3), face)
      << "the second band's caption cell is painted";
  const treelist::LayoutHeaderCell* via = layout.HeaderOf(4);
  ASSERT_NE(via, nullptr);
  EXPECT_EQ(via->row, 1);
  EXPECT_EQ(surface.Pixel(via->left + 20, via->rect.top + 3), face) << "the lower header row";
}

// The header as laid out, then each column in list order: width, hidden, sort.
std::wstring DescribeColumns(TdxTreeList& grid) {
  std::wstring out = HeaderRows(grid.GetHeaderModel());
  for (int i = 0; i < grid.ColumnCount(); ++i) {
    const TdxTreeListColumn& c = *grid.Columns(i);
    out += L" " + win::Widen(c.Name()) + L":" + std::to_wstring(c.Width()) +
           (c.Visible() ? L"" : L" hidden") + L" sort " +
           std::to_wstring(static_cast<int>(c.Sorted()));
  }
  return out;
}

// The form frees its columns, made after the grid, before the grid: the layout a person
// arranged is written while they are all there, and comes back with the form.
TEST(TreeListFormResource, AFormBuiltGridKeepsItsColumnLayoutWhenTheFormCloses) {
  treelist::RegisterTreeListClasses();
  TestKey key;
  std::string text = RulesForm();
  text.insert(text.find("    ShowBands"),
              "    Options = [aoColumnSizing, aoColumnMoving, "
              "aoStoreToRegistry]\n    RegistryPath = '" +
                  key.path + "'\n");
  std::wstring arranged;
  {
    framework::TForm form(nullptr);
    framework::ReadComponentText(form, text, "RulesForm");
    form.Show();
    TdxTreeList& grid = GridOf(form);
    const std::wstring first = DescribeColumns(grid);
    grid.Columns(3)->SetIndex(2);  // Clearance before Width
    grid.Columns(1)->SetWidth(90);
    grid.Columns(4)->SetVisible(false);
    grid.Columns(0)->SetSorted(TdxTreeListColumnSort::csDown);
    arranged = DescribeColumns(grid);
    ASSERT_NE(arranged, first);
  }
  framework::TForm reopened(nullptr);
  framework::ReadComponentText(reopened, text, "RulesForm");
  EXPECT_EQ(DescribeColumns(GridOf(reopened)), arranged);
}

// A grid placed on a grid comes back as it was written, round after round.
TEST(TreeListFormResource, AGridOnAGridWritesTheSameTextEachRound) {
  treelist::RegisterTreeListClasses();
  const std::string text =
      "object NestForm: TForm\n  object Outer: TdxTreeList\n    object Inner: TdxTreeList\n"
      "      object InnerName: TdxTreeListColumn\n      end\n    end\n  end\nend\n";
  framework::TForm first(nullptr);
  framework::ReadComponentText(first, text, "nest");
  const std::string once = framework::WriteComponentText(first);
  framework::TForm second(nullptr);
  framework::ReadComponentText(second, once, "nest");
  EXPECT_EQ(framework::WriteComponentText(second), once);
  EXPECT_EQ(once.find("DefaultLayout"), std::string::npos) << once;
}

// A whole number outside what a property holds is refused with the form, line and property:
// taken as it stands it would wrap to another (4294967301 to 5, 256 to 0).
TEST(TreeListFormResource, WholeNumbersOutsideAPropertysTypeAreRefusedNamingTheirLine) {
  treelist::RegisterTreeListClasses();
  treelist::RegisterTypedColumnClasses();
  const struct {
    const char *column, *assignment, *message;
  } kCases[] = {
      {"TdxTreeListBlobColumn", "MaxDisplayLength = 4294967301",
       "MaxDisplayLength needs an integer from -2147483648 to 2147483647, not 4294967301"},
      {"TdxTreeListBlobColumn", "MaxDisplayLength = 2147483648",
       "MaxDisplayLength needs an integer from -2147483648 to 2147483647, not 2147483648"},
      {"TdxTreeListCalcColumn", "Precision = 256",
       "Precision needs an integer from 0 to 255, not 256"},
      {"TdxTreeListCalcColumn", "Precision = -1",
       "Precision needs an integer from 0 to 255, not -1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.assignment);
    const std::string text = std::string("object RulesForm: TForm\n  object Rules: TdxTreeList\n") +
                             "    object RulesValue: " + c.column + "\n      " + c.assignment +
                             "\n    end\n  end\nend\n";
    framework::TForm form(nullptr);
    try {
      framework::ReadComponentText(form, text, "rules.dfm");
      ADD_FAILURE() << "read without a word";
    } catch (const framework::EFormError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("rules.dfm:4: object RulesValue: property ") + c.message);
    }
  }
  framework::TForm form(nullptr);  // the ends of each range are whole values
  framework::ReadComponentText(form,
                               "object RulesForm: TForm\n  object Rules: TdxTreeList\n"
                               "    object RulesValue: TdxTreeListCalcColumn\n"
                               "      Precision = 255\n    end\n  end\nend\n",
                               "rules.dfm");
  EXPECT_EQ(
      static_cast<treelist::TdxTreeListCalcColumn*>(form.FindComponent("RulesValue"))->Precision(),
      255);
}

TEST(TreeListSelection, DeletingAParentWithItsSelectedChildFreesEachNodeOnce) {
  framework::TForm form(nullptr);
  TdxTreeList grid(nullptr);
  grid.SetParent(&form);
  // A selection across levels needs aoExtMultiSelect.
  grid.SetOptions(grid.Options() | treelist::aoMultiSelect | treelist::aoExtMultiSelect);
  TdxTreeListNode* parent = grid.Add();
  TdxTreeListNode* child = parent->AddChild();
  parent->AddChild();
  TdxTreeListNode* other = grid.Add();
  grid.FullExpand();
  grid.SetFocusedNode(parent);
  grid.SelectRangeTo(child);
  ASSERT_EQ(grid.SelectedNodes().size(), 2u);
  std::multiset<TdxTreeListNode*> deleted;
  grid.OnDeletion = [&](framework::TComponent*, TdxTreeListNode* node) { deleted.insert(node); };
  grid.DeleteSelection();
  EXPECT_EQ(deleted.size(), 3u) << "the parent, the selected child and the other child";
  EXPECT_EQ(deleted.count(child), 1u);
  EXPECT_TRUE(grid.SelectedNodes().empty());
  ASSERT_EQ(grid.Count(), 1);
  EXPECT_EQ(grid.Items(0), other);
}

}  // namespace
}  // namespace treelist_test
