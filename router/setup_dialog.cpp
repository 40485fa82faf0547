// The router set-up dialog.
#include "router/setup_dialog.h"

#include <algorithm>
#include <cmath>

#include "controls/xp_checkbox.h"
#include "controls/xp_combobox.h"
#include "controls/xp_control_set.h"
#include "controls/xp_edits2.h"
#include "controls/xp_labels.h"
#include "framework/ext_ctrls.h"
#include "framework/message_dialog.h"
#include "framework/win/module.h"
#include "framework/win/text.h"
#include "router/document_settings.h"
#include "router/padstack.h"
#include "router/setup_rows.h"
#include "sdk/common_utils.h"
#include "sdk/units.h"
#include "treelist/columns/drop_down_columns.h"
#include "treelist/customize/published_tree_list.h"
#include "treelist/columns/typed_columns.h"

namespace router {

namespace {

using treelist::TdxTreeListNode;

// Rows keep pointers in their data word.
static_assert(sizeof(void*) == sizeof(uint32_t));

constexpr int kCheckColumn = 0, kDrillPairColumn = 1;
constexpr int kLayerColumn = 0, kDirectionColumn = 1;
constexpr int kRuleColumn = 0, kDescriptionColumn = 1;
// The check column's own texts for its two states.
constexpr char kChecked[] = "True", kUnchecked[] = "False";
// The data word of a heading row on the rules page.
constexpr uint32_t kHeadingData = 1;

struct CheckSetting {
  const char* control;
  bool TRouterSettings::*setting;
};
constexpr CheckSetting kCheckSettings[] = {
    {"cbxProtectPreRoutes", &TRouterSettings::protect_pre_routes},
    {"cbxMinimizePins", &TRouterSettings::minimize_pads},
    {"ADV10", &TRouterSettings::adv_feature},
    {"HYB10", &TRouterSettings::hyb_feature},
    {"DFM10", &TRouterSettings::dfm_feature},
    {"FST10", &TRouterSettings::fst_feature},
    {"Checkbox_TestPointShapeExpansion", &TRouterSettings::test_point_styles},
    {"CheckBox_EmitUseVia", &TRouterSettings::emit_use_via},
    {"cbxPolygons", &TRouterSettings::export_polygons},
    {"cbxExportPolygonsAsHatch", &TRouterSettings::polygons_as_hatch},
    {"cbxExportNetClasses", &TRouterSettings::export_net_classes},
    {"cbxSkipsSytemClasses", &TRouterSettings::export_user_net_classes_only},
    {"cbxFromToClasses", &TRouterSettings::export_from_to_classes},
    {"cbxFromTos", &TRouterSettings::export_from_tos},
    {"cbxDiffPairs", &TRouterSettings::export_diff_pairs},
    {"cbxRuleRegions", &TRouterSettings::export_rule_regions},
};

struct LengthSetting {
  const char* control;
  const char* key;
  const char* field;  // as the user knows it
  double TRouterSettings::*setting;
};
constexpr LengthSetting kLengthSettings[] = {
    {"WireGrid", "WireGrid", "Wire grid", &TRouterSettings::wire_grid},
    {"ViaGrid", "ViaGrid", "Via grid", &TRouterSettings::via_grid},
    {"TestPointExpValue", "TestPointExpansion", "Test point expansion value",
     &TRouterSettings::test_point_expansion},
};
constexpr char kFieldsNotUnderstood[] = "These fields were not understood and keep their value:";

// Takes the field's text into `value` when it is a length the router can use; otherwise `value`
// stays and the result names the field, its text and why.
std::string TakeLengthField(const LengthSetting& length, const std::string& text, bool imperial,
                            double& value) {
  const std::string why = TakeSettingsLength(length.key, text, imperial, value);
  if (why.empty()) return {};
  return std::string(length.field) + " \"" + text + "\": " + why + "; it stays " +
         sdk::FormatCoord(imperial, value);
}

constexpr const char* kPages[][2] = {
    {"General", "pnlGeneral"},
    {"Via Styles", "pnlViaStyles"},
    {"Layer Directions", "pnlLayerDirections"},
    {"Incompatible Design Rules", "pnlDesignRules"},
};

template <class T>
uint32_t DataOf(T* pointer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}
template <class T>
T* PointerOf(const TdxTreeListNode* node) {
  return node ? reinterpret_cast<T*>(static_cast<uintptr_t>(node->Data())) : nullptr;
}

std::string RowText(const TdxTreeListNode* node) { return node ? node->GetStrings(0) : ""; }

void AddRuleRows(treelist::TCustomdxTreeList& grid, TdxTreeListNode* parent,
                 const RuleProblemRow& row) {
  TdxTreeListNode* node = parent ? parent->AddChild() : grid.Add();
  node->SetStrings(kRuleColumn, row.text);
  if (!row.description.empty()) node->SetStrings(kDescriptionColumn, row.description);
  node->SetData(row.heading ? kHeadingData : 0);
  for (const RuleProblemRow& child : row.children) AddRuleRows(grid, node, child);
}

// The rule names take the room they need, but leave the descriptions at least a third of the
// grid, so that a row's name and its verdict show side by side; a text still cut shows whole in
// its cell's tooltip, or after a drag of the header's divider, the grid then scrolling sideways.
void ShareRuleColumns(treelist::TCustomdxTreeListControl& grid) {
  grid.Handle();  // measured with the window's font
  grid.ApplyBestFit(nullptr);
  treelist::TdxTreeListColumn* names = grid.Columns(kRuleColumn);
  treelist::TdxTreeListColumn* descriptions = grid.Columns(kDescriptionColumn);
  if (!names || !descriptions) return;
  const int room = grid.ClientWidth();
  const int names_width =
      std::min(names->Width(), room - std::min(descriptions->Width(), room / 3));
  names->SetWidth(names_width);
  descriptions->SetWidth(room - names_width);
}

// The width the pages need to show their controls whole: the widest page's controls that do not
// stretch with it, with the margin they keep on the left also on the right.
int PagesNeededWidth(const std::vector<std::pair<std::string, framework::TControl*>>& pages) {
  int needed = 0;
  for (const auto& [name, page] : pages) {
    const auto* holder = dynamic_cast<const framework::TWinControl*>(page);
    if (!holder || holder->Controls().empty()) continue;
    int margin = holder->Width(), right = 0;
    for (const framework::TControl* control : holder->Controls()) {
      margin = std::min(margin, control->Left());
      if (!(control->Anchors() & framework::akRight)) {
        right = std::max(right, control->Left() + control->Width());
      }
    }
    needed = std::max(needed, right + margin);
  }
  return needed;
}

// Stored settings the router cannot use were replaced by the values in hand; the user hears
// which, once, before the dialog shows them.
void ReportSettingsProblems(const std::vector<std::string>& problems, const std::string& intro) {
  if (problems.empty()) return;
  std::string message = intro;
  for (const std::string& problem : problems) message += "\n" + problem;
  sdk::ShowWarningMessage(message);
}

}  // namespace

TSpecctraSetup::TSpecctraSetup(sdk::Handle board, TOvixRules* rules)
    : TServerDialog(nullptr),
      board_(std::make_unique<TBoard>(board)),
      rules_(rules),
      document_settings_(DocumentSettingsGlobal()) {
  board_->Sync(pcbapi::kRead);
  static const bool registered = [] {
    framework::RegisterStandardControls();
    controls::RegisterXPControls();
    treelist::RegisterTreeListClasses();
    treelist::RegisterTypedColumnClasses();
    return true;
  }();
  (void)registered;
  LoadFromResource(win::ThisModule(), "TSPECCTRASETUP");
  std::vector<std::string> directions;
  for (int direction = 0; direction < kDirectionCount; ++direction) {
    directions.emplace_back(DirectionText(direction));
  }
  Find<treelist::TdxTreeListPickColumn>("Column_Direction").SetItems(directions);
  for (const auto& [name, panel] : kPages) AddSetupPanel(name, &Find<framework::TControl>(panel));
  // The page list may widen only as far as the pages keep their controls whole.
  const int pages_needed = PagesNeededWidth(pages_);
  Find<framework::TSplitter>("LeftSplitter").OnCanResize =
      [this, pages_needed](framework::TComponent*, int& list_width, bool&) {
        const int room = Find<framework::TControl>("PanelsTree").Width() +
                         Find<framework::TControl>("pnlPages").Width();
        list_width = std::min(list_width, room - pages_needed);
      };
  // Sorting moved the rows under a top row that was taken before.
  Grid("PanelsTree").SetTopIndex(0);
  ShowSetupPanel("", "General");
  // OK with a length that cannot be used keeps the dialog open on that field.
  OnCloseQuery = [this](framework::TComponent*, bool& can_close) {
    if (ModalResult() == framework::kModalOk) can_close = LengthFieldsRead();
  };
}

TSpecctraSetup::~TSpecctraSetup() = default;

const framework::TClassInfo& TSpecctraSetup::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<TSpecctraSetup, TServerDialog>("TSpecctraSetup")
          .Method("PanelsTreeChangeNode", &TSpecctraSetup::PanelsTreeChangeNode)
          .Method("ViaStyleRulesChangeNode", &TSpecctraSetup::ViaStyleRulesChangeNode)
          .Method("DrillPairsForViaStyleKeyDown", &TSpecctraSetup::DrillPairsForViaStyleKeyDown)
          .Method("DrillPairsForViaStyleMouseDown", &TSpecctraSetup::DrillPairsForViaStyleMouseDown)
          .Method("dxTreeList_RulesCustomDrawCell", &TSpecctraSetup::dxTreeList_RulesCustomDrawCell)
          .Method("ADV10Click", &TSpecctraSetup::ADV10Click)
          .Method("cbxExportNetClassesClick", &TSpecctraSetup::cbxExportNetClassesClick)
          .Method("cbxPolygonsClick", &TSpecctraSetup::cbxPolygonsClick)
          .Method("Checkbox_TestPointShapeExpansionClick",
                  &TSpecctraSetup::Checkbox_TestPointShapeExpansionClick);
  return info;
}

void TSpecctraSetup::LoadSetupControls() {
  const TRouterSettings& settings = board_->settings;
  for (const CheckSetting& check : kCheckSettings) {
    Find<controls::TXPCheckBox>(check.control).SetChecked(settings.*check.setting);
  }
  for (const LengthSetting& length : kLengthSettings) {
    Find<controls::TXPEdit>(length.control)
        .SetText(win::Widen(sdk::FormatCoord(board_->Imperial(), settings.*length.setting)));
  }
  auto& side = Find<controls::TXPComboBox>("TestPointExpSide");
  const int count = static_cast<int>(side.Items().size());
  // A side beyond the list wraps round it; a negative one chooses nothing.
  side.SetItemIndex(count > 0 ? settings.test_point_side % count : -1);
  // Setting a check box from code may or may not run its handler: the rules hold either way.
  ApplyEnablingRules();
  FillViaStyleRules();
  FillLayerDirections();
  FillRuleProblems();
}

std::vector<std::string> TSpecctraSetup::StoreSetupControls() {
  TRouterSettings& settings = board_->settings;
  for (const CheckSetting& check : kCheckSettings) {
    settings.*check.setting = Find<controls::TXPCheckBox>(check.control).Checked();
  }
  std::vector<std::string> not_understood;
  for (const LengthSetting& length : kLengthSettings) {
    const std::string text = win::Narrow(Find<controls::TXPEdit>(length.control).Text());
    std::string problem =
        TakeLengthField(length, text, board_->Imperial(), settings.*length.setting);
    if (!problem.empty()) not_understood.push_back(std::move(problem));
  }
  const int side = Find<controls::TXPComboBox>("TestPointExpSide").ItemIndex();
  if (side >= 0) settings.test_point_side = side;

  if (TViaStyleAssociationList* list = GetViaStyleList(); list && list->Count() > 0) {
    StoreDrillPairs(Grid("ViaStyleRules").GetFocusedNode());
    SaveViaStyles(*list, PerDocumentFileName(board_->GetFileName()));
  }

  TRouterSettings shown = settings;
  shown.test_point_styles = settings.test_point_styles && side >= 0;
  ApplyTestPointSettings(shown, board_->Imperial());

  if (document_settings_) {
    std::vector<LayerDirectionRow> rows;
    for (const TdxTreeListNode* node : Grid("gridLayerDirections").TopNodes()) {
      rows.push_back({static_cast<int>(node->Data()), {}, node->GetStrings(kDirectionColumn)});
    }
    StoreLayerDirections(rows, *document_settings_);
  }
  return not_understood;
}

bool TSpecctraSetup::LengthFieldsRead() {
  std::vector<std::string> problems;
  controls::TXPEdit* first = nullptr;
  for (const LengthSetting& length : kLengthSettings) {
    auto& field = Find<controls::TXPEdit>(length.control);
    if (!field.Enabled()) continue;  // the user could not correct it; OK keeps its setting
    double value = board_->settings.*length.setting;
    std::string problem =
        TakeLengthField(length, win::Narrow(field.Text()), board_->Imperial(), value);
    if (problem.empty()) continue;
    problems.push_back(std::move(problem));
    if (!first) first = &field;
  }
  if (!first) return true;
  ReportSettingsProblems(problems, kFieldsNotUnderstood);
  ShowSetupPanel(RowText(Grid("PanelsTree").GetFocusedNode()), PageOf(*first));
  SetActiveControl(first);
  first->SelectAll();
  return false;
}

std::string TSpecctraSetup::PageOf(const framework::TControl& control) const {
  for (const framework::TControl* parent = &control; parent; parent = parent->Parent()) {
    for (const auto& [name, panel] : pages_) {
      if (panel == parent) return name;
    }
  }
  throw sdk::EAssertionFailed("a field outside the pages", __FILE__, __LINE__);
}

void TSpecctraSetup::CloseGridEditors() {
  for (const char* name : {"gridLayerDirections", "DrillPairsForViaStyle", "ViaStyleRules"}) {
    Grid(name).CloseEditor();
  }
}

void TSpecctraSetup::AddSetupPanel(const std::string& name, framework::TControl* panel) {
  for (const auto& page : pages_) {
    if (page.first == name) throw sdk::Exception("Panel already exists: " + name);
  }
  pages_.emplace_back(name, panel);
  panel->SetVisible(false);
  Grid("PanelsTree").Add()->SetStrings(0, name);
}

framework::TControl* TSpecctraSetup::FindSetupPanel(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& [page, panel] : pages_) {
    if (page == name) return panel;
  }
  throw sdk::EAssertionFailed(("Unrecognized panel: " + name).c_str(), __FILE__, __LINE__);
}

void TSpecctraSetup::ShowSetupPanel(const std::string& old_name, const std::string& new_name) {
  if (framework::TControl* old_page = FindSetupPanel(old_name)) {
    old_page->SetAlign(framework::TAlign::alNone);
    old_page->SetVisible(false);
  }
  if (framework::TControl* new_page = FindSetupPanel(new_name)) {
    new_page->SetAlign(framework::TAlign::alClient);
    new_page->SetVisible(true);
  }
  Find<controls::TXPCustomLabel>("lblHeader").SetText(win::Widen(new_name));
  // The page list marks the page shown, also when code shows it. Focusing the row calls back
  // here with the same page, which changes nothing more.
  treelist::TCustomdxTreeList& tree = Grid("PanelsTree");
  for (TdxTreeListNode* row : tree.TopNodes()) {
    if (RowText(row) == new_name && tree.GetFocusedNode() != row) tree.SetFocusedNode(row);
  }
}

void TSpecctraSetup::PanelsTreeChangeNode(framework::TComponent*, TdxTreeListNode* old_node,
                                          TdxTreeListNode* new_node) {
  ShowSetupPanel(RowText(old_node), RowText(new_node));
}

void TSpecctraSetup::ViaStyleRulesChangeNode(framework::TComponent*, TdxTreeListNode* old_node,
                                             TdxTreeListNode* new_node) {
  StoreDrillPairs(old_node);
  ShowDrillPairs(new_node);
}

void TSpecctraSetup::DrillPairsForViaStyleKeyDown(framework::TComponent*, WORD& key, unsigned) {
  if (key != VK_SPACE) return;
  ToggleDrillPair(Grid("DrillPairsForViaStyle").GetFocusedNode());
  key = 0;
}

void TSpecctraSetup::DrillPairsForViaStyleMouseDown(framework::TComponent*,
                                                    framework::TMouseButton button, unsigned, int x,
                                                    int y) {
  if (button != framework::TMouseButton::mbLeft) return;
  const treelist::THitInfo hit = Grid("DrillPairsForViaStyle").HitTest({x, y});
  if (hit.column == kCheckColumn) ToggleDrillPair(hit.node);
}

void TSpecctraSetup::dxTreeList_RulesCustomDrawCell(framework::TComponent*,
                                                    treelist::TdxCellDrawInfo& cell, std::string&) {
  const bool first_column = cell.column && cell.column->Index() == 0;
  if (first_column && cell.node && cell.node->Data() == kHeadingData) {
    cell.font->SetStyle(cell.font->Style() | framework::fsBold);
  }
}

void TSpecctraSetup::ADV10Click(framework::TComponent*) {
  Find<controls::TXPCheckBox>("CheckBox_EmitUseVia")
      .SetEnabled(Find<controls::TXPCheckBox>("ADV10").Checked());
}

void TSpecctraSetup::cbxExportNetClassesClick(framework::TComponent*) {
  Find<controls::TXPCheckBox>("cbxSkipsSytemClasses")
      .SetEnabled(Find<controls::TXPCheckBox>("cbxExportNetClasses").Checked());
}

void TSpecctraSetup::cbxPolygonsClick(framework::TComponent*) {
  Find<controls::TXPCheckBox>("cbxExportPolygonsAsHatch")
      .SetEnabled(Find<controls::TXPCheckBox>("cbxPolygons").Checked());
}

void TSpecctraSetup::Checkbox_TestPointShapeExpansionClick(framework::TComponent*) {
  const bool checked = Find<controls::TXPCheckBox>("Checkbox_TestPointShapeExpansion").Checked();
  Find<controls::TXPEdit>("TestPointExpValue").SetEnabled(checked);
  Find<framework::TControl>("lblExpansionValue").SetEnabled(checked);
  Find<controls::TXPComboBox>("TestPointExpSide").SetEnabled(checked);
}

void TSpecctraSetup::ApplyEnablingRules() {
  ADV10Click(this);
  cbxExportNetClassesClick(this);
  cbxPolygonsClick(this);
  Checkbox_TestPointShapeExpansionClick(this);
}

void TSpecctraSetup::ToggleDrillPair(TdxTreeListNode* pair_row) {
  if (!pair_row) return;  // Space in an empty grid, a click below the rows
  const bool checked = pair_row->GetStrings(kCheckColumn) == kChecked;
  pair_row->SetStrings(kCheckColumn, checked ? kUnchecked : kChecked);
}

void TSpecctraSetup::ShowDrillPairs(TdxTreeListNode* rule_row) {
  treelist::TCustomdxTreeList& grid = Grid("DrillPairsForViaStyle");
  grid.ClearNodes();
  const auto* aggregation = PointerOf<TViaStyleDrillPairAggregation>(rule_row);
  if (!aggregation) return;
  for (const DrillPairRow& row : DrillPairRows(*aggregation)) {
    TdxTreeListNode* node = grid.Add();
    node->SetData(DataOf(row.pair));
    node->SetStrings(kCheckColumn, row.enabled ? kChecked : kUnchecked);
    node->SetStrings(kDrillPairColumn, row.name);
  }
}

void TSpecctraSetup::StoreDrillPairs(TdxTreeListNode* rule_row) {
  auto* aggregation = PointerOf<TViaStyleDrillPairAggregation>(rule_row);
  if (!aggregation) return;
  std::vector<DrillPairRow> rows;
  for (const TdxTreeListNode* node : Grid("DrillPairsForViaStyle").TopNodes()) {
    rows.push_back(
        {{}, node->GetStrings(kCheckColumn) == kChecked, PointerOf<const TPcbViaDrillPair>(node)});
  }
  StoreDrillPairChecks(*aggregation, rows);
}

void TSpecctraSetup::FillViaStyleRules() {
  treelist::TCustomdxTreeList& grid = Grid("ViaStyleRules");
  grid.ClearNodes();
  Grid("DrillPairsForViaStyle").ClearNodes();
  for (const ViaStyleRuleRow& row : ViaStyleRuleRows(GetViaStyleList())) {
    TdxTreeListNode* node = grid.Add();
    node->SetData(DataOf(row.aggregation));
    node->SetStrings(0, row.name);
  }
  // The first rule's pairs are shown at once. Its row may have been focused as it was added,
  // before it held its rule.
  if (grid.GetFirstNode()) grid.SetFocusedNode(grid.GetFirstNode());
  ShowDrillPairs(grid.GetFocusedNode());
}

void TSpecctraSetup::FillLayerDirections() {
  treelist::TCustomdxTreeList& grid = Grid("gridLayerDirections");
  grid.ClearNodes();
  if (!document_settings_) return;
  for (const LayerDirectionRow& row : LayerDirectionRows(*board_, *document_settings_)) {
    TdxTreeListNode* node = grid.Add();
    node->SetData(static_cast<uint32_t>(row.layer));
    node->SetStrings(kLayerColumn, row.name);
    node->SetStrings(kDirectionColumn, row.direction);
  }
}

void TSpecctraSetup::FillRuleProblems() {
  treelist::TCustomdxTreeList& grid = Grid("dxTreeList_Rules");
  grid.ClearNodes();
  if (!rules_) return;
  AddRuleRows(grid, nullptr, RuleProblemRows(*rules_));
  grid.FullExpand();
  ShareRuleColumns(Find<treelist::TCustomdxTreeListControl>("dxTreeList_Rules"));
  grid.SetTopIndex(0);
  grid.SetFocusedNode(grid.GetFirstNode());
}

bool RunSetupDialog(sdk::Handle board, TOvixRules& rules) {
  TSpecctraSetup dialog(board, &rules);
  ReportSettingsProblems(dialog.Board().settings_problems, "These router settings were not used:");
  dialog.LoadSetupControls();
  const std::function<int(TSpecctraSetup&)>& runner = SetupDialogRunner();
  if ((runner ? runner(dialog) : dialog.ShowModal()) != framework::kModalOk) return false;
  dialog.CloseGridEditors();
  const std::vector<std::string> not_understood = dialog.StoreSetupControls();
  dialog.Board().WriteSettings();
  ReportSettingsProblems(not_understood, kFieldsNotUnderstood);
  return true;
}

std::function<int(TSpecctraSetup&)>& SetupDialogRunner() {
  static std::function<int(TSpecctraSetup&)> runner;
  return runner;
}

}  // namespace router
