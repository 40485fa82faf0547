// The one window every editor popup opens in (lists, calendar, calculator, memo and picture,
// tool bar): a top-level tool window beside its editor that holds the mouse while open and
// never takes the keyboard, which stays with the editor and is handed on to the content.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/controls.h"

namespace editors {

// Where a popup wider or narrower than its editor lines up with it.
enum class TdxPopupAlignment { Left, Right, Center };
// The frame a popup is drawn in: the default (a single line), a single line in the window
// frame's colour, a raised three-dimensional frame two pixels wide, or a flat line in the
// shadow's colour.
enum class TdxPopupBorder { pbDefault, pbSingle, pbFrame3D, pbFlat };

class TdxInplaceEdit;
class TdxPopupHost;

// What a mouse action in a popup asks of its editor.
enum class TdxPopupAction { None, Accept, Cancel };

// What a popup shows and how it answers; the host owns it while it is open.
class TdxPopupContent {
 public:
  virtual ~TdxPopupContent() = default;
  // The client size the content wants, `width` the editor's (or the asked) width.
  virtual SIZE PreferredSize(HDC dc, int width) = 0;
  virtual void Paint(HDC dc, const RECT& client) = 0;
  // Keys reaching the editor while the popup is open; true when the content used them.
  virtual bool KeyDown(WORD, unsigned) { return false; }
  virtual bool KeyPress(wchar_t) { return false; }
  virtual TdxPopupAction MouseDown(POINT) { return TdxPopupAction::None; }
  virtual void MouseMove(POINT) {}
  virtual TdxPopupAction MouseUp(POINT) { return TdxPopupAction::None; }
  // Makes the content's own windows inside the open popup (a memo's edit); the mouse over
  // them goes to them, and the focus to FocusWindow's while the popup is open.
  virtual void Attach(TdxPopupHost&) {}
  virtual HWND FocusWindow() { return nullptr; }
  // A right click (or the menu key) at a screen point.
  virtual void ContextMenu(POINT) {}
};

class TdxPopupHost : public framework::TCustomControl {
 public:
  explicit TdxPopupHost(TdxInplaceEdit& editor);
  ~TdxPopupHost() override;

  // Shows `content` below the editor (above when it does not fit), `width` wide (0: the
  // editor's width), lined up by `alignment`, in the frame `border`; a `sizeable` popup has a
  // sizing frame instead, whose right and bottom edges the user drags.
  void Popup(std::unique_ptr<TdxPopupContent> content, int width, TdxPopupAlignment alignment,
             TdxPopupBorder border, bool sizeable = false);
  // Hides the window, gives the focus back to the editor and lets the content go (it is freed
  // at the next popup: a content's own window may be what asked to close).
  void Close();
  // Takes the mouse again after a window of the content let it go (its drag ended).
  void TakeMouseBack();
  // Shows a menu at a screen point while the popup stays open; the command chosen, or 0.
  int TrackMenu(HMENU menu, POINT screen);
  bool IsOpen() const;
  TdxPopupContent* Content() const noexcept { return content_.get(); }
  // The host's answer to a mouse action: the editor closes up (true: accept).
  std::function<void(bool accept)> OnCloseRequest;

  void WndProc(framework::TMessage& message) override;

 protected:
  void CreateParams(framework::TCreateParams& params) override;
  void Paint() override;

 private:
  void Act(TdxPopupAction action);
  DWORD FrameStyle() const;
  // The frame's width and height together (both sides).
  SIZE FrameSize() const;
  // The drawn frame's width on each side (the sizing frame is the system's).
  int BorderWidth() const;
  // Draws the frame in the window's outer `border_width` pixels of `dc` (window coordinates).
  void PaintBorder(HDC dc) const;
  // A press on the sizing frame starts a size drag; false elsewhere.
  bool BeginSizing(POINT client_point);
  void Size(POINT client_point);
  // A mouse message over a window of the content goes there as the system would send it
  // without the popup holding the mouse: client or non-client (scroll bars).
  bool ForwardToContentWindow(const framework::TMessage& message, POINT client_point);

  TdxInplaceEdit& editor_;
  std::unique_ptr<TdxPopupContent> content_;
  std::unique_ptr<TdxPopupContent> retired_;  // closed, freed at the next popup
  TdxPopupBorder border_ = TdxPopupBorder::pbDefault;
  bool sizeable_ = false;
  bool sizing_ = false;
  bool menu_open_ = false;                         // the menu holds the mouse meanwhile
  bool size_right_ = false, size_bottom_ = false;  // which edges the drag moves
  POINT size_origin_{};                            // screen point of the press
  SIZE size_start_{};                              // window size at the press
};

}  // namespace editors
