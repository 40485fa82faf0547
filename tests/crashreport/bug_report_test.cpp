// The bug report of this test process: threads parked in known call chains of ours, traced through
// the map the build wrote beside this executable.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_dis_asm.h"
#include "crashreport/drosk_settings.h"
#include "crashreport/drosk_stack_trace.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "framework/win/handles.h"
#include "report_text.h"

namespace {

using drosk::Count;
using drosk::Has;
using drosk::Lines;
using drosk::Section;

template <class Function>
drosk::TAddress CodeOf(Function* function) {
  return drosk::AddressOf(reinterpret_cast<const void*>(function));
}

// A trace line: address, module, unit, line, procedure.
const std::regex kTraceLine(R"(^[0-9a-f]{8} (\S+) +(\S*) +(\d*) *(.*)$)");

std::string Compose(drosk::TAddress exceptAddress = 0, const char* message = "x") {
  std::string report;
  drosk::ComposeBugReport(false, std::make_exception_ptr(std::runtime_error(message)),
                          exceptAddress, GetCurrentThreadId(), 0, 0, false, 0, report);
  return report;
}

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

  // Innermost first: our three functions in order, each with the line of its call, below the
  // system's frame of the wait itself.
  const std::vector<std::string> chain =
      Lines(Section(report, ParkedThreads::Title(threads.chainId_)));
  std::string ours;
  for (const std::string& line : chain) {
    std::smatch m;
    if (std::regex_match(line, m, kTraceLine) && m[4].str().starts_with("ReportTest")) {
      ours += m[1].str() + " " + m[2].str() + " " + m[4].str() + " " + m[3].str() + "|";
    }
  }
  const std::string unit = "crashreport_tests.exe bug_report_test ";
  EXPECT_EQ(ours, unit + "ReportTestWait " + std::to_string(gWaitCallLine) + "|" + unit +
                      "ReportTestMiddle " + std::to_string(gMiddleCallLine) + "|" + unit +
                      "ReportTestOuter " + std::to_string(gOuterCallLine) + "|")
      << report;
  EXPECT_TRUE(Has(chain.front(), ".dll")) << chain.front();

  // The recursion of 12 rounds folds to one round.
  const std::string recursion = Section(report, ParkedThreads::Title(threads.recursionId_));
  EXPECT_EQ(std::to_string(Count(recursion, "ReportTestRecurseB")) +
                std::to_string(Count(recursion, "ReportTestRecurseA")) +
                std::to_string(Count(recursion, " " + std::to_string(gRecurseACallLine) + " ")) +
                std::to_string(Count(recursion, " " + std::to_string(gRecurseBCallLine) + " ")),
            "1211")
      << report;

  // The suspended thread is marked in its title and still traced; a frozen report has no
  // exception thread, the frozen texts and the message line's end unbroken.
  const std::string suspended = "thread " + drosk::IntToHexEx(uint32_t{threads.suspendedId_});
  EXPECT_TRUE(Has(Section(report, suspended + ": <suspended>\r\n"), "ReportTestMiddle")) << report;
  for (const std::string& piece :
       {"\r\n\r\n" + ParkedThreads::Title(threads.chainId_) + "\r\n",
        std::string("\r\nexception class   : ForcedCrashReport\r\nexception message : The "
                    "application seems to be frozen.\r\n\r\nthread $"),
        std::string("\r\n\r\nmodules:\r\n"), std::string("\r\n\r\nhardware:")}) {
    EXPECT_TRUE(Has(report, piece)) << piece;
  }
  // The module list: every loaded module once by its file name, the folders in one column.
  std::map<std::string, std::string> loaded, listed;
  std::set<size_t> folderColumns;
  for (const drosk::TModuleEntry& m : drosk::EnumModules(false)) loaded[m.FileName] = m.Directory;
  for (const std::string& line : Lines(Section(report, "modules:"))) {
    const std::string name = line.substr(9, line.find(' ', 9) - 9);
    listed[name] = loaded[name];
    folderColumns.insert(line.size() - loaded[name].size());
  }
  EXPECT_EQ(listed, loaded);
  EXPECT_EQ(folderColumns.size(), 1u);
  for (const char* absent : {"old text", "disassembling:", "internal error"}) {
    EXPECT_FALSE(Has(report, absent)) << absent << "\n" << report;
  }
}

TEST(ComposeBugReport, HeaderLinesInOrderWithTheirLabels) {
  const std::vector<std::string> lines = Lines(Compose(0, "Bad state!!"));
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
      {"exception class   ", R"(runtime_error)", false},
      {"exception message ", R"(Bad state!\.)", false},
  };
  size_t at = 0;
  for (const Row& row : rows) {
    const std::regex pattern(std::string("^") + row.label + ": (?:" + row.value + ")$");
    if (at < lines.size() && std::regex_match(lines[at], pattern)) {
      ++at;
    } else {
      EXPECT_TRUE(row.optional) << row.label << ", line " << at << ": "
                                << (at < lines.size() ? lines[at] : "");
    }
  }
  // The machine's memory in whole MB, the nearest ones.
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
  const std::string total =
      "/" + std::to_string(std::llround(memory.ullTotalPhys / 1048576.0)) + " MB (free/total)";
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& line) {
                            return line.starts_with("physical memory") && line.ends_with(total);
                          }),
            1)
      << total;
  // The exception thread's section follows at once, after one empty line; this thread is the
  // main thread: it has one section only.
  ASSERT_LT(at + 1, lines.size());
  const std::string title = "thread " + drosk::IntToHexEx(uint32_t{GetCurrentThreadId()}) + ":";
  EXPECT_EQ(lines[at] + "|" + lines[at + 1], "|" + title);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), title), 1);
}

TEST(ComposeBugReport, ExceptionMessageEndingRules) {
  const std::pair<const char*, const char*> cases[] = {
      {"Disk full", "exception message : Disk full."},
      {"Disk full.", "exception message : Disk full.."},
      {"Disk full!!", "exception message : Disk full!."},
      {"Disk\tfull\r\n!.!", "exception message : Diskfull!."},
      {"", "exception message : Unknown."},
      {"runtime_error", ""},  // the message is the class name: the class line only
  };
  for (const auto& [message, line] : cases) {
    const std::string report = Compose(0, message);
    const size_t at = report.find("exception class   : runtime_error\r\n");
    ASSERT_NE(at, std::string::npos) << report;
    EXPECT_EQ(Lines(report.substr(at))[1], line) << message;
  }
}

TEST(DurationToStr, TwoLargestUnits) {
  std::string texts;
  for (uint64_t seconds : {0, 1, 59, 60, 61, 3600 + 120 + 5, 86400 * 2 + 3600 + 59, 86400 + 59}) {
    texts += drosk::DurationToStr(seconds) + "|";
  }
  EXPECT_EQ(texts,
            "|1 second |59 seconds |1 minute |1 minute 1 second |1 hour 2 minutes |2 days 1 hour "
            "|1 day |");
}

namespace {

const char* gFailingSection = nullptr;

void FailIn(const char* section) {
  if (std::string(section) == gFailingSection) throw std::runtime_error("injected");
}

}  // namespace

TEST(ComposeBugReport, AFailingSectionLeavesItsNoteAndTheRestComplete) {
  const std::pair<const char*, const char*> cases[] = {
      {"GetThreadReport", "modules hardware disassembling >"},
      {"GetThreadStack", "modules hardware disassembling >"},
      {"GetModuleReport", "hardware disassembling >"},
      {"GetHardwareList", "modules disassembling >"},
      {"GetCleartextDisAsm", "modules hardware ends with the note"},
  };
  for (const auto& [section, present] : cases) {
    gFailingSection = section;
    drosk::SectionStartHook = &FailIn;
    // An exception address inside our code gives the disassembly section, marked in the listing.
    const std::string report = Compose(CodeOf(&ReportTestMiddle) + 3);
    drosk::SectionStartHook = nullptr;
    const std::string note = std::string("\r\n>> internal error in ") + section + ":\r\n";
    std::string found;
    for (const char* part : {"modules", "hardware", "disassembling"}) {
      if (Has(report, "\r\n\r\n" + std::string(part) + ":")) found += std::string(part) + " ";
    }
    found += report.ends_with(note) ? "ends with the note" : Has(report, ">") ? ">" : "";
    EXPECT_EQ(found, present) << report;
    EXPECT_TRUE(Has(report, note) && Has(report, "exception message : x.") &&
                !Has(report, "An exception occurred"))
        << report;
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
  options.showRelativeAddresses = options.showRelativeLines = true;
  const std::string relative = drosk::StackTrace(options, input).text;
  std::smatch m;
  const std::regex middle(
      R"(^([0-9a-f]{8}) \+([0-9a-f]+) crashreport_tests\.exe +\S+ +(\d+) +\+(\d+) ReportTestMiddle$)");
  std::vector<std::string> lines = Lines(relative);
  const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return std::regex_match(line, m, middle);
  });
  ASSERT_NE(found, lines.end()) << relative;
  EXPECT_EQ(drosk::StrToIntEx(true, m[1].str()) - drosk::StrToIntEx(true, m[2].str()),
            CodeOf(&ReportTestMiddle));
  EXPECT_EQ(m[3].str() + " +" + m[4].str(),
            std::to_string(gMiddleCallLine) + " +" + std::to_string(gMiddleCallLine - kMiddleLine));
  // Every line has the same columns: the procedure names start at one position.
  for (const std::string& line : lines) EXPECT_EQ(line.rfind(' '), found->rfind(' ')) << relative;

  // Hidden lineless items: the current position stays although it has no line; the system's
  // other frames go.
  options = {};
  options.hideItemsWithoutLine = true;
  const drosk::TStackTraceResult hidden = drosk::StackTrace(options, input);
  lines = Lines(hidden.text);
  ASSERT_GE(lines.size(), 4u) << hidden.text;
  EXPECT_TRUE(Has(lines[0], "ntdll.dll")) << hidden.text;
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_TRUE(Has(lines[i], "crashreport_tests.exe")) << lines[i];
  }
  EXPECT_EQ(hidden.topItem, drosk::StrToIntEx(true, lines[0].substr(0, 8)));
}

namespace {

// The first call of one of our functions.
template <class Function>
drosk::TFarCall FirstCall(Function* function) {
  for (const drosk::TFarCall& call : drosk::ParseFunction(CodeOf(function)).FarCalls) {
    if (call.IsCall) return call;
  }
  return {};
}

}  // namespace

TEST(ComposeBugReport, AnAddressInsideACallMovesToItsEndAndIsMarkedInTheListing) {
  const drosk::TFarCall call = FirstCall(&ReportTestMiddle);
  ASSERT_EQ(call.CallNext - call.CallStart, 5u) << "a relative call";
  // Inside the call (no instruction starts there, one does 4 bytes on), and at the call itself.
  for (const auto& [given, marked] :
       {std::pair{call.CallStart + 1, call.CallNext}, std::pair{call.CallStart, call.CallStart}}) {
    const std::string report = Compose(given);
    const size_t listing = report.find("\r\n\r\ndisassembling:\r\n");
    ASSERT_NE(listing, std::string::npos) << report;
    const std::vector<std::string> lines = Lines(report.substr(listing + 4));
    const auto mark = std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& line) { return Has(line, " > "); });
    ASSERT_NE(mark, lines.end()) << report.substr(listing);
    EXPECT_EQ(drosk::StrToIntEx(true, mark->substr(0, 8)), marked) << *mark;
  }
}

TEST(StackTrace, ReturnAddressesAfterDirectAndIndirectCallsOnAStackOfOurOwn) {
  const drosk::TFarCall outer = FirstCall(&ReportTestOuter);
  const drosk::TFarCall middle = FirstCall(&ReportTestMiddle);
  const drosk::TFarCall wait = FirstCall(&ReportTestWait);
  ASSERT_EQ(outer.CallNext - outer.CallStart, 5u) << "E8 and four bytes";
  ASSERT_EQ(wait.CallNext - wait.CallStart, 6u) << "FF 15 and four bytes";
  // Scanned from the top down: the outermost caller sits highest. Between the return addresses
  // lie values that are none: a small number, a data address, a code address after no call.
  const uint32_t stack[] = {wait.CallNext,
                            drosk::AddressOf(&gWaitCallLine),
                            middle.CallNext,
                            5,
                            middle.CallStart,
                            outer.CallNext,
                            0};
  drosk::TStackTraceInput input;
  input.stackBottom = drosk::AddressOf(stack);
  input.stackTop = drosk::AddressOf(stack + 6);
  input.instructionPointer = CodeOf(&ReportTestWait);
  drosk::TStackTraceOptions options;
  options.skipLinkChains = true;
  const auto at = [](uint32_t address, const char* name) {
    return drosk::IntToHexEx(address, 8).substr(1) + " " + name + "|";
  };
  const auto check = [&](const char* when) {
    const drosk::TStackTraceResult trace = drosk::StackTrace(options, input);
    std::string procedures;
    for (const std::string& line : Lines(trace.text)) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, kTraceLine)) << when << trace.text;
      procedures += line.substr(0, 8) + " " + m[4].str() + "|";
    }
    EXPECT_EQ(procedures, at(input.instructionPointer, "ReportTestWait") +
                              at(wait.CallStart, "ReportTestWait") +
                              at(middle.CallStart, "ReportTestMiddle") +
                              at(outer.CallStart, "ReportTestOuter"))
        << when;
    EXPECT_EQ(trace.topItem, input.instructionPointer) << when;
    EXPECT_EQ(trace.topProcedure, input.instructionPointer) << when;
  };
  check("with the shared caches");
  // A thread that faulted in the middle of a trace keeps the shared caches for good: the trace
  // that reports it works with caches of its own.
  std::promise<void> held, done;
  std::thread holder([&] {
    const std::lock_guard<std::recursive_timed_mutex> hold(drosk::StackTraceCachesLock());
    held.set_value();
    done.get_future().wait();
  });
  held.get_future().wait();
  options.sharedCachesWait = std::chrono::milliseconds(20);
  check("while another thread holds the shared caches");
  done.set_value();
  holder.join();
}

TEST(StackAddrToStr, NamesModuleUnitLineAndProcedure) {
  const drosk::TAddress inside = CodeOf(&ReportTestOuter) + 1;
  const std::string text = drosk::StackAddrToStr(inside);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(text, m,
                               std::regex(R"(^([0-9a-f]{8}) crashreport_tests\.exe )"
                                          R"(\S*bug_report_test\S* \d+ ReportTestOuter$)")))
      << text;
  EXPECT_EQ(drosk::StrToIntEx(true, m[1].str()), inside);
  EXPECT_EQ(drosk::StackAddrToStr(0x10), "00000010 ???");
}

// The text of a moveable block; empty when the handle is no block (any more).
std::string BlockText(HGLOBAL block) {
  const auto* text = static_cast<const char*>(GlobalLock(block));
  const std::string copy = text ? text : "";
  if (text) GlobalUnlock(block);
  return copy;
}

// The clipboard owns the copied block: memory the program takes after the copy stays its own
// while the user pastes.
TEST(PutReportOnClipboard, ReplacesTheClipboardTextAndLeavesTheProgramsMemoryAlone) {
  drosk::PutReportOnClipboard("first");
  drosk::PutReportOnClipboard("line 1\r\nline 2");
  const win::UniqueGlobal own(GlobalAlloc(GMEM_MOVEABLE, 16));
  ASSERT_TRUE(own);
  std::strcpy(static_cast<char*>(GlobalLock(own.get())), "own");
  GlobalUnlock(own.get());
  ASSERT_TRUE(OpenClipboard(nullptr));
  const std::string pasted = BlockText(GetClipboardData(CF_TEXT));
  CloseClipboard();
  EXPECT_EQ(pasted, "line 1\r\nline 2");
  EXPECT_EQ(BlockText(own.get()), "own");
}
