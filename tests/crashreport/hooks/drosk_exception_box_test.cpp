// The exception box: its layouts, the real window answered through its buttons (the box runs on
// a thread of its own, as on the exception-handling thread), the countdown, the console text and
// the web page of child processes. Pictures go to build/pictures/.
#include "crashreport/drosk_exception_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "crashreport/drosk_handlers.h"
#include "framework/win/handles.h"
#include "hooks_test_settings.h"
#include "support/child_process.h"
#include "support/png_file.h"
#include "support/test_paths.h"

namespace drosk {
namespace {

// Text of a fixed line height that wraps at the width it is given; the width asked for last.
int lastWrapWidth = 0;
SIZE FixedText(int wrapWidth) {
  lastWrapWidth = wrapWidth;
  return SIZE{std::min(wrapWidth, 400), 13};
}

TBoxLayoutInput Captions(std::array<int, 7> widths) {
  TBoxLayoutInput in;
  in.CaptionWidths = widths;
  in.MeasureText = FixedText;
  return in;
}

int Width(const RECT& r) { return r.right - r.left; }
bool Empty(const RECT& r) { return r.right == r.left; }

TEST(ExceptionBoxLayout, RightGroupStandsInARowOrStackedBesideTheText) {
  // Only the three right buttons: one row at the bottom, right-aligned; no left buttons.
  const TBoxLayout row = LayOutBox(Captions({0, 0, 0, 0, 60, 50, 40}));
  EXPECT_FALSE(row.Stacked);
  EXPECT_EQ(row.Rows, 2);
  EXPECT_EQ(row.ClientWidth, 538);  // needed 99 + 89 + 79 + 14 = 281; text 400 + 26 = 426
  EXPECT_EQ(lastWrapWidth, 538 - 26);
  const RECT& cont = row.Buttons[4];
  const RECT& restart = row.Buttons[5];
  const RECT& close = row.Buttons[6];
  EXPECT_EQ(close.right + 4, 538 - 8);
  EXPECT_EQ(restart.right + 4, close.left);
  EXPECT_EQ(cont.right + 4, restart.left);
  EXPECT_EQ(Width(cont), 95);
  EXPECT_EQ(cont.top, 13 + 5 + 26);  // the last row, below the text
  EXPECT_EQ(cont.bottom - cont.top, 22);
  EXPECT_EQ(row.ButtonAreaHeight, 2 * 26 + 18 + 8);
  EXPECT_EQ(row.Text.left, 11);
  EXPECT_EQ(row.Text.top, 12);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Empty(row.Buttons[i]));

  // All seven: the right group is stacked in three rows as wide as its widest, the top moves
  // up by a row (not above 7), the left buttons stand on the last row from x 6.
  const TBoxLayout all = LayOutBox(Captions({80, 80, 80, 80, 100, 110, 90}));
  EXPECT_TRUE(all.Stacked);
  EXPECT_EQ(all.Rows, 3);
  // Needed: 4 * 119 + 149 + 14 = 639; the text wraps in 639 - (149 + 40).
  EXPECT_EQ(all.ClientWidth, 639);
  EXPECT_EQ(lastWrapWidth, 639 - 149 - 40);
  EXPECT_EQ(all.Text.right - all.Text.left, 400);
  const int top = 7;  // 13 + 5 - 26, but not above 7
  EXPECT_EQ(all.Buttons[4].top, top);
  EXPECT_EQ(all.Buttons[5].top, top + 26);
  EXPECT_EQ(all.Buttons[6].top, top + 52);
  for (int i = 4; i < 7; ++i) {
    EXPECT_EQ(Width(all.Buttons[i]), 145);
    EXPECT_EQ(all.Buttons[i].left, 639 - 8 - 149);
  }
  EXPECT_EQ(all.Buttons[0].left, 6);
  EXPECT_EQ(all.Buttons[3].left, 6 + 3 * 119);
  EXPECT_EQ(all.Buttons[3].top, top + 52);
  EXPECT_EQ(all.ButtonAreaHeight, 3 * 26 + top + 8);
  EXPECT_EQ(all.ExpandedHeight, all.ButtonAreaHeight + 403);
  // The report view's etched border and field.
  EXPECT_EQ(all.GreyFrame.left, 6);
  EXPECT_EQ(all.GreyFrame.top, all.ButtonAreaHeight - 3);
  EXPECT_EQ(Width(all.GreyFrame), 639 - 17);
  EXPECT_EQ(all.GreyFrame.bottom - all.GreyFrame.top, 395);
  EXPECT_EQ(all.WhiteFrame.left, 5);
  EXPECT_EQ(all.WhiteFrame.top, all.ButtonAreaHeight - 4);
  EXPECT_EQ(all.ReportField.left, 7);
  EXPECT_EQ(Width(all.ReportField), 639 - 30);
  EXPECT_EQ(all.ReportField.bottom - all.ReportField.top, 383);

  // Two stacked without continue: restart takes row 0, close the last of two rows.
  const TBoxLayout two = LayOutBox(Captions({80, 0, 0, 0, 0, 110, 90}));
  EXPECT_TRUE(two.Stacked);
  EXPECT_EQ(two.Rows, 2);
  EXPECT_EQ(two.Buttons[5].top, 18);
  EXPECT_EQ(two.Buttons[6].top, 18 + 26);

  // A big icon beside a one-line text: buttons from y 31, the text centred on the icon.
  TBoxLayoutInput icon = Captions({0, 0, 0, 0, 60, 0, 0});
  icon.BigIcon = true;
  const TBoxLayout withIcon = LayOutBox(icon);
  EXPECT_EQ(lastWrapWidth, 538 - 26 - 40);
  EXPECT_EQ(withIcon.Buttons[4].top, 31 + 26);
  EXPECT_EQ(withIcon.Text.left, 51);
  EXPECT_EQ(withIcon.Text.top, 12 + (32 - 13) / 2);
}

TEST(ExceptionBoxTexts, TextLineAndWebPage) {
  TDroskSettings s;
  s.ErrorText = "Oops: %exceptMsg%%LF%Sorry";
  EXPECT_EQ(BoxText(s, false, "Access violation", "\r\n"), "Oops: Access violation.\r\nSorry");
  EXPECT_EQ(BoxText(s, false, "Disk full!", "|"), "Oops: Disk full!|Sorry");
  EXPECT_EQ(BoxText(s, true, "ignored", "\r\n"), "The application seems to be frozen.");

  const std::string report =
      "date/time         : 2026-12-07\r\nexception message : bad <b>input</b> & more.\r\n"
      "</textarea><script>x()</script>";
  const std::string page = BuildHtmlPage(s, report);
  EXPECT_TRUE(page.starts_with("<html><head><title>"));
  EXPECT_TRUE(page.ends_with("</textarea></td></tr></table></body></html>"));
  EXPECT_NE(page.find("Oops: bad &lt;b&gt;input&lt;/b&gt; &amp; more.<br>\r\nSorry</p></td></tr>"),
            std::string::npos);
  // The report stays text: nothing in it can end the text area or start a script.
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("visibility:hidden;\">\r\ndate/time"), std::string::npos);
  EXPECT_NE(page.find("&nbsp;continue application&nbsp;"), std::string::npos);
  EXPECT_NE(page.find("&nbsp;show bug report&nbsp;</button>"), std::string::npos);
  EXPECT_NE(page.find("history.back();"), std::string::npos);
  // Eight rows, the text's line break, the text area's first line and the report's two.
  EXPECT_EQ(std::count(page.begin(), page.end(), '\n'), 7 + 1 + 1 + 2);

  s.ShowReportAtOnce = true;
  s.ButtonCaptions[4] = "";
  const std::string atOnce = BuildHtmlPage(s, report);
  EXPECT_EQ(atOnce.find("show bug report"), std::string::npos);
  EXPECT_EQ(atOnce.find("visibility:hidden;"), std::string::npos);
  EXPECT_NE(atOnce.find("&nbsp;continue application&nbsp;"), std::string::npos);
}

// The settings of one box test, restored afterwards; handlers record the actions.
std::mutex actionsMutex;
std::vector<int> actions;
bool claimActions = true;
void RecordAction(uint8_t action, bool, uint32_t, uint32_t, uint32_t, std::string&, std::string&,
                  bool& handled) {
  const std::lock_guard lock(actionsMutex);
  actions.push_back(action);
  handled = claimActions;
}
std::vector<int> Actions() {
  const std::lock_guard lock(actionsMutex);
  return actions;
}

class ExceptionBoxWindow : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = HooksTestSettings();
    HooksTestSettings().ConsoleOutput = false;
    HooksTestSettings().ErrorText = "An error occurred in the application: %exceptMsg%";
    actions.clear();
    claimActions = true;
    RegisterHandler(TProcEntry<TActionHandler>{TSyncMode::HandlingThread, 0, RecordAction});
  }
  void TearDown() override {
    if (thread_) WaitForSingleObject(thread_.get(), 10000);
    UnregisterHandler(TProcEntry<TActionHandler>{TSyncMode::HandlingThread, 0, RecordAction});
    HooksTestSettings() = saved_;
  }

  // Shows the box on its own thread and waits for its window.
  HWND Show(bool canContinue) {
    input_.ExceptMessage = "Access violation at address 0040a1b2";
    input_.CanContinue = canContinue;
    input_.Report = "date/time : now\r\nexception message : Access violation.\r\nline three";
    thread_.reset(CreateThread(nullptr, 0, BoxThread, this, 0, nullptr));
    for (int i = 0; i < 500; ++i) {
      if (HWND box = FindWindowA(kBoxWindowClass, nullptr); box && IsWindowVisible(box)) {
        Sleep(150);  // the focus fade
        return box;
      }
      Sleep(10);
    }
    return nullptr;
  }

  static DWORD WINAPI BoxThread(void* self) {
    auto* test = static_cast<ExceptionBoxWindow*>(self);
    test->road_ = ShowExceptionBox(test->input_);
    return 0;
  }

  bool Ended(DWORD ms = 5000) { return WaitForSingleObject(thread_.get(), ms) == WAIT_OBJECT_0; }

  static HWND Button(HWND box, const char* caption) {
    return FindWindowExA(box, nullptr, "BUTTON", caption);
  }

  static SIZE ClientSize(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return {r.right, r.bottom};
  }

  // Paints the box and its controls into a bitmap and writes it to build/pictures/; returns the
  // pixels (blue, green, red, unused), rows top to bottom.
  static std::vector<uint32_t> Picture(HWND box, const std::string& name) {
    const SIZE size = ClientSize(box);
    const HDC screen = GetDC(nullptr);
    const win::UniqueMemoryDc dc(CreateCompatibleDC(screen));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const win::UniqueBitmap bitmap(
        CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    RECT all{0, 0, size.cx, size.cy};
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (!IsWindowVisible(child)) continue;
      RECT at;
      GetWindowRect(child, &at);
      MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&at), 2);
      const SIZE childSize = ClientSize(child);
      const HDC childDc = CreateCompatibleDC(dc.get());
      const HBITMAP childBitmap = CreateCompatibleBitmap(dc.get(), std::max<LONG>(childSize.cx, 1),
                                                         std::max<LONG>(childSize.cy, 1));
      const HGDIOBJ oldChild = SelectObject(childDc, childBitmap);
      RECT inside{0, 0, childSize.cx, childSize.cy};
      FillRect(childDc, &inside, GetSysColorBrush(COLOR_BTNFACE));
      SendMessageA(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(childDc),
                   PRF_CLIENT | PRF_ERASEBKGND);
      const int frame = (Width(at) - childSize.cx) / 2;
      if (frame > 0) DrawEdge(dc.get(), &at, EDGE_SUNKEN, BF_RECT);
      BitBlt(dc.get(), at.left + frame, at.top + frame, childSize.cx, childSize.cy, childDc, 0, 0,
             SRCCOPY);
      SelectObject(childDc, oldChild);
      DeleteObject(childBitmap);
      DeleteDC(childDc);
    }
    GdiFlush();
    testsupport::WritePng(testsupport::PicturePath(name), size.cx, size.cy,
                          static_cast<const uint8_t*>(bits), size.cx * 4);
    const auto* pixels = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> copy(pixels, pixels + size.cx * size.cy);
    SelectObject(dc.get(), old);
    return copy;
  }

  // The pixel at a point of a button, in a picture of the box.
  static uint32_t ButtonPixel(HWND box, const std::vector<uint32_t>& picture, HWND button, int x,
                              int y) {
    RECT at;
    GetWindowRect(button, &at);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&at), 2);
    return picture[static_cast<size_t>((at.top + y) * ClientSize(box).cx + at.left + x)] & 0xFFFFFF;
  }

  TDroskSettings saved_;
  TExceptionBoxInput input_;
  TBoxRoad road_ = TBoxRoad::Console;
  win::UniqueHandle thread_;
};

TEST_F(ExceptionBoxWindow, SevenButtonsExpandToTheReportAndContinue) {
  HooksTestSettings().CopyToClipboard = true;
  const HWND box = Show(true);
  ASSERT_TRUE(box);
  char title[64] = {};
  GetWindowTextA(box, title, sizeof title);
  EXPECT_STREQ(title, "crashreport_hooks_tests.exe");
  for (const std::string_view caption : HooksTestSettings().ButtonCaptions) {
    const HWND button = Button(box, std::string(caption).c_str());
    ASSERT_TRUE(button) << caption;
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  }
  const HWND label = FindWindowExA(box, nullptr, "STATIC", nullptr);
  char text[128] = {};
  GetWindowTextA(label, text, sizeof text);
  EXPECT_STREQ(text, "An error occurred in the application: Access violation at address 0040a1b2.");
  // The system menu lost its size items.
  const HMENU menu = GetSystemMenu(box, FALSE);
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  // The report was put on the clipboard when its view was made.
  ASSERT_TRUE(OpenClipboard(nullptr));
  const auto* clip = static_cast<const char*>(GlobalLock(GetClipboardData(CF_TEXT)));
  EXPECT_EQ(std::string(clip ? clip : ""), input_.Report);
  GlobalUnlock(GetClipboardData(CF_TEXT));
  CloseClipboard();

  const HWND field = FindWindowExA(box, nullptr, "EDIT", nullptr);
  ASSERT_TRUE(field);
  char shown[256] = {};
  GetWindowTextA(field, shown, sizeof shown);
  EXPECT_EQ(std::string(shown), input_.Report);
  const SIZE collapsed = ClientSize(box);
  EXPECT_GE(collapsed.cx, 538);
  RECT fieldAt;
  GetWindowRect(field, &fieldAt);
  MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&fieldAt), 2);
  EXPECT_GE(fieldAt.top, collapsed.cy);  // below the visible part
  const std::vector<uint32_t> picture = Picture(box, "exception_box_collapsed");
  // The mail button's bitmap stands at 3, 3: opaque red, its transparent quarter shows the face.
  const HWND mail = Button(box, "mail bug report");
  EXPECT_EQ(ButtonPixel(box, picture, mail, 3 + 2, 3 + 2), 0xFF0000u);
  EXPECT_EQ(ButtonPixel(box, picture, mail, 3 + 7, 3 + 7), 0xFF0000u);
  EXPECT_NE(ButtonPixel(box, picture, mail, 3 + 12, 3 + 12), 0xFF0000u);
  EXPECT_NE(ButtonPixel(box, picture, mail, 3 + 17, 3 + 2), 0xFF0000u);
  EXPECT_NE(ButtonPixel(box, picture, Button(box, "save bug report"), 3 + 2, 3 + 2), 0xFF0000u);

  // Mail, claimed by the handler: the box flashes the button and stays.
  PostMessageA(mail, BM_CLICK, 0, 0);
  for (int i = 0; i < 300 && Actions().empty(); ++i) Sleep(10);
  EXPECT_EQ(Actions(), std::vector<int>{0});
  EXPECT_TRUE(IsWindow(box));

  claimActions = false;
  PostMessageA(Button(box, "show bug report"), BM_CLICK, 0, 0);
  for (int i = 0; i < 200 && Button(box, "show bug report"); ++i) Sleep(10);
  EXPECT_FALSE(Button(box, "show bug report"));
  EXPECT_EQ(ClientSize(box).cy, collapsed.cy + 403);
  EXPECT_EQ(fieldAt.bottom, fieldAt.top + 383);
  Picture(box, "exception_box_expanded");

  PostMessageA(Button(box, "continue application"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(road_, TBoxRoad::Window);
  EXPECT_EQ(Actions(), (std::vector<int>{0, 3, 4}));
  EXPECT_FALSE(IsWindow(box));
}

TEST_F(ExceptionBoxWindow, WithoutContinuingAnEscapeCloses) {
  HooksTestSettings().FancyButtons = false;
  HooksTestSettings().ButtonCaptions[5] = "";  // no restart: the close button alone suffices
  const HWND box = Show(false);
  ASSERT_TRUE(box);
  EXPECT_FALSE(Button(box, "restart application"));
  const HWND cont = Button(box, "continue application");
  EXPECT_FALSE(IsWindowEnabled(cont));
  EXPECT_EQ(GetWindowLongA(cont, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(GetWindowLongA(Button(box, "mail bug report"), GWL_STYLE) & BS_TYPEMASK,
            BS_DEFPUSHBUTTON);
  Picture(box, "exception_box_cannot_continue");
  // Escape arrives as a key press in the box's message loop; the handler claims the close,
  // so the process goes on and only the box ends.
  PostMessageA(Button(box, "mail bug report"), WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(Actions(), std::vector<int>{6});
}

TEST_F(ExceptionBoxWindow, MailWithoutShowHasAReportViewThatCannotOpen) {
  TDroskSettings& s = HooksTestSettings();
  s.ButtonCaptions = {"mail bug report", "", "", "", "continue application", "", ""};
  s.DefaultButton = TDroskAction::Continue;
  const HWND box = Show(true);
  ASSERT_TRUE(box);
  EXPECT_TRUE(FindWindowExA(box, nullptr, "EDIT", nullptr));
  EXPECT_FALSE(Button(box, "show bug report"));
  const SIZE size = ClientSize(box);
  EXPECT_EQ(size.cx, 538);
  const SIZE text = ClientSize(FindWindowExA(box, nullptr, "STATIC", nullptr));
  EXPECT_EQ(size.cy, text.cy + 5 + 2 * 26 + 8);  // the text and two rows, collapsed
  PostMessageA(box, WM_CLOSE, 0, 0);             // the default button continues
  ASSERT_TRUE(Ended());
  EXPECT_EQ(Actions(), std::vector<int>{4});
}

TEST_F(ExceptionBoxWindow, SaveWritesTheReportFileAndDropsItsButton) {
  const testsupport::TempDir dir;
  const std::string file = dir.Path("bugreport.txt");
  HooksTestSettings().BugReportFile = file;
  claimActions = false;
  const HWND box = Show(true);
  ASSERT_TRUE(box);
  PostMessageA(Button(box, "save bug report"), BM_CLICK, 0, 0);
  for (int i = 0; i < 300 && Button(box, "save bug report"); ++i) Sleep(10);
  EXPECT_FALSE(Button(box, "save bug report"));  // an absolute file name: saved for good
  EXPECT_EQ(testsupport::ReadFile(file), input_.Report + "\r\n\r\n");
  PostMessageA(Button(box, "continue application"), BM_CLICK, 0, 0);
  ASSERT_TRUE(Ended());
  EXPECT_EQ(Actions(), (std::vector<int>{1, 4}));
}

TEST_F(ExceptionBoxWindow, CountdownPressesTheAutoButton) {
  TDroskSettings& s = HooksTestSettings();
  s.AutoContinue = true;
  s.AutoDelay = 1;
  s.ButtonCaptions = {"", "", "", "", "continue application", "", "close application"};
  const DWORD start = GetTickCount();
  const HWND box = Show(true);
  ASSERT_TRUE(box);
  Sleep(300);
  Picture(box, "exception_box_countdown");
  EXPECT_FALSE(FindWindowExA(box, nullptr, "EDIT", nullptr));  // no left captions, no view
  ASSERT_TRUE(Ended());
  EXPECT_GE(GetTickCount() - start, 950u);
  EXPECT_EQ(Actions(), std::vector<int>{4});
}

TEST(ExceptionBoxChild, ConsoleTextWebPageAndARealClose) {
  const std::string child = testsupport::BinaryPath("drosk_hooks_child.exe");
  const testsupport::ChildResult console = testsupport::RunChild(child + " console -");
  EXPECT_EQ(console.exit_code, 0u);
  EXPECT_EQ(console.output,
            "An error occurred: Division by zero.\r\n\r\nexception message : Division by zero."
            "\r\n");

  SetEnvironmentVariableA("GATEWAY_INTERFACE", "CGI/1.1");
  const testsupport::ChildResult web = testsupport::RunChild(child + " console -");
  SetEnvironmentVariableA("GATEWAY_INTERFACE", nullptr);
  EXPECT_TRUE(
      web.output.starts_with("Content-Type: text/html\r\n\r\n<html><head><title>"
                             "drosk_hooks_child.exe</title>"))
      << web.output;
  EXPECT_NE(web.output.find("An error occurred: Division by zero."), std::string::npos);

  // A real close: the box's close request ends the program with exit code 1.
  const testsupport::ChildResult closed = testsupport::RunChild(child + " boxclose -");
  EXPECT_EQ(closed.exit_code, 1u) << closed.output;
}

}  // namespace
}  // namespace drosk
