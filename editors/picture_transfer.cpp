// The picture editors' clipboard and file dialogs.
#include "editors/picture_transfer.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "editors/gdi_scope.h"
#include "framework/message_dialog.h"
#include "framework/streams.h"
#include "framework/win/handles.h"
#include "framework/win/module.h"
#include "framework/win/text.h"

namespace editors {

namespace {

// The graphic as a bitmap of its size: a copy for a bitmap, drawn for any other kind.
win::UniqueBitmap AsBitmap(framework::TGraphic& graphic) {
  if (auto* bitmap = dynamic_cast<framework::TBitmap*>(&graphic)) return bitmap->DetachedCopy();
  framework::TBitmap drawn(graphic.Width(), graphic.Height(), framework::TPixelFormat::pf24bit);
  const RECT all{0, 0, graphic.Width(), graphic.Height()};
  FillRect(drawn.Canvas().Handle(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  graphic.Draw(drawn.Canvas(), all);
  return drawn.DetachedCopy();
}

std::unique_ptr<framework::TGraphic> ReadStoredForm(UINT format) {
  HGLOBAL data = GetClipboardData(format);
  const SIZE_T size = data ? GlobalSize(data) : 0;
  const void* bytes = size ? GlobalLock(data) : nullptr;
  if (!bytes) return nullptr;
  framework::TMemoryStream stream;
  stream.Write(bytes, static_cast<int32_t>(size));
  GlobalUnlock(data);
  stream.SetPosition(0);
  framework::TPicture picture;
  try {
    picture.ReadData(stream);
  } catch (const framework::Exception&) {
    return nullptr;  // another program's data under our format's name
  }
  return picture.Graphic() ? picture.Graphic()->Clone() : nullptr;
}

std::unique_ptr<framework::TGraphic> ReadBitmap() {
  auto handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  BITMAP info{};
  if (!handle || !GetObjectW(handle, sizeof info, &info) || info.bmWidth <= 0 ||
      info.bmHeight <= 0) {
    return nullptr;
  }
  auto bitmap = std::make_unique<framework::TBitmap>(info.bmWidth, info.bmHeight,
                                                     framework::TPixelFormat::pf24bit);
  const win::UniqueMemoryDc source(CreateCompatibleDC(nullptr));
  SelectScope selected(source.get(), handle);
  BitBlt(bitmap->Canvas().Handle(), 0, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
  return bitmap;
}

PictureFileHandler& FileHandler() {
  static PictureFileHandler handler;
  return handler;
}

// "A|*.a|B|*.b" as the dialog wants it: parts ended by a null, the list by another.
std::wstring DialogFilter(const std::wstring& filter) {
  std::wstring parts = filter.empty() ? win::Widen(framework::GraphicFilter()) : filter;
  std::replace(parts.begin(), parts.end(), L'|', L'\0');
  return parts + std::wstring(2, L'\0');
}

}  // namespace

UINT PictureClipboardFormat() {
  static const UINT format = RegisterClipboardFormatW(L"Picture");
  return format;
}

bool CopyPictureToClipboard(HWND owner, framework::TPicture& picture, UINT format) {
  framework::TGraphic* graphic = picture.Graphic();
  if (!graphic || graphic->Empty()) return false;
  framework::TMemoryStream stream;
  picture.WriteData(stream);
  win::UniqueBitmap bitmap = AsBitmap(*graphic);
  const win::OpenedClipboard clipboard(owner);
  if (!clipboard) return false;
  EmptyClipboard();
  win::UniqueGlobal data(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(stream.Size())));
  if (void* bytes = data ? GlobalLock(data.get()) : nullptr) {
    std::copy_n(stream.Bytes().data(), stream.Size(), static_cast<uint8_t*>(bytes));
    GlobalUnlock(data.get());
    if (SetClipboardData(format, data.get())) (void)data.release();  // the clipboard owns it
  }
  if (SetClipboardData(CF_BITMAP, bitmap.get())) (void)bitmap.release();
  return true;
}

std::unique_ptr<framework::TGraphic> PastePictureFromClipboard(HWND owner, UINT format) {
  const win::OpenedClipboard clipboard(owner);
  if (!clipboard) return nullptr;
  if (IsClipboardFormatAvailable(format)) {
    if (std::unique_ptr<framework::TGraphic> graphic = ReadStoredForm(format)) return graphic;
  }
  return ReadBitmap();
}

std::wstring AskPictureFile(const PictureFileRequest& request) {
  if (FileHandler()) return FileHandler()(request);
  const std::wstring filter = DialogFilter(request.filter);
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = request.owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  if (request.kind == TdxPictureFileDialog::Load) {
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    const auto open =
        win::SystemProc<decltype(&GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    return open && open(&dialog) ? path : L"";
  }
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  dialog.lpstrDefExt = L"bmp";
  const auto save =
      win::SystemProc<decltype(&GetSaveFileNameW)>(L"comdlg32.dll", "GetSaveFileNameW");
  return save && save(&dialog) ? path : L"";
}

void SetPictureFileHandler(PictureFileHandler handler) { FileHandler() = std::move(handler); }

namespace {

// Asks for a file and reads the picture from it or writes it there; false when the user
// cancelled or the file did not read or write (the user is told why).
bool TransferPictureFile(TdxPictureFileDialog kind, const PictureCommandTarget& target) {
  const std::wstring path = AskPictureFile({kind, target.owner, target.filter});
  if (path.empty()) return false;
  try {
    if (kind == TdxPictureFileDialog::Load) {
      target.picture.LoadFromFile(win::Narrow(path));
    } else {
      target.picture.SaveToFile(win::Narrow(path));
    }
    return true;
  } catch (const framework::Exception& e) {
    framework::ShowMessageDialog(
        {"Picture", e.what(), framework::MessageKind::Error, framework::MessageButtons::Ok});
    return false;
  }
}

}  // namespace

const wchar_t* PictureCommandCaption(TdxPictureCommand command) {
  static const wchar_t* const kCaptions[kPictureCommandCount] = {
      L"Cu&t", L"&Copy", L"&Paste", L"&Delete", L"&Load...", L"&Save As..."};
  return kCaptions[static_cast<int>(command)];
}

bool PictureCommandEnabled(TdxPictureCommand command, const PictureCommandTarget& target) {
  const bool has_picture = target.picture.Graphic() && !target.picture.Graphic()->Empty();
  switch (command) {
    case TdxPictureCommand::Cut:
    case TdxPictureCommand::Delete: return target.can_modify && has_picture;
    case TdxPictureCommand::Copy:
    case TdxPictureCommand::Save: return has_picture;
    case TdxPictureCommand::Paste:
      return target.can_modify && (IsClipboardFormatAvailable(target.clipboard_format) ||
                                   IsClipboardFormatAvailable(CF_BITMAP));
    case TdxPictureCommand::Load: return target.can_modify;
  }
  return false;
}

bool RunPictureCommand(TdxPictureCommand command, const PictureCommandTarget& target) {
  if (!PictureCommandEnabled(command, target)) return false;
  switch (command) {
    case TdxPictureCommand::Cut:
      CopyPictureToClipboard(target.owner, target.picture, target.clipboard_format);
      target.picture.SetGraphic(nullptr);
      return true;
    case TdxPictureCommand::Copy:
      CopyPictureToClipboard(target.owner, target.picture, target.clipboard_format);
      return false;
    case TdxPictureCommand::Paste: {
      std::unique_ptr<framework::TGraphic> pasted =
          PastePictureFromClipboard(target.owner, target.clipboard_format);
      if (!pasted) return false;
      target.picture.SetGraphic(std::move(pasted));
      return true;
    }
    case TdxPictureCommand::Delete: target.picture.SetGraphic(nullptr); return true;
    case TdxPictureCommand::Load: return TransferPictureFile(TdxPictureFileDialog::Load, target);
    case TdxPictureCommand::Save:
      TransferPictureFile(TdxPictureFileDialog::Save, target);
      return false;
  }
  return false;
}

}  // namespace editors
