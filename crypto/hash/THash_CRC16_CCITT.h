// CRC-16 with the polynomial 0x1021 in its shifted-in form: each data byte
// enters at the bottom of the register, which starts at 0xFFFF; no final XOR.
// "123456789" gives 0xA69D.
#pragma once

#include "crypto/hash/THash_XOR16.h"

class THash_CRC16_CCITT : public THash_XOR16 {
  HASH_CLASS(THash_CRC16_CCITT, THash_XOR16)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
};
