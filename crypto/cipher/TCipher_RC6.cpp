#include "crypto/cipher/TCipher_RC6.h"

#include <algorithm>
#include <cstring>

#include "crypto/CodingRoutines.h"

// The key mixing cycles through the key words: an empty key has none.
CIPHER_DEFINE_CLASS(TCipher_RC6, TCipher, 16, 256, 272, 1)

void TCipher_RC6::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  if (Rounds < 16 || Rounds > 24) Rounds = 20;
  const int t = 2 * Rounds + 4;  // subkeys in use
  const int c = (Size + 3) / 4;
  uint32_t l[64] = {};
  uint8_t* lb = reinterpret_cast<uint8_t*>(l);
  if (Size > 0) std::memcpy(lb, Key, Size);
  for (int i = 0; i < c; ++i) l[i] = LoadLE32(lb + 4 * i);
  uint32_t* s = KeyScheduleAs<uint32_t>();
  s[0] = 0xB7E15163;  // filled one word beyond the subkeys in use
  for (int i = 1; i < t + 1; ++i) s[i] = s[i - 1] + 0x9E3779B9;
  uint32_t a = 0, b = 0;
  for (int n = 3 * std::max(t, c), i = 0, j = 0; n > 0; --n) {
    a = s[i] = RotateLeft32(s[i] + a + b, 3);
    b = l[j] = RotateLeft32(l[j] + a + b, a + b);
    i = (i + 1) % t;
    j = (j + 1) % c;
  }
  std::memset(l, 0, sizeof l);
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
