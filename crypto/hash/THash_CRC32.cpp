#include "crypto/hash/THash_CRC32.h"

#include "crypto/CodingRoutines.h"

HASH_DEFINE_CLASS(THash_CRC32, THash_XOR32, 4)

void THash_CRC32::Reset() {
  CRC = 0xFFFFFFFF;
  THash::Reset();
}

void THash_CRC32::Update(const void* Data, int64_t Size) {
  CRC = UpdateCRC32(CRC, Data, Size);
}

void THash_CRC32::Finish() {
  CRC = ~CRC;
  THash::Finish();
}
