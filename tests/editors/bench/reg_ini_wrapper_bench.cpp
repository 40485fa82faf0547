// Erases a stored grid layout's band section with its sub-sections from an ini file in memory
// through the settings wrapper, as the grid erases its layout, and prints the time beside a
// sorted map of sections erased by range (what a program would keep its sections in otherwise),
// with the ratio of the two; and sixteen small layouts beside one as large as all of them.
//
//   reg_ini_wrapper_bench [SUB-SECTIONS]
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "editors/reg_ini_wrapper.h"
#include "framework/ini_files.h"
#include "tests/support/clock.h"

namespace {

constexpr const char* kBandKeys[] = {"ID", "Visible", "Index", "Width"};

std::string BandSection(int i) { return "\\Tree\\Band\\Band" + std::to_string(i); }

// The same sections in a map ordered without regard to case, as ini names compare.
struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::toupper(static_cast<unsigned char>(x)) <
             std::toupper(static_cast<unsigned char>(y));
    });
  }
};
using SectionMap = std::map<std::string, std::map<std::string, std::string>, NoCase>;

// Seconds the wrapper takes to erase a layout of `count` bands from an ini file in memory.
double WrapperEraseSeconds(int count) {
  framework::TMemIniFile ini("");
  ini.WriteInteger("\\Tree", "Width", 1);
  for (int i = 0; i < count; ++i) ini.WriteInteger(BandSection(i), "ID", i);
  editors::TdxRegIniWrapper wrapper;
  wrapper.IniFile = &ini;
  const double start = testsupport::Seconds();
  wrapper.EraseSection("\\Tree\\Band");
  return testsupport::Seconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;

  framework::TMemIniFile ini("");
  SectionMap map;
  for (const char* name : {"\\Tree", "\\Tree\\Band", "\\Tree\\Columns\\Net", "\\Other"}) {
    ini.WriteInteger(name, "Width", 1);
    map[name]["Width"] = "1";
  }
  for (int i = 0; i < count; ++i) {
    for (const char* key : kBandKeys) {
      ini.WriteInteger(BandSection(i), key, i);
      map[BandSection(i)][key] = std::to_string(i);
    }
  }

  editors::TdxRegIniWrapper wrapper;
  wrapper.IniFile = &ini;
  double start = testsupport::Seconds();
  wrapper.EraseSection("\\Tree\\Band");
  const double wrapped = testsupport::Seconds() - start;

  start = testsupport::Seconds();
  map.erase(map.lower_bound("\\Tree\\Band\\"),
            map.lower_bound("\\Tree\\Band]"));  // ']' follows '\'
  map.erase("\\Tree\\Band");
  const double ranged = testsupport::Seconds() - start;

  const size_t left = ini.ReadSections().size();
  std::printf("erasing a section with %d sub-sections of %zu keys, in seconds\n", count,
              std::size(kBandKeys));
  std::printf("%-28s %10s %10s %8s\n", "store", "wrapper", "map range", "ratio");
  std::printf("%-28s %10.4f %10.4f %8.1f\n", "ini file in memory", wrapped, ranged,
              ranged > 0 ? wrapped / ranged : 0.0);
  std::printf(
      "sections left: %zu of the wrapper's, %zu of the map's (3 expected); target under "
      "0.5 s for 20,000\n",
      left, map.size());

  // Erasing grows with the number of bands, not with its square.
  constexpr int kParts = 16;
  double parts = 0;
  for (int i = 0; i < kParts; ++i) parts += WrapperEraseSeconds(count / kParts);
  const double whole = WrapperEraseSeconds(count / kParts * kParts);
  std::printf("%d layouts of %d bands: %.4f s; one of %d: %.4f s; ratio %.1f (linear: about 1)\n",
              kParts, count / kParts, parts, count / kParts * kParts, whole,
              parts > 0 ? whole / parts : 0.0);
  return left == 3 && map.size() == 3 ? 0 : 1;
}
