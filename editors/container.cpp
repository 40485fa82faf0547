// The editor container.
#include "editors/container.h"

#include "framework/win/handles.h"

namespace editors {

namespace {

// The flat-scroll-bar entry points of comctl32, found once; a missing one falls back to the
// plain scroll-bar routine of user32, which is what a flat bar does without its style.
struct FlatScrollBars {
  using InitializeFn = BOOL(WINAPI*)(HWND);
  using GetInfoFn = BOOL(WINAPI*)(HWND, int, LPSCROLLINFO);
  using SetInfoFn = int(WINAPI*)(HWND, int, LPSCROLLINFO, BOOL);
  using SetPropFn = BOOL(WINAPI*)(HWND, UINT, INT_PTR, BOOL);

  FlatScrollBars() : library(LoadLibraryW(L"comctl32.dll")) {
    if (!library) return;
    initialize = Entry<InitializeFn>("InitializeFlatSB");
    uninitialize = Entry<InitializeFn>("UninitializeFlatSB");
    get_info = Entry<GetInfoFn>("FlatSB_GetScrollInfo");
    set_info = Entry<SetInfoFn>("FlatSB_SetScrollInfo");
    set_prop = Entry<SetPropFn>("FlatSB_SetScrollProp");
  }
  template <class Fn>
  Fn Entry(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library.get(), name)));
  }
  static const FlatScrollBars& Get() {
    static const FlatScrollBars entries;
    return entries;
  }

  win::UniqueLibrary library;
  InitializeFn initialize = nullptr;
  InitializeFn uninitialize = nullptr;
  GetInfoFn get_info = nullptr;
  SetInfoFn set_info = nullptr;
  SetPropFn set_prop = nullptr;
};

constexpr UINT kScrollInfoMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
static_assert(kScrollInfoMask == 0x17 && sizeof(SCROLLINFO) == 28, "the record the bars exchange");
// FlatSB_SetScrollProp's style properties of the two bars.
constexpr UINT kVerticalStyleProp = 0x100, kHorizontalStyleProp = 0x200;

}  // namespace

TdxContainerHintWindow::TdxContainerHintWindow(framework::TComponent* owner) : THintWindow(owner) {}

void TdxContainerHintWindow::CreateParams(framework::TCreateParams& params) {
  THintWindow::CreateParams(params);
  params.ex_style |= WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
}

void TdxContainerHintWindow::ShowHintAt(const std::wstring& text, POINT screen_point,
                                        framework::TFont& font) {
  Font().Assign(font);
  RECT rect = CalcHintRect(GetSystemMetrics(SM_CXSCREEN), text);
  OffsetRect(&rect, screen_point.x, screen_point.y);
  ActivateHint(rect, text);
}

void TdxContainerHintWindow::ActivateHint(const RECT& screen_rect, const std::wstring& text) {
  THintWindow::ActivateHint(screen_rect, text);
}

void TdxContainerHintWindow::WndProc(framework::TMessage& message) {
  if (message.msg == WM_MOUSEACTIVATE) {
    message.result = MA_NOACTIVATE;
    return;
  }
  THintWindow::WndProc(message);
}

TCustomdxContainer::TCustomdxContainer(framework::TComponent* owner) : TCustomControl(owner) {
  SetTabStop(true);
}

TCustomdxContainer::~TCustomdxContainer() { DestroyComponents(); }

bool TCustomdxContainer::GetScrollInfo(int bar, SCROLLINFO& info) {
  info = SCROLLINFO{};
  info.cbSize = sizeof info;
  info.fMask = kScrollInfoMask;
  const FlatScrollBars& flat = FlatScrollBars::Get();
  HWND hwnd = Handle();
  if (flat.get_info) return flat.get_info(hwnd, bar, &info) != FALSE;
  return ::GetScrollInfo(hwnd, bar, &info) != FALSE;
}

void TCustomdxContainer::SetScrollInfo(int bar, const SCROLLINFO& info, bool redraw) {
  SCROLLINFO record = info;
  record.cbSize = sizeof record;
  record.fMask = kScrollInfoMask & ~SIF_TRACKPOS;  // the track position belongs to the user
  const FlatScrollBars& flat = FlatScrollBars::Get();
  HWND hwnd = Handle();
  if (flat.set_info) {
    flat.set_info(hwnd, bar, &record, redraw);
  } else {
    ::SetScrollInfo(hwnd, bar, &record, redraw);
  }
}

void TCustomdxContainer::SetScrollBarStyle(int style) {
  if (style == scroll_bar_style_) return;
  scroll_bar_style_ = style;
  if (HandleAllocated()) ApplyScrollBarStyle();
}

void TCustomdxContainer::ApplyScrollBarStyle() {
  const FlatScrollBars& flat = FlatScrollBars::Get();
  if (!flat_bars_initialized_ && flat.initialize) {
    flat_bars_initialized_ = flat.initialize(hwnd_) != FALSE;
  }
  if (!flat.set_prop) return;
  flat.set_prop(hwnd_, kVerticalStyleProp, scroll_bar_style_, FALSE);
  flat.set_prop(hwnd_, kHorizontalStyleProp, scroll_bar_style_, TRUE);
}

void TCustomdxContainer::AfterCreateWnd() {
  TCustomControl::AfterCreateWnd();
  flat_bars_initialized_ = false;
  if (scroll_bar_style_ != kScrollBarStandard) ApplyScrollBarStyle();
}

void TCustomdxContainer::DestroyWnd() {
  const FlatScrollBars& flat = FlatScrollBars::Get();
  if (flat_bars_initialized_ && flat.uninitialize && hwnd_) flat.uninitialize(hwnd_);
  flat_bars_initialized_ = false;
  TCustomControl::DestroyWnd();
}

TdxContainerHintWindow& TCustomdxContainer::HintWindow() {
  if (!hint_window_) hint_window_ = new TdxContainerHintWindow(this);
  return *hint_window_;
}

}  // namespace editors
