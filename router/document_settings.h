// Settings that belong to one board, in the ini file beside it ("<board>.qixpref"): the routing
// direction of each signal layer and the hole sizes of the exported padstacks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ini_file.h"
#include "router/legacy_layer.h"

namespace router {

// Routing directions of a layer, as the design file spells them.
enum class TRoutingDirection : uint8_t {
  Horizontal = 0,
  Vertical = 1,
  Orthogonal = 2,
  PositiveDiagonal = 3,
  NegativeDiagonal = 4,
  Diagonal = 5,
  Off = 6,
};
constexpr int kDirectionCount = 7;

// "horizontal" .. "off"; any other value is "off".
std::string_view DirectionText(int direction);
// The first word 0..5 that matches, ignoring case; anything else is Off.
TRoutingDirection DirectionFromText(std::string_view word);

// The route file being imported; empty outside an import.
std::string& RouteFileNameGlobal();

// "<board>.qixpref"; during an import the route file's ".qixpref" when it exists.
std::string PerDocumentFileName(const std::string& board_file_name);

// Reads the per-document file, lets `change` change it and saves it in one step. Raises, naming
// the file and the cause, when it cannot be read or written; inside a TDocumentSaveScope the
// failure is kept for the scope's warning instead, and the file stays as it was.
void ChangeDocumentSettings(const std::string& file_name,
                            const std::function<void(framework::IniFile&)>& change);

// An export: the per-document file beside the board may be impossible to write (a read-only
// folder, another user's lock) while the design file can be. The export goes on, and the user
// hears once that the board's settings were not saved.
class TDocumentSaveScope {
 public:
  TDocumentSaveScope();
  ~TDocumentSaveScope();
  TDocumentSaveScope(const TDocumentSaveScope&) = delete;
  TDocumentSaveScope& operator=(const TDocumentSaveScope&) = delete;

  // Shows one warning with each failure kept so far, if any, and forgets them.
  void Warn();
  void Keep(const std::string& failure);

 private:
  TDocumentSaveScope* outer_;
  std::vector<std::string> failures_;
};

// The name with its extension (after the last "." of the file part) replaced; an empty
// extension removes it.
std::string ChangeFileExtension(const std::string& name, std::string_view extension);

// The routing direction of each signal layer (legacy 1..32) of one board, read from the
// per-document file at creation and written back by `Save`. The class keeps the system's
// spelling of its name, so that a reader finds it by that name.
class TQixDocumentSetings {
 public:
  // Reads the board's file name and the section "LayerDirections"; without the section, signal
  // layers alternate horizontal and vertical down the layer stack.
  explicit TQixDocumentSetings(uint32_t board);

  TRoutingDirection Direction(int legacy_layer) const;
  void SetDirection(int legacy_layer, TRoutingDirection direction);

  void LoadLayerDirections(const framework::IniFile& ini);
  // Rewrites the section with every layer that is not Off (in memory).
  void SaveLayerDirections(framework::IniFile& ini) const;
  // Saves to the per-document file of the board's file name, replacing it in one step; raises
  // naming the file and the cause when it cannot, leaving the file as it was.
  void Save() const;

 private:
  void SetDefaultDirections();

  uint32_t board_;
  std::string board_file_name_;
  TRoutingDirection directions_[kBottomLayer];  // legacy signal layers 1..32
};

// The per-document settings of the running export; null outside one.
TQixDocumentSetings*& DocumentSettingsGlobal();

// What a hole list holds under one key.
struct TStoredHole {
  enum class State { Missing, Usable, Unusable } state = State::Missing;
  int32_t size = 0;  // when usable: a positive number of units
  std::string line;  // when unusable: the key's "key=value" line, to tell the user
};

// Hole sizes of padstacks by padstack index, as "key=size" lines in section "HoleList".
class THoleList {
 public:
  int AddHole(const std::string& key, int32_t size);
  // The stored size; 28 mil when it is missing or no hole a via can have.
  int32_t HoleSize(const std::string& key) const;
  // The first line of the key. A size is usable when it is a decimal integer above 0: a hand-made
  // or damaged list may hold anything, and a negative hole would reach the board.
  TStoredHole FindHole(const std::string& key) const;
  void LoadHoleList(const std::string& file_name);
  // Rewrites the section "HoleList" of the file in one step; raises when it cannot.
  void SaveHoleList(const std::string& file_name) const;
  const std::vector<std::string>& Lines() const noexcept { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// The hole list of the running import.
THoleList* HoleListGlobal();
void RecreateHoleList();
void FreeHoleList();

}  // namespace router
