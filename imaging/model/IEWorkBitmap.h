// TIEWorkBitmap: a plain scratch pixel buffer, rows bottom-up; and the
// cosine table of the blend operations.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"

class TIEWorkBitmap : public TObject {
 public:
  TIEWorkBitmap() = default;
  TIEWorkBitmap(int32_t Width, int32_t Height, int32_t BitCount);
  // Nothing when all three are unchanged; contents are zero after a change.
  void Allocate(int32_t Width, int32_t Height, int32_t BitCount);
  void FreeBits();
  uint8_t* GetScanline(int32_t y) { return bits_.data() + row_len_ * (int64_t{height_} - y - 1); }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitCount() const { return bit_count_; }
  int64_t RowLen() const { return row_len_; }

 private:
  int32_t width_ = 0, height_ = 0, bit_count_ = 0;
  int64_t row_len_ = 0;
  std::vector<uint8_t> bits_;
};

// T[i] = Round(64 - cos(i * pi / 255) * 64), i = 0..255.
const int32_t* IECosineTable();
