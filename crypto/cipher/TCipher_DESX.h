// DESX: DES between an input and an output whitening. Key bytes 0-7 are the
// DES key K, bytes 8-15 the input whitening K1; the output whitening K2 is
// derived from K and K1.
#pragma once

#include "crypto/cipher/TCipher_DES.h"

class TCipher_DESX : public TCipher_1DES {
  CIPHER_CLASS(TCipher_DESX, TCipher_1DES)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
