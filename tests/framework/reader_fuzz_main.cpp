// Damaged input for the framework's readers: reader_fuzz form|bitmap|ini [ITERATIONS [SEED]].
// The test run has bounded runs of each; longer ones by hand.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/streams.h"
#include "reader_fuzz.h"
#include "support/test_paths.h"

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  const std::string reader = argc > 1 ? argv[1] : "";
  const int iterations = argc > 2 ? std::atoi(argv[2]) : 20000;
  const auto seed = static_cast<uint32_t>(argc > 3 ? std::strtoul(argv[3], nullptr, 0) : 1);
  std::string failure;
  if (reader == "form") {
    framework::TResourceStream resource(GetModuleHandleW(nullptr), L"TSAMPLEFORM", L"FORMTEXT");
    failure = fuzz::FuzzFormReader(resource.ReadRest(), seed, iterations);
  } else if (reader == "bitmap") {
    failure = fuzz::FuzzBitmapReader(seed, iterations);
  } else if (reader == "ini") {
    testsupport::TempDir dir;
    failure = fuzz::FuzzIniReader(dir.Path("fuzz.ini"), seed, iterations);
  } else {
    std::fprintf(stderr, "usage: reader_fuzz form|bitmap|ini [ITERATIONS [SEED]]\n");
    return 2;
  }
  std::printf(
      "%s reader, %d damaged inputs: %s\n", reader.c_str(), iterations,
      failure.empty() ? "each loaded or refused with the reader's own error" : failure.c_str());
  return failure.empty() ? 0 : 1;
}
