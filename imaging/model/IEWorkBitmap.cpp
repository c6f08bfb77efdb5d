#include "imaging/model/IEWorkBitmap.h"

#include <array>
#include <cmath>

#include "imaging/model/IEBitRoutines.h"
#include "rtl/Numeric.h"

TIEWorkBitmap::TIEWorkBitmap(int32_t Width, int32_t Height, int32_t BitCount) {
  if (Width > 0 && Height > 0) Allocate(Width, Height, BitCount);
}

void TIEWorkBitmap::Allocate(int32_t Width, int32_t Height, int32_t BitCount) {
  if (Width == width_ && Height == height_ && BitCount == bit_count_) return;
  FreeBits();
  if (Width <= 0 || Height <= 0 || BitCount <= 0) return;
  width_ = Width;
  height_ = Height;
  bit_count_ = BitCount;
  row_len_ = AlignedRowLength(Width, BitCount, 32);
  bits_.assign(static_cast<size_t>(row_len_ * Height), 0);
}

void TIEWorkBitmap::FreeBits() {
  bits_.clear();
  bits_.shrink_to_fit();
  width_ = height_ = bit_count_ = 0;
  row_len_ = 0;
}

const int32_t* IECosineTable() {
  static const std::array<int32_t, 256> table = [] {
    std::array<int32_t, 256> t{};
    for (int i = 0; i < 256; ++i)
      t[static_cast<size_t>(i)] = static_cast<int32_t>(Round(64 - std::cos(i * M_PI / 255) * 64));
    return t;
  }();
  return table.data();
}
