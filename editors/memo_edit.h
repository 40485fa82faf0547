// The memo editor: several lines of text in the system's multi-line edit, which fills the
// editor; Enter breaks a line unless WantReturns is off, Tab is a character with WantTabs.
// The same edit, as TdxMemoWindow, is the blob editor's memo popup.
#pragma once

#include <string>

#include "controls/edit_text_model.h"
#include "editors/text_edit.h"
#include "framework/stdctrls.h"

namespace editors {

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// How a memo edits its text.
struct TdxMemoSettings {
  controls::TEditCharCase CharCase = controls::TEditCharCase::ecNormal;
  bool HideScrollBars = true;  // a bar shows only while there is something to scroll
  int MaxLength = 0;           // 0: no limit; a line break counts two
  bool OEMConvert = false;     // typed characters pass through the OEM code page and back
  TScrollStyle ScrollBars = TScrollStyle::ssBoth;
  bool SelectionBar = false;  // a strip at the left where a click selects the line
  bool WantReturns = true;
  bool WantTabs = true;
  bool WordWrap = true;
};

// The system's multi-line edit with the memo settings: scroll bars as they say, typed
// characters cased and converted, the length limited and the selection bar. The owner's
// OnKeyDown and OnKeyPress see each key first.
class TdxMemoWindow : public framework::TMemo {
 public:
  TdxMemoWindow(framework::TComponent* owner, framework::TWinControl& parent);
  const TdxMemoSettings& Settings() const noexcept { return settings_; }
  // Makes the window again when it exists.
  void SetSettings(const TdxMemoSettings& settings);
  void UpdateScrollBars();
  // The height of one line in the window's font.
  int LineHeight();
  // The window's height that shows every line of its text at its present width.
  int HeightForAllLines();
  // The selection bar's width (0 without one).
  int SelectionBarWidth() const noexcept;
  void WndProc(framework::TMessage& message) override;

 protected:
  void CreateParams(framework::TCreateParams& params) override;
  void AfterCreateWnd() override;
  void KeyPress(wchar_t& key) override;

 private:
  bool LinesOverflow();
  bool ColumnsOverflow();
  void SelectLineAt(int y);

  TdxMemoSettings settings_;
};

class TdxInplaceMemoEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceMemoEdit(framework::TComponent* owner);
  ~TdxInplaceMemoEdit() override;
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  std::wstring Text() const override;
  // The caret goes after the text, as in the one-line editors.
  void SetText(const std::wstring& text) override;
  void SelectAll() override;

  // Each of these makes the inner window again. Hidden bars show only while they are needed.
  bool HideScrollBars() const noexcept { return inner_->Settings().HideScrollBars; }
  void SetHideScrollBars(bool value);
  TScrollStyle ScrollBars() const noexcept { return inner_->Settings().ScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const noexcept { return inner_->Settings().WordWrap; }
  void SetWordWrap(bool value);
  bool WantReturns = true;
  bool WantTabs = false;

  bool IsEditorWindow(HWND hwnd) override;
  // The multi-line edit's window.
  HWND InnerHandle();
  // The bounds are the least the editor takes: it grows taller while its lines need it, down
  // (then up) as far as the container's client reaches, so no line scrolls out of view.
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(framework::TMessage& message) override;

 protected:
  void Paint() override {}
  void CreateEditCaret() override {}

 private:
  // A key in the inner edit: true when the editor or the grid took it.
  bool InnerKeyDown(WORD key, unsigned shift);
  void InnerChanged();
  void FitToLines();
  template <class T>
  void ChangeSetting(T TdxMemoSettings::*field, T value);

  TdxMemoWindow* inner_;  // owned as a component
  bool setting_text_ = false;
  RECT placed_{};  // the least bounds, where the container placed the editor
};

}  // namespace editors
