// Collections: an ordered set of items of one item class, owned by the
// collection (adding creates the item, deleting frees it). Items carry an ID
// that never changes and an Index that does; changes are reported to the
// collection's Update, held back between BeginUpdate and EndUpdate.
#pragma once

#include <string>
#include <vector>

#include "rtl/TPersistent.h"

class TCollection;

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  RTL_CLASS(TCollectionItem, TPersistent)
 public:
  // Inserts the new item into Collection when one is given. Item classes
  // declare the same constructor, so the collection can create them.
  explicit TCollectionItem(TCollection* Collection = nullptr);
  ~TCollectionItem() override;
  // Leaves the collection while still whole, so that its Notify and Update
  // see the complete item.
  void BeforeDestruction() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item from its collection to another (null takes it out).
  virtual void SetCollection(TCollection* Value);
  // The ID given when the item joined its collection, unique within it.
  int ID() const { return id_; }
  // Position in the collection, -1 outside one. Setting it moves the item.
  int Index() const;
  virtual void SetIndex(int Value);
  // The class name unless a descendant has a better name.
  virtual std::string DisplayName() const { return ClassName(); }
  virtual void SetDisplayName(const std::string& Value) { Changed(false); }

  TPersistent* GetOwner() override;
  // "Owner.Property[Index]", e.g. "StatusBar1.Panels[0]".
  std::string GetNamePath() override;

 protected:
  // Tells the collection that this item (or, with AllItems, every item)
  // changed, unless it is in an update.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

class TCollection : public TPersistent {
  RTL_CLASS(TCollection, TPersistent)
 public:
  // ItemClass is TCollectionItem or a descendant with a constructor taking
  // a TCollection*. Owner is what GetOwner answers (for naming paths).
  explicit TCollection(TClass ItemClass, TPersistent* Owner = nullptr);
  ~TCollection() override;

  TClass ItemClass() const { return item_class_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Index errors raise EListError "List index out of bounds (%d)".
  TCollectionItem* Items(int Index) const;
  // Copies Value's state into item Index (Assign).
  void SetItems(int Index, TCollectionItem* Value);

  // A new item of ItemClass at the end.
  TCollectionItem* Add();
  // A new item at Index.
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  // Frees every item (one Update for all).
  void Clear();
  TCollectionItem* FindItemID(int ID) const;

  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Replaces the items by copies (Assign) of another collection's items.
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return owner_; }
  TPersistent* Owner() { return GetOwner(); }
  // "OwnerPath.PropertyName" when the owner publishes this collection, else
  // the class name.
  std::string GetNamePath() override;
  // The name of the owner's published property that holds this collection.
  std::string PropName();

 protected:
  // Item changed (null: the whole collection); the base does nothing.
  virtual void Update(TCollectionItem* Item) {}
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action) {}
  // Calls Update(nil) unless an update is in progress.
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TClass item_class_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int update_count_ = 0;
  int next_id_ = 0;
};
