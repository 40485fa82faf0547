// Actions and the controls linked to them.
#include "framework/actions.h"

#include <algorithm>

#include "framework/controls.h"
#include "framework/image_list.h"

namespace framework {

const TClassInfo& TCustomAction::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derived<TCustomAction, TComponent>("TCustomAction")
          .WideString("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption)
          .Bool("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled, true)
          .Int("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex, -1)
          .Bool("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible, true)
          .Event("OnExecute", &TCustomAction::OnExecute);
  return info;
}

TCustomAction::TCustomAction(TComponent* owner) : TComponent(owner) {}

TCustomAction::~TCustomAction() {
  // A control outliving its action keeps what it took and runs nothing any more.
  for (TControl* client : std::exchange(clients_, {})) client->action_ = nullptr;
  SetImages(nullptr);
}

void TCustomAction::SetCaption(const std::wstring& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TCustomAction::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

void TCustomAction::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed();
}

void TCustomAction::SetImageIndex(int index) {
  if (index == image_index_) return;
  image_index_ = index;
  Changed();
}

void TCustomAction::SetImages(TImageList* images) {
  if (images == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images_) images_->FreeNotification(this);
  Changed();
}

bool TCustomAction::Execute() {
  if (!enabled_ || !OnExecute) return false;
  OnExecute(this);
  return true;
}

void TCustomAction::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) {
    images_ = nullptr;
    Changed();
  }
}

void TCustomAction::Changed() {
  // A client may unlink itself while it takes the change.
  const std::vector<TControl*> clients = clients_;
  for (TControl* client : clients) {
    if (std::find(clients_.begin(), clients_.end(), client) != clients_.end()) {
      client->ActionChange(*this);
    }
  }
}

}  // namespace framework
