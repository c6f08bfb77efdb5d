#include "crypto/cipher/TCipher_RC5.h"

#include <algorithm>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/RC5KeySchedule.h"

// The key mixing cycles through the key words: an empty key has none.
CIPHER_DEFINE_CLASS(TCipher_RC5, TCipher, 8, 256, 136, 1)

void TCipher_RC5::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  if (Rounds < 8 || Rounds > 16) Rounds = 12;
  const int t = 2 * Rounds + 2;  // subkeys in use
  // The table is filled one word beyond the subkeys in use, as far as the
  // schedule holds (16 rounds use all of it).
  ExpandRC5Key(KeyScheduleAs<uint32_t>(), t, std::min(t + 1, 136 / 4), Key, Size);
  CompleteInit(IVector);
}

void TCipher_RC5::EncryptBlock(void* Data) {
  const uint32_t* s = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t a = LoadLE32(d) + s[0];
  uint32_t b = LoadLE32(d + 4) + s[1];
  for (int i = 1; i <= Rounds; ++i) {
    a = RotateLeft32(a ^ b, b) + s[2 * i];
    b = RotateLeft32(b ^ a, a) + s[2 * i + 1];
  }
  StoreLE32(d, a);
  StoreLE32(d + 4, b);
}

void TCipher_RC5::DecryptBlock(void* Data) {
  const uint32_t* s = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t a = LoadLE32(d);
  uint32_t b = LoadLE32(d + 4);
  for (int i = Rounds; i >= 1; --i) {
    b = RotateRight32(b - s[2 * i + 1], a) ^ a;
    a = RotateRight32(a - s[2 * i], b) ^ b;
  }
  StoreLE32(d, a - s[0]);
  StoreLE32(d + 4, b - s[1]);
}
