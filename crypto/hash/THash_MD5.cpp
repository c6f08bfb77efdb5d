#include "crypto/hash/THash_MD5.h"

#include "crypto/CodingRoutines.h"

HASH_DEFINE_CLASS(THash_MD5, THash_MD4, 16)

void THash_MD5::CompressBlock(const void* Block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLE32(static_cast<const uint8_t*>(Block) + 4 * i);
  uint32_t a = Digest[0], b = Digest[1], c = Digest[2], d = Digest[3];

// clang-format off
#define STEP(f, a, b, c, d, k, t, s) a = b + RotateLeft32(a + f(b, c, d) + x[k] + t, s)
#define F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define H(x, y, z) ((x) ^ (y) ^ (z))
#define I(x, y, z) ((y) ^ ((x) | ~(z)))
  STEP(F, a, b, c, d, 0, 0xD76AA478, 7);   STEP(F, d, a, b, c, 1, 0xE8C7B756, 12);
  STEP(F, c, d, a, b, 2, 0x242070DB, 17);  STEP(F, b, c, d, a, 3, 0xC1BDCEEE, 22);
  STEP(F, a, b, c, d, 4, 0xF57C0FAF, 7);   STEP(F, d, a, b, c, 5, 0x4787C62A, 12);
  STEP(F, c, d, a, b, 6, 0xA8304613, 17);  STEP(F, b, c, d, a, 7, 0xFD469501, 22);
  STEP(F, a, b, c, d, 8, 0x698098D8, 7);   STEP(F, d, a, b, c, 9, 0x8B44F7AF, 12);
  STEP(F, c, d, a, b, 10, 0xFFFF5BB1, 17); STEP(F, b, c, d, a, 11, 0x895CD7BE, 22);
  STEP(F, a, b, c, d, 12, 0x6B901122, 7);  STEP(F, d, a, b, c, 13, 0xFD987193, 12);
  STEP(F, c, d, a, b, 14, 0xA679438E, 17); STEP(F, b, c, d, a, 15, 0x49B40821, 22);

  STEP(G, a, b, c, d, 1, 0xF61E2562, 5);   STEP(G, d, a, b, c, 6, 0xC040B340, 9);
  STEP(G, c, d, a, b, 11, 0x265E5A51, 14); STEP(G, b, c, d, a, 0, 0xE9B6C7AA, 20);
  STEP(G, a, b, c, d, 5, 0xD62F105D, 5);   STEP(G, d, a, b, c, 10, 0x02441453, 9);
  STEP(G, c, d, a, b, 15, 0xD8A1E681, 14); STEP(G, b, c, d, a, 4, 0xE7D3FBC8, 20);
  STEP(G, a, b, c, d, 9, 0x21E1CDE6, 5);   STEP(G, d, a, b, c, 14, 0xC33707D6, 9);
  STEP(G, c, d, a, b, 3, 0xF4D50D87, 14);  STEP(G, b, c, d, a, 8, 0x455A14ED, 20);
  STEP(G, a, b, c, d, 13, 0xA9E3E905, 5);  STEP(G, d, a, b, c, 2, 0xFCEFA3F8, 9);
  STEP(G, c, d, a, b, 7, 0x676F02D9, 14);  STEP(G, b, c, d, a, 12, 0x8D2A4C8A, 20);

  STEP(H, a, b, c, d, 5, 0xFFFA3942, 4);   STEP(H, d, a, b, c, 8, 0x8771F681, 11);
  STEP(H, c, d, a, b, 11, 0x6D9D6122, 16); STEP(H, b, c, d, a, 14, 0xFDE5380C, 23);
  STEP(H, a, b, c, d, 1, 0xA4BEEA44, 4);   STEP(H, d, a, b, c, 4, 0x4BDECFA9, 11);
  STEP(H, c, d, a, b, 7, 0xF6BB4B60, 16);  STEP(H, b, c, d, a, 10, 0xBEBFBC70, 23);
  STEP(H, a, b, c, d, 13, 0x289B7EC6, 4);  STEP(H, d, a, b, c, 0, 0xEAA127FA, 11);
  STEP(H, c, d, a, b, 3, 0xD4EF3085, 16);  STEP(H, b, c, d, a, 6, 0x04881D05, 23);
  STEP(H, a, b, c, d, 9, 0xD9D4D039, 4);   STEP(H, d, a, b, c, 12, 0xE6DB99E5, 11);
  STEP(H, c, d, a, b, 15, 0x1FA27CF8, 16); STEP(H, b, c, d, a, 2, 0xC4AC5665, 23);

  STEP(I, a, b, c, d, 0, 0xF4292244, 6);   STEP(I, d, a, b, c, 7, 0x432AFF97, 10);
  STEP(I, c, d, a, b, 14, 0xAB9423A7, 15); STEP(I, b, c, d, a, 5, 0xFC93A039, 21);
  STEP(I, a, b, c, d, 12, 0x655B59C3, 6);  STEP(I, d, a, b, c, 3, 0x8F0CCC92, 10);
  STEP(I, c, d, a, b, 10, 0xFFEFF47D, 15); STEP(I, b, c, d, a, 1, 0x85845DD1, 21);
  STEP(I, a, b, c, d, 8, 0x6FA87E4F, 6);   STEP(I, d, a, b, c, 15, 0xFE2CE6E0, 10);
  STEP(I, c, d, a, b, 6, 0xA3014314, 15);  STEP(I, b, c, d, a, 13, 0x4E0811A1, 21);
  STEP(I, a, b, c, d, 4, 0xF7537E82, 6);   STEP(I, d, a, b, c, 11, 0xBD3AF235, 10);
  STEP(I, c, d, a, b, 2, 0x2AD7D2BB, 15);  STEP(I, b, c, d, a, 9, 0xEB86D391, 21);
// clang-format on
#undef STEP
#undef F
#undef G
#undef H
#undef I

  Digest[0] += a;
  Digest[1] += b;
  Digest[2] += c;
  Digest[3] += d;
}
