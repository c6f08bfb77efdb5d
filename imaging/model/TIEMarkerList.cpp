#include "imaging/model/TIEMarkerList.h"

namespace {

std::vector<uint8_t> CopyOf(const void* Data, int32_t Length) {
  if (!Data || Length <= 0) return {};
  const auto* b = static_cast<const uint8_t*>(Data);
  return std::vector<uint8_t>(b, b + Length);
}

}  // namespace

int32_t TIEMarkerList::IndexOf(uint8_t Code) const {
  for (size_t i = 0; i < codes_.size(); ++i)
    if (codes_[i] == Code) return static_cast<int32_t>(i);
  return -1;
}

void TIEMarkerList::AddMarker(uint8_t Code, const void* Data, int32_t Length) {
  payloads_.push_back(CopyOf(Data, Length));
  codes_.push_back(Code);
}

void TIEMarkerList::SetMarker(int32_t Index, uint8_t Code, const void* Data, int32_t Length) {
  payloads_[Index] = CopyOf(Data, Length);
  codes_[Index] = Code;
}

void TIEMarkerList::DeleteMarker(int32_t Index) {
  payloads_.erase(payloads_.begin() + Index);
  codes_.erase(codes_.begin() + Index);
}

void TIEMarkerList::Clear() {
  payloads_.clear();
  codes_.clear();
}

void TIEMarkerList::Assign(const TIEMarkerList* Source) {
  if (!Source || Source == this) return;
  payloads_ = Source->payloads_;
  codes_ = Source->codes_;
}
