// CAST-128: 64-bit blocks as two big-endian words, keys of up to 16 bytes;
// 12 rounds for keys of at most 10 bytes, 16 otherwise.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Cast128 : public TCipher {
  CIPHER_CLASS(TCipher_Cast128, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;

  // Set by Init from the key length.
  int32_t Rounds = 0;
};
