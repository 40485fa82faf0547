// The route file's records read from strings: units, layouts, quoting, dropped values and files
// that are refused whole.
#include "router/route_file_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "router/route_file_fuzz.h"

namespace {

using router::ReadRouteRecords;
using router::RouteFileContents;

// One line per record, so that whole files compare at once and failures show what was read.
std::string Describe(const RouteFileContents& contents) {
  std::ostringstream out;
  for (const router::RouteRecord& record : contents.records) {
    if (const auto* p = std::get_if<router::PadstackRecord>(&record)) {
      const router::TPadstack& s = p->padstack;
      out << "padstack " << p->name << " " << s.start_layer << "-" << s.end_layer << " top "
          << s.top_x << "x" << s.top_y << "/" << int(s.top_shape) << " mid " << s.mid_x << "x"
          << s.mid_y << " bottom " << s.bottom_x << "x" << s.bottom_y << "/" << int(s.bottom_shape);
    } else if (const auto* n = std::get_if<router::NetRecord>(&record)) {
      out << (n->name ? "net " + *n->name : std::string("end net"));
    } else if (const auto* w = std::get_if<router::WireRecord>(&record)) {
      out << "wire " << w->layer << " " << w->width;
      for (const router::RoutePoint& point : w->points) out << " " << point.x << "," << point.y;
      if (w->marked) out << " marked";
    } else if (const auto* v = std::get_if<router::ViaRecord>(&record)) {
      out << "via " << v->padstack << " " << v->at.x << "," << v->at.y
          << (v->turret ? " turret" : "");
    } else if (const auto* t = std::get_if<router::PointRecord>(&record)) {
      out << "point " << t->at.x << "," << t->at.y << " " << t->side << " " << t->net;
    }
    out << "\n";
  }
  for (const auto& [record, count] : contents.skipped) {
    out << "skipped " << count << " " << record.first << " " << record.second << "\n";
  }
  return out.str();
}

std::string Read(const std::string& text) { return Describe(ReadRouteRecords(text, "t.rte")); }

TEST(RouteFileReader, ResolutionUnitsScaleEveryLength) {
  struct Case {
    const char* resolution;
    const char* value;
    int32_t units;
  };
  const Case cases[] = {
      {"mil 10", "100", 100000},      // 0.1 mil per unit
      {"MIL 1", "100", 1000000},      // case does not count
      {"inch 1000", "100", 1000000},  // a thousandth of an inch is a mil
      {"inch 100000", "100", 10000},  // the router's usual resolution
      {"mm 1000", "100", 39370},      // 0.1 mm
      {"cm 1", "1", 3937008},         // 1 cm
      {"um 1", "100", 39370},         // 100 um
      {"mil 1", "2.5", 25000},        // decimals read
      {"mil 1", "-0.25", -2500},
      {"mil 1", "214748", 2147480000},  // the largest length a coordinate holds, either way
      {"mil 1", "-214748", -2147480000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.resolution) + " " + c.value);
    const std::string text = std::string("(routes x (resolution ") + c.resolution +
                             ") (network_out (net A (wire (path signal 1 0 0 " + c.value +
                             " 0)))))";
    const RouteFileContents contents = ReadRouteRecords(text, "t.rte");
    ASSERT_EQ(contents.records.size(), 3u);
    const auto& wire = std::get<router::WireRecord>(contents.records[1]);
    EXPECT_EQ(wire.points[1].x, c.units);
  }
}

// The same records whatever the router's line breaks: one line, one token a line, paths
// continued on following lines, tabs and CR LF.
TEST(RouteFileReader, RecordsDoNotDependOnTheLineLayout) {
  const std::string expected =
      "padstack V 1-32 top 100000x100000/1 mid 100000x100000 bottom 100000x100000/1\n"
      "net GND\n"
      "wire 1 100000 0,0 100000,0 100000,100000\n"
      "via V 100000,100000\n"
      "end net\n";
  const char* layouts[] = {
      "(routes b (resolution mil 1) (library_out (padstack V (shape (circle signal 10)))) "
      "(network_out (net GND (wire (path TopLayer 10 0 0 10 0 10 10)) (via V 10 10))))",
      "(routes b\n  (resolution mil 1)\n  (library_out\n    (padstack V\n      (shape (circle "
      "signal 10))\n    )\n  )\n  (network_out\n    (net GND\n      (wire\n        (path "
      "TopLayer 10\n          0 0\n          10 0\n          10 10\n        )\n      )\n      "
      "(via V 10 10)\n    )\n  )\n)\n",
      "(routes\r\nb\r\n(resolution\tmil\t1)(library_out(padstack V(shape(circle signal 10))))\r\n"
      "(network_out(net GND(wire(path TopLayer 10 0\r\n0 10 0 10\r\n10))(via\r\nV\r\n10 10))))",
  };
  for (const char* layout : layouts) {
    SCOPED_TRACE(layout);
    EXPECT_EQ(Read(layout), expected);
  }
}

TEST(RouteFileReader, QuotedNamesLoseTheirQuotes) {
  EXPECT_EQ(Read("(routes \"my board\" (parser (string_quote \") (space_in_quoted_tokens on))\n"
                 "(network_out (net \"USB P\" (via \"Via 0\" 1 2)) (net \"(x)\")))"),
            "net USB P\nvia Via 0 10000,20000\nend net\nnet (x)\nend net\n");
  // A file may choose another quote character.
  EXPECT_EQ(Read("(routes b (parser (string_quote ')) (network_out (net 'A \"B\"')))"),
            "net A \"B\"\nend net\n");
}

// Dropped records are counted by what they are and why, so the import can say so.
TEST(RouteFileReader, ValuesThatDoNotReadDropTheirRecordOnly) {
  EXPECT_EQ(Read("(routes b (network_out (net A\n"
                 "(wire (path TopLayer 1 0 0 x 0))\n"    // a coordinate that is no number
                 "(wire (path TopLayer 1 0 0 1))\n"      // an odd coordinate count
                 "(wire (path TopLayer +-1 0 0 1 1))\n"  // a sign too many
                 "(wire (path TopLayer 1 5 5))\n"        // one point makes no track
                 "(wire (polyline_path TopLayer 1 0 0 1 1))\n"
                 "(wire (qarc TopLayer 1 0 0 1 1 0 1))\n"
                 "(via V 1 y) (via (V) 1 1) (via V nan 1)\n"
                 "(wire (path TopLayer 1 1 1 2 2))))\n"
                 "(test_points (point q 1 front (net A))))"),
            "net A\nwire 1 10000 10000,10000 20000,20000\nend net\n"
            "skipped 1 test point with an unreadable value\n"
            "skipped 3 via with an unreadable value\n"
            "skipped 1 wire of fewer than two points\n"
            "skipped 3 wire with an unreadable value\n"
            "skipped 2 wire without a path (an arc or a polygon)\n");
}

// Lengths as routers write them and in every other form a number may take read to the same
// values; what is no number drops its record.
TEST(RouteFileReader, NumbersReadTheSameInEveryForm) {
  EXPECT_EQ(Read("(routes b (resolution mil 10) (network_out (net A\n"
                 "(wire (path TopLayer 1 12.5 -0.1 12.50 +3 .5 1. 1e1 -0 7 0.0000000000000001))\n"
                 "(wire (path TopLayer 1 1234567.8 0 1234567.80000000001 2000000))\n"
                 "(via V 1.2.3 0) (via V --1 0) (via V 1- 0) (via V - 0) (via V . 0)\n"
                 "(via V 1e 0) (via V 0x10 0) (via V 1,5 0))))"),
            "net A\n"
            "wire 1 1000 12500,-100 12500,3000 500,1000 10000,0 7000,0\n"
            "wire 1 1000 1234567800,0 1234567800,2000000000\n"
            "end net\n"
            "skipped 8 via with an unreadable value\n");
}

// A wire's own turret marks it, whether it has a path or not; it never marks its neighbours.
TEST(RouteFileReader, ViaNumbersAndTurretsAreMarked) {
  EXPECT_EQ(
      Read("(routes b (network_out (net A (via V 1 1 (net A) (via_number 126) (type "
           "protect)) (via V 2 2 (via_number 125)) (wire (path TopLayer 1 0 0 1 1) (turret "
           "126)) (wire (path TopLayer 1 2 2 3 3) (turret 125)) (wire (qarc TopLayer 1 0 0 1 "
           "1 0 1) (turret 127)) (wire (turret x) (path TopLayer 1 4 4 5 5)) (turret 126))))"),
      "net A\nvia V 10000,10000 turret\nvia V 20000,20000\nwire 0 0 marked\n"
      "wire 1 10000 20000,20000 30000,30000\nwire 0 0 marked\n"
      "wire 1 10000 40000,40000 50000,50000\nend net\n");
}

// A padstack's shapes resolve to one size per layer: a rectangle with two circles of its
// width's radius at its ends is an oblong, the first real rectangle and the first two circles
// count; an inner layer of a stack written layer by layer gives its middle.
TEST(RouteFileReader, PadstackShapesResolve) {
  const std::string text =
      "(routes b (resolution mil 1) (network_out) (library_out\n"
      " (padstack Round (shape (circle signal 24)))\n"
      " (padstack Rect (shape (rect TopLayer -15 -10 15 10)))\n"
      " (padstack Upright (shape (rect signal -10 -20 10 20)) (shape (circle signal 20 0 -20))\n"
      "   (shape (circle signal 20 0 20)))\n"
      " (padstack Lying (shape (rect signal -20 -10 20 10)) (shape (circle signal 20 -20 0))\n"
      "   (shape (circle signal 20 20 0)))\n"
      " (padstack Stack (shape (circle TopLayer 30)) (shape (circle MidLayer1 20))\n"
      "   (shape (circle BottomLayer 20)))\n"
      " (padstack Blind (shape (circle TopLayer 20)) (shape (circle MidLayer2 20)))\n"
      " (padstack Twice (shape (rect TopLayer -5 -5 5 5)) (shape (rect TopLayer -9 -9 9 9)))\n"
      " (padstack OtherRadius (shape (rect signal -10 -20 10 20))\n"
      "   (shape (circle signal 20 0 -20)) (shape (circle signal 24 0 20)))\n"
      " (padstack Flat (shape (rect signal 0 0 0 10)) (shape (rect signal -5 -5 5 5)))\n"
      " (padstack Circles (shape (circle signal 10)) (shape (circle signal 14))\n"
      "   (shape (circle signal 18)))\n"
      " (padstack Empty (attach off) (shape (circle Top 5)) (shape)\n"
      "   (shape (circle signal 20 x 0)))))";
  EXPECT_EQ(Read(text),
            "padstack Round 1-32 top 240000x240000/1 mid 240000x240000 bottom 240000x240000/1\n"
            "padstack Rect 1-1 top 300000x200000/2 mid 300000x200000 bottom 300000x200000/2\n"
            "padstack Upright 1-32 top 200000x600000/1 mid 200000x600000 bottom "
            "200000x600000/1\n"
            "padstack Lying 1-32 top 600000x200000/1 mid 600000x200000 bottom 600000x200000/1\n"
            "padstack Stack 1-32 top 300000x300000/1 mid 200000x200000 bottom 200000x200000/1\n"
            "padstack Blind 1-3 top 200000x200000/1 mid 200000x200000 bottom 200000x200000/1\n"
            "padstack Twice 1-1 top 100000x100000/2 mid 100000x100000 bottom 100000x100000/2\n"
            "padstack OtherRadius 1-32 top 200000x400000/2 mid 200000x400000 bottom "
            "200000x400000/2\n"
            "padstack Flat 1-32 top 100000x100000/2 mid 100000x100000 bottom 100000x100000/2\n"
            "padstack Circles 1-32 top 100000x100000/1 mid 100000x100000 bottom "
            "100000x100000/1\n"
            "padstack Empty 0-0 top 0x0/1 mid 0x0 bottom 0x0/1\n"
            "skipped 1 padstack shape with an unreadable value\n"
            "skipped 2 padstack shape without a known layer\n");
}

TEST(RouteFileReader, RefusesIncompleteFilesAndValuesTheBoardCannotHold) {
  struct Case {
    std::string_view text;
    const char* message;
  };
  const Case cases[] = {
      {"", "t.rte:1:1: not a route file"},
      {"(pcb x (network))", "t.rte:1:1: not a route file"},
      {"routes x", "t.rte:1:1: not a route file"},
      {"(routes x\n(network_out (net A (wire (path TopLayer 1 0 0 1 1)",
       "t.rte:2:52: the file ends inside a list"},
      {"(routes x (net \"A))", "t.rte:1:16: a quoted name is not closed"},
      {"(routes x) (routes y)", "t.rte:1:12: text after the end"},
      {"(routes x (wire (path TopLayer 1 0 0 1 1 (((((((((((((((((((((((((((((((((((("
       ")))))))))))))))))))))))))))))))))))))))",
       "lists nest too deeply"},
      // Nothing to import would remove the board's routing.
      {"(routes)", "t.rte:1:1: no routing section \"(network_out\""},
      {"(routes x ((((((((((network_out)))))))))))", "t.rte:1:1: no routing section"},
      // Resolutions that do not read, or come too late to scale what was read.
      {"(routes x (resolution mils 10) (network_out))", "t.rte:1:11: unreadable resolution"},
      {"(routes x (resolution mil 0) (network_out))", "t.rte:1:11: unreadable resolution"},
      {"(routes x (resolution mil 1e-320) (network_out))", "t.rte:1:11: unreadable resolution"},
      {"(routes x (resolution mil 10.5) (network_out))", "t.rte:1:11: unreadable resolution"},
      {"(routes x (resolution mil 1000000001) (network_out))", "unreadable resolution"},
      // Control characters are no text: neither blanks nor part of a name or keyword.
      {std::string_view("(routes x (resolution mil 1\0\x30) (network_out))", 46),
       "t.rte:1:28: a control byte (0x00): a route file is text"},
      {std::string_view("(routes x (network_out\0))", 25), "t.rte:1:23: a control byte (0x00)"},
      {"(routes x (network_out (net SCL\x01 (wire (path TopLayer 1 0 0 1 1)))))",
       "t.rte:1:32: a control byte (0x01)"},
      {"(routes x (network_out (net \"A\x7F\")))", "t.rte:1:31: a control byte (0x7F)"},
      {"(routes x\n \x1B(network_out))", "t.rte:2:2: a control byte (0x1B)"},
      {"(routes x (resolution mil) (network_out))", "t.rte:1:11: unreadable resolution"},
      {"(routes x (resolution mil 1 0) (network_out))", "t.rte:1:11: unreadable resolution"},
      {"(routes x (resolution mil 1) (resolution mil 1) (network_out))",
       "t.rte:1:30: a second resolution"},
      {"(routes x (network_out (net A (via V 1 1))) (resolution mil 1))",
       "t.rte:1:45: a resolution after lengths"},
      // Values beyond what the board can hold, or sizes that cannot be.
      {"(routes x (resolution mil 1) (network_out (net A (via V 214749 0))))",
       "t.rte:1:57: a length out of range: \"214749\""},
      // Quoted names count their quotes in the columns.
      {"(routes \"x y\" (resolution mil 1) (network_out (net A (via \"V W\" 214749 0))))",
       "t.rte:1:65: a length out of range: \"214749\""},
      {"(routes x (resolution mil 1) (network_out (net A (via V -1e999 0))))",
       "t.rte:1:57: a length out of range"},
      {"(routes x (library_out (padstack P (shape (rect signal 5 -5 -5 5)))) (network_out))",
       "t.rte:1:43: an inverted rectangle"},
      {"(routes x (resolution mil 1) (library_out (padstack P (shape (rect signal -200000 -5 "
       "200000 5)))) (network_out))",
       "t.rte:1:62: a pad too large"},
      // A byte-order mark belongs at the start only.
      {" \xEF\xBB\xBF(routes x (network_out))", "t.rte:1:2: not a route file"},
      // Values that no copper can have, and resolutions that round every value to nothing,
      // refuse the file with the value as the file writes it.
      {"(routes x (resolution um 1000000000) (network_out))",
       "t.rte:1:11: resolution \"um 1000000000\" is finer than the board can hold"},
      {"(routes x (resolution mil 1000000000) (network_out))",
       "t.rte:1:11: resolution \"mil 1000000000\" is finer"},
      {"(routes x (network_out (net A (wire (path TopLayer 0 0 0 1 1)))))",
       "t.rte:1:52: a wire width of \"0\": copper must be above 0 and at most 10000 mil"},
      {"(routes x (network_out (net A (wire (path TopLayer -1 0 0 1 1)))))",
       "t.rte:1:52: a wire width of \"-1\""},
      {"(routes x (network_out (net A (wire (path TopLayer 100000 0 0 1 1)))))",
       "t.rte:1:52: a wire width of \"100000\""},
      // A width that rounds to no unit of the board is none.
      {"(routes x (network_out (net A (wire (path TopLayer 0.00001 0 0 1 1)))))",
       "t.rte:1:52: a wire width of \"0.00001\""},
      {"(routes x (library_out (padstack P (shape (circle signal 0)))) (network_out))",
       "t.rte:1:58: a diameter of \"0\""},
      {"(routes x (library_out (padstack P (shape (circle signal -2)))) (network_out))",
       "t.rte:1:58: a diameter of \"-2\""},
      {"(routes x (library_out (padstack P (shape (rect TopLayer 0 0 0 0)))) (network_out))",
       "t.rte:1:24: padstack \"P\" is 0.000 mil across"},
      // An oblong grown beyond the largest copper by its end circles.
      {"(routes x (library_out (padstack P (shape (rect signal -5000 -5 5000 5))\n"
       "(shape (circle signal 10 -5000 0)) (shape (circle signal 10 5000 0)))) (network_out))",
       "t.rte:1:24: padstack \"P\" is 10010.000 mil across"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    try {
      ReadRouteRecords(c.text, "t.rte");
      ADD_FAILURE() << "no error";
    } catch (const router::ERouteFileError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  // The finest resolution that still means something.
  EXPECT_TRUE(
      ReadRouteRecords("(routes x (resolution mil 10000000) (network_out))", "t").has_resolution);
}

// Copper belongs to the named net whose list encloses it; copper outside one, copper inside a
// rule, and lists of a kind the import does not know (damaged or foreign), are counted or
// skipped, never read as copper. Test points keep their side and net.
TEST(RouteFileReader, CopperBelongsToTheNetAroundIt) {
  EXPECT_EQ(Read("(routes x (resolution mil 1) (network_out\n"
                 "(wire (path TopLayer 1 0 0 1 1))\n"
                 "(net A (net B (via V 1 1)) (wire (path TopLayer 1 2 2 3 3)))\n"
                 "(net (wire (path TopLayer 1 4 4 5 5)) (via V 2 2))\n"
                 "(via V 3 3) (wyre (path TopLayer 1 0 0 1 1))\n"
                 "(net C (vias V 4 4) (wi-re (path TopLayer 1 0 0 1 1))\n"
                 " (rule (width 1) (via V 1 1)\n(clearance 8 (type (wire))))))\n"
                 "(library_out (padstack V (shape (circle signal 1))) (image U1))\n"
                 "(test_points (point 1 1 front (net A)) (pt 1 1) (point 3 4 back net C)\n"
                 " (point 5 6 Front)) (parser (x)) (mystery))"),
            "net A\nnet B\nvia V 10000,10000\nnet A\nwire 1 10000 20000,20000 30000,30000\n"
            "end net\nend net\nnet C\nend net\n"
            "padstack V 1-32 top 10000x10000/1 mid 10000x10000 bottom 10000x10000/1\n"
            "point 10000,10000 FRONT A\npoint 30000,40000 BACK C\npoint 50000,60000 FRONT \n"
            "skipped 6 record of a kind the import does not know\n"
            "skipped 2 via outside any net\n"
            "skipped 2 wire outside any net\n");
}

TEST(RouteFileReader, LayerNames) {
  struct Case {
    const char* name;
    int layer;
  };
  const Case cases[] = {{"TopLayer", 1},         {"TOPLAYER", 1},
                        {"MidLayer1", 2},        {"midlayer30", 31},
                        {"MidLayer31", 0},       {"MidLayer0", 0},
                        {"BottomLayer", 32},     {"InternalPlane1", 39},
                        {"InternalPlane16", 54}, {"InternalPlane17", 0},
                        {"signal", 74},          {"Top", 0},
                        {"MidLayer+1", 0},       {"", 0},
                        {"InnerLay1", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(router::RouteLayerFromName(c.name), c.layer);
  }
}

// A byte-order mark is no text; without a resolution the lengths are mils, and the import says
// so. The lines are counted for the progress, with the line of each record.
TEST(RouteFileReader, ByteOrderMarkMissingResolutionAndLineCount) {
  const RouteFileContents contents =
      ReadRouteRecords("\xEF\xBB\xBF(routes x\n(network_out\n(net A (via V 2 3)\n)))", "t");
  EXPECT_EQ(Describe(contents), "net A\nvia V 20000,30000\nend net\n");
  EXPECT_FALSE(contents.has_resolution);
  EXPECT_EQ(contents.line_count, 4);
  EXPECT_EQ(contents.record_lines, (std::vector<int>{3, 3, 4}));
  const RouteFileContents resolved =
      ReadRouteRecords("(routes x (resolution mil 1)\n(network_out))\n", "t");
  EXPECT_TRUE(resolved.has_resolution);
  EXPECT_EQ(resolved.line_count, 2);
}

// Damaged files: each is refused with its position, or read into records the board can hold.
TEST(RouteFileReader, DamagedFilesAreRefusedWithAPositionOrReadSafely) {
  ASSERT_EQ(fuzz::CheckRouteFile(fuzz::SeedRouteFile()), "");
  EXPECT_EQ(ReadRouteRecords(fuzz::SeedRouteFile(), "t").records.size(), 14u);
  fuzz::RouteFileInputs inputs(20261207);
  for (int i = 0; i < 3000; ++i) {
    const std::string text = inputs.Next();
    ASSERT_EQ(fuzz::CheckRouteFile(text), "") << "input " << i << ":\n" << text;
  }
}

}  // namespace
