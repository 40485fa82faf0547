// The exception box: its layouts, the real window answered through its buttons (the box runs on
// a thread of its own, as on the exception-handling thread), the countdown, the console text and
// the web page of child processes. Pictures go to build/pictures/.
#include "crashreport/drosk_exception_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <tuple>
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

int Width(const RECT& r) { return r.right - r.left; }
std::string Text(const RECT& r) {
  if (r.right == r.left) return "-";
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// The layout for the given caption widths as one line: arrangement, client width, wrap width,
// text, button area and the seven buttons.
std::string Layout(std::array<int, 7> widths, bool bigIcon = false, TBoxLayout* out = nullptr) {
  TBoxLayoutInput in;
  in.CaptionWidths = widths;
  in.MeasureText = FixedText;
  in.BigIcon = bigIcon;
  const TBoxLayout l = LayOutBox(in);
  if (out) *out = l;
  std::string text = std::string(l.Stacked ? "stacked " : "row ") + std::to_string(l.Rows) +
                     " width " + std::to_string(l.ClientWidth) + " wrap " +
                     std::to_string(lastWrapWidth) + " text " + Text(l.Text) + " area " +
                     std::to_string(l.ButtonAreaHeight) + ":";
  for (const RECT& button : l.Buttons) text += " " + Text(button);
  return text;
}

TEST(ExceptionBoxLayout, RightGroupStandsInARowOrStackedBesideTheText) {
  // Only the three right buttons: one row at the bottom, right-aligned, each caption + 35 wide;
  // needed 99 + 89 + 79 + 14 = 281, the text 400 + 26: the minimum width of 538.
  EXPECT_EQ(Layout({0, 0, 0, 0, 60, 50, 40}),
            "row 2 width 538 wrap 512 text 11,12,411,25 area 78: - - - - 263,44,358,66 "
            "362,44,447,66 451,44,526,66");
  // All seven: the right group stacked in three rows as wide as its widest, the top moved up a
  // row (not above 7); needed 4 * 119 + 149 + 14 = 639, the text wraps in 639 - (149 + 40).
  TBoxLayout all;
  EXPECT_EQ(Layout({80, 80, 80, 80, 100, 110, 90}, false, &all),
            "stacked 3 width 639 wrap 450 text 11,12,411,25 area 93: 6,59,121,81 125,59,240,81 "
            "244,59,359,81 363,59,478,81 482,7,627,29 482,33,627,55 482,59,627,81");
  // The report view: its etched border, the white field and the edit control inside.
  EXPECT_EQ(all.ExpandedHeight, 93 + 403);
  EXPECT_EQ(Text(all.GreyFrame) + " " + Text(all.WhiteFrame) + " " + Text(all.ReportField),
            "6,90,628,485 5,89,627,484 7,6,616,389");
  // Two stacked without continue: restart takes row 0, close the last of two rows.
  EXPECT_EQ(Layout({80, 0, 0, 0, 0, 110, 90}),
            "stacked 2 width 538 wrap 349 text 11,12,360,25 area 78: 6,44,121,66 - - - - "
            "381,18,526,40 381,44,526,66");
  // A big icon beside a one-line text: buttons from y 31, the text centred on the icon.
  EXPECT_EQ(Layout({0, 0, 0, 0, 60, 0, 0}, true),
            "row 2 width 538 wrap 472 text 51,21,451,34 area 91: - - - - 431,57,526,79 - -");
}

TEST(ExceptionBoxTexts, TextLineAndWebPage) {
  TDroskSettings s;
  s.ErrorText = "Oops: %exceptMsg%%LF%Sorry";
  EXPECT_EQ(BoxText(s, false, "Access violation", "\r\n"), "Oops: Access violation.\r\nSorry");
  EXPECT_EQ(BoxText(s, false, "Disk full!", "|"), "Oops: Disk full!|Sorry");
  EXPECT_EQ(BoxText(s, true, "ignored", "\r\n"), "The application seems to be frozen.");

  // The page's pieces in their order. The report stays text: nothing in it can end the text
  // area or start a script.
  const std::string report =
      "date/time         : 2026-12-07\r\nexception message : bad <b>input</b> & more.\r\n"
      "</textarea><script>x()</script>";
  const auto pieces = [&report](const TDroskSettings& settings) {
    const std::string page = BuildHtmlPage(settings, report);
    std::string found = std::to_string(std::count(page.begin(), page.end(), '\n')) + " lines:";
    size_t at = 0;
    for (const char* piece : {"<html><head><title>crashreport_hooks_tests.exe</title>",
                              ">Oops: bad &lt;b&gt;input&lt;"
                              "/b&gt; &amp; more.<br>\r\nSorry</p></td></tr>",
                              "history.back();\">&nbsp;continue "
                              "application&nbsp;",
                              "&nbsp;show bug report&nbsp;</button>", "visibility:hidden;",
                              "\">\r\ndate/time", "&lt;/textarea&gt;&lt;script&gt;",
                              "</textarea></td></tr></table>"
                              "</body></html>"}) {
      const size_t next = page.find(piece, at);
      found += next == std::string::npos ? " -" : " +";
      at = next == std::string::npos ? at : next;
    }
    return found + (page.find("<script>") == std::string::npos ? " safe" : " SCRIPT");
  };
  // Eight rows, the text's line break, the text area's first line and the report's two.
  EXPECT_EQ(pieces(s), "11 lines: + + + + + + + + safe");
  s.ShowReportAtOnce = true;
  s.ButtonCaptions[4] = "";
  EXPECT_EQ(pieces(s), "11 lines: + + + - - + + + safe");
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
constexpr TProcEntry<TActionHandler> kRecorder{TSyncMode::HandlingThread, 0, RecordAction};

SIZE ClientSize(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  return {r.right, r.bottom};
}

// A child's window rectangle in the box's client coordinates.
RECT PlaceIn(HWND box, HWND child) {
  RECT at;
  GetWindowRect(child, &at);
  MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&at), 2);
  return at;
}

class ExceptionBoxWindow : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = HooksTestSettings();
    HooksTestSettings().ConsoleOutput = false;
    HooksTestSettings().ErrorText = "An error occurred in the application: %exceptMsg%";
    actions.clear();
    claimActions = true;
    RegisterHandler(kRecorder);
  }
  void TearDown() override {
    if (thread_) WaitForSingleObject(thread_.get(), 10000);
    UnregisterHandler(kRecorder);
    HooksTestSettings() = saved_;
  }

  // Shows the box on its own thread and waits for its window.
  HWND Show(bool canContinue) {
    input_ = {false, "Access violation at address 0040a1b2", canContinue, "",
              "date/time : now\r\nexception message : Access violation.\r\nline three"};
    thread_.reset(CreateThread(nullptr, 0, BoxThread, this, 0, nullptr));
    for (int i = 0; i < 500; ++i, Sleep(10)) {
      if (HWND box = FindWindowA(kBoxWindowClass, nullptr); box && IsWindowVisible(box)) {
        Sleep(150);  // the focus fade
        return box;
      }
    }
    return nullptr;
  }
  static DWORD WINAPI BoxThread(void* self) {
    auto* test = static_cast<ExceptionBoxWindow*>(self);
    test->road_ = ShowExceptionBox(test->input_);
    return 0;
  }
  bool Ended() { return WaitForSingleObject(thread_.get(), 5000) == WAIT_OBJECT_0; }
  static void Click(HWND box, const char* caption) {
    PostMessageA(Button(box, caption), BM_CLICK, 0, 0);
  }
  static HWND Button(HWND box, const char* caption) {
    return FindWindowExA(box, nullptr, "BUTTON", caption);
  }
  static bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 300 && !done(); ++i) Sleep(10);
    return done();
  }

  // Paints the box and its controls into a bitmap and writes it to build/pictures/; returns the
  // pixels (0x00RRGGBB), rows top to bottom.
  static std::vector<uint32_t> Picture(HWND box, const std::string& name) {
    const SIZE size = ClientSize(box);
    const win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const win::UniqueBitmap bitmap(
        CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    RECT all{0, 0, size.cx, size.cy};
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (!IsWindowVisible(child)) continue;
      RECT at = PlaceIn(box, child);
      const SIZE inner = ClientSize(child);
      const win::UniqueMemoryDc childDc(CreateCompatibleDC(dc.get()));
      const win::UniqueBitmap childBitmap(CreateCompatibleBitmap(
          dc.get(), std::max<LONG>(inner.cx, 1), std::max<LONG>(inner.cy, 1)));
      const HGDIOBJ oldChild = SelectObject(childDc.get(), childBitmap.get());
      RECT client{0, 0, inner.cx, inner.cy};
      FillRect(childDc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
      SendMessageA(child, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(childDc.get()),
                   PRF_CLIENT | PRF_ERASEBKGND);
      const int frame = (Width(at) - inner.cx) / 2;
      if (frame > 0) DrawEdge(dc.get(), &at, EDGE_SUNKEN, BF_RECT);
      BitBlt(dc.get(), at.left + frame, at.top + frame, inner.cx, inner.cy, childDc.get(), 0, 0,
             SRCCOPY);
      SelectObject(childDc.get(), oldChild);
    }
    GdiFlush();
    testsupport::WritePng(testsupport::PicturePath(name), size.cx, size.cy,
                          static_cast<const uint8_t*>(bits), size.cx * 4);
    const auto* pixels = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> copy(pixels, pixels + size.cx * size.cy);
    for (uint32_t& pixel : copy) pixel &= 0xFFFFFF;
    SelectObject(dc.get(), old);
    return copy;
  }
  // The pixel at a point of a button, in a picture of the box.
  static uint32_t ButtonPixel(HWND box, const std::vector<uint32_t>& picture, HWND button, int x,
                              int y) {
    const RECT at = PlaceIn(box, button);
    return picture[static_cast<size_t>((at.top + y) * ClientSize(box).cx + at.left + x)];
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
  char text[128] = {};
  GetWindowTextA(box, text, sizeof text);
  EXPECT_STREQ(text, "crashreport_hooks_tests.exe");
  for (const std::string_view caption : HooksTestSettings().ButtonCaptions) {
    const HWND button = Button(box, std::string(caption).c_str());
    ASSERT_TRUE(button) << caption;
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  }
  GetWindowTextA(FindWindowExA(box, nullptr, "STATIC", nullptr), text, sizeof text);
  EXPECT_STREQ(text, "An error occurred in the application: Access violation at address 0040a1b2.");
  // The system menu lost its size items.
  const HMENU menu = GetSystemMenu(box, FALSE);
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  // The report was put on the clipboard when its view was made, and fills the view.
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
  const RECT fieldAt = PlaceIn(box, field);
  EXPECT_GE(collapsed.cx, 538);
  EXPECT_GE(fieldAt.top, collapsed.cy);  // below the visible part
  EXPECT_EQ(fieldAt.bottom, fieldAt.top + 383);
  // The mail button's bitmap stands at 3, 3: opaque red, its transparent quarter shows the face.
  const std::vector<uint32_t> picture = Picture(box, "exception_box_collapsed");
  const HWND mail = Button(box, "mail bug report");
  std::string red;
  for (const auto& [button, x, y] : {std::tuple{mail, 5, 5},
                                     {mail, 10, 10},
                                     {mail, 15, 15},
                                     {mail, 20, 5},
                                     {Button(box, "save bug report"), 5, 5}}) {
    red += ButtonPixel(box, picture, button, x, y) == 0xFF0000u ? "r" : "-";
  }
  EXPECT_EQ(red, "rr---");

  // Mail, claimed by the handler: the box flashes the button and stays.
  Click(box, "mail bug report");
  EXPECT_TRUE(WaitFor([] { return !Actions().empty(); }));
  EXPECT_EQ(Actions(), std::vector<int>{0});
  EXPECT_TRUE(IsWindow(box));
  claimActions = false;
  Click(box, "show bug report");
  EXPECT_TRUE(WaitFor([box] { return !Button(box, "show bug report"); }));
  EXPECT_EQ(ClientSize(box).cy, collapsed.cy + 403);
  Picture(box, "exception_box_expanded");
  Click(box, "continue application");
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
  const SIZE text = ClientSize(FindWindowExA(box, nullptr, "STATIC", nullptr));
  EXPECT_EQ(size.cx, 538);
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
  Click(box, "save bug report");
  // An absolute file name: saved for good.
  EXPECT_TRUE(WaitFor([box] { return !Button(box, "save bug report"); }));
  EXPECT_EQ(testsupport::ReadFile(file), input_.Report + "\r\n\r\n");
  Click(box, "continue application");
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
