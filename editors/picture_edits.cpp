// The graphic and blob editors.
#include "editors/picture_edits.h"

#include <algorithm>

#include "editors/editor_class.h"
#include "editors/gdi_scope.h"
#include "framework/canvas.h"
#include "framework/streams.h"
#include "framework/win/handles.h"

namespace editors {

namespace {

// Where a picture goes in `area`: stretched to fit (aspect kept), centred, or at the top left.
RECT PictureRect(const RECT& area, int width, int height, bool center, bool stretch) {
  const int area_width = area.right - area.left, area_height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return RECT{};
  if (stretch || width > area_width || height > area_height) {
    // MulDiv keeps the aspect; neither divisor is zero here.
    if (MulDiv(area_height, width, height) <= area_width) {
      width = MulDiv(area_height, width, height), height = area_height;
    } else {
      height = MulDiv(area_width, height, width), width = area_width;
    }
  }
  const int left = center ? area.left + (area_width - width) / 2 : area.left;
  const int top = center ? area.top + (area_height - height) / 2 : area.top;
  return RECT{left, top, left + width, top + height};
}

void DrawPicture(HDC dc, const RECT& area, framework::TPicture& picture, bool center,
                 bool stretch) {
  if (IsPictureEmpty(picture)) return;
  const RECT target = PictureRect(area, picture.Width(), picture.Height(), center, stretch);
  if (IsRectEmpty(&target)) return;
  const win::SavedDC saved(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  framework::TCanvas canvas;
  canvas.SetHandle(dc);
  picture.Graphic()->Draw(canvas, target);
  canvas.SetHandle(nullptr);
}

}  // namespace

std::wstring BytesToValue(const std::string& bytes) {
  std::wstring value(bytes.size(), L'\0');
  std::transform(bytes.begin(), bytes.end(), value.begin(),
                 [](char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); });
  return value;
}

bool ValueToBytes(const std::wstring& value, std::string& bytes) {
  bytes.clear();
  bytes.reserve(value.size());
  for (wchar_t c : value) {
    if (c > 0xFF) {
      bytes.clear();
      return false;
    }
    bytes.push_back(static_cast<char>(c));
  }
  return true;
}

std::string PictureToString(framework::TPicture& picture) {
  if (IsPictureEmpty(picture)) return {};
  framework::TMemoryStream stream;
  picture.Graphic()->SaveToStream(stream);
  const std::vector<uint8_t>& bytes = stream.Bytes();
  return std::string(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(stream.Size()));
}

void LoadPictureFromValue(framework::TPicture& picture, framework::GraphicFactory graphic_class,
                          const std::string& value) {
  if (value.empty()) {
    picture.SetGraphic(nullptr);
    return;
  }
  try {
    std::unique_ptr<framework::TGraphic> graphic =
        (graphic_class ? graphic_class : framework::MakeGraphic<framework::TBitmap>)();
    framework::TMemoryStream stream;
    stream.Write(value.data(), static_cast<int32_t>(value.size()));
    stream.SetPosition(0);
    graphic->LoadFromStream(stream);
    picture.SetGraphic(std::move(graphic));
  } catch (const framework::Exception&) {
    picture.SetGraphic(nullptr);  // a stored value that does not read shows as no picture
  }
}

bool IsPictureEmpty(const framework::TPicture& picture) {
  return !picture.Graphic() || picture.Graphic()->Empty();
}

void ApplyTransparency(framework::TPicture& picture, TdxGraphicTransparency transparency) {
  if (transparency == TdxGraphicTransparency::gtDefault || !picture.Graphic()) return;
  picture.Graphic()->SetTransparent(transparency == TdxGraphicTransparency::gtTransparent);
}

// ---- tool bar ---------------------------------------------------------------------------------

const framework::TClassInfo& TdxPopupToolBarWindow::StaticClassInfo() {
  using T = TdxPopupToolBarWindow;
  static const framework::TClassInfo info =
      framework::TClassInfo("TdxPopupToolBarWindow")
          .Set("Buttons", &T::Buttons, &T::SetButtons,
               {"tbCut", "tbCopy", "tbPaste", "tbDelete", "tbLoad", "tbSave"}, kDefaultButtons)
          .Bool("Visible", &T::Visible, &T::SetVisible, true);
  return info;
}

namespace {

constexpr int kToolWidth = 60, kToolHeight = 22;

// The tool bar in its popup: a row of the buttons its settings name.
class TdxPopupToolBarContent : public TdxPopupContent {
 public:
  explicit TdxPopupToolBarContent(TdxInplaceGraphicEdit& editor) : editor_(editor) {
    for (int i = 0; i < kPictureCommandCount; ++i) {
      const auto command = static_cast<TdxPictureCommand>(i);
      if (editor.PopupToolBar.Buttons() & CommandBit(command)) commands_.push_back(command);
    }
  }
  SIZE PreferredSize(HDC, int) override {
    return SIZE{static_cast<LONG>(commands_.size()) * kToolWidth + 4, kToolHeight + 4};
  }
  void Paint(HDC dc, const RECT& client) override {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < commands_.size(); ++i) {
      RECT face = ButtonRect(i);
      DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      DrawTextW(dc, PictureCommandCaption(commands_[i]), -1, &face,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
    }
  }
  TdxPopupAction MouseUp(POINT point) override {
    for (size_t i = 0; i < commands_.size(); ++i) {
      const RECT face = ButtonRect(i);
      if (!PtInRect(&face, point)) continue;
      editor_.RunCommand(commands_[i]);
      return TdxPopupAction::Accept;
    }
    return TdxPopupAction::None;
  }

 private:
  static RECT ButtonRect(size_t index) {
    const int left = 2 + static_cast<int>(index) * kToolWidth;
    return RECT{left, 2, left + kToolWidth - 1, 2 + kToolHeight};
  }
  TdxInplaceGraphicEdit& editor_;
  std::vector<TdxPictureCommand> commands_;
};

}  // namespace

// ---- graphic editor ---------------------------------------------------------------------------

void TdxGraphicEditViewData::Paint(HDC dc) const {
  if (HighlightPass) return;
  PaintBackground(dc);
  if (Picture) DrawPicture(dc, TextRect(), *Picture, Center, Stretch);
}

const TdxInplaceEditClass& TdxInplaceGraphicEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceGraphicEdit, TdxGraphicEditViewData>(
          "TdxInplaceGraphicEdit", TdxInplaceEdit::EditorClass());
  return info;
}

TdxInplaceGraphicEdit::TdxInplaceGraphicEdit(framework::TComponent* owner)
    : TdxInplaceEdit(owner) {}

TdxInplaceGraphicEdit::~TdxInplaceGraphicEdit() { DestroyComponents(); }

std::wstring TdxInplaceGraphicEdit::Text() const { return BytesToValue(value_); }

void TdxInplaceGraphicEdit::SetText(const std::wstring& text) {
  if (!ValueToBytes(text, value_)) value_.clear();  // no byte string: no picture
  framework::GraphicFactory graphic_class = nullptr;
  OnGetGraphicClass(this, graphic_class);
  LoadPictureFromValue(picture_, graphic_class, value_);
  ApplyTransparency(picture_, transparency_);
  Invalidate();
}

void TdxInplaceGraphicEdit::PictureChanged() {
  OnAssignPicture(this, picture_);
  value_ = PictureToString(picture_);
  SetModified(true);
  Invalidate();
  OnChange(this);
}

void TdxInplaceGraphicEdit::SetCenter(bool value) { center_ = value, Invalidate(); }
void TdxInplaceGraphicEdit::SetStretch(bool value) { stretch_ = value, Invalidate(); }
void TdxInplaceGraphicEdit::SetGraphicTransparency(TdxGraphicTransparency value) {
  transparency_ = value;
  Invalidate();
}

void TdxInplaceGraphicEdit::RunCommand(TdxPictureCommand command) {
  if (RunPictureCommand(command,
                        {picture_, Handle(), ClipboardFormat, CustomFilter, CanModify()})) {
    PictureChanged();
  }
}

void TdxInplaceGraphicEdit::ShowToolBar() {
  if (!PopupToolBar.Visible() || !PopupToolBar.Buttons()) return;
  if (!toolbar_host_) {
    toolbar_host_ = new TdxPopupHost(*this);
    toolbar_host_->OnCloseRequest = [this](bool) { toolbar_host_->Close(); };
  }
  toolbar_host_->Popup(std::make_unique<TdxPopupToolBarContent>(*this), 0, TdxPopupAlignment::Left,
                       TdxPopupBorder::pbDefault);
  // A place no screen shows (the column's (-10000, -10000) before one is stored) is none.
  if (toolbar_pos_stored_ && MonitorFromPoint(ToolbarPos, MONITOR_DEFAULTTONULL)) {
    SetWindowPos(toolbar_host_->Handle(), HWND_TOPMOST, ToolbarPos.x, ToolbarPos.y, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

bool TdxInplaceGraphicEdit::ToolBarShowing() const {
  return toolbar_host_ && toolbar_host_->IsOpen();
}

HWND TdxInplaceGraphicEdit::ToolBarHandle() const {
  return ToolBarShowing() ? toolbar_host_->Handle() : nullptr;
}

void TdxInplaceGraphicEdit::Paint() {
  HDC dc = Canvas().Handle();
  const RECT client = ClientRect();
  SetBkColor(dc, framework::ColorToRGB(Color()));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  DrawPicture(dc, GetTextRect(), picture_, center_, stretch_);
}

void TdxInplaceGraphicEdit::KeyDown(WORD& key, unsigned shift) {
  const bool ctrl = (shift & framework::ssCtrl) != 0;
  if (key == VK_ESCAPE || !WantsKey(key, shift)) {
    TdxInplaceEdit::KeyDown(key, shift);
    return;
  }
  if (ctrl && key == 'C') CopyToClipboard();
  if (ctrl && key == 'X') CutToClipboard();
  if (ctrl && key == 'V') PasteFromClipboard();
  if (key == VK_DELETE) DeletePicture();
  if (key == VK_INSERT && (shift & framework::ssShift)) PasteFromClipboard();
  key = 0;
}

void TdxInplaceGraphicEdit::KeyPress(wchar_t& key) { key = 0; }

void TdxInplaceGraphicEdit::WndProc(framework::TMessage& message) {
  switch (message.msg) {
    case WM_RBUTTONUP: ShowToolBar(); return;
    case WM_LBUTTONDBLCLK:
      if (DblClickActivate) OnCustomClick(this);
      return;
    case WM_CONTEXTMENU: return;  // the tool bar is the menu here
  }
  TdxInplaceEdit::WndProc(message);
}

// ---- blob editor ------------------------------------------------------------------------------

framework::TImageList* GetBlobImages() {
  static framework::TImageList* images = [] {
    auto* list = new framework::TImageList(nullptr);  // shared until the module unloads
    list->SetWidth(16);
    list->SetHeight(16);
    const wchar_t* letters[] = {L"M", L"P", L"O", L"B"};
    for (const wchar_t* letter : letters) {
      framework::TBitmap bitmap(16, 16, framework::TPixelFormat::pf24bit);
      HDC dc = bitmap.Canvas().Handle();
      RECT box{0, 0, 16, 16};
      SetBkColor(dc, RGB(255, 0, 255));
      ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &box, nullptr, 0, nullptr);
      RECT page{2, 1, 14, 15};
      SetBkColor(dc, RGB(255, 255, 255));
      ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &page, nullptr, 0, nullptr);
      FrameRect(dc, &page, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 128));
      DrawTextW(dc, letter, 1, &page, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      list->AddMasked(bitmap, RGB(255, 0, 255));
    }
    return list;
  }();
  return images;
}

namespace {

// The start of a blob's text a cell shows: a long note shows its first `max_length`
// characters, or all of them when the length is 0 or less.
std::wstring ShownBlobText(const std::wstring& text, int max_length) {
  return max_length > 0 ? text.substr(0, max_length) : text;
}

}  // namespace

std::wstring TdxBlobEditViewData::DisplayText() const {
  return ShownBlobText(Value.ToString(), MaxDisplayLength);
}

void TdxBlobEditViewData::Paint(HDC dc) const {
  if (HighlightPass) return;
  PaintBackground(dc);
  if (IsEmpty) return;
  const RECT area = TextRect();
  const bool text =
      BlobPaintStyle == TdxBlobPaintStyle::bpsText ||
      (BlobPaintStyle == TdxBlobPaintStyle::bpsDefault && BlobEditKind == TdxBlobEditKind::bekMemo);
  if (text) {
    PaintText(dc, area, DisplayText(), true);
  } else if (Images) {
    ImageList_Draw(Images->Handle(), static_cast<int>(BlobEditKind), dc, area.left + 1,
                   (area.top + area.bottom - Images->Height()) / 2, ILD_TRANSPARENT);
  }
}

namespace {

// The blob's text in a popup: the system's multi-line edit with the memo settings, which takes
// the focus while the popup is open. Enter breaks a line (Ctrl+Enter when the settings do not
// want returns) and the other Enter takes the text; Escape closes without it.
class TdxPopupMemo : public TdxMemoWindow {
 public:
  TdxPopupMemo(TdxPopupHost& host, const TdxMemoSettings& settings)
      : TdxMemoWindow(nullptr, host), host_(host) {
    SetSettings(settings);
    SetAlign(framework::TAlign::alClient);
    OnKeyDown = [this](framework::TComponent*, WORD& key, unsigned shift) {
      if (TakesKey(key, shift)) key = 0;
    };
    OnKeyPress = [this](framework::TComponent*, wchar_t& key) {
      // A line break comes from the Enter that breaks lines; the other one closed the popup.
      const bool wanted = key == L'\r'   ? Settings().WantReturns
                          : key == L'\n' ? !Settings().WantReturns
                                         : key != L'\t' || Settings().WantTabs;
      if (!wanted) key = 0;
    };
  }
  void WndProc(framework::TMessage& message) override {
    TdxMemoWindow::WndProc(message);
    if (message.msg == WM_CAPTURECHANGED && !message.lParam) host_.TakeMouseBack();
    // The focus gone elsewhere closes the popup without the text.
    const auto to = reinterpret_cast<HWND>(message.wParam);
    if (message.msg == WM_KILLFOCUS && to != host_.Handle() && !IsChild(host_.Handle(), to) &&
        host_.OnCloseRequest) {
      host_.OnCloseRequest(false);
    }
  }

 private:
  bool TakesKey(WORD key, unsigned shift) {
    const bool ctrl = (shift & framework::ssCtrl) != 0, alt = (shift & framework::ssAlt) != 0;
    const bool closes = key == VK_ESCAPE || key == VK_F4 ||
                        (alt && (key == VK_UP || key == VK_DOWN)) ||
                        (key == VK_RETURN && ctrl == Settings().WantReturns);
    if (closes && host_.OnCloseRequest) host_.OnCloseRequest(key != VK_ESCAPE);
    return closes;
  }

  TdxPopupHost& host_;
};

// What a blob's popup gives back when the user takes it.
class TdxBlobPopupContent : public TdxPopupContent {
 public:
  virtual std::wstring Value() = 0;
};

class TdxMemoPopupContent : public TdxBlobPopupContent {
 public:
  TdxMemoPopupContent(std::wstring text, SIZE size, bool read_only, const TdxMemoSettings& settings)
      : text_(std::move(text)), size_(size), read_only_(read_only), settings_(settings) {}
  std::wstring Value() override { return memo_ ? memo_->Text() : text_; }
  SIZE PreferredSize(HDC, int) override { return size_; }
  void Paint(HDC dc, const RECT& client) override {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  }
  void Attach(TdxPopupHost& host) override {
    memo_ = std::make_unique<TdxPopupMemo>(host, settings_);
    const RECT client = host.ClientRect();
    memo_->SetBounds(0, 0, client.right, client.bottom);  // wrapped at its width from the start
    memo_->SetReadOnly(read_only_);
    memo_->SetText(text_);
    const auto end = static_cast<WPARAM>(text_.size());
    SendMessageW(memo_->Handle(), EM_SETSEL, end, end);  // typing goes on at the end
    SendMessageW(memo_->Handle(), EM_SCROLLCARET, 0, 0);
    memo_->UpdateScrollBars();
  }
  HWND FocusWindow() override { return memo_ ? memo_->Handle() : nullptr; }

 private:
  std::wstring text_;
  SIZE size_;
  bool read_only_;
  TdxMemoSettings settings_;
  std::unique_ptr<TdxPopupMemo> memo_;
};

// The blob's picture in a popup.
class TdxPicturePopupContent : public TdxBlobPopupContent {
 public:
  TdxPicturePopupContent(TdxInplaceBlobEdit& editor, SIZE size)
      : editor_(editor), picture_(editor.Picture()), size_(size) {}
  std::wstring Value() override {
    return changed_ ? BytesToValue(PictureToString(picture_)) : editor_.Text();
  }
  SIZE PreferredSize(HDC, int) override { return size_; }
  void Paint(HDC dc, const RECT& client) override {
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    DrawPicture(dc, client, picture_, true, false);
  }
  void Attach(TdxPopupHost& host) override { host_ = &host; }
  bool KeyDown(WORD key, unsigned shift) override {
    if (key != VK_APPS && !(key == VK_F10 && (shift & framework::ssShift))) return false;
    PostMessageW(host_->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host_->Handle()), -1);
    return true;
  }
  // The picture's menu: cut, copy, paste and delete, and with ShowExPopupItems load and save.
  void ContextMenu(POINT screen) override {
    if (!editor_.ShowPicturePopup || !host_) return;
    const int count = editor_.ShowExPopupItems ? kPictureCommandCount : 4;
    const win::UniqueMenu menu(CreatePopupMenu());
    const PictureCommandTarget target = Target();
    for (int i = 0; i < count; ++i) {
      const auto command = static_cast<TdxPictureCommand>(i);
      if (command == TdxPictureCommand::Load) AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu.get(), PictureCommandEnabled(command, target) ? MF_STRING : MF_GRAYED,
                  static_cast<UINT_PTR>(i + 1), PictureCommandCaption(command));
    }
    const int chosen = host_->TrackMenu(menu.get(), screen);
    if (chosen <= 0 || !RunPictureCommand(static_cast<TdxPictureCommand>(chosen - 1), Target()))
      return;
    editor_.OnAssignPicture(&editor_, picture_);
    changed_ = true;
    InvalidateRect(host_->Handle(), nullptr, TRUE);
  }

 private:
  PictureCommandTarget Target() {
    return {picture_, host_->Handle(), editor_.ClipboardFormat, editor_.PictureFilter,
            editor_.CanModify()};
  }

  TdxInplaceBlobEdit& editor_;
  framework::TPicture picture_;  // the popup's copy: Escape leaves the value as it was
  SIZE size_;
  TdxPopupHost* host_ = nullptr;
  bool changed_ = false;
};

}  // namespace

const TdxInplaceEditClass& TdxInplaceBlobEdit::EditorClass() {
  static const TdxInplaceEditClass info =
      EditorClassRecord<TdxInplaceBlobEdit, TdxBlobEditViewData>(
          "TdxInplaceBlobEdit", TdxInplaceDropDownEdit::EditorClass());
  return info;
}

TdxInplaceBlobEdit::TdxInplaceBlobEdit(framework::TComponent* owner)
    : TdxInplaceDropDownEdit(owner) {}

void TdxInplaceBlobEdit::SetBlobEditKind(TdxBlobEditKind value) {
  if (kind_ == value) return;
  kind_ = value;
  LoadPicture();
  Invalidate();
}

void TdxInplaceBlobEdit::SetBlobPaintStyle(TdxBlobPaintStyle value) {
  paint_style_ = value;
  Invalidate();
}

void TdxInplaceBlobEdit::LoadPicture() {
  std::string bytes;
  if (kind_ != TdxBlobEditKind::bekPict || !ValueToBytes(blob_text_, bytes)) bytes.clear();
  framework::GraphicFactory graphic_class = nullptr;
  OnGetGraphicClass(this, graphic_class);
  LoadPictureFromValue(picture_, graphic_class, bytes);
  ApplyTransparency(picture_, PictureTransparency);
}

void TdxInplaceBlobEdit::SetTextSilently(const std::wstring& text) {
  blob_text_ = text;
  LoadPicture();
  Invalidate();
}

void TdxInplaceBlobEdit::SetBlobText(const std::wstring& text) { SetText(text); }

void TdxInplaceBlobEdit::SetText(const std::wstring& text) {
  if (text == blob_text_) return;
  SetTextSilently(text);
  SetModified(true);
  OnChange(this);
}

std::unique_ptr<TdxPopupContent> TdxInplaceBlobEdit::CreatePopupContent() {
  const SIZE size{std::max(PopupWidth, 20), std::max(PopupHeight, 20)};
  if (kind_ == TdxBlobEditKind::bekMemo) {
    return std::make_unique<TdxMemoPopupContent>(blob_text_, size, !CanModify(), Memo);
  }
  if (kind_ == TdxBlobEditKind::bekPict) {
    const bool fit = PictureAutoSize && !IsPictureEmpty(picture_);
    return std::make_unique<TdxPicturePopupContent>(
        *this, fit ? SIZE{std::max(picture_.Width(), 20), std::max(picture_.Height(), 20)} : size);
  }
  return nullptr;  // other kinds have no editor of their own here
}

std::wstring TdxInplaceBlobEdit::PopupResult(TdxPopupContent& content) {
  RECT client{};
  if (GetClientRect(PopupHandle(), &client)) {  // the user may have sized it
    PopupWidth = client.right;
    PopupHeight = client.bottom;
  }
  if (OnSavePopupSize) OnSavePopupSize(*this);
  return static_cast<TdxBlobPopupContent&>(content).Value();
}

bool TdxInplaceBlobEdit::IsEditorWindow(HWND hwnd) {
  HWND popup = PopupHandle();
  if (hwnd && popup && IsChild(popup, hwnd)) return true;
  return TdxInplaceDropDownEdit::IsEditorWindow(hwnd);
}

void TdxInplaceBlobEdit::KeyPress(wchar_t& key) {
  if (OpenContent()) {
    TdxInplaceDropDownEdit::KeyPress(key);
    return;
  }
  key = 0;  // the value is edited in the popup
}

void TdxInplaceBlobEdit::Paint() {
  HDC dc = Canvas().Handle();
  const RECT client = ClientRect();
  SetBkColor(dc, framework::ColorToRGB(Color()));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
  if (!blob_text_.empty()) {
    RECT area = GetTextRect();
    if (paint_style_ == TdxBlobPaintStyle::bpsText ||
        (paint_style_ == TdxBlobPaintStyle::bpsDefault && kind_ == TdxBlobEditKind::bekMemo)) {
      SelectScope font(dc, Font().Handle());
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, framework::ColorToRGB(Font().Color()));
      const std::wstring shown = ShownBlobText(blob_text_, MaxDisplayLength);
      ::DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &area,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    } else {
      framework::TImageList* images = GetBlobImages();
      ImageList_Draw(images->Handle(), static_cast<int>(kind_), dc, area.left + 1,
                     (area.top + area.bottom - images->Height()) / 2, ILD_TRANSPARENT);
    }
  }
  if (ShowButton()) DrawButton(Button());
}

}  // namespace editors
