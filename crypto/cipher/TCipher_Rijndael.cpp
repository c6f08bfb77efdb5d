#include "crypto/cipher/TCipher_Rijndael.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define RIJNDAEL_AES_INSTRUCTIONS 1
#endif

#include "crypto/CodingRoutines.h"

CIPHER_DEFINE_CLASS(TCipher_Rijndael, TCipher, 16, 32, 480, 0)

namespace {

// KeySchedule: the encryption round keys (Rounds + 1 of 16 bytes), then the
// decryption round keys of the equivalent inverse cipher, each set in room
// for 15 round keys. A round key is stored as the bytes it adds to the state
// (its words big-endian), the form the AES instructions take.
constexpr int kDecryptionKeys = 240;  // byte offset

constexpr uint8_t Mul(uint8_t a, uint8_t b) {
  uint8_t p = 0;
  while (b) {
    if (b & 1) p ^= a;
    a = static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
    b >>= 1;
  }
  return p;
}

// The S-box, its inverse and the round tables, computed from the field
// arithmetic at compile time.
struct Tables {
  uint8_t S[256] = {};
  uint8_t Si[256] = {};
  uint32_t Te[4][256] = {};
  uint32_t Td[4][256] = {};

  constexpr Tables() {
    // Inverses through powers of the generator 3.
    uint8_t exp[256] = {}, log[256] = {};
    exp[0] = 1;
    for (int i = 1; i < 256; ++i) {
      exp[i] = Mul(exp[i - 1], 3);
      log[exp[i]] = static_cast<uint8_t>(i % 255);
    }
    for (int x = 0; x < 256; ++x) {
      uint8_t inv = x ? exp[(255 - log[x]) % 255] : 0;
      uint8_t s = inv;
      for (int r = 1; r < 5; ++r) s ^= static_cast<uint8_t>(inv << r | inv >> (8 - r));
      s ^= 0x63;
      S[x] = s;
      Si[s] = static_cast<uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
      uint8_t s = S[x];
      uint32_t e = uint32_t(Mul(s, 2)) << 24 | uint32_t(s) << 16 | uint32_t(s) << 8 | Mul(s, 3);
      uint8_t si = Si[x];
      uint32_t d = uint32_t(Mul(si, 14)) << 24 | uint32_t(Mul(si, 9)) << 16 |
                   uint32_t(Mul(si, 13)) << 8 | Mul(si, 11);
      for (int r = 0; r < 4; ++r) {
        Te[r][x] = r ? (e >> (8 * r) | e << (32 - 8 * r)) : e;
        Td[r][x] = r ? (d >> (8 * r) | d << (32 - 8 * r)) : d;
      }
    }
  }
};
constexpr Tables T;

inline uint32_t SubWord(uint32_t w) {
  return uint32_t(T.S[w >> 24]) << 24 | uint32_t(T.S[(w >> 16) & 0xFF]) << 16 |
         uint32_t(T.S[(w >> 8) & 0xFF]) << 8 | T.S[w & 0xFF];
}
inline uint32_t RotWord(uint32_t w) {
  return w << 8 | w >> 24;
}

inline uint32_t InvMixColumn(uint32_t w) {
  return T.Td[0][T.S[w >> 24]] ^ T.Td[1][T.S[(w >> 16) & 0xFF]] ^ T.Td[2][T.S[(w >> 8) & 0xFF]] ^
         T.Td[3][T.S[w & 0xFF]];
}

}  // namespace

void TCipher_Rijndael::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  const int nk = Size <= 16 ? 4 : Size <= 24 ? 6 : 8;
  Rounds = nk + 6;
  uint8_t key[32] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  const int total = 4 * (Rounds + 1);
  uint32_t w[64];  // room for the last, partial group of eight
  for (int i = 0; i < nk; ++i) w[i] = LoadBE32(key + 4 * i);
  uint32_t rcon = 0x01;
  if (nk < 8) {
    for (int i = nk; i < total; ++i) {
      uint32_t t = w[i - 1];
      if (i % nk == 0) {
        t = SubWord(RotWord(t)) ^ rcon << 24;
        rcon = Mul(static_cast<uint8_t>(rcon), 2);
      }
      w[i] = w[i - nk] ^ t;
    }
  } else {
    // Eight words at a time: a plain chain through all seven words after the
    // first, then SubWord of the fourth folded into the fifth and the chain
    // run again over the last three. Stored files depend on this expansion,
    // which matches AES-256 only in its first twelve words.
    for (int g = 8; g < total; g += 8) {
      const uint32_t* p = w + g - 8;
      uint32_t* n = w + g;
      n[0] = p[0] ^ SubWord(RotWord(p[7])) ^ rcon << 24;
      rcon = Mul(static_cast<uint8_t>(rcon), 2);
      for (int j = 1; j < 8; ++j) n[j] = p[j] ^ n[j - 1];
      n[4] ^= SubWord(n[3]);
      for (int j = 5; j < 8; ++j) n[j] ^= n[j - 1];
    }
  }
  uint8_t* ek = KeySchedule();
  uint8_t* dk = ek + kDecryptionKeys;
  for (int i = 0; i < total; ++i) StoreBE32(ek + 4 * i, w[i]);
  // Decryption keys: the encryption keys in reverse round order, the inner
  // ones passed through InvMixColumns.
  for (int r = 0; r <= Rounds; ++r)
    for (int c = 0; c < 4; ++c) {
      uint32_t v = w[4 * (Rounds - r) + c];
      StoreBE32(dk + 16 * r + 4 * c, (r == 0 || r == Rounds) ? v : InvMixColumn(v));
    }
  std::memset(key, 0, sizeof key);
  std::memset(w, 0, sizeof w);
  CompleteInit(IVector);
}

#ifdef RIJNDAEL_AES_INSTRUCTIONS
namespace {

__attribute__((target("aes,sse2"))) void EncryptAESNI(const uint8_t* k, int rounds, uint8_t* d) {
  auto key = [k](int r) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(k + 16 * r)); };
  __m128i s = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d)), key(0));
  for (int r = 1; r < rounds; ++r) s = _mm_aesenc_si128(s, key(r));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_aesenclast_si128(s, key(rounds)));
}

__attribute__((target("aes,sse2"))) void DecryptAESNI(const uint8_t* k, int rounds, uint8_t* d) {
  auto key = [k](int r) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(k + 16 * r)); };
  __m128i s = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d)), key(0));
  for (int r = 1; r < rounds; ++r) s = _mm_aesdec_si128(s, key(r));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_aesdeclast_si128(s, key(rounds)));
}

}  // namespace

bool TCipher_Rijndael::UseAESInstructions = [] {
  __builtin_cpu_init();  // this may run before the library's own start-up code
  return __builtin_cpu_supports("aes") != 0;
}();
#else
bool TCipher_Rijndael::UseAESInstructions = false;
#endif

void TCipher_Rijndael::EncryptBlock(void* Data) {
  const uint8_t* k = KeySchedule();
  uint8_t* d = static_cast<uint8_t*>(Data);
#ifdef RIJNDAEL_AES_INSTRUCTIONS
  if (UseAESInstructions) return EncryptAESNI(k, Rounds, d);
#endif
  uint32_t rk[4];
  auto next = [&rk, &k] {
    for (int c = 0; c < 4; ++c) rk[c] = LoadBE32(k + 4 * c);
    k += 16;
  };
  next();
  uint32_t s0 = LoadBE32(d) ^ rk[0], s1 = LoadBE32(d + 4) ^ rk[1];
  uint32_t s2 = LoadBE32(d + 8) ^ rk[2], s3 = LoadBE32(d + 12) ^ rk[3];
  for (int r = 1; r < Rounds; ++r) {
    next();
    uint32_t t0 = T.Te[0][s0 >> 24] ^ T.Te[1][(s1 >> 16) & 0xFF] ^ T.Te[2][(s2 >> 8) & 0xFF] ^
                  T.Te[3][s3 & 0xFF] ^ rk[0];
    uint32_t t1 = T.Te[0][s1 >> 24] ^ T.Te[1][(s2 >> 16) & 0xFF] ^ T.Te[2][(s3 >> 8) & 0xFF] ^
                  T.Te[3][s0 & 0xFF] ^ rk[1];
    uint32_t t2 = T.Te[0][s2 >> 24] ^ T.Te[1][(s3 >> 16) & 0xFF] ^ T.Te[2][(s0 >> 8) & 0xFF] ^
                  T.Te[3][s1 & 0xFF] ^ rk[2];
    uint32_t t3 = T.Te[0][s3 >> 24] ^ T.Te[1][(s0 >> 16) & 0xFF] ^ T.Te[2][(s1 >> 8) & 0xFF] ^
                  T.Te[3][s2 & 0xFF] ^ rk[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  next();
  auto last = [](uint32_t a, uint32_t b, uint32_t c, uint32_t e) {
    return uint32_t(T.S[a >> 24]) << 24 | uint32_t(T.S[(b >> 16) & 0xFF]) << 16 |
           uint32_t(T.S[(c >> 8) & 0xFF]) << 8 | T.S[e & 0xFF];
  };
  StoreBE32(d, last(s0, s1, s2, s3) ^ rk[0]);
  StoreBE32(d + 4, last(s1, s2, s3, s0) ^ rk[1]);
  StoreBE32(d + 8, last(s2, s3, s0, s1) ^ rk[2]);
  StoreBE32(d + 12, last(s3, s0, s1, s2) ^ rk[3]);
}

void TCipher_Rijndael::DecryptBlock(void* Data) {
  const uint8_t* k = KeySchedule() + kDecryptionKeys;
  uint8_t* d = static_cast<uint8_t*>(Data);
#ifdef RIJNDAEL_AES_INSTRUCTIONS
  if (UseAESInstructions) return DecryptAESNI(k, Rounds, d);
#endif
  uint32_t rk[4];
  auto next = [&rk, &k] {
    for (int c = 0; c < 4; ++c) rk[c] = LoadBE32(k + 4 * c);
    k += 16;
  };
  next();
  uint32_t s0 = LoadBE32(d) ^ rk[0], s1 = LoadBE32(d + 4) ^ rk[1];
  uint32_t s2 = LoadBE32(d + 8) ^ rk[2], s3 = LoadBE32(d + 12) ^ rk[3];
  for (int r = 1; r < Rounds; ++r) {
    next();
    uint32_t t0 = T.Td[0][s0 >> 24] ^ T.Td[1][(s3 >> 16) & 0xFF] ^ T.Td[2][(s2 >> 8) & 0xFF] ^
                  T.Td[3][s1 & 0xFF] ^ rk[0];
    uint32_t t1 = T.Td[0][s1 >> 24] ^ T.Td[1][(s0 >> 16) & 0xFF] ^ T.Td[2][(s3 >> 8) & 0xFF] ^
                  T.Td[3][s2 & 0xFF] ^ rk[1];
    uint32_t t2 = T.Td[0][s2 >> 24] ^ T.Td[1][(s1 >> 16) & 0xFF] ^ T.Td[2][(s0 >> 8) & 0xFF] ^
                  T.Td[3][s3 & 0xFF] ^ rk[2];
    uint32_t t3 = T.Td[0][s3 >> 24] ^ T.Td[1][(s2 >> 16) & 0xFF] ^ T.Td[2][(s1 >> 8) & 0xFF] ^
                  T.Td[3][s0 & 0xFF] ^ rk[3];
    s0 = t0;
    s1 = t1;
    s2 = t2;
    s3 = t3;
  }
  next();
  auto last = [](uint32_t a, uint32_t b, uint32_t c, uint32_t e) {
    return uint32_t(T.Si[a >> 24]) << 24 | uint32_t(T.Si[(b >> 16) & 0xFF]) << 16 |
           uint32_t(T.Si[(c >> 8) & 0xFF]) << 8 | T.Si[e & 0xFF];
  };
  StoreBE32(d, last(s0, s3, s2, s1) ^ rk[0]);
  StoreBE32(d + 4, last(s1, s0, s3, s2) ^ rk[1]);
  StoreBE32(d + 8, last(s2, s1, s0, s3) ^ rk[2]);
  StoreBE32(d + 12, last(s3, s2, s1, s0) ^ rk[3]);
}
