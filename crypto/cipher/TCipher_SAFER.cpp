#include "crypto/cipher/TCipher_SAFER.h"

#include <cstring>

namespace {

// KeySchedule: EXP (bytes 0..255), LOG (256..511), then the subkeys, eight
// bytes each, subkey 1 first.
constexpr int kExp = 0;
constexpr int kLog = 256;
constexpr int kSubkeys = 512;
constexpr int kStateSize = 768;

// EXP[x] = 45^x mod 257, the value 256 (x = 128) stored as 0; LOG inverts it.
struct SaferTables {
  uint8_t Exp[256];
  uint8_t Log[256];
  constexpr SaferTables() : Exp(), Log() {
    uint32_t v = 1;
    for (int x = 0; x < 256; ++x) {
      Exp[x] = uint8_t(v & 0xFF);
      Log[v & 0xFF] = uint8_t(x);
      v = v * 45 % 257;
    }
  }
};
constexpr SaferTables kTables;

inline uint8_t Rol8(uint8_t x, int n) { return uint8_t(x << n | x >> (8 - n)); }

// Pseudo-Hadamard transform: (x, y) := (2x + y, x + y).
inline void PHT(uint8_t& x, uint8_t& y) {
  y = uint8_t(y + x);
  x = uint8_t(x + y);
}
inline void IPHT(uint8_t& x, uint8_t& y) {
  x = uint8_t(x - y);
  y = uint8_t(y - x);
}

int DefaultRounds(TCipher_SAFER::TSAFERVersion v) {
  switch (v) {
    case TCipher_SAFER::svK40:
    case TCipher_SAFER::svSK40:
      return 5;
    case TCipher_SAFER::svK64:
    case TCipher_SAFER::svSK64:
      return 6;
    default:
      return 10;
  }
}

}  // namespace

// Every variant pads a short key, even an empty one, with zeros.
CIPHER_DEFINE_CLASS(TCipher_SAFER, TCipher, 8, 16, kStateSize, 0)
CIPHER_DEFINE_CLASS(TCipher_SAFER_K40, TCipher_SAFER, 8, 5, kStateSize, 0)
CIPHER_DEFINE_CLASS(TCipher_SAFER_SK40, TCipher_SAFER_K40, 8, 5, kStateSize, 0)
CIPHER_DEFINE_CLASS(TCipher_SAFER_K64, TCipher_SAFER, 8, 8, kStateSize, 0)
CIPHER_DEFINE_CLASS(TCipher_SAFER_SK64, TCipher_SAFER_K64, 8, 8, kStateSize, 0)
CIPHER_DEFINE_CLASS(TCipher_SAFER_K128, TCipher_SAFER, 8, 16, kStateSize, 0)
CIPHER_DEFINE_CLASS(TCipher_SAFER_SK128, TCipher_SAFER_K128, 8, 16, kStateSize, 0)

void TCipher_SAFER::EncryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint8_t* s = KeySchedule();
  const uint8_t* exp = s + kExp;
  const uint8_t* log = s + kLog;
  const uint8_t* k = s + kSubkeys;
  uint8_t a = d[0], b = d[1], c = d[2], dd = d[3], e = d[4], f = d[5], g = d[6], h = d[7];
  for (int r = 0; r < used_rounds_; ++r, k += 16) {
    a ^= k[0], b += k[1], c += k[2], dd ^= k[3], e ^= k[4], f += k[5], g += k[6], h ^= k[7];
    a = uint8_t(exp[a] + k[8]);
    b = uint8_t(log[b] ^ k[9]);
    c = uint8_t(log[c] ^ k[10]);
    dd = uint8_t(exp[dd] + k[11]);
    e = uint8_t(exp[e] + k[12]);
    f = uint8_t(log[f] ^ k[13]);
    g = uint8_t(log[g] ^ k[14]);
    h = uint8_t(exp[h] + k[15]);
    PHT(a, b), PHT(c, dd), PHT(e, f), PHT(g, h);
    PHT(a, c), PHT(e, g), PHT(b, dd), PHT(f, h);
    PHT(a, e), PHT(b, f), PHT(c, g), PHT(dd, h);
    uint8_t t = b;
    b = e, e = c, c = t;
    t = dd;
    dd = f, f = g, g = t;
  }
  d[0] = a ^ k[0];
  d[1] = uint8_t(b + k[1]);
  d[2] = uint8_t(c + k[2]);
  d[3] = dd ^ k[3];
  d[4] = e ^ k[4];
  d[5] = uint8_t(f + k[5]);
  d[6] = uint8_t(g + k[6]);
  d[7] = h ^ k[7];
}

void TCipher_SAFER::DecryptBlock(void* Data) {
  auto* d = static_cast<uint8_t*>(Data);
  const uint8_t* s = KeySchedule();
  const uint8_t* exp = s + kExp;
  const uint8_t* log = s + kLog;
  const uint8_t* k = s + kSubkeys + 16 * used_rounds_;
  uint8_t a = d[0] ^ k[0], b = uint8_t(d[1] - k[1]), c = uint8_t(d[2] - k[2]), dd = d[3] ^ k[3],
          e = d[4] ^ k[4], f = uint8_t(d[5] - k[5]), g = uint8_t(d[6] - k[6]), h = d[7] ^ k[7];
  for (int r = 0; r < used_rounds_; ++r) {
    k -= 16;
    uint8_t t = e;
    e = b, b = c, c = t;
    t = f;
    f = dd, dd = g, g = t;
    IPHT(a, e), IPHT(b, f), IPHT(c, g), IPHT(dd, h);
    IPHT(a, c), IPHT(e, g), IPHT(b, dd), IPHT(f, h);
    IPHT(a, b), IPHT(c, dd), IPHT(e, f), IPHT(g, h);
    a = log[uint8_t(a - k[8])];
    b = exp[b ^ k[9]];
    c = exp[c ^ k[10]];
    dd = log[uint8_t(dd - k[11])];
    e = log[uint8_t(e - k[12])];
    f = exp[f ^ k[13]];
    g = exp[g ^ k[14]];
    h = log[uint8_t(h - k[15])];
    a ^= k[0], b -= k[1], c -= k[2], dd ^= k[3], e ^= k[4], f -= k[5], g -= k[6], h ^= k[7];
  }
  d[0] = a, d[1] = b, d[2] = c, d[3] = dd, d[4] = e, d[5] = f, d[6] = g, d[7] = h;
}

void TCipher_SAFER::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  InitVersion(Key, Size, IVector, Size <= 5 ? svSK40 : Size <= 8 ? svSK64 : svSK128);
}

void TCipher_SAFER::InitVersion(const void* Key, int Size, const void* IVector,
                                TSAFERVersion Version) {
  variant_ = Version;
  used_rounds_ = rounds_ >= 4 && rounds_ <= 13 ? rounds_ : DefaultRounds(Version);
  const bool strengthened = Version >= svSK40;

  uint8_t* s = KeySchedule();
  std::memcpy(s + kExp, kTables.Exp, 256);
  std::memcpy(s + kLog, kTables.Log, 256);

  uint8_t key[16] = {};
  if (Size > 0) std::memcpy(key, Key, Size);
  uint8_t ka[9] = {}, kb[9] = {};
  switch (Version) {
    case svK40:
    case svSK40:
      std::memcpy(ka, key, 5);
      ka[5] = key[0] ^ key[2] ^ 0x81;
      ka[6] = key[0] ^ key[3] ^ key[4] ^ 0x42;
      ka[7] = key[1] ^ key[2] ^ key[4] ^ 0x24;
      ka[8] = key[1] ^ key[3] ^ 0x18;
      std::memcpy(kb, ka, 9);
      break;
    case svK64:
    case svSK64:
      std::memcpy(ka, key, 8);
      std::memcpy(kb, key, 8);
      break;
    default:
      std::memcpy(ka, key, 8);
      std::memcpy(kb, Size <= 8 ? key : key + 8, 8);
      break;
  }
  if (Version != svK40 && Version != svSK40) {
    for (int j = 0; j < 8; ++j) {
      ka[8] ^= ka[j];
      kb[8] ^= kb[j];
    }
  }

  const uint8_t* exp = kTables.Exp;
  uint8_t* sub = s + kSubkeys;
  std::memcpy(sub, kb, 8);
  for (uint8_t& x : ka) x = Rol8(x, 5);
  for (int i = 1; i <= used_rounds_; ++i) {
    for (int j = 0; j < 9; ++j) {
      ka[j] = Rol8(ka[j], 6);
      kb[j] = Rol8(kb[j], 6);
    }
    uint8_t* even = sub + 8 * (2 * i - 1);  // subkey 2i
    uint8_t* odd = even + 8;                // subkey 2i + 1
    for (int j = 0; j < 8; ++j) {
      uint8_t ra = strengthened ? ka[(j + 2 * i - 1) % 9] : ka[j];
      uint8_t rb = strengthened ? kb[(j + 2 * i) % 9] : kb[j];
      even[j] = uint8_t(ra + exp[exp[18 * i + j + 1]]);
      odd[j] = uint8_t(rb + exp[exp[18 * i + j + 10]]);
    }
  }
  std::memset(key, 0, sizeof(key));
  std::memset(ka, 0, sizeof(ka));
  std::memset(kb, 0, sizeof(kb));
  CompleteInit(IVector);
}

void TCipher_SAFER_K40::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  InitVersion(Key, Size, IVector, svK40);
}

void TCipher_SAFER_SK40::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  InitVersion(Key, Size, IVector, svSK40);
}

void TCipher_SAFER_K64::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  InitVersion(Key, Size, IVector, svK64);
}

void TCipher_SAFER_SK64::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  InitVersion(Key, Size, IVector, svSK64);
}

void TCipher_SAFER_K128::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  InitVersion(Key, Size, IVector, svK128);
}

void TCipher_SAFER_SK128::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);
  InitVersion(Key, Size, IVector, svSK128);
}

const uint8_t* TCipher_SAFER::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xC2, 0x7B, 0xD6, 0xB7, 0x58, 0x17, 0xD0, 0xE2, 0xA7, 0x06, 0xF3, 0xF9, 0x86, 0x02, 0x26, 0xE4,
      0x11, 0x68, 0x9F, 0x62, 0xD4, 0x9A, 0x8A, 0xCD, 0xB6, 0x50, 0x49, 0x12, 0xEB, 0xA6, 0xA4, 0xB6};
  return answer;
}

const uint8_t* TCipher_SAFER_K40::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xE3, 0x26, 0xCD, 0x3E, 0x14, 0x19, 0x77, 0x65, 0xA6, 0x27, 0xBC, 0xC5, 0x0E, 0x06, 0x55, 0x26,
      0xBB, 0x3A, 0x9F, 0x56, 0x31, 0x44, 0xD3, 0x47, 0x51, 0x6D, 0xBB, 0xF6, 0x12, 0x1C, 0x97, 0x2F};
  return answer;
}

const uint8_t* TCipher_SAFER_SK40::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x63, 0xD3, 0x2A, 0x1D, 0xBE, 0x3B, 0x66, 0xDC, 0x58, 0x5A, 0x4F, 0x1F, 0x39, 0x75, 0xC8, 0x47,
      0x21, 0x99, 0xF0, 0x00, 0xDA, 0xA8, 0xF1, 0x49, 0x90, 0xCA, 0xC4, 0x58, 0x6D, 0x51, 0xB4, 0x14};
  return answer;
}

const uint8_t* TCipher_SAFER_K64::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xE3, 0x6A, 0x9D, 0x1D, 0x17, 0x31, 0x7B, 0x1D, 0x1F, 0xC6, 0x8D, 0x1E, 0x24, 0xC3, 0xDE, 0xBE,
      0xF4, 0xD6, 0x0C, 0xDD, 0x1B, 0xCD, 0x36, 0xC0, 0xF2, 0x9C, 0xEE, 0xF2, 0x09, 0x3C, 0x1E, 0x8B};
  return answer;
}

const uint8_t* TCipher_SAFER_SK64::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xB6, 0x11, 0x06, 0x63, 0xF1, 0xEA, 0xA4, 0xCD, 0x14, 0x47, 0x75, 0xA5, 0x97, 0xCB, 0x5E, 0x47,
      0xF3, 0x6B, 0x6E, 0xF8, 0x84, 0x9E, 0xB2, 0xD8, 0x33, 0xC1, 0x2C, 0xC8, 0x15, 0xEE, 0x89, 0x51};
  return answer;
}

const uint8_t* TCipher_SAFER_K128::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x37, 0x43, 0xF4, 0xBF, 0x79, 0x73, 0x23, 0xE6, 0x73, 0x73, 0x75, 0xCF, 0xD7, 0xC1, 0xFD, 0x7D,
      0xF4, 0x72, 0x59, 0x46, 0xCE, 0xFC, 0xEB, 0x5F, 0x04, 0x53, 0x40, 0x24, 0x06, 0x32, 0x85, 0x69};
  return answer;
}

const uint8_t* TCipher_SAFER_SK128::KnownAnswer() {
  static const uint8_t answer[32] = {
      0xC2, 0x7B, 0xD6, 0xB7, 0x58, 0x17, 0xD0, 0xE2, 0xA7, 0x06, 0xF3, 0xF9, 0x86, 0x02, 0x26, 0xE4,
      0x11, 0x68, 0x9F, 0x62, 0xD4, 0x9A, 0x8A, 0xCD, 0xB6, 0x50, 0x49, 0x12, 0xEB, 0xA6, 0xA4, 0xB6};
  return answer;
}
