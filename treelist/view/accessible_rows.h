// The grid's rows for screen readers and other accessibility clients: the client area answers
// WM_GETOBJECT with an outline whose items are the visible rows, as the system's tree view does.
#pragma once

#include <windows.h>

namespace treelist {

// The answer to WM_GETOBJECT sent to the grid's window `hwnd`; 0 for the objects the system
// provides (the window, its frame, its scroll bars).
LRESULT AnswerAccessibleObject(HWND hwnd, WPARAM flags, LPARAM object_id) noexcept;

}  // namespace treelist
