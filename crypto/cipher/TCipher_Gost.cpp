#include "crypto/cipher/TCipher_Gost.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

namespace {

// Row r substitutes bits 4r .. 4r+3 of the round function's input.
const uint8_t kSBox[8][16] = {
    {0x4, 0xA, 0x9, 0x2, 0xD, 0x8, 0x0, 0xE, 0x6, 0xB, 0x1, 0xC, 0x7, 0xF, 0x5, 0x3},
    {0xE, 0xB, 0x4, 0xC, 0x6, 0xD, 0xF, 0xA, 0x2, 0x3, 0x8, 0x1, 0x0, 0x7, 0x5, 0x9},
    {0x5, 0x8, 0x1, 0xD, 0xA, 0x3, 0x4, 0x2, 0xE, 0xF, 0xC, 0x7, 0x6, 0x0, 0x9, 0xB},
    {0x7, 0xD, 0xA, 0x1, 0x0, 0x8, 0x9, 0xF, 0xE, 0x4, 0x6, 0xC, 0xB, 0x2, 0x5, 0x3},
    {0x6, 0xC, 0x7, 0x1, 0x5, 0xF, 0xD, 0x8, 0x4, 0xA, 0x9, 0xE, 0x0, 0x3, 0xB, 0x2},
    {0x4, 0xB, 0xA, 0x0, 0x7, 0x2, 0x1, 0xD, 0x3, 0x6, 0x8, 0x5, 0x9, 0xC, 0xF, 0xE},
    {0xD, 0xB, 0x4, 0x1, 0x3, 0xF, 0x5, 0x9, 0x0, 0xA, 0xE, 0x7, 0x6, 0x8, 0x2, 0xC},
    {0x1, 0xF, 0xD, 0x0, 0x5, 0x7, 0xA, 0x4, 0x9, 0x2, 0x3, 0xE, 0x6, 0xB, 0x8, 0xC},
};

// Four tables, each substituting one byte of the sum through two rows and
// rotating the result left by 11 bits, so that f is four look-ups.
struct GostTables {
  uint32_t T[4][256];
  GostTables() {
    for (int b = 0; b < 4; ++b)
      for (int x = 0; x < 256; ++x) {
        uint32_t v = uint32_t(kSBox[2 * b][x & 15]) | uint32_t(kSBox[2 * b + 1][x >> 4]) << 4;
        T[b][x] = RotateLeft32(v << (8 * b), 11);
      }
  }
};
const GostTables& Tables() {
  static const GostTables t;
  return t;
}

inline uint32_t F(const GostTables& t, uint32_t x) {
  return t.T[0][x & 0xFF] ^ t.T[1][(x >> 8) & 0xFF] ^ t.T[2][(x >> 16) & 0xFF] ^ t.T[3][x >> 24];
}

// Key index of round 0..31 for encryption: K0..K7 three times, then K7..K0.
inline int EncryptKeyIndex(int round) { return round < 24 ? round & 7 : 7 - (round & 7); }

}  // namespace

// A key shorter than 32 bytes, even an empty one, is padded with zeros.
CIPHER_DEFINE_CLASS(TCipher_Gost, TCipher, 8, 32, 32, 0)

void TCipher_Gost::EncryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const auto* k = KeyScheduleAs<const uint32_t>();
  const GostTables& t = Tables();
  uint32_t n1 = LoadLE32(d), n2 = LoadLE32(d + 4);
  for (int r = 0; r < 32; r += 2) {
    n2 ^= F(t, n1 + k[EncryptKeyIndex(r)]);
    n1 ^= F(t, n2 + k[EncryptKeyIndex(r + 1)]);
  }
  StoreLE32(d, n2);
  StoreLE32(d + 4, n1);
}

void TCipher_Gost::DecryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const auto* k = KeyScheduleAs<const uint32_t>();
  const GostTables& t = Tables();
  uint32_t n1 = LoadLE32(d), n2 = LoadLE32(d + 4);
  for (int r = 31; r > 0; r -= 2) {
    n2 ^= F(t, n1 + k[EncryptKeyIndex(r)]);
    n1 ^= F(t, n2 + k[EncryptKeyIndex(r - 1)]);
  }
  StoreLE32(d, n2);
  StoreLE32(d + 4, n1);
}

void TCipher_Gost::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  auto* k = KeyScheduleAs<uint32_t>();
  uint8_t padded[32] = {};
  if (Size > 0) std::memcpy(padded, Key, Size);
  for (int i = 0; i < 8; ++i) k[i] = LoadLE32(padded + 4 * i);
  std::memset(padded, 0, sizeof(padded));
  CompleteInit(IVector);
}

const uint8_t* TCipher_Gost::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x1C, 0x7C, 0x1F, 0x7D, 0x3F, 0x7B, 0x79, 0xE8, 0x8E, 0x99, 0xEB, 0x79, 0xE9, 0xAE, 0x86, 0x42,
      0xE6, 0x46, 0xEF, 0x70, 0xE9, 0xB1, 0xC9, 0x02, 0x65, 0x82, 0xEA, 0x15, 0x66, 0x8B, 0xC7, 0x66};
  return answer;
}
