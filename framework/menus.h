// Popup menus: a tree of menu items described like controls (nested in a form description),
// shown at a point with the system's menu and answered through the chosen item's OnClick.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/form_resource.h"
#include "framework/persistence.h"

namespace framework {

class TMenuItem : public TComponent, public IStreamableChildren {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  // "-" makes a separator.
  const std::wstring& Caption() const noexcept { return caption_; }
  void SetCaption(const std::wstring& caption) { caption_ = caption; }
  bool Checked() const noexcept { return checked_; }
  void SetChecked(bool value) { checked_ = value; }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool value) { visible_ = value; }

  const std::vector<TMenuItem*>& Items() const noexcept { return items_; }
  TMenuItem* Parent() const noexcept { return parent_; }
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  // OnClick, as a user's choice does.
  void Click() { OnClick(this); }
  TNotifyEvent OnClick;

  std::vector<TComponent*> StreamedChildren(TComponent& root) override;
  void AdoptStreamedChild(TComponent& child) override;

 private:
  std::wstring caption_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TPopupMenu : public TComponent, public IStreamableChildren {
 public:
  explicit TPopupMenu(TComponent* owner);
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  TMenuItem& Items() noexcept { return items_; }
  // The system menu of the visible items, made now (the caller destroys it). Command
  // identifiers are 1 + the item's place in the order of BuildMenu's walk.
  HMENU BuildMenu(std::vector<TMenuItem*>& commands);
  // Shows the menu at a screen point and runs the chosen item's OnClick; false when none was
  // chosen. OnPopup runs first, so it may change the items.
  bool Popup(int x, int y);
  TNotifyEvent OnPopup;

  std::vector<TComponent*> StreamedChildren(TComponent& root) override;
  void AdoptStreamedChild(TComponent& child) override;

 private:
  TMenuItem items_;
};

}  // namespace framework
