#include "crypto/cipher/TCipher_NewDES.h"

#include <cstring>

#include "crypto/cipher/NewDESTables.h"

CIPHER_DEFINE_CLASS(TCipher_NewDES, TCipher, 8, 15, 120, 0)

namespace {

// KeySchedule: the 60 key bytes of encryption, then the 60 of decryption.
constexpr int kDecryption = 60;

// Key-byte indices of decryption, seven per round and four for the final
// half round.
constexpr uint8_t kDecryptionOrder[60] = {11, 12, 13, 14, 8,  9,  10, 4,  5, 6, 7, 1, 2,  3,  12,
                                          13, 14, 0,  9,  10, 11, 5,  6,  7, 8, 2, 3, 4,  13, 14,
                                          0,  1,  10, 11, 12, 6,  7,  8,  9, 3, 4, 5, 14, 0,  1,
                                          2,  11, 12, 13, 7,  8,  9,  10, 4, 5, 6, 0, 1,  2,  3};

void Code(const uint8_t* k, uint8_t* b) {
  const uint8_t* f = NewDES_F;
  for (int round = 0; round < 8; ++round, k += 7) {
    b[4] ^= f[b[0] ^ k[0]];
    b[5] ^= f[b[1] ^ k[1]];
    b[6] ^= f[b[2] ^ k[2]];
    b[7] ^= f[b[3] ^ k[3]];
    b[1] ^= f[b[4] ^ k[4]];
    b[2] ^= f[b[4] ^ b[5]];
    b[3] ^= f[b[6] ^ k[5]];
    b[0] ^= f[b[7] ^ k[6]];
  }
  b[4] ^= f[b[0] ^ k[0]];
  b[5] ^= f[b[1] ^ k[1]];
  b[6] ^= f[b[2] ^ k[2]];
  b[7] ^= f[b[3] ^ k[3]];
}

}  // namespace

void TCipher_NewDES::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  uint8_t key[15] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  uint8_t* s = KeySchedule();
  for (int i = 0; i < 60; ++i) {
    s[i] = key[i % 15];
    s[kDecryption + i] = key[kDecryptionOrder[i]];
  }
  std::memset(key, 0, sizeof key);
  CompleteInit(IVector);
}

void TCipher_NewDES::EncryptBlock(void* Data) {
  Code(KeySchedule(), static_cast<uint8_t*>(Data));
}

void TCipher_NewDES::DecryptBlock(void* Data) {
  Code(KeySchedule() + kDecryption, static_cast<uint8_t*>(Data));
}
