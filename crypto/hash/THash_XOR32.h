// XOR-32: a 32-bit rotate-and-XOR checksum over 16-bit words; also the frame
// of CRC-32. The digest is the register's bytes, little-endian.
#pragma once

#include <cstdint>

#include "crypto/THash.h"

class THash_XOR32 : public TChecksum {
  HASH_CLASS(THash_XOR32, TChecksum)
 public:
  void Reset() override;
  // An odd Size first folds in the word made of the first two bytes and
  // then advances by one byte, so the result depends on how the data is
  // split into calls. A call of one byte takes zero as the missing second byte.
  void Update(const void* Data, int64_t Size) override;
  uint8_t* GetDigest() override;

 protected:
  uint32_t CRC = 0;
};
