// Snefru-256 (Merkle, 1990), 8 passes over a 32-byte input block. Unlike the
// published form, the block and the digest words are little-endian and the
// bit length shares the last block when it fits: stored digests rely on it.
#pragma once

#include <cstdint>

#include "crypto/THash.h"

class THash_Snefru : public THash {
  HASH_CLASS(THash_Snefru, THash)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  void Finish() override;
  uint8_t* GetDigest() override;

 private:
  void Compress(const uint8_t* Block);

  int32_t passes_ = 8;
  uint64_t Count = 0;  // bytes absorbed since Reset
  // Words 0 to 7 are the chaining value and, after Finish, the digest.
  uint32_t Digest[16] = {};
  uint8_t Buffer[32] = {};
};

namespace snefru {
// The compression function on words: Chain := Snefru(Chain, Block), Passes
// passes. Byte order is the caller's business.
void Compress(uint32_t* Chain, const uint32_t* Block, int Passes = 8);
}  // namespace snefru
