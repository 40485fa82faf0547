// Components: ownership (an owner frees what it owns), free notification, names, the loading
// state, and the registry that finds a component class by its name.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "framework/exception.h"

namespace framework {

class TClassInfo;

class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

constexpr unsigned csLoading = 1, csReading = 2, csDestroying = 4;
enum class TOperation { opInsert, opRemove };

class TComponent {
 public:
  explicit TComponent(TComponent* owner);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  static const TClassInfo& StaticClassInfo();
  // The class's table of published properties, for the most derived class.
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
  std::string ClassName() const;

  TComponent* Owner() const noexcept { return owner_; }
  const std::string& Name() const noexcept { return name_; }
  // Unique among the owner's components (case ignored); EComponentError otherwise.
  void SetName(const std::string& name);
  const std::vector<TComponent*>& Components() const noexcept { return components_; }
  TComponent* FindComponent(const std::string& name) const;
  unsigned ComponentState() const noexcept { return state_; }
  int Tag() const noexcept { return tag_; }
  void SetTag(int tag) noexcept { tag_ = tag; }

  // `other` hears of this component's end through Notification, and this one of `other`'s.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // Loading from a form description: set while properties are read, then Loaded.
  void BeginLoading() noexcept { state_ |= csLoading | csReading; }
  virtual void Loaded() { state_ &= ~(csLoading | csReading); }

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // Heard by every component below an owner before the owner frees any of them: one that keeps
  // something of its peers (a grid the layout of its columns) does it while all are still there.
  virtual void OwnerFreeing() noexcept {}
  // Frees the owned components now: derived destructors call it while they are still whole.
  void DestroyComponents();

 private:
  void TellOwnerFreeing() noexcept;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Takes the owned component's name out of the index of names.
  void ForgetName(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  // The named ones among them by their folded names: a form of thousands of components looked
  // each up among all the others as it was read.
  std::unordered_map<std::string, TComponent*> named_;
  std::vector<TComponent*> free_notifies_;
  unsigned state_ = 0;
  int tag_ = 0;
};

// A component class that form descriptions may name: `create` makes one owned by `owner`.
using ComponentFactory = TComponent* (*)(TComponent* owner);
void RegisterClass(const TClassInfo& info, ComponentFactory create);
// The registered class of that name (case ignored), or null.
ComponentFactory FindClass(const std::string& name);

template <class T>
void RegisterComponent() {
  RegisterClass(T::StaticClassInfo(),
                [](TComponent* owner) -> TComponent* { return new T(owner); });
}

}  // namespace framework
