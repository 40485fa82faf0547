// The base of the own-drawn controls, driven by real messages: the value-changed query, no
// background erasing, printing of the client area and of the frame through the GetWindowDC
// redirect, and the parent's background under a control.
#include "controls/xp_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "controls/xp_control_set.h"
#include "controls/xp_labels.h"
#include "framework/forms.h"
#include "framework/win/handles.h"
#include "controls/xp_control_utils.h"
#include "surface.h"

namespace {

using framework::TMessage;
using xptest::Colours;
using xptest::Pixels;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kWhite = RGB(255, 255, 255);

// Paints its client area blue and its frame (through GetWindowDC) green; keeps what it saw.
class TProbeControl : public controls::TXPCustomControl {
 public:
  using TXPCustomControl::TXPCustomControl;
  bool IsValueChanged() const override { return changed; }
  void SaveOriginalValue() override { ++saves; }
  void RedrawControl() override { ++redraws; }
  void WndProc(TMessage& message) override {
    if (message.msg == WM_NCPAINT) {
      frame_state = ControlState();
      const HDC dc = GetWindowDC(Handle());
      frame_dc = dc;
      const RECT corner = {0, 0, 4, 4};
      win::UniqueBrush green(CreateSolidBrush(kGreen));
      FillRect(dc, &corner, green.get());
      ReleaseDC(Handle(), dc);
      return;
    }
    TXPCustomControl::WndProc(message);
  }

  bool changed = false;
  int saves = 0, redraws = 0, paints = 0;
  unsigned paint_state = 0, frame_state = 0;
  HDC frame_dc = nullptr;

 protected:
  void Paint() override {
    ++paints;
    paint_state = ControlState();
    Canvas().Brush().SetColor(static_cast<framework::TColor>(kBlue));
    Canvas().FillRect(ClientRect());
    SetBkColor(Canvas().Handle(), kRed);  // the caller's DC state must come back
  }
};

class XPControl : public testing::Test {
 protected:
  void SetUp() override {
    form.SetBounds(0, 0, 200, 120);
    probe = new TProbeControl(&form);
    probe->SetParent(&form);
    probe->SetBounds(10, 10, 40, 30);
    probe->Handle();
  }
  framework::TForm form{nullptr};
  TProbeControl* probe = nullptr;
};

TEST_F(XPControl, AnswersTheValueChangedQuery) {
  controls::TXPCustomControl base(&form);
  base.SetParent(&form);
  EXPECT_EQ(SendMessageW(base.Handle(), controls::XPM_VALUECHANGED, 1, 0), 0)
      << "the base has no value";
  EXPECT_TRUE(base.ControlStyle() & framework::csDisplayDragImage);

  // Each query's answer and the saves so far: 1 asks, 2 saves, other values do nothing.
  std::string answers;
  for (const WPARAM query : {1, 0, 1, 2, 0, 3, 0x101}) {
    if (query == 0) probe->changed = !probe->changed;  // the value changes in between
    const LRESULT answer = SendMessageW(probe->Handle(), controls::XPM_VALUECHANGED, query, 0);
    answers += std::to_string(answer) + std::to_string(probe->saves) + " ";
  }
  EXPECT_EQ(answers, "00 00 10 01 01 01 01 ");

  // Smooth drawing redraws once per change.
  EXPECT_FALSE(base.SmoothDraw());
  for (const bool smooth : {false, true, true}) probe->SetSmoothDraw(smooth);
  EXPECT_TRUE(probe->SmoothDraw());
  EXPECT_EQ(probe->redraws, 1);
}

TEST_F(XPControl, ErasesNothingAndPrintsItsClientArea) {
  xptest::Surface surface(40, 30, kWhite);
  const HWND hwnd = probe->Handle();
  EXPECT_EQ(SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(surface.dc()), 0), 1);
  EXPECT_EQ(surface.Pixel(5, 5), kWhite) << "nothing erased";
  EXPECT_EQ(probe->paints, 0);

  SetBkColor(surface.dc(), kGreen);
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.dc()), PRF_CLIENT);
  EXPECT_EQ(probe->paints, 1);
  EXPECT_EQ(surface.Pixel(5, 5), kBlue);
  EXPECT_TRUE(probe->paint_state & framework::csPaintCopy) << "painting a copy";
  EXPECT_FALSE(probe->ControlState() & framework::csPaintCopy);
  EXPECT_EQ(GetBkColor(surface.dc()), kGreen) << "the DC is restored";

  // A hidden control asked to check visibility goes the framework's way: no copy state.
  probe->SetVisible(false);
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(surface.dc()),
               PRF_CLIENT | PRF_CHECKVISIBLE);
  EXPECT_FALSE(probe->paint_state & framework::csPaintCopy);
}

TEST_F(XPControl, PrintsItsFrameThroughTheGetWindowDcRedirect) {
  xptest::Surface surface(40, 30, kWhite);
  const LRESULT result =
      SendMessageW(probe->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(surface.dc()),
                   PRF_NONCLIENT | PRF_CLIENT);
  xptest::WritePicture(surface, "xp_control_print", 4);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(probe->frame_dc, surface.dc()) << "GetWindowDC handed out the print DC";
  EXPECT_EQ(Pixels(surface, {{1, 1}, {20, 20}}), Colours({kGreen, kBlue}))
      << "the frame and the client area landed in the print DC";
  EXPECT_TRUE(probe->frame_state & framework::csPrinting);
  EXPECT_FALSE(probe->ControlState() & framework::csPrinting);

  // Outside printing, GetWindowDC is the system's again.
  const HDC own = GetWindowDC(probe->Handle());
  EXPECT_NE(own, surface.dc());
  EXPECT_NE(own, nullptr);
  ReleaseDC(probe->Handle(), own);
}

// Green background with a red square at (20, 20)-(30, 30) of its own client area.
class TParentControl : public framework::TCustomControl {
 public:
  explicit TParentControl(framework::TComponent* owner) : TCustomControl(owner) {
    SetColor(static_cast<framework::TColor>(kGreen));
    SetDoubleBuffered(true);
  }
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    Canvas().Brush().SetColor(static_cast<framework::TColor>(kRed));
    Canvas().FillRect({20, 20, 30, 30});
  }
};

TEST_F(XPControl, DrawsWhatTheParentShowsUnderTheControl) {
  auto* parent = new TParentControl(&form);
  parent->SetParent(&form);
  parent->SetBounds(0, 0, 100, 80);
  auto* child = new TProbeControl(&form);
  child->SetParent(parent);
  child->SetBounds(15, 15, 20, 20);

  xptest::Surface whole(20, 20, kWhite);
  controls::DrawParentBackground(*child, whole.dc());
  xptest::WritePicture(whole, "xp_parent_background", 4);
  // The parent's erased background and its painting, moved by the control's place.
  EXPECT_EQ(Pixels(whole, {{0, 0}, {5, 5}, {14, 14}, {15, 15}}),
            Colours({kGreen, kRed, kRed, kGreen}));
  EXPECT_EQ(child->paints, 0) << "the control itself is not painted";
  EXPECT_EQ(parent->paints, 1);
  EXPECT_TRUE(parent->DoubleBuffered()) << "the parent's setting is back";
  POINT origin{-1, -1};
  GetWindowOrgEx(whole.dc(), &origin);
  EXPECT_TRUE(origin.x == 0 && origin.y == 0) << "the origin is back";

  xptest::Surface clipped(20, 20, kWhite);
  const RECT clip = {0, 0, 8, 8};
  controls::DrawParentBackground(*child, clipped.dc(), &clip);
  EXPECT_EQ(Pixels(clipped, {{6, 6}, {9, 9}, {12, 2}}), Colours({kRed, kWhite, kWhite}))
      << "nothing outside the clip rectangle";
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(clipped.dc(), region), 0) << "no clipping left behind";
  DeleteObject(region);

  controls::TXPCustomControl orphan(nullptr);
  xptest::Surface untouched(20, 20, kWhite);
  controls::DrawParentBackground(orphan, untouched.dc());
  EXPECT_EQ(untouched.InkBox(kWhite).right, 0) << "nothing without a parent";
}

// What a form description leaves out is what a new control has: every property that a class of
// the set declares (or declares again) with a default, and those of the labels' hot tracking.
TEST(XPControlSet, NewControlsHaveTheDefaultsTheirClassesDeclare) {
  const auto expect_defaults = [](const framework::TClassInfo& info, void* object) {
    const framework::TClassInfo* base = info.Parent();
    while (base && base->Name().find("XP") != std::string::npos) base = base->Parent();
    const auto inherited = base ? base->Properties() : std::vector<const framework::PropInfo*>{};
    for (const framework::PropInfo* prop : info.Properties()) {
      if (!prop->default_value || !prop->get ||
          std::find(inherited.begin(), inherited.end(), prop) != inherited.end()) {
        continue;
      }
      EXPECT_TRUE(prop->get(object) == *prop->default_value) << info.Name() << "." << prop->name;
    }
  };
  controls::RegisterXPControls();
  for (const char* name : {"TXPBitBtn", "TXPCheckBox", "TXPComboBox", "TXPEdit", "TXPExtPanel",
                           "TXPGroupBox", "TXPCustomLabel", "TXPSplitter"}) {
    const std::unique_ptr<framework::TComponent> made(framework::FindClass(name)(nullptr));
    expect_defaults(made->ClassInfo(), made.get());
  }
  controls::TXPHotTrack hot;
  expect_defaults(controls::TXPHotTrack::StaticClassInfo(), &hot);
}

}  // namespace
