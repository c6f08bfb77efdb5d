#include "crypto/hash/THash_XOR16.h"

HASH_DEFINE_CLASS(THash_XOR16, TChecksum, 2)

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the register's bytes are the digest");

void THash_XOR16::Reset() {
  CRC = 0;
  THash::Reset();
}

void THash_XOR16::Update(const void* Data, int64_t Size) {
  if (!Data || Size <= 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  uint16_t r = CRC;
  for (int64_t i = 0; i < Size; ++i) {
    r = static_cast<uint16_t>((r << 5) | (r >> 11));
    r ^= p[i];
  }
  CRC = r;
}

uint8_t* THash_XOR16::GetDigest() {
  return reinterpret_cast<uint8_t*>(&CRC);
}
