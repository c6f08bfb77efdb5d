// TIEMarkerList: the application markers of a JPEG file (APPn, COM) kept as
// opaque payloads with their marker code, in file order. The JPEG reader
// fills it, the JPEG writer writes every entry back.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"

class TIEMarkerList : public TObject {
 public:
  TIEMarkerList() = default;

  int32_t GetCount() const { return static_cast<int32_t>(codes_.size()); }
  // The second byte of the marker (0xE1 for APP1).
  uint8_t GetMarkerType(int32_t Index) const { return codes_[Index]; }
  int32_t GetMarkerLength(int32_t Index) const {
    return static_cast<int32_t>(payloads_[Index].size());
  }
  // Valid until the entry is replaced or deleted.
  const uint8_t* GetMarkerData(int32_t Index) const { return payloads_[Index].data(); }
  // First index whose code equals Code, -1 when none.
  int32_t IndexOf(uint8_t Code) const;
  void AddMarker(uint8_t Code, const void* Data, int32_t Length);
  void SetMarker(int32_t Index, uint8_t Code, const void* Data, int32_t Length);
  void DeleteMarker(int32_t Index);
  void Clear();
  // Nothing when Source is null; else a copy of Source's entries.
  void Assign(const TIEMarkerList* Source);

 private:
  std::vector<std::vector<uint8_t>> payloads_;
  std::vector<uint8_t> codes_;
};
