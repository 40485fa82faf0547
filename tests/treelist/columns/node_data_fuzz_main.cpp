// Long runs of the node-stream reader's fuzzing: treelist_node_data_fuzz [COUNT] [SEED]. Exits 1
// when an input raised anything but the reader's own refusal or changed the grid; a crash ends
// the process.
#include <cstdio>
#include <cstdlib>

#include "node_data_fuzz.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  const auto seed = static_cast<uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1);
  const treelist_test::NodeDataFuzzTally tally = treelist_test::FuzzNodeDataReader(seed, count);
  std::printf("%d inputs: %d loaded, %d refused\n", tally.inputs, tally.loaded, tally.refused);
  if (!tally.unexpected.empty()) std::printf("unexpected: %s\n", tally.unexpected.c_str());
  return tally.unexpected.empty() ? 0 : 1;
}
