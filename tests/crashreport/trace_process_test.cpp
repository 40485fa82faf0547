// Reports of other processes: a real fault composed in the faulting process's handler, and the
// module's trace export called from outside on a hanging process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "crashreport/drosk_tools.h"
#include "framework/win/handles.h"
#include "report_text.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace {

std::string ProbeCommand(const std::string& arguments) {
  return "\"" + testsupport::BinaryPath("drosk_report_probe.exe") + "\" " + arguments;
}

// The lines of a report's first thread section, below its title.
std::vector<std::string> FirstThread(const std::string& report) {
  return drosk::Lines(drosk::Section(report, "thread $"));
}

}  // namespace

TEST(ComposeBugReport, RealFaultTracedFromTheFaultingStoreWithItsListing) {
  const testsupport::ChildResult child = testsupport::RunChild(ProbeCommand("fault"));
  ASSERT_EQ(child.exit_code, 0u) << child.output;
  const std::string& report = child.output;
  EXPECT_NE(report.find("\r\nexecutable        : drosk_report_probe.exe\r\n"), std::string::npos);
  // The message is the fault's own, and names the address the trace starts at.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(
      report, m,
      std::regex("\r\nexception class   : EExternal\r\nexception message : Access violation at "
                 "address ([0-9A-F]{8}) in module 'drosk_report_probe.exe'. Write of address "
                 "00000000.\r\n\r\n")))
      << report;
  std::string faultAddress = m[1].str();
  for (char& c : faultAddress) c = static_cast<char>(std::tolower(c));
  const std::vector<std::string> trace = FirstThread(report);
  ASSERT_GE(trace.size(), 3u) << report;
  // The faulting store first at the fault's address, its caller next, then main.
  const std::regex line(
      R"(([0-9a-f]{8}) drosk_report_probe\.exe +\S*report_probe\S* +([1-9]\d*) (\w+))");
  std::string frames;
  for (size_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(std::regex_match(trace[i], m, line)) << report;
    frames += (i == 0 ? m[1].str() + " " : "") + m[3].str() + " ";
  }
  EXPECT_EQ(frames, faultAddress + " ProbeFaultingStore ProbeFaultingCaller main ");
  // The listing shows the faulting function with the faulting instruction marked at the same
  // address.
  const size_t listing = report.find("\r\n\r\ndisassembling:\r\n");
  ASSERT_NE(listing, std::string::npos) << report;
  EXPECT_NE(report.find("ProbeFaultingStore", listing), std::string::npos);
  EXPECT_NE(report.find("\r\n" + faultAddress + "    > ", listing), std::string::npos) << report;
  EXPECT_NE(report.find("\r\n\r\nmodules:\r\n"), std::string::npos);
}

namespace {

// A hanging probe with the module loaded, and the address of its trace export there.
class HangingProbe {
 public:
  HangingProbe() {
    const std::string file = dir_.Path("export.txt");
    std::string command =
        ProbeCommand("hang \"" + testsupport::BinaryPath("Tralvek.dll") + "\" \"" + file + "\"");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    for (int i = 0; i < 300 && !export_; ++i) {
      Sleep(50);
      std::ifstream in(file);
      unsigned long address = 0;
      if (in >> address) export_ = address;
    }
    Sleep(200);  // until it waits
  }
  ~HangingProbe() {
    if (process_) {
      TerminateProcess(process_.get(), 0);
      WaitForSingleObject(process_.get(), 5000);
    }
  }
  bool Ready() const { return process_ && export_; }

  // Calls the export in the probe with `bufferSize`, through a section of `sectionSize` bytes
  // filled with 'x'; returns the section's bytes.
  std::string Trace(int bufferSize, size_t sectionSize) const {
    const win::UniqueHandle section(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                           static_cast<DWORD>(sectionSize), "droskTraceProcessMap"));
    if (!section) return "no section";
    char* view = static_cast<char*>(MapViewOfFile(section.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    std::memset(view, 'x', sectionSize);
    const win::UniqueHandle thread(CreateRemoteThread(
        process_.get(), nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(export_),
        reinterpret_cast<void*>(static_cast<intptr_t>(bufferSize)), 0, nullptr));
    std::string bytes = "no thread";
    if (thread && WaitForSingleObject(thread.get(), 60000) == WAIT_OBJECT_0) {
      DWORD code = 1;
      GetExitCodeThread(thread.get(), &code);
      bytes = code == 0 ? std::string(view, sectionSize) : "result " + std::to_string(code);
    }
    UnmapViewOfFile(view);
    return bytes;
  }

 private:
  testsupport::TempDir dir_;
  win::UniqueHandle process_;
  uintptr_t export_ = 0;
};

}  // namespace

TEST(droskTraceProcess, ReportOfAHangingProcessArrivesThroughTheSectionCutToTheBuffer) {
  HangingProbe probe;
  ASSERT_TRUE(probe.Ready());
  const std::string whole = probe.Trace(1 << 20, 1 << 20);
  const size_t end = whole.find('\0');
  ASSERT_NE(end, std::string::npos) << whole.substr(0, 200);
  const std::string report = whole.substr(0, end);
  EXPECT_EQ(whole[end + 1], 'x');
  EXPECT_NE(report.find("\r\nexception class   : ForcedCrashReport\r\n"
                        "exception message : The application seems to be frozen.\r\n\r\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("\r\ncurrent module    : Tralvek.dll\r\n"), std::string::npos);
  // The main thread hangs in our known function, named through the probe's map.
  bool named = false;
  for (const std::string& line : FirstThread(report)) {
    named =
        named ||
        std::regex_match(
            line, std::regex(R"([0-9a-f]{8} drosk_report_probe\.exe +\S+ +\d+ ProbeHangingWait)"));
  }
  EXPECT_TRUE(named) << report;

  // Cut so that the 0 fits: 100 bytes hold 99 characters (the first line, with the time, differs).
  const auto afterFirstLine = [](const std::string& text) {
    return text.substr(text.find("\r\n") + 2);
  };
  const std::string cut = probe.Trace(100, 4096);
  EXPECT_EQ(cut[99], '\0');
  EXPECT_EQ(cut[100], 'x');
  const std::string cutRest = afterFirstLine(cut.substr(0, 99));
  EXPECT_EQ(cutRest, afterFirstLine(report).substr(0, cutRest.size()));
  EXPECT_EQ(cut.rfind("date/time         : ", 0), 0u);
  // A size of 1 gives one 0 byte.
  const std::string one = probe.Trace(1, 4096);
  EXPECT_EQ(one[0], '\0');
  EXPECT_EQ(one[1], 'x');
}

TEST(droskTraceProcess, TheModuleExportsExactlyTheHostEntryAndTheTraceExport) {
  const win::UniqueLibrary module(LoadLibraryExA(testsupport::BinaryPath("Tralvek.dll").c_str(),
                                                 nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(module);
  uint32_t size = 0;
  const auto* exports =
      static_cast<const IMAGE_EXPORT_DIRECTORY*>(drosk::GetImageDirectory(module.get(), 0, &size));
  ASSERT_NE(exports, nullptr);
  const auto base = reinterpret_cast<const char*>(module.get());
  const auto* names = reinterpret_cast<const uint32_t*>(base + exports->AddressOfNames);
  std::set<std::string> found;
  for (uint32_t i = 0; i < exports->NumberOfNames; ++i) found.insert(base + names[i]);
  EXPECT_EQ(found, (std::set<std::string>{"ServerFactory", "droskTraceProcess"}));
  EXPECT_EQ(exports->NumberOfFunctions, 2u);
}
