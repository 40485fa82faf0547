// Standalone fuzzing of the expression parsers, for runs longer than the unit tests allow:
//   expression_fuzz [iterations [seed]]
#include "expression_fuzz.h"
#include "fuzz_runner.h"

int main(int argc, char** argv) {
  return fuzz::RunFuzz<fuzz::ExpressionInputs>(argc, argv, fuzz::CheckInput);
}
