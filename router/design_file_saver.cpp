// The design-file writer frame.
#include "router/design_file_saver.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/win/text.h"
#include "sdk/ascii_case.h"
#include "router/design_file_names.h"
#include "router/design_file_temporaries.h"
#include "router/document_settings.h"
#include "router/duplicate_pins_form.h"
#include "router/library_images.h"
#include "router/name_index.h"
#include "router/network_section.h"
#include "router/object_clearance.h"
#include "router/writer_rule_queries.h"
#include "router/padstack.h"
#include "router/router_board.h"
#include "router/structure_section.h"
#include "router/via_styles.h"
#include "router/wiring_section.h"
#include "sdk/common_utils.h"
#include "sdk/file_ownership.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/rt_param.h"
#include "sdk/units.h"

namespace router {

namespace {

constexpr size_t kFlushSize = 1 << 18;
constexpr uint8_t kClearanceRule = 0;
constexpr uint8_t kWidthRule = 2;
constexpr uint8_t kRoutingPriorityRule = 8;
constexpr uint8_t kMaximumViaCountRule = 18;
// Router scope kinds of the board-level width rule: the whole board and one layer.
constexpr int kPcbScope = 1, kLayerScope = 2;
constexpr int32_t kFallbackBoardWidth = 50000;  // 5 mil

// The host's file-name extraction: what follows the last folder or drive separator.
std::string ExtractFileName(const std::string& path) {
  const size_t separator = path.find_last_of("\\/:");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

void DeleteFileIfPresent(const std::string& path) {
  if (!path.empty()) DeleteFileW(win::Widen(path).c_str());
}

// Ends the host's progress display however the export ends.
class ProgressScope {
 public:
  ProgressScope(const std::string& text, int total) {
    const pcbapi::Text255 message = sdk::MakeText<255>(text);
    sdk::PcbApi_Percent_Init(&message, total);
  }
  ~ProgressScope() { sdk::PcbApi_Percent_Finish(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
};

class PadStackListScope {
 public:
  explicit PadStackListScope(sdk::Handle board) : list_(CreatePadStackList(board)) {}
  ~PadStackListScope() { FreePadStackList(); }
  PadStackListScope(const PadStackListScope&) = delete;
  PadStackListScope& operator=(const PadStackListScope&) = delete;
  TPadStackList& list() { return list_; }

 private:
  TPadStackList& list_;
};

TTestPointExpansion TestPointChoice() {
  TTestPointExpansion choice;
  const std::vector<int>& layers = TestPointLayersGlobal();
  if (TestPointExpansionGlobal() <= 0 || layers.empty()) return choice;
  choice.expansion = TestPointExpansionGlobal();
  for (const int layer : layers) {
    if (layer == kTopLayer) choice.top = true;
    if (layer == kBottomLayer) choice.bottom = true;
  }
  return choice;
}

int32_t RoundSetting(double units) { return sdk::RoundMilsToCoord(units / sdk::kUnitsPerMil); }

}  // namespace

// A write per statement would cost the system more than its text, and a whole section held in
// memory grows with the board: the text goes to the file in pieces.
TSpecctraFileSaver::TSpecctraFileSaver()
    : out_(kFlushSize, [this](std::string_view text) { file_->Send(text); }) {}
TSpecctraFileSaver::~TSpecctraFileSaver() = default;

bool TSpecctraFileSaver::WriteDesignFile(const std::string& file_name,
                                         const TOvixRuleQueries& rules) {
  warnings_.clear();
  rules_ = &rules;
  // The board and the open file belong to this run only, however it ends.
  struct RunScope {
    TSpecctraFileSaver& saver;
    ~RunScope() {
      saver.file_ = nullptr;
      saver.board_.reset();
    }
  } run{*this};
  // The header declares the string quote before the names it serves are written: when a name
  // beyond the title and the nets needs another (a footprint named with an inch mark, say), the
  // file is written again under that one.
  if (const std::optional<char> needed = Write(file_name, std::nullopt)) {
    warnings_.clear();
    Write(file_name, needed);
  }
  return warnings_.empty();
}

std::optional<char> TSpecctraFileSaver::Write(const std::string& file_name,
                                              std::optional<char> string_quote) {
  board_ = std::make_unique<TBoard>(sdk::PcbApi_GetCurrentBoardHandle());
  board_->Sync(pcbapi::kRead);
  // The layers section names the stack's layers; without a stack the copper and padstacks on
  // the other layers would stand on layers the file never declares.
  if (!board_->HasLayerStack()) {
    throw EDesignFileError(
        "The board has no layer stack, so the design file could not declare the layers its "
        "copper is on: nothing was written. Give the board a layer stack and export again.");
  }
  // Without an outline the boundary is what the board holds; holding nothing, it would be a
  // boundary of no size, in which the router routes nothing and says nothing.
  sdk::Coord x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  board_->GetBoundingRectangle(&x1, &y1, &x2, &y2);
  if (x2 <= x1 || y2 <= y1) {
    throw EDesignFileError(
        "The board has no outline and no copper, so the design file's boundary would have no "
        "size and the router nothing to route in: nothing was written. Draw the board's outline "
        "and export again.");
  }
  RemoveMarkedEmbeddedObjects(*board_);
  net_pad_counts_ = {};
  component_pads_.clear();
  placed_.clear();
  nets_ = ReadBoardNets(*board_);
  CheckNetNamesUnique();

  const ProgressScope progress(
      ("Saving " + file_name + " (QIX Design)").substr(0, sdk::kShortTextLength),
      CountProgressSteps());

  const std::string target = ChangeFileExtension(file_name, ".dsn");
  RemoveStaleDesignFiles();
  const std::string temporary = sdk::CreateTempFileName();
  if (temporary.empty()) {
    throw EDesignFileError(sdk::FileWriteFailure("the design file", target,
                                                 sdk::TemporaryFileFailure({}, GetLastError())));
  }
  // Whatever ends the writing early, the temporary file goes with it.
  struct TemporaryFile {
    const std::string& path;
    bool kept = false;
    ~TemporaryFile() {
      if (!kept) DeleteFileIfPresent(path);
    }
  } temporary_file{temporary};
  // Closed before the temporary file is deleted.
  DesignFileStream file(temporary, target);
  file_ = &file;

  // Outside the export command (which builds the via-style list for the board) the writer builds
  // one of its own.
  struct OwnViaStyles {
    bool built;
    ~OwnViaStyles() {
      if (built) FreeViaStyleList();
    }
  } own_via_styles{GetViaStyleList() == nullptr};
  if (own_via_styles.built) BuildViaStyleList(board_->GetHandle());

  PadStackListScope padstacks(board_->GetHandle());
  padstacks.list().CollectPadStacks(*board_, RoundSetting(board_->settings.default_via_size),
                                    RoundSetting(board_->settings.default_via_hole),
                                    GetViaStyleList(), TestPointChoice());

  out_.Lower(out_.Level());
  ComputeBoardDefaults();

  TakeEscapedNameQuotes();  // from here on, the names the file holds
  std::string title = ExtractFileName(board_->GetFileName());
  ReplaceAllText(title, " ", "_");
  title = EscapeName(title);
  std::vector<std::string_view> names = {title};
  for (const TBoardNet& net : nets_) names.push_back(net.name);
  const char declared = string_quote ? *string_quote : DeclaredStringQuote(names);
  WriteHeader(title, declared);
  WriteResolution();
  WriteStructure();
  WritePlacement();
  WriteLibrary();
  WriteNetwork();
  WriteWiring();
  out_.Lower(out_.Level());
  out_.Line(")");
  Flush();
  file.Close();
  file_ = nullptr;
  // With every quote held by some name none serves, and the file stays as it is.
  const char needed = DeclaredStringQuote(TakeEscapedNameQuotes());
  if (!string_quote && needed != 0 && needed != declared) return needed;

  std::string failure;
  // Any export makes the design file again.
  const bool replaced =
      sdk::ReplaceFileWithOwnershipCheck(temporary, target, &failure, sdk::ReplaceSafety::kRemade);
  temporary_file.kept = replaced;
  if (!replaced) {
    throw EDesignFileError(sdk::FileWriteFailure("the design file", target,
                                                 sdk::ReplaceFailureCause(target, failure)));
  }
  padstacks.list().SavePadStackHoles(PerDocumentFileName(board_->GetFileName()));
  return std::nullopt;
}

void TSpecctraFileSaver::Flush() { out_.Send(); }

void TSpecctraFileSaver::Progress() const { sdk::PcbApi_Percent_Update(); }

int TSpecctraFileSaver::CountProgressSteps() const {
  int components = 0;
  board_->IterateObjects([&](sdk::Handle) { ++components; }, 1u << pcbapi::kComponent,
                         sdk::LayerZero(), pcbapi::kAllObjects);
  return 2 + 2 * components + static_cast<int>(nets_.size());
}

void TSpecctraFileSaver::CheckNetNamesUnique() {
  // Names as the router will read them: escaped, and without regard to case. A net the board's
  // walk met twice is no second net of its name.
  std::vector<std::string> names(nets_.size());
  for (size_t i = 0; i < nets_.size(); ++i) {
    AppendEscapedName(names[i], nets_[i].name);
    for (char& c : names[i]) c = sdk::FoldAscii(c);
  }
  const NameIndex first_of_name(names);
  net_names_unique_ = true;
  for (size_t i = 0; i < names.size() && net_names_unique_; ++i) {
    net_names_unique_ = nets_[*first_of_name.Find(names[i])].handle == nets_[i].handle;
  }
  if (!net_names_unique_) {
    sdk::ShowInformationMessage("Net names are not unique. Specctra will merge them.");
  }
}

void TSpecctraFileSaver::ComputeBoardDefaults() {
  priority_rule_count_ = 0;
  largest_rule_clearance_ = 0;
  board_width_ = 0;
  board_via_limit_ = -1;
  std::string widthless;  // the names of width rules that give no width
  board_->IterateObjects(
      [&](sdk::Handle handle) {
        sdk::TPcbRuleEx rule(handle);
        if (rule.Sync(pcbapi::kRead) != pcbapi::kSuccess) return;
        const bool whole_board = sdk::EqualsIgnoringCase(rule.GetScope1(), "All");
        switch (rule.GetRuleKind()) {
          case kRoutingPriorityRule: ++priority_rule_count_; break;
          case kClearanceRule: {
            sdk::Coord gap = 0;
            if (sdk::PcbApi_QueryRuleClearanceConstraint(pcbapi::kRead, handle, &gap) ==
                    pcbapi::kSuccess &&
                gap > largest_rule_clearance_) {
              largest_rule_clearance_ = gap;
            }
            break;
          }
          case kWidthRule: {
            sdk::Coord max = 0, min = 0, preferred = 0;
            if (sdk::PcbApi_QueryRuleMaxMinWidthConstraintExt(pcbapi::kRead, handle, &max, &min,
                                                              &preferred) != pcbapi::kSuccess) {
              break;
            }
            if (preferred <= 0) widthless += (widthless.empty() ? "" : ", ") + rule.Name();
            if (whole_board) board_width_ = preferred;
            break;
          }
          case kMaximumViaCountRule:
            if (whole_board) {
              int32_t count = -1;
              if (sdk::PcbApi_QueryRuleMaximumViaCountRule(pcbapi::kRead, handle, &count) ==
                  pcbapi::kSuccess) {
                board_via_limit_ = count;
              }
            }
            break;
          default: break;
        }
      },
      1u << pcbapi::kRule, sdk::LayerZero(), pcbapi::kAllObjects);
  board_clearance_ = largest_rule_clearance_;
  if (board_width_ <= 0) board_width_ = kFallbackBoardWidth;
  if (!widthless.empty()) {
    sdk::ShowWarningMessage(
        "These width rules give no width, so the design file leaves them out "
        "and the router routes their wires as the rules around them say: " +
        widthless + ".");
  }
  ComputeBoardLayerWidths();
}

void TSpecctraFileSaver::ComputeBoardLayerWidths() {
  board_layer_widths_.Reset();
  // A track the host never sees on the board, moved from layer to layer, asks which width rule
  // applies there.
  const sdk::Handle handle = sdk::PcbApi_CreateObject(pcbapi::kTrack);
  if (handle == 0) return;
  struct Probe {
    sdk::Handle handle;
    ~Probe() {
      sdk::PcbApi_SetOwnerBoard(0, handle);
      sdk::PcbApi_DestroyObject(handle);
    }
  } probe{handle};
  sdk::TPcbTrack track(handle);
  track.Sync(pcbapi::kRead);
  sdk::PcbApi_SetOwnerBoard(board_->GetHandle(), handle);
  for (int layer = kTopLayer; layer <= kBottomLayer; ++layer) {
    const sdk::TLayerObject* object = board_->GetLayerObject(static_cast<sdk::LegacyLayer>(layer));
    if (!object || !object->IsInLayerStack()) continue;
    track.SetLayer(static_cast<sdk::LegacyLayer>(layer));
    track.Sync(pcbapi::kWrite);
    const sdk::Handle rule = rules_->FindRuleForObject(handle, kWidthRule, kPcbScope, kLayerScope);
    if (rule == 0) continue;
    sdk::Coord max = 0, min = 0, preferred = 0;
    if (sdk::PcbApi_QueryRuleMaxMinWidthConstraintByLayer(
            pcbapi::kRead, rule, static_cast<sdk::LegacyLayer>(layer), &max, &min, &preferred) !=
        pcbapi::kSuccess) {
      continue;
    }
    TOvixRuleValue& entry = board_layer_widths_.Entry(layer);
    entry.value = preferred;
    entry.rule_handle = rule;
  }
}

void TSpecctraFileSaver::WriteHeader(const std::string& title, char string_quote) {
  section_ = TDesignSection::Header;
  // A board without a file name still needs an identifier here.
  out_.Line("(pcb " + (title.empty() ? std::string("PCB") : title));
  out_.Raise();
  if (string_quote == 0) return;
  out_.Line("(parser");
  out_.Raise();
  out_.Line(std::string("(string_quote ") + string_quote + ")");
  out_.Lower();
  out_.Line(")");
}

void TSpecctraFileSaver::WriteResolution() { out_.Line("(resolution MIL 10000)"); }

void TSpecctraFileSaver::WriteStructure() {
  section_ = TDesignSection::Structure;
  TStructureContext context;
  context.board_clearance = board_clearance_;
  context.board_width = board_width_;
  context.board_via_limit = board_via_limit_;
  context.board_layer_widths = &board_layer_widths_;
  context.padstacks = PadStackListGlobal();
  context.rules = &rules_->collection();
  context.progress = [this] { Progress(); };
  board_routing_layers_ = WriteStructureSection(out_, *board_, context);
  Flush();
}

void TSpecctraFileSaver::WritePlacement() {
  section_ = TDesignSection::Placement;
  router::WritePlacement(
      out_, *board_, [this] { Progress(); }, &placed_);
  Flush();
}

void TSpecctraFileSaver::WriteLibrary() {
  section_ = TDesignSection::Library;
  TLibraryContext context;
  context.padstacks = PadStackListGlobal();
  context.minimize_pads = board_->settings.minimize_pads;
  context.warnings = &warnings_;
  context.progress = [this] { Progress(); };
  context.component_pads = &component_pads_;
  context.components = &placed_;
  router::WriteLibrary(out_, *board_, context);
  placed_ = {};
  Flush();
}

void TSpecctraFileSaver::WriteNetwork() {
  section_ = TDesignSection::Network;
  TNetworkContext context;
  context.rules.board = board_.get();
  context.rules.rules = rules_;
  context.rules.padstacks = PadStackListGlobal();
  context.rules.board_widths = &board_layer_widths_;
  context.rules.board_width = board_width_;
  context.rules.board_via_limit = board_via_limit_;
  context.rules.priority_rule_count = priority_rule_count_;
  context.rules.board_layers = board_routing_layers_;
  context.rules.circuit = board_->settings.adv_feature;
  context.rules.emit_use_via = board_->settings.emit_use_via;
  const THostRuleConstraintQuery gaps;
  TObjectClearanceMatrices clearances(rules_->collection(), gaps, board_->GetHandle());
  context.rules.clearance_matrix = [&clearances](sdk::Handle object, int layer, int scope,
                                                 int on_layer_scope) {
    return clearances.Build(object, layer, scope, on_layer_scope);
  };
  context.settings = board_->settings;
  context.progress = [this] { Progress(); };
  context.pad_counts = &net_pad_counts_;
  context.component_pads = &component_pads_;
  context.nets = &nets_;
  router::WriteNetwork(out_, context);
  component_pads_ = {};
  nets_ = {};
  Flush();
}

void TSpecctraFileSaver::WriteWiring() {
  section_ = TDesignSection::Wiring;
  WriteWiringSection(out_, *board_, board_->settings, PadStackListGlobal(),
                     std::move(net_pad_counts_));
  Flush();
}

bool SaveDesignFile(const std::string& file_name, const TOvixRuleQueries& rules,
                    std::vector<std::string>* duplicate_pins,
                    const std::function<void()>& in_place) {
  SetLastError(ERROR_SUCCESS);  // no stale file error from before
  TSpecctraFileSaver saver;
  const bool result = saver.WriteDesignFile(file_name, rules);
  if (in_place) in_place();
  if (duplicate_pins) *duplicate_pins = saver.DuplicatePins();
  // The design file is in place: the router would reject these pins.
  if (!saver.DuplicatePins().empty()) ShowDuplicatePins(saver.DuplicatePins());
  return result;
}

}  // namespace router
