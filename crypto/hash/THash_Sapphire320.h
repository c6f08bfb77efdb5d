// The Sapphire II digest in seven sizes (40 down to 16 bytes); the sizes
// differ only in DigestSize.
#pragma once

#include <cstdint>

#include "crypto/THash.h"
#include "crypto/hash/SapphireState.h"

class THash_Sapphire320 : public THash {
  HASH_CLASS(THash_Sapphire320, THash)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  void Finish() override;
  uint8_t* GetDigest() override;

 private:
  uint64_t Count = 0;  // bytes absorbed since Reset, the finishing ones included
  uint8_t State[sapphire::StateSize] = {};
  uint8_t Digest[40] = {};
};

class THash_Sapphire288 : public THash_Sapphire320 {
  HASH_CLASS(THash_Sapphire288, THash_Sapphire320)
};
class THash_Sapphire256 : public THash_Sapphire320 {
  HASH_CLASS(THash_Sapphire256, THash_Sapphire320)
};
class THash_Sapphire224 : public THash_Sapphire320 {
  HASH_CLASS(THash_Sapphire224, THash_Sapphire320)
};
class THash_Sapphire192 : public THash_Sapphire320 {
  HASH_CLASS(THash_Sapphire192, THash_Sapphire320)
};
class THash_Sapphire160 : public THash_Sapphire320 {
  HASH_CLASS(THash_Sapphire160, THash_Sapphire320)
};
class THash_Sapphire128 : public THash_Sapphire320 {
  HASH_CLASS(THash_Sapphire128, THash_Sapphire320)
};
