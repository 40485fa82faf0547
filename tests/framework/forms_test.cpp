// Forms and controls under Wine: real windows driven by real messages, checked by state and by
// pixels of what they paint.
#include "framework/forms.h"

#include <gtest/gtest.h>

#include "framework/application.h"
#include "framework/hint_window.h"
#include "framework/image_list.h"
#include "framework/menus.h"
#include "framework/screen.h"
#include "framework/win/handles.h"
#include "render.h"
#include "sample_form.h"

using namespace framework;
using testforms::TSampleForm;
using testsupport::CountPixels;
using testsupport::PixelAt;

namespace {

void PostKey(HWND hwnd, WORD key) { PostMessageW(hwnd, WM_KEYDOWN, key, 1); }

// Answers a modal form as the host does: finds a button by caption and sends it BM_CLICK.
struct HostAnswer {
  static inline std::wstring caption;
  static inline std::wstring button;
  static inline std::wstring seen_caption;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND form = FindWindowW(nullptr, caption.c_str());
    if (!form) return;
    wchar_t text[64] = {};
    GetWindowTextW(form, text, 64);
    seen_caption = text;
    EnumChildWindows(form, PressButton, 0);
  }
  static BOOL CALLBACK PressButton(HWND child, LPARAM) {
    wchar_t name[64] = {}, title[64] = {};
    GetClassNameW(child, name, 64);
    GetWindowTextW(child, title, 64);
    if (_wcsicmp(name, L"Button") != 0 || button != title) return TRUE;
    SendMessageW(child, BM_CLICK, 0, 0);
    return FALSE;
  }
};

}  // namespace

TEST(Forms, ShowModalAnswersEnterEscapeAndTab) {
  {
    TSampleForm form(nullptr);
    auto& edit = form.Get<TEdit>("EditName");
    std::vector<WORD> keys_seen;
    edit.OnKeyDown = [&](TComponent*, WORD& key, unsigned) { keys_seen.push_back(key); };
    PostKey(edit.Handle(), VK_RETURN);  // the edit does not want Enter: the default button
    EXPECT_EQ(form.ShowModal(), kModalOk);
    EXPECT_TRUE(keys_seen.empty()) << "a dialog key is not handed on to the control";
    EXPECT_EQ(form.ok_clicks, 1);
    EXPECT_EQ(form.shows, 1);
    EXPECT_FALSE(IsWindowVisible(form.Handle())) << "hidden again after the loop";
  }
  {
    TSampleForm form(nullptr);
    auto& edit = form.Get<TEdit>("EditName");
    auto& memo = form.Get<TMemo>("MemoNotes");
    HWND focus_at_cancel = nullptr;
    form.Get<TButton>("ButtonCancel").OnClick = [&](TComponent*) { focus_at_cancel = GetFocus(); };
    PostKey(edit.Handle(), VK_TAB);     // to the memo
    PostKey(memo.Handle(), VK_RETURN);  // the memo wants Enter: a new line, not OK
    // Then Escape presses the cancel button (once the line is there: the character comes later).
    memo.OnChange = [&](TComponent*) { PostKey(memo.Handle(), VK_ESCAPE); };
    EXPECT_EQ(form.ShowModal(), kModalCancel);
    EXPECT_EQ(focus_at_cancel, memo.Handle());
    EXPECT_EQ(form.ok_clicks, 0);
    EXPECT_EQ(memo.Lines().size(), 3u) << "Enter broke a line in the memo";
  }
  {
    // Shift+Tab goes backwards: from the edit around to the cancel button, then Enter presses
    // the focused button rather than the default one.
    TSampleForm form(nullptr);
    auto& edit = form.Get<TEdit>("EditName");
    auto& cancel = form.Get<TButton>("ButtonCancel");
    form.OnShow = [&](TComponent*) {
      BYTE keys[256] = {};
      GetKeyboardState(keys);
      keys[VK_SHIFT] = 0x80;
      SetKeyboardState(keys);
      PostKey(edit.Handle(), VK_TAB);
    };
    cancel.OnEnter = [&](TComponent*) {
      BYTE keys[256] = {};
      GetKeyboardState(keys);
      keys[VK_SHIFT] = 0;
      SetKeyboardState(keys);
      PostKey(cancel.Handle(), VK_RETURN);
    };
    EXPECT_EQ(form.ShowModal(), kModalCancel);
    EXPECT_EQ(form.ok_clicks, 0);
  }
  {
    // Without a default button Enter goes on to the focused control.
    TSampleForm form(nullptr);
    form.Get<TButton>("ButtonOK").SetDefault(false);
    auto& edit = form.Get<TEdit>("EditName");
    std::vector<WORD> keys_seen;
    edit.OnKeyDown = [&](TComponent*, WORD& key, unsigned) {
      keys_seen.push_back(key);
      if (key == VK_RETURN) PostKey(edit.Handle(), VK_ESCAPE);
    };
    PostKey(edit.Handle(), VK_RETURN);
    EXPECT_EQ(form.ShowModal(), kModalCancel);
    EXPECT_EQ(keys_seen, std::vector<WORD>{VK_RETURN});
    EXPECT_EQ(form.ok_clicks, 0);
  }
}

TEST(Forms, TheHostAnswersAModalFormByCaptionAndButton) {
  TSampleForm form(nullptr);
  HostAnswer::caption = form.Caption();
  HostAnswer::button = L"Cancel";
  SetTimer(nullptr, 0, 20, HostAnswer::Tick);
  EXPECT_EQ(form.ShowModal(), kModalCancel);
  EXPECT_EQ(HostAnswer::seen_caption, L"Sample \x2013 dialog");
  // The same form again, now with OK: a form can be shown modally more than once.
  HostAnswer::button = L"OK";
  SetTimer(nullptr, 0, 20, HostAnswer::Tick);
  EXPECT_EQ(form.ShowModal(), kModalOk);
  EXPECT_EQ(form.ok_clicks, 1);
  // A helper that cannot find the buttons sends IDCANCEL as a command; other commands without a
  // control (a menu's) press nothing.
  PostMessageW(form.Handle(), WM_COMMAND, 100, 0);
  PostMessageW(form.Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(form.ShowModal(), kModalCancel);
  EXPECT_EQ(form.ok_clicks, 1);
  // Closing the window (its close box) cancels a modal form.
  PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form.ShowModal(), kModalCancel);
}

TEST(Forms, CloseQueryCanRefuseAndReleaseFreesAfterTheMessage) {
  TSampleForm form(nullptr);
  int asked = 0;
  form.OnCloseQuery = [&](TComponent*, bool& can_close) { can_close = ++asked > 1; };
  PostMessageW(form.Handle(), WM_COMMAND, IDCANCEL, 0);  // refused
  PostMessageW(form.Handle(), WM_COMMAND, IDOK, 0);      // accepted
  EXPECT_EQ(form.ShowModal(), kModalOk);
  EXPECT_EQ(asked, 2);

  struct Observer : TComponent {
    using TComponent::TComponent;
    bool freed = false;
    void Notification(TComponent*, TOperation op) override { freed |= op == TOperation::opRemove; }
  } observer(nullptr);
  auto* released = new TSampleForm(nullptr);
  released->FreeNotification(&observer);
  HWND hwnd = released->Handle();
  released->OnClick = [released](TComponent*) { released->Release(); };
  released->Perform(WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  released->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_FALSE(observer.freed) << "not while the message that asked is handled";
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, hwnd, CM_RELEASE, CM_RELEASE, PM_NOREMOVE)) << "posted as 45089";
  Application::Instance().ProcessMessages();
  EXPECT_TRUE(observer.freed);
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Forms, ExceptionsInHandlersAreReportedAndTheLoopGoesOn) {
  std::vector<std::string> reported;
  Application::Instance().OnException = [&](const std::string& message) {
    reported.push_back(message);
  };
  TSampleForm form(nullptr);
  auto& ok = form.Get<TButton>("ButtonOK");
  ok.OnClick = [](TComponent*) { throw EComponentError("handler failed"); };
  SendMessageW(ok.Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(reported, std::vector<std::string>{"handler failed"});
  // A throwing key handler inside the modal loop: reported, then Escape still ends the loop.
  form.Get<TEdit>("EditName").OnKeyDown = [](TComponent*, WORD&, unsigned) {
    throw std::runtime_error("key failed");
  };
  PostMessageW(form.Get<TEdit>("EditName").Handle(), WM_KEYDOWN, 'A', 1);
  PostKey(form.Get<TEdit>("EditName").Handle(), VK_ESCAPE);
  EXPECT_EQ(form.ShowModal(), kModalCancel);
  EXPECT_EQ(reported.size(), 2u);
  Application::Instance().OnException = nullptr;
}

TEST(Controls, NotificationsFollowStateChanges) {
  struct Probe : TCustomControl {
    using TCustomControl::TCustomControl;
    std::vector<UINT> seen;
    void WndProc(TMessage& m) override {
      if (m.msg >= CM_BASE && m.msg < CN_BASE) seen.push_back(m.msg);
      TCustomControl::WndProc(m);
    }
  };
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto* probe = new Probe(&form);
  probe->SetParent(&form);
  probe->SetBounds(10, 10, 100, 50);
  auto* label = new TLabel(&form);
  label->SetParent(probe);
  label->SetBounds(5, 5, 40, 20);
  probe->Handle();
  probe->seen.clear();

  probe->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(probe->Handle()));
  probe->SetCaption(L"probe");
  wchar_t text[16] = {};
  GetWindowTextW(probe->Handle(), text, 16);
  EXPECT_STREQ(text, L"probe");
  probe->Font().SetHeight(-20);
  EXPECT_EQ(label->Font().Height(), -20) << "the child follows its parent's font";
  EXPECT_TRUE(label->ParentFont());
  probe->SetColor(clRed);
  EXPECT_EQ(label->Color(), clRed);
  form.Font().SetStyle(fsItalic);
  EXPECT_EQ(probe->Font().Style(), 0u) << "a control with its own font keeps it";
  EXPECT_EQ(probe->seen, (std::vector<UINT>{CM_ENABLEDCHANGED, CM_TEXTCHANGED, CM_FONTCHANGED,
                                            CM_COLORCHANGED, CM_PARENTFONTCHANGED}));

  // OnResize for a new size, not for a move; for windowless controls too.
  int probe_resizes = 0, label_resizes = 0;
  probe->OnResize = [&](TComponent*) { ++probe_resizes; };
  label->OnResize = [&](TComponent*) { ++label_resizes; };
  probe->SetBounds(20, 20, 100, 50);
  label->SetLeft(6);
  EXPECT_EQ(probe_resizes + label_resizes, 0);
  probe->SetWidth(120);
  label->SetHeight(22);
  EXPECT_EQ(probe_resizes, 1);
  EXPECT_EQ(label_resizes, 1);
  label->SetBounds(5, 5, 40, 20);

  // The mouse over the label (windowless) reaches it through its parent.
  int label_clicks = 0, enters = 0, leaves = 0;
  label->OnClick = [&](TComponent*) { ++label_clicks; };
  label->OnMouseEnter = [&](TComponent*) { ++enters; };
  label->OnMouseLeave = [&](TComponent*) { ++leaves; };
  label->SetControlStyle(label->ControlStyle() | csCaptureMouse);
  unsigned down_shift = 0;
  POINT down_at{};
  label->OnMouseDown = [&](TComponent*, TMouseButton, unsigned shift, int x, int y) {
    down_shift = shift;
    down_at = {x, y};
  };
  probe->SetEnabled(true);
  SendMessageW(probe->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  POINT dragged_to{};
  label->OnMouseMove = [&](TComponent*, unsigned, int x, int y) { dragged_to = {x, y}; };
  SendMessageW(probe->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  // While the button is down the label keeps the mouse, even outside itself.
  SendMessageW(probe->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70, 40));
  EXPECT_EQ(dragged_to.x, 65);
  EXPECT_EQ(dragged_to.y, 35);
  SendMessageW(probe->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(12, 12));
  SendMessageW(probe->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(80, 40));
  EXPECT_EQ(label_clicks, 1);
  EXPECT_EQ(down_shift, ssLeft) << "the left button, no Alt, Shift or Ctrl";
  EXPECT_EQ(down_at.x, 5) << "in the label's own coordinates";
  EXPECT_EQ(down_at.y, 5);
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(leaves, 1);
  EXPECT_TRUE(probe->ControlState() & csMouseInside);
  SendMessageW(probe->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(probe->ControlState() & csMouseInside);
}

TEST(Controls, RecreatedWindowsKeepTheirState) {
  TSampleForm form(nullptr);
  auto& memo = form.Get<TMemo>("MemoNotes");
  HWND old = memo.Handle();
  SendMessageW(old, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed\r\ntext"));
  memo.SetWordWrap(false);  // a style the system edit takes only when made
  EXPECT_NE(memo.Handle(), old);
  EXPECT_FALSE(IsWindow(old));
  EXPECT_TRUE(GetWindowLongW(memo.Handle(), GWL_STYLE) & WS_HSCROLL);
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"typed", "text"}));
  RECT rect{};
  GetWindowRect(memo.Handle(), &rect);
  EXPECT_EQ(rect.right - rect.left, 200);
  SendMessageW(form.Get<TEdit>("EditName").Handle(), WM_CHAR, L'x', 1);  // typed: no WM_SETTEXT
  form.SetBorderStyle(TFormBorderStyle::bsSizeable);
  EXPECT_EQ(form.Get<TEdit>("EditName").Text(), L"xfirst") << "children come back with the form";
  EXPECT_TRUE(GetWindowLongW(form.Handle(), GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(GetParent(memo.Handle()), form.Handle());
}

TEST(Controls, AFreedFormTakesItsWindowsAlongWithoutRunningHandlers) {
  auto* form = new TSampleForm(nullptr);
  TEdit outliving(nullptr);  // not the form's own: outlives it without a window
  outliving.SetParent(&form->Get<TPanel>("PanelButtons"));
  form->SetVisible(true);
  outliving.SetFocus();
  ASSERT_TRUE(outliving.Focused());
  outliving.OnExit = [](TComponent*) { ADD_FAILURE() << "no handler runs while a form is freed"; };
  const HWND windows[] = {form->Handle(), outliving.Handle()};
  delete form;
  EXPECT_FALSE(IsWindow(windows[0]) || IsWindow(windows[1]));
  EXPECT_FALSE(outliving.HandleAllocated());
}

TEST(Controls, SampleFormPaintsItsAreas) {
  TSampleForm form(nullptr);
  form.Get<TMemo>("MemoNotes").SetColor(clYellow);
  auto bitmap = testsupport::Render(form);
  testsupport::SavePicture(*bitmap, "sample_form");
  ASSERT_EQ(bitmap->Width(), 300);
  const uint32_t face = ColorToRGB(clBtnFace);
  EXPECT_EQ(PixelAt(*bitmap, 290, 20), face) << "the form's own background";
  EXPECT_EQ(PixelAt(*bitmap, 20, 150), 0xE0E0E0u) << "the panel's colour";
  EXPECT_EQ(PixelAt(*bitmap, 250, 14), ColorToRGB(clWindow)) << "inside the edit";
  EXPECT_GT(CountPixels(*bitmap, {62, 38, 258, 104}, 0x00FFFF), 5000) << "the yellow memo";
  EXPECT_GT(CountPixels(*bitmap, {8, 12, 56, 28}, 0x800000), 5) << "the navy label text";
  EXPECT_EQ(CountPixels(*bitmap, {0, 0, 8, 100}, 0x800000), 0);
  // The system buttons paint in place: captions inside their rectangles, none left of them.
  EXPECT_GT(CountPixels(*bitmap, {136, 128, 211, 153}, 0), 10) << "the OK caption";
  EXPECT_GT(CountPixels(*bitmap, {216, 128, 291, 153}, 0), 10) << "the Cancel caption";
  EXPECT_EQ(CountPixels(*bitmap, {0, 120, 130, 160}, 0), 0);
}

TEST(Controls, HintsAppearAfterThePauseAndGoWithTheMouse) {
  THintController& hints = THintController::Instance();
  hints.SetHintPause(20);
  TForm form(nullptr);
  form.SetBounds(100, 100, 300, 200);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetBounds(10, 10, 100, 20);
  label->SetHint("Drill pairs of the via style");
  label->SetShowHint(true);
  auto* quiet = new TLabel(&form);
  quiet->SetParent(&form);
  quiet->SetBounds(10, 40, 100, 20);
  quiet->SetHint("not shown: ShowHint is off");
  form.Show();
  const auto pump = [](int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (GetTickCount() < end) {
      Application::Instance().ProcessMessages();
      Sleep(5);
    }
  };
  SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 45));
  pump(100);
  EXPECT_EQ(hints.ShownHint(), nullptr);
  SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 15));
  EXPECT_EQ(hints.ShownHint(), nullptr) << "not before the pause";
  pump(150);
  THintWindow* hint = hints.ShownHint();
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(IsWindowVisible(hint->Handle()));
  EXPECT_EQ(hint->Caption(), L"Drill pairs of the via style");
  auto bitmap = testsupport::Render(*hint);
  testsupport::SavePicture(*bitmap, "hint_window");
  EXPECT_EQ(PixelAt(*bitmap, 1, 1), ColorToRGB(clInfoBk));
  EXPECT_GT(CountPixels(*bitmap, {3, 3, hint->ClientWidth() - 3, hint->ClientHeight() - 3},
                        ColorToRGB(clInfoText)),
            10);
  SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(200, 150));
  EXPECT_EQ(hints.ShownHint(), nullptr);
  EXPECT_FALSE(IsWindowVisible(hint->Handle()));
  // A control that goes while its hint waits takes the hint with it.
  SendMessageW(form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 15));
  delete label;
  pump(100);
  EXPECT_EQ(hints.ShownHint(), nullptr);
  hints.SetHintPause(500);
}

TEST(Controls, ImageListsDrawMaskedAndGreyedImagesAndDrag) {
  TImageList images(nullptr);
  images.SetWidth(8);
  images.SetHeight(8);
  TBitmap strip(16, 8, TPixelFormat::pf24bit);
  strip.Canvas().Brush().SetColor(clFuchsia);  // the see-through colour
  strip.Canvas().FillRect({0, 0, 16, 8});
  strip.Canvas().Brush().SetColor(clBlue);
  strip.Canvas().FillRect({2, 2, 6, 6});
  strip.Canvas().Brush().SetColor(clRed);
  strip.Canvas().FillRect({8, 0, 16, 8});
  EXPECT_EQ(images.AddMasked(strip, clFuchsia), 0);
  EXPECT_EQ(images.Count(), 2);
  EXPECT_EQ(PixelAt(strip, 0, 0), 0xFF00FFu) << "the caller's bitmap is left alone";
  TBitmap target(40, 10, TPixelFormat::pf32bit);
  target.Canvas().Brush().SetColor(clWhite);
  target.Canvas().FillRect({0, 0, 40, 10});
  images.Draw(target.Canvas(), 0, 0, 0);
  images.Draw(target.Canvas(), 10, 0, 1);
  images.Draw(target.Canvas(), 20, 0, 1, false);
  testsupport::SavePicture(target, "image_list");
  EXPECT_EQ(PixelAt(target, 0, 0), 0xFFFFFFu) << "masked out";
  EXPECT_EQ(PixelAt(target, 3, 3), 0xFF0000u);
  EXPECT_EQ(PixelAt(target, 14, 4), 0x0000FFu);
  const uint32_t greyed = PixelAt(target, 24, 4);
  EXPECT_NE(greyed, 0x0000FFu) << "disabled images are not drawn as they are";
  EXPECT_THROW(images.Draw(target.Canvas(), 0, 0, 2), EComponentError);
  EXPECT_THROW(images.Add(TBitmap(4, 4)), EInvalidGraphic);

  TForm form(nullptr);
  form.Show();
  ASSERT_TRUE(images.BeginDrag(1, {4, 4}));
  images.DragEnter(form.Handle(), {10, 10});
  images.DragMove({20, 20});
  images.DragLeave(form.Handle());
  EXPECT_TRUE(images.Dragging());
  images.EndDrag();
  EXPECT_FALSE(images.Dragging());
  images.Delete(0);
  EXPECT_EQ(images.Count(), 1);
  images.SetWidth(10);
  EXPECT_EQ(images.Count(), 0) << "a new size empties the list";
}

TEST(Controls, CursorsByIdentifier) {
  TScreen& screen = Screen();
  EXPECT_EQ(screen.CursorHandle(crIBeam), LoadCursorW(nullptr, IDC_IBEAM));
  EXPECT_EQ(screen.CursorHandle(crDefault), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(screen.CursorHandle(crNone), nullptr);
  HCURSOR own = CopyCursor(LoadCursorW(nullptr, IDC_HAND));
  screen.SetCursorHandle(5, own);
  EXPECT_EQ(screen.CursorHandle(5), own);
  EXPECT_THROW(screen.SetCursorHandle(-3, own), EComponentError) << "built-in identifiers stay";
}

TEST(Controls, PopupMenusFromADescriptionShowAndAnswer) {
  TSampleForm form(nullptr, "");
  ReadComponentText(form,
                    "object F: TSampleForm\n"
                    "  object Menu: TPopupMenu\n"
                    "    object ItemCopy: TMenuItem\n      Caption = 'Copy'\n"
                    "      OnClick = ButtonOKClick\n    end\n"
                    "    object ItemLine: TMenuItem\n      Caption = '-'\n    end\n"
                    "    object ItemShow: TMenuItem\n      Caption = 'Show'\n"
                    "      object ItemGrid: TMenuItem\n        Caption = 'Grid'\n"
                    "        Checked = True\n      end\n"
                    "      object ItemHidden: TMenuItem\n        Visible = False\n      end\n"
                    "    end\n"
                    "    object ItemOff: TMenuItem\n      Caption = 'Off'\n"
                    "      Enabled = False\n    end\n"
                    "  end\n"
                    "end\n",
                    "menu");
  auto& menu = form.Get<TPopupMenu>("Menu");
  ASSERT_EQ(menu.Items().Items().size(), 4u);
  EXPECT_EQ(form.Get<TMenuItem>("ItemGrid").Parent(), &form.Get<TMenuItem>("ItemShow"));

  std::vector<TMenuItem*> commands;
  HMENU built = menu.BuildMenu(commands);
  EXPECT_EQ(GetMenuItemCount(built), 4);
  wchar_t text[32] = {};
  GetMenuStringW(built, 0, text, 32, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Copy");
  EXPECT_TRUE(GetMenuState(built, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(built, 3, MF_BYPOSITION) & MF_GRAYED);
  HMENU sub = GetSubMenu(built, 2);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(GetMenuItemCount(sub), 1) << "invisible items are left out";
  EXPECT_TRUE(GetMenuState(sub, 0, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(commands, (std::vector<TMenuItem*>{&form.Get<TMenuItem>("ItemCopy"),
                                               &form.Get<TMenuItem>("ItemGrid"),
                                               &form.Get<TMenuItem>("ItemOff")}));
  DestroyMenu(built);

  // Shown for real: the user goes down to the first item and takes it.
  form.Show();
  Application::Instance().SetHandle(form.Handle());
  int popups = 0;
  menu.OnPopup = [&](TComponent*) {
    ++popups;
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(form.Handle(), WM_KEYDOWN, VK_RETURN, 1);
  };
  EXPECT_TRUE(menu.Popup(50, 50));
  EXPECT_EQ(form.ok_clicks, 1);
  menu.OnPopup = [&](TComponent*) { PostMessageW(form.Handle(), WM_KEYDOWN, VK_ESCAPE, 1); };
  EXPECT_FALSE(menu.Popup(50, 50)) << "Escape chooses nothing";
  EXPECT_EQ(form.ok_clicks, 1);
  EXPECT_EQ(popups, 1);
  Application::Instance().SetHandle(nullptr);
}

TEST(Controls, TimersImagesPanelsAndLabelsDoTheirPart) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  form.SetColor(clWhite);
  // A timer ticks from the message loop until it is switched off.
  auto* timer = new TTimer(&form);
  int ticks = 0;
  timer->SetInterval(10);
  timer->OnTimer = [&](TComponent*) {
    if (++ticks == 3) timer->SetEnabled(false);
  };
  const DWORD end = GetTickCount() + 400;
  while (GetTickCount() < end && ticks < 3) {
    Application::Instance().ProcessMessages();
    Sleep(5);
  }
  EXPECT_EQ(ticks, 3);
  Sleep(50);
  Application::Instance().ProcessMessages();
  EXPECT_EQ(ticks, 3) << "no tick after Enabled = False";

  auto* image = new TImage(&form);
  image->SetParent(&form);
  image->SetBounds(10, 10, 40, 40);
  TBitmap& picture = image->Picture().Bitmap();
  picture.SetSize(4, 4);
  picture.Canvas().Brush().SetColor(clGreen);
  picture.Canvas().FillRect({0, 0, 4, 4});
  auto* centred = new TImage(&form);
  centred->SetParent(&form);
  centred->SetBounds(60, 10, 40, 40);
  centred->Picture().Assign(image->Picture());
  centred->SetCenter(true);
  image->SetStretch(true);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(110, 10, 80, 40);
  panel->SetBevelOuter(TPanelBevel::bvLowered);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetBounds(10, 60, 180, 20);
  label->SetCaption(L"right");
  label->SetAlignment(TAlignment::taRightJustify);
  label->SetTransparent(true);

  auto bitmap = testsupport::Render(form);
  testsupport::SavePicture(*bitmap, "standard_controls");
  EXPECT_EQ(CountPixels(*bitmap, {10, 10, 50, 50}, 0x008000), 1600) << "stretched to the bounds";
  EXPECT_EQ(CountPixels(*bitmap, {60, 10, 100, 50}, 0x008000), 16) << "centred at its size";
  EXPECT_EQ(PixelAt(*bitmap, 79, 29), 0x008000u);
  EXPECT_EQ(PixelAt(*bitmap, 110, 10), ColorToRGB(clBtnShadow)) << "a lowered bevel";
  EXPECT_EQ(PixelAt(*bitmap, 189, 49), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(PixelAt(*bitmap, 150, 30), ColorToRGB(clBtnFace));
  EXPECT_EQ(CountPixels(*bitmap, {10, 60, 150, 80}, 0), 0) << "right-aligned text";
  EXPECT_GT(CountPixels(*bitmap, {150, 60, 190, 80}, 0), 5);
  EXPECT_EQ(PixelAt(*bitmap, 12, 62), 0xFFFFFFu) << "a transparent label shows its parent";

  // Aligned controls share the client area, and take back what a hidden one leaves.
  auto* top = new TPanel(&form);
  top->SetParent(&form);
  top->SetHeight(30);
  top->SetAlign(TAlign::alTop);
  auto* rest = new TPanel(&form);
  rest->SetParent(&form);
  rest->SetAlign(TAlign::alClient);
  EXPECT_EQ(rest->BoundsRect().top, 30);
  EXPECT_EQ(rest->Height(), form.ClientHeight() - 30);
  top->Hide();
  EXPECT_EQ(rest->BoundsRect().top, 0);
  top->Show();
  EXPECT_EQ(rest->BoundsRect().top, 30);
}

TEST(Controls, PaintMessagesReachPaintWithAndWithoutDoubleBuffering) {
  struct Counter : TCustomControl {
    using TCustomControl::TCustomControl;
    int paints = 0;
    void Paint() override {
      ++paints;
      Canvas().Brush().SetColor(clRed);
      Canvas().FillRect(ClientRect());
    }
  };
  TForm form(nullptr);
  auto* counter = new Counter(&form);
  counter->SetParent(&form);
  counter->SetBounds(0, 0, 50, 50);
  form.Show();
  for (bool buffered : {false, true}) {
    SCOPED_TRACE(buffered ? "double-buffered" : "direct");
    counter->SetDoubleBuffered(buffered);
    const int before = counter->paints;
    counter->Repaint();
    EXPECT_EQ(counter->paints, before + 1);
  }
  // A cursor of its own while the mouse is over it.
  counter->SetCursor(crHandPoint);
  const LRESULT handled =
      SendMessageW(counter->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(counter->Handle()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(handled, TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  Screen().SetCursor(crHourGlass);
  SendMessageW(counter->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(counter->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT)) << "the screen's cursor goes first";
  Screen().SetCursor(crDefault);
}

TEST(Forms, ConstraintsLimitTheSizeAndAVisibleFormIsNotMadeModal) {
  TSampleForm form(nullptr);  // MinWidth 200 from its description
  MINMAXINFO untouched{};
  untouched.ptMinTrackSize = {1, 1};
  untouched.ptMaxTrackSize = {5000, 5000};
  SendMessageW(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&untouched));
  EXPECT_EQ(untouched.ptMinTrackSize.y, 1) << "no limit given: the system's stays";
  EXPECT_EQ(untouched.ptMaxTrackSize.y, 5000);
  EXPECT_EQ(untouched.ptMinTrackSize.x, 200);
  form.Constraints().SetMaxHeight(300);
  form.Constraints().SetMinHeight(120);
  form.SetBounds(0, 0, 100, 500);
  EXPECT_EQ(form.Width(), 200);
  EXPECT_EQ(form.Height(), 300);
  MINMAXINFO info{};
  info.ptMaxTrackSize = {5000, 5000};
  SendMessageW(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.x, 200);
  EXPECT_EQ(info.ptMinTrackSize.y, 120);
  EXPECT_EQ(info.ptMaxTrackSize.x, 5000) << "no limit given";
  EXPECT_EQ(info.ptMaxTrackSize.y, 300);
  // The system moving the window: the form follows.
  SetWindowPos(form.Handle(), nullptr, 33, 44, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form.Left(), 33);
  EXPECT_EQ(form.Top(), 44);
  // The focus goes to the first control Tab reaches.
  auto& edit = form.Get<TEdit>("EditName");
  edit.SetTabStop(false);
  form.Show();
  EXPECT_EQ(GetFocus(), form.Get<TMemo>("MemoNotes").Handle());
  edit.SetTabStop(true);
  const RECT area = Screen().WorkArea();
  EXPECT_EQ(form.Left(), area.left + (area.right - area.left - 200) / 2) << "poScreenCenter";
  EXPECT_EQ(form.Top(), area.top + (area.bottom - area.top - 300) / 2);
  EXPECT_THROW(form.ShowModal(), EComponentError);
  // Disabled controls are passed over by Tab.
  edit.SetEnabled(false);
  EXPECT_FALSE(edit.CanFocus());
  EXPECT_EQ(form.FindNextControl(nullptr, true, true), &form.Get<TMemo>("MemoNotes"));
  edit.SetEnabled(true);
  form.Hide();
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  PostMessageW(form.Handle(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(form.ShowModal(), kModalOk) << "hidden again, it can be";

  TForm plain(nullptr);  // described nowhere
  plain.Show();
  RECT window{};
  GetWindowRect(plain.Handle(), &window);
  EXPECT_EQ(window.right - window.left, 320);
  EXPECT_EQ(window.bottom - window.top, 240);
}

TEST(Forms, ControlsClaimTabThroughTheirDialogCode) {
  TSampleForm form(nullptr);
  auto& memo = form.Get<TMemo>("MemoNotes");
  memo.SetWantTabs(true);
  memo.SetText(L"");
  form.SetActiveControl(&memo);
  HWND focus_at_cancel = nullptr;
  bool memo_focused = false, cancel_focused = true;
  auto& cancel = form.Get<TButton>("ButtonCancel");
  cancel.OnClick = [&](TComponent*) {
    focus_at_cancel = GetFocus();
    memo_focused = memo.Focused();
    cancel_focused = cancel.Focused();
  };
  memo.OnChange = [&](TComponent*) { PostKey(memo.Handle(), VK_ESCAPE); };
  PostKey(memo.Handle(), VK_TAB);  // a tab character in the memo, not the next control
  EXPECT_EQ(form.ShowModal(), kModalCancel);
  EXPECT_EQ(memo.Text(), L"\t");
  EXPECT_EQ(focus_at_cancel, memo.Handle());
  EXPECT_TRUE(memo_focused);
  EXPECT_FALSE(cancel_focused) << "Escape presses the cancel button without focusing it";
}

TEST(Forms, AFormEmbeddedInAHostWindowBecomesItsChildAndComesBack) {
  win::UniqueWindow host(CreateWindowExW(0, L"STATIC", L"host panel", WS_POPUP, 0, 0, 400, 300,
                                         nullptr, nullptr, nullptr, nullptr));
  TSampleForm form(nullptr);
  form.Get<TEdit>("EditName").SetText(L"kept");
  HWND popup = form.Handle();
  EXPECT_TRUE(GetWindowLongW(popup, GWL_STYLE) & WS_POPUP);
  EXPECT_FALSE(IsWindowVisible(popup)) << "a form shows only when asked";
  form.SetParentWindow(host.get());
  EXPECT_FALSE(IsWindow(popup)) << "a new window in its new place";
  EXPECT_EQ(GetParent(form.Handle()), host.get());
  EXPECT_TRUE(GetWindowLongW(form.Handle(), GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(GetWindowLongW(form.Handle(), GWL_STYLE) & WS_CAPTION);
  EXPECT_EQ(form.Get<TEdit>("EditName").Text(), L"kept");
  form.DestroyHandle();
  EXPECT_FALSE(form.HandleAllocated());
  form.SetParentWindow(nullptr);
  EXPECT_TRUE(GetWindowLongW(form.Handle(), GWL_STYLE) & WS_CAPTION) << "its own frame again";
  EXPECT_EQ(form.ClientWidth(), 300);
  EXPECT_EQ(form.Get<TEdit>("EditName").Text(), L"kept");
}
