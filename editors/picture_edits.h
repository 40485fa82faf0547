// The graphic editor (a picture in the cell, taken from and given to the clipboard through a
// popup tool bar) and the blob editor (a binary value opened in a popup as text or picture).
// Picture and blob values travel as one character per byte, so every byte value arrives as it
// left; a value that does not decode paints empty and never fails.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/edit_text_model.h"
#include "editors/drop_down_edit.h"
#include "editors/memo_edit.h"
#include "editors/picture_transfer.h"
#include "framework/image_list.h"
#include "framework/picture.h"

namespace editors {

// One character (0 to 255) per byte, and back; false when a character is no byte.
std::wstring BytesToValue(const std::string& bytes);
bool ValueToBytes(const std::wstring& value, std::string& bytes);

// The picture's graphic in its file form; empty for an empty picture.
std::string PictureToString(framework::TPicture& picture);
// Reads `value` (a file form) into the picture as `graphic_class` (null: a bitmap); a value
// that does not read leaves the picture empty.
void LoadPictureFromValue(framework::TPicture& picture, framework::GraphicFactory graphic_class,
                          const std::string& value);
bool IsPictureEmpty(const framework::TPicture& picture);

enum class TdxGraphicTransparency { gtDefault, gtOpaque, gtTransparent };

// The graphic editor's tool bar as its column publishes it: the buttons it shows (a set of
// TdxPictureCommand bits) and whether a right click pops it up at all.
class TdxPopupToolBarWindow {
 public:
  static const framework::TClassInfo& StaticClassInfo();
  static constexpr unsigned kDefaultButtons =
      CommandBit(TdxPictureCommand::Cut) | CommandBit(TdxPictureCommand::Copy) |
      CommandBit(TdxPictureCommand::Paste) | CommandBit(TdxPictureCommand::Delete);
  unsigned Buttons() const noexcept { return buttons_; }
  void SetButtons(unsigned value) { buttons_ = value; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  bool operator==(const TdxPopupToolBarWindow&) const = default;

 private:
  unsigned buttons_ = kDefaultButtons;
  bool visible_ = true;
};

// A picture made transparent or opaque as the setting says; gtDefault leaves it as it is.
void ApplyTransparency(framework::TPicture& picture, TdxGraphicTransparency transparency);

class TdxGraphicEditViewData : public TdxEditViewData {
 public:
  void Paint(HDC dc) const override;
  framework::TPicture* Picture = nullptr;  // borrowed
  bool Center = true, Stretch = false, QuickDraw = true;
};

using TdxPictureEvent = framework::TEvent<framework::TComponent*, framework::TPicture&>;
using TdxGraphicClassEvent = framework::TEvent<framework::TComponent*, framework::GraphicFactory&>;

class TdxInplaceGraphicEdit : public TdxInplaceEdit {
 public:
  explicit TdxInplaceGraphicEdit(framework::TComponent* owner);
  ~TdxInplaceGraphicEdit() override;
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  // The value: the picture's bytes, one character each.
  std::wstring Text() const override;
  void SetText(const std::wstring& text) override;
  framework::TPicture& Picture() noexcept { return picture_; }

  void SetCenter(bool value);
  void SetCustomGraphic(bool value) { custom_graphic_ = value; }
  void SetGraphicTransparency(TdxGraphicTransparency value);
  void SetStretch(bool value);
  void SetPopupToolbarPosStored(bool value) { toolbar_pos_stored_ = value; }
  bool Center() const noexcept { return center_; }
  bool Stretch() const noexcept { return stretch_; }

  UINT ClipboardFormat = PictureClipboardFormat();
  std::wstring CustomFilter;  // the load and save dialogs'
  bool DblClickActivate = true;
  bool QuickDraw = true;
  POINT ToolbarPos{0, 0};
  TdxPopupToolBarWindow PopupToolBar;

  // Runs a tool bar command on the picture; a change is the editor's (OnAssignPicture first).
  void RunCommand(TdxPictureCommand command);
  void CutToClipboard() { RunCommand(TdxPictureCommand::Cut); }
  void CopyToClipboard() { RunCommand(TdxPictureCommand::Copy); }
  void PasteFromClipboard() override { RunCommand(TdxPictureCommand::Paste); }
  void DeletePicture() { RunCommand(TdxPictureCommand::Delete); }
  // Shows the tool bar (at ToolbarPos when stored, else under the editor) unless it is not
  // visible.
  void ShowToolBar();
  bool ToolBarShowing() const;
  HWND ToolBarHandle() const;

  TdxPictureEvent OnAssignPicture;
  framework::TNotifyEvent OnCustomClick;
  TdxGraphicClassEvent OnGetGraphicClass;

 protected:
  void Paint() override;
  void CreateEditCaret() override {}
  void KeyDown(WORD& key, unsigned shift) override;
  void KeyPress(wchar_t& key) override;
  void WndProc(framework::TMessage& message) override;

 private:
  void PictureChanged();
  framework::TPicture picture_;
  std::string value_;
  bool center_ = true, stretch_ = false, custom_graphic_ = false, toolbar_pos_stored_ = false;
  TdxGraphicTransparency transparency_ = TdxGraphicTransparency::gtDefault;
  TdxPopupHost* toolbar_host_ = nullptr;  // owned as a component
};

enum class TdxBlobEditKind { bekMemo, bekPict, bekOle, bekBlob };
enum class TdxBlobPaintStyle { bpsDefault, bpsIcon, bpsText };

// The shared icons of the blob kinds, in the order of TdxBlobEditKind.
framework::TImageList* GetBlobImages();

class TdxBlobEditViewData : public TdxDropDownEditViewData {
 public:
  void Paint(HDC dc) const override;
  TdxBlobEditKind BlobEditKind = TdxBlobEditKind::bekMemo;
  TdxBlobPaintStyle BlobPaintStyle = TdxBlobPaintStyle::bpsIcon;
  framework::TImageList* Images = nullptr;  // borrowed
  bool IsEmpty = true;
  int MaxDisplayLength = 255;  // characters of the text shown; 0 or less: all

  std::wstring DisplayText() const override;
};

class TdxInplaceBlobEdit : public TdxInplaceDropDownEdit {
 public:
  explicit TdxInplaceBlobEdit(framework::TComponent* owner);
  static const TdxInplaceEditClass& EditorClass();
  const TdxInplaceEditClass& Class() const override { return EditorClass(); }

  TdxBlobEditKind BlobEditKind() const noexcept { return kind_; }
  void SetBlobEditKind(TdxBlobEditKind value);
  TdxBlobPaintStyle BlobPaintStyle() const noexcept { return paint_style_; }
  void SetBlobPaintStyle(TdxBlobPaintStyle value);
  // The text without a change notice or the modified mark (loading).
  void SetTextSilently(const std::wstring& text);
  const std::wstring& BlobText() const noexcept { return blob_text_; }
  void SetBlobText(const std::wstring& text);
  std::wstring Text() const override { return blob_text_; }
  void SetText(const std::wstring& text) override;
  framework::TPicture& Picture() noexcept { return picture_; }

  int PopupWidth = 250, PopupHeight = 150;  // the popup's client size
  bool SizeablePopup = true;
  bool PictureAutoSize = true;  // a picture's popup takes the picture's size
  UINT ClipboardFormat = PictureClipboardFormat();
  std::wstring PictureFilter;  // the load and save dialogs'
  TdxGraphicTransparency PictureTransparency = TdxGraphicTransparency::gtDefault;
  bool ShowPicturePopup = false;  // a right click on the picture shows its menu
  bool ShowExPopupItems = false;  // the menu can also load and save the picture
  TdxMemoSettings Memo;
  int MaxDisplayLength = 255;   // characters of the text shown; 0 or less: all
  bool AlwaysSaveText = false;  // taking the popup's text saves it even when unchanged
  TdxPictureEvent OnAssignPicture;
  TdxGraphicClassEvent OnGetGraphicClass;
  // The popup closed with this size (the user may have resized it).
  std::function<void(TdxInplaceBlobEdit&)> OnSavePopupSize;

  // The popup's own windows are the editor's too: the grid keeps editing while they have the
  // focus.
  bool IsEditorWindow(HWND hwnd) override;

 protected:
  std::unique_ptr<TdxPopupContent> CreatePopupContent() override;
  std::wstring PopupResult(TdxPopupContent& content) override;
  bool PopupSizeable() const override { return SizeablePopup; }
  bool TakesUnchangedText() const override { return AlwaysSaveText; }
  void Paint() override;
  void CreateEditCaret() override {}
  void KeyPress(wchar_t& key) override;

 private:
  void LoadPicture();
  TdxBlobEditKind kind_ = TdxBlobEditKind::bekMemo;
  TdxBlobPaintStyle paint_style_ = TdxBlobPaintStyle::bpsIcon;
  std::wstring blob_text_;
  framework::TPicture picture_;
};

}  // namespace editors
