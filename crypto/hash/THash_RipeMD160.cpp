#include "crypto/hash/THash_RipeMD160.h"

#include "crypto/hash/RipeMDSteps.h"

HASH_DEFINE_CLASS(THash_RipeMD160, THash_MD4, 20)

void THash_RipeMD160::CompressBlock(const void* Block) {
  using namespace ripemd;
  uint32_t x[16];
  LoadBlock(Block, x);
  uint32_t a = Digest[0], b = Digest[1], c = Digest[2], d = Digest[3], e = Digest[4];
  uint32_t a2 = a, b2 = b, c2 = c, d2 = d, e2 = e;
  Round5<0, 0, false>(a, b, c, d, e, x, KL[0]);
  Round5<0, 4, true>(a2, b2, c2, d2, e2, x, KR5[0]);
  Round5<1, 1, false>(a, b, c, d, e, x, KL[1]);
  Round5<1, 3, true>(a2, b2, c2, d2, e2, x, KR5[1]);
  Round5<2, 2, false>(a, b, c, d, e, x, KL[2]);
  Round5<2, 2, true>(a2, b2, c2, d2, e2, x, KR5[2]);
  Round5<3, 3, false>(a, b, c, d, e, x, KL[3]);
  Round5<3, 1, true>(a2, b2, c2, d2, e2, x, KR5[3]);
  Round5<4, 4, false>(a, b, c, d, e, x, KL[4]);
  Round5<4, 0, true>(a2, b2, c2, d2, e2, x, KR5[4]);
  const uint32_t t = Digest[1] + c + d2;
  Digest[1] = Digest[2] + d + e2;
  Digest[2] = Digest[3] + e + a2;
  Digest[3] = Digest[4] + a + b2;
  Digest[4] = Digest[0] + b + c2;
  Digest[0] = t;
}
