// Skipjack: 64-bit blocks as four big-endian 16-bit words, 10-byte keys
// (padded with zero bytes), 32 rounds of rules A and B.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Skipjack : public TCipher {
  CIPHER_CLASS(TCipher_Skipjack, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
