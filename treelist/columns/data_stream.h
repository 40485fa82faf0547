// The grid's node stream "Data": a marker, the number of top-level nodes, then each node as a
// record (header size, a header of images, data word and counts, the texts, the children).
// Integers are 32-bit little-endian; texts are 8-bit in the ANSI code page, so a character the
// code page lacks is stored as the system's nearest one, else "?".
#pragma once

#include <cstdint>

#include "framework/streams.h"
#include "treelist/core/nodes.h"

namespace treelist {

class TCustomdxTreeListControl;

// A node stream the reader refuses; the message names the byte and the cause.
class ENodeDataError : public ETreeListError {
 public:
  using ETreeListError::ETreeListError;
};

constexpr int32_t kNodeDataMarker = -1;
constexpr int32_t kNodeHeaderSize = 24;
// A header longer than ours (a later writer's) is skipped up to this size.
constexpr int32_t kMaxNodeHeaderSize = 1024;
// Deeper nesting is refused both ways: no dialog needs it, and a stream of nothing but nesting
// would otherwise exhaust the stack.
constexpr int kMaxNodeDepth = 1000;

// Writes the marker, the count and every node record at the stream's position. Raises
// ENodeDataError, before writing anything, for a tree deeper than kMaxNodeDepth.
void WriteNodeData(TCustomdxTreeListControl& grid, framework::TStream& out);

// Reads a node stream from the position: checks all of it first, then replaces the grid's
// nodes. A damaged stream raises ENodeDataError and leaves the grid and the position as they
// were. Returns the format marker (0 for the old form with 1-byte text lengths).
int32_t ReadNodeData(TCustomdxTreeListControl& grid, framework::TStream& in);

}  // namespace treelist
