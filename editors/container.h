// The editor container: the window an in-place editor lives in (the grid derives from it). It
// answers the editors' questions (Tab between cells, immediate editing, read-only), marks while
// an editor is filled, reaches its scroll bars through the flat-scroll-bar entry points and
// shows hints in a window that never takes the focus.
#pragma once

#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "framework/hint_window.h"

namespace editors {

// A hint window that never activates: the focus stays in the grid or its editor.
class TdxContainerHintWindow : public framework::THintWindow {
 public:
  explicit TdxContainerHintWindow(framework::TComponent* owner);
  // Shows `text` with its top left at `screen_point`, in `font`.
  void ShowHintAt(const std::wstring& text, POINT screen_point, framework::TFont& font);
  void ActivateHint(const RECT& screen_rect, const std::wstring& text);
  void WndProc(framework::TMessage& message) override;

 protected:
  void CreateParams(framework::TCreateParams& params) override;
};

// Flat scroll-bar styles (the comctl32 property values).
constexpr int kScrollBarStandard = 0, kScrollBarEncarta = 1, kScrollBarFlat = 2;

class TCustomdxContainer : public framework::TCustomControl {
 public:
  explicit TCustomdxContainer(framework::TComponent* owner);
  ~TCustomdxContainer() override;

  // Whether Tab and Shift+Tab move between cells instead of between controls.
  virtual bool IsTabs() const { return false; }
  // Whether typing on a cell opens its editor at once.
  virtual bool IsImmediateEditor() const { return false; }
  // True when the container allows no editing.
  virtual bool IsReadOnly() const { return false; }

  // Set while an editor is being filled: change events of the editor are the container's own.
  bool EditorUpdating() const noexcept { return editor_updating_ > 0; }
  void BeginEditorUpdate() noexcept { ++editor_updating_; }
  void EndEditorUpdate() noexcept {
    if (editor_updating_ > 0) --editor_updating_;
  }

  // `bar` SB_HORZ or SB_VERT; the record's range, page, position and track position.
  bool GetScrollInfo(int bar, SCROLLINFO& info);
  virtual void SetScrollInfo(int bar, const SCROLLINFO& info, bool redraw);
  int ScrollBarStyle() const noexcept { return scroll_bar_style_; }
  // kScrollBarStandard or kScrollBarFlat; the window is told at once when it exists.
  void SetScrollBarStyle(int style);

  // The hint window, made on first use.
  TdxContainerHintWindow& HintWindow();

 protected:
  void AfterCreateWnd() override;
  void DestroyWnd() override;

 private:
  void ApplyScrollBarStyle();

  int editor_updating_ = 0;
  int scroll_bar_style_ = kScrollBarStandard;
  bool flat_bars_initialized_ = false;
  TdxContainerHintWindow* hint_window_ = nullptr;  // owned as a component
};

}  // namespace editors
