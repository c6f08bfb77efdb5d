#include "crypto/cipher/TCipher_RC2.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/RC2Tables.h"

// The key expansion reads L[i - T]: an empty key has nothing to read.
CIPHER_DEFINE_CLASS(TCipher_RC2, TCipher, 8, 128, 128, 1)

namespace {

inline uint16_t Rol16(uint16_t v, int s) {
  return static_cast<uint16_t>(v << s | v >> (16 - s));
}
inline uint16_t Ror16(uint16_t v, int s) {
  return static_cast<uint16_t>(v >> s | v << (16 - s));
}

}  // namespace

void TCipher_RC2::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t l[128];
  if (Size > 0) std::memcpy(l, Key, Size);
  for (int i = Size; i < 128; ++i) l[i] = RC2_PiTable[(l[i - 1] + l[i - Size]) & 0xFF];
  // The reduction to the effective key length touches only L[0] at 1024 bits.
  l[0] = RC2_PiTable[l[0]];
  // K[i] as little-endian words: the schedule's bytes are L itself.
  uint16_t* k = KeyScheduleAs<uint16_t>();
  for (int i = 0; i < 64; ++i) k[i] = static_cast<uint16_t>(l[2 * i] | l[2 * i + 1] << 8);
  std::memset(l, 0, sizeof l);
  CompleteInit(IVector);
}

void TCipher_RC2::EncryptBlock(void* Data) {
  const uint16_t* k = KeyScheduleAs<uint16_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint16_t r0 = LoadLE16(d), r1 = LoadLE16(d + 2), r2 = LoadLE16(d + 4), r3 = LoadLE16(d + 6);
  int j = 0;
  for (int round = 0; round < 16; ++round) {
    r0 = Rol16(static_cast<uint16_t>(r0 + k[j++] + (r3 & r2) + (~r3 & r1)), 1);
    r1 = Rol16(static_cast<uint16_t>(r1 + k[j++] + (r0 & r3) + (~r0 & r2)), 2);
    r2 = Rol16(static_cast<uint16_t>(r2 + k[j++] + (r1 & r0) + (~r1 & r3)), 3);
    r3 = Rol16(static_cast<uint16_t>(r3 + k[j++] + (r2 & r1) + (~r2 & r0)), 5);
    if (round == 4 || round == 10) {  // mashing after the 5th and the 11th mixing round
      r0 = static_cast<uint16_t>(r0 + k[r3 & 63]);
      r1 = static_cast<uint16_t>(r1 + k[r0 & 63]);
      r2 = static_cast<uint16_t>(r2 + k[r1 & 63]);
      r3 = static_cast<uint16_t>(r3 + k[r2 & 63]);
    }
  }
  StoreLE16(d, r0);
  StoreLE16(d + 2, r1);
  StoreLE16(d + 4, r2);
  StoreLE16(d + 6, r3);
}

void TCipher_RC2::DecryptBlock(void* Data) {
  const uint16_t* k = KeyScheduleAs<uint16_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint16_t r0 = LoadLE16(d), r1 = LoadLE16(d + 2), r2 = LoadLE16(d + 4), r3 = LoadLE16(d + 6);
  int j = 63;
  for (int round = 15; round >= 0; --round) {
    r3 = static_cast<uint16_t>(Ror16(r3, 5) - k[j--] - (r2 & r1) - (~r2 & r0));
    r2 = static_cast<uint16_t>(Ror16(r2, 3) - k[j--] - (r1 & r0) - (~r1 & r3));
    r1 = static_cast<uint16_t>(Ror16(r1, 2) - k[j--] - (r0 & r3) - (~r0 & r2));
    r0 = static_cast<uint16_t>(Ror16(r0, 1) - k[j--] - (r3 & r2) - (~r3 & r1));
    if (round == 5 || round == 11) {  // the mashing that came before this round
      r3 = static_cast<uint16_t>(r3 - k[r2 & 63]);
      r2 = static_cast<uint16_t>(r2 - k[r1 & 63]);
      r1 = static_cast<uint16_t>(r1 - k[r0 & 63]);
      r0 = static_cast<uint16_t>(r0 - k[r3 & 63]);
    }
  }
  StoreLE16(d, r0);
  StoreLE16(d + 2, r1);
  StoreLE16(d + 4, r2);
  StoreLE16(d + 6, r3);
}
