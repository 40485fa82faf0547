// The button editor (edit buttons beside the text), the hyperlink editor (a link started by a
// click or a key), the image editor (a value shown as an image and a description, chosen from
// a list) and the most-recently-used editor (a pick list that remembers what was entered).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editors/pick_edit.h"
#include "framework/image_list.h"
#include "framework/win/handles.h"

namespace editors {

enum class TdxEditButtonKind { bkEllipsis, bkDown, bkGlyph };

class TdxEditButtons;

class TdxEditButton {
 public:
  explicit TdxEditButton(TdxEditButtons& owner) : owner_(owner) {}
  virtual ~TdxEditButton() = default;
  // What a form description sets of a button ("Buttons = < item Kind = bkDown end >").
  static const framework::TClassInfo& StaticClassInfo();
  TdxEditButtonKind Kind() const noexcept { return kind_; }
  void SetKind(TdxEditButtonKind value);
  HBITMAP Glyph() const noexcept { return glyph_.get(); }
  // A copy is kept; null or empty clears it.
  void SetGlyph(HBITMAP glyph);
  // The picture the button shows by its kind.
  HBITMAP ShownGlyph() const;

 private:
  TdxEditButtons& owner_;
  TdxEditButtonKind kind_ = TdxEditButtonKind::bkEllipsis;
  win::UniqueBitmap glyph_;
};

class TdxEditButtons {
 public:
  using ItemFactory = std::unique_ptr<TdxEditButton> (*)(TdxEditButtons& owner);
  // `owner` hears of changes (may be null); `item_class` makes the buttons (null: plain ones).
  TdxEditButtons(std::function<void()> changed, ItemFactory item_class);
  TdxEditButton& Add();
  // One ellipsis button.
  void RestoreDefaults();
  TdxEditButton& GetItem(int index) const;
  int Count() const noexcept { return static_cast<int>(items_.size()); }
  void Clear();
  void Assign(const TdxEditButtons& other);
  void Changed() const {
    if (changed_) changed_();
  }

 private:
  std::function<void()> changed_;
  ItemFactory item_class_;
  std::vector<std::unique_ptr<TdxEditButton>> items_;
};

class TdxButtonEditViewData : public TdxDropDownEditViewData {
 public:
  void Paint(HDC dc) const override;
  const TdxEditButtons* Buttons = nullptr;  // borrowed
  bool ButtonsOnly = false;
  bool HideCursor = false;
};

// (sender, button index)
using TdxButtonClickEvent = framework::TEvent<framework::TComponent*, int>;
// 0 normal text, 1 text without a caret, 2 only the buttons.
enum class TdxButtonTextMode { tmNormal = 0, tmNoCaret = 1, tmButtonsOnly = 2 };

class TdxInplaceButtonEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplaceButtonEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  TdxEditButtons& Buttons() noexcept { return buttons_; }
  void SetButtons(const TdxEditButtons& buttons) { buttons_.Assign(buttons); }
  TdxButtonTextMode TextMode() const noexcept { return text_mode_; }
  void SetTextMode(TdxButtonTextMode value);
  // The key (virtual key with ssCtrl/ssShift/ssAlt bits shifted by 16) that clicks button 0.
  unsigned ClickKey = VK_RETURN | (framework::ssCtrl << 16);
  TdxButtonClickEvent OnButtonClick;
  void ClickEditButton(int index);

 protected:
  void ButtonClick() override;
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;
  void CreateEditCaret() override;
  HBITMAP GetButtonGlyph() override;

 private:
  void ButtonsChanged();
  TdxEditButtons buttons_;
  TdxButtonTextMode text_mode_ = TdxButtonTextMode::tmNormal;
};

// The link cursor the editor library registers in the screen's table.
constexpr framework::TCursor crdxLink = -1140;
void RegisterLinkCursor();

class TdxHyperLinkEditViewData : public TdxTextEditViewData {};

class TdxInplaceHyperLinkEdit : public TdxInplaceTextEdit {
 public:
  explicit TdxInplaceHyperLinkEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  void SetEditFontColor(framework::TColor color);
  framework::TColor LinkColor = framework::clBlue;
  bool SingleClick = false;  // one click starts the link (else a double click)
  unsigned StartKey = VK_RETURN | (framework::ssCtrl << 16);
  framework::TNotifyEvent OnStartClick;
  // Starts the link: the event, or without a handler the opener (the shell by default).
  void StartLink();
  // Where links go without a handler; tests put a recorder here.
  static std::function<void(const std::wstring&)>& LinkOpener();

 protected:
  void KeyDown(WORD& key, unsigned shift) override;
  void WndProc(framework::TMessage& message) override;
};

// Finds `value` in `values`: the image index is the matching entry of `indexes` (a number),
// or the position itself with `default_images`; the description the matching entry of
// `descriptions`. False (index -1, empty description) when the value is not listed.
bool GetImageIndexForValue(const std::wstring& value, const std::vector<std::wstring>& values,
                           const std::vector<std::wstring>& indexes, bool default_images,
                           const std::vector<std::wstring>& descriptions, int& index,
                           std::wstring& description);

class TdxImageEditViewData : public TdxDropDownEditViewData {
 public:
  void Paint(HDC dc) const override;
  bool DefaultImages = true;
  std::vector<std::wstring> Descriptions, ImageIndexes, Values;
  framework::TImageList* Images = nullptr;  // borrowed
  bool ShowDescription = true;
};

class TdxInplaceImageEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplaceImageEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  void SetDefaultImages(bool value);
  void SetDescriptions(std::vector<std::wstring> value);
  void SetImages(framework::TImageList* value);
  void SetImageIndexes(std::vector<std::wstring> value);
  void SetLargeImages(framework::TImageList* value);
  void SetMultiLineText(bool value);
  void SetShowDescription(bool value);
  void SetValues(std::vector<std::wstring> value);
  // Typing picks the next entry whose description begins with the character.
  bool Incremental = true;
  // The value's position in Values (-1 when none).
  int ValueIndex() const;

 protected:
  std::unique_ptr<TdxPopupContent> CreatePopupContent() override;
  std::wstring PopupResult(TdxPopupContent& content) override;
  void KeyPress(wchar_t& key) override;
  void Paint() override;
  void CreateEditCaret() override {}

 private:
  bool default_images_ = true;
  std::vector<std::wstring> descriptions_, image_indexes_, values_;
  framework::TImageList* images_ = nullptr;
  framework::TImageList* large_images_ = nullptr;
  bool multi_line_text_ = false;
  bool show_description_ = true;
};

class TdxMRUEditViewData : public TdxDropDownEditViewData {
 public:
  bool ShowEllipsis = true;
};

class TdxInplaceMRUEdit : public TdxInplacePickEdit {
 public:
  explicit TdxInplaceMRUEdit(framework::TComponent* owner) : TdxInplacePickEdit(owner) {}
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  int MaxItemCount() const noexcept { return max_item_count_; }
  // 0: no limit; the list is cut to the new count at once.
  void SetMaxItemCount(int value);
  bool ShowEllipsis() const noexcept { return show_ellipsis_; }
  void SetShowEllipsis(bool value);
  framework::TNotifyEvent OnMRUButtonClick;
  // The accepted text goes to the top of the items (once; the list keeps its limit).
  void ValidateEdit() override;

 protected:
  void KeyDown(WORD& key, unsigned shift) override;

 private:
  void AddItem(const std::wstring& text);
  int max_item_count_ = 0;
  bool show_ellipsis_ = true;
};

}  // namespace editors
