#include "platform/ZeroedMemory.h"

#include <sys/mman.h>

#include <cstdlib>

#include "rtl/Wipe.h"
#include <new>
#include <utility>

namespace {

// Below this a mapping costs more than clearing the block.
constexpr size_t kMapFrom = size_t{256} << 10;
// From here whole huge pages are worth asking for.
constexpr size_t kHugeFrom = size_t{4} << 20;

}  // namespace

TZeroedMemory::TZeroedMemory(size_t Size) {
  if (Size == 0) return;
  if (Size >= kMapFrom) {
    void* p = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    if (Size >= kHugeFrom) madvise(p, Size, MADV_HUGEPAGE);
#endif
    data_ = static_cast<uint8_t*>(p);
    mapped_ = true;
  } else {
    data_ = static_cast<uint8_t*>(std::calloc(Size, 1));
    if (!data_) throw std::bad_alloc();
  }
  size_ = Size;
}

TZeroedMemory::~TZeroedMemory() { clear(); }

TZeroedMemory::TZeroedMemory(TZeroedMemory&& Other) noexcept
    : data_(std::exchange(Other.data_, nullptr)),
      size_(std::exchange(Other.size_, 0)),
      mapped_(std::exchange(Other.mapped_, false)) {}

TZeroedMemory& TZeroedMemory::operator=(TZeroedMemory&& Other) noexcept {
  if (this != &Other) {
    clear();
    data_ = std::exchange(Other.data_, nullptr);
    size_ = std::exchange(Other.size_, 0);
    mapped_ = std::exchange(Other.mapped_, false);
  }
  return *this;
}

void TZeroedMemory::clear() {
  if (data_) {
    if (mapped_) {
      // The pages go back to the system: nothing of them stays readable.
      munmap(data_, size_);
    } else {
      // A heap block would keep the pixels for whoever is given it next.
      WipeMemory(data_, size_);
      std::free(data_);
    }
  }
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}
