// The button, image and hyperlink columns.
#include "treelist/columns/button_columns.h"

#include "framework/screen.h"
#include "framework/win/text.h"

namespace treelist {
namespace {

std::vector<std::wstring> Wide(const std::vector<std::string>& items) {
  std::vector<std::wstring> wide;
  wide.reserve(items.size());
  for (const std::string& item : items) wide.push_back(win::Widen(item));
  return wide;
}

editors::TdxEditButtonKind ButtonKind(TdxEditButtonStyle style) {
  switch (style) {
    case TdxEditButtonStyle::ebsDown: return editors::TdxEditButtonKind::bkDown;
    case TdxEditButtonStyle::ebsGlyph: return editors::TdxEditButtonKind::bkGlyph;
    case TdxEditButtonStyle::ebsSimple:
    case TdxEditButtonStyle::ebsEllipsis: break;
  }
  return editors::TdxEditButtonKind::bkEllipsis;
}

}  // namespace

// ---- button --------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListButtonColumn::StaticClassInfo() {
  using C = TdxTreeListButtonColumn;
  using E = editors::TdxInplaceButtonEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListButtonColumn")
          .Bool("ButtonOnly", &C::ButtonOnly, &C::SetButtonOnly, false)
          .Enum("EditButtonStyle", &C::EditButtonStyle, &C::SetEditButtonStyle,
                {"ebsSimple", "ebsEllipsis", "ebsDown", "ebsGlyph"},
                TdxEditButtonStyle::ebsEllipsis)
          .Int("ClickKey", &C::ClickKey, &C::SetClickKey, kCtrlEnterShortCut)
          .To(&E::ClickKey, ShortCutToEditorKey)
          .Bool("HideEditCursor", &C::HideEditCursor, &C::SetHideEditCursor, false)
          .Collection("Buttons", editors::TdxEditButton::StaticClassInfo(), &C::ButtonItems,
                      &C::ClearButtons, &C::AddButton)
          .StoredIf(&C::IsButtonsStored)
          // After the buttons: the glyph goes onto the first of them.
          .Data("Glyph", &C::ReadGlyph, &C::WriteGlyph)
          .Event("OnButtonClick", &C::OnButtonClick);
  return info;
}

std::vector<void*> TdxTreeListButtonColumn::ButtonItems() {
  std::vector<void*> items;
  for (int i = 0; i < buttons_.Count(); ++i) items.push_back(&buttons_.GetItem(i));
  return items;
}

bool TdxTreeListButtonColumn::IsButtonsStored() const {
  return buttons_.Count() != 1 ||
         buttons_.GetItem(0).Kind() != editors::TdxEditButtonKind::bkEllipsis;
}

TdxTreeListButtonColumn::TdxTreeListButtonColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner), buttons_([this] { Changed(); }, nullptr) {
  buttons_.Add();
}

void TdxTreeListButtonColumn::SetButtonOnly(bool value) {
  if (button_only_ == value) return;
  button_only_ = value;
  Changed();
}

void TdxTreeListButtonColumn::SetEditButtonStyle(TdxEditButtonStyle value) {
  if (edit_button_style_ == value) return;
  edit_button_style_ = value;
  if (value == TdxEditButtonStyle::ebsSimple) {
    buttons_.Clear();
  } else {
    if (buttons_.Count() == 0) buttons_.Add();
    buttons_.GetItem(0).SetKind(ButtonKind(value));
  }
  Changed();
}

void TdxTreeListButtonColumn::SetGlyph(const framework::TBitmap& value) {
  glyph_.Assign(value);
  if (buttons_.Count() > 0)
    buttons_.GetItem(0).SetGlyph(glyph_.Empty() ? nullptr : glyph_.Handle());
  Changed();
}

void TdxTreeListButtonColumn::ReadGlyph(framework::TStream& stream) {
  framework::TBitmap glyph;
  glyph.ReadData(stream);
  SetGlyph(glyph);
}

void TdxTreeListButtonColumn::WriteGlyph(framework::TStream& stream) {
  if (!glyph_.Empty()) glyph_.WriteData(stream);
}

void TdxTreeListButtonColumn::SetHideEditCursor(bool value) {
  if (hide_edit_cursor_ == value) return;
  hide_edit_cursor_ = value;
  Changed();
}

void TdxTreeListButtonColumn::AssignMore(const TdxTreeListButtonColumn& source) {
  SetButtons(source.buttons_);
  SetGlyph(source.glyph_);
}

void TdxTreeListButtonColumn::RestoreMore() {
  buttons_.RestoreDefaults();
  glyph_.SetSize(0, 0);
}

const editors::TdxInplaceEditClass& TdxTreeListButtonColumn::GetEditorClass() const {
  return TdxInplaceTreeListButtonEdit::EditorClass();
}

void TdxTreeListButtonColumn::InitMore(editors::TdxInplaceButtonEdit& editor) {
  editor.SetButtons(buttons_);
  editor.SetTextMode(button_only_        ? editors::TdxButtonTextMode::tmButtonsOnly
                     : hide_edit_cursor_ ? editors::TdxButtonTextMode::tmNoCaret
                                         : editors::TdxButtonTextMode::tmNormal);
  editor.OnButtonClick = [this](framework::TComponent*, int index) { DoButtonClick(index); };
}

void TdxTreeListButtonColumn::PrepareViewData(editors::TdxEditViewData& data,
                                              const TdxCellViewInfo& cell) {
  TdxTreeListDropDownColumn::PrepareViewData(data, cell);
  auto* button = dynamic_cast<editors::TdxButtonEditViewData*>(&data);
  if (!button) return;
  if (button->HideButton) {
    button->Buttons = nullptr;
    button->ButtonsOnly = false;
  } else {
    button->Buttons = &buttons_;
    button->ButtonsOnly = button_only_ && buttons_.Count() > 0;
  }
  button->HideCursor = hide_edit_cursor_;
}

// ---- image ---------------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListImageColumn::StaticClassInfo() {
  using C = TdxTreeListImageColumn;
  using E = editors::TdxInplaceImageEdit;
  // Restoring defaults keeps the lists of values, images and descriptions.
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListImageColumn")
          .Bool("DefaultImages", &C::DefaultImages, &C::SetDefaultImages, true)
          .To(&E::SetDefaultImages)
          .Strings("Descriptions", &C::Descriptions, &C::SetDescriptions)
          .NotRestored()
          .To(&E::SetDescriptions)
          .Publish("DropDownRows")
          .Publish("DropDownWidth")
          .Strings("ImageIndexes", &C::ImageIndexes, &C::SetImageIndexes)
          .NotRestored()
          .To(&E::SetImageIndexes)
          .Bool("Incremental", &C::Incremental, &C::SetIncremental, false)
          .To(&E::Incremental)
          .Publish("MinWidth", int64_t{16})
          .Bool("MultiLineText", &C::MultiLineText, &C::SetMultiLineText, false)
          .To(&E::SetMultiLineText)
          .Publish("PopupAlignment")
          .Publish("PopupBorder")
          .Bool("ShowDescription", &C::ShowDescription, &C::SetShowDescription, false)
          .To(&E::SetShowDescription)
          .Strings("Values", &C::Values, &C::SetValues)
          .NotRestored()
          .To(&E::SetValues)
          .Event("OnCloseUp", &C::OnCloseUp);
  return info;
}

TdxTreeListImageColumn::TdxTreeListImageColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner) {
  SetMinWidth(16);
  SetAlignment(framework::TAlignment::taLeftJustify);
}

TdxTreeListImageColumn::~TdxTreeListImageColumn() {
  if (images_) images_->RemoveFreeNotification(this);
  if (large_images_) large_images_->RemoveFreeNotification(this);
}

void TdxTreeListImageColumn::SetDefaultImages(bool value) {
  default_images_ = value;
  Changed();
}

void TdxTreeListImageColumn::SetDescriptions(const std::vector<std::string>& value) {
  descriptions_ = value;
  Changed();
}

void TdxTreeListImageColumn::SetImageIndexes(const std::vector<std::string>& value) {
  image_indexes_ = value;
  Changed();
}

void TdxTreeListImageColumn::SetValues(const std::vector<std::string>& value) {
  values_ = value;
  Changed();
}

void TdxTreeListImageColumn::ReplaceImages(framework::TImageList*& field,
                                           framework::TImageList* value) {
  if (field == value) return;
  framework::TImageList* old = field;
  field = value;
  // Both properties may name one list: it is let go when neither does any more.
  if (old && old != images_ && old != large_images_) old->RemoveFreeNotification(this);
  if (field) field->FreeNotification(this);
  Changed();
}

void TdxTreeListImageColumn::SetImages(framework::TImageList* value) {
  ReplaceImages(images_, value);
}

void TdxTreeListImageColumn::SetLargeImages(framework::TImageList* value) {
  ReplaceImages(large_images_, value);
}

void TdxTreeListImageColumn::Notification(framework::TComponent* component,
                                          framework::TOperation operation) {
  TdxTreeListDropDownColumn::Notification(component, operation);
  if (operation != framework::TOperation::opRemove) return;
  if (component == images_) images_ = nullptr;
  if (component == large_images_) large_images_ = nullptr;
}

void TdxTreeListImageColumn::SetMultiLineText(bool value) {
  multi_line_text_ = value;
  Changed();
}

void TdxTreeListImageColumn::SetShowDescription(bool value) {
  show_description_ = value;
  Changed();
}

std::wstring TdxTreeListImageColumn::Description(const std::wstring& text) const {
  int index = -1;
  std::wstring description;
  editors::GetImageIndexForValue(text, Wide(values_), Wide(image_indexes_), default_images_,
                                 Wide(descriptions_), index, description);
  return description;
}

std::wstring TdxTreeListImageColumn::GetDisplayText(TdxTreeListNode*,
                                                    const std::wstring& source) const {
  // The value's own description: an image index remapped by ImageIndexes names no description.
  std::wstring description = Description(source);
  return description.empty() ? source : description;
}

int TdxTreeListImageColumn::GetBestFitWidth(TdxTreeListNode* node, HDC dc) {
  const std::wstring description = Description(GetCellText(node));
  SIZE size{};
  GetTextExtentPoint32W(dc, description.c_str(), static_cast<int>(description.size()), &size);
  return size.cx + (images_ ? images_->Width() : 0);
}

void TdxTreeListImageColumn::AssignMore(const TdxTreeListImageColumn& source) {
  SetImages(source.images_);
  SetLargeImages(source.large_images_);
}

const editors::TdxInplaceEditClass& TdxTreeListImageColumn::GetEditorClass() const {
  return TdxInplaceTreeListImageEdit::EditorClass();
}

void TdxTreeListImageColumn::InitMore(editors::TdxInplaceImageEdit& editor) {
  editor.SetImages(images_);
  editor.SetLargeImages(large_images_);
}

void TdxTreeListImageColumn::PrepareViewData(editors::TdxEditViewData& data,
                                             const TdxCellViewInfo& cell) {
  TdxTreeListDropDownColumn::PrepareViewData(data, cell);
  auto* image = dynamic_cast<editors::TdxImageEditViewData*>(&data);
  if (!image) return;
  // The view data looks the value up itself: it gets the node's text, not the description.
  if (cell.node) image->Value = framework::Variant(GetCellText(cell.node));
  if (multi_line_text_) image->Placement = editors::kPlaceMultiLine;
  image->DefaultImages = default_images_;
  image->Descriptions = Wide(descriptions_);
  image->ImageIndexes = Wide(image_indexes_);
  image->Images = images_;
  image->ShowDescription = show_description_;
  image->Values = Wide(values_);
}

void TdxTreeListImageColumn::DoCloseUp(std::wstring& text, bool& accept) {
  std::string value = win::Narrow(text);
  OnCloseUp(this, value, accept);
  text = win::Widen(value);
}

// ---- hyperlink -----------------------------------------------------------------------------

const framework::TClassInfo& TdxTreeListHyperLinkColumn::StaticClassInfo() {
  using C = TdxTreeListHyperLinkColumn;
  using E = editors::TdxInplaceHyperLinkEdit;
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListHyperLinkColumn")
          .Color("EditBackgroundColor", &C::EditBackgroundColor, &C::SetEditBackgroundColor,
                 framework::clWhite)
          .To(&E::SetColor)
          .Color("EditFontColor", &C::EditFontColor, &C::SetEditFontColor, framework::clBlue)
          .To(&E::SetEditFontColor)
          .Bool("SingleClick", &C::SingleClick, &C::SetSingleClick, false)
          .To(&E::SingleClick)
          .Int("StartKey", &C::StartKey, &C::SetStartKey, kCtrlEnterShortCut)
          .To(&E::StartKey, ShortCutToEditorKey)
          .Event("OnStartClick", &C::OnStartClick);
  return info;
}

TdxTreeListHyperLinkColumn::TdxTreeListHyperLinkColumn(framework::TComponent* owner)
    : TdxDescribedColumn(owner) {
  BuildLinkFont();
}

void TdxTreeListHyperLinkColumn::BuildLinkFont() {
  link_font_.SetStyle(link_font_.Style() | framework::fsUnderline);
  link_font_.SetColor(single_click_ ? font_color_ : framework::clDefault);
}

void TdxTreeListHyperLinkColumn::SetEditBackgroundColor(framework::TColor value) {
  if (background_ == value) return;
  background_ = value;
  BuildLinkFont();
  Changed();
}

void TdxTreeListHyperLinkColumn::SetEditFontColor(framework::TColor value) {
  if (font_color_ == value) return;
  font_color_ = value;
  BuildLinkFont();
  Changed();
}

void TdxTreeListHyperLinkColumn::SetSingleClick(bool value) {
  if (single_click_ == value) return;
  single_click_ = value;
  BuildLinkFont();
  Changed();
}

const editors::TdxInplaceEditClass& TdxTreeListHyperLinkColumn::GetEditorClass() const {
  return TdxInplaceTreeListHyperLinkEdit::EditorClass();
}

void TdxTreeListHyperLinkColumn::InitMore(editors::TdxInplaceHyperLinkEdit& editor) {
  if (OnStartClick) {
    editor.OnStartClick = [this](framework::TComponent*) { DoStartClick(); };
  } else {
    editor.OnStartClick = nullptr;
  }
}

void TdxTreeListHyperLinkColumn::GetCellCursor(TdxTreeListNode* node, HCURSOR& cursor) {
  if (!single_click_ || GetCellText(node).empty()) return;
  editors::RegisterLinkCursor();
  cursor = framework::Screen().CursorHandle(editors::crdxLink);
}

void TdxTreeListHyperLinkColumn::PrepareViewData(editors::TdxEditViewData& data,
                                                 const TdxCellViewInfo& cell) {
  TdxTreeListColumn::PrepareViewData(data, cell);
  if (!dynamic_cast<editors::TdxHyperLinkEditViewData*>(&data)) return;
  if (!cell.selected && link_font_.Color() != framework::clDefault) {
    data.TextColor = framework::ColorToRGB(link_font_.Color());
  }
  data.Font = link_font_.Handle();
}

}  // namespace treelist
