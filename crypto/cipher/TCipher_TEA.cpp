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
