// Writes a large synthetic board file for benchmarks: components in a grid, each with a row of
// through-hole pads, nets of three pads along a row (a source, a load and a terminator), every
// connection routed in three segments with one via, a few classes and rules.
//
//   board_generator OUTPUT.json [components] [pads-per-component] [tracks]
//
// Defaults: 10000 components, 10 pads each (100,000 pads), 200,000 tracks. The file is written
// as it is made, so its size never sits in memory.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr long long kMil = 10000;  // internal units per mil

struct Options {
  std::string path;
  long components = 10000;
  long pads_per_component = 10;
  long tracks = 200000;
};

bool ParseCount(const char* text, long& value) {
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (*end != '\0' || n < 1 || n > 10000000) return false;
  value = n;
  return true;
}

class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) {}
  // Starts a top-level list; objects follow one per line.
  void List(const char* key) {
    std::fprintf(file_, ",\n  \"%s\": [", key);
    first_ = true;
  }
  void Item(const std::string& object) {
    std::fprintf(file_, "%s\n    %s", first_ ? "" : ",", object.c_str());
    first_ = false;
  }
  void EndList() { std::fputs(first_ ? "]" : "\n  ]", file_); }
  void Raw(const std::string& text) { std::fputs(text.c_str(), file_); }

 private:
  std::FILE* file_;
  bool first_ = true;
};

std::string N(long long v) { return std::to_string(v); }

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (argc < 2 || argc > 5 || (argc > 2 && !ParseCount(argv[2], o.components)) ||
      (argc > 3 && !ParseCount(argv[3], o.pads_per_component)) ||
      (argc > 4 && !ParseCount(argv[4], o.tracks))) {
    std::fprintf(stderr,
                 "usage: board_generator OUTPUT.json [components] [pads-per-component] [tracks]\n");
    return 2;
  }
  o.path = argv[1];
  std::FILE* file = std::fopen(o.path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "board_generator: cannot create %s\n", o.path.c_str());
    return 1;
  }
  Output out(file);
  const long columns = std::max(1L, static_cast<long>(std::ceil(std::sqrt(o.components))));
  const long long pitch = 50 * kMil;  // between pads
  const long long cell_x = (o.pads_per_component + 2) * pitch, cell_y = 400 * kMil;
  const long rows = (o.components + columns - 1) / columns;
  const long long width = columns * cell_x + 200 * kMil, height = rows * cell_y + 200 * kMil;
  auto pad_x = [&](long c, long k) { return 100 * kMil + (c % columns) * cell_x + k * pitch; };
  auto pad_y = [&](long c) { return 100 * kMil + (c / columns) * cell_y; };
  // Nets: pad k of three neighbouring components of a row.
  const long groups = (o.components + 2) / 3;
  auto net_of = [&](long c, long k) { return (c / 3) * o.pads_per_component + k; };
  const long nets = groups * o.pads_per_component;

  out.Raw(
      "{\n  \"format\": \"quorvel-board\",\n  \"version\": 1,\n  \"board\": {\"unit\": \"mil\", "
      "\"width\": " +
      N(width) + ", \"height\": " + N(height) +
      "},\n  \"stack\": [\n"
      "    {\"layer\": \"TopLayer\", \"name\": \"Top\"},\n"
      "    {\"layer\": \"MidLayer1\", \"name\": \"Inner 1\"},\n"
      "    {\"layer\": \"InternalPlane1\", \"name\": \"GND\", \"net\": \"N0\"},\n"
      "    {\"layer\": \"MidLayer2\", \"name\": \"Inner 2\"},\n"
      "    {\"layer\": \"BottomLayer\", \"name\": \"Bottom\"}\n  ],\n"
      "  \"layerPairs\": [{\"first\": \"TopLayer\", \"second\": \"BottomLayer\"}],\n"
      "  \"boardOutline\": {\"layer\": \"Mechanical1\", \"outline\": [[0, 0], [" +
      N(width) + ", 0], [" + N(width) + ", " + N(height) + "], [0, " + N(height) + "]]}");

  out.List("nets");
  for (long n = 0; n < nets; ++n) out.Item("{\"name\":\"N" + N(n) + "\"}");
  out.EndList();

  out.List("classes");
  out.Item("{\"name\":\"All Nets\",\"memberKind\":\"nets\",\"allMembers\":true}");
  out.Item("{\"name\":\"Power\",\"memberKind\":\"nets\",\"members\":[\"N0\",\"N1\"]}");
  out.EndList();

  // Each net of three pins is driven by its first component and ended by its last.
  auto electrical_type = [](long c) { return c % 3 == 0 ? 2L : c % 3 == 2 ? 1L : 0L; };
  out.List("components");
  for (long c = 0; c < o.components; ++c) {
    std::string item = "{\"designator\":\"U" + N(c + 1) + "\",\"footprint\":\"DIP" +
                       N(o.pads_per_component) + "\",\"x\":" + N(pad_x(c, 0)) +
                       ",\"y\":" + N(pad_y(c)) + ",\"pads\":[";
    for (long k = 0; k < o.pads_per_component; ++k) {
      item += (k ? ",{" : "{") + std::string("\"name\":\"") + N(k + 1) +
              "\",\"electricalType\":" + N(electrical_type(c)) + ",\"net\":\"N" + N(net_of(c, k)) +
              "\",\"x\":" + N(pad_x(c, k)) + ",\"y\":" + N(pad_y(c)) + ",\"size\":[" +
              N(30 * kMil) + "," + N(30 * kMil) + "],\"shape\":\"" +
              (k == 0 ? "rectangle" : "round") + "\",\"hole\":" + N(15 * kMil) + "}";
    }
    out.Item(item + "]}");
  }
  out.EndList();

  // Connections: pad k of component c to pad k of c + 1 when both are in the same net. Each
  // runs down on the top layer, across on a mid layer (after a via) and up again.
  long written_tracks = 0, connection = 0;
  std::string vias;
  out.List("tracks");
  auto connects = [&](long c, long k) {
    return net_of(c, k) == net_of(c + 1, k) && (c % columns) + 1 < columns;
  };
  long total_connections = 0;
  for (long c = 0; c + 1 < o.components; ++c) {
    for (long k = 0; k < o.pads_per_component; ++k) total_connections += connects(c, k);
  }
  // Pieces of each middle run, so that the tracks reach the count asked for.
  const long segments =
      std::max(3L, (o.tracks + total_connections - 1) / std::max(1L, total_connections));
  for (long c = 0; c + 1 < o.components && written_tracks < o.tracks; ++c) {
    for (long k = 0; k < o.pads_per_component && written_tracks < o.tracks; ++k) {
      if (!connects(c, k)) continue;
      const std::string net = "\"net\":\"N" + N(net_of(c, k)) + "\"";
      const long long x1 = pad_x(c, k), x2 = pad_x(c + 1, k), y = pad_y(c);
      const long long lane = y + (20 + 10 * k) * kMil;  // each pad's own lane
      const char* mid = connection % 2 ? "MidLayer1" : "MidLayer2";
      out.Item("{\"layer\":\"TopLayer\"," + net + ",\"x\":" + N(x1) + ",\"y\":" + N(y) +
               ",\"x2\":" + N(x1) + ",\"y2\":" + N(lane) + ",\"width\":" + N(8 * kMil) + "}");
      ++written_tracks;
      // The middle run, cut into as many pieces as the track count asks for.
      const long pieces = segments - 2;
      for (long p = 0; p < pieces && written_tracks < o.tracks; ++p) {
        const long long a = x1 + (x2 - x1) * p / pieces, b = x1 + (x2 - x1) * (p + 1) / pieces;
        out.Item(std::string("{\"layer\":\"") + mid + "\"," + net + ",\"x\":" + N(a) +
                 ",\"y\":" + N(lane) + ",\"x2\":" + N(b) + ",\"y2\":" + N(lane) +
                 ",\"width\":" + N(8 * kMil) + "}");
        ++written_tracks;
      }
      if (written_tracks < o.tracks) {
        out.Item("{\"layer\":\"BottomLayer\"," + net + ",\"x\":" + N(x2) + ",\"y\":" + N(lane) +
                 ",\"x2\":" + N(x2) + ",\"y2\":" + N(y) + ",\"width\":" + N(8 * kMil) + "}");
        ++written_tracks;
      }
      vias += (vias.empty() ? "" : ",\n    ") + std::string("{") + net + ",\"x\":" + N(x1) +
              ",\"y\":" + N(lane) + ",\"size\":" + N(24 * kMil) + ",\"hole\":" + N(12 * kMil) + "}";
      ++connection;
    }
  }
  out.EndList();
  out.Raw(",\n  \"vias\": [" + (vias.empty() ? std::string() : "\n    " + vias + "\n  ") + "]");

  out.List("rules");
  out.Item("{\"kind\":\"Clearance\",\"name\":\"Clearance\",\"gap\":\"8mil\"}");
  out.Item(
      "{\"kind\":\"Clearance\",\"name\":\"PowerClearance\",\"priority\":1,\"scope1\":\"InNetClass('"
      "Power')\",\"gap\":\"12mil\"}");
  out.Item(
      "{\"kind\":\"Width\",\"name\":\"Width\",\"minWidth\":\"6mil\",\"maxWidth\":\"20mil\","
      "\"preferredWidth\":\"8mil\"}");
  out.Item(
      "{\"kind\":\"RoutingVias\",\"name\":\"RoutingVias\",\"viaSize\":\"24mil\",\"holeSize\":"
      "\"12mil\"}");
  out.Item(
      "{\"kind\":\"RoutingLayers\",\"name\":\"RoutingLayers\",\"routingLayers\":[\"TopLayer\","
      "\"MidLayer1\",\"MidLayer2\",\"BottomLayer\"]}");
  out.Item("{\"kind\":\"MaximumViaCount\",\"name\":\"MaxVias\",\"maxViaCount\":1000}");
  out.EndList();
  out.Raw("\n}\n");
  const bool ok = std::fflush(file) == 0 && !std::ferror(file);
  std::fclose(file);
  if (!ok) {
    std::fprintf(stderr, "board_generator: cannot write %s\n", o.path.c_str());
    std::remove(o.path.c_str());
    return 1;
  }
  std::printf("%s: %ld components, %ld pads, %ld nets, %ld tracks, %ld vias\n", o.path.c_str(),
              o.components, o.components * o.pads_per_component, nets, written_tracks, connection);
  return 0;
}
