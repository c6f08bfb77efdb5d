#pragma once
// A block of memory that comes zeroed from the system: large blocks are
// fresh anonymous mappings (huge pages where the system offers them), so
// nothing is written to clear them and a page costs only when first used.
// Released, a mapping goes back to the system and a small heap block is
// wiped first: no pixels stay behind in freed memory.

#include <cstddef>
#include <cstdint>

class TZeroedMemory {
 public:
  TZeroedMemory() = default;
  // Throws std::bad_alloc when the system has no room.
  explicit TZeroedMemory(size_t Size);
  ~TZeroedMemory();
  TZeroedMemory(TZeroedMemory&& Other) noexcept;
  TZeroedMemory& operator=(TZeroedMemory&& Other) noexcept;
  TZeroedMemory(const TZeroedMemory&) = delete;
  TZeroedMemory& operator=(const TZeroedMemory&) = delete;

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear();

 private:
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;
};
