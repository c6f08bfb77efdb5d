#include "rtl/TComponent.h"

#include <algorithm>
#include <cctype>

#include "rtl/Exception.h"
#include "rtl/StrUtils.h"
#include "rtl/TypInfo.h"

RTL_DEFINE_CLASS(TComponent, TPersistent,
                 Published("Name", &TComponent::Name, &TComponent::SetName,
                           rtl_detail::BuiltinInfo(tkLString, "TComponentName")),
                 // Tag is pointer-sized here but an Integer to stored data.
                 Published("Tag", &TComponent::Tag, &TComponent::SetTag, TypeInfoFor<int32_t>()))

bool IsValidIdent(const std::string& Name) {
  if (Name.empty()) return false;
  auto alpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
  if (!alpha(Name[0])) return false;
  return std::all_of(Name.begin() + 1, Name.end(), [&](char c) {
    return alpha(c) || std::isdigit(static_cast<unsigned char>(c));
  });
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Objects freed through Free() have been torn down already, with their
  // overrides still in place; this covers a plain delete.
  if (!torn_down_) TearDown();
}

void TComponent::BeforeDestruction() {
  if (!torn_down_) TearDown();
}

void TComponent::TearDown() {
  torn_down_ = true;
  Destroying();
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    other->Notification(this, opRemove);
    // An override that did not pass the notice on still loses the link.
    if (!free_notifies_.empty() && free_notifies_.back() == other) {
      free_notifies_.pop_back();
      other->RemoveNotification(this);
    }
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return components_[static_cast<size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetName(const std::string& NewName) {
  if (name_ == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("'" + NewName + "' is not a valid component name");
  if (owner_)
    owner_->ValidateRename(this, name_, NewName);
  else
    ValidateRename(nullptr, name_, NewName);
  name_ = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) {
  if (AComponent && !NewName.empty() && !SameText(CurName, NewName) &&
      AComponent->owner_ == this) {
    TComponent* existing = FindComponent(NewName);
    if (existing && existing != AComponent)
      throw EComponentError("A component named " + NewName + " already exists");
  }
}

void TComponent::InsertComponent(TComponent* AComponent) {
  ValidateInsert(AComponent);
  if (!AComponent->name_.empty()) ValidateRename(AComponent, "", AComponent->name_);
  if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
  Insert(AComponent);
  if (state_.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  components_.push_back(AComponent);
  AComponent->owner_ = this;
}

void TComponent::Remove(TComponent* AComponent) {
  auto it = std::find(components_.begin(), components_.end(), AComponent);
  if (it != components_.end()) components_.erase(it);
  AComponent->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* instance = components_.back();
    if (instance->state_.Contains(csFreeNotification))
      RemoveComponent(instance);
    else
      Remove(instance);
    instance->Free();
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, AName)) return c;
  return nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (!owner_ || AComponent->owner_ != owner_) {
    if (std::find(free_notifies_.begin(), free_notifies_.end(), AComponent) ==
        free_notifies_.end()) {
      free_notifies_.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  auto it = std::find(free_notifies_.begin(), free_notifies_.end(), AComponent);
  if (it != free_notifies_.end()) free_notifies_.erase(it);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Pass the notice down the owner tree; a handler may free components, so
  // the index is kept within the shrinking list.
  for (int i = ComponentCount() - 1; i >= 0; --i) {
    if (i >= ComponentCount()) i = ComponentCount() - 1;
    if (i < 0) break;
    components_[static_cast<size_t>(i)]->Notification(AComponent, Operation);
  }
}

void TComponent::BeginLoading() {
  state_.Include(csLoading);
  state_.Include(csReading);
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
  state_.Exclude(csReading);
  // Children first, so that an owner's Loaded sees its parts ready.
  for (size_t i = 0; i < components_.size(); ++i) components_[i]->EndLoading();
  Loaded();
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  state_.Set(csDesigning, Value);
  if (SetChildren)
    for (TComponent* c : components_) c->SetDesigning(Value, true);
}
