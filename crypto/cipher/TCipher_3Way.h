// 3-Way: 11 rounds and a final linear step over three little-endian 32-bit
// words; 96-bit key, 12-byte block.
#pragma once

#include "crypto/TCipher.h"

class TCipher_3Way : public TCipher {
  CIPHER_CLASS(TCipher_3Way, TCipher)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
