// How long collecting a board's rules takes as the board and its rule count grow: opens a board,
// adds width rules scoped to single nets, and times creating the collection and Collect.
//
//   rules_bench BOARD.json [RULES ...]    (default rule counts 10 50 200)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/win/text.h"
#include "router/ovix_rules.h"
#include "rules_session.h"
#include "support/test_paths.h"
#include "tests/support/clock.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: rules_bench BOARD.json [RULES ...]\n");
    return 2;
  }
  const std::string board_path = argv[1];
  std::vector<int> counts;
  for (int i = 2; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {10, 50, 200};

  if (std::string error = rulestest::OpenBoard(board_path); !error.empty()) {
    std::fprintf(stderr, "rules_bench: %s\n", error.c_str());
    return 1;
  }
  std::vector<std::string> nets;
  for (sdk::Handle net : rulestest::Objects(pcbapi::kNet)) {
    win::Bstr name;
    rulestest::Interface(net)->GetName(name.put());
    nets.push_back(win::Narrow(name.str()));
  }
  const size_t objects = [] {
    size_t count = 0;
    for (uint8_t kind = 0; kind < 26; ++kind) count += rulestest::Objects(kind).size();
    return count;
  }();
  const std::string text = testsupport::ReadFile(board_path);
  const size_t list = text.find('[', text.find("\"rules\""));
  if (list == std::string::npos || nets.empty()) {
    std::fprintf(stderr, "rules_bench: no rules list or no nets in %s\n", board_path.c_str());
    return 1;
  }
  std::printf("board: %zu objects, %zu nets\n", objects, nets.size());
  for (int count : counts) {
    std::string rules;
    for (int i = 0; i < count; ++i) {
      // The last nets: each lookup walks the nets up to its own.
      const std::string& net = nets[nets.size() - 1 - static_cast<size_t>(i) % nets.size()];
      rules += "{\"kind\":\"Width\",\"name\":\"W" + std::to_string(i) +
               "\",\"priority\":" + std::to_string(i + 10) + ",\"scope1\":\"InNet('" + net +
               "')\"},";
    }
    const std::string path = board_path + ".rules" + std::to_string(count) + ".json";
    testsupport::WriteFile(path, text.substr(0, list + 1) + rules + text.substr(list + 1));
    if (std::string error = rulestest::OpenBoard(path); !error.empty()) {
      std::fprintf(stderr, "rules_bench: %s\n", error.c_str());
      return 1;
    }
    DeleteFileA(path.c_str());
    const double start = testsupport::Seconds();
    router::TOvixRules collection(sdk::PcbApi_GetCurrentBoardHandle());
    collection.Collect();
    const double seconds = testsupport::Seconds() - start;
    const auto* widths = collection.storage(router::kWidthRule);
    std::printf("%5d extra width rules: %.3f s (%d compatible), %.1f ns per net and rule\n", count,
                seconds, widths ? widths->CompatibleCount() : 0,
                seconds * 1e9 / (static_cast<double>(nets.size()) * count));
  }
  return 0;
}
