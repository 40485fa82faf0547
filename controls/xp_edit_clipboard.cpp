// The own-drawn edit's clipboard and its shared context menu.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "controls/xp_edits2.h"
#include "framework/win/handles.h"

namespace controls {

TCustomXPEdit* TCustomXPEdit::served_ = nullptr;

// ---- Clipboard ------------------------------------------------------------------------------

void TCustomXPEdit::CopyToClipboard() {
  // A password must not leave the edit.
  if (model_.PasswordChar() || SelLength() == 0) return;
  const std::wstring selected = SelText();
  const win::OpenedClipboard clipboard(HandleAllocated() ? hwnd_ : nullptr);
  if (!clipboard) return;
  EmptyClipboard();
  const size_t bytes = (selected.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) return;
  if (void* target = GlobalLock(memory)) {
    std::copy_n(selected.c_str(), selected.size() + 1, static_cast<wchar_t*>(target));
    GlobalUnlock(memory);
    // The clipboard owns the memory from here on.
    if (SetClipboardData(CF_UNICODETEXT, memory)) return;
  }
  GlobalFree(memory);
}

void TCustomXPEdit::CutToClipboard() {
  CopyToClipboard();
  DeleteSelection();
}

void TCustomXPEdit::PasteFromClipboard() {
  std::wstring text;
  {
    const win::OpenedClipboard clipboard(HandleAllocated() ? hwnd_ : nullptr);
    if (!clipboard) return;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return;
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      const size_t limit = GlobalSize(data) / sizeof(wchar_t);
      text.assign(chars, std::find(chars, chars + limit, L'\0'));
      GlobalUnlock(data);
    }
  }
  InsertText(text);
}

// ---- Context menu ---------------------------------------------------------------------------

framework::TPopupMenu& TCustomXPEdit::SharedContextMenu() {
  static const std::unique_ptr<framework::TPopupMenu> menu = [] {
    auto popup = std::make_unique<framework::TPopupMenu>(nullptr);
    using Action = void (*)(TCustomXPEdit&);
    const std::pair<const wchar_t*, Action> items[] = {
        {L"&Undo", [](TCustomXPEdit& e) { e.Undo(); }},
        {L"-", nullptr},
        {L"Cu&t", [](TCustomXPEdit& e) { e.CutToClipboard(); }},
        {L"&Copy", [](TCustomXPEdit& e) { e.CopyToClipboard(); }},
        {L"&Paste", [](TCustomXPEdit& e) { e.PasteFromClipboard(); }},
        {L"&Delete", [](TCustomXPEdit& e) { e.DeleteSelection(); }},
        {L"-", nullptr},
        {L"Select &All", [](TCustomXPEdit& e) { e.SelectAll(); }}};
    for (const auto& [caption, action] : items) {
      auto* item = new framework::TMenuItem(popup.get());
      item->SetCaption(caption);
      if (action) {
        item->OnClick = [action = action](framework::TComponent*) {
          if (served_) action(*served_);
        };
      }
      popup->Items().Add(item);
    }
    popup->OnPopup = [](framework::TComponent*) {
      if (!served_) return;
      const TCustomXPEdit& edit = *served_;
      const auto& items = SharedContextMenu().Items().Items();
      const bool selected = edit.SelLength() > 0;
      items[0]->SetEnabled(edit.CanUndo());
      items[2]->SetEnabled(selected);
      items[3]->SetEnabled(selected);
      items[4]->SetEnabled(IsClipboardFormatAvailable(CF_TEXT) != FALSE);
      items[5]->SetEnabled(selected);
      items[7]->SetEnabled(edit.SelLength() != edit.model_.Length());
    };
    return popup;
  }();
  return *menu;
}

void TCustomXPEdit::ShowContextMenu(POINT screen) {
  if (popup_menu_) {
    popup_menu_->Popup(screen.x, screen.y);
    return;
  }
  served_ = this;
  try {
    SharedContextMenu().Popup(screen.x, screen.y);
  } catch (...) {
    served_ = nullptr;
    throw;
  }
  served_ = nullptr;
}

}  // namespace controls
