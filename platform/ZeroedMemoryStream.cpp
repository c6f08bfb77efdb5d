#include "platform/ZeroedMemoryStream.h"

#include <algorithm>
#include <cstring>

TZeroedMemoryStream::TZeroedMemoryStream(int64_t Size)
    : block_(static_cast<size_t>(std::max<int64_t>(Size, 0))) {
  SetPointer(block_.data(), static_cast<int64_t>(block_.size()));
}

TZeroedMemoryStream::~TZeroedMemoryStream() {
  // Only the written part: zeroing the rest would bring in every page of
  // the block just to clear what never held anything.
  if (written_ > 0) {
    std::memset(block_.data(), 0, static_cast<size_t>(written_));
    // Keeps the compiler from dropping the stores to memory about to go.
    asm volatile("" : : "r"(block_.data()) : "memory");
  }
}

int64_t TZeroedMemoryStream::Write(const void* Buffer, int64_t Count) {
  const int64_t n = TCustomMemoryStream::Write(Buffer, Count);
  written_ = std::max(written_, position_);
  return n;
}
