#include "crypto/hash/THash_Sapphire320.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

HASH_DEFINE_CLASS(THash_Sapphire320, THash, 40)
HASH_DEFINE_CLASS(THash_Sapphire288, THash_Sapphire320, 36)
HASH_DEFINE_CLASS(THash_Sapphire256, THash_Sapphire320, 32)
HASH_DEFINE_CLASS(THash_Sapphire224, THash_Sapphire320, 28)
HASH_DEFINE_CLASS(THash_Sapphire192, THash_Sapphire320, 24)
HASH_DEFINE_CLASS(THash_Sapphire160, THash_Sapphire320, 20)
HASH_DEFINE_CLASS(THash_Sapphire128, THash_Sapphire320, 16)

void THash_Sapphire320::Reset() {
  std::memset(Digest, 0, sizeof Digest);
  Count = 0;
  sapphire::InitialState(State);
  THash::Reset();
}

void THash_Sapphire320::Update(const void* Data, int64_t Size) {
  if (Size <= 0) return;
  Count += static_cast<uint64_t>(Size);
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  for (int64_t i = 0; i < Size; ++i) sapphire::Encrypt(State, p[i]);
}

void THash_Sapphire320::Finish() {
  const int d = DigestSize();
  uint8_t v = static_cast<uint8_t>(d);
  for (int i = 255; i >= 0; --i) {
    v ^= static_cast<uint8_t>(i);
    Update(&v, 1);
  }
  uint8_t t[40] = {0x80, 2, 0, static_cast<uint8_t>(d), 1, 3, 5, 7, 11};
  StoreLE64(t + 9, Count * 8);
  for (int i = 0; i < d; ++i) {
    sapphire::Encrypt(State, t[i]);
    Digest[i] ^= State[sapphire::LastCipher];
  }
  THash::Finish();
}

uint8_t* THash_Sapphire320::GetDigest() {
  return Digest;
}
