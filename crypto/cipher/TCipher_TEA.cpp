#include "crypto/cipher/TCipher_TEA.h"

#include <algorithm>
#include <cstring>

#include "crypto/CodingRoutines.h"

namespace {
constexpr uint32_t kDelta = 0x9E3779B9;
}  // namespace

// The key, zero-padded to 16 bytes (an empty key too), is the schedule.
CIPHER_DEFINE_CLASS(TCipher_TEA, TCipher, 8, 16, 32, 0)
CIPHER_DEFINE_CLASS(TCipher_TEAN, TCipher_TEA, 8, 16, 32, 0)

void TCipher_TEA::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  rounds_ = std::clamp(rounds_, 16, 32);
  if (Size > 0) std::memcpy(KeySchedule(), Key, Size);
  CompleteInit(IVector);
}

// The published TEA adds sum to z before the XOR; this round adds it to
// ((z shl 4) + k0) xor z.
void TCipher_TEA::EncryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint8_t* s = KeySchedule();
  const uint32_t k0 = LoadLE32(s), k1 = LoadLE32(s + 4), k2 = LoadLE32(s + 8), k3 = LoadLE32(s + 12);
  uint32_t y = LoadLE32(d), z = LoadLE32(d + 4), sum = 0;
  for (int32_t n = 0; n < rounds_; ++n) {
    sum += kDelta;
    y += ((((z << 4) + k0) ^ z) + sum) ^ ((z >> 5) + k1);
    z += ((((y << 4) + k2) ^ y) + sum) ^ ((y >> 5) + k3);
  }
  StoreLE32(d, y);
  StoreLE32(d + 4, z);
}

void TCipher_TEA::DecryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint8_t* s = KeySchedule();
  const uint32_t k0 = LoadLE32(s), k1 = LoadLE32(s + 4), k2 = LoadLE32(s + 8), k3 = LoadLE32(s + 12);
  uint32_t y = LoadLE32(d), z = LoadLE32(d + 4), sum = kDelta * uint32_t(rounds_);
  for (int32_t n = 0; n < rounds_; ++n) {
    z -= ((((y << 4) + k2) ^ y) + sum) ^ ((y >> 5) + k3);
    y -= ((((z << 4) + k0) ^ z) + sum) ^ ((z >> 5) + k1);
    sum -= kDelta;
  }
  StoreLE32(d, y);
  StoreLE32(d + 4, z);
}

// The published extended TEA XORs (z + its shift mix) with (sum + key word);
// this round adds the shift mix, sum xor z and the key word.
void TCipher_TEAN::EncryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint8_t* s = KeySchedule();
  const uint32_t k[4] = {LoadLE32(s), LoadLE32(s + 4), LoadLE32(s + 8), LoadLE32(s + 12)};
  uint32_t y = LoadLE32(d), z = LoadLE32(d + 4), sum = 0;
  for (int32_t n = 0; n < rounds_; ++n) {
    y += ((z << 4) ^ (z >> 5)) + (sum ^ z) + k[sum & 3];
    sum += kDelta;
    z += ((y << 4) ^ (y >> 5)) + (sum ^ y) + k[(sum >> 11) & 3];
  }
  StoreLE32(d, y);
  StoreLE32(d + 4, z);
}

void TCipher_TEAN::DecryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint8_t* s = KeySchedule();
  const uint32_t k[4] = {LoadLE32(s), LoadLE32(s + 4), LoadLE32(s + 8), LoadLE32(s + 12)};
  uint32_t y = LoadLE32(d), z = LoadLE32(d + 4), sum = kDelta * uint32_t(rounds_);
  for (int32_t n = 0; n < rounds_; ++n) {
    z -= ((y << 4) ^ (y >> 5)) + (sum ^ y) + k[(sum >> 11) & 3];
    sum -= kDelta;
    y -= ((z << 4) ^ (z >> 5)) + (sum ^ z) + k[sum & 3];
  }
  StoreLE32(d, y);
  StoreLE32(d + 4, z);
}

const uint8_t* TCipher_TEA::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x20, 0x4D, 0x32, 0xDD, 0x06, 0xDF, 0xF5, 0xAA, 0xF7, 0x2E, 0xC0, 0x0F, 0xC0, 0x58, 0x4D, 0xAC,
      0xBF, 0x3D, 0x5A, 0x76, 0x00, 0x43, 0xEE, 0xB0, 0xCD, 0x88, 0x2C, 0x17, 0x95, 0xC5, 0xB6, 0x9C};
  return answer;
}

const uint8_t* TCipher_TEAN::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x81, 0xF0, 0xEE, 0xED, 0xF6, 0x8E, 0x73, 0xAC, 0x75, 0xFA, 0x6D, 0xAD, 0x41, 0x5C, 0x5D, 0x9D,
      0x79, 0x9D, 0x9F, 0x29, 0x05, 0x84, 0x9E, 0x12, 0x94, 0x1B, 0xD7, 0x9C, 0x20, 0x29, 0xAF, 0x7B};
  return answer;
}
