// The exception box, its console text and its HTML page.
#include "crashreport/drosk_exception_box.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "crashreport/drosk_bug_report.h"
#include "crashreport/drosk_handlers.h"
#include "crashreport/drosk_mail.h"
#include "crashreport/drosk_report_file.h"
#include "crashreport/drosk_strings.h"
#include "crashreport/drosk_threads.h"
#include "crashreport/drosk_tools.h"
#include "crashreport/drosk_watchdog.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"

namespace drosk {

namespace {

constexpr int kMinWidth = 538;
constexpr int kRowPitch = 26;
constexpr int kButtonHeight = 22;
constexpr int kReportViewHeight = 403;
constexpr int kButtonIdBase = 100;
constexpr int kMail = 0, kSave = 1, kPrint = 2, kShow = 3, kContinue = 4, kRestart = 5, kClose = 6;
constexpr std::array<const char*, 8> kBitmapNames = {"meimail",  "meisave",        "meiprint",
                                                     "meishow",  "meicontinue",    "meirestart",
                                                     "meiclose", "meicantContinue"};

std::string AppName() { return FileNameOnly(ModuleFileName(nullptr)); }

std::string Title(const TDroskSettings& settings) {
  std::string title(settings.TitleText);
  ReplaceText(title, "%appname%", AppName());
  return title;
}

// The message as a sentence: a closing "." unless it already ends like one.
std::string Sentence(std::string_view message) {
  std::string text(message);
  if (text.empty() || (text.back() != '.' && text.back() != '!')) text += '.';
  return text;
}

// The report is shown inside a page: its markup characters must stay text.
std::string HtmlEscape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

bool CaptionSet(const TDroskSettings& s, int button) {
  return !s.ButtonCaptions[static_cast<size_t>(button)].empty();
}

bool IsConsoleProcess() {
  const IMAGE_NT_HEADERS32* headers = GetImageNtHeaders(GetModuleHandleA(nullptr));
  return headers && headers->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

// A CGI program learns the gateway from its environment.
bool IsWebProcess() { return GetEnvironmentVariableA("GATEWAY_INTERFACE", nullptr, 0) > 0; }

void WriteStdOut(std::string_view text) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  while (!text.empty() && out && out != INVALID_HANDLE_VALUE &&
         WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written > 0) {
    text.remove_prefix(written);
  }
}

COLORREF Blend(COLORREF a, COLORREF b, int step, int steps) {
  auto mix = [&](int shift) {
    const int ca = (a >> shift) & 0xFF;
    const int cb = (b >> shift) & 0xFF;
    return (ca + (cb - ca) * step / steps) << shift;
  };
  return static_cast<COLORREF>(mix(0) | mix(8) | mix(16));
}

}  // namespace

std::string ReportExceptionMessage(std::string_view report) {
  size_t line = 0;
  while (line < report.size()) {
    size_t end = report.find("\r\n", line);
    if (end == std::string_view::npos) end = report.size();
    const std::string_view text = report.substr(line, end - line);
    if (text.starts_with("exception message ")) {
      const size_t colon = text.find(':');
      return colon == std::string_view::npos ? std::string() : TrimStr(text.substr(colon + 1));
    }
    line = end + 2;
  }
  return {};
}

std::string BoxText(const TDroskSettings& settings, bool frozen, std::string_view exceptMessage,
                    std::string_view lineBreak) {
  std::string text(frozen ? settings.FrozenText : settings.ErrorText);
  ReplaceText(text, "%exceptMsg%", Sentence(exceptMessage));
  ReplaceText(text, "%LF%", lineBreak);
  return text;
}

std::string BuildHtmlPage(const TDroskSettings& s, std::string_view report) {
  std::string text(s.ErrorText);
  ReplaceText(text, "%exceptMsg%", HtmlEscape(ReportExceptionMessage(report)));
  ReplaceText(text, "%LF%", "<br>\r\n");
  const bool showView = s.ShowReportAtOnce;
  const bool showButton = !s.ShowReportAtOnce && CaptionSet(s, kShow);
  const std::string continueCaption =
      CaptionSet(s, kContinue) ? std::string(s.ButtonCaptions[kContinue]) : "continue application";
  const std::string spacer = "<tr><td colspan=\"4\" style=\"height:";
  std::string page;
  auto row = [&page](std::string_view line) {
    if (!page.empty()) page += "\r\n";
    page += line;
  };
  row("<html><head><title>" + HtmlEscape(Title(s)) + "</title></head><body>");
  row("<table border=\"0\" width=\"100%\" height=\"100%\" cellpadding=\"0\" cellspacing=\"0\">");
  row(spacer + "2pt\"></td></tr>");
  row("<tr valign=\"top\"><td colspan=\"4\"><p style=\"font-family:'MS Sans Serif';"
      "font-size:13pt;margin-left:4px\">" +
      text + "</p></td></tr>");
  row(spacer + "8pt\"></td></tr>");
  row("<tr><td><button style=\"height:19.5pt\" onclick=\"history.back();\">&nbsp;" +
      HtmlEscape(continueCaption) + "&nbsp;</button></td><td><p>&nbsp;&nbsp;</p></td><td>" +
      (showButton ? "<button style=\"height:19.5pt\" onclick=\"document.getElementById("
                    "'bugReport').style.visibility='visible';this.style.visibility='hidden';\">"
                    "&nbsp;" +
                        HtmlEscape(s.ButtonCaptions[kShow]) + "&nbsp;</button>"
                  : std::string("&nbsp;")) +
      "</td><td width=\"100%\"></td></tr>");
  row(spacer + "8pt\"></td></tr>");
  row("<tr height=\"100%\"><td colspan=\"4\"><textarea id=\"bugReport\" readonly cols=\"80\" "
      "rows=\"20\" style=\"width:100%;height:100%;" +
      std::string(showView ? "" : "visibility:hidden;") + "\">\r\n" + HtmlEscape(report) +
      "</textarea></td></tr></table></body></html>");
  return page;
}

TBoxLayout LayOutBox(const TBoxLayoutInput& in) {
  std::array<int, 7> w{};
  for (size_t i = 0; i < w.size(); ++i)
    w[i] = in.CaptionWidths[i] > 0 ? in.CaptionWidths[i] + 39 : 0;
  const int rightCount = (w[kContinue] > 0) + (w[kRestart] > 0) + (w[kClose] > 0);
  const bool leftAny = w[kMail] || w[kSave] || w[kPrint] || w[kShow];
  const int widestRight = std::max({w[kContinue], w[kRestart], w[kClose]});
  const int leftSum = w[kMail] + w[kSave] + w[kPrint] + w[kShow];
  const int rightSum = w[kContinue] + w[kRestart] + w[kClose];

  TBoxLayout l;
  l.Stacked = rightCount >= 2 && leftAny;
  const int needed = leftSum + (l.Stacked ? widestRight : rightSum) + 14;
  const int margin = (l.Stacked ? widestRight + 40 : 26) + (in.BigIcon ? 40 : 0);
  const SIZE text = in.MeasureText(std::max(kMinWidth, needed) - margin);
  l.ClientWidth = std::max({needed, static_cast<int>(text.cx) + margin, kMinWidth});

  int top = text.cy + 5;
  if (in.BigIcon && text.cy <= 25) top = 31;
  l.Rows = rightCount == 0 ? 1 : (rightCount == 3 && l.Stacked ? 3 : 2);
  if (l.Rows == 3) top = std::max(top - kRowPitch, 7);
  const int last = l.Rows - 1;
  auto place = [&](int button, int x, int row, int width) {
    l.Buttons[static_cast<size_t>(button)] = {x, top + row * kRowPitch, x + width - 4,
                                              top + row * kRowPitch + kButtonHeight};
  };
  int x = 6;
  for (int b : {kMail, kSave, kPrint, kShow}) {
    if (!w[b]) continue;
    place(b, x, last, w[b]);
    x += w[b];
  }
  if (l.Stacked) {
    const int right = l.ClientWidth - 8 - widestRight;
    if (w[kContinue]) place(kContinue, right, 0, widestRight);
    if (w[kRestart]) place(kRestart, right, w[kContinue] ? 1 : 0, widestRight);
    if (w[kClose]) place(kClose, right, last, widestRight);
  } else {
    x = l.ClientWidth - 8 - rightSum;
    for (int b : {kContinue, kRestart, kClose}) {
      if (!w[b]) continue;
      place(b, x, last, w[b]);
      x += w[b];
    }
  }
  l.ButtonAreaHeight = l.Rows * kRowPitch + top + 8;
  l.ExpandedHeight = l.ButtonAreaHeight + kReportViewHeight;

  const int textX = in.BigIcon ? 51 : 11;
  const int textY = in.BigIcon && text.cy < 26 ? 12 + (32 - text.cy) / 2 : 12;
  l.Text = {textX, textY, textX + text.cx, textY + text.cy};
  const int viewWidth = l.ClientWidth - 17;
  l.GreyFrame = {6, l.ButtonAreaHeight - 3, 6 + viewWidth, l.ButtonAreaHeight - 3 + 395};
  l.WhiteFrame = {5, l.ButtonAreaHeight - 4, 5 + viewWidth, l.ButtonAreaHeight - 4 + 395};
  l.ReportField = {7, 6, 7 + l.ClientWidth - 30, 6 + 383};
  return l;
}

int AutoActionButton(const TDroskSettings& s, bool canContinue) {
  if (CaptionSet(s, kClose) && HistoryRuleHolds(s.AutoClose)) return kClose;
  if (CaptionSet(s, kRestart) && HistoryRuleHolds(s.AutoRestart)) return kRestart;
  if (CaptionSet(s, kContinue) && s.AutoContinue && canContinue) return kContinue;
  return -1;
}

namespace {

// One box on the screen: its windows, drawing objects and countdown.
class TExceptionBox {
 public:
  TExceptionBox(const TDroskSettings& settings, const TExceptionBoxInput& input);
  ~TExceptionBox();
  TExceptionBox(const TExceptionBox&) = delete;
  TExceptionBox& operator=(const TExceptionBox&) = delete;

  HWND Window() const { return window_; }
  HWND ReportField() const { return report_; }

 private:
  static LRESULT __stdcall WindowProc(TExceptionBox* self, HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Build();
  HWND MakeButton(int button, const RECT& r, bool isDefault);
  void Click(int button);
  void CloseRequest();
  bool FireAction(int action);
  void StopCountdown();
  void Tick();
  void Draw(const DRAWITEMSTRUCT& item);
  void DrawBitmap(HDC dc, int button, bool disabled);
  void Animate(int button, bool flash);
  void Expand();
  int ButtonOf(HWND control) const;

  const TDroskSettings& s_;
  TExceptionBoxInput in_;
  std::array<std::string_view, 7> captions_;
  TMethodProcedure thunk_;
  win::UniqueMemoryDc dc_;
  win::UniqueBitmap bitmap_;
  win::UniqueFont normalFont_;
  win::UniqueFont fixedFont_;
  HGDIOBJ oldBitmap_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  HWND window_ = nullptr;
  HWND report_ = nullptr;
  std::array<HWND, 7> buttons_{};
  int default_ = -1;
  int auto_ = -1;
  int focused_ = -1;
  // The fade position of each button: 0 normal, 8 fully in its focused colours.
  std::array<int, 7> fade_{};
  DWORD lastAnimation_ = 0;
  int expandedHeight_ = 0;
  DWORD countdownStart_ = 0;
  int lastProgress_ = -1;
  HICON bigIcon_ = nullptr;
  int buttonDrawWidth_ = 0;
};

TExceptionBox::TExceptionBox(const TDroskSettings& settings, const TExceptionBoxInput& input)
    : s_(settings),
      in_(input),
      captions_(settings.ButtonCaptions),
      thunk_(this, reinterpret_cast<const void*>(&TExceptionBox::WindowProc)) {
  Build();
}

TExceptionBox::~TExceptionBox() {
  if (window_ && IsWindow(window_)) {
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    DestroyWindow(window_);
  }
  if (dc_) {
    if (oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
    if (oldFont_) SelectObject(dc_.get(), oldFont_);
  }
}

HWND TExceptionBox::MakeButton(int button, const RECT& r, bool isDefault) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  style |= s_.FancyButtons ? BS_OWNERDRAW : (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  const std::string caption(captions_[static_cast<size_t>(button)]);
  HWND control = CreateWindowA(
      "BUTTON", caption.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top, window_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonIdBase + button)), win::ThisModule(),
      nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(normalFont_.get()), FALSE);
  return control;
}

void TExceptionBox::Build() {
  // The class keeps the default procedure; each box puts its own in place.
  WNDCLASSA wc{};
  wc.style = CS_CLASSDC | CS_PARENTDC;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = win::ThisModule();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kBoxWindowClass;
  RegisterClassA(&wc);
  window_ = CreateWindowA(kBoxWindowClass, Title(s_).c_str(), WS_CAPTION | WS_SYSMENU, 0, 0, 100,
                          100, nullptr, nullptr, win::ThisModule(), nullptr);
  if (!window_) return;
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk_.Entry()));
  HMENU menu = GetSystemMenu(window_, FALSE);
  for (UINT item : {SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE, SC_SIZE}) {
    DeleteMenu(menu, item, MF_BYCOMMAND);
  }

  normalFont_.reset(
      CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif"));
  fixedFont_.reset(
      CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Courier New"));
  {
    const HDC screen = GetDC(window_);
    dc_.reset(CreateCompatibleDC(screen));
    oldFont_ = SelectObject(dc_.get(), normalFont_.get());
    ReleaseDC(window_, screen);
  }
  bigIcon_ = LoadIconA(win::ThisModule(), "meiBigIcon");

  if (s_.ShowReportAtOnce) captions_[kShow] = {};
  auto_ = AutoActionButton(s_, in_.CanContinue);
  default_ = auto_ >= 0 ? auto_ : static_cast<int>(s_.DefaultButton);
  if (captions_[static_cast<size_t>(default_)].empty()) default_ = -1;

  TBoxLayoutInput layoutInput;
  for (size_t i = 0; i < captions_.size(); ++i) {
    SIZE size{};
    if (!captions_[i].empty()) {
      GetTextExtentPoint32A(dc_.get(), captions_[i].data(), static_cast<int>(captions_[i].size()),
                            &size);
    }
    layoutInput.CaptionWidths[i] = captions_[i].empty() ? 0 : static_cast<int>(size.cx);
  }
  layoutInput.BigIcon = bigIcon_ != nullptr;
  layoutInput.ShowReportAtOnce = s_.ShowReportAtOnce;
  const std::string text = BoxText(s_, in_.Frozen, in_.ExceptMessage, "\r\n");
  layoutInput.MeasureText = [&](int wrapWidth) {
    RECT r{0, 0, wrapWidth, 0};
    DrawTextA(dc_.get(), text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return SIZE{r.right, r.bottom};
  };
  const TBoxLayout l = LayOutBox(layoutInput);

  HWND label =
      CreateWindowA("STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                    l.Text.left, l.Text.top, l.Text.right - l.Text.left, l.Text.bottom - l.Text.top,
                    window_, nullptr, win::ThisModule(), nullptr);
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(normalFont_.get()), FALSE);
  if (bigIcon_) {
    HWND icon = CreateWindowA("STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, 11, 12, 32, 32,
                              window_, nullptr, win::ThisModule(), nullptr);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(bigIcon_), 0);
  }

  int widest = 0;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (captions_[i].empty()) continue;
    buttons_[i] = MakeButton(static_cast<int>(i), l.Buttons[i], static_cast<int>(i) == default_);
    widest = std::max(widest, static_cast<int>(l.Buttons[i].right - l.Buttons[i].left));
  }
  buttonDrawWidth_ = widest;
  {
    const HDC screen = GetDC(window_);
    bitmap_.reset(CreateCompatibleBitmap(screen, std::max(widest, 1), kButtonHeight));
    ReleaseDC(window_, screen);
    oldBitmap_ = SelectObject(dc_.get(), bitmap_.get());
  }
  if (buttons_[kContinue] && !in_.CanContinue && (buttons_[kRestart] || buttons_[kClose])) {
    EnableWindow(buttons_[kContinue], FALSE);
  }

  const bool reportView = s_.ShowReportAtOnce || !captions_[kShow].empty() ||
                          !captions_[kMail].empty() || !captions_[kSave].empty() ||
                          !captions_[kPrint].empty();
  if (reportView) {
    if (s_.CopyToClipboard) PutReportOnClipboard(in_.Report);
    const RECT& g = l.GreyFrame;
    const RECT& w = l.WhiteFrame;
    CreateWindowA("STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_GRAYFRAME, g.left, g.top,
                  g.right - g.left, g.bottom - g.top, window_, nullptr, win::ThisModule(), nullptr);
    CreateWindowA("STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_WHITEFRAME, w.left, w.top,
                  w.right - w.left, w.bottom - w.top, window_, nullptr, win::ThisModule(), nullptr);
    const RECT& f = l.ReportField;
    report_ = CreateWindowA("EDIT", in_.Report.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                            w.left + f.left, w.top + f.top, f.right - f.left, f.bottom - f.top,
                            window_, nullptr, win::ThisModule(), nullptr);
    SendMessageA(report_, WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_.get()), FALSE);
  }

  expandedHeight_ = l.ExpandedHeight;
  RECT frame{0, 0, l.ClientWidth, s_.ShowReportAtOnce ? l.ExpandedHeight : l.ButtonAreaHeight};
  AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU, FALSE);
  RECT expanded{0, 0, l.ClientWidth, l.ExpandedHeight};
  AdjustWindowRect(&expanded, WS_CAPTION | WS_SYSMENU, FALSE);
  const int width = frame.right - frame.left;
  SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - (expanded.bottom - expanded.top)) / 2, width,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);

  if (default_ >= 0) {
    SetFocus(buttons_[static_cast<size_t>(default_)]);
    focused_ = default_;
  }
  if (s_.FancyButtons && auto_ >= 0) {
    countdownStart_ = GetTickCount();
    SetTimer(window_, kCountdownTimer, 10, nullptr);
  }
  MessageBeep(MB_ICONHAND);
  ShowWindow(window_, SW_SHOW);
  if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  BringWindowToTop(window_);
  SetForegroundWindow(window_);
  if (default_ >= 0) SetFocus(buttons_[static_cast<size_t>(default_)]);
  if (in_.Frozen) NotifyFreezeWatchdog(window_);
}

LRESULT __stdcall TExceptionBox::WindowProc(TExceptionBox* self, HWND window, UINT message,
                                            WPARAM wParam, LPARAM lParam) {
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

int TExceptionBox::ButtonOf(HWND control) const {
  const auto it = std::find(buttons_.begin(), buttons_.end(), control);
  return it == buttons_.end() || !control ? -1 : static_cast<int>(it - buttons_.begin());
}

LRESULT TExceptionBox::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK) {
        // Enter acts on the focused button.
        if (const int button = ButtonOf(GetFocus()); button >= 0) Click(button);
      } else if (id >= kButtonIdBase && id < kButtonIdBase + 7 && HIWORD(wParam) == BN_CLICKED) {
        Click(id - kButtonIdBase);
      }
      return 0;
    }
    case WM_CLOSE: CloseRequest(); return 0;
    case WM_TIMER:
      if (wParam == kCountdownTimer) Tick();
      return 0;
    case WM_DRAWITEM: Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    default: return DefWindowProcA(window_, message, wParam, lParam);
  }
}

bool TExceptionBox::FireAction(int action) {
  TFireHandlersParams params;
  params.Kind = THandlerKind::Action;
  params.Action = static_cast<uint8_t>(action);
  params.Text1 = in_.Report;
  params.Text2 = in_.ScreenShot;
  FireHandlers(params);
  in_.Report = std::move(params.Text1);
  in_.ScreenShot = std::move(params.Text2);
  return params.Handled;
}

void TExceptionBox::StopCountdown() {
  if (!countdownStart_) return;
  countdownStart_ = 0;
  KillTimer(window_, kCountdownTimer);
  if (auto_ >= 0) InvalidateRect(buttons_[static_cast<size_t>(auto_)], nullptr, FALSE);
}

void TExceptionBox::Tick() {
  if (!countdownStart_ || auto_ < 0) return;
  const HWND button = buttons_[static_cast<size_t>(auto_)];
  RECT r;
  GetClientRect(button, &r);
  const uint64_t delay = std::max<uint32_t>(s_.AutoDelay, 1);
  const int progress = static_cast<int>(
      (uint64_t{TickDiff(countdownStart_)} * r.right + delay * 500) / (delay * 1000));
  if (progress == lastProgress_) return;
  lastProgress_ = progress;
  InvalidateRect(button, nullptr, FALSE);
  if (progress > r.right) {
    StopCountdown();
    PostMessageA(button, BM_CLICK, 0, 0);
  }
}

void TExceptionBox::Animate(int button, bool flash) {
  const HWND control = buttons_[static_cast<size_t>(button)];
  if (flash) {
    const HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    for (int i = 0; i < 8; ++i) {
      fade_[static_cast<size_t>(button)] = i % 2 ? 0 : -1;  // -1: the dark shadow colour
      InvalidateRect(control, nullptr, FALSE);
      UpdateWindow(control);
      Sleep(50);
    }
    SetCursor(old);
  } else {
    for (int step = 1; step <= 8; ++step) {
      fade_[static_cast<size_t>(button)] = -step;
      InvalidateRect(control, nullptr, FALSE);
      UpdateWindow(control);
      Sleep(10);
    }
  }
  fade_[static_cast<size_t>(button)] = button == focused_ ? 8 : 0;
  InvalidateRect(control, nullptr, FALSE);
  lastAnimation_ = GetTickCount();
}

void TExceptionBox::Expand() {
  RECT frame{0, 0, 0, expandedHeight_};
  AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU, FALSE);
  RECT now;
  GetWindowRect(window_, &now);
  SetWindowPos(window_, nullptr, 0, 0, now.right - now.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER);
  DestroyWindow(std::exchange(buttons_[kShow], nullptr));
  if (default_ == kShow) default_ = -1;
}

void TExceptionBox::Click(int button) {
  if (button < 0 || !buttons_[static_cast<size_t>(button)]) return;
  StopCountdown();
  if (s_.FancyButtons) {
    const bool flash = button == kMail || button == kSave || button == kPrint;
    if (flash || button == kShow || TickDiff(lastAnimation_) > 200) Animate(button, flash);
  }
  if (button == kContinue && !in_.CanContinue) button = kClose;
  switch (button) {
    case kShow:
      FireAction(kShow);
      if (s_.CopyToClipboard) PutReportOnClipboard(in_.Report);
      Expand();
      break;
    case kClose:
      if (!FireAction(kClose)) CloseApplication();
      DestroyWindow(window_);
      break;
    case kRestart:
      if (!FireAction(kRestart)) RestartApplication();
      DestroyWindow(window_);
      break;
    case kContinue:
      FireAction(kContinue);
      DestroyWindow(window_);
      break;
    case kMail:
      if (!FireAction(kMail)) SendBugReportMail(in_.Report, in_.ScreenShot, window_);
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      break;
    case kSave:
      if (!FireAction(kSave)) {
        if (SaveBugReport(in_.Report, window_)) {
          const std::string file = BugReportFileName();
          if (file.size() > 2 && (file[1] == ':' || file[0] == '\\')) {
            DestroyWindow(std::exchange(buttons_[kSave], nullptr));
          }
          MessageBeep(MB_ICONASTERISK);
        } else {
          MessageBeep(0xFFFFFFFF);
        }
      }
      break;
    case kPrint:
      if (!FireAction(kPrint))
        MessageBeep(PrintBugReport(in_.Report, window_) ? MB_ICONASTERISK : 0xFFFFFFFF);
      break;
    default: break;
  }
}

void TExceptionBox::CloseRequest() {
  int action = -1;
  if (default_ == kContinue || default_ == kRestart || default_ == kClose) {
    action = default_;
  } else if (buttons_[kContinue] && in_.CanContinue) {
    action = kContinue;
  } else if (buttons_[kClose]) {
    action = kClose;
  } else if (buttons_[kRestart]) {
    action = kRestart;
  }
  if (action >= 0) Click(action);
}

void TExceptionBox::DrawBitmap(HDC dc, int button, bool disabled) {
  const char* name =
      kBitmapNames[static_cast<size_t>(disabled && button == kContinue ? 7 : button)];
  for (HMODULE module : {static_cast<HMODULE>(win::ThisModule()), GetModuleHandleA(nullptr)}) {
    if (HICON icon = static_cast<HICON>(LoadImageA(module, name, IMAGE_ICON, 16, 16, 0))) {
      DrawIconEx(dc, 3, 3, icon, 16, 16, 0, nullptr, DI_NORMAL);
      DestroyIcon(icon);
      return;
    }
    const HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!found || SizeofResource(module, found) != 1064) continue;
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    if (!data) continue;
    // 16 x 16 pixels of blue, green, red and alpha, bottom row first.
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const uint8_t* p = data + 40 + ((15 - y) * 16 + x) * 4;
        if (p[3] == 0) continue;
        const COLORREF under = GetPixel(dc, 3 + x, 3 + y);
        SetPixel(dc, 3 + x, 3 + y, Blend(under, RGB(p[2], p[1], p[0]), p[3], 255));
      }
    }
    return;
  }
}

void TExceptionBox::Draw(const DRAWITEMSTRUCT& item) {
  const int button = ButtonOf(item.hwndItem);
  if (button < 0) return;
  const size_t b = static_cast<size_t>(button);
  if (item.itemAction & ODA_FOCUS) {
    const bool hasFocus = (item.itemState & ODS_FOCUS) != 0;
    if (hasFocus && focused_ != button) {
      // The user moved the focus: the automatic action no longer applies.
      if (focused_ >= 0) StopCountdown();
      focused_ = button;
    }
    if (fade_[b] >= 0) {
      for (int step = 1; step <= 8; ++step) {
        fade_[b] = hasFocus ? step : 8 - step;
        if (step < 8) {
          DRAWITEMSTRUCT again = item;
          again.itemAction = ODA_DRAWENTIRE;
          Draw(again);
          Sleep(10);
        }
      }
    }
  }
  const int width = item.rcItem.right - item.rcItem.left;
  const int height = item.rcItem.bottom - item.rcItem.top;
  const HDC dc = dc_.get();
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF focusColour = Blend(face, GetSysColor(COLOR_HIGHLIGHT), 1, 4);
  const COLORREF pressed = GetSysColor(COLOR_3DDKSHADOW);
  COLORREF fill =
      fade_[b] >= 0 ? Blend(face, focusColour, fade_[b], 8) : Blend(face, pressed, -fade_[b], 8);
  if (item.itemState & ODS_SELECTED) fill = Blend(face, pressed, 1, 2);
  RECT r{0, 0, width, height};
  const win::UniqueBrush brush(CreateSolidBrush(fill));
  FillRect(dc, &r, brush.get());
  DrawEdge(dc, &r, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  DrawBitmap(dc, button, disabled);

  std::string caption(captions_[b].substr(0, 29));
  SIZE size{};
  GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  const int x = 27 + (width - static_cast<int>(size.cx) - 35) / 2;
  SetBkMode(dc, TRANSPARENT);
  if (disabled) {
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, x + 1, 5, caption.c_str(), static_cast<int>(caption.size()));
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  } else {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  }
  TextOutA(dc, x, 4, caption.c_str(), static_cast<int>(caption.size()));

  if (countdownStart_ && button == auto_ && lastProgress_ >= 0 &&
      GetDeviceCaps(dc, BITSPIXEL) >= 15) {
    for (int d = -4; d <= 4; ++d) {
      const int at = lastProgress_ + d;
      if (at < 0 || at >= width) continue;
      const int abs = d < 0 ? -d : d;
      const win::UniquePen pen(CreatePen(PS_SOLID, 1, Blend(face, fill, abs, 5)));
      const HGDIOBJ old = SelectObject(dc, pen.get());
      MoveToEx(dc, at, 2, nullptr);
      LineTo(dc, at, height - 2);
      SelectObject(dc, old);
    }
  }
  BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, dc, 0, 0, SRCCOPY);
}

// The modal loop of the box, on the calling thread.
void RunBox(TExceptionBox& box) {
  MSG msg;
  while (IsWindow(box.Window())) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) break;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      PostMessageA(box.Window(), WM_CLOSE, 0, 0);
      continue;
    }
    if (msg.hwnd != box.ReportField() && IsDialogMessageA(box.Window(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

TBoxRoad ShowExceptionBox(const TExceptionBoxInput& input) {
  const TDroskSettings& s = DroskSettings();
  if (s.ConsoleOutput && IsConsoleProcess()) {
    if (IsWebProcess()) {
      WriteStdOut("Content-Type: text/html\r\n\r\n" + BuildHtmlPage(s, input.Report));
      return TBoxRoad::Web;
    }
    std::string text = BoxText(s, input.Frozen, input.ExceptMessage, "\r\n");
    if (s.ShowReportAtOnce || CaptionSet(s, kShow)) text += "\r\n\r\n" + input.Report;
    WriteStdOut(text + "\r\n");
    return TBoxRoad::Console;
  }
  TExceptionBox box(s, input);
  RunBox(box);
  return TBoxRoad::Window;
}

}  // namespace drosk
