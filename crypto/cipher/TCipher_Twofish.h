// Twofish: 16 rounds over four little-endian 32-bit words with 128-, 192-
// or 256-bit keys. Its key schedule differs from the published one in the
// odd subkeys (ROL(A + (B shr 1), 9) instead of ROL(A + 2B, 9)); files coded
// with it depend on that.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Twofish : public TCipher {
  CIPHER_CLASS(TCipher_Twofish, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  // A key is padded with zeros to 16, 24 or 32 bytes, the next of the three
  // at least as long as the key.
  void Init(const void* Key, int Size, const void* IVector) override;

 protected:
  // The key schedule; PublishedOddSubkeys gives the published Twofish.
  void ExpandKey(const void* Key, int Size, bool PublishedOddSubkeys);
};
