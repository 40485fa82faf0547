// The in-place editor base: the editor a grid lays over one cell, fills, shows, validates and
// reads back. It is the own-drawn edit with an optional docked button, so every editor keeps
// UTF-16 text, caret, selection, clipboard and the three paint styles.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "controls/xp_edits2.h"
#include "editors/edit_style.h"
#include "editors/view_data.h"
#include "framework/exception.h"
#include "framework/stdctrls.h"

namespace editors {

class TCustomdxContainer;
class TdxInplaceEdit;

// A value the editor refuses: raised by validation, with the message for the user.
class EdxEditError : public framework::Exception {
 public:
  using Exception::Exception;
};

// The validate event: a handler may refuse the value (Accept false) and give the message.
using TdxValidateEvent = framework::TEvent<framework::TComponent*, std::wstring&, bool&>;

// What the grid knows of an editor class without an editor: how to make one, its view data,
// its in-cell hit test, and its place in the family (columns test classes by inheritance).
struct TdxInplaceEditClass {
  using Factory = TdxInplaceEdit* (*)(framework::TComponent* owner);
  using ViewDataFactory = std::unique_ptr<TdxEditViewData> (*)();
  // (cell rectangle, mode, x, y): whether a click at (x, y) acts on the cell without an editor.
  using HitTest = bool (*)(const RECT& cell, int mode, int x, int y);

  const char* name;
  const TdxInplaceEditClass* parent;
  Factory create;
  ViewDataFactory create_view_data;
  HitTest hit_in_cell;

  bool InheritsFrom(const TdxInplaceEditClass& other) const noexcept;
};

// The in-cell hit-test mode the grid asks with.
constexpr int kHitModeClick = 2;

class TdxInplaceEdit : public controls::TXPCustomButtonEdit {
 public:
  explicit TdxInplaceEdit(framework::TComponent* owner);
  ~TdxInplaceEdit() override;

  static const TdxInplaceEditClass& EditorClass();
  virtual const TdxInplaceEditClass& Class() const { return EditorClass(); }
  bool InheritsFrom(const TdxInplaceEditClass& other) const { return Class().InheritsFrom(other); }

  // True while the grid hides the editor, false once it is set up.
  bool Closing() const noexcept { return closing_; }
  void SetClosing(bool value) noexcept { closing_ = value; }
  // The message time of the last left-button press on the grid.
  DWORD LastPressTime() const noexcept { return last_press_time_; }
  void SetLastPressTime(DWORD time) noexcept { last_press_time_ = time; }

  // The container the editor is placed in (its parent), or null.
  TCustomdxContainer* Container() const;
  // Whether the editor may change its value: neither it nor its container is read-only.
  bool CanModify() const;

  // Makes the editor invisible (closing an open popup first).
  virtual void HideEdit();
  // Raises EdxEditError when the value is not acceptable; the validate event may refuse it.
  virtual void ValidateEdit();
  TdxValidateEvent OnValidate;

  framework::TAlignment Alignment() const noexcept { return alignment_; }
  virtual void SetAlignment(framework::TAlignment value);
  RECT TextOffsets() const noexcept { return text_offsets_; }
  // Pixels between the editor's inside and its text: left, top, right, bottom.
  void SetTextOffsets(int left, int top, int right, int bottom);

  void LockShowNotify() noexcept { ++show_notify_lock_; }
  void UnlockShowNotify() noexcept {
    if (show_notify_lock_ > 0) --show_notify_lock_;
  }
  bool ShowNotifyLocked() const noexcept { return show_notify_lock_ > 0; }
  // The editor's window lies this far outside its cell, so its frame is not part of the text.
  static constexpr int kCellMargin = 2;
  // Places the editor over `cell` grown by kCellMargin on each side and shows it; takes the focus
  // when the container or a window inside it has it; runs AfterShow when the editor was hidden
  // and the show notification is not locked.
  void ShowAndFocus(const RECT& cell);
  // Records the loaded text and modified flag: Escape goes back to them.
  virtual void InitEditState(bool from_grid);
  const std::wstring& LoadedText() const noexcept { return loaded_text_; }
  // Back to the loaded text; false when there was nothing to take back.
  virtual bool Revert();

  // The text in the ANSI code page, for the narrow columns.
  std::string AnsiText() const;
  void SetAnsiText(const std::string& text);

  // Handles a click of the grid at `point` (client coordinates of the editor); true when the
  // click acted on the value.
  virtual bool ProcessClick(POINT point);
  // Whether `hwnd` is the editor's window or one of its own (a popup, an inner window).
  virtual bool IsEditorWindow(HWND hwnd);

  // The style of the frame and buttons; the editor owns it. Null until one is given.
  TdxEditStyle* Style() const noexcept { return style_.get(); }
  void SetStyle(std::unique_ptr<TdxEditStyle> style);
  // The style changed: the frame follows it.
  virtual void StyleChanged();

  void WndProc(framework::TMessage& message) override;

 protected:
  // After the editor was shown from hidden, unless notification is locked.
  virtual void AfterShow() {}
  // Keys the editor does not use itself go to the container (the grid's navigation).
  virtual bool WantsKey(WORD key, unsigned shift);
  void PassKeyToContainer(WORD key);
  void KeyDown(WORD& key, unsigned shift) override;
  RECT GetTextRect() override;
  // Fills the room the offsets and the alignment leave beside the text, then draws it.
  void DrawText(const RECT& rect, framework::TColor background, framework::TColor text,
                framework::TColor selection_background, framework::TColor selection_text,
                framework::TColor frame) override;
  HBITMAP GetButtonGlyph() override;

 private:
  bool closing_ = true;
  DWORD last_press_time_ = 0;
  framework::TAlignment alignment_ = framework::TAlignment::taLeftJustify;
  RECT text_offsets_{0, 0, 0, 0};
  int show_notify_lock_ = 0;
  std::wstring loaded_text_;
  bool loaded_modified_ = false;
  std::unique_ptr<TdxEditStyle> style_;
};

}  // namespace editors
