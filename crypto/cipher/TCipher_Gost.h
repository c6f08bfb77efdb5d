// GOST 28147-89: 32 rounds over two little-endian 32-bit halves with the
// S-boxes of the GOST R 34.11-94 test parameters; 256-bit key.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Gost : public TCipher {
  CIPHER_CLASS(TCipher_Gost, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
