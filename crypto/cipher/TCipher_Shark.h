// SHARK: 6 rounds over a 64-bit block read as one little-endian number,
// 128-bit key. Its key material begins at key byte 1 and wraps to byte 0;
// files coded with it depend on both that and the byte order.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Shark : public TCipher {
  CIPHER_CLASS(TCipher_Shark, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
