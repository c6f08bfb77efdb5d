#include "crypto/hash/THash_SHA.h"

#include "crypto/CodingRoutines.h"

HASH_DEFINE_CLASS(THash_SHA, THash_RipeMD160, 20)

void THash_SHA::Finish() {
  PadAndCompress(0x80, true);
  for (int i = 0; i < 5; ++i) Digest[i] = ByteSwap32(Digest[i]);
  THash::Finish();
}

namespace {

// The 80 steps over an expanded block; Rot tells the expansion's rotation.
template <bool Rot>
void Compress(uint32_t* Digest, const uint8_t* Block) {
  uint32_t w[16];
  for (int i = 0; i < 16; ++i) w[i] = LoadBE32(Block + 4 * i);
  uint32_t a = Digest[0], b = Digest[1], c = Digest[2], d = Digest[3], e = Digest[4];

  // W[t] for t >= 16 is kept in a ring of 16 words.
  auto expand = [&w](int t) {
    const uint32_t v = w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ w[t & 15];
    w[t & 15] = Rot ? RotateLeft32(v, 1) : v;
    return w[t & 15];
  };
#define STEP(f, k, wt)                                              \
  {                                                                 \
    const uint32_t tmp = RotateLeft32(a, 5) + (f) + e + (k) + (wt); \
    e = d;                                                          \
    d = c;                                                          \
    c = RotateLeft32(b, 30);                                        \
    b = a;                                                          \
    a = tmp;                                                        \
  }
#pragma GCC unroll 16
  for (int t = 0; t < 16; ++t) STEP(d ^ (b & (c ^ d)), 0x5A827999, w[t]);
#pragma GCC unroll 4
  for (int t = 16; t < 20; ++t) STEP(d ^ (b & (c ^ d)), 0x5A827999, expand(t));
#pragma GCC unroll 20
  for (int t = 20; t < 40; ++t) STEP(b ^ c ^ d, 0x6ED9EBA1, expand(t));
#pragma GCC unroll 20
  for (int t = 40; t < 60; ++t) STEP((b & c) | (d & (b | c)), 0x8F1BBCDC, expand(t));
#pragma GCC unroll 20
  for (int t = 60; t < 80; ++t) STEP(b ^ c ^ d, 0xCA62C1D6, expand(t));
#undef STEP
  Digest[0] += a;
  Digest[1] += b;
  Digest[2] += c;
  Digest[3] += d;
  Digest[4] += e;
}

}  // namespace

void THash_SHA::CompressBlock(const void* Block) {
  if (Rotate)
    Compress<true>(Digest, static_cast<const uint8_t*>(Block));
  else
    Compress<false>(Digest, static_cast<const uint8_t*>(Block));
}
