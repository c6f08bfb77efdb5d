#include "crypto/cipher/TCipher_Square.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/SquareSBox.h"

namespace {

constexpr int kRounds = 8;

// KeySchedule: the encryption round keys E_0..E_8 and the decryption round
// keys D_0..D_8, four words each.
struct SquareState {
  uint32_t E[kRounds + 1][4];
  uint32_t D[kRounds + 1][4];
};
static_assert(sizeof(SquareState) == 288);

// Multiplication in GF(2^8) modulo x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1.
uint8_t GFMul(uint8_t a, uint8_t b) {
  uint32_t r = 0, x = a;
  for (; b; b >>= 1) {
    if (b & 1) r ^= x;
    x <<= 1;
    if (x & 0x100) x ^= 0x1F5;
  }
  return uint8_t(r);
}

// The coefficients c of the linear step theta (a product with c(x) modulo
// x^4 + 1) and d of its inverse, c(x) d(x) = 1.
const uint8_t kC[4] = {2, 1, 1, 3};
const uint8_t kD[4] = {0x0E, 0x09, 0x0D, 0x0B};

struct SquareTables {
  uint8_t SInv[256];
  // TE[x] / TD[x]: word whose byte m is c[m] * S[x] / d[m] * SInv[x]; the
  // contribution of row i is the table word rotated left by 8i bits.
  uint32_t TE[256];
  uint32_t TD[256];
  SquareTables() {
    for (int x = 0; x < 256; ++x) SInv[Square_SBox[x]] = uint8_t(x);
    for (int x = 0; x < 256; ++x) {
      uint32_t e = 0, d = 0;
      for (int m = 0; m < 4; ++m) {
        e |= uint32_t(GFMul(kC[m], Square_SBox[x])) << (8 * m);
        d |= uint32_t(GFMul(kD[m], SInv[x])) << (8 * m);
      }
      TE[x] = e;
      TD[x] = d;
    }
  }
};
const SquareTables& Tables() {
  static const SquareTables t;
  return t;
}

// theta on one word: byte m := XOR over i of coef[(m - i) mod 4] * byte i.
uint32_t ThetaWord(uint32_t w, const uint8_t* coef) {
  uint32_t r = 0;
  for (int m = 0; m < 4; ++m) {
    uint8_t v = 0;
    for (int i = 0; i < 4; ++i) v ^= GFMul(coef[(m - i) & 3], uint8_t(w >> (8 * i)));
    r |= uint32_t(v) << (8 * m);
  }
  return r;
}

// new row j := XOR over rows i of T[s[i][j]] rotated by row i, then the key.
inline void Round(uint32_t* s, const uint32_t* table, const uint32_t* key) {
  uint32_t n[4];
  for (int j = 0; j < 4; ++j) {
    const int sh = 8 * j;
    n[j] = table[(s[0] >> sh) & 0xFF] ^ RotateLeft32(table[(s[1] >> sh) & 0xFF], 8) ^
           RotateLeft32(table[(s[2] >> sh) & 0xFF], 16) ^ RotateLeft32(table[(s[3] >> sh) & 0xFF], 24) ^
           key[j];
  }
  std::memcpy(s, n, sizeof(n));
}

// Final round: s'[j][m] := box[s[m][j]], then the key.
inline void FinalRound(uint32_t* s, const uint8_t* box, const uint32_t* key) {
  uint32_t n[4];
  for (int j = 0; j < 4; ++j) {
    const int sh = 8 * j;
    n[j] = (uint32_t(box[(s[0] >> sh) & 0xFF]) | uint32_t(box[(s[1] >> sh) & 0xFF]) << 8 |
            uint32_t(box[(s[2] >> sh) & 0xFF]) << 16 | uint32_t(box[(s[3] >> sh) & 0xFF]) << 24) ^
           key[j];
  }
  std::memcpy(s, n, sizeof(n));
}

void Crypt(uint8_t* d, const uint32_t (*k)[4], const uint32_t* table, const uint8_t* box) {
  uint32_t s[4];
  for (int i = 0; i < 4; ++i) s[i] = LoadLE32(d + 4 * i) ^ k[0][i];
  for (int t = 1; t < kRounds; ++t) Round(s, table, k[t]);
  FinalRound(s, box, k[kRounds]);
  for (int i = 0; i < 4; ++i) StoreLE32(d + 4 * i, s[i]);
}

}  // namespace

// A key shorter than 16 bytes, even an empty one, is padded with zeros.
CIPHER_DEFINE_CLASS(TCipher_Square, TCipher, 16, 16, sizeof(SquareState), 0)

void TCipher_Square::EncryptBlock(void* Data) {
  const SquareTables& t = Tables();
  Crypt(static_cast<uint8_t*>(Data), KeyScheduleAs<const SquareState>()->E, t.TE, Square_SBox);
}

void TCipher_Square::DecryptBlock(void* Data) {
  const SquareTables& t = Tables();
  Crypt(static_cast<uint8_t*>(Data), KeyScheduleAs<const SquareState>()->D, t.TD, t.SInv);
}

void TCipher_Square::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  auto& s = *KeyScheduleAs<SquareState>();
  uint8_t padded[16] = {};
  if (Size > 0) std::memcpy(padded, Key, Size);
  uint32_t k[kRounds + 1][4];
  for (int i = 0; i < 4; ++i) k[0][i] = LoadLE32(padded + 4 * i);
  for (int t = 1; t <= kRounds; ++t) {
    k[t][0] = k[t - 1][0] ^ RotateRight32(k[t - 1][3], 8) ^ (1u << (t - 1));
    k[t][1] = k[t][0] ^ k[t - 1][1];
    k[t][2] = k[t][1] ^ k[t - 1][2];
    k[t][3] = k[t][2] ^ k[t - 1][3];
  }
  // Encryption: E_t = theta(K_t), E_8 = K_8. Decryption runs the same
  // structure with the inverse box and theta's inverse: D_0 = K_8,
  // D_t = K_(8-t) for t = 1..7 (theta's inverse undoes E's theta) and
  // D_8 = E_0.
  for (int t = 0; t <= kRounds; ++t)
    for (int i = 0; i < 4; ++i) s.E[t][i] = t < kRounds ? ThetaWord(k[t][i], kC) : k[t][i];
  for (int t = 0; t <= kRounds; ++t)
    for (int i = 0; i < 4; ++i) s.D[t][i] = t == kRounds ? s.E[0][i] : k[kRounds - t][i];
  std::memset(padded, 0, sizeof(padded));
  std::memset(k, 0, sizeof(k));
  CompleteInit(IVector);
}
