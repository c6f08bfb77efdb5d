// Square: 8 rounds over a 4 x 4 byte state (row i is the block's
// little-endian word i); 128-bit key, 16-byte block. The Square digest uses
// its encryption as the compression step.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Square : public TCipher {
  CIPHER_CLASS(TCipher_Square, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void Init(const void* Key, int Size, const void* IVector) override;
};
