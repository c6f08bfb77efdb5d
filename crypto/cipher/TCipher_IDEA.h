// IDEA: 8 rounds and an output transformation over four big-endian 16-bit
// words; 128-bit key.
#pragma once

#include "crypto/TCipher.h"

class TCipher_IDEA : public TCipher {
  CIPHER_CLASS(TCipher_IDEA, TCipher)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
