#include "crypto/hash/THash_CRC16_CCITT.h"

#include <array>

HASH_DEFINE_CLASS(THash_CRC16_CCITT, THash_XOR16, 2)

namespace {

// T[i]: the non-reflected CRC of the byte i with the polynomial 0x1021.
constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    uint16_t c = static_cast<uint16_t>(i << 8);
    for (int k = 0; k < 8; ++k) c = static_cast<uint16_t>(c & 0x8000 ? (c << 1) ^ 0x1021 : c << 1);
    t[i] = c;
  }
  return t;
}
constexpr std::array<uint16_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x1021);

}  // namespace

void THash_CRC16_CCITT::Reset() {
  CRC = 0xFFFF;
  THash::Reset();
}

void THash_CRC16_CCITT::Update(const void* Data, int64_t Size) {
  if (!Data || Size <= 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  uint16_t r = CRC;
  for (int64_t i = 0; i < Size; ++i) r = static_cast<uint16_t>(((r << 8) | p[i]) ^ kTable[r >> 8]);
  CRC = r;
}
