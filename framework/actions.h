// Actions: one command with its caption, enabled and visible state and image, shared by the
// controls linked to it. Linked controls take the action's state now and at each change, and a
// click on one runs the action.
#pragma once

#include <string>
#include <vector>

#include "framework/classes.h"
#include "framework/persistence.h"

namespace framework {

class TControl;
class TImageList;

class TCustomAction : public TComponent {
 public:
  explicit TCustomAction(TComponent* owner);
  ~TCustomAction() override;
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  const std::wstring& Caption() const noexcept { return caption_; }
  void SetCaption(const std::wstring& caption);
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible);
  int ImageIndex() const noexcept { return image_index_; }
  void SetImageIndex(int index);
  // The list the image index counts in (not owned; forgotten when it is freed).
  TImageList* Images() const noexcept { return images_; }
  void SetImages(TImageList* images);

  // Runs OnExecute when the action is enabled and has a handler; true when it ran.
  bool Execute();

  TNotifyEvent OnExecute;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TControl;
  // Each linked control takes the action's state again.
  void Changed();

  std::wstring caption_;
  bool enabled_ = true;
  bool visible_ = true;
  int image_index_ = -1;
  TImageList* images_ = nullptr;
  std::vector<TControl*> clients_;  // linked controls; each unlinks itself when it goes
};

}  // namespace framework
