// The router set-up dialog over the stand-in editor: its pages, every setting both ways, the
// via-style drill pairs, the layer directions and the rule problems, driven by real messages.
#include "router/setup_dialog.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../controls/paint_styles.h"
#include "../controls/surface.h"
#include "controls/xp_bitbtn.h"
#include "controls/xp_checkbox.h"
#include "controls/xp_combobox.h"
#include "controls/xp_edits2.h"
#include "controls/xp_labels.h"
#include "framework/ini_file.h"
#include "framework/message_dialog.h"
#include "framework/win/text.h"
#include "router/design_file_saver.h"
#include "router/design_rule_queries.h"
#include "router/document_settings.h"
#include "router/padstack.h"
#include "router/writer_rule_queries.h"
#include "setup_session.h"
#include "support/test_paths.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/customize/published_tree_list.h"

namespace {

using namespace router;

void Key(HWND window, WORD key) {
  SendMessageW(window, WM_KEYDOWN, key, 0);
  SendMessageW(window, WM_KEYUP, key, 0xC0000000);
}

// The settings as "Tralvek.Ini" holds them.
std::string Stored(const TRouterSettings& settings, bool imperial) {
  framework::IniFile ini("Z:\\nowhere\\Tralvek.Ini");
  WriteSpecctraSetup(ini, imperial, settings);
  return ini.Text();
}

using treelist::TdxTreeList;

// The rows a user can see by scrolling, one line each, cells apart by tabs.
std::string Rows(TSpecctraSetup& dialog, const char* grid_name) {
  auto& grid = dialog.Find<TdxTreeList>(grid_name);
  std::wstring text;
  for (auto* node = grid.GetFirstNode(); node; node = grid.GetNextVisible(node)) {
    text += grid.GetNodeLineText(node) + L"\r\n";
  }
  return win::Narrow(text);
}

// One export's objects for a copy of a board, as the export command makes them.
class SetupDialog : public ::testing::Test {
 protected:
  void Open(const std::string& source) {
    objects_.reset();
    objects_ = std::make_unique<setuptest::ExportObjects>(dir_, source);
    board_ = objects_->board;
    rules_ = objects_->rules.get();
  }
  // The dialog made and loaded as RunSetupDialog does; `drive` is the user.
  bool Run(const std::function<int(TSpecctraSetup&)>& drive) {
    SetupDialogRunner() = drive;
    return RunSetupDialog(board_, *rules_);
  }

  testsupport::TempDir dir_;
  std::unique_ptr<setuptest::ExportObjects> objects_;
  sdk::Handle board_ = 0;
  TOvixRules* rules_ = nullptr;
};

TEST_F(SetupDialog, ListsItsPagesAndShowsTheChosenOneUnderItsName) {
  Open("../examples/rules-board.json");
  TSpecctraSetup dialog(board_, rules_);
  EXPECT_EQ(dialog.Caption(), L"Setup Specctra Router");
  EXPECT_EQ(Rows(dialog, "PanelsTree"),
            "Via Styles\r\nLayer Directions\r\nIncompatible Design Rules\r\nGeneral\r\n");
  const auto shown = [&] {
    std::string pages;
    for (const char* page : {"pnlGeneral", "pnlViaStyles", "pnlLayerDirections", "pnlDesignRules"})
      if (dialog.Find<framework::TControl>(page).Visible()) pages += page;
    // The page list marks the page shown.
    const auto* marked = dialog.Find<TdxTreeList>("PanelsTree").GetFocusedNode();
    return pages + " " + win::Narrow(dialog.Find<controls::TXPCustomLabel>("lblHeader").Caption()) +
           " / " + (marked ? marked->GetStrings(0) : "none");
  };
  EXPECT_EQ(shown(), "pnlGeneral General / General");
  const HWND tree = dialog.Find<TdxTreeList>("PanelsTree").Handle();
  Key(tree, VK_HOME);
  EXPECT_EQ(shown(), "pnlViaStyles Via Styles / Via Styles");
  Key(tree, VK_DOWN);
  EXPECT_EQ(shown(), "pnlLayerDirections Layer Directions / Layer Directions");
  Key(tree, VK_END);
  EXPECT_EQ(shown(), "pnlGeneral General / General");
  EXPECT_EQ(dialog.Find<framework::TControl>("pnlGeneral").Align(), framework::TAlign::alClient);
  EXPECT_EQ(dialog.Find<framework::TControl>("pnlViaStyles").Align(), framework::TAlign::alNone);
  dialog.ShowSetupPanel("General", "Incompatible Design Rules");
  EXPECT_EQ(shown(), "pnlDesignRules Incompatible Design Rules / Incompatible Design Rules");

  try {
    dialog.AddSetupPanel("General", &dialog.Find<framework::TControl>("pnlGeneral"));
    ADD_FAILURE() << "a page name given twice";
  } catch (const sdk::Exception& e) {
    EXPECT_STREQ(e.what(), "Panel already exists: General");
  }
  EXPECT_EQ(dialog.FindSetupPanel(""), nullptr);
  EXPECT_THROW(dialog.FindSetupPanel("Nowhere"), sdk::EAssertionFailed);
}

// Each check box alone is clicked: exactly its own setting turns. Both units, from settings
// unlike the defaults.
TEST_F(SetupDialog, StoresEachControlIntoItsOwnSetting) {
  for (const char* board :
       {"../examples/rules-board.json", "router/testdata/via-styles-board.json"}) {
    SCOPED_TRACE(board);
    Open(board);
    TSpecctraSetup dialog(board_, rules_);
    TRouterSettings stored;
    stored.protect_pre_routes = stored.dfm_feature = stored.export_polygons = true;
    stored.adv_feature = true;  // else "Generate use_via statements" takes no click
    stored.emit_use_via = stored.export_from_tos = false;
    stored.test_point_styles = true;
    stored.test_point_side = 2;
    stored.wire_grid = 50000, stored.via_grid = 125000, stored.test_point_expansion = 30000;
    stored.default_via_size = 600000;
    dialog.Board().settings = stored;
    dialog.LoadSetupControls();
    const bool imperial = dialog.Board().Imperial();
    ASSERT_TRUE(dialog.StoreSetupControls().empty());
    EXPECT_EQ(Stored(dialog.Board().settings, imperial), Stored(stored, imperial));
    // The list's first side is a side like the others.
    SendMessageW(dialog.Find<controls::TXPComboBox>("TestPointExpSide").Handle(), CB_SETCURSEL, 0,
                 0);
    dialog.StoreSetupControls();
    EXPECT_EQ(dialog.Board().settings.test_point_side, 0);

    using S = TRouterSettings;
    const std::pair<const char*, bool S::*> checks[] = {
        {"cbxProtectPreRoutes", &S::protect_pre_routes},
        {"cbxMinimizePins", &S::minimize_pads},
        {"ADV10", &S::adv_feature},
        {"HYB10", &S::hyb_feature},
        {"DFM10", &S::dfm_feature},
        {"FST10", &S::fst_feature},
        {"Checkbox_TestPointShapeExpansion", &S::test_point_styles},
        {"CheckBox_EmitUseVia", &S::emit_use_via},
        {"cbxPolygons", &S::export_polygons},
        {"cbxExportPolygonsAsHatch", &S::polygons_as_hatch},
        {"cbxExportNetClasses", &S::export_net_classes},
        {"cbxSkipsSytemClasses", &S::export_user_net_classes_only},
        {"cbxFromToClasses", &S::export_from_to_classes},
        {"cbxFromTos", &S::export_from_tos},
        {"cbxDiffPairs", &S::export_diff_pairs},
        {"cbxRuleRegions", &S::export_rule_regions}};
    for (const auto& [check, field] : checks) {
      SCOPED_TRACE(check);
      dialog.Board().settings = stored;
      dialog.LoadSetupControls();
      SendMessageW(dialog.Find<controls::TXPCheckBox>(check).Handle(), BM_CLICK, 0, 0);
      dialog.StoreSetupControls();
      TRouterSettings expected = stored;
      expected.*field = !(stored.*field);
      EXPECT_EQ(Stored(dialog.Board().settings, imperial), Stored(expected, imperial));
    }
  }
}

// What OK hands the padstack writer, by what the dialog shows; and the enabling rules after a
// load, whatever the check boxes did while they were set.
TEST_F(SetupDialog, TestPointsFollowTheBoxSideAndValue) {
  Open("../examples/rules-board.json");
  struct Case {
    bool styles;
    int side;           // stored
    const char* shown;  // the side's text after the load
    const char* value;  // typed
    std::vector<int> layers;
    int32_t expansion;
  };
  const Case cases[] = {
      {false, 2, "Both Sides", "5mil", {}, 0},
      {true, 2, "Both Sides", "5mil", {1, 32}, 50000},
      {true, 4, "Bottom Side", "3mil", {32}, 30000},  // 4 wraps round the three items
      {true, 0, "Top Side", "2.5", {1}, 25000},       // no unit: the board's
      {true, -1, "", "5mil", {}, 0},                  // no side chosen: none
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.side) + " " + c.value);
    TSpecctraSetup dialog(board_, rules_);
    dialog.Board().settings.test_point_styles = c.styles;
    dialog.Board().settings.test_point_side = c.side;
    dialog.Board().settings.adv_feature = !c.styles;
    dialog.LoadSetupControls();
    auto& side = dialog.Find<controls::TXPComboBox>("TestPointExpSide");
    auto& value = dialog.Find<controls::TXPEdit>("TestPointExpValue");
    EXPECT_EQ(win::Narrow(side.Text()), c.shown);
    EXPECT_EQ(side.Enabled(), c.styles);
    EXPECT_EQ(value.Enabled(), c.styles);
    EXPECT_EQ(dialog.Find<framework::TControl>("lblExpansionValue").Enabled(), c.styles);
    EXPECT_EQ(dialog.Find<controls::TXPCheckBox>("CheckBox_EmitUseVia").Enabled(), !c.styles);
    value.SetText(win::Widen(c.value));
    EXPECT_TRUE(dialog.StoreSetupControls().empty());
    EXPECT_EQ(TestPointLayersGlobal(), c.layers);
    EXPECT_EQ(TestPointExpansionGlobal(), c.expansion);
  }
}

// A length that does not read keeps its setting, and the user is told which field it was.
TEST_F(SetupDialog, KeepsALengthItCannotReadAndSaysWhich) {
  Open("../examples/rules-board.json");
  TSpecctraSetup dialog(board_, rules_);
  dialog.LoadSetupControls();
  dialog.Find<controls::TXPEdit>("WireGrid").SetText(L"fine");
  dialog.Find<controls::TXPEdit>("ViaGrid").SetText(L"0mil");
  const std::vector<std::string> problems = dialog.StoreSetupControls();
  EXPECT_EQ(problems, (std::vector<std::string>{
                          "Wire grid \"fine\": it is no length; it stays 20mil",
                          "Via grid \"0mil\": it must be larger than 0; it stays 20mil"}));
  EXPECT_EQ(dialog.Board().settings.wire_grid, 200000);
  EXPECT_EQ(dialog.Board().settings.via_grid, 200000);
}

// OK with a length the router cannot use keeps the dialog open, on the page of the first such
// field with that field focused, after naming each such field and why; corrected, OK closes it
// and stores the value. A field the user cannot change (its box unchecked) does not hold it: its
// setting stays, and the user hears so once the dialog has closed.
TEST_F(SetupDialog, OkWithALengthItCannotUseStaysOnTheFieldUntilCorrected) {
  Open("../examples/rules-board.json");
  std::vector<std::string> messages;
  framework::SetMessageDialogHandler([&](const framework::MessageDialogRequest& request) {
    messages.push_back(request.message);
    return static_cast<int>(framework::kModalOk);
  });
  std::vector<std::string> refused;  // where each refused OK left the user
  const bool confirmed = Run([&](TSpecctraSetup& dialog) {
    const HWND window = dialog.Handle();
    dialog.Find<controls::TXPBitBtn>("Cancel").OnClick = [&](framework::TComponent*) {
      const auto* focus = framework::TWinControl::FromHandle(GetFocus());
      refused.push_back(win::Narrow(dialog.Find<controls::TXPCustomLabel>("lblHeader").Caption()) +
                        ": " + (focus ? focus->Name() : "(none)"));
    };
    // Enter is OK; once it is refused, Escape is Cancel from the field.
    const auto press_ok = [&] {
      PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
      PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
      return dialog.ShowModal();
    };
    auto& via = dialog.Find<controls::TXPEdit>("ViaGrid");
    auto& expansion = dialog.Find<controls::TXPEdit>("TestPointExpValue");
    auto& styles = dialog.Find<controls::TXPCheckBox>("Checkbox_TestPointShapeExpansion");
    SendMessageW(styles.Handle(), BM_CLICK, 0, 0);
    via.SetText(L"fine");
    expansion.SetText(L"-2mil");
    EXPECT_EQ(press_ok(), framework::kModalCancel);
    via.SetText(L"25mil");
    EXPECT_EQ(press_ok(), framework::kModalCancel);
    SendMessageW(styles.Handle(), BM_CLICK, 0, 0);
    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    return dialog.ShowModal();
  });
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(refused,
            (std::vector<std::string>{"General: ViaGrid", "Via Styles: TestPointExpValue"}));
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "These fields were not understood and keep their value:\n"
                          "Via grid \"fine\": it is no length; it stays 20mil\n"
                          "Test point expansion value \"-2mil\": it is negative; it stays 4mil",
                          "These fields were not understood and keep their value:\n"
                          "Test point expansion value \"-2mil\": it is negative; it stays 4mil",
                          "These fields were not understood and keep their value:\n"
                          "Test point expansion value \"-2mil\": it is negative; it stays 4mil"}));
  TBoard stored(board_);
  stored.Sync(pcbapi::kRead);
  EXPECT_EQ(stored.settings.via_grid, 250000) << "stored on OK";
}

// Checks are kept per rule while the user moves between rules, and only OK writes them; a rule
// with every pair unchecked stores "0-0".
TEST_F(SetupDialog, KeepsDrillPairChecksPerRuleAndWritesThemOnlyOnOk) {
  Open("router/testdata/via-styles-board.json");
  const std::string preferences = dir_.Path("board.qixpref");
  // Row 0 by a click on its check, the others by Space.
  const auto uncheck = [](TSpecctraSetup& dialog, std::initializer_list<int> rows) {
    auto& pairs = dialog.Find<TdxTreeList>("DrillPairsForViaStyle");
    for (const int row : rows) {
      const RECT cell = pairs.GetCellRect(pairs.Items(row), 0);
      const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
      if (row == 0) {
        SendMessageW(pairs.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(pairs.Handle(), WM_LBUTTONUP, 0, at);
      } else {
        pairs.SetFocusedNode(pairs.Items(row));
        Key(pairs.Handle(), VK_SPACE);
      }
    }
  };
  for (const int answer : {framework::kModalCancel, framework::kModalOk}) {
    SCOPED_TRACE(answer);
    const bool confirmed = Run([&](TSpecctraSetup& dialog) {
      const HWND rules = dialog.Find<TdxTreeList>("ViaStyleRules").Handle();
      EXPECT_EQ(Rows(dialog, "ViaStyleRules"), "Signal Vias\r\nPower Vias\r\n");
      EXPECT_EQ(Rows(dialog, "DrillPairsForViaStyle"),
                "True\tTop - Bottom\r\nTrue\tTop - Inner 1\r\nTrue\tInner 2 - Bottom\r\n");
      uncheck(dialog, {0});
      Key(rules, VK_DOWN);
      uncheck(dialog, {0, 1, 2});
      Key(rules, VK_UP);
      EXPECT_EQ(Rows(dialog, "DrillPairsForViaStyle"),
                "False\tTop - Bottom\r\nTrue\tTop - Inner 1\r\nTrue\tInner 2 - Bottom\r\n");
      Key(rules, VK_DOWN);  // stored when OK is pressed on this rule
      return answer;
    });
    EXPECT_EQ(confirmed, answer == framework::kModalOk);
    const std::string text = testsupport::ReadFile(preferences);
    if (answer == framework::kModalOk) {
      EXPECT_NE(text.find("[ViaStyles]\r\nSignal Vias=1-2|3-32\r\nPower Vias=0-0\r\n"),
                std::string::npos)
          << text;
    } else {
      EXPECT_EQ(text.find("ViaStyles"), std::string::npos) << "Cancel writes no pairs";
    }
    BuildViaStyleList(board_);
  }
}

// Signal layers down the stack (planes have no row); a direction is picked from the list only,
// the outer layers' too, and an editor still open when OK is pressed keeps what it shows.
TEST_F(SetupDialog, PicksLayerDirectionsFromTheListIntoTheDesignFile) {
  Open("../examples/example-board.json");
  ASSERT_TRUE(Run([](TSpecctraSetup& dialog) {
    auto& grid = dialog.Find<TdxTreeList>("gridLayerDirections");
    EXPECT_EQ(dialog.Find<treelist::TdxTreeListPickColumn>("Column_Direction").Items(),
              (std::vector<std::string>{"horizontal", "vertical", "orthogonal", "positive_diagonal",
                                        "negative_diagonal", "diagonal", "off"}));
    EXPECT_EQ(
        Rows(dialog, "gridLayerDirections"),
        "Top\thorizontal\r\nSignal 2\tvertical\r\nSignal 5\thorizontal\r\nBottom\tvertical\r\n");
    // An editor keeps the focus only in a window on the screen.
    dialog.Show();
    dialog.ShowSetupPanel("General", "Layer Directions");
    grid.SetFocus();
    // "x" begins no direction and is refused; "d" takes "diagonal".
    for (const auto& [row, typed] : {std::pair{0, L"v"}, {3, L"o"}, {2, L"xd"}}) {
      grid.SetFocusedCell(grid.Items(row), 1, true);
      Key(grid.Handle(), VK_F2);
      if (!grid.InplaceEditor()) {
        ADD_FAILURE() << "F2 opens no editor on row " << row;
        return framework::kModalCancel;
      }
      const HWND editor = grid.InplaceEditor()->Handle();
      Key(editor, VK_HOME);
      for (const wchar_t c : std::wstring(typed)) SendMessageW(editor, WM_CHAR, c, 0);
    }
    return framework::kModalOk;
  }));
  EXPECT_EQ(objects_->settings->Direction(kTopLayer), TRoutingDirection::Vertical);
  EXPECT_EQ(objects_->settings->Direction(3), TRoutingDirection::Diagonal)
      << "MidLayer2, \"Signal 5\"";
  EXPECT_EQ(objects_->settings->Direction(kBottomLayer), TRoutingDirection::Orthogonal);
  const std::string design = dir_.Path("board.dsn");
  SaveDesignFile(design, TOvixRuleQueries(*rules_));
  for (const char* layer : {"TopLayer \r\n            (type signal) (direction vertical)",
                            "MidLayer2 \r\n            (type signal) (direction diagonal)",
                            "BottomLayer \r\n            (type signal) (direction orthogonal)"}) {
    EXPECT_NE(testsupport::ReadFile(design).find(std::string("(layer ") + layer), std::string::npos)
        << layer;
  }
}

// The rules the router cannot take, with the reasons, scrolled to the top with the root focused;
// headings carry data (and are drawn bold); a clean board shows the root alone.
TEST_F(SetupDialog, ListsTheRuleProblemsUnderTheirKinds) {
  Open("../examples/rules-board.json");
  TSpecctraSetup dialog(board_, rules_);
  dialog.LoadSetupControls();
  EXPECT_EQ(
      Rows(dialog, "dxTreeList_Rules"),
      testsupport::ReadFile(testsupport::TestDataPath("router/testdata/rules-board.problems")));
  auto& grid = dialog.Find<TdxTreeList>("dxTreeList_Rules");
  ASSERT_NE(grid.GetFocusedNode(), nullptr);
  EXPECT_EQ(grid.GetFocusedNode(), grid.Items(0));
  EXPECT_EQ(grid.TopIndex(), 0);
  // Whether the grid's custom drawing makes a cell of the row bold.
  const auto drawn_bold = [&grid](treelist::TdxTreeListNode* node, int column) {
    framework::TFont font;
    treelist::TdxCellDrawInfo cell;
    cell.node = node;
    cell.font = &font;
    std::wstring text;
    grid.CustomDrawCell(column, cell, text);
    return (font.Style() & framework::fsBold) != 0;
  };
  std::string headings;
  for (auto* node = grid.GetFirstNode(); node; node = grid.GetNextVisible(node)) {
    if (node->Data()) headings += node->GetStrings(0) + "|";
    for (const int column : {0, 1}) {
      EXPECT_EQ(drawn_bold(node, column), column == 0 && node->Data() != 0) << node->GetStrings(0);
    }
  }
  EXPECT_EQ(headings,
            "Rules with problems|Clearance|Following rules have incorrect priority|"
            "Following Rules have incompatible scopes|Width|Following rules have incorrect "
            "priority|Following Rules have incompatible scopes|Length|Following rules have "
            "incorrect priority|Following Rules have incompatible scopes|");

  // Both columns of every row show at once, without scrolling: the names take what they need
  // up to two thirds, so each scope's verdict shows whole beside its name. A text still cut
  // (measured as drawn, headings in bold) brings its tooltip when the mouse is over it.
  static POINT cursor;
  grid.Seams().cursor_pos = [] { return cursor; };
  const auto cut_texts = [&grid] {
    std::string cut;
    int row = 0;
    for (auto* node = grid.GetFirstNode(); node; node = grid.GetNextVisible(node), ++row) {
      grid.SetTopIndex(row);
      for (const int column : {0, 1}) {
        const RECT cell = grid.GetCellRect(node, column);
        const POINT at{cell.right - 2, cell.top + 2};
        cursor = grid.ClientToScreen(at);
        SendMessageW(grid.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        if (grid.CellTooltip())
          cut += std::to_string(column) + ":" + node->GetStrings(column) + "|";
      }
    }
    return cut;
  };
  const std::string cut = cut_texts();
  EXPECT_EQ(cut.find("1:     "), std::string::npos) << "a verdict is cut: " << cut;
  EXPECT_NE(cut.find("0:Clearance Constraint (NetToNet)"), std::string::npos) << cut;
  EXPECT_EQ(cut.find("0:Scope 1: InNet('SIG1')|"), std::string::npos) << cut;
  const int names = grid.Columns(0)->Width(), descriptions = grid.Columns(1)->Width();
  EXPECT_EQ(names + descriptions, grid.ClientWidth());
  EXPECT_GE(descriptions, grid.ClientWidth() / 3);
  EXPECT_EQ(grid.GetLayout().total_width, grid.GetLayout().data.right - grid.GetLayout().data.left)
      << "nothing to scroll to";

  Open("router/testdata/via-styles-board.json");
  TSpecctraSetup clean(board_, rules_);
  clean.LoadSetupControls();
  EXPECT_EQ(Rows(clean, "dxTreeList_Rules"), "Rules with problems\t\r\n");
  auto& narrow = clean.Find<TdxTreeList>("dxTreeList_Rules");
  EXPECT_EQ(narrow.Columns(0)->Width() + narrow.Columns(1)->Width(), narrow.ClientWidth())
      << "the last column takes the room left";
  EXPECT_LT(narrow.Columns(0)->Width(), narrow.ClientWidth() / 2) << "the names take their need";
}

// The wheel scrolls each of the dialog's grids, a notch toward the user down and away up (each
// grid made short enough here for the rows of these boards to overflow it).
TEST_F(SetupDialog, TheWheelScrollsEveryGrid) {
  const std::pair<const char*, std::vector<const char*>> boards[] = {
      {"../examples/rules-board.json", {"PanelsTree", "gridLayerDirections", "dxTreeList_Rules"}},
      {"router/testdata/via-styles-board.json", {"ViaStyleRules", "DrillPairsForViaStyle"}}};
  for (const auto& [board, grids] : boards) {
    Open(board);
    TSpecctraSetup dialog(board_, rules_);
    dialog.LoadSetupControls();
    dialog.Show();
    for (const char* name : grids) {
      SCOPED_TRACE(name);
      auto& grid = dialog.Find<TdxTreeList>(name);
      grid.SetAlign(framework::TAlign::alNone);
      grid.SetAnchors(framework::akLeft | framework::akTop);
      for (int height = grid.Height(); height > 4 && grid.FullyVisibleRowCount() > 1; height -= 4) {
        grid.SetHeight(height - 4);
      }
      ASSERT_EQ(grid.FullyVisibleRowCount(), 1);
      ASSERT_EQ(grid.TopIndex(), 0);
      const auto wheel = [&](int delta) {
        SendMessageW(grid.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
        return grid.TopIndex();
      };
      EXPECT_EQ(wheel(-WHEEL_DELTA), 1);
      EXPECT_EQ(wheel(WHEEL_DELTA), 0);
    }
  }
}

// A picture of each page, filled from the rules board: each shows something else in the page's
// area and marks its own row in the page list.
TEST_F(SetupDialog, DrawsEachPage) {
  Open("../examples/rules-board.json");
  TSpecctraSetup dialog(board_, rules_);
  dialog.LoadSetupControls();
  // Where the client area starts in the picture, which has the frame.
  POINT client{};
  ClientToScreen(dialog.Handle(), &client);
  RECT window{};
  GetWindowRect(dialog.Handle(), &window);
  RECT pages = dialog.Find<framework::TControl>("pnlPages").BoundsRect();
  RECT list = dialog.Find<framework::TControl>("PanelsTree").BoundsRect();
  for (RECT* area : {&pages, &list}) {
    OffsetRect(area, client.x - window.left, client.y - window.top);
  }
  std::string shown;
  std::unique_ptr<xptest::Surface> before;
  for (const auto& [page, picture] : {std::pair{"General", "general"},
                                      {"Via Styles", "via_styles"},
                                      {"Layer Directions", "layer_directions"},
                                      {"Incompatible Design Rules", "design_rules"}}) {
    SCOPED_TRACE(page);
    dialog.ShowSetupPanel(shown, page);
    shown = page;
    std::unique_ptr<xptest::Surface> drawn =
        xptest::Picture(dialog, std::string("setup_dialog_") + picture, 1);
    if (before) {
      EXPECT_GT(xptest::Differences(*drawn, *before, pages), 2000);
      EXPECT_GT(xptest::Differences(*drawn, *before, list), 100) << "the marked row moved";
    }
    before = std::move(drawn);
  }
}

}  // namespace
