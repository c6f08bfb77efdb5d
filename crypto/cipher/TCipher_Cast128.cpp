#include "crypto/cipher/TCipher_Cast128.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/CastTables.h"

CIPHER_DEFINE_CLASS(TCipher_Cast128, TCipher, 8, 16, 128, 0)

namespace {

// KeySchedule: 16 masking subkeys Km, then 16 rotation subkeys Kr.
constexpr int kRotation = 16;

const uint32_t (&S1)[256] = Cast_SBox[0];
const uint32_t (&S2)[256] = Cast_SBox[1];
const uint32_t (&S3)[256] = Cast_SBox[2];
const uint32_t (&S4)[256] = Cast_SBox[3];
const uint32_t (&S5)[256] = Cast_SBox[4];
const uint32_t (&S6)[256] = Cast_SBox[5];
const uint32_t (&S7)[256] = Cast_SBox[6];
const uint32_t (&S8)[256] = Cast_SBox[7];

// Byte i (0 = most significant) of the 16-byte big-endian array of words w.
inline uint8_t B(const uint32_t w[4], int i) {
  return static_cast<uint8_t>(w[i >> 2] >> (24 - 8 * (i & 3)));
}

// The three round functions.
inline uint32_t F1(uint32_t d, uint32_t km, uint32_t kr) {
  uint32_t i = RotateLeft32(km + d, kr);
  return ((S1[i >> 24] ^ S2[(i >> 16) & 0xFF]) - S3[(i >> 8) & 0xFF]) + S4[i & 0xFF];
}
inline uint32_t F2(uint32_t d, uint32_t km, uint32_t kr) {
  uint32_t i = RotateLeft32(km ^ d, kr);
  return ((S1[i >> 24] - S2[(i >> 16) & 0xFF]) + S3[(i >> 8) & 0xFF]) ^ S4[i & 0xFF];
}
inline uint32_t F3(uint32_t d, uint32_t km, uint32_t kr) {
  uint32_t i = RotateLeft32(km - d, kr);
  return ((S1[i >> 24] + S2[(i >> 16) & 0xFF]) ^ S3[(i >> 8) & 0xFF]) - S4[i & 0xFF];
}

// One half of the key schedule: 16 subkeys from x (which it advances).
void SixteenSubkeys(uint32_t x[4], uint32_t* k) {
  uint32_t z[4];
  for (int half = 0; half < 2; ++half) {
    z[0] = x[0] ^ S5[B(x, 13)] ^ S6[B(x, 15)] ^ S7[B(x, 12)] ^ S8[B(x, 14)] ^ S7[B(x, 8)];
    z[1] = x[2] ^ S5[B(z, 0)] ^ S6[B(z, 2)] ^ S7[B(z, 1)] ^ S8[B(z, 3)] ^ S8[B(x, 10)];
    z[2] = x[3] ^ S5[B(z, 7)] ^ S6[B(z, 6)] ^ S7[B(z, 5)] ^ S8[B(z, 4)] ^ S5[B(x, 9)];
    z[3] = x[1] ^ S5[B(z, 10)] ^ S6[B(z, 9)] ^ S7[B(z, 11)] ^ S8[B(z, 8)] ^ S6[B(x, 11)];
    if (half == 0) {
      k[0] = S5[B(z, 8)] ^ S6[B(z, 9)] ^ S7[B(z, 7)] ^ S8[B(z, 6)] ^ S5[B(z, 2)];
      k[1] = S5[B(z, 10)] ^ S6[B(z, 11)] ^ S7[B(z, 5)] ^ S8[B(z, 4)] ^ S6[B(z, 6)];
      k[2] = S5[B(z, 12)] ^ S6[B(z, 13)] ^ S7[B(z, 3)] ^ S8[B(z, 2)] ^ S7[B(z, 9)];
      k[3] = S5[B(z, 14)] ^ S6[B(z, 15)] ^ S7[B(z, 1)] ^ S8[B(z, 0)] ^ S8[B(z, 12)];
    } else {
      k[8] = S5[B(z, 3)] ^ S6[B(z, 2)] ^ S7[B(z, 12)] ^ S8[B(z, 13)] ^ S5[B(z, 9)];
      k[9] = S5[B(z, 1)] ^ S6[B(z, 0)] ^ S7[B(z, 14)] ^ S8[B(z, 15)] ^ S6[B(z, 12)];
      k[10] = S5[B(z, 7)] ^ S6[B(z, 6)] ^ S7[B(z, 8)] ^ S8[B(z, 9)] ^ S7[B(z, 2)];
      k[11] = S5[B(z, 5)] ^ S6[B(z, 4)] ^ S7[B(z, 10)] ^ S8[B(z, 11)] ^ S8[B(z, 6)];
    }
    x[0] = z[2] ^ S5[B(z, 5)] ^ S6[B(z, 7)] ^ S7[B(z, 4)] ^ S8[B(z, 6)] ^ S7[B(z, 0)];
    x[1] = z[0] ^ S5[B(x, 0)] ^ S6[B(x, 2)] ^ S7[B(x, 1)] ^ S8[B(x, 3)] ^ S8[B(z, 2)];
    x[2] = z[1] ^ S5[B(x, 7)] ^ S6[B(x, 6)] ^ S7[B(x, 5)] ^ S8[B(x, 4)] ^ S5[B(z, 1)];
    x[3] = z[3] ^ S5[B(x, 10)] ^ S6[B(x, 9)] ^ S7[B(x, 11)] ^ S8[B(x, 8)] ^ S6[B(z, 3)];
    if (half == 0) {
      k[4] = S5[B(x, 3)] ^ S6[B(x, 2)] ^ S7[B(x, 12)] ^ S8[B(x, 13)] ^ S5[B(x, 8)];
      k[5] = S5[B(x, 1)] ^ S6[B(x, 0)] ^ S7[B(x, 14)] ^ S8[B(x, 15)] ^ S6[B(x, 13)];
      k[6] = S5[B(x, 7)] ^ S6[B(x, 6)] ^ S7[B(x, 8)] ^ S8[B(x, 9)] ^ S7[B(x, 3)];
      k[7] = S5[B(x, 5)] ^ S6[B(x, 4)] ^ S7[B(x, 10)] ^ S8[B(x, 11)] ^ S8[B(x, 7)];
    } else {
      k[12] = S5[B(x, 8)] ^ S6[B(x, 9)] ^ S7[B(x, 7)] ^ S8[B(x, 6)] ^ S5[B(x, 3)];
      k[13] = S5[B(x, 10)] ^ S6[B(x, 11)] ^ S7[B(x, 5)] ^ S8[B(x, 4)] ^ S6[B(x, 7)];
      k[14] = S5[B(x, 12)] ^ S6[B(x, 13)] ^ S7[B(x, 3)] ^ S8[B(x, 2)] ^ S7[B(x, 8)];
      k[15] = S5[B(x, 14)] ^ S6[B(x, 15)] ^ S7[B(x, 1)] ^ S8[B(x, 0)] ^ S8[B(x, 13)];
    }
  }
}

}  // namespace

void TCipher_Cast128::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[16] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  uint32_t x[4];
  for (int i = 0; i < 4; ++i) x[i] = LoadBE32(key + 4 * i);
  uint32_t* k = KeyScheduleAs<uint32_t>();
  SixteenSubkeys(x, k);
  SixteenSubkeys(x, k + kRotation);
  for (int i = kRotation; i < 2 * kRotation; ++i) k[i] &= 31;
  Rounds = Size <= 10 ? 12 : 16;
  std::memset(key, 0, sizeof key);
  std::memset(x, 0, sizeof x);
  CompleteInit(IVector);
}

void TCipher_Cast128::EncryptBlock(void* Data) {
  const uint32_t* km = KeyScheduleAs<uint32_t>();
  const uint32_t* kr = km + kRotation;
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t l = LoadBE32(d), r = LoadBE32(d + 4), t;
  for (int i = 0; i < Rounds; ++i) {
    switch (i % 3) {
      case 0:
        t = l ^ F1(r, km[i], kr[i]);
        break;
      case 1:
        t = l ^ F2(r, km[i], kr[i]);
        break;
      default:
        t = l ^ F3(r, km[i], kr[i]);
        break;
    }
    l = r;
    r = t;
  }
  StoreBE32(d, r);
  StoreBE32(d + 4, l);
}

void TCipher_Cast128::DecryptBlock(void* Data) {
  const uint32_t* km = KeyScheduleAs<uint32_t>();
  const uint32_t* kr = km + kRotation;
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t l = LoadBE32(d), r = LoadBE32(d + 4), t;
  for (int i = Rounds - 1; i >= 0; --i) {
    switch (i % 3) {
      case 0:
        t = l ^ F1(r, km[i], kr[i]);
        break;
      case 1:
        t = l ^ F2(r, km[i], kr[i]);
        break;
      default:
        t = l ^ F3(r, km[i], kr[i]);
        break;
    }
    l = r;
    r = t;
  }
  StoreBE32(d, r);
  StoreBE32(d + 4, l);
}
