// 3-Way: 11 rounds and a final linear step over three little-endian 32-bit
// words; 96-bit key, 12-byte block.
#pragma once

#include "crypto/TCipher.h"

class TCipher_3Way : public TCipher {
  CIPHER_CLASS(TCipher_3Way, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
