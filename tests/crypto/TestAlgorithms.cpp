#include "tests/crypto/TestAlgorithms.h"

#include <cstring>

CIPHER_DEFINE_CLASS(TCipher_Toy, TCipher, 8, 16, 16)
CIPHER_DEFINE_CLASS(TCipher_Toy12, TCipher_Toy, 12, 16, 16)
HASH_DEFINE_CLASS(THash_Toy, THash, 16)

namespace {
constexpr int kRounds = 6;
uint8_t Rol8(uint8_t v, int n) { return static_cast<uint8_t>(v << n | v >> (8 - n)); }
}  // namespace

void TCipher_Toy::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  ++InitCalls;
  uint8_t* k = KeySchedule();
  const uint8_t* key = static_cast<const uint8_t*>(Key);
  for (int i = 0; i < StateSize(); ++i) k[i] = static_cast<uint8_t>(key[i % Size] + 37 * i);
  CompleteInit(IVector);
}

void TCipher_Toy::EncryptBlock(void* Data) {
  uint8_t* x = static_cast<uint8_t*>(Data);
  const int b = BlockSize();
  const uint8_t* k = KeySchedule();
  for (int r = 0; r < kRounds; ++r) {
    for (int i = 0; i < b; ++i) x[i] = static_cast<uint8_t>(x[i] + k[(i + r) % StateSize()]);
    const uint8_t first = x[0];
    std::memmove(x, x + 1, static_cast<size_t>(b - 1));
    x[b - 1] = first;
    for (int i = 1; i < b; ++i) x[i] ^= Rol8(x[i - 1], 3);
    x[0] ^= Rol8(x[b - 1], 5);
  }
}

void TCipher_Toy::DecryptBlock(void* Data) {
  uint8_t* x = static_cast<uint8_t*>(Data);
  const int b = BlockSize();
  const uint8_t* k = KeySchedule();
  for (int r = kRounds - 1; r >= 0; --r) {
    x[0] ^= Rol8(x[b - 1], 5);
    for (int i = b - 1; i >= 1; --i) x[i] ^= Rol8(x[i - 1], 3);
    const uint8_t last = x[b - 1];
    std::memmove(x + 1, x, static_cast<size_t>(b - 1));
    x[0] = last;
    for (int i = 0; i < b; ++i) x[i] = static_cast<uint8_t>(x[i] - k[(i + r) % StateSize()]);
  }
}

void THash_Toy::Reset() {
  for (int i = 0; i < 16; ++i) digest_[i] = static_cast<uint8_t>(0x5A + 11 * i);
  count_ = 0;
  THash::Reset();
}

void THash_Toy::Update(const void* Data, int64_t Size) {
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  for (int64_t i = 0; i < Size; ++i, ++count_) {
    const int j = static_cast<int>(count_ % 16);
    digest_[j] = static_cast<uint8_t>(Rol8(static_cast<uint8_t>(digest_[j] ^ p[i]), 1) + digest_[(j + 5) % 16]);
  }
}

void THash_Toy::Finish() {
  for (int round = 0; round < 4; ++round)
    for (int i = 0; i < 16; ++i)
      digest_[i] = static_cast<uint8_t>(digest_[i] + Rol8(digest_[(i + 15) % 16], 3) +
                                        static_cast<uint8_t>(count_ >> (8 * (i % 8))));
  THash::Finish();
}
