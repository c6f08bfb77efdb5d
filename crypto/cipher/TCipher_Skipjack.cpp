#include "crypto/cipher/TCipher_Skipjack.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/SkipjackTables.h"

CIPHER_DEFINE_CLASS(TCipher_Skipjack, TCipher, 8, 10, 2560, 0)

namespace {

// KeySchedule: ten tables T_i[x] = F[x xor key byte i], so that each step
// of G is one look-up. Step k (0-based) of the 32 uses tables 4k .. 4k+3
// mod 10.
using KeyTables = uint8_t[10][256];

inline uint16_t G(const KeyTables& t, int k, uint16_t w) {
  uint8_t g1 = static_cast<uint8_t>(w >> 8), g2 = static_cast<uint8_t>(w);
  const int i = (4 * k) % 10;
  uint8_t g3 = t[i][g2] ^ g1;
  uint8_t g4 = t[(i + 1) % 10][g3] ^ g2;
  uint8_t g5 = t[(i + 2) % 10][g4] ^ g3;
  uint8_t g6 = t[(i + 3) % 10][g5] ^ g4;
  return static_cast<uint16_t>(g5 << 8 | g6);
}

inline uint16_t GInv(const KeyTables& t, int k, uint16_t w) {
  uint8_t g5 = static_cast<uint8_t>(w >> 8), g6 = static_cast<uint8_t>(w);
  const int i = (4 * k) % 10;
  uint8_t g4 = t[(i + 3) % 10][g5] ^ g6;
  uint8_t g3 = t[(i + 2) % 10][g4] ^ g5;
  uint8_t g2 = t[(i + 1) % 10][g3] ^ g4;
  uint8_t g1 = t[i][g2] ^ g3;
  return static_cast<uint16_t>(g1 << 8 | g2);
}

// Rules A for steps 1-8 and 17-24, B for 9-16 and 25-32.
inline bool RuleA(int k) {
  return (k / 8) % 2 == 0;
}

}  // namespace

void TCipher_Skipjack::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[10] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  auto& t = *reinterpret_cast<KeyTables*>(KeySchedule());
  for (int i = 0; i < 10; ++i)
    for (int x = 0; x < 256; ++x) t[i][x] = Skipjack_F[x ^ key[i]];
  std::memset(key, 0, sizeof key);
  CompleteInit(IVector);
}

void TCipher_Skipjack::EncryptBlock(void* Data) {
  const auto& t = *reinterpret_cast<const KeyTables*>(KeySchedule());
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint16_t w1 = LoadBE16(d), w2 = LoadBE16(d + 2), w3 = LoadBE16(d + 4), w4 = LoadBE16(d + 6);
  for (int k = 0; k < 32; ++k) {
    const uint16_t counter = static_cast<uint16_t>(k + 1);
    const uint16_t g = G(t, k, w1);
    if (RuleA(k)) {
      uint16_t n1 = g ^ w4 ^ counter;
      w4 = w3;
      w3 = w2;
      w2 = g;
      w1 = n1;
    } else {
      uint16_t n3 = w1 ^ w2 ^ counter;
      w1 = w4;
      w4 = w3;
      w3 = n3;
      w2 = g;
    }
  }
  StoreBE16(d, w1);
  StoreBE16(d + 2, w2);
  StoreBE16(d + 4, w3);
  StoreBE16(d + 6, w4);
}

void TCipher_Skipjack::DecryptBlock(void* Data) {
  const auto& t = *reinterpret_cast<const KeyTables*>(KeySchedule());
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint16_t w1 = LoadBE16(d), w2 = LoadBE16(d + 2), w3 = LoadBE16(d + 4), w4 = LoadBE16(d + 6);
  for (int k = 31; k >= 0; --k) {
    const uint16_t counter = static_cast<uint16_t>(k + 1);
    const uint16_t g = GInv(t, k, w2);
    if (RuleA(k)) {
      uint16_t n4 = w1 ^ w2 ^ counter;
      w1 = g;
      w2 = w3;
      w3 = w4;
      w4 = n4;
    } else {
      uint16_t n2 = w3 ^ g ^ counter;
      w3 = w4;
      w4 = w1;
      w1 = g;
      w2 = n2;
    }
  }
  StoreBE16(d, w1);
  StoreBE16(d + 2, w2);
  StoreBE16(d + 4, w3);
  StoreBE16(d + 6, w4);
}
