// The grid's stored layout: round trips through the registry and an ini file that move the
// columns with their node values, damaged stores that change only what they name, an empty path
// that writes nothing, and a layout that stays where it was read from.
#include "treelist/stored_layout.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "framework/forms.h"
#include "framework/registry.h"
#include "treelist/tree_list_control.h"

namespace treelist_test {
namespace {

using treelist::TCustomdxTreeListControl;
using treelist::TdxTreeListColumn;
using treelist::TdxTreeListColumnSort;

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
           std::to_string(grid.HeaderPanelRowCount());
  }
  // Rearranges everything the layout keeps.
  void Rearrange() {
    Column("Layer").SetIndex(0);
    Column("Width").SetWidth(64);
    Column("Name").SetBandIndex(1);
    Column("Layer").SetSorted(TdxTreeListColumnSort::csUp);
    grid.Bands().Items(1)->SetWidth(180);
    grid.SetHeaderPanelRowCount(2);
  }
};

TEST(TreeListStoredLayout, RegistryAndIniRoundTripsMoveColumnsWithTheirValues) {
  for (const bool registry : {true, false}) {
    SCOPED_TRACE(registry ? "registry" : "ini file");
    TestKey key;
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string ini = std::string(folder) + "tralvek_layout_" + key.path.substr(22) + ".ini";
    LayoutGrid saved;
    saved.Rearrange();
    registry ? saved.grid.SaveLayoutToRegistry(key.path) : saved.grid.SaveLayoutToIniFile(ini);
    LayoutGrid loaded;
    ASSERT_NE(loaded.Describe(), saved.Describe());
    registry ? loaded.grid.LoadLayoutFromRegistry(key.path)
             : loaded.grid.LoadLayoutFromIniFile(ini);
    EXPECT_EQ(loaded.Describe(), saved.Describe());
    if (!registry) {
      framework::TMemIniFile file(ini);
      EXPECT_EQ(file.ReadInteger("\\F_G\\Columns\\Width", "Width", 0), 64) << "section F_G";
      DeleteFileA(ini.c_str());
    }
  }
}

TEST(TreeListStoredLayout, ADamagedStoreChangesOnlyWhatItNamesSoundly) {
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
}

TEST(TreeListStoredLayout, AnEmptyPathWritesAndErasesNothing) {
  LayoutGrid g;
  g.grid.SaveLayoutToRegistry("");
  g.grid.SaveLayoutToRegistry("\\");
  g.grid.EraseLayoutFromRegistry("");
  framework::TRegistry root;
  root.SetRootKey(HKEY_CURRENT_USER);
  EXPECT_FALSE(root.KeyExists("Columns"));
  EXPECT_FALSE(root.KeyExists("Band"));
  HKEY hkcu = HKEY_CURRENT_USER;
  EXPECT_NE(RegQueryValueExA(hkcu, "ShowGrid", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
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

}  // namespace
}  // namespace treelist_test
