#include "imaging/model/TIEByteArray.h"

#include <algorithm>

#include "rtl/TStream.h"

TIEByteArray::TIEByteArray() : data_(8192) {}

void TIEByteArray::SetSize(int64_t N) {
  if (N < 0) N = 0;
  const int64_t capacity = Capacity();
  if (N > size_) {
    if (N > capacity) {
      std::vector<uint8_t> block(static_cast<size_t>(N + grow_by_));
      std::copy_n(data_.begin(), size_, block.begin());
      data_.swap(block);
    }
    // Grown bytes read as zero, also where an earlier shrink left data.
    std::fill(data_.begin() + size_, data_.begin() + N, uint8_t{0});
  } else if (N < capacity - grow_by_) {
    std::vector<uint8_t> block(static_cast<size_t>(N + grow_by_));
    std::copy_n(data_.begin(), N, block.begin());
    data_.swap(block);
  }
  size_ = N;
}

void TIEByteArray::AppendByte(uint8_t B) {
  SetSize(size_ + 1);
  data_[static_cast<size_t>(size_ - 1)] = B;
}

int64_t TIEByteArray::AppendFromStream(TStream* Stream, int64_t Count) {
  if (Count <= 0) return 0;
  const int64_t old = size_;
  SetSize(old + Count);
  int64_t got = Stream->Read(data_.data() + old, Count);
  if (got < 0) got = 0;
  SetSize(old + got);
  return got;
}
