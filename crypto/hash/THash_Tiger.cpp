#include "crypto/hash/THash_Tiger.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/TigerTables.h"

HASH_DEFINE_CLASS(THash_Tiger, THash_MD4, 24)

void THash_Tiger::Reset() {
  std::memset(Buffer, 0, sizeof Buffer);
  if (rounds_ < 3 || rounds_ > 32) rounds_ = 3;
  Count = 0;
  std::memset(Digest, 0, sizeof Digest);
  StoreLE64(&Digest[0], 0x0123456789ABCDEFULL);
  StoreLE64(&Digest[2], 0xFEDCBA9876543210ULL);
  StoreLE64(&Digest[4], 0xF096A5B4C3B2E187ULL);
  THash::Reset();
}

void THash_Tiger::Finish() {
  // Tiger's padding byte is 0x01; the length is little-endian as in MD4.
  PadAndCompress(0x01, false);
  THash::Finish();
}

namespace {

const uint64_t* const t1 = TigerSBoxes[0];
const uint64_t* const t2 = TigerSBoxes[1];
const uint64_t* const t3 = TigerSBoxes[2];
const uint64_t* const t4 = TigerSBoxes[3];

inline unsigned B(uint64_t v, int n) {
  return static_cast<unsigned>(v >> (8 * n)) & 0xFF;
}

inline void Round(uint64_t& a, uint64_t& b, uint64_t& c, uint64_t x, uint64_t mul) {
  c ^= x;
  a -= t1[B(c, 0)] ^ t2[B(c, 2)] ^ t3[B(c, 4)] ^ t4[B(c, 6)];
  b += t4[B(c, 1)] ^ t3[B(c, 3)] ^ t2[B(c, 5)] ^ t1[B(c, 7)];
  b *= mul;
}

inline void Pass(uint64_t& a, uint64_t& b, uint64_t& c, const uint64_t* x, uint64_t mul) {
  Round(a, b, c, x[0], mul);
  Round(b, c, a, x[1], mul);
  Round(c, a, b, x[2], mul);
  Round(a, b, c, x[3], mul);
  Round(b, c, a, x[4], mul);
  Round(c, a, b, x[5], mul);
  Round(a, b, c, x[6], mul);
  Round(b, c, a, x[7], mul);
}

// The key schedule between passes (its right shifts are logical).
inline void KeySchedule(uint64_t* x) {
  x[0] -= x[7] ^ 0xA5A5A5A5A5A5A5A5ULL;
  x[1] ^= x[0];
  x[2] += x[1];
  x[3] -= x[2] ^ (~x[1] << 19);
  x[4] ^= x[3];
  x[5] += x[4];
  x[6] -= x[5] ^ (~x[4] >> 23);
  x[7] ^= x[6];
  x[0] += x[7];
  x[1] -= x[0] ^ (~x[7] << 19);
  x[2] ^= x[1];
  x[3] += x[2];
  x[4] -= x[3] ^ (~x[2] >> 23);
  x[5] ^= x[4];
  x[6] += x[5];
  x[7] -= x[6] ^ 0x0123456789ABCDEFULL;
}

}  // namespace

void THash_Tiger::CompressBlock(const void* Block) {
  uint64_t x[8];
  for (int i = 0; i < 8; ++i) x[i] = LoadLE64(static_cast<const uint8_t*>(Block) + 8 * i);
  uint64_t a = LoadLE64(&Digest[0]), b = LoadLE64(&Digest[2]), c = LoadLE64(&Digest[4]);
  const uint64_t aa = a, bb = b, cc = c;
  Pass(a, b, c, x, 5);
  KeySchedule(x);
  Pass(c, a, b, x, 7);
  KeySchedule(x);
  Pass(b, c, a, x, 9);
  // Further passes multiply by 9 too; the registers turn on by one each time.
  for (int pass = 3; pass < rounds_; ++pass) {
    KeySchedule(x);
    Pass(a, b, c, x, 9);
    const uint64_t t = a;
    a = c;
    c = b;
    b = t;
  }
  StoreLE64(&Digest[0], a ^ aa);
  StoreLE64(&Digest[2], b - bb);
  StoreLE64(&Digest[4], c + cc);
}
