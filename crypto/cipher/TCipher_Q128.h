// Q128: 16 rounds over four little-endian 32-bit words with a fixed
// 1024-word substitution table; 128-bit key.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Q128 : public TCipher {
  CIPHER_CLASS(TCipher_Q128, TCipher)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
