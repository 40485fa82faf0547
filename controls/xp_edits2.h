// The own-drawn single-line edit: its own UTF-16 text model, caret, selection, undo, clipboard,
// context menu, number entry and input-method results, drawn in the three paint styles without
// the system edit window; and the button edit, the same edit with a small push button docked
// inside its right edge.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/menus.h"
#include "controls/edit_text_model.h"
#include "controls/xp_controls.h"

namespace controls {

enum class TEditBorderStyle { bsNone, bsSingle };

class TCustomXPEdit : public TXPCustomControl {
 public:
  explicit TCustomXPEdit(framework::TComponent* owner);
  ~TCustomXPEdit() override;
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  std::wstring Text() const override;
  // Sets the text from outside: the undo state starts afresh.
  void SetText(const std::wstring& text) override;

  bool AutoSelect() const noexcept { return auto_select_; }
  void SetAutoSelect(bool value) { auto_select_ = value; }
  bool AutoSize() const noexcept { return auto_size_; }
  void SetAutoSize(bool value);
  TEditBorderStyle BorderStyle() const noexcept { return border_style_; }
  void SetBorderStyle(TEditBorderStyle value);
  TEditCharCase CharCase() const noexcept { return char_case_; }
  void SetCharCase(TEditCharCase value);
  bool HideSelection() const noexcept { return hide_selection_; }
  void SetHideSelection(bool value);
  bool HotTrack() const noexcept { return hot_track_; }
  void SetHotTrack(bool value);
  int MaxLength() const noexcept { return max_length_; }
  void SetMaxLength(int value) { max_length_ = value; }
  int NumberPrecision() const noexcept { return number_precision_; }
  void SetNumberPrecision(int value);
  TRadix NumberRadix() const noexcept { return number_radix_; }
  void SetNumberRadix(TRadix value);
  TNumberTypeEx NumberType() const noexcept { return number_type_; }
  void SetNumberType(TNumberTypeEx value);
  bool OEMConvert() const noexcept { return oem_convert_; }
  void SetOEMConvert(bool value) { oem_convert_ = value; }
  wchar_t PasswordChar() const noexcept { return model_.PasswordChar(); }
  void SetPasswordChar(wchar_t value);
  // The password character as form descriptions write it: empty for none, else one character.
  std::wstring PasswordCharText() const;
  void SetPasswordCharText(const std::wstring& text);
  bool ReadOnly() const noexcept { return read_only_; }
  void SetReadOnly(bool value);
  bool Transparent() const noexcept { return transparent_; }
  virtual void SetTransparent(bool value);
  // A menu of the edit's own instead of the shared one; null: the shared one.
  framework::TPopupMenu* PopupMenu() const noexcept { return popup_menu_; }
  void SetPopupMenu(framework::TPopupMenu* menu) { popup_menu_ = menu; }

  bool Modified() const noexcept { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  int SelStart() const noexcept { return model_.SelStart(); }
  void SetSelStart(int start);
  int SelLength() const noexcept { return model_.SelLength(); }
  void SetSelLength(int length);
  std::wstring SelText() const { return model_.SelectedText(); }
  int CaretPosition() const noexcept { return caret_; }
  virtual void SetCaretPosition(int index);
  int FirstVisible() const noexcept { return first_visible_; }

  bool CanUndo() const noexcept { return model_.ChangedSinceUndoPoint() && !read_only_; }
  void Undo();
  void CopyToClipboard();
  void CutToClipboard();
  virtual void PasteFromClipboard();
  void DeleteSelection();
  virtual void SelectAll();
  virtual void Clear();
  virtual void InsertText(const std::wstring& text);
  // The width that shows the whole text.
  virtual int GetTextWidth();
  // The family's integer query: 1 for this edit; descendants answer their own.
  virtual int EditQuery() { return 1; }

  // The number the text stands for, and the text of a number, by NumberType and NumberRadix.
  double GetNumberValue() const;
  void SetNumberValue(double value);

  bool IsValueChanged() const override { return model_.Text() != original_text_; }
  void SaveOriginalValue() override { original_text_ = model_.Text(); }
  void RedrawControl() override;
  void Invalidate() override;

  // The shared context menu, as it was last prepared for an edit.
  static framework::TPopupMenu& SharedContextMenu();

  framework::TNotifyEvent OnChange;

  void WndProc(framework::TMessage& message) override;

 protected:
  virtual void CreateEditCaret();
  virtual void DestroyEditCaret();
  virtual void HotTrackChanged(bool hot);
  // The area the frame painting leaves out: none here.
  virtual RECT GetButtonRect();
  virtual void StopSelecting() { mouse_selecting_ = false; }
  virtual RECT GetTextRect();
  virtual void DrawText(const RECT& rect, framework::TColor background, framework::TColor text,
                        framework::TColor selection_background, framework::TColor selection_text,
                        framework::TColor frame);
  virtual int GetThemeState();
  virtual void UpdateCursor();
  virtual int GetLineHeight();
  virtual void NumberTypeChanged() {}

  void CreateParams(framework::TCreateParams& params) override;
  void CreateWnd() override;
  void AfterCreateWnd() override;
  void Paint() override;
  void PaintBackground(HDC dc) override;
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;
  void MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void MouseMove(unsigned shift, int x, int y) override;
  void MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void Loaded() override;

  // A received input-method result: inserted once the characters Windows posts for it are in.
  void ReceiveImeResult(const std::wstring& result);

  // 1 and 2 pixels in the painted looks, 0 and 1 in the classic one (whose frame is the system's).
  int FrameWidth() const noexcept { return frame_width_; }
  int InnerMargin() const noexcept { return inner_margin_; }
  // Counts the characters that fit the text rectangle again (after it changed).
  void CountVisible();
  bool Hot() const noexcept { return hot_; }
  // Painting takes Color as background and never the theme; descendants set it.
  bool use_color_ = false;
  // While above 0, OnChange is not fired (change_suppression_) or characters are not handled
  // (key_suppression_): a descendant that edits the text on its own raises them meanwhile.
  int change_suppression_ = 0;
  int key_suppression_ = 0;

 private:
  friend class TransparentEditHook;
  void HandleMessage(framework::TMessage& message);
  void ApplyText(const std::wstring& text);
  void Change();
  void ChangeText(const std::wstring& text);
  void DeleteBefore(int count);
  void DeleteAfter(int count);
  void MoveCaret(int index);
  void SetFirstVisible(int index);
  void PlaceCaret();
  void ScrollCaretIntoView();
  int HitTest(int x);
  void SelectWordAt(int x);
  void ShowContextMenu(POINT screen);
  void RecomputeHeight();
  void PaintBackgroundAndFrame(const RECT& client, framework::TColor background,
                               framework::TColor frame);
  // Widths of display characters [from, from + count), measured in slices.
  std::vector<int> CharWidths(int from, int count);
  int RunWidth(int from, int to);
  HDC MeasureDc();
  int Overhang();
  bool ShiftHeld() const;
  // The frame as the paint style wants it, fixed when the window is made.
  void UpdateFrameMetrics();
  void RepaintTransparent();

  // The edit a shown shared context menu serves.
  static TCustomXPEdit* served_;

  EditTextModel model_;
  int caret_ = 0;
  int first_visible_ = 0;
  int visible_count_ = 0;        // with a partly visible last character
  int whole_visible_count_ = 0;  // whole characters only
  bool auto_select_ = true;
  bool auto_size_ = true;
  TEditBorderStyle border_style_ = TEditBorderStyle::bsSingle;
  TEditCharCase char_case_ = TEditCharCase::ecNormal;
  bool hide_selection_ = true;
  bool hot_track_ = false;
  int max_length_ = 0;
  int number_precision_ = 3;
  TRadix number_radix_ = TRadix::rdxDecimal;
  TNumberTypeEx number_type_ = TNumberTypeEx::ntNone;
  bool oem_convert_ = false;
  bool read_only_ = false;
  bool transparent_ = false;
  framework::TPopupMenu* popup_menu_ = nullptr;
  std::wstring original_text_;
  bool modified_ = false;
  bool internal_change_ = false;
  bool mouse_selecting_ = false;
  bool hot_ = false;
  bool has_focus_ = false;  // kept from the focus messages: asking the system costs a round trip
  bool repaint_asked_ = false;
  int message_depth_ = 0;
  std::wstring ime_pending_;
  int ime_bytes_ = 0;
  bool ime_second_byte_ = false;
  win::UniqueMemoryDc measure_dc_;
  HFONT measured_font_ = nullptr;
  int overhang_ = 0;
  int font_height_ = 0;
  int frame_width_ = 0;
  int inner_margin_ = 1;
};

class TXPEdit : public TCustomXPEdit {
 public:
  explicit TXPEdit(framework::TComponent* owner) : TCustomXPEdit(owner) {}
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

class TXPCustomButtonEdit;

// The button docked in a button edit: painted by its edit.
class TXPEditButton : public framework::TGraphicControl {
 public:
  enum class TButtonState { bsUp, bsDisabled, bsDown };
  static constexpr int kWidth = 19;

  TXPEditButton(TXPCustomButtonEdit* edit);
  bool HotFlag() const noexcept { return hot_; }
  TButtonState State() const noexcept { return state_; }
  // 4 disabled, 3 down, 2 hot, else 1: the frame of a skin.
  int VisualState() const noexcept;
  void WndProc(framework::TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void MouseUp(framework::TMouseButton button, unsigned shift, int x, int y) override;
  void Click() override;

 private:
  TXPCustomButtonEdit* edit_;
  bool hot_ = false;
  bool has_focus_ = false;  // kept from the focus messages: asking the system costs a round trip
  bool repaint_asked_ = false;
  int message_depth_ = 0;
  TButtonState state_ = TButtonState::bsUp;
};

// The six glyph bitmaps of the edit buttons, loaded once with the first edit.
enum class EditGlyph { kComboButton, kXPCombo, kStdCombo, kEllipsis, kDir, kFileName };
HBITMAP EditGlyphBitmap(EditGlyph glyph);
// The drop-down arrow for the paint style, and the ellipsis.
HBITMAP GetComboButtonBitmap();
HBITMAP GetEllipsisButtonBitmap();
// Whether two colours look alike: how the themed button's own arrow is told from its face.
bool SimilarColors(COLORREF a, COLORREF b);

class TXPCustomButtonEdit : public TCustomXPEdit {
 public:
  explicit TXPCustomButtonEdit(framework::TComponent* owner);
  ~TXPCustomButtonEdit() override { DestroyComponents(); }
  static const framework::TClassInfo& StaticClassInfo();
  const framework::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  bool ShowButton() const noexcept { return show_button_; }
  void SetShowButton(bool value);
  TXPEditButton& Button() noexcept { return *button_; }
  void SetTransparent(bool value) override;
  int GetTextWidth() override;
  void SetBounds(int left, int top, int width, int height) override;
  virtual void ClickButton();
  virtual void DrawButton(TXPEditButton& button);
  void WndProc(framework::TMessage& message) override;

  framework::TNotifyEvent OnButtonClick;

 protected:
  virtual void DrawButtonGlyph(TXPEditButton& button, const RECT& rect);
  virtual bool IsButtonVisible(TXPEditButton& button, bool show_button);
  virtual void ButtonClick() {}
  virtual HBITMAP GetButtonGlyph() = 0;
  virtual void UpdateButtonVisible();
  RECT GetButtonRect() override;
  RECT GetTextRect() override;
  void Paint() override;
  void KeyDown(WORD& key, unsigned shift) override;
  void AfterCreateWnd() override;

 private:
  friend class TXPEditButton;
  void PlaceButton();
  void ButtonClicked();
  void DrawThemedButton(TXPEditButton& button, HDC dc, const RECT& rect);

  bool show_button_ = true;
  TXPEditButton* button_;
};

}  // namespace controls
