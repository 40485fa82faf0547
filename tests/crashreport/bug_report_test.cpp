// The bug report of this test process: threads parked in known call chains of ours, traced through
// the map the build wrote beside this executable.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_stack_trace.h"
#include "crashreport/drosk_strings.h"
#include "framework/win/handles.h"

namespace {

using drosk::TAddress;

TAddress AddressOf(const void* p) { return static_cast<TAddress>(reinterpret_cast<uintptr_t>(p)); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

// The lines of a report section that starts with `title` up to the next empty line.
std::vector<std::string> SectionOf(const std::string& report, const std::string& title) {
  std::vector<std::string> section;
  bool inside = false;
  for (const std::string& line : Lines(report)) {
    if (inside && line.empty()) break;
    if (inside) section.push_back(line);
    if (line.rfind(title, 0) == 0) inside = true;
  }
  return section;
}

int CountContaining(const std::vector<std::string>& lines, const std::string& text) {
  int count = 0;
  for (const std::string& line : lines) count += line.find(text) != std::string::npos;
  return count;
}

// A trace line: address, module, unit, line, procedure.
const std::regex kTraceLine(R"(^[0-9a-f]{8} (\S+) +(\S*) +(\d*) *(.*)$)");

}  // namespace

// The chains the traced threads are parked in. Each call's line is recorded beside it.
int gWaitCallLine = 0, gMiddleCallLine = 0, gOuterCallLine = 0, gRecurseACallLine = 0,
    gRecurseBCallLine = 0;
HANDLE gRelease = nullptr;

extern "C" __attribute__((noinline)) void ReportTestWait() {
  gWaitCallLine = __LINE__ + 1;
  WaitForSingleObject(gRelease, INFINITE);
  asm volatile("" ::: "memory");
}

constexpr int kMiddleLine = __LINE__ + 1;
extern "C" __attribute__((noinline)) void ReportTestMiddle() {
  gMiddleCallLine = __LINE__ + 1;
  ReportTestWait();
  asm volatile("" ::: "memory");
}

extern "C" __attribute__((noinline)) void ReportTestOuter() {
  gOuterCallLine = __LINE__ + 1;
  ReportTestMiddle();
  asm volatile("" ::: "memory");
}

extern "C" void ReportTestRecurseB(int depth);

extern "C" __attribute__((noinline)) void ReportTestRecurseA(int depth) {
  if (depth == 0) {
    ReportTestWait();
  } else {
    gRecurseACallLine = __LINE__ + 1;
    ReportTestRecurseB(depth - 1);
  }
  asm volatile("" ::: "memory");
}

extern "C" __attribute__((noinline)) void ReportTestRecurseB(int depth) {
  gRecurseBCallLine = __LINE__ + 1;
  ReportTestRecurseA(depth);
  asm volatile("" ::: "memory");
}

namespace {

// Three parked threads: a plain chain, a deep recursion and a suspended chain.
class ParkedThreads {
 public:
  ParkedThreads() {
    gRelease = release_.get();
    chain_ = Start(&RunChain, chainId_);
    recursion_ = Start(&RunRecursion, recursionId_);
    suspended_ = Start(&RunChain, suspendedId_);
    Sleep(200);  // until all of them wait
    SuspendThread(suspended_.get());
  }
  ~ParkedThreads() {
    ResumeThread(suspended_.get());
    SetEvent(release_.get());
    const HANDLE all[] = {chain_.get(), recursion_.get(), suspended_.get()};
    WaitForMultipleObjects(3, all, TRUE, 10000);
  }
  static std::string Title(DWORD id) { return "thread " + drosk::IntToHexEx(uint32_t{id}) + ":"; }

  DWORD chainId_ = 0, recursionId_ = 0, suspendedId_ = 0;

 private:
  static DWORD WINAPI RunChain(void*) {
    ReportTestOuter();
    return 0;
  }
  static DWORD WINAPI RunRecursion(void*) {
    ReportTestRecurseA(12);
    return 0;
  }
  static win::UniqueHandle Start(LPTHREAD_START_ROUTINE routine, DWORD& id) {
    return win::UniqueHandle(CreateThread(nullptr, 0, routine, nullptr, 0, &id));
  }

  win::UniqueHandle release_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  win::UniqueHandle chain_, recursion_, suspended_;
};

}  // namespace

TEST(ComposeBugReport, FrozenReportNamesEveryThreadWithItsFunctionsAndLines) {
  ParkedThreads threads;
  std::string report = "old text";
  drosk::ComposeBugReport(true, nullptr, 0, 0, 0, 0, false, 0, report);

  const std::vector<std::string> chain = SectionOf(report, ParkedThreads::Title(threads.chainId_));
  ASSERT_GE(chain.size(), 3u) << report;
  // Innermost first: our three functions in order, each with the line of its call.
  std::vector<std::string> ours;
  for (const std::string& line : chain) {
    std::smatch m;
    if (std::regex_match(line, m, kTraceLine) && m[4].str().find("ReportTest") == 0) {
      ours.push_back(m[4].str() + " " + m[3].str());
      EXPECT_EQ(m[1].str(), "crashreport_tests.exe");
      EXPECT_NE(m[2].str().find("bug_report_test"), std::string::npos) << line;
    }
  }
  const std::vector<std::string> expected = {"ReportTestWait " + std::to_string(gWaitCallLine),
                                             "ReportTestMiddle " + std::to_string(gMiddleCallLine),
                                             "ReportTestOuter " + std::to_string(gOuterCallLine)};
  EXPECT_EQ(ours, expected) << report;
  // The system's frames above ours: the wait itself lies in a system library.
  EXPECT_NE(chain.front().find(".dll"), std::string::npos) << chain.front();

  // The recursion of 12 rounds folds to one round.
  const std::vector<std::string> recursion =
      SectionOf(report, ParkedThreads::Title(threads.recursionId_));
  EXPECT_EQ(CountContaining(recursion, "ReportTestRecurseB"), 1) << report;
  EXPECT_EQ(CountContaining(recursion, "ReportTestRecurseA"), 2) << report;
  EXPECT_EQ(CountContaining(recursion, " " + std::to_string(gRecurseACallLine) + " "), 1);
  EXPECT_EQ(CountContaining(recursion, " " + std::to_string(gRecurseBCallLine) + " "), 1);

  // The suspended thread is marked in its title and still traced.
  const std::string suspendedTitle = "thread " + drosk::IntToHexEx(uint32_t{threads.suspendedId_});
  EXPECT_NE(report.find("\r\n\r\n" + suspendedTitle + ": <suspended>\r\n"), std::string::npos);
  EXPECT_NE(report.find("\r\n\r\n" + ParkedThreads::Title(threads.chainId_) + "\r\n"),
            std::string::npos);
  EXPECT_GE(CountContaining(SectionOf(report, suspendedTitle), "ReportTestMiddle"), 1) << report;

  // A frozen report: no exception thread, the frozen texts, the message line's end unbroken.
  EXPECT_NE(report.find("\r\nexception class   : ForcedCrashReport\r\n"
                        "exception message : The application seems to be frozen.\r\n\r\nthread $"),
            std::string::npos);
  EXPECT_EQ(report.find("old text"), std::string::npos);
  EXPECT_NE(report.find("\r\n\r\nmodules:\r\n"), std::string::npos);
  EXPECT_NE(report.find("\r\n\r\nhardware:"), std::string::npos);
  EXPECT_EQ(report.find("disassembling:"), std::string::npos);
  EXPECT_EQ(report.find("internal error"), std::string::npos) << report;
}

TEST(ComposeBugReport, HeaderLinesInOrderWithTheirLabels) {
  std::string report;
  drosk::ComposeBugReport(false, std::make_exception_ptr(std::logic_error("Bad state!!")), 0,
                          GetCurrentThreadId(), 0, 0, false, 0, report);
  const std::vector<std::string> lines = Lines(report);
  // Label, value pattern; lines that may be left out on some systems are marked optional.
  struct Row {
    const char* label;
    const char* value;
    bool optional;
  };
  const Row rows[] = {
      {"date/time         ", R"(\d{4}-\d\d-\d\d, \d\d:\d\d:\d\d, \d{1,3}ms)", false},
      {"computer name     ", R"(.+)", false},
      {"user name         ", R"(.*)", false},
      {"operating system  ", R"(.+ build \d+)", false},
      {"system language   ", R"(.+)", true},
      {"system up time    ", R"((\d+ (day|hour|minute|second)s? ){1,2})", true},
      {"program up time   ", R"((\d+ (day|hour|minute|second)s? ){1,2}|\d+ milliseconds)", false},
      {"(processor |processors) {8}", R"((\d+x )?.+)", true},
      {"physical memory   ", R"(\d+/\d+ MB \(free/total\))", false},
      {"free disk space   ", R"(\(C:\) [\d.,]+ (Bytes|KB|MB|GB) \(Z:\) [\d.,]+ (Bytes|KB|MB|GB))",
       false},
      {"display mode      ", R"(\d+x\d+, \d+ bit)", false},
      {"process id        ", R"(\$[0-9a-f]+)", false},
      {"allocated memory  ", R"([\d.,]+ (Bytes|KB|MB|GB))", false},
      {"command line      ", R"(".*crashreport_tests\.exe" .+)", true},
      {"executable        ", R"(crashreport_tests\.exe)", false},
      {R"(exec\. date/time   )", R"(\d{4}-\d\d-\d\d \d\d:\d\d)", false},
      {"droskExcept version ", R"(2\.7g)", false},
      {"exception class   ", R"(logic_error)", false},
      {"exception message ", R"(Bad state!\.)", false},
  };
  size_t at = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    const std::regex pattern(std::string("^") + row.label + ": (?:" + row.value + ")$");
    if (at < lines.size() && std::regex_match(lines[at], pattern)) {
      ++at;
    } else {
      EXPECT_TRUE(row.optional) << "line " << at << ": " << (at < lines.size() ? lines[at] : "");
    }
  }
  // The exception thread's section follows at once, after one empty line.
  ASSERT_LT(at + 1, lines.size());
  EXPECT_EQ(lines[at], "");
  EXPECT_EQ(lines[at + 1], "thread " + drosk::IntToHexEx(uint32_t{GetCurrentThreadId()}) + ":");
  // This thread is the main thread: it has one section only.
  EXPECT_EQ(CountContaining(lines, lines[at + 1]), 1);
}

TEST(ComposeBugReport, ExceptionMessageEndingRules) {
  struct Case {
    std::string message;
    std::string lines;
  };
  const Case cases[] = {
      {"Disk full", "exception message : Disk full."},
      {"Disk full.", "exception message : Disk full.."},
      {"Disk full!!", "exception message : Disk full!."},
      {"Disk\tfull\r\n!.!", "exception message : Diskfull!."},
      {"", "exception message : Unknown."},
      {"runtime_error", ""},  // the message is the class name: the class line only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::string report;
    drosk::ComposeBugReport(false, std::make_exception_ptr(std::runtime_error(c.message)), 0,
                            GetCurrentThreadId(), 0, 0, false, 0, report);
    const size_t at = report.find("exception class   : runtime_error\r\n");
    ASSERT_NE(at, std::string::npos) << report;
    const std::string next = Lines(report.substr(at))[1];
    EXPECT_EQ(next, c.lines);
  }
}

TEST(DurationToStr, TwoLargestUnits) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, ""},
      {1, "1 second "},
      {59, "59 seconds "},
      {60, "1 minute "},
      {61, "1 minute 1 second "},
      {3600 + 120 + 5, "1 hour 2 minutes "},
      {86400 * 2 + 3600 + 59, "2 days 1 hour "},
      {86400 + 59, "1 day "},
  };
  for (const auto& [seconds, text] : cases)
    EXPECT_EQ(drosk::DurationToStr(seconds), text) << seconds;
}

namespace {

const char* gFailingSection = nullptr;

void FailIn(const char* section) {
  if (std::string(section) == gFailingSection) throw std::runtime_error("injected");
}

}  // namespace

TEST(ComposeBugReport, AFailingSectionLeavesItsNoteAndTheRestComplete) {
  for (const char* section : {"GetThreadReport", "GetThreadStack", "GetModuleReport",
                              "GetHardwareList", "GetCleartextDisAsm"}) {
    SCOPED_TRACE(section);
    gFailingSection = section;
    drosk::SectionStartHook = &FailIn;
    std::string report;
    // An exception address inside our code gives the disassembly section.
    drosk::ComposeBugReport(false, std::make_exception_ptr(std::runtime_error("x")),
                            AddressOf(reinterpret_cast<const void*>(&ReportTestMiddle)) + 3,
                            GetCurrentThreadId(), 0, 0, false, 0, report);
    drosk::SectionStartHook = nullptr;
    const std::string note = std::string("\r\n>> internal error in ") + section + ":\r\n";
    EXPECT_NE(report.find(note), std::string::npos) << report;
    EXPECT_EQ(report.find("An exception occurred"), std::string::npos);
    EXPECT_NE(report.find("exception message : x."), std::string::npos);
    const bool modulesFail = std::string(section) == "GetModuleReport";
    const bool hardwareFail = std::string(section) == "GetHardwareList";
    const bool listingFail = std::string(section) == "GetCleartextDisAsm";
    EXPECT_EQ(report.find("\r\n\r\nmodules:\r\n") != std::string::npos, !modulesFail);
    EXPECT_EQ(report.find("\r\n\r\nhardware:") != std::string::npos, !hardwareFail);
    EXPECT_EQ(report.find("\r\n\r\ndisassembling:\r\n") != std::string::npos, !listingFail);
    if (listingFail) {
      EXPECT_EQ(report.substr(report.size() - note.size()), note);
    } else {
      // The listing marks the exception address inside ReportTestMiddle.
      EXPECT_NE(report.find(">"), std::string::npos);
    }
  }
}

TEST(StackTrace, RelativeAddressesAndLinesAndHiddenLinelessItems) {
  ParkedThreads threads;
  const win::UniqueHandle thread(OpenThread(THREAD_GET_CONTEXT, FALSE, threads.chainId_));
  CONTEXT context{};
  context.ContextFlags = CONTEXT_INTEGER | CONTEXT_CONTROL;
  ASSERT_TRUE(GetThreadContext(thread.get(), &context));
  drosk::TStackTraceInput input;
  input.framePointer = context.Ebp;
  input.stackBottom = context.Esp;
  input.stackTop = drosk::StackRegionEnd(context.Esp);
  input.instructionPointer = context.Eip;
  drosk::TStackTraceOptions options;
  options.showRelativeAddresses = true;
  options.showRelativeLines = true;
  const drosk::TStackTraceResult relative = drosk::StackTrace(options, input);
  std::smatch m;
  const std::regex middle(
      R"(^([0-9a-f]{8}) \+([0-9a-f]+) crashreport_tests\.exe +\S+ +(\d+) +\+(\d+) ReportTestMiddle$)");
  std::vector<std::string> lines = Lines(relative.text);
  const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return std::regex_match(line, m, middle);
  });
  ASSERT_NE(found, lines.end()) << relative.text;
  EXPECT_EQ(drosk::StrToIntEx(true, m[1].str()) - drosk::StrToIntEx(true, m[2].str()),
            AddressOf(reinterpret_cast<const void*>(&ReportTestMiddle)));
  EXPECT_EQ(std::stoi(m[3].str()), gMiddleCallLine);
  EXPECT_EQ(std::stoi(m[4].str()), gMiddleCallLine - kMiddleLine);
  // Every line has the same columns: the procedure names start at one position.
  for (const std::string& line : lines) {
    EXPECT_EQ(line.rfind(' '), found->rfind(' ')) << relative.text;
  }

  options = {};
  options.hideItemsWithoutLine = true;
  const drosk::TStackTraceResult hidden = drosk::StackTrace(options, input);
  lines = Lines(hidden.text);
  ASSERT_GE(lines.size(), 4u) << hidden.text;
  // The current position stays although it has no line; the system's other frames go.
  EXPECT_NE(lines[0].find("ntdll.dll"), std::string::npos) << hidden.text;
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_NE(lines[i].find("crashreport_tests.exe"), std::string::npos) << lines[i];
  }
  EXPECT_EQ(hidden.topItem, drosk::StrToIntEx(true, lines[0].substr(0, 8)));
}

TEST(ComposeBugReport, AnAddressInsideACallMovesToItsEndAndIsMarkedInTheListing) {
  const drosk::TFunctionInfo middle =
      drosk::ParseFunction(AddressOf(reinterpret_cast<const void*>(&ReportTestMiddle)));
  const auto call = std::find_if(middle.FarCalls.begin(), middle.FarCalls.end(),
                                 [](const drosk::TFarCall& c) { return c.IsCall; });
  ASSERT_NE(call, middle.FarCalls.end());
  ASSERT_EQ(call->CallNext - call->CallStart, 5u) << "a relative call";
  // Inside the call (no instruction starts there, one does 4 bytes on), and at the call itself.
  for (const auto& [given, marked] : {std::pair{call->CallStart + 1, call->CallNext},
                                      std::pair{call->CallStart, call->CallStart}}) {
    std::string report;
    drosk::ComposeBugReport(false, std::make_exception_ptr(std::runtime_error("x")), given,
                            GetCurrentThreadId(), 0, 0, false, 0, report);
    const size_t listing = report.find("\r\n\r\ndisassembling:\r\n");
    ASSERT_NE(listing, std::string::npos) << report;
    const std::vector<std::string> lines = Lines(report.substr(listing + 4));
    const auto mark = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.find(" > ") != std::string::npos;
    });
    ASSERT_NE(mark, lines.end()) << report.substr(listing);
    EXPECT_EQ(drosk::StrToIntEx(true, mark->substr(0, 8)), marked) << *mark;
  }
}

namespace {

// The first call of one of our functions.
drosk::TFarCall FirstCall(const void* function) {
  const drosk::TFunctionInfo info = drosk::ParseFunction(AddressOf(function));
  for (const drosk::TFarCall& call : info.FarCalls) {
    if (call.IsCall) return call;
  }
  return {};
}

}  // namespace

TEST(StackTrace, ReturnAddressesAfterDirectAndIndirectCallsOnAStackOfOurOwn) {
  const drosk::TFarCall outer = FirstCall(reinterpret_cast<const void*>(&ReportTestOuter));
  const drosk::TFarCall middle = FirstCall(reinterpret_cast<const void*>(&ReportTestMiddle));
  const drosk::TFarCall wait = FirstCall(reinterpret_cast<const void*>(&ReportTestWait));
  ASSERT_EQ(outer.CallNext - outer.CallStart, 5u) << "E8 and four bytes";
  ASSERT_EQ(wait.CallNext - wait.CallStart, 6u) << "FF 15 and four bytes";
  // Scanned from the top down: the outermost caller sits highest. Between the return addresses
  // lie values that are none: a small number, a data address, a code address after no call.
  const uint32_t stack[] = {wait.CallNext,
                            AddressOf(&gWaitCallLine),
                            middle.CallNext,
                            5,
                            middle.CallStart,
                            outer.CallNext,
                            0};
  drosk::TStackTraceInput input;
  input.stackBottom = AddressOf(stack);
  input.stackTop = AddressOf(stack + 6);
  input.instructionPointer = AddressOf(reinterpret_cast<const void*>(&ReportTestWait));
  drosk::TStackTraceOptions options;
  options.skipLinkChains = true;
  const drosk::TStackTraceResult trace = drosk::StackTrace(options, input);
  std::vector<std::string> procedures;
  for (const std::string& line : Lines(trace.text)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, kTraceLine)) << trace.text;
    procedures.push_back(
        drosk::IntToHexEx(static_cast<uint32_t>(drosk::StrToIntEx(true, line.substr(0, 8))), 8) +
        " " + m[4].str());
  }
  const auto at = [](uint32_t address, const char* name) {
    return drosk::IntToHexEx(address, 8) + " " + name;
  };
  EXPECT_EQ(procedures, (std::vector<std::string>{at(input.instructionPointer, "ReportTestWait"),
                                                  at(wait.CallStart, "ReportTestWait"),
                                                  at(middle.CallStart, "ReportTestMiddle"),
                                                  at(outer.CallStart, "ReportTestOuter")}))
      << trace.text;
  EXPECT_EQ(trace.topItem, input.instructionPointer);
  EXPECT_EQ(trace.topProcedure, input.instructionPointer);
}

TEST(StackAddrToStr, NamesModuleUnitLineAndProcedure) {
  const TAddress inside = AddressOf(reinterpret_cast<const void*>(&ReportTestOuter)) + 1;
  const std::string text = drosk::StackAddrToStr(inside);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      text, m,
      std::regex(
          R"(^([0-9a-f]{8}) crashreport_tests\.exe (\S*bug_report_test\S*) (\d+) ReportTestOuter$)")))
      << text;
  EXPECT_EQ(drosk::StrToIntEx(true, m[1].str()), inside);
  EXPECT_EQ(drosk::StackAddrToStr(0x10), "00000010 ???");
}

TEST(PutReportOnClipboard, ReplacesTheClipboardText) {
  drosk::PutReportOnClipboard("first");
  drosk::PutReportOnClipboard("line 1\r\nline 2");
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE data = GetClipboardData(CF_TEXT);
  ASSERT_NE(data, nullptr);
  const std::string text = static_cast<const char*>(GlobalLock(data));
  GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(text, "line 1\r\nline 2");
}
