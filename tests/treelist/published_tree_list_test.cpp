// The tree list forms place: a grid with bands, columns and nodes built from a form description
// and written back to one, its picture, and deleting a selection that holds a parent and its
// child.
#include "treelist/published_tree_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "controls/surface.h"
#include "framework/form_resource.h"
#include "framework/forms.h"
#include "grid_fixture.h"
#include "node_data_support.h"

namespace treelist_test {
namespace {

using treelist::TdxTreeList;
using treelist::TdxTreeListNode;

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

std::string RulesForm() {
  return "object RulesForm: TForm\n"
         "  Width = 440\n"
         "  Height = 280\n"
         "  object Rules: TdxTreeList\n"
         "    Left = 10\n"
         "    Top = 10\n"
         "    Width = 400\n"
         "    Height = 230\n"
         "    ShowBands = True\n"
         "    HeaderPanelRowCount = 2\n"
         "    Bands = <\n"
         "      item\n"
         "        Caption = 'Net'\n"
         "        Width = 150\n"
         "      end\n"
         "      item\n"
         "        Caption = 'Rules'\n"
         "        Width = 220\n"
         "      end>\n"
         "    Data = {" +
         RulesNodeData() +
         "}\n"
         "    object RulesName: TdxTreeListColumn\n"
         "      Caption = 'Name'\n"
         "      BandIndex = 0\n"
         "      RowIndex = 0\n"
         "    end\n"
         "    object RulesClass: TdxTreeListColumn\n"
         "      Caption = 'Class'\n"
         "      BandIndex = 0\n"
         "      RowIndex = 1\n"
         "    end\n"
         "    object RulesWidth: TdxTreeListColumn\n"
         "      Caption = 'Width'\n"
         "      Width = 70\n"
         "      BandIndex = 1\n"
         "      RowIndex = 0\n"
         "    end\n"
         "    object RulesClearance: TdxTreeListColumn\n"
         "      Caption = 'Clearance'\n"
         "      BandIndex = 1\n"
         "      RowIndex = 0\n"
         "    end\n"
         "    object RulesVia: TdxTreeListMaskColumn\n"
         "      Caption = 'Via'\n"
         "      EditMask = 'V9'\n"
         "      BandIndex = 1\n"
         "      RowIndex = 1\n"
         "    end\n"
         "  end\n"
         "end\n";
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
