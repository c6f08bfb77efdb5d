// The DES family: single DES, the encrypt-decrypt-encrypt compositions with
// two and three keys, and their 16- and 24-byte block variants, which code
// two or three DES blocks side by side and exchange words between the steps.
//
// Keys: K1, K2, K3 are bytes 0-7, 8-15, 16-23 of the key padded with zero
// bytes to KeySize (a 16-byte key for TCipher_3DES gives an all-zero K3).
#pragma once

#include "crypto/TCipher.h"

class TCipher_1DES : public TCipher {
  CIPHER_CLASS(TCipher_1DES, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;

 protected:
  // One DES key in the schedule: 16 rounds x 8 bytes, in round order for
  // encryption or reversed for decryption.
  static constexpr int kKeyWords = 32;
  static void MakeKey(const uint8_t* Key, bool Decrypt, uint32_t* Keys);
  // DES of one 8-byte block in place with one prepared key.
  static void DESBlock(const uint32_t* Keys, uint8_t* Block);
  // Three DES steps in a row on one 8-byte block (the permutations between
  // them cancel out).
  static void DESBlock3(const uint32_t* K1, const uint32_t* K2, const uint32_t* K3, uint8_t* Block);
  // Puts the padded key of KeySize bytes into Buffer (24 bytes).
  void PadKey(const void* Key, int Size, uint8_t* Buffer) const;
};

// E_K1(D_K2(E_K1(x))).
class TCipher_2DES : public TCipher_1DES {
  CIPHER_CLASS(TCipher_2DES, TCipher_1DES)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};

// E_K3(D_K2(E_K1(x))).
class TCipher_3DES : public TCipher_1DES {
  CIPHER_CLASS(TCipher_3DES, TCipher_1DES)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};

// 16-byte blocks, keys K1, K2, K1.
class TCipher_2DDES : public TCipher_2DES {
  CIPHER_CLASS(TCipher_2DDES, TCipher_2DES)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};

// 16-byte blocks, keys K1, K2, K3.
class TCipher_3DDES : public TCipher_3DES {
  CIPHER_CLASS(TCipher_3DDES, TCipher_3DES)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};

// 24-byte blocks, keys K1, K2, K3.
class TCipher_3TDES : public TCipher_3DES {
  CIPHER_CLASS(TCipher_3TDES, TCipher_3DES)
 public:
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
};
