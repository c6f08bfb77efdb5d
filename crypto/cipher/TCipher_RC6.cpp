#include "crypto/cipher/TCipher_RC6.h"

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/RC5KeySchedule.h"

// The key mixing cycles through the key words: an empty key has none.
CIPHER_DEFINE_CLASS(TCipher_RC6, TCipher, 16, 256, 272, 1)

void TCipher_RC6::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  if (Rounds < 16 || Rounds > 24) Rounds = 20;
  const int t = 2 * Rounds + 4;  // subkeys in use
  // The table is filled one word beyond the subkeys in use.
  ExpandRC5Key(KeyScheduleAs<uint32_t>(), t, t + 1, Key, Size);
  CompleteInit(IVector);
}

void TCipher_RC6::EncryptBlock(void* Data) {
  const uint32_t* s = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t a = LoadLE32(d), b = LoadLE32(d + 4), c = LoadLE32(d + 8), e = LoadLE32(d + 12);
  b += s[0];
  e += s[1];
  for (int i = 1; i <= Rounds; ++i) {
    uint32_t t = RotateLeft32(b * (2 * b + 1), 5);
    uint32_t u = RotateLeft32(e * (2 * e + 1), 5);
    a = RotateLeft32(a ^ t, u) + s[2 * i];
    c = RotateLeft32(c ^ u, t) + s[2 * i + 1];
    uint32_t x = a;
    a = b;
    b = c;
    c = e;
    e = x;
  }
  a += s[2 * Rounds + 2];
  c += s[2 * Rounds + 3];
  StoreLE32(d, a);
  StoreLE32(d + 4, b);
  StoreLE32(d + 8, c);
  StoreLE32(d + 12, e);
}

void TCipher_RC6::DecryptBlock(void* Data) {
  const uint32_t* s = KeyScheduleAs<uint32_t>();
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint32_t a = LoadLE32(d), b = LoadLE32(d + 4), c = LoadLE32(d + 8), e = LoadLE32(d + 12);
  c -= s[2 * Rounds + 3];
  a -= s[2 * Rounds + 2];
  for (int i = Rounds; i >= 1; --i) {
    uint32_t x = e;
    e = c;
    c = b;
    b = a;
    a = x;
    uint32_t u = RotateLeft32(e * (2 * e + 1), 5);
    uint32_t t = RotateLeft32(b * (2 * b + 1), 5);
    c = RotateRight32(c - s[2 * i + 1], t) ^ u;
    a = RotateRight32(a - s[2 * i], u) ^ t;
  }
  e -= s[1];
  b -= s[0];
  StoreLE32(d, a);
  StoreLE32(d + 4, b);
  StoreLE32(d + 8, c);
  StoreLE32(d + 12, e);
}
