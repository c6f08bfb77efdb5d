// Two ciphers in the manner of TEA, over two little-endian 32-bit words with
// a 128-bit key: TCipher_TEA and TCipher_TEAN (in the manner of extended
// TEA). Both keep their own round functions, which differ from the published
// TEA and XTEA rounds; files coded with them depend on that.
#pragma once

#include "crypto/TCipher.h"

class TCipher_TEA : public TCipher {
  CIPHER_CLASS(TCipher_TEA, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  // Also brings Rounds into 16..32.
  void Init(const void* Key, int Size, const void* IVector) override;

  // Cycles; 0 in a new object, which Init makes 16.
  int32_t Rounds() const { return rounds_; }
  void SetRounds(int32_t Value) { rounds_ = Value; }

 protected:
  int32_t rounds_ = 0;
};

class TCipher_TEAN : public TCipher_TEA {
  CIPHER_CLASS(TCipher_TEAN, TCipher_TEA)
 public:
  static const uint8_t* KnownAnswer();
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
