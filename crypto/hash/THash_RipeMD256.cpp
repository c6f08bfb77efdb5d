#include "crypto/hash/THash_RipeMD256.h"

#include <cstring>
#include <utility>

#include "crypto/hash/RipeMDSteps.h"

HASH_DEFINE_CLASS(THash_RipeMD256, THash_MD4, 32)

void THash_RipeMD256::Reset() {
  // The second line starts from its own published values; they are in place
  // before the base reset lets a chained TMAC mix its key into them.
  static constexpr uint32_t kInitial[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                            0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567,
                                            0x01234567, 0x3C2D1E0F};
  std::memset(Buffer, 0, sizeof Buffer);
  std::memcpy(Digest, kInitial, sizeof Digest);
  Count = 0;
  THash::Reset();
}

void THash_RipeMD256::CompressBlock(const void* Block) {
  using namespace ripemd;
  uint32_t x[16];
  LoadBlock(Block, x);
  uint32_t a = Digest[0], b = Digest[1], c = Digest[2], d = Digest[3];
  uint32_t a2 = Digest[4], b2 = Digest[5], c2 = Digest[6], d2 = Digest[7];
  // After each round the lines exchange one register: a, then b, c, d.
  Round4<0, 0, false>(a, b, c, d, x, KL[0]);
  Round4<0, 3, true>(a2, b2, c2, d2, x, KR4[0]);
  std::swap(a, a2);
  Round4<1, 1, false>(a, b, c, d, x, KL[1]);
  Round4<1, 2, true>(a2, b2, c2, d2, x, KR4[1]);
  std::swap(b, b2);
  Round4<2, 2, false>(a, b, c, d, x, KL[2]);
  Round4<2, 1, true>(a2, b2, c2, d2, x, KR4[2]);
  std::swap(c, c2);
  Round4<3, 3, false>(a, b, c, d, x, KL[3]);
  Round4<3, 0, true>(a2, b2, c2, d2, x, KR4[3]);
  std::swap(d, d2);
  Digest[0] += a;
  Digest[1] += b;
  Digest[2] += c;
  Digest[3] += d;
  Digest[4] += a2;
  Digest[5] += b2;
  Digest[6] += c2;
  Digest[7] += d2;
}
