#include "crypto/hash/THash_RipeMD128.h"

#include "crypto/hash/RipeMDSteps.h"

HASH_DEFINE_CLASS(THash_RipeMD128, THash_MD4, 16)

void THash_RipeMD128::CompressBlock(const void* Block) {
  using namespace ripemd;
  uint32_t x[16];
  LoadBlock(Block, x);
  uint32_t a = Digest[0], b = Digest[1], c = Digest[2], d = Digest[3];
  uint32_t a2 = a, b2 = b, c2 = c, d2 = d;
  Round4<0, 0, false>(a, b, c, d, x, KL[0]);
  Round4<0, 3, true>(a2, b2, c2, d2, x, KR4[0]);
  Round4<1, 1, false>(a, b, c, d, x, KL[1]);
  Round4<1, 2, true>(a2, b2, c2, d2, x, KR4[1]);
  Round4<2, 2, false>(a, b, c, d, x, KL[2]);
  Round4<2, 1, true>(a2, b2, c2, d2, x, KR4[2]);
  Round4<3, 3, false>(a, b, c, d, x, KL[3]);
  Round4<3, 0, true>(a2, b2, c2, d2, x, KR4[3]);
  const uint32_t t = Digest[1] + c + d2;
  Digest[1] = Digest[2] + d + a2;
  Digest[2] = Digest[3] + a + b2;
  Digest[3] = Digest[0] + b + c2;
  Digest[0] = t;
}
