// RAII owners for Win32 handles: one owner per handle, released exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

template <class Traits>
class Unique {
 public:
  using Raw = typename Traits::Raw;

  Unique() noexcept = default;
  explicit Unique(Raw raw) noexcept : raw_(raw) {}
  Unique(Unique&& other) noexcept : raw_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  Raw get() const noexcept { return raw_; }
  explicit operator bool() const noexcept { return Traits::valid(raw_); }
  [[nodiscard]] Raw release() noexcept { return std::exchange(raw_, Traits::none()); }

  // Closes the old handle; keeps GetLastError() so callers can still report why a call failed.
  void reset(Raw raw = Traits::none()) noexcept {
    const Raw old = std::exchange(raw_, raw);
    if (Traits::valid(old)) {
      const DWORD error = GetLastError();
      Traits::close(old);
      SetLastError(error);
    }
  }

  Raw* put() noexcept {
    reset();
    return &raw_;
  }

 private:
  Raw raw_ = Traits::none();
};

struct KernelTraits {
  using Raw = HANDLE;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h && h != INVALID_HANDLE_VALUE; }  // Win32 uses both
  static void close(Raw h) { CloseHandle(h); }
};

struct FindTraits {
  using Raw = HANDLE;
  static Raw none() { return INVALID_HANDLE_VALUE; }
  static bool valid(Raw h) { return h && h != INVALID_HANDLE_VALUE; }
  static void close(Raw h) { FindClose(h); }
};

struct RegKeyTraits {
  using Raw = HKEY;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { RegCloseKey(h); }
};

struct LibraryTraits {
  using Raw = HMODULE;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { FreeLibrary(h); }
};

struct WindowTraits {
  using Raw = HWND;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { DestroyWindow(h); }
};

struct HookTraits {
  using Raw = HHOOK;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { UnhookWindowsHookEx(h); }
};

struct MemoryDcTraits {
  using Raw = HDC;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { DeleteDC(h); }
};

template <class Gdi>
struct GdiTraits {
  using Raw = Gdi;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { DeleteObject(h); }
};

struct EnhMetaFileTraits {
  using Raw = HENHMETAFILE;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { DeleteEnhMetaFile(h); }
};

struct GlobalTraits {
  using Raw = HGLOBAL;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { GlobalFree(h); }
};

struct MenuTraits {
  using Raw = HMENU;
  static Raw none() { return nullptr; }
  static bool valid(Raw h) { return h != nullptr; }
  static void close(Raw h) { DestroyMenu(h); }
};

using UniqueHandle = Unique<KernelTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueKey = Unique<RegKeyTraits>;
using UniqueLibrary = Unique<LibraryTraits>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueHook = Unique<HookTraits>;
using UniqueMemoryDc = Unique<MemoryDcTraits>;
using UniqueFont = Unique<GdiTraits<HFONT>>;
using UniqueBitmap = Unique<GdiTraits<HBITMAP>>;
using UniqueBrush = Unique<GdiTraits<HBRUSH>>;
using UniquePen = Unique<GdiTraits<HPEN>>;
using UniqueRegion = Unique<GdiTraits<HRGN>>;
using UniqueEnhMetaFile = Unique<EnhMetaFileTraits>;
using UniqueGlobal = Unique<GlobalTraits>;  // memory not handed over (to the clipboard)
using UniqueMenu = Unique<MenuTraits>;

// The clipboard while it is open: closed again however the holder leaves.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) noexcept : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  explicit operator bool() const noexcept { return open_; }

 private:
  bool open_;
};

// A window's client DC (the screen's for no window), or with `whole_window` the DC of the whole
// window, frame included; ReleaseDC needs the window, so it is kept beside the DC.
class WindowDC {
 public:
  explicit WindowDC(HWND hwnd, bool whole_window = false) noexcept
      : hwnd_(hwnd), dc_(whole_window ? GetWindowDC(hwnd) : GetDC(hwnd)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// The DC of a WM_PAINT, ended on every exit.
class PaintDC {
 public:
  explicit PaintDC(HWND hwnd) noexcept : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
  ~PaintDC() { EndPaint(hwnd_, &paint_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC get() const noexcept { return dc_; }
  const RECT& Area() const noexcept { return paint_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Puts a DC's clipping, origin and selected objects back when the scope ends.
class SavedDC {
 public:
  explicit SavedDC(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDC() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

}  // namespace win
