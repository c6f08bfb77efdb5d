// MISTY1: 8 rounds with FL layers over a 64-bit block, 16-byte key read as
// big-endian 16-bit words. The block is taken as two little-endian 32-bit
// halves, so each half of the usual big-endian form appears byte-reversed.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Misty : public TCipher {
  CIPHER_CLASS(TCipher_Misty, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
