// The router set-up dialog on a real screen, used by the keyboard alone: Tab walks the controls
// of the shown page in order, Space toggles a check box, arrows move through the page list and
// the grids, Enter is OK and Escape Cancel. Each page is captured.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "../router/setup_session.h"
#include "router/setup_dialog.h"
#include "support/screen_capture.h"
#include "support/user_input.h"

namespace {

using testsupport::PressKey;
using testsupport::ScreenCapture;

constexpr wchar_t kCaption[] = L"Setup Specctra Router";

// The window that has the keyboard focus on the dialog's thread.
HWND FocusOf(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// Its component name.
std::string FocusName(DWORD thread) {
  const HWND focus = FocusOf(thread);
  if (!focus) return "(none)";
  const auto atom = static_cast<ATOM>(GetWindowLongPtrW(focus, GWLP_ID));
  char name[256] = {};
  return atom >= MAXINTATOM && GetAtomNameA(atom, name, 256) ? name : "(unnamed)";
}

struct DialogRun {
  bool shown = false;
  bool confirmed = false;
  std::vector<std::string> focus;  // after each Tab
  bool toggled = false;            // Space on FST10
  std::vector<ScreenCapture> pages;
};

// Runs the dialog for the rules board; `script` drives it once it shows, then closes it.
DialogRun RunDialog(const std::function<void(HWND, DWORD, DialogRun&)>& script) {
  testsupport::TempDir dir;
  setuptest::ExportObjects objects(dir, "../examples/rules-board.json");
  DialogRun run;
  const DWORD thread = GetCurrentThreadId();
  testsupport::WhileModal(
      [&] { run.confirmed = router::RunSetupDialog(objects.board, *objects.rules); },
      [&] {
        const HWND window = testsupport::WaitForWindow(kCaption);
        if (!window) return;
        run.shown = true;
        testsupport::PumpUntil([&] { return GetForegroundWindow() == window; });
        testsupport::Settle(250);
        script(window, thread, run);
        if (!testsupport::WaitUntilClosed(window)) {
          PostMessageW(window, WM_CLOSE, 0, 0);
        }
      });
  return run;
}

TEST(SetupDialogOnScreen, KeysAloneWalkEveryPageAndAnswerIt) {
  const DialogRun by_escape = RunDialog([](HWND window, DWORD thread, DialogRun& run) {
    run.pages.push_back(ScreenCapture::OfWindow(window));
    run.pages.back().Save("screen_setup_dialog_general");
    for (int i = 0; i < 18; ++i) {
      PressKey(VK_TAB);
      testsupport::Settle(20);
      run.focus.push_back(FocusName(thread));
      if (run.focus.back() == "FST10") {
        PressKey(VK_SPACE);
        testsupport::Settle(40);
        run.toggled = SendMessageW(FocusOf(thread), BM_GETCHECK, 0, 0) == BST_CHECKED;
      }
    }
    // Back on the page list: the arrows go from page to page.
    for (const auto& [key, picture] : {std::pair{VK_HOME, "screen_setup_dialog_via_styles"},
                                       {VK_DOWN, "screen_setup_dialog_layer_directions"},
                                       {VK_DOWN, "screen_setup_dialog_design_rules"}}) {
      PressKey(key);
      testsupport::Settle(150);
      run.pages.push_back(ScreenCapture::OfWindow(window));
      run.pages.back().Save(picture);
    }
    PressKey(VK_ESCAPE);
  });
  ASSERT_TRUE(by_escape.shown);
  EXPECT_FALSE(by_escape.confirmed) << "Escape is Cancel";
  EXPECT_TRUE(by_escape.toggled) << "Space checks the focused box";
  EXPECT_EQ(by_escape.focus,
            (std::vector<std::string>{"WireGrid", "ViaGrid", "FST10", "HYB10", "DFM10", "ADV10",
                                      "cbxProtectPreRoutes", "cbxMinimizePins", "cbxPolygons",
                                      "cbxExportNetClasses", "cbxSkipsSytemClasses",
                                      "cbxFromToClasses", "cbxFromTos", "cbxDiffPairs",
                                      "cbxRuleRegions", "Ok", "Cancel", "PanelsTree"}));
  ASSERT_EQ(by_escape.pages.size(), 4u);
  for (size_t i = 1; i < by_escape.pages.size(); ++i) {
    const ScreenCapture& page = by_escape.pages[i];
    EXPECT_GT(page.DifferingPixels(by_escape.pages[i - 1], {0, 0, page.width(), page.height()}),
              2000)
        << "page " << i << " shows something else than the one before";
  }

  const DialogRun by_enter = RunDialog([](HWND, DWORD, DialogRun&) { PressKey(VK_RETURN); });
  ASSERT_TRUE(by_enter.shown);
  EXPECT_TRUE(by_enter.confirmed) << "Enter is OK";
}

}  // namespace
