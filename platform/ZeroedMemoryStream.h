#pragma once
// A stream over a fixed block of zeroed memory from the system. Its pages
// cost only when written, so a large block filled a piece at a time costs
// what has been filled so far: a fill given up halfway spent no more. What
// was written is zeroed before the block goes back, since it may hold
// decrypted data.

#include <cstdint>

#include "platform/ZeroedMemory.h"
#include "rtl/TStream.h"

class TZeroedMemoryStream : public TCustomMemoryStream {
 public:
  // Size bytes, all zero; the size is fixed. Throws std::bad_alloc when the
  // system has no room for the block.
  explicit TZeroedMemoryStream(int64_t Size);
  ~TZeroedMemoryStream() override;
  TZeroedMemoryStream(const TZeroedMemoryStream&) = delete;
  TZeroedMemoryStream& operator=(const TZeroedMemoryStream&) = delete;

  // Writes within the block; what would pass its end is not written.
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Bytes from the start up to the furthest end of a write.
  int64_t WrittenBytes() const { return written_; }

 private:
  TZeroedMemory block_;
  int64_t written_ = 0;
};
