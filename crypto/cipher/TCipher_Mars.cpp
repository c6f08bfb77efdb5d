#include "crypto/cipher/TCipher_Mars.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/MarsTables.h"

// The expansion cycles through the key words: a key needs at least one.
CIPHER_DEFINE_CLASS(TCipher_Mars, TCipher, 16, 156, 160, 4)

namespace {

// KeySchedule: the 40 subkey words K[0..39].
const uint32_t* const S0 = Mars_SBox;
const uint32_t* const S1 = Mars_SBox + 256;

inline uint8_t Byte(uint32_t w, int i) {
  return static_cast<uint8_t>(w >> (8 * i));
}

// The E-function of the keyed rounds: in, two subkeys -> (l, m, r).
inline void E(uint32_t in, uint32_t k1, uint32_t k2, uint32_t& l, uint32_t& m, uint32_t& r) {
  m = in + k1;
  r = RotateLeft32(in, 13) * k2;
  l = Mars_SBox[m & 0x1FF];
  r = RotateLeft32(r, 5);
  m = RotateLeft32(m, r & 31);
  l ^= r;
  r = RotateLeft32(r, 5);
  l ^= r;
  l = RotateLeft32(l, r & 31);
}

// Bits of w that lie inside a run of at least ten equal bits and equal both
// neighbours; the bit above bit 31 counts as 0; bits 0 and 1 never count.
uint32_t FixupMask(uint32_t w) {
  int run[32];
  for (int start = 0; start < 32;) {
    int end = start;
    while (end + 1 < 32 && ((w >> (end + 1)) & 1) == ((w >> start) & 1)) ++end;
    for (int l = start; l <= end; ++l) run[l] = end - start + 1;
    start = end + 1;
  }
  uint32_t mask = 0;
  for (int l = 2; l < 32; ++l) {
    uint32_t bit = (w >> l) & 1;
    uint32_t below = (w >> (l - 1)) & 1;
    uint32_t above = l == 31 ? 0 : (w >> (l + 1)) & 1;
    if (run[l] >= 10 && bit == below && bit == above) mask |= 1u << l;
  }
  return mask;
}

}  // namespace

void TCipher_Mars::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  const uint8_t* key = static_cast<const uint8_t*>(Key);
  const int n = Size / 4;
  uint32_t k[39];
  for (int i = 0; i < n; ++i) k[i] = LoadLE32(key + 4 * i);
  uint32_t tt[47];  // T[-7 .. 39]
  uint32_t* t = tt + 7;
  for (int i = -7; i < 0; ++i) t[i] = Mars_SBox[i + 7];
  for (int i = 0; i < 39; ++i)
    t[i] = RotateLeft32(t[i - 7] ^ t[i - 2], 3) ^ k[i % n] ^ static_cast<uint32_t>(i);
  t[39] = static_cast<uint32_t>(n);
  for (int pass = 0; pass < 7; ++pass) {
    for (int i = 1; i < 40; ++i) t[i] = RotateLeft32(t[i] + Mars_SBox[t[i - 1] & 0x1FF], 9);
    t[0] = RotateLeft32(t[0] + Mars_SBox[t[39] & 0x1FF], 9);
  }
  uint32_t* K = KeyScheduleAs<uint32_t>();
  for (int i = 0; i < 40; ++i) K[(7 * i) % 40] = t[i];
  // Multiplication keys: patterns of ten or more equal bits are broken up.
  for (int i = 5; i <= 35; i += 2) {
    const uint32_t j = K[i] & 3;
    const uint32_t w = K[i] | 3;
    const uint32_t m = FixupMask(w);
    const uint32_t r = K[i + 3] & 31;
    K[i] = w ^ (RotateLeft32(Mars_SBox[256 + j], r) & m);
  }
  std::memset(k, 0, sizeof k);
  std::memset(tt, 0, sizeof tt);
  CompleteInit(IVector);
}

void TCipher_Mars::EncryptBlock(void* Data) {
  const uint32_t* K = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t a = LoadLE32(d) + K[0], b = LoadLE32(d + 4) + K[1];
  uint32_t c = LoadLE32(d + 8) + K[2], e = LoadLE32(d + 12) + K[3];
  uint32_t t;
  // Forward mixing; (a, b, c, e) rotate one word after each round.
  for (int i = 0; i < 8; ++i) {
    b ^= S0[Byte(a, 0)];
    b += S1[Byte(a, 1)];
    c += S0[Byte(a, 2)];
    e ^= S1[Byte(a, 3)];
    a = RotateRight32(a, 24);
    if (i == 0 || i == 4) a += e;
    if (i == 1 || i == 5) a += b;
    t = a, a = b, b = c, c = e, e = t;
  }
  // Keyed core.
  for (int i = 0; i < 16; ++i) {
    uint32_t l, m, r;
    E(a, K[2 * i + 4], K[2 * i + 5], l, m, r);
    a = RotateLeft32(a, 13);
    c += m;
    if (i < 8) {
      b += l;
      e ^= r;
    } else {
      e += l;
      b ^= r;
    }
    t = a, a = b, b = c, c = e, e = t;
  }
  // Backward mixing.
  for (int i = 0; i < 8; ++i) {
    if (i == 2 || i == 6) a -= e;
    if (i == 3 || i == 7) a -= b;
    b ^= S1[Byte(a, 0)];
    c -= S0[Byte(a, 3)];
    e -= S1[Byte(a, 2)];
    e ^= S0[Byte(a, 1)];
    a = RotateLeft32(a, 24);
    t = a, a = b, b = c, c = e, e = t;
  }
  StoreLE32(d, a - K[36]);
  StoreLE32(d + 4, b - K[37]);
  StoreLE32(d + 8, c - K[38]);
  StoreLE32(d + 12, e - K[39]);
}

void TCipher_Mars::DecryptBlock(void* Data) {
  const uint32_t* K = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t a = LoadLE32(d) + K[36], b = LoadLE32(d + 4) + K[37];
  uint32_t c = LoadLE32(d + 8) + K[38], e = LoadLE32(d + 12) + K[39];
  uint32_t t;
  // Each round of the encryption undone in reverse, the words rotating back.
  for (int i = 7; i >= 0; --i) {
    t = e, e = c, c = b, b = a, a = t;
    a = RotateRight32(a, 24);
    e ^= S0[Byte(a, 1)];
    e += S1[Byte(a, 2)];
    c += S0[Byte(a, 3)];
    b ^= S1[Byte(a, 0)];
    if (i == 2 || i == 6) a += e;
    if (i == 3 || i == 7) a += b;
  }
  for (int i = 15; i >= 0; --i) {
    t = e, e = c, c = b, b = a, a = t;
    a = RotateRight32(a, 13);
    uint32_t l, m, r;
    E(a, K[2 * i + 4], K[2 * i + 5], l, m, r);
    c -= m;
    if (i < 8) {
      b -= l;
      e ^= r;
    } else {
      e -= l;
      b ^= r;
    }
  }
  for (int i = 7; i >= 0; --i) {
    t = e, e = c, c = b, b = a, a = t;
    if (i == 0 || i == 4) a -= e;
    if (i == 1 || i == 5) a -= b;
    a = RotateLeft32(a, 24);
    e ^= S1[Byte(a, 3)];
    c -= S0[Byte(a, 2)];
    b -= S1[Byte(a, 1)];
    b ^= S0[Byte(a, 0)];
  }
  StoreLE32(d, a - K[0]);
  StoreLE32(d + 4, b - K[1]);
  StoreLE32(d + 8, c - K[2]);
  StoreLE32(d + 12, e - K[3]);
}
