#include "crypto/hash/THash_XOR32.h"

#include "crypto/CodingRoutines.h"

HASH_DEFINE_CLASS(THash_XOR32, TChecksum, 4)

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the register's bytes are the digest");

void THash_XOR32::Reset() {
  CRC = 0;
  THash::Reset();
}

void THash_XOR32::Update(const void* Data, int64_t Size) {
  if (!Data || Size <= 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  uint32_t r = CRC;
  if (Size & 1) {
    // The byte after a one-byte call is not ours to read.
    const uint32_t second = Size >= 2 ? p[1] : 0;
    r ^= p[0] | second << 8;
    ++p;
  }
  for (int64_t n = Size / 2; n > 0; --n, p += 2) {
    r = RotateLeft32(r, 5);
    r ^= LoadLE16(p);
  }
  CRC = r;
}

uint8_t* THash_XOR32::GetDigest() {
  return reinterpret_cast<uint8_t*>(&CRC);
}
