// Temporary files that killed exports left behind. The writers put the design file and the
// do-file together in the temporary folder before they replace the targets; an export that is
// killed on the way leaves them (tens of megabytes for a large board's design file) where nothing
// else removes them.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace router {

// Deletes the temporary folder's "Pro*.tmp" files that have not been written for ten minutes and
// that `ours` recognises from their first `length` bytes (the whole file when it is shorter). A
// running export's files are never among them: its design file is written as it grows and held
// open without sharing, and its do-file is held from deletion while it waits.
void RemoveStaleTemporaries(size_t length, const std::function<bool(std::string_view)>& ours);

// The design files of earlier exports: stale files that begin as a design file does.
void RemoveStaleDesignFiles();

}  // namespace router
