#include "crypto/cipher/TCipher_DES.h"

#include <algorithm>
#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/DESTables.h"

CIPHER_DEFINE_CLASS(TCipher_1DES, TCipher, 8, 8, 256, 0)
CIPHER_DEFINE_CLASS(TCipher_2DES, TCipher_1DES, 8, 16, 512, 0)
CIPHER_DEFINE_CLASS(TCipher_3DES, TCipher_1DES, 8, 24, 768, 0)
CIPHER_DEFINE_CLASS(TCipher_2DDES, TCipher_2DES, 16, 16, 512, 0)
CIPHER_DEFINE_CLASS(TCipher_3DDES, TCipher_3DES, 16, 24, 768, 0)
CIPHER_DEFINE_CLASS(TCipher_3TDES, TCipher_3DES, 24, 24, 768, 0)

// How the rounds run. The halves L and R are kept rotated left by one bit,
// so that each 6-bit group of the expansion E(R) lies in one byte of either
// R rotated right by 4 (S1, S3, S5, S7) or R itself (S2, S4, S6, S8). A
// prepared round key pairs its eight 6-bit groups the same way, in two
// words, and SP[n][x] is S-box n+1 of input x followed by the permutation P
// (also rotated left by one bit). The initial and final permutations are
// done a byte at a time through tables built from IP and FP.
namespace {

inline uint32_t BitOf(uint64_t v, int bit, int width) {  // bit 1 = most significant
  return static_cast<uint32_t>((v >> (width - bit)) & 1);
}

struct Built {
  uint32_t SP[8][64];
  uint64_t IP[8][256];
  uint64_t FP[8][256];

  Built() {
    for (int n = 0; n < 8; ++n)
      for (int x = 0; x < 64; ++x) {
        const int row = ((x >> 4) & 2) | (x & 1);
        const int col = (x >> 1) & 15;
        const uint32_t s = uint32_t(DES_SBox[n][row * 16 + col]) << (28 - 4 * n);
        uint32_t p = 0;
        for (int i = 1; i <= 32; ++i) p |= BitOf(s, DES_P[i - 1], 32) << (32 - i);
        SP[n][x] = RotateLeft32(p, 1);
      }
    for (int j = 0; j < 8; ++j)
      for (int v = 0; v < 256; ++v) {
        const uint64_t in = uint64_t(v) << (56 - 8 * j);
        uint64_t ip = 0, fp = 0;
        for (int i = 1; i <= 64; ++i) {
          ip |= uint64_t(BitOf(in, DES_IP[i - 1], 64)) << (64 - i);
          fp |= uint64_t(BitOf(in, DES_FP[i - 1], 64)) << (64 - i);
        }
        IP[j][v] = ip;
        FP[j][v] = fp;
      }
  }
};

const Built& Tables() {
  static const Built built;
  return built;
}

inline uint64_t Permute(const uint64_t (&t)[8][256], uint64_t v) {
  return t[0][v >> 56] | t[1][(v >> 48) & 0xFF] | t[2][(v >> 40) & 0xFF] | t[3][(v >> 32) & 0xFF] |
         t[4][(v >> 24) & 0xFF] | t[5][(v >> 16) & 0xFF] | t[6][(v >> 8) & 0xFF] | t[7][v & 0xFF];
}

inline void Initial(const Built& b, const uint8_t* block, uint32_t& l, uint32_t& r) {
  const uint64_t v = Permute(b.IP, LoadBE64(block));
  l = RotateLeft32(static_cast<uint32_t>(v >> 32), 1);
  r = RotateLeft32(static_cast<uint32_t>(v), 1);
}

// The output block is FP(R16 || L16).
inline void Final(const Built& b, uint32_t l, uint32_t r, uint8_t* block) {
  const uint64_t v = uint64_t(RotateRight32(r, 1)) << 32 | RotateRight32(l, 1);
  StoreBE64(block, Permute(b.FP, v));
}

inline uint32_t F(const Built& b, uint32_t r, const uint32_t* k) {
  uint32_t w = RotateRight32(r, 4) ^ k[0];
  uint32_t f = b.SP[6][w & 0x3F] | b.SP[4][(w >> 8) & 0x3F] | b.SP[2][(w >> 16) & 0x3F] |
               b.SP[0][(w >> 24) & 0x3F];
  w = r ^ k[1];
  return f | b.SP[7][w & 0x3F] | b.SP[5][(w >> 8) & 0x3F] | b.SP[3][(w >> 16) & 0x3F] |
         b.SP[1][(w >> 24) & 0x3F];
}

// Sixteen rounds; afterwards l holds L16 and r holds R16.
inline void Rounds(const Built& b, const uint32_t* k, uint32_t& l, uint32_t& r) {
  for (int i = 0; i < 8; ++i, k += 4) {
    l ^= F(b, r, k);
    r ^= F(b, l, k + 2);
  }
}

}  // namespace

void TCipher_1DES::MakeKey(const uint8_t* Key, bool Decrypt, uint32_t* Keys) {
  const uint64_t key = LoadBE64(Key);
  uint32_t c = 0, d = 0;  // 28 bits each
  for (int i = 1; i <= 28; ++i) {
    c |= BitOf(key, DES_PC1[i - 1], 64) << (28 - i);
    d |= BitOf(key, DES_PC1[i + 27], 64) << (28 - i);
  }
  for (int round = 0; round < 16; ++round) {
    const int s = DES_Shifts[round];
    c = ((c << s) | (c >> (28 - s))) & 0x0FFFFFFF;
    d = ((d << s) | (d >> (28 - s))) & 0x0FFFFFFF;
    const uint64_t cd = uint64_t(c) << 28 | d;
    uint32_t g[8] = {};
    for (int i = 1; i <= 48; ++i)
      g[(i - 1) / 6] |= BitOf(cd, DES_PC2[i - 1], 56) << (5 - (i - 1) % 6);
    uint32_t* k = Keys + 2 * (Decrypt ? 15 - round : round);
    k[0] = g[0] << 24 | g[2] << 16 | g[4] << 8 | g[6];
    k[1] = g[1] << 24 | g[3] << 16 | g[5] << 8 | g[7];
  }
}

void TCipher_1DES::DESBlock(const uint32_t* Keys, uint8_t* Block) {
  const Built& b = Tables();
  uint32_t l, r;
  Initial(b, Block, l, r);
  Rounds(b, Keys, l, r);
  Final(b, l, r, Block);
}

void TCipher_1DES::DESBlock3(const uint32_t* K1, const uint32_t* K2, const uint32_t* K3,
                             uint8_t* Block) {
  const Built& b = Tables();
  uint32_t l, r;
  Initial(b, Block, l, r);
  // FP then IP is the identity: the next step starts from (R16, L16).
  Rounds(b, K1, l, r);
  Rounds(b, K2, r, l);
  Rounds(b, K3, l, r);
  Final(b, l, r, Block);
}

void TCipher_1DES::PadKey(const void* Key, int Size, uint8_t* Buffer) const {
  std::memset(Buffer, 0, 24);
  if (Size > 0) std::memcpy(Buffer, Key, std::min(Size, 24));
}

// TCipher_1DES: encryption K1, decryption K1.
void TCipher_1DES::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[24];
  PadKey(Key, Size, key);
  uint32_t* k = KeyScheduleAs<uint32_t>();
  MakeKey(key, false, k);
  MakeKey(key, true, k + kKeyWords);
  std::memset(key, 0, sizeof key);
  CompleteInit(IVector);
}

void TCipher_1DES::EncryptBlock(void* Data) {
  DESBlock(KeyScheduleAs<uint32_t>(), static_cast<uint8_t*>(Data));
}

void TCipher_1DES::DecryptBlock(void* Data) {
  DESBlock(KeyScheduleAs<uint32_t>() + kKeyWords, static_cast<uint8_t*>(Data));
}

// TCipher_2DES: encryption K1, decryption K2, decryption K1, encryption K2.
void TCipher_2DES::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[24];
  PadKey(Key, Size, key);
  uint32_t* k = KeyScheduleAs<uint32_t>();
  MakeKey(key, false, k);
  MakeKey(key + 8, true, k + kKeyWords);
  MakeKey(key, true, k + 2 * kKeyWords);
  MakeKey(key + 8, false, k + 3 * kKeyWords);
  std::memset(key, 0, sizeof key);
  CompleteInit(IVector);
}

void TCipher_2DES::EncryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>();
  DESBlock3(k, k + kKeyWords, k, static_cast<uint8_t*>(Data));
}

void TCipher_2DES::DecryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>() + 2 * kKeyWords;
  DESBlock3(k, k + kKeyWords, k, static_cast<uint8_t*>(Data));
}

// TCipher_3DES: encryption K1, decryption K2, encryption K3, decryption K3,
// encryption K2, decryption K1.
void TCipher_3DES::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[24];
  PadKey(Key, Size, key);
  uint32_t* k = KeyScheduleAs<uint32_t>();
  MakeKey(key, false, k);
  MakeKey(key + 8, true, k + kKeyWords);
  MakeKey(key + 16, false, k + 2 * kKeyWords);
  MakeKey(key + 16, true, k + 3 * kKeyWords);
  MakeKey(key + 8, false, k + 4 * kKeyWords);
  MakeKey(key, true, k + 5 * kKeyWords);
  std::memset(key, 0, sizeof key);
  CompleteInit(IVector);
}

void TCipher_3DES::EncryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>();
  DESBlock3(k, k + kKeyWords, k + 2 * kKeyWords, static_cast<uint8_t*>(Data));
}

void TCipher_3DES::DecryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>() + 3 * kKeyWords;
  DESBlock3(k, k + kKeyWords, k + 2 * kKeyWords, static_cast<uint8_t*>(Data));
}

namespace {

// Swaps bytes 4-7 with bytes 8-11: the second and third 32-bit words.
inline void Exchange(uint8_t* d) {
  uint8_t t[4];
  std::memcpy(t, d + 4, 4);
  std::memcpy(d + 4, d + 8, 4);
  std::memcpy(d + 8, t, 4);
}

}  // namespace

// The wide variants: each step codes every 8-byte block of the wide block,
// with an exchange between the steps.
#define WIDE_STEPS(Blocks, KA, KB, KC)                            \
  do {                                                            \
    uint8_t* d = static_cast<uint8_t*>(Data);                     \
    for (int i = 0; i < (Blocks); ++i) DESBlock((KA), d + 8 * i); \
    Exchange(d);                                                  \
    for (int i = 0; i < (Blocks); ++i) DESBlock((KB), d + 8 * i); \
    Exchange(d);                                                  \
    for (int i = 0; i < (Blocks); ++i) DESBlock((KC), d + 8 * i); \
  } while (0)

void TCipher_2DDES::EncryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>();
  WIDE_STEPS(2, k, k + kKeyWords, k);
}

void TCipher_2DDES::DecryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>() + 2 * kKeyWords;
  WIDE_STEPS(2, k, k + kKeyWords, k);
}

void TCipher_3DDES::EncryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>();
  WIDE_STEPS(2, k, k + kKeyWords, k + 2 * kKeyWords);
}

void TCipher_3DDES::DecryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>() + 3 * kKeyWords;
  WIDE_STEPS(2, k, k + kKeyWords, k + 2 * kKeyWords);
}

void TCipher_3TDES::EncryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>();
  WIDE_STEPS(3, k, k + kKeyWords, k + 2 * kKeyWords);
}

void TCipher_3TDES::DecryptBlock(void* Data) {
  const uint32_t* k = KeyScheduleAs<uint32_t>() + 3 * kKeyWords;
  WIDE_STEPS(3, k, k + kKeyWords, k + 2 * kKeyWords);
}

#undef WIDE_STEPS
