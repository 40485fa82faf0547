// Temporary design files that killed exports left behind. The writer puts a design file together
// in the temporary folder before it replaces the target; an export that is killed on the way
// leaves that file (tens of megabytes for a large board) where nothing else removes it.
#pragma once

namespace router {

// Deletes the temporary folder's design files of earlier exports: "Pro*.tmp" files that begin
// as a design file does and have not been written for ten minutes. A running export's file is
// written as it grows and is held open without sharing, so it is never one of them.
void RemoveStaleDesignFiles();

}  // namespace router
