// Growable lists of pointers. TList holds untyped items and tells Notify
// about every item that enters or leaves it; TObjectList uses that to free
// the objects it owns.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "rtl/TObject.h"

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// <0, 0 or >0 as Item1 sorts before, with or after Item2.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
  RTL_CLASS(TList, TObject)
 public:
  TList() = default;
  ~TList() override;

  int Count() const { return static_cast<int>(items_.size()); }
  // Shrinks by deleting from the end (each item notified), grows with nils.
  void SetCount(int NewCount);
  int Capacity() const { return capacity_; }
  // Raises EListError "List capacity out of bounds (%d)" below Count.
  void SetCapacity(int NewCapacity);

  // Index errors raise EListError "List index out of bounds (%d)".
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  // Deletes the first occurrence; its former index, or -1.
  int Remove(void* Item);
  int IndexOf(void* Item) const;
  // Takes Item out without the lnDeleted notice (so an owning list does not
  // free it); returns Item, or null when it is not in the list.
  void* Extract(void* Item);
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  // Removes the nil items.
  void Pack();
  // Equal items keep their order.
  void Sort(const TListSortCompare& Compare);
  void Clear();

  const std::vector<void*>& List() const { return items_; }

 protected:
  // Told about every non-nil item that enters or leaves. The base destructor
  // cannot reach an override, so a descendant that acts on lnDeleted calls
  // Clear in its own destructor (as TObjectList does).
  virtual void Notify(void* Ptr, TListNotification Action) {}
  [[noreturn]] static void Error(const char* Fmt, int Data);

 private:
  void CheckIndex(int Index) const;
  void Grow();

  std::vector<void*> items_;
  int capacity_ = 0;
};

// A list of objects that, while OwnsObjects is set (the default), frees an
// object with Free() when it is deleted, replaced or cleared from the list.
class TObjectList : public TList {
  RTL_CLASS(TObjectList, TList)
 public:
  explicit TObjectList(bool AOwnsObjects = true) : owns_objects_(AOwnsObjects) {}
  ~TObjectList() override;

  bool OwnsObjects() const { return owns_objects_; }
  void SetOwnsObjects(bool Value) { owns_objects_ = Value; }

  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
  void SetItems(int Index, TObject* Item) { TList::SetItems(Index, Item); }
  TObject* First() const { return Items(0); }
  TObject* Last() const { return Items(Count() - 1); }
  int Add(TObject* Item) { return TList::Add(Item); }
  void Insert(int Index, TObject* Item) { TList::Insert(Index, Item); }
  int Remove(TObject* Item) { return TList::Remove(Item); }
  int IndexOf(TObject* Item) const { return TList::IndexOf(Item); }
  TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
  // Index of the first item of exactly (or, with AExact false, at least)
  // class AClass, searching from AStartAt; -1 when none.
  int FindInstanceOf(TClass AClass, bool AExact = true, int AStartAt = 0) const;

 protected:
  void Notify(void* Ptr, TListNotification Action) override;

 private:
  bool owns_objects_;
};
