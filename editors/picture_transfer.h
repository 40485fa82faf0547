// How pictures leave and enter the picture editors: the clipboard and the load and save
// dialogs. On the clipboard a picture goes in a format of its own that keeps its kind and file
// form (a copy pasted into another cell is the same picture, byte for byte) and as a bitmap
// for other programs. The dialogs go through a seam that tests answer instead of a user.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/picture.h"

namespace editors {

// The clipboard format of a picture's stored form (its kind, then its file form).
UINT PictureClipboardFormat();
// Puts the picture on the clipboard in `format` and as a bitmap; false when the picture is
// empty or the clipboard cannot be had.
bool CopyPictureToClipboard(HWND owner, framework::TPicture& picture, UINT format);
// The clipboard's picture: `format`'s stored form when there, else its bitmap; null when it
// holds neither (or what it holds does not read).
std::unique_ptr<framework::TGraphic> PastePictureFromClipboard(HWND owner, UINT format);

enum class TdxPictureFileDialog { Load, Save };

struct PictureFileRequest {
  TdxPictureFileDialog kind = TdxPictureFileDialog::Load;
  HWND owner = nullptr;
  std::wstring filter;  // "Bitmaps (*.bmp)|*.bmp|..."; empty: every picture kind known
};

// The file the user chose in the open or save dialog; empty when cancelled.
std::wstring AskPictureFile(const PictureFileRequest& request);

// While set, AskPictureFile hands every request to the handler instead of showing a dialog and
// returns its answer. An empty handler restores the dialogs. For tests: a modal dialog would
// wait for a user who is not there.
using PictureFileHandler = std::function<std::wstring(const PictureFileRequest&)>;
void SetPictureFileHandler(PictureFileHandler handler);

// What the picture editors' tool bar and menu do with a picture; bit i of a set is command i.
enum class TdxPictureCommand { Cut, Copy, Paste, Delete, Load, Save };
constexpr int kPictureCommandCount = 6;
constexpr unsigned CommandBit(TdxPictureCommand command) {
  return 1u << static_cast<unsigned>(command);
}

// The command's caption with its access key ("Cu&t").
const wchar_t* PictureCommandCaption(TdxPictureCommand command);

// The picture a command works on, and what it needs around it.
struct PictureCommandTarget {
  framework::TPicture& picture;
  HWND owner;
  UINT clipboard_format;
  const std::wstring& filter;  // the load and save dialogs'
  bool can_modify;
};

// Whether the command can run now (shown greyed otherwise): a change needs a modifiable value,
// cutting, copying, deleting and saving a picture, pasting a picture on the clipboard.
bool PictureCommandEnabled(TdxPictureCommand command, const PictureCommandTarget& target);
// Runs the command when it is enabled; true when the picture changed.
bool RunPictureCommand(TdxPictureCommand command, const PictureCommandTarget& target);

}  // namespace editors
