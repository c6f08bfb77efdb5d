// Blowfish: 16 rounds over two big-endian 32-bit halves, keys of 1 to 56
// bytes. The library's default cipher.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Blowfish : public TCipher {
  CIPHER_CLASS(TCipher_Blowfish, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
