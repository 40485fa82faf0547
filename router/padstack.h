// The padstacks of one export: every distinct pad and via geometry of the board, numbered in the
// order found, named after number, kind, layer span and via-style rules, and written as the
// library's "(padstack" statements. Pads and vias carry their padstack number in AuxWord.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sdk/ascii_case.h"
#include "router/design_file_output.h"
#include "router/document_settings.h"
#include "router/padstack_shapes.h"
#include "router/router_settings.h"
#include "sdk/pcb_board.h"

namespace router {

class TViaStyleAssociationList;

enum class TPadStackKind : uint8_t { Via = 0, Pad = 1, TestPointVia = 2 };

// Host pad shape codes the design file knows (kRoundShape, 1, with the route file's shapes).
inline constexpr uint8_t kRectangleShape = 2;
inline constexpr uint8_t kOctagonShape = 3;
inline constexpr uint8_t kRoundedRectangleShape = 9;

// Two sizes closer than this (internal units) are the same size.
inline constexpr int32_t kPadStackSizeTolerance = 10;

// The geometry that identifies a padstack.
struct TPadStackShape {
  TPadStackKind kind = TPadStackKind::Via;
  int32_t top_x = 0, top_y = 0;
  uint8_t top_shape = 0;
  int32_t mid_x = 0, mid_y = 0;
  uint8_t mid_shape = 0;
  int32_t bot_x = 0, bot_y = 0;
  uint8_t bot_shape = 0;
  int32_t hole = 0;
  double rotation = 0;  // identity only: not written
  uint8_t pwr_gnd = 0;  // identity only
  int low_layer = 0;    // the pad's layer, or the first layer of a via's span
  int high_layer = 0;   // the last layer of a via's span; 0 for pads and the default via

  // Round on all three layers with one size.
  static TPadStackShape RoundVia(TPadStackKind kind, int32_t size, int32_t hole, int low, int high);
  // Kind, shapes, flag and layers equal, sizes and hole within the tolerance, rotation exact.
  bool Matches(const TPadStackShape& other) const;
};

struct TPadStack {
  explicit TPadStack(const TPadStackShape& s) : shape(s) {}
  TPadStackShape shape;
  // Via-style rules using this padstack, sorted without regard to case, with their handles.
  std::map<std::string, sdk::Handle, sdk::LessIgnoringCase> rule_names;
};

// Test-point variants of via-style padstacks: the outer sizes grow on the chosen sides.
struct TTestPointExpansion {
  int32_t expansion = 0;  // added to the diameter; 0 = no test-point vias
  bool top = false;       // layer 1 takes test points
  bool bottom = false;    // layer 32 takes test points
};

class TPadStackList {
 public:
  explicit TPadStackList(sdk::Handle board) : board_(board) {}

  sdk::Handle Board() const { return board_; }
  int Count() const { return static_cast<int>(items_.size()); }
  const TPadStack& Item(int number) const { return *items_.at(static_cast<size_t>(number)); }

  // The number of the first matching padstack, or of a new one; a non-empty rule name is added
  // to the padstack's rules.
  int FindOrAddPadStack(const TPadStackShape& shape, const std::string& rule_name = {},
                        sdk::Handle rule = 0);

  // Fills the list from the board in its fixed order: via-style rules, the default via when
  // there is none, vias, pads, the via styles of nets and of from-tos. Every via and pad gets
  // its padstack number in AuxWord, written back to the host.
  void CollectPadStacks(const sdk::TPcbBoard& board, int32_t default_via_size,
                        int32_t default_via_hole, TViaStyleAssociationList* via_styles,
                        const TTestPointExpansion& test_points);

  // "Pad7", "Via0_TB_RoutingVias", "TPVia3_TB_Rule": a name the design file can hold. Valid
  // until the list changes.
  const std::string& PadStackName(int number) const {
    return names_.at(static_cast<size_t>(number));
  }

  // Names of the via padstacks (not pads, not test-point vias) of the object's dominant via-style
  // rule, each followed by one blank; empty when there are none. Valid until the list changes.
  const std::string& UseViaList(sdk::Handle object) const;

  // One line per via and test-point via padstack: its name.
  void WriteViaPadStackNames(DesignFileOutput& out) const;
  // The "(padstack" statements; `board` gives the layer stack for vias of a span, whose shapes
  // leave out the `undeclared` layers.
  void WritePadStacks(DesignFileOutput& out, const sdk::TPcbBoard& board,
                      const std::vector<int>& undeclared = {}) const;

  // "number=hole" for each padstack with a hole.
  THoleList HoleList() const;
  // Rewrites the section "HoleList" of the per-document file.
  void SavePadStackHoles(const std::string& file_name) const;

 private:
  void AddViaStylePadStacks(sdk::Handle rule, TViaStyleAssociationList* via_styles,
                            const TTestPointExpansion& test_points);
  // The padstacks of the rules that dominate the board's nets and from-tos.
  void AddDominantViaStylePadStacks(const sdk::TPcbBoard& board,
                                    TViaStyleAssociationList* via_styles,
                                    const TTestPointExpansion& test_points);
  void WriteShapes(DesignFileOutput& out, const TPadStack& stack, const sdk::TPcbBoard& board,
                   const std::vector<int>& undeclared) const;
  std::string ComposeName(int number) const;

  struct TKnownShape {
    TPadStackShape shape;
    int number = -1;  // -1 for an empty slot
  };
  TKnownShape& KnownSlot(const TPadStackShape& shape);
  void KeepKnown(const TPadStackShape& shape, int number);

  sdk::Handle board_;
  std::vector<std::unique_ptr<TPadStack>> items_;
  // The number found for each exact shape: a board has many pads of few shapes, and matching
  // each pad against every padstack before it grows with both. Padstacks are only added and
  // keep their shapes, so the first that matches a shape stays the first. A shape that does not
  // match itself (a rotation that is not a number) is never found and never kept.
  std::vector<TKnownShape> known_shapes_;  // open addressing, at most half full
  size_t known_count_ = 0;
  TKnownShape last_found_;  // the shape found last, with its number
  // The name of each item, composed again whenever the item changes: vias and nets ask for the
  // names over and over.
  std::vector<std::string> names_;
  // UseViaList's answers by rule, forgotten whenever the list changes.
  mutable std::unordered_map<sdk::Handle, std::string> use_via_lists_;
  // Via-style rules whose padstacks are in the list: every net of a board may name the same rule,
  // and its padstacks would only be found again.
  std::unordered_set<sdk::Handle> via_style_rules_;
};

// The short name of a layer in padstack names: "T", "M1".."M30", "B", "I1".."I16", else "".
std::string PadStackLayerText(int layer);

// One "(shape ...)" statement (or three for an oblong) for a shape code, sizes and layer; other
// codes than round, octagon, rectangle and rounded rectangle, and sizes of 0, write nothing.
void WritePadStackShape(DesignFileOutput& out, uint8_t shape, int32_t x_size, int32_t y_size,
                        int layer);

// The rule's name; "ERROR Retrieving Rule Name" when the host cannot tell.
std::string GetRuleName(sdk::Handle rule);

// The list of the running export.
TPadStackList* PadStackListGlobal();
TPadStackList& CreatePadStackList(sdk::Handle board);
void FreePadStackList();

}  // namespace router

namespace router {

// Test-point choices of the set-up dialog, read when the padstacks are collected: the growth of
// a test-point via's outer sizes (0 = no test-point vias) and the legacy layers (1, 32) that
// take test points.
int32_t& TestPointExpansionGlobal();
std::vector<int>& TestPointLayersGlobal();

// Sets the two globals above as the set-up dialog does when it is confirmed with `settings`
// shown: the side's layers and the expansion as its edit shows it (a length text in the board's
// unit, read back), when test-point styles are on; else no layers and no expansion.
void ApplyTestPointSettings(const TRouterSettings& settings, bool imperial);

// The test-point globals of one command: applied at its start, cleared at its end.
class TTestPointSettingsScope {
 public:
  TTestPointSettingsScope(const TRouterSettings& settings, bool imperial) {
    ApplyTestPointSettings(settings, imperial);
  }
  ~TTestPointSettingsScope() { ApplyTestPointSettings(TRouterSettings{}, true); }
  TTestPointSettingsScope(const TTestPointSettingsScope&) = delete;
  TTestPointSettingsScope& operator=(const TTestPointSettingsScope&) = delete;
};

}  // namespace router
