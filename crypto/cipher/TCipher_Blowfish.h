// Blowfish: 16 rounds over two big-endian 32-bit halves, keys of 1 to 56
// bytes. The library's default cipher.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Blowfish : public TCipher {
  CIPHER_CLASS(TCipher_Blowfish, TCipher)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
