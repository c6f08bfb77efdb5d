// Tiny algorithms of the tests: a toy block cipher with 8- and 12-byte blocks
// and a toy hash. They exercise the modes, the key setup and the chain
// without depending on any real algorithm; they are not secure.
#pragma once

#include "crypto/TCipher.h"
#include "crypto/THash.h"

// Rounds of: add key bytes, rotate the block by one byte, chain-XOR the bytes.
class TCipher_Toy : public TCipher {
  CIPHER_CLASS(TCipher_Toy, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  int InitCalls = 0;
};

class TCipher_Toy12 : public TCipher_Toy {
  CIPHER_CLASS(TCipher_Toy12, TCipher_Toy)
};

// A 16-byte digest that mixes every byte and the length into its state.
class THash_Toy : public THash {
  HASH_CLASS(THash_Toy, THash)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  void Finish() override;
  uint8_t* GetDigest() override { return digest_; }

 private:
  uint8_t digest_[16] = {};
  uint64_t count_ = 0;
};
