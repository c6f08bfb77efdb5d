#include "crypto/hash/THash_MD4.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

HASH_DEFINE_CLASS(THash_MD4, THash, 16)

// GetDigest hands out the chaining words themselves as the digest bytes.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "digest words are their little-endian bytes");

namespace {

// The initial values of RIPEMD-320; shorter states use the leading words.
constexpr uint32_t kInitialDigest[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                         0xC3D2E1F0, 0x76543210, 0xFEDCBA98, 0x89ABCDEF,
                                         0x01234567, 0x3C2D1E0F};

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) {
  return z ^ (x & (y ^ z));
}
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) {
  return (x & y) | (z & (x | y));
}
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) {
  return x ^ y ^ z;
}

}  // namespace

void THash_MD4::Reset() {
  std::memset(Buffer, 0, sizeof Buffer);
  std::memcpy(Digest, kInitialDigest, sizeof Digest);
  Count = 0;
  THash::Reset();
}

void THash_MD4::Update(const void* Data, int64_t Size) {
  if (Size <= 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  const int64_t r = static_cast<int64_t>(Count % 64);
  Count += static_cast<uint64_t>(Size);
  if (r > 0) {
    if (Size < 64 - r) {
      std::memcpy(Buffer + r, p, static_cast<size_t>(Size));
      return;
    }
    std::memcpy(Buffer + r, p, static_cast<size_t>(64 - r));
    CompressBlock(Buffer);
    p += 64 - r;
    Size -= 64 - r;
  }
  for (; Size >= 64; Size -= 64, p += 64) CompressBlock(p);
  if (Size > 0) std::memcpy(Buffer, p, static_cast<size_t>(Size));
}

void THash_MD4::PadAndCompress(uint8_t PadByte, bool BigEndianLength) {
  const int r = static_cast<int>(Count % 64);
  Buffer[r] = PadByte;
  std::memset(Buffer + r + 1, 0, static_cast<size_t>(63 - r));
  if (r + 1 > 56) {
    CompressBlock(Buffer);
    std::memset(Buffer, 0, sizeof Buffer);
  }
  // The counter is 64 bits wide, so the length is exact for any message.
  const uint64_t bits = Count * 8;
  if (BigEndianLength)
    StoreBE64(Buffer + 56, bits);
  else
    StoreLE64(Buffer + 56, bits);
  CompressBlock(Buffer);
  std::memset(Buffer, 0, sizeof Buffer);
}

void THash_MD4::Finish() {
  PadAndCompress(0x80, false);
  THash::Finish();
}

uint8_t* THash_MD4::GetDigest() {
  return reinterpret_cast<uint8_t*>(Digest);
}

void THash_MD4::CompressBlock(const void* Block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLE32(static_cast<const uint8_t*>(Block) + 4 * i);
  uint32_t a = Digest[0], b = Digest[1], c = Digest[2], d = Digest[3];

// clang-format off
#define R1(a, b, c, d, k, s) a = RotateLeft32(a + F(b, c, d) + x[k], s)
#define R2(a, b, c, d, k, s) a = RotateLeft32(a + G(b, c, d) + x[k] + 0x5A827999, s)
#define R3(a, b, c, d, k, s) a = RotateLeft32(a + H(b, c, d) + x[k] + 0x6ED9EBA1, s)
  R1(a, b, c, d, 0, 3);  R1(d, a, b, c, 1, 7);  R1(c, d, a, b, 2, 11);  R1(b, c, d, a, 3, 19);
  R1(a, b, c, d, 4, 3);  R1(d, a, b, c, 5, 7);  R1(c, d, a, b, 6, 11);  R1(b, c, d, a, 7, 19);
  R1(a, b, c, d, 8, 3);  R1(d, a, b, c, 9, 7);  R1(c, d, a, b, 10, 11); R1(b, c, d, a, 11, 19);
  R1(a, b, c, d, 12, 3); R1(d, a, b, c, 13, 7); R1(c, d, a, b, 14, 11); R1(b, c, d, a, 15, 19);

  R2(a, b, c, d, 0, 3);  R2(d, a, b, c, 4, 5);  R2(c, d, a, b, 8, 9);   R2(b, c, d, a, 12, 13);
  R2(a, b, c, d, 1, 3);  R2(d, a, b, c, 5, 5);  R2(c, d, a, b, 9, 9);   R2(b, c, d, a, 13, 13);
  R2(a, b, c, d, 2, 3);  R2(d, a, b, c, 6, 5);  R2(c, d, a, b, 10, 9);  R2(b, c, d, a, 14, 13);
  R2(a, b, c, d, 3, 3);  R2(d, a, b, c, 7, 5);  R2(c, d, a, b, 11, 9);  R2(b, c, d, a, 15, 13);

  R3(a, b, c, d, 0, 3);  R3(d, a, b, c, 8, 9);  R3(c, d, a, b, 4, 11);  R3(b, c, d, a, 12, 15);
  R3(a, b, c, d, 2, 3);  R3(d, a, b, c, 10, 9); R3(c, d, a, b, 6, 11);  R3(b, c, d, a, 14, 15);
  R3(a, b, c, d, 1, 3);  R3(d, a, b, c, 9, 9);  R3(c, d, a, b, 5, 11);  R3(b, c, d, a, 13, 15);
  R3(a, b, c, d, 3, 3);  R3(d, a, b, c, 11, 9); R3(c, d, a, b, 7, 11);  R3(b, c, d, a, 15, 15);
// clang-format on
#undef R1
#undef R2
#undef R3

  Digest[0] += a;
  Digest[1] += b;
  Digest[2] += c;
  Digest[3] += d;
}
