#include "crypto/cipher/TCipher_Twofish.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

namespace {

// KeySchedule: the 40 subkeys, then the key-dependent S-boxes combined with
// the MDS matrix into four 256-entry tables, so that g is four look-ups.
struct TwofishState {
  uint32_t K[40];
  uint32_t S[4][256];
};
static_assert(sizeof(TwofishState) == 4256);

// The 4-bit permutations t0..t3 from which q0 and q1 are built.
const uint8_t kQ0T[4][16] = {
    {0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
    {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
    {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
    {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}};
const uint8_t kQ1T[4][16] = {
    {0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
    {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
    {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
    {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}};

inline uint8_t Ror4(uint8_t x) { return uint8_t(((x >> 1) | (x << 3)) & 15); }

uint8_t QPermute(const uint8_t (&t)[4][16], uint8_t x) {
  uint8_t a = x >> 4, b = x & 15;
  uint8_t a1 = a ^ b, b1 = uint8_t((a ^ Ror4(b) ^ (8 * a)) & 15);
  uint8_t a2 = t[0][a1], b2 = t[1][b1];
  uint8_t a3 = a2 ^ b2, b3 = uint8_t((a2 ^ Ror4(b2) ^ (8 * a2)) & 15);
  return uint8_t(t[3][b3] << 4 | t[2][a3]);
}

constexpr uint32_t kMDSPoly = 0x169;
constexpr uint32_t kRSPoly = 0x14D;
const uint8_t kMDS[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B}, {0x5B, 0xEF, 0xEF, 0x01}, {0xEF, 0x5B, 0x01, 0xEF}, {0xEF, 0x01, 0xEF, 0x5B}};
const uint8_t kRS[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                           {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                           {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                           {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};

struct TwofishTables {
  uint8_t Q[2][256];
  // MDS column c times a byte, as a little-endian word.
  uint32_t M[4][256];
  TwofishTables() {
    for (int x = 0; x < 256; ++x) {
      Q[0][x] = QPermute(kQ0T, uint8_t(x));
      Q[1][x] = QPermute(kQ1T, uint8_t(x));
    }
    for (int c = 0; c < 4; ++c)
      for (int x = 0; x < 256; ++x) {
        uint32_t w = 0;
        for (int r = 0; r < 4; ++r) w |= uint32_t(GFMul(kMDS[r][c], uint8_t(x), kMDSPoly)) << (8 * r);
        M[c][x] = w;
      }
  }
};
const TwofishTables& Tables() {
  static const TwofishTables t;
  return t;
}

// Which permutation each stage applies to byte i of the input of h: the
// stage of key word L[3] (256-bit keys), of L[2] (192 bits and up), then
// the three fixed stages around L[1] and L[0].
const uint8_t kQOrder[5][4] = {{1, 0, 0, 1}, {1, 1, 0, 0}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 0, 1, 0}};

// Byte i of h(x, L) before the MDS matrix, for k key words L.
uint8_t HByte(const TwofishTables& t, int i, uint8_t x, const uint32_t* L, int k) {
  if (k == 4) x = t.Q[kQOrder[0][i]][x] ^ uint8_t(L[3] >> (8 * i));
  if (k >= 3) x = t.Q[kQOrder[1][i]][x] ^ uint8_t(L[2] >> (8 * i));
  x = t.Q[kQOrder[2][i]][x] ^ uint8_t(L[1] >> (8 * i));
  x = t.Q[kQOrder[3][i]][x] ^ uint8_t(L[0] >> (8 * i));
  return t.Q[kQOrder[4][i]][x];
}

uint32_t H(const TwofishTables& t, uint32_t x, const uint32_t* L, int k) {
  uint32_t r = 0;
  for (int i = 0; i < 4; ++i) r ^= t.M[i][HByte(t, i, uint8_t(x >> (8 * i)), L, k)];
  return r;
}

inline uint32_t G(const TwofishState& s, uint32_t x) {
  return s.S[0][x & 0xFF] ^ s.S[1][(x >> 8) & 0xFF] ^ s.S[2][(x >> 16) & 0xFF] ^ s.S[3][x >> 24];
}

}  // namespace

// A key shorter than 16 bytes, even an empty one, is padded with zeros.
CIPHER_DEFINE_CLASS(TCipher_Twofish, TCipher, 16, 32, sizeof(TwofishState), 0)

void TCipher_Twofish::EncryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const auto& s = *KeyScheduleAs<const TwofishState>();
  uint32_t r0 = LoadLE32(d) ^ s.K[0], r1 = LoadLE32(d + 4) ^ s.K[1];
  uint32_t r2 = LoadLE32(d + 8) ^ s.K[2], r3 = LoadLE32(d + 12) ^ s.K[3];
  for (int r = 0; r < 16; r += 2) {
    uint32_t t0 = G(s, r0), t1 = G(s, RotateLeft32(r1, 8));
    r2 = RotateRight32(r2 ^ (t0 + t1 + s.K[2 * r + 8]), 1);
    r3 = RotateLeft32(r3, 1) ^ (t0 + 2 * t1 + s.K[2 * r + 9]);
    t0 = G(s, r2);
    t1 = G(s, RotateLeft32(r3, 8));
    r0 = RotateRight32(r0 ^ (t0 + t1 + s.K[2 * r + 10]), 1);
    r1 = RotateLeft32(r1, 1) ^ (t0 + 2 * t1 + s.K[2 * r + 11]);
  }
  StoreLE32(d, r2 ^ s.K[4]);
  StoreLE32(d + 4, r3 ^ s.K[5]);
  StoreLE32(d + 8, r0 ^ s.K[6]);
  StoreLE32(d + 12, r1 ^ s.K[7]);
}

void TCipher_Twofish::DecryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const auto& s = *KeyScheduleAs<const TwofishState>();
  uint32_t r2 = LoadLE32(d) ^ s.K[4], r3 = LoadLE32(d + 4) ^ s.K[5];
  uint32_t r0 = LoadLE32(d + 8) ^ s.K[6], r1 = LoadLE32(d + 12) ^ s.K[7];
  for (int r = 14; r >= 0; r -= 2) {
    uint32_t t0 = G(s, r2), t1 = G(s, RotateLeft32(r3, 8));
    r0 = RotateLeft32(r0, 1) ^ (t0 + t1 + s.K[2 * r + 10]);
    r1 = RotateRight32(r1 ^ (t0 + 2 * t1 + s.K[2 * r + 11]), 1);
    t0 = G(s, r0);
    t1 = G(s, RotateLeft32(r1, 8));
    r2 = RotateLeft32(r2, 1) ^ (t0 + t1 + s.K[2 * r + 8]);
    r3 = RotateRight32(r3 ^ (t0 + 2 * t1 + s.K[2 * r + 9]), 1);
  }
  StoreLE32(d, r0 ^ s.K[0]);
  StoreLE32(d + 4, r1 ^ s.K[1]);
  StoreLE32(d + 8, r2 ^ s.K[2]);
  StoreLE32(d + 12, r3 ^ s.K[3]);
}

void TCipher_Twofish::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  ExpandKey(Key, Size, false);
  CompleteInit(IVector);
}

void TCipher_Twofish::ExpandKey(const void* Key, int Size, bool PublishedOddSubkeys) {
  const TwofishTables& t = Tables();
  auto& s = *KeyScheduleAs<TwofishState>();
  uint8_t key[32] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  const int k = Size <= 16 ? 2 : Size <= 24 ? 3 : 4;  // key length in 64-bit words

  uint32_t me[4] = {}, mo[4] = {}, sv[4] = {};
  for (int i = 0; i < k; ++i) {
    me[i] = LoadLE32(key + 8 * i);
    mo[i] = LoadLE32(key + 8 * i + 4);
    // The S-box key word of bytes 8i..8i+7 by the RS code; the S-box key
    // list takes them in reverse order.
    uint32_t w = 0;
    for (int r = 0; r < 4; ++r) {
      uint8_t v = 0;
      for (int c = 0; c < 8; ++c) v ^= GFMul(kRS[r][c], key[8 * i + c], kRSPoly);
      w |= uint32_t(v) << (8 * r);
    }
    sv[k - 1 - i] = w;
  }

  constexpr uint32_t rho = 0x01010101;
  for (uint32_t i = 0; i < 20; ++i) {
    uint32_t a = H(t, 2 * i * rho, me, k);
    uint32_t b = RotateLeft32(H(t, (2 * i + 1) * rho, mo, k), 8);
    s.K[2 * i] = a + b;
    s.K[2 * i + 1] = PublishedOddSubkeys ? RotateLeft32(a + 2 * b, 9) : RotateLeft32(a + (b >> 1), 9);
  }

  for (int i = 0; i < 4; ++i)
    for (int x = 0; x < 256; ++x) s.S[i][x] = t.M[i][HByte(t, i, uint8_t(x), sv, k)];

  std::memset(key, 0, sizeof(key));
  std::memset(sv, 0, sizeof(sv));
}

const uint8_t* TCipher_Twofish::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xAB, 0x94, 0x57, 0xF2, 0xC1, 0x18, 0x9F, 0x04, 0xFF, 0x7C, 0x0C, 0xA5, 0xCD, 0x5C, 0xFC, 0xD8,
      0x88, 0x8A, 0x3D, 0x84, 0xED, 0x24, 0xCA, 0x8F, 0x7F, 0x14, 0x5B, 0x32, 0x4A, 0x3C, 0x8B, 0x48};
  return answer;
}
