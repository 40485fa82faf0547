// The button, hyperlink, image and most-recently-used editors.
#include "editors/button_edits.h"

#include <shellapi.h>

#include <algorithm>
#include <cwctype>

#include "editors/editor_class.h"
#include "editors/gdi_scope.h"
#include "editors/glyphs.h"
#include "editors/pick_items.h"
#include "editors/popup_list.h"
#include "framework/screen.h"

namespace editors {

namespace {

std::unique_ptr<TdxEditButton> MakeButton(TdxEditButtons& owner) {
  return std::make_unique<TdxEditButton>(owner);
}

bool MatchesKey(unsigned key_with_shift, WORD key, unsigned shift) {
  const unsigned modifiers = framework::ssCtrl | framework::ssShift | framework::ssAlt;
  return (key_with_shift & 0xFFFF) == key && (key_with_shift >> 16) == (shift & modifiers);
}

}  // namespace

// ---- edit buttons -----------------------------------------------------------------------------

const framework::TClassInfo& TdxEditButton::StaticClassInfo() {
  static const framework::TClassInfo info =
      framework::TClassInfo("TdxEditButton")
          .Enum("Kind", &TdxEditButton::Kind, &TdxEditButton::SetKind,
                {"bkEllipsis", "bkDown", "bkGlyph"}, TdxEditButtonKind::bkEllipsis);
  return info;
}

void TdxEditButton::SetKind(TdxEditButtonKind value) {
  if (kind_ == value) return;
  kind_ = value;
  owner_.Changed();
}

void TdxEditButton::SetGlyph(HBITMAP glyph) {
  glyph_ = CopyGlyph(glyph);
  owner_.Changed();
}

HBITMAP TdxEditButton::ShownGlyph() const {
  switch (kind_) {
    case TdxEditButtonKind::bkDown: return controls::GetComboButtonBitmap();
    case TdxEditButtonKind::bkGlyph:
      if (glyph_) return glyph_.get();
      break;
    case TdxEditButtonKind::bkEllipsis: break;
  }
  return controls::GetEllipsisButtonBitmap();
}

TdxEditButtons::TdxEditButtons(std::function<void()> changed, ItemFactory item_class)
    : changed_(std::move(changed)), item_class_(item_class ? item_class : MakeButton) {}

TdxEditButton& TdxEditButtons::Add() {
  items_.push_back(item_class_(*this));
  Changed();
  return *items_.back();
}

void TdxEditButtons::RestoreDefaults() {
  items_.clear();
  Add();
}

TdxEditButton& TdxEditButtons::GetItem(int index) const {
  if (index < 0 || index >= Count()) {
    throw EdxEditError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return *items_[static_cast<size_t>(index)];
}

void TdxEditButtons::Clear() {
  items_.clear();
  Changed();
}

void TdxEditButtons::Assign(const TdxEditButtons& other) {
  if (&other == this) return;
  items_.clear();
  for (const auto& item : other.items_) {
    items_.push_back(item_class_(*this));
    items_.back()->SetKind(item->Kind());
    items_.back()->SetGlyph(item->Glyph());
  }
  Changed();
}

void TdxButtonEditViewData::Paint(HDC dc) const {
  if (!Buttons || Buttons->Count() == 0 || HideButton) {
    TdxDropDownEditViewData::Paint(dc);
    return;
  }
  PaintBackground(dc);
  RECT text = TextRect();
  RECT button = Bounds;
  InflateRect(&button, -2, -2);
  for (int i = Buttons->Count() - 1; i >= 0; --i) {
    RECT face = button;
    face.left = std::max<LONG>(text.left, button.right - controls::TXPEditButton::kWidth);
    if (!HighlightPass) {
      DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
      DrawButtonGlyph(dc, Buttons->GetItem(i).ShownGlyph(), face);
    }
    button.right = face.left;
  }
  text.right = button.right;
  if (!ButtonsOnly) PaintText(dc, text, DisplayText(), EndEllipsis);
}

// ---- button editor ----------------------------------------------------------------------------

const TdxInplaceEditClass& TdxInplaceButtonEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceButtonEdit, TdxButtonEditViewData>(
          "TdxInplaceButtonEdit", TdxInplaceDropDownEdit::EditorClass());
  return info;
}

TdxInplaceButtonEdit::TdxInplaceButtonEdit(framework::TComponent* owner)
    : TdxInplaceDropDownEdit(owner), buttons_([this] { ButtonsChanged(); }, nullptr) {
  buttons_.RestoreDefaults();
}

void TdxInplaceButtonEdit::ButtonsChanged() {
  SetShowButton(buttons_.Count() > 0);
  Invalidate();
}

HBITMAP TdxInplaceButtonEdit::GetButtonGlyph() {
  return buttons_.Count() > 0 ? buttons_.GetItem(0).ShownGlyph()
                              : TdxInplaceDropDownEdit::GetButtonGlyph();
}

void TdxInplaceButtonEdit::SetTextMode(TdxButtonTextMode value) {
  if (text_mode_ == value) return;
  text_mode_ = value;
  if (text_mode_ != TdxButtonTextMode::tmNormal) DestroyEditCaret();
  Invalidate();
}

void TdxInplaceButtonEdit::CreateEditCaret() {
  if (text_mode_ == TdxButtonTextMode::tmNormal) TdxInplaceDropDownEdit::CreateEditCaret();
}

void TdxInplaceButtonEdit::ClickEditButton(int index) {
  if (index < 0 || index >= buttons_.Count()) return;
  OnButtonClick(this, index);
}

void TdxInplaceButtonEdit::ButtonClick() { ClickEditButton(0); }

void TdxInplaceButtonEdit::KeyDown(WORD& key, unsigned shift) {
  if (MatchesKey(ClickKey, key, shift)) {
    ClickEditButton(0);
    key = 0;
    return;
  }
  TdxInplaceDropDownEdit::KeyDown(key, shift);
}

void TdxInplaceButtonEdit::KeyPress(wchar_t& key) {
  if (text_mode_ != TdxButtonTextMode::tmNormal && key != 27) {
    key = 0;  // the text is shown, not typed
    return;
  }
  TdxInplaceDropDownEdit::KeyPress(key);
}

// ---- hyperlink editor -------------------------------------------------------------------------

void RegisterLinkCursor() {
  static const bool registered = [] {
    // A copy: the screen destroys what it holds, and the system's own cursor is shared.
    framework::Screen().SetCursorHandle(
        crdxLink, reinterpret_cast<HCURSOR>(CopyIcon(LoadCursorW(nullptr, IDC_HAND))));
    return true;
  }();
  (void)registered;
}

const TdxInplaceEditClass& TdxInplaceHyperLinkEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceHyperLinkEdit, TdxHyperLinkEditViewData>(
          "TdxInplaceHyperLinkEdit", TdxInplaceTextEdit::EditorClass());
  return info;
}

TdxInplaceHyperLinkEdit::TdxInplaceHyperLinkEdit(framework::TComponent* owner)
    : TdxInplaceTextEdit(owner) {
  RegisterLinkCursor();
  SetEditFontColor(LinkColor);
  SetCursor(crdxLink);
}

void TdxInplaceHyperLinkEdit::SetEditFontColor(framework::TColor color) {
  LinkColor = color;
  Font().SetColor(color);
  Invalidate();
}

std::function<void(const std::wstring&)>& TdxInplaceHyperLinkEdit::LinkOpener() {
  static std::function<void(const std::wstring&)> opener = [](const std::wstring& link) {
    ShellExecuteW(nullptr, L"open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  return opener;
}

void TdxInplaceHyperLinkEdit::StartLink() {
  if (OnStartClick) {
    OnStartClick(this);
  } else if (!Text().empty() && LinkOpener()) {
    LinkOpener()(Text());
  }
}

void TdxInplaceHyperLinkEdit::KeyDown(WORD& key, unsigned shift) {
  if (MatchesKey(StartKey, key, shift)) {
    StartLink();
    key = 0;
    return;
  }
  TdxInplaceTextEdit::KeyDown(key, shift);
}

void TdxInplaceHyperLinkEdit::WndProc(framework::TMessage& message) {
  if ((message.msg == WM_LBUTTONUP && SingleClick) || message.msg == WM_LBUTTONDBLCLK) {
    TdxInplaceTextEdit::WndProc(message);
    StartLink();
    return;
  }
  TdxInplaceTextEdit::WndProc(message);
}

// ---- image editor -----------------------------------------------------------------------------

bool GetImageIndexForValue(const std::wstring& value, const std::vector<std::wstring>& values,
                           const std::vector<std::wstring>& indexes, bool default_images,
                           const std::vector<std::wstring>& descriptions, int& index,
                           std::wstring& description) {
  index = -1;
  description.clear();
  const auto found = std::find(values.begin(), values.end(), value);
  if (found == values.end()) return false;
  const size_t position = static_cast<size_t>(found - values.begin());
  if (default_images) {
    index = static_cast<int>(position);
  } else if (position < indexes.size()) {
    index = _wtoi(indexes[position].c_str());
  }
  if (position < descriptions.size()) description = descriptions[position];
  return true;
}

namespace {

void PaintImageAndText(HDC dc, const RECT& area, framework::TImageList* images, int index,
                       const std::wstring& text, bool show_text, COLORREF ink) {
  RECT text_area = area;
  if (images && index >= 0 && index < images->Count()) {
    const int top = (area.top + area.bottom - images->Height()) / 2;
    ImageList_Draw(images->Handle(), index, dc, area.left + 1, top, ILD_TRANSPARENT);
    text_area.left += images->Width() + 3;
  }
  if (!show_text) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_area,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

}  // namespace

void TdxImageEditViewData::Paint(HDC dc) const {
  if (HighlightPass) return;
  PaintBackground(dc);
  int index = -1;
  std::wstring description;
  GetImageIndexForValue(Value.ToString(), Values, ImageIndexes, DefaultImages, Descriptions, index,
                        description);
  SelectScope font(dc, Font ? static_cast<HGDIOBJ>(Font) : GetCurrentObject(dc, OBJ_FONT));
  PaintImageAndText(dc, TextRect(), Images, index, description, ShowDescription, TextColor);
}

const TdxInplaceEditClass& TdxInplaceImageEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceImageEdit, TdxImageEditViewData>(
          "TdxInplaceImageEdit", TdxInplaceDropDownEdit::EditorClass());
  return info;
}

TdxInplaceImageEdit::TdxInplaceImageEdit(framework::TComponent* owner)
    : TdxInplaceDropDownEdit(owner) {}

void TdxInplaceImageEdit::SetDefaultImages(bool value) { default_images_ = value, Invalidate(); }
void TdxInplaceImageEdit::SetDescriptions(std::vector<std::wstring> value) {
  descriptions_ = std::move(value);
  Invalidate();
}
void TdxInplaceImageEdit::SetImages(framework::TImageList* value) { images_ = value, Invalidate(); }
void TdxInplaceImageEdit::SetImageIndexes(std::vector<std::wstring> value) {
  image_indexes_ = std::move(value);
  Invalidate();
}
void TdxInplaceImageEdit::SetLargeImages(framework::TImageList* value) { large_images_ = value; }
void TdxInplaceImageEdit::SetMultiLineText(bool value) { multi_line_text_ = value, Invalidate(); }
void TdxInplaceImageEdit::SetShowDescription(bool value) {
  show_description_ = value;
  Invalidate();
}
void TdxInplaceImageEdit::SetValues(std::vector<std::wstring> value) {
  values_ = std::move(value);
  Invalidate();
}

int TdxInplaceImageEdit::ValueIndex() const {
  const auto found = std::find(values_.begin(), values_.end(), Text());
  return found == values_.end() ? -1 : static_cast<int>(found - values_.begin());
}

std::unique_ptr<TdxPopupContent> TdxInplaceImageEdit::CreatePopupContent() {
  if (values_.empty()) return nullptr;
  std::vector<std::wstring> rows;
  std::vector<int> indexes;
  for (size_t i = 0; i < values_.size(); ++i) {
    rows.push_back(i < descriptions_.size() && !descriptions_[i].empty() ? descriptions_[i]
                                                                         : values_[i]);
    int index = -1;
    std::wstring description;
    GetImageIndexForValue(values_[i], values_, image_indexes_, default_images_, descriptions_,
                          index, description);
    indexes.push_back(index);
  }
  auto list = std::make_unique<TdxPopupListContent>(std::move(rows), ValueIndex(), DropDownRows);
  // The list shows the large images when there are some, else the cell's.
  if (framework::TImageList* images = large_images_ ? large_images_ : images_) {
    list->SetImages(images, std::move(indexes));
  }
  return list;
}

std::wstring TdxInplaceImageEdit::PopupResult(TdxPopupContent& content) {
  const int hot = static_cast<TdxPopupListContent&>(content).Hot();
  return hot >= 0 ? values_[static_cast<size_t>(hot)] : Text();
}

void TdxInplaceImageEdit::KeyPress(wchar_t& key) {
  if (OpenContent() || key < L' ') {
    TdxInplaceDropDownEdit::KeyPress(key);
    return;
  }
  const wchar_t typed = key;
  key = 0;  // the value is chosen, never typed
  if (!Incremental || !CanModify() || values_.empty()) return;
  const int count = static_cast<int>(values_.size());
  for (int step = 1; step <= count; ++step) {
    const int i = (ValueIndex() + step) % count;
    const std::wstring& shown =
        i < static_cast<int>(descriptions_.size()) ? descriptions_[i] : values_[i];
    if (!shown.empty() && FindPickItemByPrefix({shown}, std::wstring(1, typed), false) == 0) {
      SetText(values_[i]);
      return;
    }
  }
}

void TdxInplaceImageEdit::Paint() {
  HDC dc = Canvas().Handle();
  const RECT client = ClientRect();
  SetBkColor(dc, framework::ColorToRGB(Color()));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  int index = -1;
  std::wstring description;
  GetImageIndexForValue(Text(), values_, image_indexes_, default_images_, descriptions_, index,
                        description);
  RECT area = GetTextRect();
  SelectScope font(dc, Font().Handle());
  PaintImageAndText(dc, area, images_, index, description, show_description_,
                    framework::ColorToRGB(Font().Color()));
  if (ShowButton()) DrawButton(Button());
}

// ---- most-recently-used editor ----------------------------------------------------------------

const TdxInplaceEditClass& TdxInplaceMRUEdit::EditorClass() {
  static const TdxInplaceEditClass info = EditorClassRecord<TdxInplaceMRUEdit, TdxMRUEditViewData>(
      "TdxInplaceMRUEdit", TdxInplacePickEdit::EditorClass());
  return info;
}

void TdxInplaceMRUEdit::SetMaxItemCount(int value) {
  max_item_count_ = std::max(0, value);
  if (max_item_count_ > 0 && static_cast<int>(Items().size()) > max_item_count_) {
    std::vector<std::wstring> items = Items();
    items.resize(static_cast<size_t>(max_item_count_));
    SetWideItems(std::move(items));
  }
}

void TdxInplaceMRUEdit::SetShowEllipsis(bool value) {
  show_ellipsis_ = value;
  Invalidate();
}

void TdxInplaceMRUEdit::AddItem(const std::wstring& text) {
  if (text.empty()) return;
  std::vector<std::wstring> items = Items();
  const int found = FindPickItem(items, text, CaseSensitive());
  if (found >= 0) items.erase(items.begin() + found);
  items.insert(items.begin(), text);
  if (max_item_count_ > 0 && static_cast<int>(items.size()) > max_item_count_) {
    items.resize(static_cast<size_t>(max_item_count_));
  }
  SetWideItems(std::move(items));
}

void TdxInplaceMRUEdit::ValidateEdit() {
  TdxInplacePickEdit::ValidateEdit();
  AddItem(Text());
}

void TdxInplaceMRUEdit::KeyDown(WORD& key, unsigned shift) {
  if (show_ellipsis_ && key == VK_RETURN && (shift & framework::ssCtrl)) {
    OnMRUButtonClick(this);
    key = 0;
    return;
  }
  TdxInplacePickEdit::KeyDown(key, shift);
}

}  // namespace editors
