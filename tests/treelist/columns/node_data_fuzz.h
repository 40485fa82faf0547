// Fuzzing the node-stream reader: damaged copies of written streams are read into a grid that
// holds other nodes; each must load or be refused with the reader's own error, leaving the
// grid's nodes and the stream's position as they were.
#pragma once

#include <cstdint>
#include <string>

namespace treelist_test {

struct NodeDataFuzzTally {
  int inputs = 0;
  int loaded = 0;
  int refused = 0;
  // The first input that raised anything else or changed the grid when refused.
  std::string unexpected;
};

NodeDataFuzzTally FuzzNodeDataReader(uint32_t seed, int count);

}  // namespace treelist_test
