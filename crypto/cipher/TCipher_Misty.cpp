#include "crypto/cipher/TCipher_Misty.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/MistyTables.h"

CIPHER_DEFINE_CLASS(TCipher_Misty, TCipher, 8, 16, 128, 0)

namespace {

// KeySchedule: EK[0..31] as 32-bit words: the key words K, the derived
// words K', and the 9-bit and 7-bit parts of K'.
inline uint32_t FI(uint32_t in, uint32_t key) {
  uint32_t d9 = in >> 7;
  uint32_t d7 = in & 0x7F;
  d9 = Misty_S9[d9] ^ d7;
  d7 = Misty_S7[d7] ^ (d9 & 0x7F);
  d7 ^= key >> 9;
  d9 ^= key & 0x1FF;
  d9 = Misty_S9[d9] ^ d7;
  return (d7 << 9) | d9;
}

inline uint32_t FO(const uint32_t* ek, uint32_t in, int k) {
  uint32_t t0 = in >> 16;
  uint32_t t1 = in & 0xFFFF;
  t0 ^= ek[k];
  t0 = FI(t0, ek[(k + 5) % 8 + 8]);
  t0 ^= t1;
  t1 ^= ek[(k + 2) % 8];
  t1 = FI(t1, ek[(k + 1) % 8 + 8]);
  t1 ^= t0;
  t0 ^= ek[(k + 7) % 8];
  t0 = FI(t0, ek[(k + 3) % 8 + 8]);
  t0 ^= t1;
  t1 ^= ek[(k + 4) % 8];
  return (t1 << 16) | t0;
}

inline uint32_t FL(const uint32_t* ek, uint32_t in, int k) {
  uint32_t d0 = in >> 16;
  uint32_t d1 = in & 0xFFFF;
  if (k % 2 == 0) {
    d1 ^= d0 & ek[k / 2];
    d0 ^= d1 | ek[(k / 2 + 6) % 8 + 8];
  } else {
    d1 ^= d0 & ek[((k - 1) / 2 + 2) % 8 + 8];
    d0 ^= d1 | ek[((k - 1) / 2 + 4) % 8];
  }
  return (d0 << 16) | d1;
}

inline uint32_t FLInv(const uint32_t* ek, uint32_t in, int k) {
  uint32_t d0 = in >> 16;
  uint32_t d1 = in & 0xFFFF;
  if (k % 2 == 0) {
    d0 ^= d1 | ek[(k / 2 + 6) % 8 + 8];
    d1 ^= d0 & ek[k / 2];
  } else {
    d0 ^= d1 | ek[((k - 1) / 2 + 4) % 8];
    d1 ^= d0 & ek[((k - 1) / 2 + 2) % 8 + 8];
  }
  return (d0 << 16) | d1;
}

}  // namespace

void TCipher_Misty::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[16] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  uint32_t* ek = KeyScheduleAs<uint32_t>();
  for (int i = 0; i < 8; ++i) ek[i] = LoadBE16(key + 2 * i);
  for (int i = 0; i < 8; ++i) {
    ek[i + 8] = FI(ek[i], ek[(i + 1) % 8]);
    ek[i + 16] = ek[i + 8] & 0x1FF;
    ek[i + 24] = ek[i + 8] >> 9;
  }
  std::memset(key, 0, sizeof key);
  CompleteInit(IVector);
}

void TCipher_Misty::EncryptBlock(void* Data) {
  const uint32_t* ek = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t d0 = LoadLE32(d), d1 = LoadLE32(d + 4);
  for (int k = 0; k < 8; k += 2) {
    d0 = FL(ek, d0, k);
    d1 = FL(ek, d1, k + 1);
    d1 ^= FO(ek, d0, k);
    d0 ^= FO(ek, d1, k + 1);
  }
  d0 = FL(ek, d0, 8);
  d1 = FL(ek, d1, 9);
  StoreLE32(d, d1);
  StoreLE32(d + 4, d0);
}

void TCipher_Misty::DecryptBlock(void* Data) {
  const uint32_t* ek = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t d1 = LoadLE32(d), d0 = LoadLE32(d + 4);
  d0 = FLInv(ek, d0, 8);
  d1 = FLInv(ek, d1, 9);
  for (int k = 6; k >= 0; k -= 2) {
    d0 ^= FO(ek, d1, k + 1);
    d1 ^= FO(ek, d0, k);
    d0 = FLInv(ek, d0, k);
    d1 = FLInv(ek, d1, k + 1);
  }
  StoreLE32(d, d0);
  StoreLE32(d + 4, d1);
}
