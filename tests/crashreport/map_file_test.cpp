// The text map reader, its lookups and the maps that the build writes beside our binaries.
#include "crashreport/drosk_map_file.h"

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "crashreport/drosk_strings.h"
#include "debug_info_fuzz.h"
#include "framework/win/handles.h"
#include "gtest/gtest.h"
#include "map_text.h"
#include "report_text.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

constexpr TAddress kCode = 0x00401000, kData = 0x00500000;

TMapFile MapOf(const std::string& text, TAddress codeEnd = 0) {
  TMapFile map;
  map.codeStart = kCode;
  map.codeEnd = codeEnd;
  map.dataStart = kData;
  map.isValid = true;
  map.ParseTextMap(text);
  return map;
}

// A segment line of exactly `width` characters ending in "M=<unit> ACBP=A9".
std::string SegmentLine(const std::string& head, const std::string& unit, size_t width) {
  std::string line = head + "C=CODE S=.text G=(none) M=" + unit;
  const std::string tail = " ACBP=A9";
  line.append(width - line.size() - tail.size(), ' ');
  return line + tail;
}

TEST(TextMap, ReadsSegmentsPublicsLinesAndEntryPoint) {
  const std::string text =
      "\r\n Start Length Name Class\r\n 0001:00000000 00001000H .text CODE\r\n\r\n"
      "Detailed map of segments\r\n\r\n" +
      SegmentLine("0001:00000000 00000100 ", "C:\\Dir\\Unit1", 73) + "\r\n" +
      SegmentLine("0001:00000100 00000100 ", "Short", 72) + "\r\n" +  // one too short
      SegmentLine("0001:00000200 00000100 ", "Lib|Unit2.pas", 80) + "\r\n" +
      SegmentLine("0003:00000300 00000100 ", "Elsewhere", 80) + "\r\n" +
      SegmentLine("0002:00000000 00000040 ", "Unit1", 80) +
      "\r\n"
      "\r\n\r\n  Address Publics by Value\r\n\r\n"
      " 0001:00000000       Unit1\r\n"
      " 0001:00000010       Proc (x)\r\n"
      " 0001:00000020       @$xp$TType\r\n"
      " 0001:00000030       @Other@Helper$qqrv\r\n"
      " 0001:00000040       @Unit1@Own$qqrv\r\n"
      " 0001:00000210       Unit2Proc\r\n"
      " 0002:00000008       DataWord\r\n"
      " 0001:NOTHEX00       Broken\r\n"
      "\r\n"
      "Line numbers for Unit1(Unit1.pas) segment .text\r\n\r\n"
      "    10 0001:00000000    11 0001:00000010    12 0001:0000000C\r\n"
      "    13 0001:00000030    20 0002:00000040    99 0001:00000500\r\n"
      "\r\n"
      "Program entry point at 0001:00000210\r\n";
  const TMapFile map = MapOf(text, kCode + 0x1000);

  // The short segment line and the third segment's are left out; a unit after "|" loses ".pas".
  EXPECT_EQ(Segments(map), "Unit1@401000+100c Unit2@401200+100c Unit1@500000+40d ");
  // The unit's own symbol is named "initialization"; another unit's symbol keeps its unit; the
  // type information is left out.
  EXPECT_EQ(Publics(map),
            "initialization@401000 Proc@401010 Other.Helper@401030 Own@401040 "
            "Unit2Proc@401210 DataWord@500008d ");

  // 12 at 0C is not above 10 and is dropped; segment 2 does not count.
  EXPECT_EQ(LineRecords(map), "10@401000 11@401010 13@401030 99@401500 ");
  EXPECT_EQ(map.entryPoint, kCode + 0x210);

  // Nothing where the ignored short line was, nor before the first public.
  const auto unit = [&](bool code, TAddress at) {
    const auto* segment = FindSegment(map, code, at);
    return segment ? segment->unitName : "-";
  };
  EXPECT_EQ(unit(true, kCode + 0x1FF) + unit(true, kCode + 0x250) + unit(false, kData + 0x3F) +
                unit(false, kCode),
            "-Unit2Unit1-");
  EXPECT_EQ(FindPublic(map, kCode + 0x1F)->name, "Proc");
  EXPECT_EQ(FindPublic(map, kCode - 1), nullptr);
  // Line and the next line's address; line 99's record lies in no unit's segment.
  TAddress next = 0;
  std::string found;
  for (TAddress at : {kCode + 0x12, kCode + 0x30, kCode - 1}) {
    const int32_t line = LineOf(map, at, next);
    found += std::to_string(line) + ">" + IntToHex(next) + " ";
  }
  EXPECT_EQ(found, "11>401030 13>401500 0>401000 ");
  EXPECT_EQ(LineOf(map, kCode + 0x600, next), 0);
}

TEST(TextMap, LastPublicReachesToTheCodeEndOrEverywhereWhenItIsUnknown) {
  const std::string text =
      "Publics by Value\r\n\r\n 0001:00000010       First\r\n 0001:00000020       Last\r\n\r\n";
  EXPECT_EQ(FindPublic(MapOf(text, 0), 0x7FFFFFFF)->name, "Last");
  EXPECT_EQ(FindPublic(MapOf(text, kCode + 0x100), kCode + 0xFF)->name, "Last");
  EXPECT_EQ(FindPublic(MapOf(text, kCode + 0x100), kCode + 0x100), nullptr);
  // A lookup finds every public of a longer table.
  std::string many = "Publics by Value\r\n\r\n";
  for (int i = 0; i < 1000; ++i) {
    char line[64];
    snprintf(line, sizeof line, " 0001:%08X       P%d\r\n", i * 16, i);
    many += line;
  }
  const TMapFile map = MapOf(many);
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(FindPublic(map, kCode + i * 16 + 15)->name, "P" + std::to_string(i)) << i;
  TMapFile one = MapOf(
      "Line numbers for A(A.cpp)\r\n\r\n     7 0001:00000000\r\n\r\n"
      "Detailed map of segments\r\n\r\n" +
      SegmentLine("0001:00000000 00000100 ", "A", 80) + "\r\n");
  TAddress next;
  EXPECT_EQ(LineOf(one, kCode + 4, next), 7);  // a table of one line record still answers
  // Publics listed out of order are sorted; equal addresses keep their order.
  const TMapFile unsorted = MapOf(
      "Publics by Value\r\n\r\n 0001:00000300       Third\r\n 0001:00000100       First\r\n"
      " 0001:00000200       Second\r\n 0001:00000100       FirstAlias\r\n",
      kCode + 0x1000);
  EXPECT_EQ(Publics(unsorted), "First@401100 FirstAlias@401100 Second@401200 Third@401300 ");
  EXPECT_EQ(FindPublic(unsorted, kCode + 0x1FF)->name + FindPublic(unsorted, kCode + 0x250)->name +
                FindPublic(unsorted, kCode + 0x300)->name,
            "FirstAliasSecondThird");
  EXPECT_EQ(FindPublic(unsorted, kCode + 0xFF), nullptr);
}

TEST(TextMap, PublicLinesNameWhatFollowsTheLastBlankFromIndex13) {
  const std::pair<const char*, const char*> cases[] = {
      // The line counted from its first non-blank character; "" where it names nothing.
      {"0001:00000010 Name", "Name"},            // the blank at index 13 opens the name
      {"0001:00000010       Proc (x)", "Proc"},  // a bracketed tail is cut
      {"0001:00000010 Proc(a) (b)", "Proc(a)"},  // the last '(' starts the tail
      {"0001:00000010 Proc)", "Proc)"},          // a ')' without '(' stays
      {"0001:00000010(P Name)", ""},             // '(' at index 13 cuts the whole name
      {"0001:00000010 (Proc)", ""},              // ... and so does '(' right after the blank
      {"0001:00000010Name", ""},                 // no blank from index 13 on
      {"0001:0000001 Name", ""},                 // the address has eight digits
  };
  for (const auto& [line, name] : cases) {
    const TMapFile map = MapOf(std::string("Publics by Value\r\n\r\n   ") + line + "\r\n");
    EXPECT_EQ(Publics(map), *name ? std::string(name) + "@401010 " : "") << line;
  }
}

TEST(TextMap, SortedAndMergedSegments) {
  TMapFile map;
  map.codeStart = kCode;
  map.dataStart = kData;
  map.AddSegment(false, true, 0x10, true, false, "D", 0x10);
  map.AddSegment(false, true, 0x18, true, true, "D", 0x10);  // merges into the first segment
  map.AddSegment(true, true, 0x100, true, false, "B", 0x10);
  map.AddSegment(true, true, 0x000, true, false, "A", 0x10);
  map.AddSegment(true, true, 0x000, true, false, "A0", 0x08);  // same start, shorter: after
  map.AddSegment(true, true, 0x00A, true, true, "A0", 0x10);   // merges: within end + 2
  map.AddSegment(true, false, kCode + 0x500, true, true, "Unit.DPR", 4);  // absolute
  map.AddSegment(true, true, 0x600, true, false, "C", 0x04);
  map.AddSegment(true, true, 0x600, true, true, "C", 0x08);  // merges: the same start
  EXPECT_EQ(Segments(map),
            "A@401000+10c A0@401000+1ac B@401100+10c Unit@401500+4c C@401600+8c D@500010+18d ");
}

// The maps written beside our binaries by the build.
int KnownFunction(int x) __attribute__((noinline));
constexpr int kKnownFunctionLine = __LINE__ + 1;
int KnownFunction(int x) { return x * 3 + 1; }

TEST(BuiltMap, NamesTheTestsOwnFunctionsUnitsAndLines) {
  const TAddress known = AddressOf(reinterpret_cast<void*>(&KnownFunction));
  const TMapFileInfos infos = GetMapFileInfos(known);
  ASSERT_TRUE(infos.valid);
  EXPECT_TRUE(infos.moduleFileName.ends_with("crashreport_tests.exe")) << infos.moduleFileName;
  EXPECT_EQ(infos.unitName + " " + infos.publicName,
            "map_file_test drosk::{anonymous}::KnownFunction");
  EXPECT_EQ(infos.publicAddress, known);
  EXPECT_TRUE(infos.line == kKnownFunctionLine || infos.line == kKnownFunctionLine + 1)
      << infos.line;
  EXPECT_EQ(GetMapFile(0).get(), GetMapFile(known).get());  // one cached object
  std::string name;
  EXPECT_TRUE(PublicNameHook && PublicNameHook(known, name));
  EXPECT_EQ(name, infos.publicName);
  EXPECT_FALSE(PublicNameHook(known + 1, name));
  int32_t line = 0;
  TAddress rangeStart = 0, rangeEnd = 0;
  LineHook(known, line, rangeStart, rangeEnd);
  EXPECT_EQ(line, infos.line);
  EXPECT_EQ(rangeStart, known);
  EXPECT_GT(rangeEnd, rangeStart);
  line = 4711;  // inside the range the cached line is kept, at its end it is looked up
  LineHook(rangeStart, line, rangeStart, rangeEnd);
  EXPECT_EQ(line, 4711);
  const TAddress end = rangeEnd;
  LineHook(end, line, rangeStart, rangeEnd);
  EXPECT_NE(line, 4711);
  EXPECT_EQ(rangeStart, end);
  EXPECT_EQ(KnownFunction(1), 4);
  // An address outside every module has no map.
  void* block = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  EXPECT_FALSE(GetMapFile(AddressOf(block))->isValid);
  EXPECT_FALSE(GetMapFileInfos(AddressOf(block)).valid);
  VirtualFree(block, 0, MEM_RELEASE);
}

// Whether the source file's line names the function.
bool LineNames(const std::string& relative, int line, const std::string& function) {
  std::ifstream in(testsupport::TestDataPath("../" + relative));
  std::string text;
  for (int i = 0; i < line && std::getline(in, text);) ++i;
  return line > 0 && Has(text, function);
}

TEST(BuiltMap, ResolvesTheModulesExportAndFunctionsToTheirSource) {
  HMODULE module = LoadLibraryExA(testsupport::BinaryPath("Tralvek.dll").c_str(), nullptr,
                                  DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(module, nullptr);
  const TAddress factory =
      AddressOf(reinterpret_cast<void*>(GetProcAddress(module, "ServerFactory")));
  TMapFileInfos infos = GetMapFileInfos(factory + 3);
  ASSERT_TRUE(infos.valid);
  EXPECT_EQ(infos.publicName + " " + infos.unitName, "ServerFactory@8 tralvek_server");
  EXPECT_EQ(infos.publicAddress, factory);
  EXPECT_TRUE(LineNames("router/tralvek_server.cpp", infos.line, "ServerFactory")) << infos.line;
  const std::shared_ptr<const TMapFile> map = GetMapFile(factory);
  EXPECT_NE(map->entryPoint, 0u);
  EXPECT_TRUE(map->mapFileName.ends_with("Tralvek.map"));
  int checked = 0;
  for (const TMfPublic& p : map->publics) {
    if (p.name != "router::ExportDesignFile" && p.name != "router::ImportRouteFile") continue;
    infos = GetMapFileInfos(p.address);
    EXPECT_EQ(infos.unitName, "commands");
    EXPECT_TRUE(LineNames("router/commands.cpp", infos.line, p.name.substr(8))) << p.name;
    ++checked;
  }
  EXPECT_EQ(checked, 2);
  FreeLibrary(module);
  ClearMapFileCache();
}

// The C++ runtime's static helpers are known only by their section symbols (".text$NAME"): the
// map names them instead of counting their code to the public before them. Damaged copies of the
// map are read line by line.
TEST(BuiltMap, StaticFunctionsAreNamedAndDamagedCopiesRead) {
  const std::string text = testsupport::ReadFile(testsupport::BinaryPath("Tralvek.map"));
  for (const char* name : {"get_adjusted_ptr", "parse_lsda_header"}) {
    EXPECT_NE(text.find("       " + std::string(name) + "\r\n"), std::string::npos) << name;
  }
  EXPECT_EQ(text.find("       .text"), std::string::npos);
  EXPECT_EQ(fuzz::FuzzTextMapReader(text, 3, 300), "");
}

TEST(BuiltMap, AnOversizedMapIsLeftUnreadAndTheReportSaysSoWithItsStacksWhole) {
  testsupport::TempDir dir;
  const std::string probe = dir.Path("drosk_report_probe.exe");
  ASSERT_TRUE(
      CopyFileA(testsupport::BinaryPath("drosk_report_probe.exe").c_str(), probe.c_str(), FALSE));
  {
    win::UniqueHandle map(CreateFileA(dir.Path("drosk_report_probe.map").c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(map);
    LARGE_INTEGER size;
    size.QuadPart = int64_t{1536} << 20;  // only the end is set: nothing is written
    ASSERT_TRUE(SetFilePointerEx(map.get(), size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(map.get()));
  }
  const testsupport::ChildResult child = testsupport::RunChild("\"" + probe + "\" fault");
  const std::string& report = child.output;
  EXPECT_NE(report.find("\r\n>> drosk_report_probe.map not read: 1536 MB, more than the 64 MB a "
                        "debug file may have\r\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(report.find("internal error"), std::string::npos) << report;
  const size_t thread = report.find("\r\nthread $");
  ASSERT_NE(thread, std::string::npos) << report;
  const std::string stack = report.substr(thread, report.find("\r\n\r\n", thread + 2) - thread);
  EXPECT_NE(stack.find(" drosk_report_probe.exe "), std::string::npos) << stack;
  EXPECT_NE(stack.find("BaseThreadInitThunk"), std::string::npos) << stack;
}

}  // namespace
}  // namespace drosk
