#include "imaging/model/TIEList.h"

#include <cstring>

void TIEList::SetCount(int32_t N) {
  if (N < 0) N = 0;
  // Items beyond the old count read as zero rather than as leftovers.
  data_.resize(static_cast<size_t>(int64_t{N} * item_size_), 0);
  count_ = N;
  changed_ = true;
}

int32_t TIEList::Add(const void* Item) {
  SetCount(count_ + 1);
  std::memcpy(GetItemAddress(count_ - 1), Item, static_cast<size_t>(item_size_));
  return count_ - 1;
}

void TIEList::Delete(int32_t Index) {
  if (Index < 0 || Index >= count_) return;
  auto first = data_.begin() + int64_t{Index} * item_size_;
  data_.erase(first, first + item_size_);
  --count_;
  changed_ = true;
}

void TIEList::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  count_ = 0;
  changed_ = false;
}

void TIEList::Assign(const TIEList* Source) {
  if (!Source) return;
  count_ = Source->count_;
  item_size_ = Source->item_size_;
  changed_ = Source->changed_;
  data_ = Source->data_;
}

void TIEIntegerList::Clear() {
  TIEList::Clear();
  item_size_ = 4;
  RangeMin = RangeMax = RangeStep = CurrentValue = 0;
}

void TIEIntegerList::Assign(const TIEList* Source) {
  TIEList::Assign(Source);
  if (auto* s = dynamic_cast<const TIEIntegerList*>(Source)) {
    RangeMin = s->RangeMin;
    RangeMax = s->RangeMax;
    RangeStep = s->RangeStep;
    CurrentValue = s->CurrentValue;
  }
}

void TIEDoubleList::Clear() {
  TIEList::Clear();
  item_size_ = 8;
  RangeMin = RangeMax = RangeStep = CurrentValue = 0;
}

void TIEDoubleList::Assign(const TIEList* Source) {
  TIEList::Assign(Source);
  if (auto* s = dynamic_cast<const TIEDoubleList*>(Source)) {
    RangeMin = s->RangeMin;
    RangeMax = s->RangeMax;
    RangeStep = s->RangeStep;
    CurrentValue = s->CurrentValue;
  }
}
