// Components: objects in an ownership tree. An owner frees what it owns; a
// component that refers to another asks to be told (FreeNotification) when
// that one goes away, and drops the reference in Notification.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/TPersistent.h"
#include "rtl/TSet.h"

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag, 16>;

enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  RTL_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  void BeforeDestruction() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int Index) const;
  // Position of this component in its owner's list, -1 without owner.
  int ComponentIndex() const;

  const std::string& Name() const { return name_; }
  // Raises EComponentError for a name that is not an identifier or that
  // another component of the same owner already has (compared ignoring case).
  virtual void SetName(const std::string& NewName);
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t Value) { tag_ = Value; }
  TComponentState ComponentState() const { return state_; }

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  // Frees every owned component, last first.
  void DestroyComponents();
  // Marks this component and everything it owns as being destroyed.
  void Destroying();
  // The owned component with that name (ignoring case), or null.
  TComponent* FindComponent(const std::string& AName) const;

  // Ensures AComponent is told (Notification with opRemove) when this one is
  // destroyed. The link is kept in both directions; components of one owner
  // need none, since the owner tells all it owns.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Loading protocol: BeginLoading sets csLoading/csReading on this component
  // and what it owns; EndLoading clears them and calls Loaded on each.
  void BeginLoading();
  void EndLoading();
  void SetDesigning(bool Value, bool SetChildren = true);

  TPersistent* GetOwner() override { return owner_; }
  std::string GetNamePath() override { return name_; }

  // Called on the owner tree when a component is inserted or removed, and on
  // every component that asked for a free notification.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Called once loading has finished.
  virtual void Loaded();

 protected:
  void SetStateFlag(TComponentStateFlag Flag, bool On) { state_.Set(Flag, On); }
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                              const std::string& NewName);
  // Called before an owned component is added; may raise.
  virtual void ValidateInsert(TComponent* AComponent) {}

 private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void TearDown();

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  std::string name_;
  intptr_t tag_ = 0;
  TComponentState state_;
  bool torn_down_ = false;
};

// Whether Name is a valid component name (letter or underscore, then
// letters, digits or underscores; empty is allowed for unnamed components).
bool IsValidIdent(const std::string& Name);
