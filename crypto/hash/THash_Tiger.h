// Tiger (Anderson and Biham, 1996) on the MD4 frame: three 64-bit chaining
// words, little-endian, held in the first six words of the frame's state.
#pragma once

#include "crypto/hash/THash_MD4.h"

class THash_Tiger : public THash_MD4 {
  HASH_CLASS(THash_Tiger, THash_MD4)
 public:
  void Reset() override;
  void Finish() override;

  // Number of passes; Reset takes a value outside 3 to 32 as 3.
  int32_t Rounds() const { return rounds_; }
  void SetRounds(int32_t Value) { rounds_ = Value; }

 protected:
  void CompressBlock(const void* Block) override;

 private:
  int32_t rounds_ = 0;
};
