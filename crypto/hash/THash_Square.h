// A 16-byte digest built on the Square block cipher: each 16-byte block is
// encrypted under the current digest as the key, and the block's first four
// bytes are folded into the result.
#pragma once

#include <cstdint>

#include "crypto/TCipher.h"
#include "crypto/THash.h"

class THash_Square : public THash {
  HASH_CLASS(THash_Square, THash)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  void Finish() override;
  uint8_t* GetDigest() override;

 private:
  void Compress(const uint8_t* Block);

  uint64_t Count = 0;  // bytes absorbed since Reset
  uint8_t Buffer[16] = {};
  uint32_t Digest[4] = {};
  TProtectionRef<TCipher> cipher_;  // the Square cipher, made on first use
};
