#include "imaging/model/TIEIPTCInfoList.h"

namespace {

void PutBE16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void PutBE32(std::vector<uint8_t>& out, uint32_t v) {
  PutBE16(out, v >> 16);
  PutBE16(out, v & 0xFFFF);
}

// Dataset tag byte of the IPTC-IIM envelope.
constexpr uint8_t kTagMarker = 0x1C;

}  // namespace

int32_t TIEIPTCInfoList::AddItem(int32_t Record, int32_t DataSet, const void* Buffer,
                                 int32_t Length) {
  Item it{Record, DataSet, {}};
  if (Buffer && Length > 0) {
    const auto* b = static_cast<const uint8_t*>(Buffer);
    it.data.assign(b, b + Length);
  }
  items_.push_back(std::move(it));
  user_changed_ = true;
  return GetCount() - 1;
}

void TIEIPTCInfoList::Clear() {
  items_.clear();
  user_changed_ = true;
}

void TIEIPTCInfoList::Assign(const TIEIPTCInfoList* Source) {
  if (!Source) return;
  if (Source != this) items_ = Source->items_;
  user_changed_ = true;
}

std::vector<uint8_t> TIEIPTCInfoList::SaveToBuffer(bool WithPhotoshopHeader) const {
  std::vector<uint8_t> out;
  if (items_.empty()) return out;
  if (WithPhotoshopHeader) {
    static const char kHeader[] = "Photoshop 3.0";
    out.insert(out.end(), kHeader, kHeader + 13);
    out.push_back(0);
    out.insert(out.end(), {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 0});
  } else {
    // The record-version dataset: record 2, dataset 0, length 2, value 2.
    out.insert(out.end(), {kTagMarker, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02});
  }
  uint32_t sum = 0;
  for (const Item& it : items_) {
    if ((it.record == 2 && it.dataset == 0) || it.data.empty()) continue;
    const size_t n = it.data.size();
    out.push_back(kTagMarker);
    out.push_back(static_cast<uint8_t>(it.record));
    out.push_back(static_cast<uint8_t>(it.dataset));
    if (n <= 32767) {
      PutBE16(out, static_cast<uint32_t>(n));
      sum += 5;
    } else {
      // Extended length: top bit set, then the count of length bytes (4).
      out.push_back(0x80);
      out.push_back(0x04);
      PutBE32(out, static_cast<uint32_t>(n));
      sum += 9;
    }
    out.insert(out.end(), it.data.begin(), it.data.end());
    sum += static_cast<uint32_t>(n);
  }
  if (out.size() % 2) out.push_back(0);
  if (WithPhotoshopHeader) {
    out[22] = static_cast<uint8_t>(sum >> 24);
    out[23] = static_cast<uint8_t>(sum >> 16);
    out[24] = static_cast<uint8_t>(sum >> 8);
    out[25] = static_cast<uint8_t>(sum);
  }
  return out;
}

void TIEIPTCInfoList::LoadFromBuffer(const void* Buffer, int64_t Length) {
  Clear();
  if (!Buffer || Length <= 0) return;
  const auto* b = static_cast<const uint8_t*>(Buffer);
  int64_t i = 0;
  // Whatever precedes the first dataset (a resource header) is passed over.
  while (i < Length && b[i] != kTagMarker) ++i;
  while (i < Length) {
    if (b[i] != kTagMarker || i + 5 >= Length) break;
    const int32_t record = b[i + 1], dataset = b[i + 2];
    int64_t n, start;
    if (b[i + 3] & 0x80) {
      if (i + 9 > Length) break;
      n = int64_t{b[i + 5]} << 24 | int64_t{b[i + 6]} << 16 | int64_t{b[i + 7]} << 8 | b[i + 8];
      start = i + 9;
    } else {
      n = int64_t{b[i + 3]} << 8 | b[i + 4];
      start = i + 5;
    }
    if (start + n > Length) break;
    Item it{record, dataset, std::vector<uint8_t>(b + start, b + start + n)};
    items_.push_back(std::move(it));
    i = start + n;
  }
  user_changed_ = false;
}
