// MD4 (RFC 1320) and the frame the MD4 family and Tiger share: a 64-byte
// message buffer, a byte counter and a chaining state of up to ten 32-bit
// words whose little-endian bytes are the digest.
#pragma once

#include <cstdint>

#include "crypto/THash.h"

class THash_MD4 : public THash {
  HASH_CLASS(THash_MD4, THash)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  void Finish() override;
  uint8_t* GetDigest() override;

 protected:
  // Folds one 64-byte block into Digest; touches neither Count nor Buffer.
  virtual void CompressBlock(const void* Block);
  // The common tail of Finish: padding byte, zeros, the bit length in the
  // last 8 bytes of the block, compression.
  void PadAndCompress(uint8_t PadByte, bool BigEndianLength);

  uint64_t Count = 0;  // bytes absorbed since Reset
  uint8_t Buffer[64] = {};
  uint32_t Digest[10] = {};
};
