// RC2 with the effective key length fixed at 1024 bits: keys of 1 to 128
// bytes, 64-bit blocks as four little-endian 16-bit words.
#pragma once

#include "crypto/TCipher.h"

class TCipher_RC2 : public TCipher {
  CIPHER_CLASS(TCipher_RC2, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
