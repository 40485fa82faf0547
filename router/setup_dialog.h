// The router set-up dialog "Setup Specctra Router": the router settings, the drill pairs each
// via-style rule may use, the routing direction of each signal layer and the design rules the
// router cannot take, on four pages. OK stores all of it; Cancel stores nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/server_dialog.h"
#include "sdk/exceptions.h"
#include "router/ovix_rules.h"
#include "router/router_board.h"
#include "router/via_styles.h"
#include "treelist/columns/column.h"
#include "treelist/core/tree_list.h"

namespace router {

class TQixDocumentSetings;

class TSpecctraSetup : public controls::TServerDialog {
 public:
  // Reads the board with its router settings, builds the form and shows the page "General".
  // The rules and the running export's per-document settings are the caller's.
  TSpecctraSetup(sdk::Handle board, TOvixRules* rules);
  ~TSpecctraSetup() override;
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TBoard& Board() { return *board_; }

  // The settings, the via styles, the layer directions and the rule problems into the controls.
  void LoadSetupControls();
  // The controls back into the settings, the via styles (saved at once), the test-point globals
  // and the layer directions. A length that is no length the router can use keeps its setting:
  // the result names each such field, its text and why.
  std::vector<std::string> StoreSetupControls();
  // Closes an in-cell editor that is still open, keeping what it holds.
  void CloseGridEditors();
  // Whether every length field the user can change reads as a length the router can use. If
  // not, the user is told which fields do not and why, and the first is shown and focused.
  bool LengthFieldsRead();

  // Pages by name. A name given twice raises "Panel already exists: NAME"; a name never given
  // is a fault of the code.
  void AddSetupPanel(const std::string& name, framework::TControl* panel);
  framework::TControl* FindSetupPanel(const std::string& name) const;
  void ShowSetupPanel(const std::string& old_name, const std::string& new_name);

  // Handlers the form description connects.
  void PanelsTreeChangeNode(framework::TComponent* sender, treelist::TdxTreeListNode* old_node,
                            treelist::TdxTreeListNode* new_node);
  void ViaStyleRulesChangeNode(framework::TComponent* sender, treelist::TdxTreeListNode* old_node,
                               treelist::TdxTreeListNode* new_node);
  // Space on a drill pair, or a click on its check, turns the pair on or off.
  void DrillPairsForViaStyleKeyDown(framework::TComponent* sender, WORD& key, unsigned shift);
  void DrillPairsForViaStyleMouseDown(framework::TComponent* sender, framework::TMouseButton button,
                                      unsigned shift, int x, int y);
  // Headings of the rules page draw their names bold.
  void dxTreeList_RulesCustomDrawCell(framework::TComponent* sender,
                                      treelist::TdxCellDrawInfo& cell, std::string& text);
  void ADV10Click(framework::TComponent* sender);
  void cbxExportNetClassesClick(framework::TComponent* sender);
  void cbxPolygonsClick(framework::TComponent* sender);
  void Checkbox_TestPointShapeExpansionClick(framework::TComponent* sender);

  // A control of the form by its name; a missing one is a fault of the form description.
  template <class Control>
  Control& Find(const char* name) const {
    auto* control = dynamic_cast<Control*>(FindComponent(name));
    if (!control) throw sdk::EAssertionFailed(name, __FILE__, __LINE__);
    return *control;
  }

 private:
  treelist::TCustomdxTreeList& Grid(const char* name) const {
    return Find<treelist::TCustomdxTreeList>(name);
  }
  void ToggleDrillPair(treelist::TdxTreeListNode* pair_row);
  void ShowDrillPairs(treelist::TdxTreeListNode* rule_row);
  void StoreDrillPairs(treelist::TdxTreeListNode* rule_row);
  void FillViaStyleRules();
  void FillLayerDirections();
  void FillRuleProblems();
  void ApplyEnablingRules();
  // The name of the page that holds the control.
  std::string PageOf(const framework::TControl& control) const;

  std::unique_ptr<TBoard> board_;
  TOvixRules* rules_;
  TQixDocumentSetings* document_settings_;
  std::vector<std::pair<std::string, framework::TControl*>> pages_;
};

// Shows the dialog for the board; true when it was closed with OK, after everything is stored
// and "Tralvek.Ini" written.
bool RunSetupDialog(sdk::Handle board, TOvixRules& rules);

// How RunSetupDialog runs the loaded dialog: empty shows it modally (the default); tests put a
// runner here that drives the dialog and returns its modal result.
std::function<int(TSpecctraSetup&)>& SetupDialogRunner();

}  // namespace router
