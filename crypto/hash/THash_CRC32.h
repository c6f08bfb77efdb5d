// CRC-32 of IEEE 802.3 (reflected, polynomial 0xEDB88320, inverted at both
// ends): "123456789" gives 0xCBF43926.
#pragma once

#include "crypto/hash/THash_XOR32.h"

class THash_CRC32 : public THash_XOR32 {
  HASH_CLASS(THash_CRC32, THash_XOR32)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  void Finish() override;
};
