// What a router gives back for a design file it leaves as it is, and a saved board's objects as
// lines, for tests that export a board and import the echo.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace hosttest {

// The route file of a design file's own wiring, read as a router reads it: the library's
// padstacks and the wiring's wires and vias, grouped by net, with the export's marks or without,
// plus `nets` (routed wires by net, each a net of the network as the router read its name; any
// other throws std::invalid_argument). Lengths are written as the design file has them under
// "(resolution mil 1)", or, for any other `per_mil`, as whole numbers of that resolution, as a
// router writes them.
std::string RouteFileOfDesign(const std::string& design, bool marks,
                              std::map<std::string, std::string> nets = {}, int per_mil = 1);

// The lines of a saved board's top-level list `section`, sorted; with `numbers` false, without
// the padstack numbers the export stores.
std::vector<std::string> SavedObjects(const std::string& board, const std::string& section,
                                      bool numbers = false);

}  // namespace hosttest
