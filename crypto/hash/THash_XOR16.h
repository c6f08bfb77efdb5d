// XOR-16: a 16-bit rotate-and-XOR checksum; also the frame of the CRC-16
// classes. The digest is the register's bytes, little-endian.
#pragma once

#include <cstdint>

#include "crypto/THash.h"

class THash_XOR16 : public TChecksum {
  HASH_CLASS(THash_XOR16, TChecksum)
 public:
  void Reset() override;
  void Update(const void* Data, int64_t Size) override;
  uint8_t* GetDigest() override;

 protected:
  uint16_t CRC = 0;
};
