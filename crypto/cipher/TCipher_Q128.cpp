#include "crypto/cipher/TCipher_Q128.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/Q128Table.h"

namespace {

constexpr int kRounds = 16;

inline uint32_t T(uint32_t x) { return Q128_T[x & 1023]; }

}  // namespace

// A key shorter than 16 bytes, even an empty one, is padded with zeros.
// KeySchedule: four round-key words per round.
CIPHER_DEFINE_CLASS(TCipher_Q128, TCipher, 16, 16, kRounds * 4 * 4, 0)

void TCipher_Q128::EncryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint32_t* k = KeyScheduleAs<const uint32_t>();
  uint32_t a = LoadLE32(d), b = LoadLE32(d + 4), c = LoadLE32(d + 8), e = LoadLE32(d + 12);
  for (int r = 0; r < kRounds; ++r, k += 4) {
    b ^= T(a) + k[0];
    c ^= T(b) + k[1];
    e ^= T(c) + k[2];
    a = RotateLeft32(a, 10) ^ (T(e) + k[3]);
    b = RotateLeft32(b, 10);
    c = RotateLeft32(c, 10);
    e = RotateLeft32(e, 10);
  }
  StoreLE32(d, a);
  StoreLE32(d + 4, b);
  StoreLE32(d + 8, c);
  StoreLE32(d + 12, e);
}

void TCipher_Q128::DecryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint32_t* k = KeyScheduleAs<const uint32_t>() + 4 * kRounds;
  uint32_t a = LoadLE32(d), b = LoadLE32(d + 4), c = LoadLE32(d + 8), e = LoadLE32(d + 12);
  for (int r = 0; r < kRounds; ++r) {
    k -= 4;
    b = RotateRight32(b, 10);
    c = RotateRight32(c, 10);
    e = RotateRight32(e, 10);
    a = RotateRight32(a ^ (T(e) + k[3]), 10);
    e ^= T(c) + k[2];
    c ^= T(b) + k[1];
    b ^= T(a) + k[0];
  }
  StoreLE32(d, a);
  StoreLE32(d + 4, b);
  StoreLE32(d + 8, c);
  StoreLE32(d + 12, e);
}

void TCipher_Q128::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t padded[16] = {};
  if (Size > 0) std::memcpy(padded, Key, Size);
  uint32_t w[4];
  for (int i = 0; i < 4; ++i) w[i] = LoadLE32(padded + 4 * i);
  uint32_t* k = KeyScheduleAs<uint32_t>();
  // Nineteen mixing steps; the last sixteen give the round keys.
  for (int n = 0; n < 19; ++n) {
    w[1] ^= T(w[0]);
    uint32_t t = RotateRight32(w[0], 10);
    w[2] ^= T(w[1]);
    w[1] = RotateRight32(w[1], 10);
    w[3] ^= T(w[2]);
    w[2] = RotateRight32(w[2], 10);
    w[0] = T(w[3]) ^ t;
    w[3] = RotateRight32(w[3], 10);
    if (n >= 3) {
      std::memcpy(k, w, sizeof(w));
      k += 4;
    }
  }
  std::memset(padded, 0, sizeof(padded));
  std::memset(w, 0, sizeof(w));
  CompleteInit(IVector);
}

const uint8_t* TCipher_Q128::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x5E, 0x61, 0xEA, 0x92, 0x64, 0xB8, 0x35, 0xFF, 0x29, 0x72, 0x80, 0xDF, 0x0B, 0x23, 0xAF, 0x9E,
      0x23, 0x46, 0x9C, 0x5E, 0x18, 0x54, 0x69, 0xA2, 0xEC, 0xB4, 0xD9, 0x1B, 0x13, 0x7F, 0x58, 0x0B};
  return answer;
}
