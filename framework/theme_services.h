// Visual styles: whether they are active, and the parts and colours the controls draw with,
// through uxtheme loaded at run time (absent before XP). Tests force either paint path.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

namespace framework {

// An open theme of one window class ("EDIT", "BUTTON", ...); closed with the object.
class ThemeData {
 public:
  ThemeData() = default;
  ThemeData(ThemeData&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ThemeData& operator=(ThemeData&& other) noexcept;
  ~ThemeData();
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  void* get() const noexcept { return handle_; }

 private:
  friend class TThemeServices;
  explicit ThemeData(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

class TThemeServices {
 public:
  static TThemeServices& Instance();

  // uxtheme is there.
  bool ThemesAvailable() const noexcept { return open_ != nullptr; }
  // Visual styles are active for this program: the themed paint path. An override decides
  // instead while it is set.
  bool ThemesEnabled() const;
  void SetOverride(std::optional<bool> enabled) { override_ = enabled; }

  // The theme of `class_list` for `hwnd`; empty when themes are off or the class has none.
  ThemeData Open(HWND hwnd, const std::wstring& class_list) const;
  // False when there is no theme or the part does not draw (the caller draws classically).
  bool DrawBackground(const ThemeData& theme, HDC dc, int part, int state, const RECT& rect) const;
  // A colour property (TMT_FILLCOLOR, TMT_TEXTCOLOR, ...); nothing when the theme lacks it.
  std::optional<COLORREF> Color(const ThemeData& theme, int part, int state, int property) const;
  // Lets the parent's background show under a control's transparent parts.
  bool DrawParentBackground(HWND hwnd, HDC dc, const RECT& rect) const;

 private:
  friend class ThemeData;
  TThemeServices();
  using OpenFn = void*(WINAPI*)(HWND, LPCWSTR);
  using CloseFn = HRESULT(WINAPI*)(void*);
  using DrawFn = HRESULT(WINAPI*)(void*, HDC, int, int, const RECT*, const RECT*);
  using ColorFn = HRESULT(WINAPI*)(void*, int, int, int, COLORREF*);
  using ActiveFn = BOOL(WINAPI*)();
  using ParentFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);

  HMODULE module_ = nullptr;
  OpenFn open_ = nullptr;
  CloseFn close_ = nullptr;
  DrawFn draw_ = nullptr;
  ColorFn color_ = nullptr;
  ActiveFn active_ = nullptr;
  ActiveFn app_themed_ = nullptr;
  ParentFn parent_ = nullptr;
  std::optional<bool> override_;
};

}  // namespace framework
