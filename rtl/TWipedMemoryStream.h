#pragma once
// A growable memory stream for plain image data: every block it gives back,
// when it grows, is cleared or is freed, is zeroed first, so no copy of the
// data stays behind in freed memory.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rtl/TStream.h"

class TWipedMemoryStream : public TCustomMemoryStream {
  RTL_CLASS(TWipedMemoryStream, TCustomMemoryStream)
 public:
  TWipedMemoryStream() = default;
  ~TWipedMemoryStream() override;
  TWipedMemoryStream(const TWipedMemoryStream&) = delete;
  TWipedMemoryStream& operator=(const TWipedMemoryStream&) = delete;

  // Zeroes and frees the data.
  void Clear();
  void SetSize(int64_t NewSize) override;
  int64_t Capacity() const { return static_cast<int64_t>(buffer_.size()); }

 protected:
  bool Reserve(int64_t NewSize) override;
  // Zeroes a block before it is given back.
  virtual void WipeBlock(uint8_t* Block, size_t Size);

 private:
  void Release();
  std::vector<uint8_t> buffer_;
};
