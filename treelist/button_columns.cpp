// The button, image and hyperlink columns.
#include "treelist/button_columns.h"

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
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListButtonColumn")
          .Bool("ButtonOnly", &C::ButtonOnly, &C::SetButtonOnly, false)
          .Enum("EditButtonStyle", &C::EditButtonStyle, &C::SetEditButtonStyle,
                {"ebsSimple", "ebsEllipsis", "ebsDown", "ebsGlyph"},
                TdxEditButtonStyle::ebsEllipsis)
          .Int("ClickKey", &C::ClickKey, &C::SetClickKey, kCtrlEnterShortCut)
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
    : TdxTreeListDropDownColumn(owner), buttons_([this] { Changed(); }, nullptr) {
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

void TdxTreeListButtonColumn::Assign(const TdxTreeListColumn& source) {
  const auto* button = dynamic_cast<const TdxTreeListButtonColumn*>(&source);
  if (!button) return TdxTreeListDropDownColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListDropDownColumn::Assign(source);
    SetButtonOnly(button->button_only_);
    SetButtons(button->buttons_);
    SetEditButtonStyle(button->edit_button_style_);
    click_key_ = button->click_key_;
    SetGlyph(button->glyph_);
    SetHideEditCursor(button->hide_edit_cursor_);
  });
}

void TdxTreeListButtonColumn::RestoreDefaults() {
  TdxTreeListDropDownColumn::RestoreDefaults();
  button_only_ = false;
  buttons_.RestoreDefaults();
  edit_button_style_ = TdxEditButtonStyle::ebsEllipsis;
  click_key_ = kCtrlEnterShortCut;
  glyph_.SetSize(0, 0);
  hide_edit_cursor_ = false;
}

const editors::TdxInplaceEditClass& TdxTreeListButtonColumn::GetEditorClass() const {
  return TdxInplaceTreeListButtonEdit::EditorClass();
}

void TdxTreeListButtonColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListDropDownColumn::InitEditor(editor);
  auto* button = dynamic_cast<editors::TdxInplaceButtonEdit*>(&editor);
  if (!button) return;
  button->SetButtons(buttons_);
  button->ClickKey = ShortCutToEditorKey(click_key_);
  button->SetTextMode(button_only_        ? editors::TdxButtonTextMode::tmButtonsOnly
                      : hide_edit_cursor_ ? editors::TdxButtonTextMode::tmNoCaret
                                          : editors::TdxButtonTextMode::tmNormal);
  button->OnButtonClick = [this](framework::TComponent*, int index) { DoButtonClick(index); };
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
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListDropDownColumn>("TdxTreeListImageColumn")
          .Bool("DefaultImages", &C::DefaultImages, &C::SetDefaultImages, true)
          .Strings("Descriptions", &C::Descriptions, &C::SetDescriptions)
          .Strings("ImageIndexes", &C::ImageIndexes, &C::SetImageIndexes)
          .Bool("Incremental", &C::Incremental, &C::SetIncremental, false)
          .Int("MinWidth", &C::MinWidth, &C::SetMinWidth, 16)
          .Bool("MultiLineText", &C::MultiLineText, &C::SetMultiLineText, false)
          .Bool("ShowDescription", &C::ShowDescription, &C::SetShowDescription, false)
          .Strings("Values", &C::Values, &C::SetValues)
          .Event("OnCloseUp", &C::OnCloseUp);
  return info;
}

TdxTreeListImageColumn::TdxTreeListImageColumn(framework::TComponent* owner)
    : TdxTreeListDropDownColumn(owner) {
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

void TdxTreeListImageColumn::Assign(const TdxTreeListColumn& source) {
  const auto* image = dynamic_cast<const TdxTreeListImageColumn*>(&source);
  if (!image) return TdxTreeListDropDownColumn::Assign(source);
  InColumnUpdate(*this, [&] {
    TdxTreeListDropDownColumn::Assign(source);
    SetDefaultImages(image->default_images_);
    descriptions_ = image->descriptions_;
    SetImages(image->images_);
    image_indexes_ = image->image_indexes_;
    incremental_ = image->incremental_;
    SetLargeImages(image->large_images_);
    SetMultiLineText(image->multi_line_text_);
    SetShowDescription(image->show_description_);
    values_ = image->values_;
  });
}

void TdxTreeListImageColumn::RestoreDefaults() {
  TdxTreeListDropDownColumn::RestoreDefaults();
  SetMinWidth(16);
  default_images_ = true;
  incremental_ = multi_line_text_ = show_description_ = false;
}

const editors::TdxInplaceEditClass& TdxTreeListImageColumn::GetEditorClass() const {
  return TdxInplaceTreeListImageEdit::EditorClass();
}

void TdxTreeListImageColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListDropDownColumn::InitEditor(editor);
  auto* image = dynamic_cast<editors::TdxInplaceImageEdit*>(&editor);
  if (!image) return;
  image->SetDefaultImages(default_images_);
  image->SetDescriptions(Wide(descriptions_));
  image->SetImages(images_);
  image->SetImageIndexes(Wide(image_indexes_));
  image->Incremental = incremental_;
  image->SetLargeImages(large_images_);
  image->SetMultiLineText(multi_line_text_);
  image->SetShowDescription(show_description_);
  image->SetValues(Wide(values_));
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
  static const framework::TClassInfo info =
      framework::TClassInfo::Derived<C, TdxTreeListColumn>("TdxTreeListHyperLinkColumn")
          .Color("EditBackgroundColor", &C::EditBackgroundColor, &C::SetEditBackgroundColor,
                 framework::clWhite)
          .Color("EditFontColor", &C::EditFontColor, &C::SetEditFontColor, framework::clBlue)
          .Bool("SingleClick", &C::SingleClick, &C::SetSingleClick, false)
          .Int("StartKey", &C::StartKey, &C::SetStartKey, kCtrlEnterShortCut)
          .Event("OnStartClick", &C::OnStartClick);
  return info;
}

TdxTreeListHyperLinkColumn::TdxTreeListHyperLinkColumn(framework::TComponent* owner)
    : TdxTreeListColumn(owner) {
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

void TdxTreeListHyperLinkColumn::Assign(const TdxTreeListColumn& source) {
  if (!dynamic_cast<const TdxTreeListHyperLinkColumn*>(&source)) {
    return TdxTreeListColumn::Assign(source);
  }
  InColumnUpdate(*this, [&] {
    TdxTreeListColumn::Assign(source);
    AssignOwnSettings(StaticClassInfo(), source, *this);
  });
}

void TdxTreeListHyperLinkColumn::RestoreDefaults() {
  TdxTreeListColumn::RestoreDefaults();
  RestoreOwnDefaults(StaticClassInfo(), *this);
}

const editors::TdxInplaceEditClass& TdxTreeListHyperLinkColumn::GetEditorClass() const {
  return TdxInplaceTreeListHyperLinkEdit::EditorClass();
}

void TdxTreeListHyperLinkColumn::InitEditor(editors::TdxInplaceEdit& editor) {
  TdxTreeListColumn::InitEditor(editor);
  auto* link = dynamic_cast<editors::TdxInplaceHyperLinkEdit*>(&editor);
  if (!link) return;
  link->SetColor(background_);
  link->SetEditFontColor(font_color_);
  link->SingleClick = single_click_;
  link->StartKey = ShortCutToEditorKey(start_key_);
  if (OnStartClick) {
    link->OnStartClick = [this](framework::TComponent*) { DoStartClick(); };
  } else {
    link->OnStartClick = nullptr;
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
