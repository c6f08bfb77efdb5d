#include "crypto/hash/THash_Snefru.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/SnefruTables.h"

HASH_DEFINE_CLASS(THash_Snefru, THash, 32)

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "digest words are their little-endian bytes");

void snefru::Compress(uint32_t* Chain, const uint32_t* Block, int Passes) {
  static constexpr int kShifts[4] = {16, 8, 16, 24};
  uint32_t b[16];
  std::memcpy(b, Chain, 8 * sizeof(uint32_t));
  std::memcpy(b + 8, Block, 8 * sizeof(uint32_t));
  uint32_t input[16];
  std::memcpy(input, b, sizeof b);
  for (int p = 0; p < Passes; ++p) {
    const uint32_t* s0 = SnefruSBoxes[(2 * p) % 16];
    const uint32_t* s1 = SnefruSBoxes[(2 * p + 1) % 16];
    for (int shift : kShifts) {
#pragma GCC unroll 16
      for (int i = 0; i < 16; ++i) {
        const uint32_t v = (((i >> 1) & 1) ? s1 : s0)[b[i] & 0xFF];
        b[(i + 1) & 15] ^= v;
        b[(i - 1) & 15] ^= v;
      }
      for (uint32_t& w : b) w = RotateRight32(w, shift);
    }
  }
  for (int i = 0; i < 8; ++i) Chain[i] = input[i] ^ b[15 - i];
}

void THash_Snefru::Reset() {
  std::memset(Digest, 0, sizeof Digest);
  std::memset(Buffer, 0, sizeof Buffer);
  passes_ = 8;
  Count = 0;
  THash::Reset();
}

void THash_Snefru::Compress(const uint8_t* Block) {
  uint32_t m[8];
  for (int i = 0; i < 8; ++i) m[i] = LoadLE32(Block + 4 * i);
  snefru::Compress(Digest, m, passes_);
}

void THash_Snefru::Update(const void* Data, int64_t Size) {
  if (Size <= 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  const int64_t r = static_cast<int64_t>(Count % 32);
  Count += static_cast<uint64_t>(Size);
  if (r > 0) {
    if (Size < 32 - r) {
      std::memcpy(Buffer + r, p, static_cast<size_t>(Size));
      return;
    }
    std::memcpy(Buffer + r, p, static_cast<size_t>(32 - r));
    Compress(Buffer);
    p += 32 - r;
    Size -= 32 - r;
  }
  for (; Size >= 32; Size -= 32, p += 32) Compress(p);
  if (Size > 0) std::memcpy(Buffer, p, static_cast<size_t>(Size));
}

void THash_Snefru::Finish() {
  const int r = static_cast<int>(Count % 32);
  std::memset(Buffer + r, 0, static_cast<size_t>(32 - r));
  // The length goes into the data's own last block when that has room.
  if (r > 23) {
    Compress(Buffer);
    std::memset(Buffer, 0, sizeof Buffer);
  }
  StoreLE64(Buffer + 24, Count * 8);
  Compress(Buffer);
  std::memset(Buffer, 0, sizeof Buffer);
  THash::Finish();
}

uint8_t* THash_Snefru::GetDigest() {
  return reinterpret_cast<uint8_t*>(Digest);
}
