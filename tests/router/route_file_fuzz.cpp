// Damaged route files and what the reader must make of them.
#include "route_file_fuzz.h"

#include <exception>
#include <regex>
#include <string_view>
#include <variant>

#include "router/route_file_reader.h"

namespace fuzz {

namespace {

using namespace std::string_view_literals;

// Texts that break numbers, names and lists where a careless reader takes them at face value.
// clang-format off
constexpr std::string_view kPlants[] = {
    "-"sv, "+-1"sv, "200000"sv, "-200000"sv, "1e999"sv, "1e-320"sv, "\0"sv, "\xEF\xBB\xBF"sv,
    "("sv, ")"sv, "(((("sv, "\""sv, "0"sv, "-1"sv, "."sv, "mil"sv, "inch"sv, "signal"sv, "qarc"sv,
    "turret"sv, "126"sv, "(turret 127)"sv, "(via_number 126)"sv, "MidLayer20"sv, "\t"sv, "\n"sv,
    "wyre"sv, "(net "sv, "InternalPlane1"sv, "100000"sv, "0.00001"sv,
    "(resolution um 1000000000)"sv};
// clang-format on

bool Valid(const router::TPadstack& p) {
  return p.top_x >= 0 && p.top_y >= 0 && p.mid_x >= 0 && p.mid_y >= 0 && p.bottom_x >= 0 &&
         p.bottom_y >= 0;
}

// What is wrong with a record the reader accepted; empty when nothing is.
std::string Fault(const router::RouteRecord& record) {
  if (const auto* wire = std::get_if<router::WireRecord>(&record)) {
    if (wire->marked) return "";
    if (wire->points.size() < 2) return "a wire of fewer than two points";
    if (wire->width < 0) return "a negative width";
    if (wire->layer < 0 || wire->layer > 74) return "a layer out of range";
  } else if (const auto* padstack = std::get_if<router::PadstackRecord>(&record)) {
    if (!Valid(padstack->padstack)) return "a negative pad size";
  } else if (const auto* via = std::get_if<router::ViaRecord>(&record)) {
    if (via->padstack.empty()) return "a via without a padstack";
  }
  return "";
}

}  // namespace

const std::string& SeedRouteFile() {
  static const std::string text =
      "(routes fuzz\n"
      "  (resolution mil 10)\n"
      "  (parser (string_quote \") (host_cad \"Plavena\"))\n"
      "  (library_out\n"
      "    (padstack Via0 (shape (circle signal 240)))\n"
      "    (padstack Pad2_T (shape (rect TopLayer -300 -200 300 200)))\n"
      "    (padstack Via3 (shape (rect signal -200 -400 200 400))\n"
      "      (shape (circle signal 400 0 -400)) (shape (circle signal 400 0 400)))\n"
      "  )\n"
      "  (network_out\n"
      "    (net SDA\n"
      "      (wire (path TopLayer 100 16750 17750 16750 18400\n"
      "          20000 18400))\n"
      "      (wire (qarc TopLayer 100 0 0 100 100 0 100) (turret 126))\n"
      "      (via Via0 20000 18400)\n"
      "      (via Via0 20500 18400 (net SDA) (via_number 126) (type protect))\n"
      "    )\n"
      "    (net \"+3V3\"\n"
      "      (rule (width 10) (clearance 8 (type default_smd)))\n"
      "      (wire (path BottomLayer 200 15250 17750 15250 19500) (turret 127))\n"
      "      (via Pad2_T 15250 20000)\n"
      "    )\n"
      "  )\n"
      "  (test_points (point 16750 17750 front (net SDA)))\n"
      ")\n";
  return text;
}

std::string RouteFileInputs::Next() {
  ++count_;
  // Every sixth input is a truncation: the first ones walk the seed from its start.
  if (count_ % 6 == 0) return base_.substr(0, Below(base_.size()));
  return Edited();
}

std::string RouteFileInputs::Edited() {
  std::string text = base_;
  const size_t edits = 1 + Below(4);
  for (size_t e = 0; e < edits; ++e) {
    const size_t at = Below(text.size());
    switch (Below(4)) {
      case 0: text.insert(at, kPlants[Below(std::size(kPlants))]); break;
      case 1: text.erase(at, 1 + Below(8)); break;
      case 2: text[at] = static_cast<char>(Below(256)); break;
      default: {
        // A number replaced by a planted text: where the damage hurts most.
        const size_t digit = text.find_first_of("0123456789", at);
        if (digit == std::string::npos) break;
        const size_t end = text.find_first_not_of("0123456789", digit);
        const std::string_view plant = kPlants[Below(std::size(kPlants))];
        text.replace(digit, end == std::string::npos ? std::string::npos : end - digit, plant);
      }
    }
  }
  return text;
}

std::string CheckRouteFile(const std::string& text) {
  try {
    const router::RouteFileContents contents = router::ReadRouteRecords(text, "fuzz.rte");
    if (contents.records.size() != contents.record_lines.size()) return "record lines lost";
    int line = 0;
    for (size_t i = 0; i < contents.records.size(); ++i) {
      const std::string fault = Fault(contents.records[i]);
      if (!fault.empty()) return "accepted " + fault;
      if (contents.record_lines[i] < line || contents.record_lines[i] > contents.line_count) {
        return "a record line out of order";
      }
      line = contents.record_lines[i];
    }
    if (contents.unit < 1) return "a resolution unit below one";
    return "";
  } catch (const router::ERouteFileError& e) {
    static const std::regex positioned("^fuzz\\.rte:[0-9]+:[0-9]+: .+");
    if (!std::regex_search(e.what(), positioned)) return std::string("no position: ") + e.what();
    return "";
  } catch (const std::exception& e) {
    return std::string("another exception: ") + e.what();
  }
}

}  // namespace fuzz
