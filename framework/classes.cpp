// Components and the class registry.
#include "framework/classes.h"

#include <algorithm>

#include "framework/persistence.h"
#include "framework/win/text.h"

namespace framework {

namespace {

struct RegisteredClass {
  const TClassInfo* info;
  ComponentFactory create;
};

std::vector<RegisteredClass>& Registry() {
  static std::vector<RegisteredClass> classes;
  return classes;
}

}  // namespace

const TClassInfo& TComponent::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo("TComponent").Int("Tag", &TComponent::Tag, &TComponent::SetTag, 0);
  return info;
}

std::string TComponent::ClassName() const { return ClassInfo().Name(); }

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Whoever asked hears of the end while this object is still whole.
  for (TComponent* other : std::exchange(free_notifies_, {})) {
    other->Notification(this, TOperation::opRemove);
    std::erase(other->free_notifies_, this);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  state_ |= csDestroying;
  // A copy: what one hears may free something of its own.
  for (TComponent* component : std::vector(components_)) component->TellOwnerFreeing();
  // Owned components go last-made first; each leaves the list as it goes.
  while (!components_.empty()) delete components_.back();
}

void TComponent::TellOwnerFreeing() noexcept {
  OwnerFreeing();
  for (TComponent* component : std::vector(components_)) component->TellOwnerFreeing();
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component->name_.empty() &&
      !named_.try_emplace(win::FoldedText(component->name_), component).second) {
    throw EComponentError("A component named " + component->name_ + " already exists");
  }
  components_.push_back(component);
  component->owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  Notification(component, TOperation::opRemove);
  // Searched from the end, where an owner freeing its components newest first finds each.
  const auto it = std::find(components_.rbegin(), components_.rend(), component);
  if (it != components_.rend()) components_.erase(std::next(it).base());
  if (!component->name_.empty()) ForgetName(component);
  component->owner_ = nullptr;
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  const bool valid = !name.empty() && !isdigit(static_cast<unsigned char>(name[0])) &&
                     std::all_of(name.begin(), name.end(), [](char c) {
                       return isalnum(static_cast<unsigned char>(c)) || c == '_';
                     });
  if (!name.empty() && !valid)
    throw EComponentError("\"" + name + "\" is not a valid component name");
  if (owner_) {
    if (!name.empty()) {
      const auto [it, added] = owner_->named_.try_emplace(win::FoldedText(name), this);
      if (!added && it->second != this) {
        throw EComponentError("A component named " + name + " already exists");
      }
    }
    // A new spelling of the same name keeps its place; another name frees the old one's.
    if (!name_.empty() && !win::SameText(name_, name)) owner_->ForgetName(this);
  }
  name_ = name;
}

void TComponent::ForgetName(TComponent* component) {
  const auto it = named_.find(win::FoldedText(component->name_));
  if (it != named_.end() && it->second == component) named_.erase(it);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  const auto it = named_.find(win::FoldedText(name));
  return it == named_.end() ? nullptr : it->second;
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), other) == free_notifies_.end()) {
    free_notifies_.push_back(other);
    other->free_notifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  std::erase(free_notifies_, other);
  if (other) std::erase(other->free_notifies_, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void RegisterClass(const TClassInfo& info, ComponentFactory create) {
  for (RegisteredClass& entry : Registry()) {
    if (win::SameText(entry.info->Name(), info.Name())) {
      entry = {&info, create};
      return;
    }
  }
  Registry().push_back({&info, create});
}

ComponentFactory FindClass(const std::string& name) {
  for (const RegisteredClass& entry : Registry()) {
    if (win::SameText(entry.info->Name(), name)) return entry.create;
  }
  return nullptr;
}

}  // namespace framework
