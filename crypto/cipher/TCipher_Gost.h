// GOST 28147-89: 32 rounds over two little-endian 32-bit halves with the
// S-boxes of the GOST R 34.11-94 test parameters; 256-bit key.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Gost : public TCipher {
  CIPHER_CLASS(TCipher_Gost, TCipher)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
