// Popup menus.
#include "framework/menus.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/controls.h"

namespace framework {

const TClassInfo& TMenuItem::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TMenuItem, TComponent>("TMenuItem")
          .WideString("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
          .Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false)
          .Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
          .Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
          .Event("OnClick", &TMenuItem::OnClick);
  return info;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  for (TMenuItem* item : items_) item->parent_ = nullptr;
  if (parent_) parent_->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->parent_) item->parent_->Remove(item);
  items_.push_back(item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  std::erase(items_, item);
  item->parent_ = nullptr;
}

std::vector<TComponent*> TMenuItem::StreamedChildren(TComponent& root) {
  std::vector<TComponent*> children;
  for (TMenuItem* item : items_) {
    if (item->Owner() == &root) children.push_back(item);
  }
  return children;
}

void TMenuItem::AdoptStreamedChild(TComponent& child) {
  if (auto* item = dynamic_cast<TMenuItem*>(&child)) Add(item);
}

const TClassInfo& TPopupMenu::StaticClassInfo() {
  static const TClassInfo info = TClassInfo::Derived<TPopupMenu, TComponent>("TPopupMenu")
                                     .Event("OnPopup", &TPopupMenu::OnPopup);
  return info;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(nullptr) {}

std::vector<TComponent*> TPopupMenu::StreamedChildren(TComponent& root) {
  return items_.StreamedChildren(root);
}

void TPopupMenu::AdoptStreamedChild(TComponent& child) { items_.AdoptStreamedChild(child); }

namespace {

HMENU BuildLevel(const TMenuItem& parent, std::vector<TMenuItem*>& commands) {
  HMENU menu = CreatePopupMenu();
  for (TMenuItem* item : parent.Items()) {
    if (!item->Visible()) continue;
    if (item->Caption() == L"-") {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT state =
        (item->Enabled() ? MF_ENABLED : MF_GRAYED) | (item->Checked() ? MF_CHECKED : MF_UNCHECKED);
    if (!item->Items().empty()) {
      AppendMenuW(menu, MF_POPUP | state, reinterpret_cast<UINT_PTR>(BuildLevel(*item, commands)),
                  item->Caption().c_str());
      continue;
    }
    commands.push_back(item);
    AppendMenuW(menu, MF_STRING | state, commands.size(), item->Caption().c_str());
  }
  return menu;
}

}  // namespace

HMENU TPopupMenu::BuildMenu(std::vector<TMenuItem*>& commands) {
  commands.clear();
  return BuildLevel(items_, commands);
}

bool TPopupMenu::Popup(int x, int y) {
  OnPopup(this);
  std::vector<TMenuItem*> commands;
  HMENU menu = BuildMenu(commands);
  HWND owner = Application::Instance().Handle();
  if (!owner) owner = GetActiveWindow();
  const auto chosen = static_cast<size_t>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, 0, owner, nullptr));
  DestroyMenu(menu);
  if (chosen == 0 || chosen > commands.size()) return false;
  commands[chosen - 1]->Click();
  return true;
}

}  // namespace framework
