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
uint8_t GFMul(uint8_t a, uint8_t b) { return ::GFMul(a, b, 0x1F5); }

// The coefficients c of the linear step theta (a product with c(x) modulo
// x^4 + 1) and d of its inverse, c(x) d(x) = 1.
const uint8_t kC[4] = {2, 1, 1, 3};
const uint8_t kD[4] = {0x0E, 0x09, 0x0D, 0x0B};

struct SquareTables {
  uint8_t SInv[256];
  // TE[i][x] / TD[i][x]: the word whose byte m is c[(m - i) mod 4] * S[x] /
  // d[(m - i) mod 4] * SInv[x]: what byte x of row i adds to a column.
  uint32_t TE[4][256];
  uint32_t TD[4][256];
  SquareTables() {
    for (int x = 0; x < 256; ++x) SInv[Square_SBox[x]] = uint8_t(x);
    for (int x = 0; x < 256; ++x) {
      uint32_t e = 0, d = 0;
      for (int m = 0; m < 4; ++m) {
        e |= uint32_t(GFMul(kC[m], Square_SBox[x])) << (8 * m);
        d |= uint32_t(GFMul(kD[m], SInv[x])) << (8 * m);
      }
      for (int i = 0; i < 4; ++i) {
        TE[i][x] = RotateLeft32(e, 8 * i);
        TD[i][x] = RotateLeft32(d, 8 * i);
      }
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

inline uint32_t Byte(uint32_t w, int j) { return (w >> (8 * j)) & 0xFF; }

// new row j := XOR over rows i of T[i][s[i][j]], then the key.
inline uint32_t Column(const uint32_t (*t)[256], uint32_t s0, uint32_t s1, uint32_t s2, uint32_t s3, int j) {
  return t[0][Byte(s0, j)] ^ t[1][Byte(s1, j)] ^ t[2][Byte(s2, j)] ^ t[3][Byte(s3, j)];
}

// Final round: s'[j][m] := box[s[m][j]].
inline uint32_t FinalColumn(const uint8_t* box, uint32_t s0, uint32_t s1, uint32_t s2, uint32_t s3, int j) {
  return uint32_t(box[Byte(s0, j)]) | uint32_t(box[Byte(s1, j)]) << 8 | uint32_t(box[Byte(s2, j)]) << 16 |
         uint32_t(box[Byte(s3, j)]) << 24;
}

void Crypt(uint8_t* d, const uint32_t (*k)[4], const uint32_t (*table)[256], const uint8_t* box) {
  uint32_t s0 = LoadLE32(d) ^ k[0][0], s1 = LoadLE32(d + 4) ^ k[0][1];
  uint32_t s2 = LoadLE32(d + 8) ^ k[0][2], s3 = LoadLE32(d + 12) ^ k[0][3];
  for (int t = 1; t < kRounds; ++t) {
    const uint32_t n0 = Column(table, s0, s1, s2, s3, 0) ^ k[t][0];
    const uint32_t n1 = Column(table, s0, s1, s2, s3, 1) ^ k[t][1];
    const uint32_t n2 = Column(table, s0, s1, s2, s3, 2) ^ k[t][2];
    const uint32_t n3 = Column(table, s0, s1, s2, s3, 3) ^ k[t][3];
    s0 = n0, s1 = n1, s2 = n2, s3 = n3;
  }
  StoreLE32(d, FinalColumn(box, s0, s1, s2, s3, 0) ^ k[kRounds][0]);
  StoreLE32(d + 4, FinalColumn(box, s0, s1, s2, s3, 1) ^ k[kRounds][1]);
  StoreLE32(d + 8, FinalColumn(box, s0, s1, s2, s3, 2) ^ k[kRounds][2]);
  StoreLE32(d + 12, FinalColumn(box, s0, s1, s2, s3, 3) ^ k[kRounds][3]);
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

const uint8_t* TCipher_Square::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xDC, 0xB7, 0xF3, 0x79, 0x78, 0x7B, 0xE4, 0x39, 0x5A, 0xCF, 0xB7, 0xEB, 0x7D, 0x00, 0x47, 0xFE,
      0xF9, 0x83, 0xBD, 0x0D, 0x71, 0x29, 0xE2, 0x05, 0xC9, 0x60, 0x49, 0x5D, 0xB0, 0x7D, 0xB8, 0x26};
  return answer;
}
