#include "crypto/hash/THash_SHA.h"

#include "crypto/CodingRoutines.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define NOBRIVO_SHA_NI 1
#endif

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

#ifdef NOBRIVO_SHA_NI
// SHA-1 with the SHA instructions: A to D in one register (A in the top
// lane), E in the top lane of another, four rounds per instruction.
__attribute__((target("sha,sse4.1,ssse3"))) void CompressShaNi(uint32_t* Digest,
                                                               const uint8_t* Block) {
  // Reverses the 16 bytes: big-endian words, word 0 in the top lane.
  const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Digest)), 0x1B);
  const __m128i abcdSaved = abcd;
  const __m128i eSaved = _mm_set_epi32(static_cast<int>(Digest[4]), 0, 0, 0);
  __m128i w[4];
  for (int i = 0; i < 4; ++i)
    w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Block + 16 * i)),
                            reverse);
  __m128i e = _mm_add_epi32(eSaved, w[0]);
  __m128i previous = abcd;
#pragma GCC unroll 20
  for (int g = 0; g < 20; ++g) {
    previous = abcd;
    switch (g / 5) {
      case 0:
        abcd = _mm_sha1rnds4_epu32(abcd, e, 0);
        break;
      case 1:
        abcd = _mm_sha1rnds4_epu32(abcd, e, 1);
        break;
      case 2:
        abcd = _mm_sha1rnds4_epu32(abcd, e, 2);
        break;
      default:
        abcd = _mm_sha1rnds4_epu32(abcd, e, 3);
        break;
    }
    if (g < 19) {
      const int n = g + 1;
      // W[n] := rol1(W[n-3] xor W[n-8] xor W[n-14] xor W[n-16]), four words at a time.
      if (n >= 4)
        w[n % 4] = _mm_sha1msg2_epu32(
            _mm_xor_si128(_mm_sha1msg1_epu32(w[n % 4], w[(n + 1) % 4]), w[(n + 2) % 4]),
            w[(n + 3) % 4]);
      e = _mm_sha1nexte_epu32(previous, w[n % 4]);
    }
  }
  e = _mm_sha1nexte_epu32(previous, eSaved);
  abcd = _mm_shuffle_epi32(_mm_add_epi32(abcd, abcdSaved), 0x1B);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(Digest), abcd);
  Digest[4] = static_cast<uint32_t>(_mm_extract_epi32(e, 3));
}

bool CpuHasShaInstructions() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3)) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & bit_SHA) != 0;
}
#endif

}  // namespace

#ifdef NOBRIVO_SHA_NI
bool THash_SHA::UseShaInstructions = CpuHasShaInstructions();
#else
bool THash_SHA::UseShaInstructions = false;
#endif

void THash_SHA::CompressBlock(const void* Block) {
#ifdef NOBRIVO_SHA_NI
  if (Rotate && UseShaInstructions)
    return CompressShaNi(Digest, static_cast<const uint8_t*>(Block));
#endif
  if (Rotate)
    Compress<true>(Digest, static_cast<const uint8_t*>(Block));
  else
    Compress<false>(Digest, static_cast<const uint8_t*>(Block));
}
