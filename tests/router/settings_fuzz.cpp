// Damaged settings files and hole lists, and what the module must make of them.
#include "settings_fuzz.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <string_view>
#include <vector>

#include "framework/ini_file.h"
#include "router/document_settings.h"
#include "router/route_import.h"
#include "router/router_board.h"
#include "router/router_settings.h"
#include "sdk/file_ownership.h"
#include "sdk/pcb_object_kinds.h"
#include "sdk/quorvel_session.h"
#include "sdk/units.h"

namespace fuzz {

namespace {

using namespace std::string_view_literals;

constexpr int kHoleKeys = 12;  // padstacks Via0..Via11
constexpr double kLengthLimit = 999990000;

const std::string kSeedFile =
    "; settings of the router and of one board\r\n"
    "[SpecctraSetup]\r\n"
    "ProtectPreRoutes=0\r\nAdv10=1\r\nWireGrid=20mil\r\nViaGrid=0.5mm\r\nTestPointSide=1\r\n"
    "TestPointExpansion=4mil\r\nDefaultViaSize=50mil\r\nDefaultViaHole=28mil\r\n"
    "SplitPlaneEdgeWidth=10mil\r\nExportPolygons=1\r\n"
    "[UserNotes] ; notes\r\n"
    "  Key = value  \r\n"
    "\r\n"
    "[HoleList]\r\n0=100000\r\n1=150000\r\n4=200000\r\n9=700000\r\n"
    "[LayerDirections]\r\nTopLayer=horizontal\r\nBottomLayer=vertical\r\n"
    "[Other]junk\r\n"
    "no value line\r\n";

// Keys the module owns, and values that break careless readers of lengths and hole sizes.
// clang-format off
constexpr std::string_view kKeys[] = {
    "WireGrid"sv, "ViaGrid"sv, "TestPointSide"sv, "TestPointExpansion"sv, "DefaultViaSize"sv,
    "DefaultViaHole"sv, "SplitPlaneEdgeWidth"sv, "Adv10"sv, "wiregrid"sv, " ViaGrid "sv, "0"sv,
    "1"sv, "4"sv, "7"sv, "11"sv, "+3"sv, "03"sv, " 5"sv, "-1"sv, "Foreign"sv};
constexpr std::string_view kValues[] = {
    "-100000"sv, "-2147483648"sv, "2147483647"sv, "2147483648"sv, "0"sv, "-0"sv, ""sv, "0x10"sv,
    "7,5mil"sv, "5mil;junk"sv, "12 mm"sv, "5\tmil"sv, "1e400"sv, "1e-400"sv, "nan"sv, "inf"sv,
    "+5"sv, "  7  "sv, "\"5mil\""sv, "'"sv, "5\0mil"sv, "99999999999999999999"sv, "1.5"sv,
    "\xD9\xA3"sv, "1000000000000mil"sv, "-5mil"sv, "0mil"sv, "3"sv, "250000"sv, "1 2mil"sv,
    "mil"sv, "5mm"sv, "\x01"sv};
constexpr std::string_view kOddLines[] = {
    "["sv, "]"sv, "[SpecctraSetup"sv, "[HoleList] ; again"sv, "[holelist]"sv, "=value"sv, "key="sv,
    ";comment=1"sv, "\x1A"sv, "[]"sv, "  [Other]  "sv, "[SpecctraSetup]x"sv, "\0"sv};
// clang-format on

std::string Failure(const std::string& why, const std::string& input) {
  std::string shown;
  for (const char c : input.substr(0, 2000)) {
    shown += static_cast<unsigned char>(c) < ' ' && c != '\r' && c != '\n' ? '?' : c;
  }
  return why + "\n--- input (" + std::to_string(input.size()) + " bytes) ---\n" + shown;
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < ' '; });
}

bool SameAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
           return fold(x) == fold(y);
         });
}

std::string_view TrimmedLine(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t") - first + 1);
}

// The file's lines outside every section named `owned`, each with its line break: what a save
// of that section alone must give back. A plain model of the file, apart from the reader's.
std::string LinesOutside(std::string_view bytes, std::string_view owned) {
  std::string kept;
  bool inside = false;
  while (!bytes.empty()) {
    const size_t end = bytes.find_first_of("\r\n");
    size_t next = bytes.size();
    if (end != std::string_view::npos)
      next = bytes.substr(end).starts_with("\r\n") ? end + 2 : end + 1;
    const std::string_view line = TrimmedLine(bytes.substr(0, end));
    if (!line.empty() && line.front() == '[') {
      const size_t close = line.rfind(']');
      inside = SameAscii(
          TrimmedLine(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)),
          owned);
    }
    if (!inside) kept += bytes.substr(0, next);
    bytes.remove_prefix(next);
  }
  return kept;
}

// Whether a save kept the lines outside `owned`: byte for byte, but for the line break a last line
// without one gets when lines follow it.
std::string CheckKeptLines(std::string_view before, std::string_view after,
                           std::string_view owned) {
  const std::string old_lines = LinesOutside(before, owned);
  const std::string new_lines = LinesOutside(after, owned);
  const bool ended = old_lines.empty() || old_lines.back() == '\n' || old_lines.back() == '\r';
  if (new_lines == old_lines || (!ended && new_lines == old_lines + "\r\n")) return "";
  return "the save changed lines outside [" + std::string(owned) + "]";
}

// What is wrong with settings read from a file; empty when the router can use them all.
std::string UnusableSetting(const router::TRouterSettings& s) {
  for (const double positive : {s.wire_grid, s.via_grid, s.default_via_size}) {
    if (!(positive > 0 && positive <= kLengthLimit)) return "a grid or via size out of range";
  }
  for (const double length :
       {s.test_point_expansion, s.default_via_hole, s.split_plane_edge_width}) {
    if (!(length >= 0 && length <= kLengthLimit)) return "a length out of range";
  }
  if (s.test_point_side < 0 || s.test_point_side > 2) return "a test-point side out of range";
  return "";
}

// The model of a usable hole-list size: [+-]digits within 32 bits, above 0.
bool UsableHole(std::string_view text, int32_t& size) {
  if (text.starts_with('+')) text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
  return error == std::errc() && end == text.data() + text.size() && !text.empty() && size > 0;
}

}  // namespace

std::string SettingsFileInputs::HostileLine() {
  switch (Below(3)) {
    case 0: return std::string(kOddLines[Below(std::size(kOddLines))]);
    case 1: {
      std::string line(Below(300), 'x');
      for (char& c : line) c = static_cast<char>(random_());
      return line;
    }
    default:
      return std::string(kKeys[Below(std::size(kKeys))]) + "=" +
             std::string(kValues[Below(std::size(kValues))]);
  }
}

std::string SettingsFileInputs::Encoded(std::string text) {
  auto utf16 = [&](bool big_endian) {
    std::string bytes;
    for (const char c : text) {  // the seed and plants are ASCII but for a few bytes
      bytes += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
  };
  switch (Below(24)) {
    case 0: return "\xEF\xBB\xBF" + text;
    case 1: return "\xFF\xFE" + utf16(false);
    case 2: return "\xFE\xFF" + utf16(true);
    case 3: return utf16(false);
    case 4: return utf16(true);
    case 5: {  // binary bytes with the settings after them
      std::string binary(64 + Below(512), '\0');
      for (char& c : binary) c = static_cast<char>(random_());
      return binary + text;
    }
    default: return text;
  }
}

std::string SettingsFileInputs::Next() {
  // The seed file's lines, then damage: planted lines, dropped and repeated lines, other line
  // breaks, flipped bytes, a cut.
  std::vector<std::string> lines;
  for (std::string_view rest = kSeedFile; !rest.empty();) {
    const size_t end = rest.find("\r\n");
    lines.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end + 2);
  }
  const int edits = 1 + static_cast<int>(Below(6));
  for (int i = 0; i < edits; ++i) {
    const size_t at = Below(lines.size() + 1);
    switch (Below(4)) {
      case 0:
      case 1: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), HostileLine()); break;
      case 2:
        if (at < lines.size()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      case 3:
        if (at < lines.size())
          lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), lines[at]);
        break;
    }
  }
  static constexpr std::string_view kBreaks[] = {"\r\n", "\r\n", "\r\n", "\n", "\r"};
  std::string text;
  for (const std::string& line : lines) text += line + std::string(kBreaks[Below(5)]);
  if (Below(4) == 0 && !text.empty()) text.resize(Below(text.size()));
  for (size_t flips = Below(3) == 0 ? Below(4) : 0; flips > 0 && !text.empty(); --flips) {
    text[Below(text.size())] = static_cast<char>(random_());
  }
  return Encoded(std::move(text));
}

namespace {

// A save that raised must have refused a binary file and left it whole; empty when it did.
std::string CheckRefusedSave(const std::string& path, const std::string& bytes,
                             const framework::Exception& e) {
  if (std::string(e.what()).find(": it is not a text file") == std::string::npos) {
    return Failure(std::string("the save failed: ") + e.what(), bytes);
  }
  return testsupport::ReadFile(path) == bytes ? "" : Failure("a refused file changed", bytes);
}

// The lines outside `owned` after a save, when the file's encoding lets the byte model read it.
std::string CheckSavedLines(const framework::IniFile& read, const std::string& bytes,
                            const std::string& saved, std::string_view owned) {
  using Encoding = framework::IniFile::Encoding;
  if (read.encoding() != Encoding::Plain && read.encoding() != Encoding::Utf8) return "";
  const size_t mark = read.encoding() == Encoding::Utf8 ? 3 : 0;
  const std::string why = CheckKeptLines(std::string_view(bytes).substr(mark),
                                         std::string_view(saved).substr(mark), owned);
  return why.empty() ? "" : Failure(why + "; saved:\n" + saved, bytes);
}

// "Tralvek.Ini": read, checked, written back, read and written again.
std::string CheckRouterSettings(const testsupport::TempDir& dir, const std::string& bytes) {
  const std::string path = dir.Path("Tralvek.Ini");
  testsupport::WriteFile(path, bytes);
  const bool imperial = bytes.size() % 2 == 0;
  framework::IniFile ini(path);
  router::TRouterSettings settings;
  const std::vector<std::string> problems = router::ReadSpecctraSetup(ini, imperial, settings);
  if (std::string why = UnusableSetting(settings); !why.empty()) return Failure(why, bytes);
  for (const std::string& problem : problems) {
    if (!problem.starts_with(path + ": ") || HasControlCharacter(problem)) {
      return Failure(
          "a refusal that does not name the file or shows a control character: " + problem, bytes);
    }
  }
  router::WriteSpecctraSetup(ini, imperial, settings);
  try {
    sdk::SaveIniFile(ini);
  } catch (const framework::Exception& e) {
    return CheckRefusedSave(path, bytes, e);
  }
  const std::string saved = testsupport::ReadFile(path);
  if (std::string why = CheckSavedLines(ini, bytes, saved, "SpecctraSetup"); !why.empty()) {
    return why;
  }
  framework::IniFile again(path);
  router::TRouterSettings reread;
  const std::vector<std::string> refused = router::ReadSpecctraSetup(again, imperial, reread);
  if (!refused.empty()) return Failure("a saved value is refused: " + refused.front(), bytes);
  router::WriteSpecctraSetup(again, imperial, reread);
  if (again.FileContent() != saved) return Failure("a second save changes the file", bytes);
  return "";
}

// "board.qixpref": an export's hole list saved into it reads back as saved, alone in its section.
std::string CheckHoleListSave(const testsupport::TempDir& dir, const std::string& bytes) {
  const std::string path = dir.Path("board.qixpref");
  testsupport::WriteFile(path, bytes);
  const framework::IniFile read(path);
  router::THoleList holes;
  holes.AddHole("0", 100000);
  holes.AddHole("3", 250000);
  try {
    holes.SaveHoleList(path);
  } catch (const framework::Exception& e) {
    return CheckRefusedSave(path, bytes, e);
  }
  const std::string saved = testsupport::ReadFile(path);
  if (std::string why = CheckSavedLines(read, bytes, saved, "HoleList"); !why.empty()) return why;
  router::THoleList reread;
  reread.LoadHoleList(path);
  if (reread.Lines() != holes.Lines()) return Failure("the saved hole list reads otherwise", bytes);
  return "";
}

}  // namespace

std::string CheckSettingsFile(const testsupport::TempDir& dir, const std::string& bytes) {
  try {
    std::string why = CheckRouterSettings(dir, bytes);
    return why.empty() ? CheckHoleListSave(dir, bytes) : why;
  } catch (const std::exception& e) {
    return Failure(std::string("not read or saved soundly: ") + e.what(), bytes);
  }
}

HoleListCheck::HoleListCheck()
    : board_file_(dir_.Path("board.json")), route_file_(dir_.Path("holes.rte")) {
  testsupport::WriteFile(board_file_, testsupport::ReadFile(quorveltest::ExampleBoardPath()));
  std::string padstacks, vias;
  for (int k = 0; k < kHoleKeys; ++k) {
    const std::string name = "Via" + std::to_string(k);
    padstacks += " (padstack " + name + " (shape (circle signal 600)))";
    vias += " (via " + name + " " + std::to_string(30000 + 1000 * k) + " 30000)";
  }
  testsupport::WriteFile(route_file_, "(routes h (resolution mil 10) (library_out" + padstacks +
                                          ") (network_out (net GND" + vias + ")))\n");
}

std::string HoleListCheck::operator()(const std::string& bytes) {
  const std::string preferences = dir_.Path("board.qixpref");
  testsupport::WriteFile(preferences, bytes);
  if (const std::string error = quorveltest::QuorvelSession::Get().Open(board_file_);
      !error.empty()) {
    return "the board did not open: " + error;
  }
  router::TRouteImportReport report;
  sdk::Coord default_hole = 0;
  try {
    router::TBoard board(router::CurrentBoard());
    board.Sync(1);
    default_hole = sdk::RoundMilsToCoord(board.settings.default_via_hole / sdk::kUnitsPerMil);
    router::LoadRouteFile(route_file_, &report);
  } catch (const std::exception& e) {
    return Failure(std::string("the import failed: ") + e.what(), bytes);
  }
  const std::string status = report.Text(route_file_);
  if (HasControlCharacter(status)) return Failure("the status shows a control character", bytes);
  if (report.vias != kHoleKeys) return Failure("not every via was added: " + status, bytes);
  // The list as the import read it; its first line of each key decides.
  router::THoleList list;
  list.LoadHoleList(preferences);
  std::vector<std::string> lines(kHoleKeys);
  for (const std::string& line : list.Lines()) {
    const size_t equals = line.find('=');
    for (int k = 0; k < kHoleKeys && equals != std::string::npos; ++k) {
      if (line.substr(0, equals) == std::to_string(k) && lines[k].empty()) lines[k] = line;
    }
  }
  for (const std::string& reported : report.unusable_holes) {
    int32_t size = 0;
    if (UsableHole(reported.substr(reported.find('=') + 1), size)) {
      return Failure("a usable size was reported as none: " + reported, bytes);
    }
  }
  constexpr sdk::Coord kViaSize = 600000;
  int found = 0;
  for (const sdk::Handle handle :
       quorveltest::Members(sdk::PcbApi_GetCurrentBoardHandle(), pcbapi::kVia)) {
    sdk::TPcbVia via(handle);
    via.Sync(1);
    const int k = (via.GetX() / 10000 - 3000) / 100;
    if (via.GetY() != 30000000 || via.GetX() != (3000 + 100 * k) * 10000 || k < 0 ||
        k >= kHoleKeys) {
      continue;
    }
    ++found;
    const sdk::Coord hole = via.GetHoleSize();
    if (hole <= 0 || hole >= kViaSize) {
      return Failure("via " + std::to_string(k) + " got the hole " + std::to_string(hole), bytes);
    }
    // Without a list the board's copper of the padstack's number gives the hole, which another
    // test checks.
    if (list.Lines().empty()) continue;
    int32_t stored = 0;
    const std::string& line = lines[k];
    const bool usable = !line.empty() && UsableHole(line.substr(line.find('=') + 1), stored);
    const sdk::Coord expected = !usable ? default_hole : stored >= kViaSize ? kViaSize / 2 : stored;
    if (hole != expected) {
      return Failure("via " + std::to_string(k) + " got the hole " + std::to_string(hole) +
                         " instead of " + std::to_string(expected),
                     bytes);
    }
    if (!usable && !line.empty() && !report.unusable_holes.contains(line)) {
      return Failure("the unusable line " + line + " is not named: " + status, bytes);
    }
  }
  if (found != kHoleKeys) return Failure(std::to_string(found) + " of the vias found", bytes);
  return "";
}

}  // namespace fuzz
