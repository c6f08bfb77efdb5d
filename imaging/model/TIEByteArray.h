// A growable byte buffer that grows and shrinks in steps of GrowBy.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"

class TStream;

class TIEByteArray : public TObject {
 public:
  TIEByteArray();
  int64_t Size() const { return size_; }
  int64_t Capacity() const { return static_cast<int64_t>(data_.size()); }
  int64_t GrowBy() const { return grow_by_; }
  uint8_t* Data() { return data_.data(); }
  const uint8_t* Data() const { return data_.data(); }

  void SetSize(int64_t N);
  void AppendByte(uint8_t B);
  // Appends up to Count bytes read from Stream; returns how many arrived.
  int64_t AppendFromStream(TStream* Stream, int64_t Count);

 private:
  std::vector<uint8_t> data_;
  int64_t size_ = 0;
  int64_t grow_by_ = 8192;
};
