#include "crypto/cipher/TCipher_Cast256.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/CastTables.h"

CIPHER_DEFINE_CLASS(TCipher_Cast256, TCipher, 16, 32, 384, 0)

namespace {

// KeySchedule: 48 masking subkeys (four per quad-round), then 48 rotation
// subkeys in the same order.
constexpr int kRotation = 48;

const uint32_t (&S1)[256] = Cast_SBox[0];
const uint32_t (&S2)[256] = Cast_SBox[1];
const uint32_t (&S3)[256] = Cast_SBox[2];
const uint32_t (&S4)[256] = Cast_SBox[3];

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

// Forward quad-round Q and reverse quad-round QBAR on the words A, B, C, D.
inline void Q(uint32_t* b, const uint32_t* km, const uint32_t* kr) {
  b[2] ^= F1(b[3], km[0], kr[0]);
  b[1] ^= F2(b[2], km[1], kr[1]);
  b[0] ^= F3(b[1], km[2], kr[2]);
  b[3] ^= F1(b[0], km[3], kr[3]);
}
inline void QBar(uint32_t* b, const uint32_t* km, const uint32_t* kr) {
  b[3] ^= F1(b[0], km[3], kr[3]);
  b[0] ^= F3(b[1], km[2], kr[2]);
  b[1] ^= F2(b[2], km[1], kr[1]);
  b[2] ^= F1(b[3], km[0], kr[0]);
}

}  // namespace

void TCipher_Cast256::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[32] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  uint32_t k[8];  // A .. H
  for (int i = 0; i < 8; ++i) k[i] = LoadBE32(key + 4 * i);
  uint32_t* km = KeyScheduleAs<uint32_t>();
  uint32_t* kr = km + kRotation;
  // The constants Tm and Tr of the octave W(i) follow one running sequence.
  uint32_t cm = 0x5A827999;
  uint32_t cr = 19;
  uint32_t tm[8], tr[8];
  for (int i = 0; i < 24; ++i) {
    for (int j = 0; j < 8; ++j) {
      tm[j] = cm;
      cm += 0x6ED9EBA1;
      tr[j] = cr;
      cr = (cr + 17) & 31;
    }
    k[6] ^= F1(k[7], tm[0], tr[0]);
    k[5] ^= F2(k[6], tm[1], tr[1]);
    k[4] ^= F3(k[5], tm[2], tr[2]);
    k[3] ^= F1(k[4], tm[3], tr[3]);
    k[2] ^= F2(k[3], tm[4], tr[4]);
    k[1] ^= F3(k[2], tm[5], tr[5]);
    k[0] ^= F1(k[1], tm[6], tr[6]);
    k[7] ^= F2(k[0], tm[7], tr[7]);
    if (i & 1) {
      int q = 4 * (i >> 1);
      kr[q + 0] = k[0] & 31;
      kr[q + 1] = k[2] & 31;
      kr[q + 2] = k[4] & 31;
      kr[q + 3] = k[6] & 31;
      km[q + 0] = k[7];
      km[q + 1] = k[5];
      km[q + 2] = k[3];
      km[q + 3] = k[1];
    }
  }
  std::memset(key, 0, sizeof key);
  std::memset(k, 0, sizeof k);
  CompleteInit(IVector);
}

void TCipher_Cast256::EncryptBlock(void* Data) {
  const uint32_t* km = KeyScheduleAs<uint32_t>();
  const uint32_t* kr = km + kRotation;
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = LoadBE32(d + 4 * i);
  for (int i = 0; i < 6; ++i) Q(b, km + 4 * i, kr + 4 * i);
  for (int i = 6; i < 12; ++i) QBar(b, km + 4 * i, kr + 4 * i);
  for (int i = 0; i < 4; ++i) StoreBE32(d + 4 * i, b[i]);
}

void TCipher_Cast256::DecryptBlock(void* Data) {
  const uint32_t* km = KeyScheduleAs<uint32_t>();
  const uint32_t* kr = km + kRotation;
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = LoadBE32(d + 4 * i);
  for (int i = 11; i >= 6; --i) Q(b, km + 4 * i, kr + 4 * i);
  for (int i = 5; i >= 0; --i) QBar(b, km + 4 * i, kr + 4 * i);
  for (int i = 0; i < 4; ++i) StoreBE32(d + 4 * i, b[i]);
}
