#include "rtl/TCollection.h"

#include <algorithm>

#include "rtl/Exception.h"
#include "rtl/TypInfo.h"

RTL_DEFINE_CLASS(TCollectionItem, TPersistent)
RTL_DEFINE_CLASS(TCollection, TPersistent)

// ---- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* Collection) {
  SetCollection(Collection);
}

TCollectionItem::~TCollectionItem() {
  SetCollection(nullptr);
}

void TCollectionItem::BeforeDestruction() {
  SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (collection_ == Value) return;
  if (collection_) collection_->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  int current = Index();
  if (current < 0 || current == Value) return;
  auto& items = collection_->items_;
  if (Value < 0 || Value >= static_cast<int>(items.size()))
    throw EListError("List index out of bounds (" + std::to_string(Value) + ")");
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

void TCollectionItem::Changed(bool AllItems) {
  if (collection_ && collection_->update_count_ == 0)
    collection_->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() {
  return collection_;
}

std::string TCollectionItem::GetNamePath() {
  if (!collection_) return ClassName();
  return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

// ---- TCollection

TCollection::TCollection(TClass ItemClass, TPersistent* Owner)
    : item_class_(ItemClass), owner_(Owner) {}

TCollection::~TCollection() {
  // No notices while the collection goes.
  update_count_ = 1;
  Clear();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return items_[static_cast<size_t>(Index)];
}

void TCollection::SetItems(int Index, TCollectionItem* Value) {
  Items(Index)->Assign(Value);
}

TCollectionItem* TCollection::Add() {
  TObject* made = item_class_ && item_class_->Factory ? item_class_->Factory(nullptr) : nullptr;
  auto* item = dynamic_cast<TCollectionItem*>(made);
  if (!item) {
    if (made) made->Free();
    throw EInvalidOperation("Cannot create an item of " +
                            std::string(item_class_ ? item_class_->Name : "nil"));
  }
  // Inserted once whole, so that Notify and Update see a complete item.
  item->SetCollection(this);
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  item->Free();
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  try {
    while (!items_.empty()) items_.back()->Free();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == ID) return item;
  return nullptr;
}

void TCollection::BeginUpdate() {
  ++update_count_;
}

void TCollection::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  Changed();
}

void TCollection::Changed() {
  if (update_count_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  if (!Item->InheritsFrom(item_class_)) throw EInvalidOperation("Invalid property value");
  items_.push_back(Item);
  Item->collection_ = this;
  Item->id_ = next_id_++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  auto it = std::find(items_.begin(), items_.end(), Item);
  if (it != items_.end()) items_.erase(it);
  Item->collection_ = nullptr;
  Changed();
}

void TCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : source->items_) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TCollection::PropName() {
  TPersistent* owner = GetOwner();
  if (!owner) return {};
  for (const TPropInfo* p : GetPropList(owner->ClassType(), TTypeKinds{tkClass}, false))
    if (p->Readable() && p->Get(owner).AsObject() == this) return p->Name;
  return {};
}

std::string TCollection::GetNamePath() {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  std::string path = owner->GetNamePath();
  if (path.empty()) return ClassName();
  std::string prop = PropName();
  if (prop.empty()) return ClassName();
  return path + "." + prop;
}
