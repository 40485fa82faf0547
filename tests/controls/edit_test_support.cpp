// What the edit tests share.
#include <gtest/gtest.h>

#include "tests/controls/edit_test_support.h"

#include <algorithm>
#include <cstring>

#include "controls/xp_edits2.h"
#include "tests/controls/paint_styles.h"

namespace edittest {

HeldKeys::HeldKeys(std::initializer_list<int> keys) {
  GetKeyboardState(saved_);
  BYTE state[256];
  std::memcpy(state, saved_, sizeof state);
  for (int key : keys) state[key] |= 0x80;
  SetKeyboardState(state);
}

HeldKeys::~HeldKeys() { SetKeyboardState(saved_); }

void Key(HWND hwnd, WORD key, std::initializer_list<int> held) {
  HeldKeys keys(held);
  const bool alt = std::find(held.begin(), held.end(), VK_MENU) != held.end();
  SendMessageW(hwnd, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
  SendMessageW(hwnd, alt ? WM_SYSKEYUP : WM_KEYUP, key, 0xC0000001);
}

namespace {

template <class Body>
auto WithFontOf(framework::TWinControl& edit, Body&& body) {
  win::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  SelectObject(dc.get(), edit.Font().Handle());
  return body(dc.get());
}

}  // namespace

int TextWidth(framework::TWinControl& edit, const std::wstring& text) {
  return WithFontOf(edit, [&](HDC dc) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  });
}

int LineHeight(framework::TWinControl& edit) {
  return WithFontOf(edit, [](HDC dc) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    return static_cast<int>(metrics.tmHeight);
  });
}

void Type(HWND hwnd, const std::wstring& text) {
  for (wchar_t c : text) SendMessageW(hwnd, WM_CHAR, c, 1);
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void SetClipboardText(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

namespace {

int pending_item = -1;

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) noexcept {
  KillTimer(nullptr, id);
  if (pending_item >= 0) {
    try {
      controls::TCustomXPEdit::SharedContextMenu().Items().Items()[pending_item]->Click();
    } catch (...) {
      ADD_FAILURE() << "the menu item threw";
    }
  }
  EndMenu();
}

}  // namespace

void ShowContextMenuAndChoose(HWND hwnd, int item) {
  pending_item = item;
  SetTimer(nullptr, 0, 20, CloseMenu);
  RECT window{};
  GetWindowRect(hwnd, &window);
  SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd),
               MAKELPARAM(window.left + 5, window.top + 5));
  pending_item = -1;
}

void ShowContextMenuAndClose(HWND hwnd) { ShowContextMenuAndChoose(hwnd, -1); }

void EditForm::SetUp() {
  form_.SetBounds(50, 50, 420, 160);
  form_.Show();
}

void EditForm::TearDown() { xptest::ResetPaintStyle(); }

void EditForm::UsePaintStyle(int style) { xptest::UsePaintStyle(style); }

}  // namespace edittest
