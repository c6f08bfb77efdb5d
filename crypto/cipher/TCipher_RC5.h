// RC5-32/12: 64-bit blocks as two little-endian words, keys of 1 to 256
// bytes.
#pragma once

#include "crypto/TCipher.h"

class TCipher_RC5 : public TCipher {
  CIPHER_CLASS(TCipher_RC5, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;

  // Init takes a value outside 8 .. 16 as 12.
  int32_t Rounds = 0;
};
