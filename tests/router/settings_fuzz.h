// Damaged settings files as users' disks and editors leave them: "Tralvek.Ini" and the per-board
// ".qixpref" with hostile values (negative, huge, cut, with text after the unit, NUL bytes), odd
// lines (headers without brackets, comments, blanks), other line breaks, byte-order marks, UTF-16
// without one and binary bytes. Each check reads the file the way the module does and says what
// broke; an empty text means every promise held.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "support/test_paths.h"

namespace fuzz {

// Damaged copies of a settings file that holds the router's settings, a hole list and sections
// of other programs.
class SettingsFileInputs {
 public:
  explicit SettingsFileInputs(uint32_t seed) : random_(seed) {}
  std::string Next();

 private:
  size_t Below(size_t n) { return n == 0 ? 0 : random_() % n; }
  std::string HostileLine();
  std::string Encoded(std::string text);

  std::mt19937 random_;
};

// "Tralvek.Ini" holding `bytes`: the settings read are all ones the router can use, each refusal
// names the file and shows no control character, and saving them keeps every line outside the
// section "SpecctraSetup" byte for byte (or refuses a binary file, leaving it whole); a second
// read and save changes nothing. "board.qixpref" holding `bytes`: a hole list saved into it
// keeps every line outside "HoleList" the same way and reads back as saved.
std::string CheckSettingsFile(const testsupport::TempDir& dir, const std::string& bytes);

// "board.qixpref" holding `bytes`, beside a board open in the stand-in editor, and a route file
// placing a via of each padstack Via0..Via11 imported: no via gets a hole of 0 or less or one
// larger than its copper; a via whose hole-list size is usable has it, any other the default,
// and the status names each unusable line. Needs the editor loaded (quorveltest::QuorvelSession).
class HoleListCheck {
 public:
  HoleListCheck();
  std::string operator()(const std::string& bytes);

 private:
  testsupport::TempDir dir_;
  std::string board_file_, route_file_;
};

}  // namespace fuzz
