// The hidden message window, form bounds in the registry, and the monitor lookup.
#include "controls/window_services.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "framework/forms.h"
#include "framework/ini_files.h"
#include "controls/rt_forms.h"
#include "steps.h"

namespace {

class TBoundsTestForm : public framework::TForm {
 public:
  using TForm::TForm;
  static const framework::TClassInfo& StaticClassInfo() {
    static const framework::TClassInfo info =
        framework::TClassInfo::Derived<TBoundsTestForm, TForm>("TBoundsTestForm");
    return info;
  }
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class FormBounds : public testing::Test {
 protected:
  void SetUp() override {
    controls::StartFormsUnit();
    ASSERT_FALSE(controls::GetFormBoundsKey().empty());
    framework::TRegistryIniFile(controls::GetFormBoundsKey()).EraseSection("TBoundsTestForm");
    form.SetBounds(40, 50, 300, 200);
  }
  void TearDown() override {
    framework::TRegistryIniFile(controls::GetFormBoundsKey()).EraseSection("TBoundsTestForm");
  }
  void Store(int left, int top, int width, int height) {
    framework::TRegistryIniFile store(controls::GetFormBoundsKey());
    store.WriteInteger("TBoundsTestForm", "Left", left);
    store.WriteInteger("TBoundsTestForm", "Top", top);
    store.WriteInteger("TBoundsTestForm", "Width", width);
    store.WriteInteger("TBoundsTestForm", "Height", height);
  }
  TBoundsTestForm form{nullptr};
};

void ExpectRect(const RECT& rect, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(std::vector<LONG>({rect.left, rect.top, rect.right, rect.bottom}),
            std::vector<LONG>({left, top, right, bottom}));
}

TEST(WndProcObject, HandsMessagesToTheEventAndTheRestToDefaultProcessing) {
  controls::TCustomWndProcObject object;
  ASSERT_TRUE(IsWindow(object.Handle()));
  EXPECT_FALSE(IsWindowVisible(object.Handle()));
  EXPECT_EQ(GetAncestor(object.Handle(), GA_PARENT), GetDesktopWindow())
      << "a top-level window, so it hears the system's broadcasts";

  // No event: the default processing answers (WM_SETTEXT stores the text).
  SendMessageA(object.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("plain"));
  char text[16] = {};
  EXPECT_EQ(GetWindowTextA(object.Handle(), text, 16), 5);

  std::vector<UINT> seen;
  object.OnMessage = [&](framework::TMessage& message, bool& handled) {
    seen.push_back(message.msg);
    if (message.msg == WM_USER + 7) {
      EXPECT_EQ(message.wParam, 3u);
      EXPECT_EQ(message.lParam, 4);
      message.result = 42;
      handled = true;
    }
    if (message.msg == WM_USER + 8) throw std::runtime_error("handler failed");
  };
  EXPECT_EQ(SendMessageA(object.Handle(), WM_USER + 7, 3, 4), 42);
  // Not handled: the default processing's result replaces whatever the event left.
  EXPECT_EQ(SendMessageA(object.Handle(), WM_GETTEXTLENGTH, 0, 0), 5);
  EXPECT_EQ(SendMessageA(object.Handle(), WM_USER + 8, 0, 0), 0) << "an exception stays inside";
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(std::vector<UINT>({seen[0], seen[1], seen.back()}),
            std::vector<UINT>({WM_USER + 7, WM_GETTEXTLENGTH, WM_USER + 8}));

  // Each object has its own window and releases it, and only it.
  HWND second_handle = nullptr;
  {
    controls::TCustomWndProcObject second;
    second_handle = second.Handle();
    EXPECT_NE(second_handle, object.Handle());
  }
  EXPECT_FALSE(IsWindow(second_handle));
  EXPECT_TRUE(IsWindow(object.Handle()));
}

TEST_F(FormBounds, LoadsAndSavesOnlyWhatTheFlagsAskUnderTheFormsClass) {
  // What is stored, then the form's bounds, after each step.
  framework::TRegistryIniFile store(controls::GetFormBoundsKey());
  const auto look = [&] {
    std::vector<std::string> names = store.ReadSection("TBoundsTestForm");
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& name : names) {
      out += name + "=" + std::to_string(store.ReadInteger("TBoundsTestForm", name, 0)) + " ";
    }
    const RECT r = form.BoundsRect();
    return out + "| " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom);
  };
  const std::string stored = "Height=240 Left=70 Top=80 Width=320 | ";
  // clang-format off
  xptest::ExpectSteps(look, {
      {[&] { controls::LoadFormBounds(form, true, true); }, "| 40,50,340,250"},  // nothing stored
      {[&] { controls::SaveFormBounds(form, false, false); }, "| 40,50,340,250"},
      {[&] { Store(70, 80, 320, 240), controls::LoadFormBounds(form, false, false); },
       stored + "40,50,340,250"},
      {[&] { controls::LoadFormBounds(form, true, false); }, stored + "40,50,360,290"},
      {[&] { controls::LoadFormBounds(form, false, true); }, stored + "70,80,390,320"},
      {[&] { store.EraseSection("TBoundsTestForm"), form.SetBounds(40, 50, 300, 200),
             controls::SaveFormBounds(form, true, false); }, "Height=200 Width=300 | 40,50,340,250"},
      {[&] { form.SetBounds(11, 12, 130, 140), controls::SaveFormBounds(form, false, true); },
       "Height=200 Left=11 Top=12 Width=300 | 11,12,141,152"},  // the size flag off: kept
  });
  // clang-format on
  TBoundsTestForm other(nullptr);
  controls::LoadFormBounds(other, true, true);
  ExpectRect(other.BoundsRect(), 11, 12, 311, 212);
}

TEST_F(FormBounds, BringsAFormStoredOffEveryMonitorOntoTheNearestWorkArea) {
  MONITORINFO info;
  ASSERT_TRUE(controls::GetMonitorInfoAtPoint({0, 0}, info));
  const RECT work = info.rcWork;
  Store(work.right + 5000, work.top + 30, 320, 240);
  controls::LoadFormBounds(form, true, true);
  ExpectRect(form.BoundsRect(), work.right - 320, work.top + 30, work.right, work.top + 270);
  Store(-9000, -9000, 320, 240);
  controls::LoadFormBounds(form, true, true);
  ExpectRect(form.BoundsRect(), work.left, work.top, work.left + 320, work.top + 240);
  EXPECT_EQ(framework::TRegistryIniFile(controls::GetFormBoundsKey())
                .ReadInteger("TBoundsTestForm", "Left", 0),
            -9000)
      << "the stored values stay as they are";

  // Partly on a monitor is reachable: kept exactly.
  Store(work.right - 50, work.top + 10, 320, 240);
  controls::LoadFormBounds(form, true, true);
  ExpectRect(form.BoundsRect(), work.right - 50, work.top + 10, work.right + 270, work.top + 250);
}

TEST(MonitorLookup, FindsTheNearestMonitorForAnyPoint) {
  MONITORINFO near_origin, far_away;
  ASSERT_TRUE(controls::GetMonitorInfoAtPoint({0, 0}, near_origin));
  EXPECT_GT(near_origin.rcMonitor.right, near_origin.rcMonitor.left);
  ASSERT_TRUE(controls::GetMonitorInfoAtPoint({100000, 100000}, far_away));
  EXPECT_TRUE(EqualRect(&near_origin.rcMonitor, &far_away.rcMonitor));
}

}  // namespace
