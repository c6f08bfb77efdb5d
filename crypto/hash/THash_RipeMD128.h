// RIPEMD-128 on the MD4 frame.
#pragma once

#include "crypto/hash/THash_MD4.h"

class THash_RipeMD128 : public THash_MD4 {
  HASH_CLASS(THash_RipeMD128, THash_MD4)
 protected:
  void CompressBlock(const void* Block) override;
};
