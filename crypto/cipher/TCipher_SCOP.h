// SCOP: a stream cipher coding 128-byte blocks (32 little-endian words) with
// a table that a keyed polynomial generator fills; keys of 1 to 48 bytes.
// Coding changes the table, so every coding action starts again from the
// table saved after the key was installed.
#pragma once

#include "crypto/TCipher.h"

class TCipher_SCOP : public TCipher {
  CIPHER_CLASS(TCipher_SCOP, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  // Raises ECipherException for an empty key, whose expansion would read
  // outside the key.
  void Init(const void* Key, int Size, const void* IVector) override;
  // Also restores the table saved by Init.
  void ResetFeedback() override;
};
