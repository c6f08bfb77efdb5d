#include "crypto/hash/THash_RipeMD320.h"

#include <utility>

#include "crypto/hash/RipeMDSteps.h"

HASH_DEFINE_CLASS(THash_RipeMD320, THash_MD4, 40)

void THash_RipeMD320::CompressBlock(const void* Block) {
  using namespace ripemd;
  uint32_t x[16];
  LoadBlock(Block, x);
  uint32_t a = Digest[0], b = Digest[1], c = Digest[2], d = Digest[3], e = Digest[4];
  uint32_t a2 = Digest[5], b2 = Digest[6], c2 = Digest[7], d2 = Digest[8], e2 = Digest[9];
  // After each round the lines exchange one register: b, d, a, c, e.
  Round5<0, 0, false>(a, b, c, d, e, x, KL[0]);
  Round5<0, 4, true>(a2, b2, c2, d2, e2, x, KR5[0]);
  std::swap(b, b2);
  Round5<1, 1, false>(a, b, c, d, e, x, KL[1]);
  Round5<1, 3, true>(a2, b2, c2, d2, e2, x, KR5[1]);
  std::swap(d, d2);
  Round5<2, 2, false>(a, b, c, d, e, x, KL[2]);
  Round5<2, 2, true>(a2, b2, c2, d2, e2, x, KR5[2]);
  std::swap(a, a2);
  Round5<3, 3, false>(a, b, c, d, e, x, KL[3]);
  Round5<3, 1, true>(a2, b2, c2, d2, e2, x, KR5[3]);
  std::swap(c, c2);
  Round5<4, 4, false>(a, b, c, d, e, x, KL[4]);
  Round5<4, 0, true>(a2, b2, c2, d2, e2, x, KR5[4]);
  std::swap(e, e2);
  Digest[0] += a;
  Digest[1] += b;
  Digest[2] += c;
  Digest[3] += d;
  Digest[4] += e;
  Digest[5] += a2;
  Digest[6] += b2;
  Digest[7] += c2;
  Digest[8] += d2;
  Digest[9] += e2;
}
