#include "crypto/cipher/TCipher_DESX.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/DESXTables.h"

CIPHER_DEFINE_CLASS(TCipher_DESX, TCipher_1DES, 8, 16, 272, 0)

namespace {

// KeySchedule: DES encryption K, DES decryption K, then K1 and K2.
constexpr int kWhitening = 2 * 32 * 4;  // byte offset of K1

}  // namespace

void TCipher_DESX::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[24];
  PadKey(Key, Size, key);
  MakeKey(key, false, KeyScheduleAs<uint32_t>());
  MakeKey(key, true, KeyScheduleAs<uint32_t>() + kKeyWords);
  uint8_t* k1 = KeySchedule() + kWhitening;
  uint8_t* k2 = k1 + 8;
  std::memcpy(k1, key + 8, 8);
  // K2: a register shifted one byte towards its start for each byte of K
  // and then K1, its new last byte drawn from P.
  uint8_t r[8] = {};
  for (int i = 0; i < 16; ++i) {
    const uint8_t t = DESX_P[r[0] ^ r[1]];
    std::memmove(r, r + 1, 7);
    r[7] = t ^ key[i];
  }
  std::memcpy(k2, r, 8);
  std::memset(r, 0, sizeof r);
  std::memset(key, 0, sizeof key);
  CompleteInit(IVector);
}

void TCipher_DESX::EncryptBlock(void* Data) {
  uint8_t* d = static_cast<uint8_t*>(Data);
  const uint8_t* k1 = KeySchedule() + kWhitening;
  XorBlocks(d, k1, 8, d);
  DESBlock(KeyScheduleAs<uint32_t>(), d);
  XorBlocks(d, k1 + 8, 8, d);
}

void TCipher_DESX::DecryptBlock(void* Data) {
  uint8_t* d = static_cast<uint8_t*>(Data);
  const uint8_t* k1 = KeySchedule() + kWhitening;
  XorBlocks(d, k1 + 8, 8, d);
  DESBlock(KeyScheduleAs<uint32_t>() + kKeyWords, d);
  XorBlocks(d, k1, 8, d);
}
