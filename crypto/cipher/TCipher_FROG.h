// FROG (TecApro, AES candidate) with a 32-byte block and 8 rounds. The key
// setup builds an internal key from the key and FROG's random seed, runs the
// cipher with it to produce 2560 random bytes, and formats those as the
// encryption and the decryption internal keys.
#pragma once

#include "crypto/TCipher.h"

class TCipher_FROG : public TCipher {
  CIPHER_CLASS(TCipher_FROG, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};

namespace frog {
// Sizes of one round of an internal key: the XOR vector, the substitution
// and the bomb permutation; eight rounds make a key.
constexpr int kXorSize = 32, kSubstSize = 256, kBombSize = 32;
constexpr int kRoundSize = kXorSize + kSubstSize + kBombSize;  // 320
constexpr int kKeySize = 8 * kRoundSize;                       // 2560

// Turns the first n bytes at p into a permutation of 0 to n - 1.
void MakePermutation(uint8_t* p, int n);
// Formats 2560 bytes in place as an internal key; the decryption key has
// inverted substitutions.
void FormatKey(uint8_t* key, bool decrypting);
}  // namespace frog
