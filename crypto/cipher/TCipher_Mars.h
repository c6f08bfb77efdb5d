// MARS: 128-bit blocks as four little-endian words; keys of 4 to 39 words
// (bytes that do not fill a word are ignored) expanded as in the cipher's
// first published form.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Mars : public TCipher {
  CIPHER_CLASS(TCipher_Mars, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
