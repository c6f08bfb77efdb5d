// RC6-32/20: 128-bit blocks as four little-endian words, keys of 1 to 256
// bytes.
#pragma once

#include "crypto/TCipher.h"

class TCipher_RC6 : public TCipher {
  CIPHER_CLASS(TCipher_RC6, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;

  // Init takes a value outside 16 .. 24 as 20.
  int32_t Rounds = 0;
};
