#include "crypto/cipher/TCipher_3Way.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

namespace {

constexpr int kRounds = 11;

// KeySchedule: the key, the decryption key, and the round constants of
// encryption and of decryption (kRounds + 1 each).
struct ThreeWayState {
  uint32_t Key[3];
  uint32_t DecryptKey[3];
  uint32_t EncryptConst[kRounds + 1];
  uint32_t DecryptConst[kRounds + 1];
};
static_assert(sizeof(ThreeWayState) == 120);

// Reverses the order of the 96 bits.
void Mu(uint32_t* a) {
  uint32_t b0 = ReverseBits32(a[2]), b1 = ReverseBits32(a[1]), b2 = ReverseBits32(a[0]);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

void Gamma(uint32_t* a) {
  uint32_t b0 = a[0] ^ (a[1] | ~a[2]);
  uint32_t b1 = a[1] ^ (a[2] | ~a[0]);
  uint32_t b2 = a[2] ^ (a[0] | ~a[1]);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

void Theta(uint32_t* a) {
  uint32_t b0 = a[0] ^ (a[0] >> 16) ^ (a[1] << 16) ^ (a[1] >> 16) ^ (a[2] << 16) ^ (a[1] >> 24) ^
                (a[2] << 8) ^ (a[2] >> 8) ^ (a[0] << 24) ^ (a[2] >> 16) ^ (a[0] << 16) ^
                (a[2] >> 24) ^ (a[0] << 8);
  uint32_t b1 = a[1] ^ (a[1] >> 16) ^ (a[2] << 16) ^ (a[2] >> 16) ^ (a[0] << 16) ^ (a[2] >> 24) ^
                (a[0] << 8) ^ (a[0] >> 8) ^ (a[1] << 24) ^ (a[0] >> 16) ^ (a[1] << 16) ^
                (a[0] >> 24) ^ (a[1] << 8);
  uint32_t b2 = a[2] ^ (a[2] >> 16) ^ (a[0] << 16) ^ (a[0] >> 16) ^ (a[1] << 16) ^ (a[0] >> 24) ^
                (a[1] << 8) ^ (a[1] >> 8) ^ (a[2] << 24) ^ (a[1] >> 16) ^ (a[2] << 16) ^
                (a[1] >> 24) ^ (a[2] << 8);
  a[0] = b0, a[1] = b1, a[2] = b2;
}

void Pi1(uint32_t* a) {
  a[0] = RotateRight32(a[0], 10);
  a[2] = RotateLeft32(a[2], 1);
}

void Pi2(uint32_t* a) {
  a[0] = RotateLeft32(a[0], 1);
  a[2] = RotateRight32(a[2], 10);
}

void Rho(uint32_t* a) {
  Theta(a);
  Pi1(a);
  Gamma(a);
  Pi2(a);
}

// Round constants: doubling in GF(2)[x] modulo x^16 + x^12 + x^4 + x + 1.
void RoundConstants(uint32_t start, uint32_t* out) {
  for (int i = 0; i <= kRounds; ++i) {
    out[i] = start;
    start <<= 1;
    if (start & 0x10000) start ^= 0x11011;
  }
}

void Crypt(uint32_t* a, const uint32_t* k, const uint32_t* rc) {
  for (int i = 0; i < kRounds; ++i) {
    a[0] ^= k[0] ^ (rc[i] << 16);
    a[1] ^= k[1];
    a[2] ^= k[2] ^ rc[i];
    Rho(a);
  }
  a[0] ^= k[0] ^ (rc[kRounds] << 16);
  a[1] ^= k[1];
  a[2] ^= k[2] ^ rc[kRounds];
  Theta(a);
}

}  // namespace

// A key shorter than 12 bytes, even an empty one, is padded with zeros.
CIPHER_DEFINE_CLASS(TCipher_3Way, TCipher, 12, 12, sizeof(ThreeWayState), 0)

void TCipher_3Way::EncryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const auto& s = *KeyScheduleAs<const ThreeWayState>();
  uint32_t a[3] = {LoadLE32(d), LoadLE32(d + 4), LoadLE32(d + 8)};
  Crypt(a, s.Key, s.EncryptConst);
  StoreLE32(d, a[0]);
  StoreLE32(d + 4, a[1]);
  StoreLE32(d + 8, a[2]);
}

void TCipher_3Way::DecryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const auto& s = *KeyScheduleAs<const ThreeWayState>();
  uint32_t a[3] = {LoadLE32(d), LoadLE32(d + 4), LoadLE32(d + 8)};
  Mu(a);
  Crypt(a, s.DecryptKey, s.DecryptConst);
  Mu(a);
  StoreLE32(d, a[0]);
  StoreLE32(d + 4, a[1]);
  StoreLE32(d + 8, a[2]);
}

void TCipher_3Way::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  auto& s = *KeyScheduleAs<ThreeWayState>();
  uint8_t padded[12] = {};
  if (Size > 0) std::memcpy(padded, Key, Size);
  for (int i = 0; i < 3; ++i) s.Key[i] = s.DecryptKey[i] = LoadLE32(padded + 4 * i);
  std::memset(padded, 0, sizeof(padded));
  Theta(s.DecryptKey);
  Mu(s.DecryptKey);
  RoundConstants(0x0B0B, s.EncryptConst);
  RoundConstants(0xB1B1, s.DecryptConst);
  CompleteInit(IVector);
}
