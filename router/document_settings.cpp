// Per-board settings beside the board file.
#include "router/document_settings.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "sdk/common_utils.h"
#include "sdk/file_ownership.h"
#include "framework/exception.h"
#include "framework/ini_file.h"
#include "sdk/pcb_api.h"
#include "sdk/pcb_board.h"
#include "sdk/number_text.h"

namespace router {

namespace {

constexpr std::string_view kDirectionWords[kDirectionCount] = {
    "horizontal",        "vertical", "orthogonal", "positive_diagonal",
    "negative_diagonal", "diagonal", "off"};
constexpr char kHoleListSection[] = "HoleList";
constexpr char kDirectionsSection[] = "LayerDirections";
constexpr int kLastSignalLayer = kBottomLayer;
constexpr int32_t kDefaultHoleSize = 280000;  // 28 mil

std::unique_ptr<THoleList> hole_list_global;
TDocumentSaveScope* document_save_scope = nullptr;

bool SameWordInUserLocale(std::string_view a, std::string_view b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

// Puts the lines ("key=value") into the section in place of what it holds, unless it holds them
// already: a section erased and written again moves to the file's end, so the directions and the
// hole list, saved one after the other, would swap places and the file be written twice at every
// export of an unchanged board. `kept_empty`: the section stays, as a choice, without lines.
void StoreSection(framework::IniFile& ini, const char* section,
                  const std::vector<std::string>& lines, bool kept_empty) {
  const bool wanted = kept_empty || !lines.empty();
  if (ini.HasSection(section) == wanted && ini.ReadSectionValues(section) == lines) return;
  ini.EraseSection(section);
  if (kept_empty) ini.WriteSection(section);
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    ini.WriteString(section, line.substr(0, equals),
                    equals == std::string::npos ? "" : line.substr(equals + 1));
  }
}

}  // namespace

std::string_view DirectionText(int direction) {
  return direction >= 0 && direction < kDirectionCount ? kDirectionWords[direction]
                                                       : kDirectionWords[6];
}

TRoutingDirection DirectionFromText(std::string_view word) {
  for (int i = 0; i < 6; ++i) {
    if (SameWordInUserLocale(word, kDirectionWords[i])) return static_cast<TRoutingDirection>(i);
  }
  return TRoutingDirection::Off;
}

std::string& RouteFileNameGlobal() {
  static std::string route_file_name;
  return route_file_name;
}

std::string ChangeFileExtension(const std::string& name, std::string_view extension) {
  const size_t separator = name.find_last_of("\\/:");
  const size_t dot = name.find_last_of('.');
  const bool has_extension =
      dot != std::string::npos && (separator == std::string::npos || dot > separator);
  return (has_extension ? name.substr(0, dot) : name) + std::string(extension);
}

std::string PerDocumentFileName(const std::string& board_file_name) {
  const std::string& route = RouteFileNameGlobal();
  if (!route.empty()) {
    const std::string beside_route = ChangeFileExtension(route, ".qixpref");
    if (sdk::FileExists(beside_route)) return beside_route;
  }
  return ChangeFileExtension(board_file_name, ".qixpref");
}

void ChangeDocumentSettings(const std::string& file_name,
                            const std::function<void(framework::IniFile&)>& change) {
  try {
    framework::IniFile ini(file_name);
    change(ini);
    sdk::SaveIniFile(ini);
  } catch (const framework::Exception& e) {
    if (!document_save_scope) throw;
    document_save_scope->Keep(e.what());
  }
}

TDocumentSaveScope::TDocumentSaveScope() : outer_(std::exchange(document_save_scope, this)) {}

TDocumentSaveScope::~TDocumentSaveScope() { document_save_scope = outer_; }

void TDocumentSaveScope::Keep(const std::string& failure) {
  if (std::find(failures_.begin(), failures_.end(), failure) == failures_.end()) {
    failures_.push_back(failure);
  }
}

void TDocumentSaveScope::Warn() {
  if (failures_.empty()) return;
  std::string message;
  for (const std::string& failure : std::exchange(failures_, {})) {
    message += failure + (failure.ends_with('.') ? "\n" : ".\n");
  }
  sdk::ShowWarningMessage(message +
                          "The export went on without them: the layer directions, via-style "
                          "drill pairs and hole sizes of this board were not saved.");
}

TQixDocumentSetings::TQixDocumentSetings(uint32_t board) : board_(board) {
  sdk::TPcbBoard host_board(board);
  host_board.Sync(1);
  board_file_name_ = host_board.GetFileName();
  LoadLayerDirections(framework::IniFile(PerDocumentFileName(board_file_name_)));
}

TRoutingDirection TQixDocumentSetings::Direction(int legacy_layer) const {
  return legacy_layer >= 1 && legacy_layer <= kLastSignalLayer ? directions_[legacy_layer - 1]
                                                               : TRoutingDirection::Off;
}

void TQixDocumentSetings::SetDirection(int legacy_layer, TRoutingDirection direction) {
  if (legacy_layer >= 1 && legacy_layer <= kLastSignalLayer) {
    directions_[legacy_layer - 1] = direction;
  }
}

void TQixDocumentSetings::LoadLayerDirections(const framework::IniFile& ini) {
  std::fill(std::begin(directions_), std::end(directions_), TRoutingDirection::Off);
  // A section without keys holds a choice too: every layer "off".
  if (!ini.HasSection(kDirectionsSection)) {
    SetDefaultDirections();
    return;
  }
  for (int layer = 1; layer <= kLastSignalLayer; ++layer) {
    const std::string name(sdk::LegacyLayerNames[static_cast<size_t>(layer)]);
    directions_[layer - 1] = DirectionFromText(ini.ReadString(kDirectionsSection, name, "off"));
  }
}

void TQixDocumentSetings::SetDefaultDirections() {
  sdk::TPcbBoard board(board_);
  board.Sync(1);
  bool horizontal = true;
  for (const sdk::TLayerObject* layer : board.StackLayers()) {
    if (layer->GetLayer() < 1 || layer->GetLayer() > kLastSignalLayer) continue;  // planes
    directions_[layer->GetLayer() - 1] =
        horizontal ? TRoutingDirection::Horizontal : TRoutingDirection::Vertical;
    horizontal = !horizontal;
  }
}

void TQixDocumentSetings::SaveLayerDirections(framework::IniFile& ini) const {
  std::vector<std::string> lines;
  for (int layer = 1; layer <= kLastSignalLayer; ++layer) {
    const TRoutingDirection direction = directions_[layer - 1];
    if (direction == TRoutingDirection::Off) continue;
    lines.push_back(std::string(sdk::LegacyLayerNames[static_cast<size_t>(layer)]) + "=" +
                    std::string(DirectionText(static_cast<int>(direction))));
  }
  // No lines is a choice too: every layer "off".
  StoreSection(ini, kDirectionsSection, lines, true);
}

void TQixDocumentSetings::Save() const {
  ChangeDocumentSettings(PerDocumentFileName(board_file_name_),
                         [this](framework::IniFile& ini) { SaveLayerDirections(ini); });
}

TQixDocumentSetings*& DocumentSettingsGlobal() {
  static TQixDocumentSetings* settings = nullptr;
  return settings;
}

int THoleList::AddHole(const std::string& key, int32_t size) {
  lines_.push_back(key + "=" + std::to_string(size));
  return static_cast<int>(lines_.size()) - 1;
}

int32_t THoleList::HoleSize(const std::string& key) const {
  const TStoredHole stored = FindHole(key);
  return stored.state == TStoredHole::State::Usable ? stored.size : kDefaultHoleSize;
}

TStoredHole THoleList::FindHole(const std::string& key) const {
  for (const std::string& line : lines_) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos || line.compare(0, equals, key) != 0 || equals != key.size()) {
      continue;
    }
    int32_t size = 0;
    if (sdk::ParseInt32(std::string_view(line).substr(equals + 1), size) && size > 0) {
      return {TStoredHole::State::Usable, size, {}};
    }
    return {TStoredHole::State::Unusable, 0, line};
  }
  return {};
}

void THoleList::LoadHoleList(const std::string& file_name) {
  lines_.clear();
  if (!sdk::FileExists(file_name)) return;
  lines_ = framework::IniFile(file_name).ReadSectionValues(kHoleListSection);
}

void THoleList::SaveHoleList(const std::string& file_name) const {
  ChangeDocumentSettings(file_name, [this](framework::IniFile& ini) {
    StoreSection(ini, kHoleListSection, lines_, false);
  });
}

THoleList* HoleListGlobal() { return hole_list_global.get(); }
void RecreateHoleList() { hole_list_global = std::make_unique<THoleList>(); }
void FreeHoleList() { hole_list_global.reset(); }

}  // namespace router
