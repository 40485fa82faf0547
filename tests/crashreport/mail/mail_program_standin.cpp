// A stand-in for the registered mail program: appends its command line to the file named by its
// first argument.
#include <windows.h>

#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  std::ofstream(argv[1], std::ios::app | std::ios::binary) << GetCommandLineA() << "\n";
  return 0;
}
