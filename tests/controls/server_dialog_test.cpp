// The dialog base: built from its description, answered by Enter and Escape, handlers' faults
// reported while the dialog goes on, and the test mode (in a probe process, as it ends it).
#include "controls/server_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "framework/application.h"
#include "controls/xp_bitbtn.h"
#include "controls/xp_checkbox.h"
#include "controls/xp_control_utils.h"
#include "controls/xp_combobox.h"
#include "controls/xp_ext_panel.h"
#include "controls/xp_groupbox.h"
#include "framework/win/handles.h"
#include "paint_styles.h"
#include "probe_dialog.h"
#include "support/child_process.h"
#include "support/test_paths.h"

namespace {

using xptest::TProbeDialog;

template <class T>
T& Find(TProbeDialog& dialog, const char* name) {
  return dynamic_cast<T&>(*dialog.FindComponent(name));
}

TEST(ServerDialog, BuiltFromItsDescriptionAndAnsweredByEnterAndEscape) {
  {
    TProbeDialog dialog(nullptr);
    EXPECT_EQ(dialog.Name(), "ProbeDialog");
    EXPECT_EQ(dialog.Caption(), L"Probe caption");
    EXPECT_EQ(dialog.Components().size(), 7u);
    EXPECT_TRUE(Find<controls::TXPCheckBox>(dialog, "UseVias").Checked());
    auto& side = Find<controls::TXPComboBox>(dialog, "Side");
    EXPECT_EQ(side.Items().size(), 3u);
    EXPECT_EQ(side.ItemIndex(), 1) << "the index read before the items it names";
    EXPECT_EQ(side.Text(), L"Bottom Side");
    EXPECT_EQ(Find<controls::TXPExtPanel>(dialog, "Page").Kind(),
              controls::TXPExtPanelKind::epkBackground);
    EXPECT_EQ(Find<controls::TXPGroupBox>(dialog, "Group").Controls().size(), 2u);
    EXPECT_EQ(side.Color(), framework::clWindow) << "the list keeps its own colour";
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

TEST(ServerDialog, ItsControlsAreReachedByTabAndAccelerators) {
  TProbeDialog dialog(nullptr);
  dialog.Show();
  framework::Application& application = framework::Application::Instance();
  const auto press = [&](UINT msg, WPARAM key) {
    const MSG message = {GetFocus(), msg, key, 0, 0, {0, 0}};
    return application.ProcessMessage(message);
  };
  std::vector<HWND> visited;
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(press(WM_KEYDOWN, VK_TAB));
    visited.push_back(GetFocus());
  }
  std::vector<HWND> expected;
  for (const char* name : {"UseVias", "Side", "ButtonThrow", "ButtonOK", "ButtonCancel"}) {
    expected.push_back(Find<framework::TWinControl>(dialog, name).Handle());
  }
  std::sort(visited.begin(), visited.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(visited, expected) << "Tab reaches each control once";

  auto& side = Find<controls::TXPComboBox>(dialog, "Side");
  side.SetFocus();
  SendMessageW(side.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(side.ItemIndex(), 2);
  dialog.SetBounds(0, 0, dialog.Width(), dialog.Height());
  xptest::WriteStylePicture("xp_dialog", {&dialog});
}

TEST(ServerDialog, TakesTheFaceColourOfThePaintStyle) {
  xptest::ForEachPaintStyle([](int) {
    TProbeDialog dialog(nullptr);
    EXPECT_EQ(dialog.Color(), controls::XPPalette().clXPFace);
    EXPECT_EQ(Find<controls::TXPCheckBox>(dialog, "UseVias").Color(),
              controls::XPPalette().clXPFace);
  });
  EXPECT_EQ(controls::XPPalette().clXPFace, framework::clBtnFace) << "the own palette is put back";
}

TEST(ServerDialog, AFaultInAHandlerIsReportedAndTheDialogGoesOn) {
  std::vector<std::string> reported;
  framework::Application::Instance().OnException = [&](const std::string& message) {
    reported.push_back(message);
  };
  TProbeDialog dialog(nullptr);
  auto& thrower = Find<controls::TXPBitBtn>(dialog, "ButtonThrow");
  PostMessageW(thrower.Handle(), BM_CLICK, 0, 0);
  PostMessageW(thrower.Handle(), BM_CLICK, 0, 0);
  auto& ok = Find<controls::TXPBitBtn>(dialog, "ButtonOK");
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
  const std::string probe = "\"" + testsupport::BinaryPath("controls_dialog_probe.exe") + "\"";
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
