#include "rtl/TList.h"

#include <algorithm>
#include <string>

#include "rtl/Exception.h"

RTL_DEFINE_CLASS(TList, TObject)
RTL_DEFINE_CLASS(TObjectList, TList)

namespace {
// The old runtime's ceiling on list sizes; counts beyond it are errors.
constexpr int kMaxListSize = 0x7FFFFFFF / 16;
}  // namespace

TList::~TList() {
  // A derived Notify is gone by now: owning descendants clear themselves.
  items_.clear();
}

void TList::Error(const char* Fmt, int Data) {
  std::string msg(Fmt);
  auto at = msg.find("%d");
  if (at != std::string::npos) msg.replace(at, 2, std::to_string(Data));
  throw EListError(msg);
}

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void*& slot = items_[static_cast<size_t>(Index)];
  if (Item == slot) return;
  void* old = slot;
  slot = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::Grow() {
  // The old growth steps: 4 while small, 16 up to 64 items, then a quarter.
  int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
  SetCapacity(capacity_ + delta);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count() || NewCapacity > kMaxListSize)
    Error("List capacity out of bounds (%d)", NewCapacity);
  capacity_ = NewCapacity;
  if (static_cast<size_t>(NewCapacity) < items_.capacity())
    items_.shrink_to_fit();
  else
    items_.reserve(static_cast<size_t>(NewCapacity));
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0 || NewCount > kMaxListSize) Error("List count out of bounds (%d)", NewCount);
  if (NewCount > capacity_) SetCapacity(NewCount);
  if (NewCount > Count())
    items_.resize(static_cast<size_t>(NewCount), nullptr);
  else
    for (int i = Count() - 1; i >= NewCount; --i) Delete(i);
}

int TList::Add(void* Item) {
  int result = Count();
  if (result == capacity_) Grow();
  items_.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return result;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
  if (Count() == capacity_) Grow();
  items_.insert(items_.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* item = items_[static_cast<size_t>(Index)];
  items_.erase(items_.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  int index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

int TList::IndexOf(void* Item) const {
  auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void* TList::Extract(void* Item) {
  int index = IndexOf(Item);
  if (index < 0) return nullptr;
  // Cleared first, so that Delete has nothing to announce as deleted.
  items_[static_cast<size_t>(index)] = nullptr;
  Delete(index);
  Notify(Item, lnExtracted);
  return Item;
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(items_[static_cast<size_t>(Index1)], items_[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  // A move is no deletion: the item is not notified.
  void* item = items_[static_cast<size_t>(CurIndex)];
  items_.erase(items_.begin() + CurIndex);
  items_.insert(items_.begin() + NewIndex, item);
}

void TList::Pack() {
  items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void TList::Sort(const TListSortCompare& Compare) {
  std::stable_sort(items_.begin(), items_.end(),
                   [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

TObjectList::~TObjectList() {
  Clear();
}

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (owns_objects_ && Action == lnDeleted) static_cast<TObject*>(Ptr)->Free();
  TList::Notify(Ptr, Action);
}

int TObjectList::FindInstanceOf(TClass AClass, bool AExact, int AStartAt) const {
  for (int i = std::max(AStartAt, 0); i < Count(); ++i) {
    TObject* o = Items(i);
    if (o && (AExact ? o->ClassType() == AClass : o->InheritsFrom(AClass))) return i;
  }
  return -1;
}
