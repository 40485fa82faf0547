// Damaged settings files: settings_fuzz settings|holes [ITERATIONS [SEED]]. The test run has
// bounded runs of each; longer ones by hand.
#include <windows.h>

#include <cstdio>
#include <string>

#include "fuzz_runner.h"
#include "sdk/quorvel_session.h"
#include "settings_fuzz.h"

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "settings") {
    const testsupport::TempDir dir;
    return fuzz::RunFuzz<fuzz::SettingsFileInputs>(
        argc - 1, argv + 1,
        [&](const std::string& bytes) { return fuzz::CheckSettingsFile(dir, bytes); });
  }
  if (mode == "holes") {
    if (!quorveltest::QuorvelSession::Get().loaded()) {
      std::fprintf(stderr, "the stand-in editor did not load\n");
      return 1;
    }
    fuzz::HoleListCheck check;
    return fuzz::RunFuzz<fuzz::SettingsFileInputs>(
        argc - 1, argv + 1, [&](const std::string& bytes) { return check(bytes); });
  }
  std::fprintf(stderr, "usage: settings_fuzz settings|holes [ITERATIONS [SEED]]\n");
  return 2;
}
