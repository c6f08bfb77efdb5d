#include "crypto/hash/Thash_CRC16_Standard.h"

#include "crypto/CodingRoutines.h"

HASH_DEFINE_CLASS(Thash_CRC16_Standard, THash_XOR16, 2)

void Thash_CRC16_Standard::Update(const void* Data, int64_t Size) {
  CRC = UpdateCRC16(CRC, Data, Size);
}
