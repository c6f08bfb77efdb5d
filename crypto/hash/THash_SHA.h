// SHA in its first form (FIPS 180, 1993): the message expansion does not
// rotate. The digest is big-endian, so Finish byte-swaps the state words.
#pragma once

#include "crypto/hash/THash_RipeMD160.h"

class THash_SHA : public THash_RipeMD160 {
  HASH_CLASS(THash_SHA, THash_RipeMD160)
 public:
  void Finish() override;

  // Whether SHA-1 blocks go through the processor's SHA instructions; true
  // where the processor has them. Both ways give the same digest.
  static bool UseShaInstructions;

 protected:
  void CompressBlock(const void* Block) override;

  // Whether the message expansion rotates (SHA-1) or not (SHA).
  bool Rotate = false;
};
