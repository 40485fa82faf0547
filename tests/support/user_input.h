// Real keyboard and mouse input for the X11 tests: SendInput, which goes through the driver's
// hardware queue exactly as a user's keys and clicks do (focus, capture, activation and
// accelerators all take part), and waits that run the messages meanwhile.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace testsupport {

// Dispatches the thread's messages until `done` holds (true) or `milliseconds` pass (false).
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 3000);
// Dispatches the thread's messages for a while, so that input and repaints are through.
void Settle(DWORD milliseconds = 60);

// Makes `hwnd` the active window with the keyboard focus on the screen; false when the
// system refuses.
bool BringToFront(HWND hwnd);

// The mouse, at a point of `hwnd`'s client area.
void MoveMouse(HWND hwnd, POINT client);
void Click(HWND hwnd, POINT client);
void DoubleClick(HWND hwnd, POINT client);
void RightClick(HWND hwnd, POINT client);
// Turns the wheel where the mouse is: positive notches away from the user (up).
void Wheel(int notches);
// Presses the left button at `from`, moves to `to` in steps and lets go there.
void Drag(HWND hwnd, POINT from, POINT to);

// A key pressed and let go; with modifiers, those are held around it (PressKey(VK_TAB,
// {VK_SHIFT}); PressKey('O', {VK_MENU}) for Alt+O).
void PressKey(WORD virtual_key, std::initializer_list<WORD> held = {});
// Characters typed as the keyboard would give them (as Unicode packets for any character).
void TypeText(std::wstring_view text);

// The top-level window of this process with the caption, once it shows; null after the wait.
HWND WaitForWindow(std::wstring_view caption, DWORD milliseconds = 5000);
// Waits until the window is gone or hidden; false after the wait.
bool WaitUntilClosed(HWND hwnd, DWORD milliseconds = 3000);

// The keyboard focus and the caret of another thread (the one running a modal dialog).
HWND FocusOf(DWORD thread_id);
// The caret's rectangle in its window's client coordinates; empty when there is none.
RECT CaretOf(DWORD thread_id);

// Runs `script` on a thread of its own while this thread runs `modal`, a modal loop (of a dialog
// or a message box) that the script's input must reach as a user's does; returns when both
// are done. The script must end the modal loop; it may not use test assertions (they are not
// safe off the main thread): it records what it saw for the test to check afterwards.
void WhileModal(const std::function<void()>& modal, const std::function<void()>& script);

}  // namespace testsupport
