// The dialog base: built from its description, answered by Enter and Escape, handlers' faults
// reported while the dialog goes on, and the test mode (in a probe process, as it ends it).
#include "rtl/components/xp/server_dialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/application.h"
#include "framework/stdctrls.h"
#include "framework/win/handles.h"
#include "probe_dialog.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace {

using xptest::TProbeDialog;

TEST(ServerDialog, BuiltFromItsDescriptionAndAnsweredByEnterAndEscape) {
  {
    TProbeDialog dialog(nullptr);
    EXPECT_EQ(dialog.Name(), "ProbeDialog");
    EXPECT_EQ(dialog.Caption(), L"Probe caption");
    EXPECT_EQ(dialog.Components().size(), 3u);
    PostMessageW(dialog.Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(dialog.ShowModal(), 1);
    EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
  }
  {
    TProbeDialog dialog(nullptr);
    PostMessageW(dialog.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(dialog.ShowModal(), 2);
  }
}

TEST(ServerDialog, AFaultInAHandlerIsReportedAndTheDialogGoesOn) {
  std::vector<std::string> reported;
  framework::Application::Instance().OnException = [&](const std::string& message) {
    reported.push_back(message);
  };
  TProbeDialog dialog(nullptr);
  auto& thrower = dynamic_cast<framework::TButton&>(*dialog.FindComponent("ButtonThrow"));
  PostMessageW(thrower.Handle(), BM_CLICK, 0, 0);
  PostMessageW(thrower.Handle(), BM_CLICK, 0, 0);
  auto& ok = dynamic_cast<framework::TButton&>(*dialog.FindComponent("ButtonOK"));
  PostMessageW(ok.Handle(), BM_CLICK, 0, 0);
  const int result = dialog.ShowModal();
  framework::Application::Instance().OnException = nullptr;
  EXPECT_EQ(result, 1) << "still answers after its handler failed";
  EXPECT_EQ(reported, (std::vector<std::string>{"the handler failed", "the handler failed"}));
}

// The machine-wide switch of the test mode, set for one test and removed at its end.
class TestModeKey {
 public:
  TestModeKey() {
    win::UniqueKey key;
    created_ = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPath, 0, nullptr, 0, KEY_WRITE, nullptr,
                               key.put(), nullptr) == ERROR_SUCCESS;
  }
  ~TestModeKey() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPath); }
  TestModeKey(const TestModeKey&) = delete;
  TestModeKey& operator=(const TestModeKey&) = delete;
  bool created() const { return created_; }

 private:
  static constexpr const wchar_t* kPath = L"Software\\Zelmar\\TestMode";
  bool created_ = false;
};

TEST(ServerDialog, InTestModePrintsNameAndCaptionAndEndsTheProcess) {
  const std::string probe = "\"" + testsupport::BinaryPath("xp_dialog_probe.exe") + "\"";
  const testsupport::ChildResult shown = testsupport::RunChild(probe);
  EXPECT_EQ(shown.exit_code, 0u);
  EXPECT_EQ(shown.output, "result 2\r\n");

  TestModeKey test_mode;
  ASSERT_TRUE(test_mode.created());
  const testsupport::ChildResult reported = testsupport::RunChild(probe);
  EXPECT_EQ(reported.exit_code, 1u);
  EXPECT_EQ(reported.output, "ProbeDialog Probe caption\r\n") << "nothing after the dialog runs";
}

}  // namespace
