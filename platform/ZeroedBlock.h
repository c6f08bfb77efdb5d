#pragma once
// The memory TZeroedMemory holds (platform/ZeroedMemory.h), for an owner
// that keeps a block's address and size itself: zeroed by the system, not
// written to clear it; from a few megabytes on, aligned to huge pages and
// asking for them (except under the address sanitizer, whose allocator
// bounds every block). Release must be given the size Allocate was.

#include <cstddef>
#include <cstdint>

// Throws std::bad_alloc when the system has no room.
uint8_t* AllocateZeroedBlock(size_t Size);
void ReleaseZeroedBlock(uint8_t* Block, size_t Size);

// Whether blocks of several megabytes are mapped on huge page boundaries:
// false under the address sanitizer.
bool ZeroedBlocksAreHugePageAligned();
