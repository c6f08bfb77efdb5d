#include "platform/ZeroedMemory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>
#include <utility>

#include "platform/ZeroedBlock.h"
#include "rtl/Wipe.h"

namespace {

// Under the address sanitizer every block comes from its allocator, which
// bounds it: a reader writing past a picture's pixels is caught there, where
// a mapping of whole pages would let it go unseen.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Below this a mapping costs more than clearing the block.
constexpr size_t kMapFrom = size_t{256} << 10;
// From here whole huge pages are worth asking for.
constexpr size_t kHugeFrom = size_t{4} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
// Under the sanitizer a block from its allocator costs an eighth of its size
// again in shadow memory, written in full when the block is freed: a block
// sized for a file of gigabytes (the decrypt road's) is mapped there too.
constexpr size_t kSanitizedMapFrom = size_t{1} << 30;

// Whether a block of Size bytes is a mapping of its own.
bool Mapped(size_t Size) { return kSanitized ? Size >= kSanitizedMapFrom : Size >= kMapFrom; }

// A mapping of Size bytes starting on a huge page boundary: a larger one is
// taken and its unaligned ends given back, since the system only backs
// aligned 2 MB spans with huge pages.
void* MapAligned(size_t Size) {
  const size_t span = Size + kHugePage;
  void* p = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  const size_t page = 4096;
  const uintptr_t end = (aligned + Size + page - 1) & ~uintptr_t(page - 1);
  if (aligned > start) munmap(p, aligned - start);
  if (start + span > end) munmap(reinterpret_cast<void*>(end), start + span - end);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(aligned), end - aligned, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void*>(aligned);
}

// Wipes a heap block. The whole pages inside a large one are handed back
// rather than written: they read as zeros from then on, and pages the block
// never touched are not brought in just to be cleared (a block sized for a
// file of gigabytes may hold a few kilobytes).
void WipeHeapBlock(uint8_t* Block, size_t Size) {
  const auto begin = reinterpret_cast<uintptr_t>(Block);
  const uintptr_t end = begin + Size;
  const uintptr_t page = 4096;
  const uintptr_t inner_begin = (begin + page - 1) & ~(page - 1);
  const uintptr_t inner_end = end & ~(page - 1);
  if (Size < kMapFrom || inner_end <= inner_begin ||
      madvise(reinterpret_cast<void*>(inner_begin), inner_end - inner_begin, MADV_DONTNEED) != 0) {
    WipeMemory(Block, Size);
    return;
  }
  WipeMemory(Block, inner_begin - begin);
  WipeMemory(reinterpret_cast<void*>(inner_end), end - inner_end);
}

}  // namespace

uint8_t* AllocateZeroedBlock(size_t Size) {
  if (Size == 0) return nullptr;
  void* p = nullptr;
  if (kSanitized && !Mapped(Size)) {
    p = std::calloc(Size, 1);
  } else if (Size >= kHugeFrom) {
    p = MapAligned(Size);
  } else if (Size >= kMapFrom) {
    p = mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) p = nullptr;
  } else {
    p = std::calloc(Size, 1);
  }
  if (!p) throw std::bad_alloc();
  return static_cast<uint8_t*>(p);
}

void ReleaseZeroedBlock(uint8_t* Block, size_t Size) {
  if (!Block) return;
  if (Mapped(Size)) {
    // The pages go back to the system: nothing of them stays readable.
    munmap(Block, Size);
  } else {
    // A heap block would keep the pixels (of a decrypted picture, perhaps)
    // for whoever is given it next.
    WipeHeapBlock(Block, Size);
    std::free(Block);
  }
}

bool ZeroedBlocksAreHugePageAligned() { return !kSanitized; }

TZeroedMemory::TZeroedMemory(size_t Size)
    : data_(AllocateZeroedBlock(Size)), size_(Size), mapped_(Mapped(Size)) {}

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
  ReleaseZeroedBlock(data_, size_);
  data_ = nullptr;
  size_ = 0;
  mapped_ = false;
}
