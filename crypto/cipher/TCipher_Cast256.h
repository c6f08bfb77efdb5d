// CAST-256: 128-bit blocks as four big-endian words, keys of up to 32 bytes
// padded with zero bytes, 12 quad-rounds.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Cast256 : public TCipher {
  CIPHER_CLASS(TCipher_Cast256, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
