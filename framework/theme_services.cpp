// Visual styles through uxtheme.
#include "framework/theme_services.h"

#include "framework/win/module.h"

namespace framework {

TThemeServices& TThemeServices::Instance() {
  static TThemeServices services;
  return services;
}

TThemeServices::TThemeServices() {
  // Kept loaded for the life of the process: themes may be drawn until the very end.
  module_ = LoadLibraryW(L"uxtheme.dll");
  if (!module_) return;
  open_ = win::ProcAddress<OpenFn>(module_, "OpenThemeData");
  close_ = win::ProcAddress<CloseFn>(module_, "CloseThemeData");
  draw_ = win::ProcAddress<DrawFn>(module_, "DrawThemeBackground");
  color_ = win::ProcAddress<ColorFn>(module_, "GetThemeColor");
  active_ = win::ProcAddress<ActiveFn>(module_, "IsThemeActive");
  app_themed_ = win::ProcAddress<ActiveFn>(module_, "IsAppThemed");
  parent_ = win::ProcAddress<ParentFn>(module_, "DrawThemeParentBackground");
  if (!open_ || !close_ || !draw_ || !color_ || !active_) open_ = nullptr;
}

bool TThemeServices::ThemesEnabled() const {
  if (override_) return *override_ && ThemesAvailable();
  return ThemesAvailable() && active_() && (!app_themed_ || app_themed_());
}

ThemeData TThemeServices::Open(HWND hwnd, const std::wstring& class_list) const {
  if (!ThemesEnabled()) return ThemeData();
  return ThemeData(open_(hwnd, class_list.c_str()));
}

bool TThemeServices::DrawBackground(const ThemeData& theme, HDC dc, int part, int state,
                                    const RECT& rect) const {
  return theme && SUCCEEDED(draw_(theme.get(), dc, part, state, &rect, nullptr));
}

std::optional<COLORREF> TThemeServices::Color(const ThemeData& theme, int part, int state,
                                              int property) const {
  COLORREF color = 0;
  if (!theme || FAILED(color_(theme.get(), part, state, property, &color))) return std::nullopt;
  return color;
}

bool TThemeServices::DrawParentBackground(HWND hwnd, HDC dc, const RECT& rect) const {
  return ThemesEnabled() && parent_ && SUCCEEDED(parent_(hwnd, dc, &rect));
}

ThemeData& ThemeData::operator=(ThemeData&& other) noexcept {
  if (this != &other) {
    if (handle_) TThemeServices::Instance().close_(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

ThemeData::~ThemeData() {
  if (handle_) TThemeServices::Instance().close_(handle_);
}

}  // namespace framework
