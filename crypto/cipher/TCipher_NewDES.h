// NewDES: 64-bit blocks of eight bytes, 15-byte keys (padded with zero
// bytes); eight rounds and a final half round driven by 60 key bytes.
#pragma once

#include "crypto/TCipher.h"

class TCipher_NewDES : public TCipher {
  CIPHER_CLASS(TCipher_NewDES, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
