// The design-file writer: reads the current board, works out the board-wide rule defaults,
// writes the design file section by section into a temporary file and puts it onto the ".dsn"
// file in one step.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "router/design_file_output.h"
#include "router/library_images.h"
#include "router/network_nets.h"
#include "router/network_section.h"
#include "router/writer_rule_queries.h"
#include "router/rule_tables.h"

namespace router {

class TBoard;

// The section being written; the object writers of the later sections decide by it whether an
// object becomes a keep-out (structure) or a wire (wiring).
enum class TDesignSection : uint8_t {
  Header = 0,
  Structure = 1,
  Placement = 2,
  Library = 3,
  Network = 4,
  Wiring = 5
};

class TSpecctraFileSaver {
 public:
  TSpecctraFileSaver();
  ~TSpecctraFileSaver();
  TSpecctraFileSaver(const TSpecctraFileSaver&) = delete;
  TSpecctraFileSaver& operator=(const TSpecctraFileSaver&) = delete;

  // Writes "<file name without extension>.dsn" for the current board. False when pins with a
  // net have names that are not unique in their component (the file is written; the lines are
  // in DuplicatePins()). Raises EDesignFileError, naming the design file and the cause, when the
  // file cannot be written, also when another user holds its lock (who is named in the host's
  // notice too); an existing design file then stays as it was and no temporary file is left.
  bool WriteDesignFile(const std::string& file_name, const TOvixRuleQueries& rules);

  // "<designator>-<pin> (Net=<net>)" for each pin with a net whose name its component repeats.
  const std::vector<std::string>& DuplicatePins() const { return warnings_; }

  // ---- What the sections read ----
  TDesignSection CurrentSection() const { return section_; }
  int32_t BoardClearance() const { return board_clearance_; }
  int32_t LargestRuleClearance() const { return largest_rule_clearance_; }
  int32_t BoardWidth() const { return board_width_; }
  int32_t BoardViaLimit() const { return board_via_limit_; }
  int32_t PriorityRuleCount() const { return priority_rule_count_; }
  const TWidthTable& BoardLayerWidths() const { return board_layer_widths_; }
  bool NetNamesUnique() const { return net_names_unique_; }

 private:
  // Writes the design file with the string quote given, or with the one the title and the nets
  // need. Without one given, a file whose other names need another is not kept: that quote is
  // returned instead, for the file to be written again with it.
  std::optional<char> Write(const std::string& file_name, std::optional<char> string_quote);
  // Whether the nets' names differ as the router reads them; a message when they do not.
  void CheckNetNamesUnique();
  void ComputeBoardDefaults();
  void ComputeBoardLayerWidths();
  // The steps Progress() is called for: the structure, the placement, each component in the
  // placement and the library, each net in the network.
  int CountProgressSteps() const;
  void Progress() const;
  // Hands the text ended so far to the file: a section's end shows in the file when it is done.
  void Flush();

  // The file's identifier, and the string quote (when not 0) that its names need.
  void WriteHeader(const std::string& title, char string_quote);
  void WriteResolution();
  void WriteStructure();
  void WritePlacement();
  void WriteLibrary();
  void WriteNetwork();
  void WriteWiring();

  const TOvixRuleQueries* rules_ = nullptr;
  std::unique_ptr<TBoard> board_;
  TDesignSection section_ = TDesignSection::Header;
  int32_t board_clearance_ = 0;
  int32_t largest_rule_clearance_ = 0;
  int32_t board_width_ = 0;
  int32_t board_via_limit_ = -1;
  int32_t priority_rule_count_ = 0;
  TWidthTable board_layer_widths_{"Board Level Layer Track Widths"};
  TLayerFlags board_routing_layers_{};  // set by the structure section
  bool net_names_unique_ = true;
  std::vector<TBoardNet> nets_;                 // read once: the names' check, progress, network
  TNetPadCounts net_pad_counts_;                // found by the network section, used by the wiring
  std::vector<TComponentPads> component_pads_;  // read by the library, used by the network
  std::vector<TComponentSummary> placed_;       // read by the placement, used by the library
  std::vector<std::string> warnings_;

  DesignFileOutput out_;
  DesignFileStream* file_ = nullptr;  // open while Write runs
};

// Writes the design file named after `file_name` with a writer of its own: false only for
// duplicated pins, whose lines `duplicate_pins` (when given) receives and which are then shown in
// the duplicate-pins report; a write failure raises. `in_place` (when given) runs once the design
// file is in place, before the report: what must change only with the design file goes there.
bool SaveDesignFile(const std::string& file_name, const TOvixRuleQueries& rules,
                    std::vector<std::string>* duplicate_pins = nullptr,
                    const std::function<void()>& in_place = {});

}  // namespace router
