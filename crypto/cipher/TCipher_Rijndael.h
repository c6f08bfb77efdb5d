// Rijndael with 128-bit blocks: keys of up to 16, 24 or 32 bytes (padded
// with zero bytes) give 10, 12 or 14 rounds. 16- and 24-byte keys are AES;
// 32-byte keys follow this library's own key expansion (see the source).
#pragma once

#include "crypto/TCipher.h"

class TCipher_Rijndael : public TCipher {
  CIPHER_CLASS(TCipher_Rijndael, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;

  // Set by Init from the key length.
  int32_t Rounds = 0;

  // Whether blocks are coded with the processor's AES instructions; true
  // where the processor has them. Both ways give the same results.
  static bool UseAESInstructions;
};
