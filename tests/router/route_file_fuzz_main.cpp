// Standalone fuzzing of the route-file reader, for runs longer than the unit tests allow:
//   route_file_fuzz [iterations [seed]]
#include "fuzz_runner.h"
#include "route_file_fuzz.h"

int main(int argc, char** argv) {
  return fuzz::RunFuzz<fuzz::RouteFileInputs>(argc, argv, fuzz::CheckRouteFile);
}
