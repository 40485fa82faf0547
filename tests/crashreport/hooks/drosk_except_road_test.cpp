// The exception road in this test process: handler phases around the report, silent and ignored
// classes, the re-posted quit message, web mode and the window box; and, in child processes,
// faults and uncaught C++ exceptions on the main and a second thread, the automatic restart and
// close rules and the freeze watchdog's report.
#include "crashreport/drosk_except_road.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "crashreport/drosk_except.h"
#include "crashreport/drosk_start.h"
#include "crashreport/drosk_exception_box.h"
#include "crashreport/drosk_handlers.h"
#include "crashreport/drosk_watchdog.h"
#include "crashreport/report_text.h"
#include "hooks_test_settings.h"
#include "support/child_process.h"
#include "support/test_paths.h"

// The silent class and one the settings ignore, as a program would declare them.
class EAbort : public std::runtime_error {
 public:
  EAbort() : std::runtime_error("Operation aborted") {}
};
class EQuietAbort : public EAbort {};
class ENoReport : public std::runtime_error {
 public:
  ENoReport() : std::runtime_error("not worth a report") {}
};

namespace drosk {
namespace {

struct TSeen {
  std::string What;  // "phase N" or "action N"
  DWORD Thread;
  std::string Report;
  uint32_t Value3;
};
std::mutex seenMutex;
std::vector<TSeen> seen;
bool claimInPhase0 = false;
bool postQuitInPhase0 = false;

void Seen(std::string what, const std::string& report, uint32_t value3) {
  const std::lock_guard lock(seenMutex);
  seen.push_back({std::move(what), GetCurrentThreadId(), report, value3});
}
std::vector<std::string> SeenNames() {
  const std::lock_guard lock(seenMutex);
  std::vector<std::string> names;
  for (const TSeen& s : seen) names.push_back(s.What);
  return names;
}

template <int Phase>
void PhaseHandler(bool, uint32_t, uint32_t, uint32_t value3, std::string& report, std::string&,
                  bool&, bool& handled) {
  Seen("phase " + std::to_string(Phase), report, value3);
  if (Phase == 0 && postQuitInPhase0) {
    PostThreadMessageA(MainThreadId(), WM_QUIT, 7, 0);
    Sleep(200);
  }
  if (Phase == 0 && claimInPhase0) handled = true;
}
void ActionHandler(uint8_t action, bool, uint32_t, uint32_t, uint32_t value3, std::string& report,
                   std::string&, bool&) {
  Seen("action " + std::to_string(action), report, value3);
}

class ExceptionRoad : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = HooksTestSettings();
    HooksTestSettings().ShowExceptionBox = false;
    seen.clear();
    claimInPhase0 = postQuitInPhase0 = false;
    RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 0, PhaseHandler<0>});
    RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 1, PhaseHandler<1>});
    RegisterHandler(TProcEntry<TExceptHandler>{TSyncMode::HandlingThread, 2, PhaseHandler<2>});
    RegisterHandler(TProcEntry<TActionHandler>{TSyncMode::HandlingThread, 0, ActionHandler});
  }
  void TearDown() override {
    ClearHandlers();
    HooksTestSettings() = saved_;
  }
  static void Raise(std::exception_ptr object, bool canContinue = true,
                    std::string* reportOut = nullptr) {
    HandleException(false, std::move(object), 0, canContinue, 0, 0, reportOut);
  }
  TDroskSettings saved_;
};

TEST_F(ExceptionRoad, HandlersSurroundTheReportOnTheHandlingThread) {
  ASSERT_NE(ExceptionThreadId(), 0u);
  const uint64_t before = SecondsNow();
  Raise(std::make_exception_ptr(std::runtime_error("Disk full")));
  ASSERT_EQ(SeenNames(), (std::vector<std::string>{"phase 0", "phase 1", "phase 2", "action 4"}));
  for (const TSeen& s : seen) {
    EXPECT_EQ(s.Thread, ExceptionThreadId());
    EXPECT_EQ(s.Value3, GetCurrentThreadId());
  }
  EXPECT_TRUE(seen[0].Report.empty());
  EXPECT_NE(seen[1].Report.find("Disk full"), std::string::npos);
  EXPECT_GE(ExceptionHistory()[0], before);

  // A second thread's exception carries that thread.
  seen.clear();
  DWORD raiser = 0;
  std::thread([&raiser] {
    raiser = GetCurrentThreadId();
    Raise(std::make_exception_ptr(std::logic_error("on a worker")));
  }).join();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].Value3, raiser);
  EXPECT_NE(seen[1].Report.find("on a worker"), std::string::npos);

  // Handled in phase 0 while the program can go on: the road ends there.
  seen.clear();
  claimInPhase0 = true;
  Raise(std::make_exception_ptr(std::runtime_error("claimed")));
  EXPECT_EQ(SeenNames(), std::vector<std::string>{"phase 0"});
}

TEST_F(ExceptionRoad, SilentAndIgnoredClasses) {
  const uint64_t newest = ExceptionHistory()[0];
  Raise(std::make_exception_ptr(EQuietAbort()));
  EXPECT_TRUE(SeenNames().empty());
  EXPECT_EQ(ExceptionHistory()[0], newest);  // not even counted

  HooksTestSettings().IgnoredClasses = "EOther,ENoReport";
  Raise(std::make_exception_ptr(ENoReport()));
  ASSERT_EQ(SeenNames(), (std::vector<std::string>{"phase 0", "phase 1", "phase 2", "action 4"}));
  EXPECT_TRUE(seen[1].Report.empty());
}

TEST_F(ExceptionRoad, AQuitMessageThatArrivesWhileWaitingIsPostedAgain) {
  postQuitInPhase0 = true;
  Raise(std::make_exception_ptr(std::runtime_error("quit meanwhile")));
  EXPECT_EQ(SeenNames().back(), "action 4");  // the handling went to its end
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ExceptionRoad, AutomaticSaveWritesTheReportFile) {
  const testsupport::TempDir dir;
  const std::string file = dir.Path("reports\\bugreport.txt");
  HooksTestSettings().AutoSave = true;
  HooksTestSettings().BugReportFile = file;
  Raise(std::make_exception_ptr(std::runtime_error("saved away")));
  EXPECT_EQ(SeenNames(),
            (std::vector<std::string>{"phase 0", "phase 1", "phase 2", "action 1", "action 4"}));
  const std::string saved = testsupport::ReadFile(file);
  EXPECT_TRUE(saved.starts_with("date/time")) << saved.substr(0, 80);
  EXPECT_NE(saved.find("saved away"), std::string::npos);
}

TEST_F(ExceptionRoad, WebModeHandsTheReportToTheCaller) {
  HooksTestSettings().ShowExceptionBox = true;
  HooksTestSettings().WebMode = true;
  std::string report;
  Raise(std::make_exception_ptr(std::runtime_error("for the web")), true, &report);
  EXPECT_NE(report.find("for the web"), std::string::npos);
  EXPECT_EQ(SeenNames().back(), "action 4");

  // Without the box the report goes nowhere, not even to the caller.
  HooksTestSettings().ShowExceptionBox = false;
  std::string none;
  Raise(std::make_exception_ptr(std::runtime_error("kept back")), true, &none);
  EXPECT_EQ(none, "");
}

DWORD WINAPI ContinueTheBox(void*) {
  for (int i = 0; i < 1000; ++i) {
    if (HWND box = FindWindowA(kBoxWindowClass, nullptr); box && IsWindowVisible(box)) {
      Sleep(100);
      PostMessageA(FindWindowExA(box, nullptr, "BUTTON", "continue application"), BM_CLICK, 0, 0);
      return 0;
    }
    Sleep(10);
  }
  return 1;
}

TEST_F(ExceptionRoad, TheWindowBoxDecidesWhenTheProgramCanGoOn) {
  HooksTestSettings().ShowExceptionBox = true;
  HooksTestSettings().ConsoleOutput = false;
  HooksTestSettings().AutoClose = 1;  // not applied after a window box
  const HANDLE clicker = CreateThread(nullptr, 0, ContinueTheBox, nullptr, 0, nullptr);
  Raise(std::make_exception_ptr(std::runtime_error("boxed")));
  EXPECT_EQ(WaitForSingleObject(clicker, 5000), WAIT_OBJECT_0);
  CloseHandle(clicker);
  EXPECT_EQ(SeenNames(), (std::vector<std::string>{"phase 0", "phase 1", "phase 2", "action 4"}));
}

// The child program in each mode, run side by side: each one spends most of its time starting.
std::map<std::string, testsupport::ChildResult> Children(std::initializer_list<std::string> modes) {
  std::map<std::string, std::future<testsupport::ChildResult>> running;
  for (const std::string& mode : modes) {
    running[mode] = std::async(std::launch::async, [mode] {
      return testsupport::RunChild(testsupport::BinaryPath("drosk_hooks_child.exe") + " " + mode +
                                   " -");
    });
  }
  std::map<std::string, testsupport::ChildResult> results;
  for (auto& [mode, result] : running) results[mode] = result.get();
  return results;
}

TEST(ExceptionRoadChild, FaultsAndUncaughtExceptionsOnEachThread) {
  // The process ends (1) after a failure on the main thread; a second thread's ends only that
  // thread (0), and the main thread goes on.
  const std::tuple<const char*, DWORD, const char*> cases[] = {
      {"fault-main", 1, "An error occurred: Access violation at address"},
      {"fault-thread", 0, "Division by zero"},
      {"throw-main", 1, "An error occurred: thrown on main"},
      {"throw-thread", 0, "thrown on a thread"}};
  auto results = Children({"fault-main", "fault-thread", "throw-main", "throw-thread"});
  for (const auto& [mode, exitCode, text] : cases) {
    const testsupport::ChildResult& child = results[mode];
    EXPECT_EQ(child.exit_code, exitCode) << mode << ": " << child.output;
    EXPECT_TRUE(Has(child.output, text)) << mode << ": " << child.output;
    EXPECT_EQ(Has(child.output, "main goes on"), exitCode == 0) << mode << ": " << child.output;
  }
  EXPECT_TRUE(Has(results["fault-main"].output, "Write of address 00000010"));
}

TEST(ExceptionRoadChild, AutomaticRulesAndTheFrozenReport) {
  auto results = Children({"tenth", "autoclose", "freeze"});
  // The tenth exception within a minute restarts the program; the ninth does not.
  const testsupport::ChildResult& tenth = results["tenth"];
  EXPECT_EQ(tenth.exit_code, 2u) << tenth.output;
  EXPECT_TRUE(Has(tenth.output, "continued 9\r\n") && !Has(tenth.output, "continued 10"))
      << tenth.output;
  // Closing always, and no window box: the process ends with 1 after the report.
  const testsupport::ChildResult& closed = results["autoclose"];
  EXPECT_EQ(closed.exit_code, 1u) << closed.output;
  EXPECT_TRUE(Has(closed.output, "An error occurred: closing.") && !Has(closed.output, "continued"))
      << closed.output;
  // A main thread that sleeps is reported by the watchdog, and the program goes on.
  const testsupport::ChildResult& frozen = results["freeze"];
  EXPECT_EQ(frozen.exit_code, 0u) << frozen.output;
  EXPECT_TRUE(Has(frozen.output, "The application seems to be frozen.") &&
              Has(frozen.output, "main goes on"))
      << frozen.output;
}

}  // namespace
}  // namespace drosk
