// SAFER K and SAFER SK: eight-byte blocks, exponent and logarithm layers
// over GF(257) and the pseudo-Hadamard transform. The variant (40-, 64- or
// 128-bit key, original or strengthened key schedule) and the number of
// rounds are fixed by the class; TCipher_SAFER picks the strengthened
// variant from the key length.
#pragma once

#include "crypto/TCipher.h"

class TCipher_SAFER : public TCipher {
  CIPHER_CLASS(TCipher_SAFER, TCipher)
 public:
  // Self-test data: this class's cmCTS coding of TCipher::KnownAnswer()
  // under a key of that input's first min(KeySize, 32) bytes; 32 bytes.
  static const uint8_t* KnownAnswer();
  // The variants as stored in Variant().
  enum TSAFERVersion : uint8_t { svK40 = 1, svK64 = 2, svK128 = 3, svSK40 = 5, svSK64 = 6, svSK128 = 7 };

  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  // The strengthened variant for the key's length: SK-40 up to 5 bytes,
  // SK-64 up to 8, SK-128 above.
  void Init(const void* Key, int Size, const void* IVector) override;

  // Rounds of the next key schedule; a value outside 4..13 (0 in a new
  // object) means the variant's default: 5 for 40-bit, 6 for 64-bit and 10
  // for 128-bit keys.
  int32_t Rounds() const { return rounds_; }
  void SetRounds(int32_t Value) { rounds_ = Value; }
  TSAFERVersion Variant() const { return variant_; }

 protected:
  // The key schedule of Version from Size (already clamped) bytes of Key.
  void InitVersion(const void* Key, int Size, const void* IVector, TSAFERVersion Version);

 private:
  int32_t rounds_ = 0;
  TSAFERVersion variant_ = TSAFERVersion(0);
  int used_rounds_ = 0;
};

class TCipher_SAFER_K40 : public TCipher_SAFER {
  CIPHER_CLASS(TCipher_SAFER_K40, TCipher_SAFER)
 public:
  static const uint8_t* KnownAnswer();
  void Init(const void* Key, int Size, const void* IVector) override;
};

class TCipher_SAFER_SK40 : public TCipher_SAFER_K40 {
  CIPHER_CLASS(TCipher_SAFER_SK40, TCipher_SAFER_K40)
 public:
  static const uint8_t* KnownAnswer();
  void Init(const void* Key, int Size, const void* IVector) override;
};

class TCipher_SAFER_K64 : public TCipher_SAFER {
  CIPHER_CLASS(TCipher_SAFER_K64, TCipher_SAFER)
 public:
  static const uint8_t* KnownAnswer();
  void Init(const void* Key, int Size, const void* IVector) override;
};

class TCipher_SAFER_SK64 : public TCipher_SAFER_K64 {
  CIPHER_CLASS(TCipher_SAFER_SK64, TCipher_SAFER_K64)
 public:
  static const uint8_t* KnownAnswer();
  void Init(const void* Key, int Size, const void* IVector) override;
};

class TCipher_SAFER_K128 : public TCipher_SAFER {
  CIPHER_CLASS(TCipher_SAFER_K128, TCipher_SAFER)
 public:
  static const uint8_t* KnownAnswer();
  void Init(const void* Key, int Size, const void* IVector) override;
};

class TCipher_SAFER_SK128 : public TCipher_SAFER_K128 {
  CIPHER_CLASS(TCipher_SAFER_SK128, TCipher_SAFER_K128)
 public:
  static const uint8_t* KnownAnswer();
  void Init(const void* Key, int Size, const void* IVector) override;
};
