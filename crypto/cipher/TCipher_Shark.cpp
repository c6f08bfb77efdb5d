#include "crypto/cipher/TCipher_Shark.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/SquareSBox.h"

namespace {

constexpr int kRounds = 6;

// KeySchedule: the encryption keys K_0..K_6, then the decryption keys.
struct SharkState {
  uint64_t K[kRounds + 1];
  uint64_t D[kRounds + 1];
};
static_assert(sizeof(SharkState) == 112);

// Multiplication in GF(2^8) modulo x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1.
uint8_t GFMul(uint8_t a, uint8_t b) { return ::GFMul(a, b, 0x1F5); }

const uint8_t kG[8][8] = {
    {0xCE, 0x95, 0x57, 0x82, 0x8A, 0x19, 0xB0, 0x01}, {0xE7, 0xFE, 0x05, 0xD2, 0x52, 0xC1, 0x88, 0xF1},
    {0xB9, 0xDA, 0x4D, 0xD1, 0x9E, 0x17, 0x83, 0x86}, {0xD0, 0x9D, 0x26, 0x2C, 0x5D, 0x9F, 0x6D, 0x75},
    {0x52, 0xA9, 0x07, 0x6C, 0xB9, 0x8F, 0x70, 0x17}, {0x87, 0x28, 0x3A, 0x5A, 0xF4, 0x33, 0x0B, 0x6C},
    {0x74, 0x51, 0x15, 0xCF, 0x09, 0xA4, 0x62, 0x09}, {0x0B, 0x31, 0x7F, 0x86, 0xBE, 0x05, 0x83, 0x34}};

struct SharkTables {
  uint8_t SInv[256];
  uint8_t GInv[8][8];
  // T[k][x]: the big-endian bytes are column k of G times S[x]; TI the same
  // with the inverse matrix and the inverse box.
  uint64_t T[8][256];
  uint64_t TI[8][256];

  SharkTables() {
    for (int x = 0; x < 256; ++x) SInv[Square_SBox[x]] = uint8_t(x);
    InvertG();
    for (int k = 0; k < 8; ++k)
      for (int x = 0; x < 256; ++x) {
        uint64_t t = 0, ti = 0;
        for (int i = 0; i < 8; ++i) {
          t = t << 8 | GFMul(kG[i][k], Square_SBox[x]);
          ti = ti << 8 | GFMul(GInv[i][k], SInv[x]);
        }
        T[k][x] = t;
        TI[k][x] = ti;
      }
  }

  // Gauss-Jordan elimination over GF(2^8).
  void InvertG() {
    uint8_t a[8][16] = {};
    for (int i = 0; i < 8; ++i) {
      std::memcpy(a[i], kG[i], 8);
      a[i][8 + i] = 1;
    }
    for (int c = 0; c < 8; ++c) {
      int p = c;
      while (a[p][c] == 0) ++p;
      if (p != c)
        for (int j = 0; j < 16; ++j) std::swap(a[p][j], a[c][j]);
      uint8_t inv = 1;
      while (GFMul(a[c][c], inv) != 1) ++inv;
      for (int j = 0; j < 16; ++j) a[c][j] = GFMul(a[c][j], inv);
      for (int r = 0; r < 8; ++r)
        if (r != c && a[r][c]) {
          uint8_t f = a[r][c];
          for (int j = 0; j < 16; ++j) a[r][j] ^= GFMul(f, a[c][j]);
        }
    }
    for (int i = 0; i < 8; ++i) std::memcpy(GInv[i], a[i] + 8, 8);
  }
};
const SharkTables& Tables() {
  static const SharkTables t;
  return t;
}

inline uint64_t Mix(const uint64_t (*table)[256], uint64_t x) {
  return table[0][x >> 56] ^ table[1][(x >> 48) & 0xFF] ^ table[2][(x >> 40) & 0xFF] ^
         table[3][(x >> 32) & 0xFF] ^ table[4][(x >> 24) & 0xFF] ^ table[5][(x >> 16) & 0xFF] ^
         table[6][(x >> 8) & 0xFF] ^ table[7][x & 0xFF];
}

inline uint64_t SubBytes(const uint8_t* box, uint64_t x) {
  uint64_t r = 0;
  for (int i = 56; i >= 0; i -= 8) r = r << 8 | box[(x >> i) & 0xFF];
  return r;
}

// Five rounds of key and G * S, then key, S and key.
uint64_t Encrypt(const SharkTables& t, const uint64_t* k, uint64_t x) {
  for (int r = 0; r < kRounds - 1; ++r) x = Mix(t.T, x ^ k[r]);
  return SubBytes(Square_SBox, x ^ k[kRounds - 1]) ^ k[kRounds];
}

// The bytes of y multiplied by the inverse of G.
uint64_t Transform(const SharkTables& t, uint64_t y) {
  uint64_t r = 0;
  for (int i = 0; i < 8; ++i) {
    uint8_t v = 0;
    for (int j = 0; j < 8; ++j) v ^= GFMul(t.GInv[i][j], uint8_t(y >> (56 - 8 * j)));
    r = r << 8 | v;
  }
  return r;
}

}  // namespace

// A key shorter than 16 bytes, even an empty one, is padded with zeros.
CIPHER_DEFINE_CLASS(TCipher_Shark, TCipher, 8, 16, sizeof(SharkState), 0)

void TCipher_Shark::EncryptBlock(void* Data) {
  const auto& s = *KeyScheduleAs<const SharkState>();
  StoreLE64(Data, Encrypt(Tables(), s.K, LoadLE64(Data)));
}

void TCipher_Shark::DecryptBlock(void* Data) {
  const SharkTables& t = Tables();
  const auto& s = *KeyScheduleAs<const SharkState>();
  uint64_t x = LoadLE64(Data) ^ s.D[0];
  for (int r = 1; r < kRounds; ++r) x = Mix(t.TI, x) ^ s.D[r];
  StoreLE64(Data, SubBytes(t.SInv, x) ^ s.D[kRounds]);
}

void TCipher_Shark::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  const SharkTables& t = Tables();
  auto& s = *KeyScheduleAs<SharkState>();
  uint8_t k[16] = {};
  if (Size > 0) std::memcpy(k, Key, Size);

  // The temporary keys: the first six words of T_0, the seventh transformed.
  uint64_t q[kRounds + 1];
  for (int i = 0; i < kRounds; ++i) q[i] = t.T[0][i];
  q[kRounds] = Transform(t, t.T[0][kRounds]);

  // Key material A_n: eight key bytes from byte 8n + 1 on, wrapping at 16.
  // Each round key is A_n xor the encryption of the previous one (of 0 for
  // the first).
  uint64_t c = 0;
  for (int n = 0; n <= kRounds; ++n) {
    uint64_t a = 0;
    for (int j = 1; j <= 8; ++j) a = a << 8 | k[(8 * n + j) % 16];
    c = Encrypt(t, q, c);
    s.K[n] = a ^ c;
    c = s.K[n];
  }
  s.K[kRounds] = Transform(t, s.K[kRounds]);

  s.D[0] = s.K[kRounds];
  for (int i = 1; i < kRounds; ++i) s.D[i] = Transform(t, s.K[kRounds - i]);
  s.D[kRounds] = s.K[0];
  std::memset(k, 0, sizeof(k));
  std::memset(q, 0, sizeof(q));
  CompleteInit(IVector);
}

const uint8_t* TCipher_Shark::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x10, 0xB5, 0x9E, 0x00, 0x02, 0xB7, 0x4B, 0x6F, 0x77, 0x37, 0x61, 0x92, 0xAD, 0xEC, 0xF0, 0x07,
      0xB4, 0xD2, 0x22, 0x3B, 0x30, 0x90, 0x6A, 0xD5, 0x47, 0xAD, 0x20, 0x89, 0x20, 0xF7, 0x8C, 0x3B};
  return answer;
}
