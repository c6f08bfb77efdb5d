// Growable lists of fixed-size values shared by the imaging library.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"

class TIEList : public TObject {
 public:
  TIEList() = default;
  int32_t Count() const { return count_; }
  int32_t ItemSize() const { return item_size_; }
  bool Changed() const { return changed_; }
  void SetChanged(bool Value) { changed_ = Value; }

  // Resizes to N items; new items are zero.
  virtual void SetCount(int32_t N);
  // Appends a copy of ItemSize bytes at Item; returns its index.
  int32_t Add(const void* Item);
  void* GetItemAddress(int32_t Index) { return data_.data() + int64_t{Index} * item_size_; }
  const void* GetItemAddress(int32_t Index) const {
    return data_.data() + int64_t{Index} * item_size_;
  }
  // Ignored outside 0..Count-1.
  virtual void Delete(int32_t Index);
  virtual void Clear();
  virtual void Assign(const TIEList* Source);

 protected:
  explicit TIEList(int32_t ItemSize) : item_size_(ItemSize) {}
  std::vector<uint8_t> data_;
  int32_t count_ = 0;
  int32_t item_size_ = 0;
  bool changed_ = false;
};

// 32-bit integers, with a range and a current value kept for the list's owner.
class TIEIntegerList : public TIEList {
 public:
  TIEIntegerList() : TIEList(4) {}
  int32_t operator[](int32_t Index) const { return static_cast<const int32_t*>(GetItemAddress(Index))[0]; }
  int32_t& operator[](int32_t Index) { return static_cast<int32_t*>(GetItemAddress(Index))[0]; }
  int32_t AddValue(int32_t Value) { return Add(&Value); }
  void Clear() override;
  void Assign(const TIEList* Source) override;
  int32_t RangeMin = 0, RangeMax = 0, RangeStep = 0, CurrentValue = 0;
};

// Doubles, with a range and a current value kept for the list's owner.
class TIEDoubleList : public TIEList {
 public:
  TIEDoubleList() : TIEList(8) {}
  double operator[](int32_t Index) const { return static_cast<const double*>(GetItemAddress(Index))[0]; }
  double& operator[](int32_t Index) { return static_cast<double*>(GetItemAddress(Index))[0]; }
  int32_t AddValue(double Value) { return Add(&Value); }
  void Clear() override;
  void Assign(const TIEList* Source) override;
  double RangeMin = 0, RangeMax = 0, RangeStep = 0, CurrentValue = 0;
};

// Records of any fixed size.
class TIERecordList : public TIEList {
 public:
  explicit TIERecordList(int32_t ItemSize) : TIEList(ItemSize) {}
  void* GetItem(int32_t Index) { return GetItemAddress(Index); }
  int32_t AddItem(const void* Item) { return Add(Item); }
};
