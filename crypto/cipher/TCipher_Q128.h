// Q128: 16 rounds over four little-endian 32-bit words with a fixed
// 1024-word substitution table; 128-bit key.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Q128 : public TCipher {
  CIPHER_CLASS(TCipher_Q128, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
