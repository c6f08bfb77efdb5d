#include "crypto/cipher/TCipher_IDEA.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

namespace {

// KeySchedule: the 52 encryption subkeys, then the 52 decryption subkeys.
constexpr int kSubkeys = 52;

// Multiplication modulo 65537 with 0 standing for 65536.
inline uint16_t Mul(uint32_t a, uint32_t b) {
  if (a == 0) return uint16_t(65537 - b);
  if (b == 0) return uint16_t(65537 - a);
  uint32_t p = a * b;
  uint32_t lo = p & 0xFFFF, hi = p >> 16;
  return uint16_t(lo - hi + (lo < hi ? 1 : 0));
}

// Multiplicative inverse modulo 65537 (0 and 1 are their own inverses).
uint16_t MulInverse(uint16_t x) {
  if (x <= 1) return x;
  // x^(65537-2) mod 65537
  uint64_t result = 1, base = x;
  for (uint32_t e = 65535; e; e >>= 1) {
    if (e & 1) result = result * base % 65537;
    base = base * base % 65537;
  }
  return uint16_t(result);
}

void Crypt(const uint16_t* k, uint8_t* d) {
  uint16_t x1 = LoadBE16(d), x2 = LoadBE16(d + 2), x3 = LoadBE16(d + 4), x4 = LoadBE16(d + 6);
  for (int r = 0; r < 8; ++r, k += 6) {
    x1 = Mul(x1, k[0]);
    x2 = uint16_t(x2 + k[1]);
    x3 = uint16_t(x3 + k[2]);
    x4 = Mul(x4, k[3]);
    uint16_t t2 = Mul(uint16_t(x1 ^ x3), k[4]);
    uint16_t t1 = Mul(uint16_t(t2 + (x2 ^ x4)), k[5]);
    t2 = uint16_t(t1 + t2);
    x1 ^= t1;
    x4 ^= t2;
    t2 ^= x2;
    x2 = uint16_t(x3 ^ t1);
    x3 = t2;
  }
  StoreBE16(d, Mul(x1, k[0]));
  StoreBE16(d + 2, uint16_t(x3 + k[1]));
  StoreBE16(d + 4, uint16_t(x2 + k[2]));
  StoreBE16(d + 6, Mul(x4, k[3]));
}

}  // namespace

// A key shorter than 16 bytes, even an empty one, is padded with zeros.
CIPHER_DEFINE_CLASS(TCipher_IDEA, TCipher, 8, 16, 2 * kSubkeys * 2, 0)

void TCipher_IDEA::EncryptBlock(void* Data) {
  Crypt(KeyScheduleAs<const uint16_t>(), static_cast<uint8_t*>(Data));
}

void TCipher_IDEA::DecryptBlock(void* Data) {
  Crypt(KeyScheduleAs<const uint16_t>() + kSubkeys, static_cast<uint8_t*>(Data));
}

void TCipher_IDEA::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint16_t* e = KeyScheduleAs<uint16_t>();
  uint16_t* d = e + kSubkeys;
  uint8_t padded[16] = {};
  if (Size > 0) std::memcpy(padded, Key, Size);
  // Successive 25-bit left rotations of the 128-bit key, eight words at a time.
  for (int i = 0; i < kSubkeys; ++i) {
    int bit = (i / 8) * 25 + (i % 8) * 16;
    uint32_t v = 0;
    for (int b = 0; b < 16; ++b) {
      int pos = (bit + b) % 128;
      v = v << 1 | ((padded[pos / 8] >> (7 - pos % 8)) & 1);
    }
    e[i] = uint16_t(v);
  }
  std::memset(padded, 0, sizeof(padded));
  // Decryption subkeys: the inverses in reversed order; rounds 2 to 8 swap
  // the two additive keys.
  for (int r = 0; r <= 8; ++r) {
    const uint16_t* ek = e + 6 * (8 - r);
    uint16_t* dk = d + 6 * r;
    dk[0] = MulInverse(ek[0]);
    bool swap = r != 0 && r != 8;
    dk[1] = uint16_t(-ek[swap ? 2 : 1]);
    dk[2] = uint16_t(-ek[swap ? 1 : 2]);
    dk[3] = MulInverse(ek[3]);
    if (r < 8) {
      dk[4] = e[6 * (7 - r) + 4];
      dk[5] = e[6 * (7 - r) + 5];
    }
  }
  CompleteInit(IVector);
}

const uint8_t* TCipher_IDEA::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xCF, 0x73, 0x66, 0x82, 0x7A, 0x76, 0xAE, 0x3A, 0x29, 0x01, 0x48, 0x9D, 0x3E, 0x16, 0x3D, 0x3A,
      0x40, 0xF4, 0x87, 0x57, 0xCD, 0xA3, 0xF9, 0x89, 0xF6, 0x26, 0xCA, 0x56, 0x1B, 0xD7, 0x61, 0x8A};
  return answer;
}
