// TIEIPTCInfoList: IPTC-IIM datasets (record number, dataset number, bytes),
// loaded from a JPEG APP13 payload or a TIFF IPTC tag and serialised back,
// with or without the Photoshop resource header.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"

class TIEIPTCInfoList : public TObject {
 public:
  TIEIPTCInfoList() = default;

  int32_t GetCount() const { return static_cast<int32_t>(items_.size()); }
  int32_t GetRecordNumber(int32_t Index) const { return items_[Index].record; }
  int32_t GetDataSet(int32_t Index) const { return items_[Index].dataset; }
  int32_t GetItemLength(int32_t Index) const { return static_cast<int32_t>(items_[Index].data.size()); }
  const uint8_t* GetItemData(int32_t Index) const { return items_[Index].data.data(); }

  // Appends a copy; returns the new index.
  int32_t AddItem(int32_t Record, int32_t DataSet, const void* Buffer, int32_t Length);
  void Clear();
  void Assign(const TIEIPTCInfoList* Source);

  // Changed by the user since the last load from a non-empty buffer: the
  // JPEG save then rebuilds its APP13 marker.
  bool UserChanged() const { return user_changed_; }

  // The serialised block (empty for an empty list). Record 2 dataset 0 and
  // empty items are never written.
  std::vector<uint8_t> SaveToBuffer(bool WithPhotoshopHeader) const;
  // Replaces the content by the datasets found in Buffer; a malformed block
  // ends parsing, keeping what came before.
  void LoadFromBuffer(const void* Buffer, int64_t Length);

 private:
  struct Item {
    int32_t record;
    int32_t dataset;
    std::vector<uint8_t> data;
  };
  std::vector<Item> items_;
  bool user_changed_ = false;
};
