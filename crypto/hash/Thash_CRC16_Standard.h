// CRC-16 with the polynomial 0x8005, reflected (0xA001), register starting
// at 0, no final XOR: "123456789" gives 0xBB3D.
#pragma once

#include "crypto/hash/THash_XOR16.h"

class Thash_CRC16_Standard : public THash_XOR16 {
  HASH_CLASS(Thash_CRC16_Standard, THash_XOR16)
 public:
  void Update(const void* Data, int64_t Size) override;
};
