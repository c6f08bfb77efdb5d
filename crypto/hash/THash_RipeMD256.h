// RIPEMD-256 on the MD4 frame: the library's default hash, from which every
// cipher key is derived, so its output must equal the published digest.
#pragma once

#include "crypto/hash/THash_MD4.h"

class THash_RipeMD256 : public THash_MD4 {
  HASH_CLASS(THash_RipeMD256, THash_MD4)
 public:
  void Reset() override;

 protected:
  void CompressBlock(const void* Block) override;
};
