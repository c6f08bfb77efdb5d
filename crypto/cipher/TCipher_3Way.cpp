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

// The linear step: each word XORed with rotations of itself and its two
// neighbours (the published thirteen-term form). The byte rotations of the
// XOR of all words are shared by the three words, and of the shifted terms
// the third word's are the first two words' moved by 16 bits.
inline void Theta(uint32_t& a0, uint32_t& a1, uint32_t& a2) {
  uint32_t c = a0 ^ a1 ^ a2;
  c = RotateLeft32(c, 16) ^ RotateLeft32(c, 8);
  const uint32_t b0 = (a0 << 24) ^ (a2 >> 8) ^ (a1 << 8) ^ (a0 >> 24);
  const uint32_t b1 = (a1 << 24) ^ (a0 >> 8) ^ (a2 << 8) ^ (a1 >> 24);
  a0 ^= c ^ b0;
  a1 ^= c ^ b1;
  a2 ^= c ^ (b0 >> 16) ^ (b1 << 16);
}

// theta, pi-1, gamma, pi-2.
inline void Rho(uint32_t& a0, uint32_t& a1, uint32_t& a2) {
  Theta(a0, a1, a2);
  a0 = RotateRight32(a0, 10);
  a2 = RotateLeft32(a2, 1);
  const uint32_t b0 = a0 ^ (a1 | ~a2);
  const uint32_t b1 = a1 ^ (a2 | ~a0);
  const uint32_t b2 = a2 ^ (a0 | ~a1);
  a0 = RotateLeft32(b0, 1);
  a1 = b1;
  a2 = RotateRight32(b2, 10);
}

// Round constants: doubling in GF(2)[x] modulo x^16 + x^12 + x^4 + x + 1.
void RoundConstants(uint32_t start, uint32_t* out) {
  for (int i = 0; i <= kRounds; ++i) {
    out[i] = start;
    start <<= 1;
    if (start & 0x10000) start ^= 0x11011;
  }
}

void Crypt(uint32_t* a, const uint32_t* key, const uint32_t* rc) {
  const uint32_t k0 = key[0], k1 = key[1], k2 = key[2];
  uint32_t a0 = a[0], a1 = a[1], a2 = a[2];
  for (int i = 0; i < kRounds; ++i) {
    a0 ^= k0 ^ (rc[i] << 16);
    a1 ^= k1;
    a2 ^= k2 ^ rc[i];
    Rho(a0, a1, a2);
  }
  a0 ^= k0 ^ (rc[kRounds] << 16);
  a1 ^= k1;
  a2 ^= k2 ^ rc[kRounds];
  Theta(a0, a1, a2);
  a[0] = a0, a[1] = a1, a[2] = a2;
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
  Theta(s.DecryptKey[0], s.DecryptKey[1], s.DecryptKey[2]);
  Mu(s.DecryptKey);
  RoundConstants(0x0B0B, s.EncryptConst);
  RoundConstants(0xB1B1, s.DecryptConst);
  CompleteInit(IVector);
}

const uint8_t* TCipher_3Way::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xAB, 0xEC, 0xB3, 0x25, 0xFC, 0x60, 0x79, 0xD8, 0xAE, 0x75, 0x19, 0xB9, 0xD5, 0x56, 0xF7, 0x2D,
      0xBE, 0xFF, 0x29, 0xC6, 0xEB, 0x75, 0x50, 0x4D, 0xF7, 0x46, 0xA6, 0x4B, 0xD1, 0x96, 0x0A, 0x78};
  return answer;
}
