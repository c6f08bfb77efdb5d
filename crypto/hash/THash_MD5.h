// MD5 (RFC 1321) on the MD4 frame.
#pragma once

#include "crypto/hash/THash_MD4.h"

class THash_MD5 : public THash_MD4 {
  HASH_CLASS(THash_MD5, THash_MD4)
 protected:
  void CompressBlock(const void* Block) override;
};
