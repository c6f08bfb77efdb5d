// HAVAL (Zheng, Pieprzyk, Seberry, 1992) in five digest sizes. The number of
// passes follows the digest size unless set: 5 for 256 bits, 4 for 224 and
// 192, 3 for 160 and 128. The smaller sizes differ only in DigestSize.
#pragma once

#include <cstdint>

#include "crypto/THash.h"

class THash_Haval256 : public THash {
  HASH_CLASS(THash_Haval256, THash)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  void Finish() override;
  uint8_t* GetDigest() override;

  // Number of passes; Reset takes a value outside 3 to 5 by the digest size.
  int32_t Rounds() const { return rounds_; }
  void SetRounds(int32_t Value) { rounds_ = Value; }

 private:
  void Compress(const uint8_t* Block) { (this->*compress_)(Block); }
  template <int Passes>
  void CompressPasses(const uint8_t* Block);
  void Tailor();

  uint64_t Count = 0;  // bytes absorbed since Reset
  uint8_t Buffer[128] = {};
  uint32_t Digest[8] = {};
  int32_t rounds_ = 0;
  void (THash_Haval256::*compress_)(const uint8_t*) = &THash_Haval256::CompressPasses<5>;
};

class THash_Haval224 : public THash_Haval256 {
  HASH_CLASS(THash_Haval224, THash_Haval256)
};

class THash_Haval192 : public THash_Haval256 {
  HASH_CLASS(THash_Haval192, THash_Haval256)
};

class THash_Haval160 : public THash_Haval256 {
  HASH_CLASS(THash_Haval160, THash_Haval256)
};

class THash_Haval128 : public THash_Haval256 {
  HASH_CLASS(THash_Haval128, THash_Haval256)
};
