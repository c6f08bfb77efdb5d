#include "rtl/TWipedMemoryStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "rtl/Exception.h"

RTL_DEFINE_CLASS(TWipedMemoryStream, TCustomMemoryStream)

TWipedMemoryStream::~TWipedMemoryStream() { Release(); }

void TWipedMemoryStream::WipeBlock(uint8_t* Block, size_t Size) {
  if (!Block || Size == 0) return;
  std::memset(Block, 0, Size);
  // Keeps the compiler from dropping the stores to memory about to be freed.
  asm volatile("" : : "r"(Block) : "memory");
}

void TWipedMemoryStream::Release() {
  WipeBlock(buffer_.data(), buffer_.size());
  std::vector<uint8_t>().swap(buffer_);
  SetPointer(nullptr, 0);
}

void TWipedMemoryStream::Clear() {
  Release();
  position_ = 0;
}

bool TWipedMemoryStream::Reserve(int64_t NewSize) {
  if (NewSize > Capacity()) {
    std::vector<uint8_t> grown;
    try {
      // Grow by a quarter at least, so that a run of small writes stays linear.
      const int64_t want = std::max<int64_t>(NewSize, Capacity() * 5 / 4);
      grown.resize(static_cast<size_t>((want + 0xFFF) & ~int64_t{0xFFF}));
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory("Out of memory while expanding memory stream");
    } catch (const std::length_error&) {
      throw EOutOfMemory("Out of memory while expanding memory stream");
    }
    if (size_ > 0) std::memcpy(grown.data(), buffer_.data(), static_cast<size_t>(size_));
    WipeBlock(buffer_.data(), buffer_.size());
    buffer_.swap(grown);
  }
  SetPointer(buffer_.data(), std::max(size_, NewSize));
  return true;
}

void TWipedMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  const int64_t old = size_;
  if (NewSize > old) {
    Reserve(NewSize);
    // Bytes beyond the old end read as zero, also after an earlier shrink.
    std::memset(buffer_.data() + old, 0, static_cast<size_t>(NewSize - old));
  } else {
    // Bytes cut off are zeroed at once.
    if (NewSize < old) WipeBlock(buffer_.data() + NewSize, static_cast<size_t>(old - NewSize));
    SetPointer(buffer_.data(), NewSize);
  }
  if (position_ > NewSize) position_ = NewSize;
}
