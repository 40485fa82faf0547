// Keyboard and mouse input for the X11 tests.
#include "support/user_input.h"

#include <thread>
#include <vector>

namespace testsupport {

namespace {

void Send(std::vector<INPUT>& inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT KeyInput(WORD virtual_key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

INPUT MouseInput(DWORD flags, POINT screen = {}) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    // Absolute positions are in 0..65535 over the primary screen; the centre of the target
    // pixel survives the rounding either way.
    input.mi.dx = static_cast<LONG>((screen.x * 65536LL + 32768) / GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = static_cast<LONG>((screen.y * 65536LL + 32768) / GetSystemMetrics(SM_CYSCREEN));
  }
  return input;
}

POINT ToScreen(HWND hwnd, POINT client) {
  ClientToScreen(hwnd, &client);
  return client;
}

void SendMouse(DWORD flags, POINT screen = {}) {
  std::vector<INPUT> inputs = {MouseInput(flags, screen)};
  Send(inputs);
}

// A press and release of one button at a point of `hwnd`'s client area.
void ClickWith(HWND hwnd, POINT client, DWORD down, DWORD up) {
  std::vector<INPUT> inputs = {
      MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ToScreen(hwnd, client)), MouseInput(down),
      MouseInput(up)};
  Send(inputs);
  Settle();
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= milliseconds) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

void Settle(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

bool BringToFront(HWND hwnd) {
  // Another process's window may hold the foreground; a click on the caption-less client is
  // what a user would do, but the system's own call is enough while no other program is active.
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  return PumpUntil([&] { return GetForegroundWindow() == hwnd; }, 2000);
}

void MoveMouse(HWND hwnd, POINT client) {
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ToScreen(hwnd, client));
  Settle(20);
}

void Click(HWND hwnd, POINT client) {
  ClickWith(hwnd, client, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
}

void RightClick(HWND hwnd, POINT client) {
  ClickWith(hwnd, client, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
}

void DoubleClick(HWND hwnd, POINT client) {
  const POINT at = ToScreen(hwnd, client);
  std::vector<INPUT> inputs = {MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at),
                               MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP),
                               MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)};
  Send(inputs);
  Settle();
}

void Wheel(int notches) {
  std::vector<INPUT> inputs = {MouseInput(MOUSEEVENTF_WHEEL)};
  inputs[0].mi.mouseData = static_cast<DWORD>(notches * WHEEL_DELTA);
  Send(inputs);
  Settle();
}

void Drag(HWND hwnd, POINT from, POINT to) {
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ToScreen(hwnd, from));
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Settle(20);
  constexpr int kSteps = 4;
  for (int step = 1; step <= kSteps; ++step) {
    const POINT at = {from.x + (to.x - from.x) * step / kSteps,
                      from.y + (to.y - from.y) * step / kSteps};
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, ToScreen(hwnd, at));
    Settle(20);
  }
  SendMouse(MOUSEEVENTF_LEFTUP);
  Settle();
}

void PressKey(WORD virtual_key, std::initializer_list<WORD> held) {
  std::vector<INPUT> inputs;
  for (WORD modifier : held) inputs.push_back(KeyInput(modifier, false));
  inputs.push_back(KeyInput(virtual_key, false));
  inputs.push_back(KeyInput(virtual_key, true));
  for (auto it = held.end(); it != held.begin();) inputs.push_back(KeyInput(*--it, true));
  Send(inputs);
  Settle();
}

void TypeText(std::wstring_view text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    for (bool up : {false, true}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = c;
      input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(input);
    }
  }
  Send(inputs);
  Settle();
}

HWND WaitForWindow(std::wstring_view caption, DWORD milliseconds) {
  const std::wstring wanted(caption);
  HWND found = nullptr;
  PumpUntil(
      [&] {
        found = FindWindowW(nullptr, wanted.c_str());
        DWORD process = 0;
        if (found) GetWindowThreadProcessId(found, &process);
        return found && process == GetCurrentProcessId() && IsWindowVisible(found);
      },
      milliseconds);
  return found && IsWindowVisible(found) ? found : nullptr;
}

bool WaitUntilClosed(HWND hwnd, DWORD milliseconds) {
  return PumpUntil([&] { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); }, milliseconds);
}

HWND FocusOf(DWORD thread_id) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread_id, &info) ? info.hwndFocus : nullptr;
}

RECT CaretOf(DWORD thread_id) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(thread_id, &info) || !info.hwndCaret) return {};
  return info.rcCaret;
}

void WhileModal(const std::function<void()>& modal, const std::function<void()>& script) {
  std::thread driver(script);
  struct Join {
    std::thread& thread;
    ~Join() { thread.join(); }
  } join{driver};
  modal();
}

}  // namespace testsupport
