// Blowfish, GOST, IDEA, SAFER, TEA, 3-Way, Twofish, Square, SHARK, Q128 and
// SCOP: constant tables, published known answers, the library's own
// variants and the key-length edge cases. Agreement with independent
// libraries is in ciphers_blowfish_to_scop_interop_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/THash_RipeMD256.h"
#include "crypto/cipher/BlowfishTables.h"
#include "crypto/cipher/Q128Table.h"
#include "crypto/cipher/SquareSBox.h"
#include "crypto/cipher/TCipher_3Way.h"
#include "crypto/cipher/TCipher_Blowfish.h"
#include "crypto/cipher/TCipher_Gost.h"
#include "crypto/cipher/TCipher_IDEA.h"
#include "crypto/cipher/TCipher_Q128.h"
#include "crypto/cipher/TCipher_SAFER.h"
#include "crypto/cipher/TCipher_SCOP.h"
#include "crypto/cipher/TCipher_Shark.h"
#include "crypto/cipher/TCipher_Square.h"
#include "crypto/cipher/TCipher_TEA.h"
#include "crypto/cipher/TCipher_Twofish.h"
#include "tests/crypto/cipher/PublishedTwofish.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& s) {
  Bytes b;
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    if (s[i] == ' ') {
      --i;
      continue;
    }
    b.push_back(uint8_t(std::stoul(s.substr(i, 2), nullptr, 16)));
  }
  return b;
}

Bytes Random(std::mt19937& rng, size_t n) {
  Bytes b(n);
  for (auto& x : b) x = uint8_t(rng());
  return b;
}

// FNV-1a over the bytes of a table (words little-endian).
uint64_t Fnv(const void* data, size_t size) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (size_t i = 0; i < size; ++i) {
    h ^= static_cast<const uint8_t*>(data)[i];
    h *= 0x100000001B3ull;
  }
  return h;
}

Bytes Encrypt(TCipher& c, const Bytes& key, Bytes block) {
  c.Init(key.data(), int(key.size()), nullptr);
  c.EncryptBlock(block.data());
  return block;
}

template <class C>
Bytes Encrypt(const Bytes& key, const Bytes& block) {
  C c;
  return Encrypt(c, key, block);
}

template <class C>
Bytes Decrypt(const Bytes& key, Bytes block) {
  C c;
  c.Init(key.data(), int(key.size()), nullptr);
  c.DecryptBlock(block.data());
  return block;
}

// Encrypting then decrypting random blocks under random keys of the given
// length returns the blocks.
void ExpectRoundTrip(TCipherClass cls, int keyLen, uint32_t seed, int samples = 50) {
  std::mt19937 rng(seed);
  for (int n = 0; n < samples; ++n) {
    TProtectionRef<TCipher> c = cls->Create();
    Bytes key = Random(rng, size_t(keyLen)), block = Random(rng, size_t(cls->BlockSize));
    Bytes data = block;
    c->Init(key.data(), keyLen, nullptr);
    c->EncryptBlock(data.data());
    EXPECT_NE(data, block);
    c->ResetFeedback();  // SCOP's table runs on while coding
    c->DecryptBlock(data.data());
    ASSERT_EQ(data, block) << cls->Name << " key length " << keyLen;
  }
}

// A view of a cipher's key schedule.
template <class C>
class Probe : public C {
 public:
  using TCipher::KeySchedule;
};

}  // namespace

// ---- Class facts ------------------------------------------------------------

TEST(CipherAClasses, SizesAndParents) {
  struct {
    TCipherClass cls, parent;
    int block, key, state;
  } cases[] = {
      {TCipher_Blowfish::StaticClass(), TCipher::StaticClass(), 8, 56, 4168},
      {TCipher_Gost::StaticClass(), TCipher::StaticClass(), 8, 32, 32},
      {TCipher_IDEA::StaticClass(), TCipher::StaticClass(), 8, 16, 208},
      {TCipher_SAFER::StaticClass(), TCipher::StaticClass(), 8, 16, 768},
      {TCipher_SAFER_K40::StaticClass(), TCipher_SAFER::StaticClass(), 8, 5, 768},
      {TCipher_SAFER_SK40::StaticClass(), TCipher_SAFER_K40::StaticClass(), 8, 5, 768},
      {TCipher_SAFER_K64::StaticClass(), TCipher_SAFER::StaticClass(), 8, 8, 768},
      {TCipher_SAFER_SK64::StaticClass(), TCipher_SAFER_K64::StaticClass(), 8, 8, 768},
      {TCipher_SAFER_K128::StaticClass(), TCipher_SAFER::StaticClass(), 8, 16, 768},
      {TCipher_SAFER_SK128::StaticClass(), TCipher_SAFER_K128::StaticClass(), 8, 16, 768},
      {TCipher_TEA::StaticClass(), TCipher::StaticClass(), 8, 16, 32},
      {TCipher_TEAN::StaticClass(), TCipher_TEA::StaticClass(), 8, 16, 32},
      {TCipher_3Way::StaticClass(), TCipher::StaticClass(), 12, 12, 120},
      {TCipher_Twofish::StaticClass(), TCipher::StaticClass(), 16, 32, 4256},
      {TCipher_Square::StaticClass(), TCipher::StaticClass(), 16, 16, 288},
      {TCipher_Shark::StaticClass(), TCipher::StaticClass(), 8, 16, 112},
      {TCipher_Q128::StaticClass(), TCipher::StaticClass(), 16, 16, 256},
      {TCipher_SCOP::StaticClass(), TCipher::StaticClass(), 128, 48, 3104},
  };
  for (const auto& c : cases) {
    int block = 0, key = 0, state = 0;
    c.cls->GetSizes(block, key, state);
    EXPECT_EQ(block, c.block) << c.cls->Name;
    EXPECT_EQ(key, c.key) << c.cls->Name;
    EXPECT_EQ(state, c.state) << c.cls->Name;
    EXPECT_EQ(c.cls->Parent, static_cast<TClass>(c.parent)) << c.cls->Name;
    TProtectionRef<TCipher> object = c.cls->Create();
    EXPECT_EQ(object->ClassName(), std::string(c.cls->Name));
    EXPECT_FALSE(object->Initialized());
  }
}

// ---- Constant tables ------------------------------------------------------

TEST(CipherATables, BlowfishInitialTablesHoldTheirDigest) {
  EXPECT_EQ(Blowfish_InitP[0], 0x243F6A88u);
  EXPECT_EQ(Blowfish_InitP[17], 0x8979FB1Bu);
  EXPECT_EQ(Blowfish_InitS[0][0], 0xD1310BA6u);
  EXPECT_EQ(Blowfish_InitS[3][255], 0x3AC372E6u);
  EXPECT_EQ(Fnv(Blowfish_InitP, sizeof(Blowfish_InitP)), 0xBF73CC0CB903F9C9ull);
  EXPECT_EQ(Fnv(Blowfish_InitS, sizeof(Blowfish_InitS)), 0x6C7A4136B5A7C636ull);
}

// The digits of pi, computed here with Machin's formula
// pi = 16 atan(1/5) - 4 atan(1/239) in fixed point with 32-bit limbs (limb 0
// the integer part), give every word of the initial P-array and S-boxes.
TEST(CipherATables, BlowfishInitialTablesRecomputeFromPi) {
  constexpr size_t kWords = 18 + 4 * 256, kLimbs = 1 + kWords + 4;
  using Fixed = std::vector<uint32_t>;
  auto divide = [](Fixed& x, uint32_t d) {
    uint64_t rest = 0;
    for (uint32_t& limb : x) {
      const uint64_t cur = rest << 32 | limb;
      limb = uint32_t(cur / d);
      rest = cur % d;
    }
  };
  auto addTo = [](Fixed& acc, const Fixed& x, bool subtract) {
    uint64_t carry = 0;
    for (size_t i = acc.size(); i-- > 0;) {
      if (subtract) {
        const uint64_t need = uint64_t(x[i]) + carry;
        carry = acc[i] < need;
        acc[i] = uint32_t(acc[i] - need);
      } else {
        const uint64_t sum = uint64_t(acc[i]) + x[i] + carry;
        acc[i] = uint32_t(sum);
        carry = sum >> 32;
      }
    }
  };
  auto isZero = [](const Fixed& x) { return std::all_of(x.begin(), x.end(), [](uint32_t v) { return v == 0; }); };
  // factor * atan(1/x) added to acc (subtracted when negate).
  auto atanInto = [&](Fixed& acc, uint32_t factor, uint32_t x, bool negate) {
    Fixed power(kLimbs, 0), term(kLimbs);
    power[0] = factor;
    divide(power, x);  // factor / x^(2k+1), k = 0
    for (uint32_t k = 0; !isZero(power); ++k) {
      term = power;
      divide(term, 2 * k + 1);
      addTo(acc, term, negate != (k % 2 == 1));
      divide(power, x * x);
    }
  };
  Fixed pi(kLimbs, 0);
  atanInto(pi, 16, 5, false);
  atanInto(pi, 4, 239, true);
  ASSERT_EQ(pi[0], 3u);
  for (size_t i = 0; i < 18; ++i) ASSERT_EQ(Blowfish_InitP[i], pi[1 + i]) << "P " << i;
  for (size_t i = 0; i < 4 * 256; ++i) ASSERT_EQ(Blowfish_InitS[i / 256][i % 256], pi[19 + i]) << "S " << i;
}

TEST(CipherATables, Q128TableHoldsThePrintedRowsAndItsDigest) {
  EXPECT_EQ(Q128_T[0], 0xD6D92632u);
  EXPECT_EQ(Q128_T[1], 0x5E84404Du);
  EXPECT_EQ(Q128_T[2], 0x4F341282u);
  EXPECT_EQ(Q128_T[3], 0x71654B06u);
  EXPECT_EQ(Q128_T[1020], 0x0D77242Au);
  EXPECT_EQ(Q128_T[1021], 0xDA602306u);
  EXPECT_EQ(Q128_T[1022], 0x51A7285Eu);
  EXPECT_EQ(Q128_T[1023], 0x109C2D17u);
  EXPECT_EQ(Fnv(Q128_T, sizeof(Q128_T)), 0xBE937B8C7D14A291ull);
}

// The Q128 table was generated by its author from Blowfish keyed with the
// alphabet: a million keyed swaps of 0..1023, then each word's bits mixed by
// a 32 x 32 binary matrix of further Blowfish outputs.
TEST(CipherATables, Q128TableRegeneratesFromBlowfish) {
  TCipher_Blowfish bf;
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
  bf.Init(alphabet.data(), int(alphabet.size()), nullptr);
  auto enc = [&](uint32_t r, uint32_t& outL, uint32_t& outR) {
    uint8_t b[8];
    StoreBE32(b, 0);
    StoreBE32(b + 4, r);
    bf.EncryptBlock(b);
    outL = LoadBE32(b);
    outR = LoadBE32(b + 4);
  };
  std::vector<uint32_t> t(1024);
  for (uint32_t i = 0; i < 1024; ++i) t[i] = i;
  uint32_t l, r;
  for (uint32_t k = 0; k < 1000000; ++k) {
    enc(k, l, r);
    std::swap(t[k % 1024], t[r % 1024]);
  }
  uint32_t m[32];
  for (uint32_t k = 0; k < 16; ++k) enc(32 + k, m[2 * k], m[2 * k + 1]);
  for (uint32_t& w : t) {
    uint32_t v = 0;
    for (int bit = 0; bit < 32; ++bit) v |= uint32_t(__builtin_parity(w & m[bit])) << bit;
    w = v;
  }
  EXPECT_TRUE(std::equal(t.begin(), t.end(), Q128_T));
}

TEST(CipherATables, SquareAndSharkBoxIsThePrintedOne) {
  const Bytes first = Hex("B1CEC3955AADE7024D44FB910C87A150");
  const Bytes last = Hex("D67886FAE42BA91E89606BEA554CF7E2");
  EXPECT_TRUE(std::equal(first.begin(), first.end(), Square_SBox));
  EXPECT_TRUE(std::equal(last.begin(), last.end(), Square_SBox + 240));
  EXPECT_EQ(Fnv(Square_SBox, 256), 0x9F5A75CDAF82865Full);
  Bytes sorted(Square_SBox, Square_SBox + 256);
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(sorted[size_t(i)], i);  // a permutation
}

// EXP and LOG fill the first 512 bytes of every SAFER key schedule.
TEST(CipherATables, SaferExpAndLogTables) {
  Probe<TCipher_SAFER_K64> c;
  const uint8_t key[8] = {};
  c.Init(key, 8, nullptr);
  const uint8_t* exp = c.KeySchedule();
  const uint8_t* log = exp + 256;
  EXPECT_EQ(Fnv(exp, 256), 0x0B761DA80CE5C779ull);
  EXPECT_EQ(Fnv(log, 256), 0x96BFB6ECE148B505ull);
  const Bytes firstRow = Hex("012DE293BE4515AE780387A4B838CF3F");
  EXPECT_TRUE(std::equal(firstRow.begin(), firstRow.end(), exp));
  EXPECT_EQ(exp[128], 0);  // 45^128 mod 257 = 256
  EXPECT_EQ(log[0], 128);
}

// ---- Published known answers -----------------------------------------------

TEST(CipherAKnownAnswers, Blowfish) {
  struct {
    const char *key, *plain, *cipher;
  } cases[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encrypt<TCipher_Blowfish>(Hex(c.key), Hex(c.plain)), Hex(c.cipher)) << c.key;
    EXPECT_EQ(Decrypt<TCipher_Blowfish>(Hex(c.key), Hex(c.cipher)), Hex(c.plain)) << c.key;
  }
}

TEST(CipherAKnownAnswers, IDEA) {
  const Bytes key = Hex("00010002000300040005000600070008");
  EXPECT_EQ(Encrypt<TCipher_IDEA>(key, Hex("0000000100020003")), Hex("11FBED2B01986DE5"));
  EXPECT_EQ(Decrypt<TCipher_IDEA>(key, Hex("11FBED2B01986DE5")), Hex("0000000100020003"));
}

TEST(CipherAKnownAnswers, SaferWithTheLibrarysRoundCounts) {
  EXPECT_EQ(Encrypt<TCipher_SAFER_K64>(Hex("0807060504030201"), Hex("0102030405060708")),
            Hex("C8F29CDD87783ED9"));
  EXPECT_EQ(Encrypt<TCipher_SAFER_SK64>(Hex("0102030405060708"), Hex("0102030405060708")),
            Hex("5FCE9BA2058438C7"));
  EXPECT_EQ(Encrypt<TCipher_SAFER_SK128>(Hex("01020304050607080000000000000000"), Hex("0102030405060708")),
            Hex("FF7811E4B3A72E71"));
}

// The published vectors print each triple most significant word first.
TEST(CipherAKnownAnswers, ThreeWay) {
  auto triple = [](uint32_t a2, uint32_t a1, uint32_t a0) {
    Bytes b(12);
    StoreLE32(b.data(), a0);
    StoreLE32(b.data() + 4, a1);
    StoreLE32(b.data() + 8, a2);
    return b;
  };
  EXPECT_EQ(Encrypt<TCipher_3Way>(triple(0, 0, 0), triple(1, 1, 1)),
            triple(0xAD21ECF7, 0x83AE9DC4, 0x4059C76E));
  EXPECT_EQ(Encrypt<TCipher_3Way>(triple(4, 5, 6), triple(1, 2, 3)),
            triple(0xCAB920CD, 0xD6144138, 0xD2F05B5E));
  EXPECT_EQ(Encrypt<TCipher_3Way>(triple(0xBCDEF012, 0x456789AB, 0xDEF01234),
                                  triple(0x01234567, 0x9ABCDEF0, 0x23456789)),
            triple(0x7CDB76B2, 0x9CDDDB6D, 0x0AA55DBB));
  EXPECT_EQ(Encrypt<TCipher_3Way>(triple(0xCAB920CD, 0xD6144138, 0xD2F05B5E),
                                  triple(0xAD21ECF7, 0x83AE9DC4, 0x4059C76E)),
            triple(0x15B155ED, 0x6B13F17C, 0x478EA871));
}

// ---- The library's own variants ---------------------------------------------

// With the published odd subkeys the published vectors hold; the library's
// Twofish gives other ciphertexts.
TEST(CipherAVariants, TwofishOddSubkeys) {
  struct {
    const char *key, *plain, *cipher;
  } cases[] = {
      {"00000000000000000000000000000000", "00000000000000000000000000000000",
       "9F589F5CF6122C32B6BFEC2F2AE8C35A"},
      {"0123456789ABCDEFFEDCBA98765432100011223344556677", "00000000000000000000000000000000",
       "CFD1D2E5A9BE9CDF501F13B892BD2248"},
      {"0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF",
       "00000000000000000000000000000000", "37527BE0052334B89F0CFCCAE87CFA20"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encrypt<PublishedTwofish>(Hex(c.key), Hex(c.plain)), Hex(c.cipher)) << c.key;
    const Bytes ours = Encrypt<TCipher_Twofish>(Hex(c.key), Hex(c.plain));
    EXPECT_NE(ours, Hex(c.cipher)) << c.key;
    EXPECT_EQ(Decrypt<TCipher_Twofish>(Hex(c.key), ours), Hex(c.plain)) << c.key;
  }
}

// Keys are padded with zeros to 16, 24 or 32 bytes.
TEST(CipherAVariants, TwofishPadsKeysToTheNextSchedule) {
  std::mt19937 rng(50);
  const Bytes block = Random(rng, 16);
  for (size_t len : {0u, 5u, 16u, 17u, 20u, 24u, 25u, 31u}) {
    Bytes key = Random(rng, len);
    Bytes padded = key;
    padded.resize(len <= 16 ? 16 : len <= 24 ? 24 : 32);
    EXPECT_EQ(Encrypt<TCipher_Twofish>(key, block), Encrypt<TCipher_Twofish>(padded, block)) << len;
  }
  // A 20-byte key is the 24-byte schedule, not the 32-byte one.
  Bytes key = Random(rng, 20), as32 = key;
  as32.resize(32);
  EXPECT_NE(Encrypt<TCipher_Twofish>(key, block), Encrypt<TCipher_Twofish>(as32, block));
}

TEST(CipherAVariants, TeaAndTeanInvertForEveryCycleCount) {
  std::mt19937 rng(51);
  for (int rounds = 16; rounds <= 32; ++rounds) {
    for (TCipher_TEA* c : {static_cast<TCipher_TEA*>(new TCipher_TEA), static_cast<TCipher_TEA*>(new TCipher_TEAN)}) {
      TProtectionRef<TCipher_TEA> ref(c);
      Bytes key = Random(rng, 16), block = Random(rng, 8), data = block;
      c->SetRounds(rounds);
      c->Init(key.data(), 16, nullptr);
      EXPECT_EQ(c->Rounds(), rounds);
      c->EncryptBlock(data.data());
      EXPECT_NE(data, block);
      c->DecryptBlock(data.data());
      EXPECT_EQ(data, block) << c->ClassName() << " " << rounds;
    }
  }
}

TEST(CipherAVariants, TeaCyclesAreBroughtIntoSixteenToThirtyTwo) {
  TCipher_TEA tea;
  const uint8_t key[16] = {};
  EXPECT_EQ(tea.Rounds(), 0);
  tea.Init(key, 16, nullptr);
  EXPECT_EQ(tea.Rounds(), 16);
  tea.SetRounds(40);
  tea.Init(key, 16, nullptr);
  EXPECT_EQ(tea.Rounds(), 32);
  // 16 and 32 cycles give different results.
  TCipher_TEA t16;
  Bytes block(8, 0x5A);
  EXPECT_NE(Encrypt(t16, Bytes(16, 1), block), Encrypt(tea, Bytes(16, 1), block));
}

// Rounds outside 4..13 (0 in a new object) take the variant's default: 5,
// 6 and 10 rounds for 40-, 64- and 128-bit keys; the generic class picks the
// strengthened variant by the key's length.
TEST(CipherAVariants, SaferRoundsAndVariants) {
  std::mt19937 rng(52);
  const Bytes block = Random(rng, 8);
  struct {
    TCipherClass cls;
    int keyLen, rounds;
    TCipher_SAFER::TSAFERVersion variant;
  } cases[] = {
      {TCipher_SAFER_K40::StaticClass(), 5, 5, TCipher_SAFER::svK40},
      {TCipher_SAFER_SK40::StaticClass(), 5, 5, TCipher_SAFER::svSK40},
      {TCipher_SAFER_K64::StaticClass(), 8, 6, TCipher_SAFER::svK64},
      {TCipher_SAFER_SK64::StaticClass(), 8, 6, TCipher_SAFER::svSK64},
      {TCipher_SAFER_K128::StaticClass(), 16, 10, TCipher_SAFER::svK128},
      {TCipher_SAFER_SK128::StaticClass(), 16, 10, TCipher_SAFER::svSK128},
  };
  for (const auto& c : cases) {
    const Bytes key = Random(rng, size_t(c.keyLen));
    TProtectionRef<TCipher> byDefault = c.cls->Create(), explicitRounds = c.cls->Create();
    auto* safer = static_cast<TCipher_SAFER*>(explicitRounds.get());
    safer->SetRounds(c.rounds);
    EXPECT_EQ(Encrypt(*byDefault, key, block), Encrypt(*explicitRounds, key, block)) << c.cls->Name;
    EXPECT_EQ(static_cast<TCipher_SAFER*>(byDefault.get())->Variant(), c.variant);
    safer->SetRounds(c.rounds + 1);
    EXPECT_NE(Encrypt(*byDefault, key, block), Encrypt(*explicitRounds, key, block)) << c.cls->Name;
    safer->SetRounds(14);  // out of range: the default again
    EXPECT_EQ(Encrypt(*byDefault, key, block), Encrypt(*explicitRounds, key, block)) << c.cls->Name;
    ExpectRoundTrip(c.cls, c.keyLen, 53);

    TCipher_SAFER generic;
    Encrypt(generic, key, block);
    EXPECT_EQ(generic.Variant(), c.keyLen == 5 ? TCipher_SAFER::svSK40
                                 : c.keyLen == 8 ? TCipher_SAFER::svSK64
                                                 : TCipher_SAFER::svSK128);
  }
  // The strengthened and original schedules differ.
  const Bytes key = Random(rng, 16);
  EXPECT_NE(Encrypt<TCipher_SAFER_K128>(key, block), Encrypt<TCipher_SAFER_SK128>(key, block));
  EXPECT_EQ(Encrypt<TCipher_SAFER>(key, block), Encrypt<TCipher_SAFER_SK128>(key, block));
  // A key of at most 8 bytes serves both 128-bit key registers.
  const Bytes shortKey = Random(rng, 8);
  Bytes doubled = shortKey;
  doubled.insert(doubled.end(), shortKey.begin(), shortKey.end());
  EXPECT_EQ(Encrypt<TCipher_SAFER_SK128>(shortKey, block), Encrypt<TCipher_SAFER_SK128>(doubled, block));
}

// ---- Key lengths --------------------------------------------------------------

TEST(CipherAKeys, BlowfishRepeatsShortKeysCyclically) {
  std::mt19937 rng(60);
  const Bytes block = Random(rng, 8);
  const Bytes one = {0x7A}, k16 = Random(rng, 16);
  Bytes k32 = k16, k48 = k16;
  k32.insert(k32.end(), k16.begin(), k16.end());
  k48.insert(k48.end(), k32.begin(), k32.end());
  EXPECT_EQ(Encrypt<TCipher_Blowfish>(one, block), Encrypt<TCipher_Blowfish>(Bytes(56, 0x7A), block));
  EXPECT_EQ(Encrypt<TCipher_Blowfish>(k16, block), Encrypt<TCipher_Blowfish>(k32, block));
  EXPECT_EQ(Encrypt<TCipher_Blowfish>(k16, block), Encrypt<TCipher_Blowfish>(k48, block));
  // A 32-byte key (what a pass phrase gives) is not a 16-byte one repeated.
  const Bytes other32 = Random(rng, 32);
  EXPECT_NE(Encrypt<TCipher_Blowfish>(other32, block),
            Encrypt<TCipher_Blowfish>(Bytes(other32.begin(), other32.begin() + 16), block));
}

// An empty key has no Blowfish or SCOP schedule (their expansions take key
// bytes modulo or relative to the key length): Init refuses it.
TEST(CipherAKeys, EmptyKeysAreRefusedWhereNoScheduleExists) {
  const uint8_t key[1] = {1};
  for (TCipherClass cls : {TCipher_Blowfish::StaticClass(), TCipher_SCOP::StaticClass()}) {
    TProtectionRef<TCipher> c = cls->Create();
    for (int size : {0, -5}) {
      try {
        c->Init(key, size, nullptr);
        ADD_FAILURE() << cls->Name << " accepted a key of " << size << " bytes";
      } catch (const ECipherException& e) {
        EXPECT_EQ(e.FailureCode(), errInvalidKeySize);
      }
      EXPECT_FALSE(c->Initialized());
    }
    c->Init(key, 1, nullptr);
    EXPECT_TRUE(c->Initialized());
  }
}

// The other ciphers pad any shorter key with zeros, an empty one included
// (Twofish to its next schedule and SAFER with 128-bit keys by its own rules,
// tested above).
TEST(CipherAKeys, ShortKeysArePaddedWithZeros) {
  std::mt19937 rng(61);
  for (TCipherClass cls :
       {TCipher_Gost::StaticClass(), TCipher_IDEA::StaticClass(), TCipher_SAFER_K40::StaticClass(),
        TCipher_SAFER_K64::StaticClass(), TCipher_SAFER_SK64::StaticClass(), TCipher_TEA::StaticClass(),
        TCipher_TEAN::StaticClass(), TCipher_3Way::StaticClass(), TCipher_Square::StaticClass(),
        TCipher_Shark::StaticClass(), TCipher_Q128::StaticClass()}) {
    const Bytes block = Random(rng, size_t(cls->BlockSize));
    for (size_t len : {size_t(0), size_t(1), size_t(7)}) {
      if (len > size_t(cls->KeySize)) continue;
      Bytes key = Random(rng, len), padded = key;
      padded.resize(size_t(cls->KeySize));
      TProtectionRef<TCipher> a = cls->Create(), b = cls->Create();
      EXPECT_EQ(Encrypt(*a, key, block), Encrypt(*b, padded, block)) << cls->Name << " " << len;
    }
  }
}

TEST(CipherAKeys, LongKeysAreCutToTheKeySize) {
  std::mt19937 rng(62);
  for (TCipherClass cls :
       {TCipher_Blowfish::StaticClass(), TCipher_Gost::StaticClass(), TCipher_IDEA::StaticClass(),
        TCipher_SAFER::StaticClass(), TCipher_SAFER_K40::StaticClass(), TCipher_SAFER_SK64::StaticClass(),
        TCipher_TEA::StaticClass(), TCipher_3Way::StaticClass(), TCipher_Twofish::StaticClass(),
        TCipher_Square::StaticClass(), TCipher_Shark::StaticClass(), TCipher_Q128::StaticClass(),
        TCipher_SCOP::StaticClass()}) {
    const Bytes block = Random(rng, size_t(cls->BlockSize));
    Bytes key = Random(rng, size_t(cls->KeySize) + 9);
    TProtectionRef<TCipher> a = cls->Create(), b = cls->Create();
    EXPECT_EQ(Encrypt(*a, key, block), Encrypt(*b, Bytes(key.begin(), key.begin() + cls->KeySize), block))
        << cls->Name;
  }
}

TEST(CipherAKeys, EveryCipherInvertsOverItsKeyLengths) {
  for (TCipherClass cls :
       {TCipher_Blowfish::StaticClass(), TCipher_Gost::StaticClass(), TCipher_IDEA::StaticClass(),
        TCipher_SAFER::StaticClass(), TCipher_SAFER_K40::StaticClass(), TCipher_SAFER_SK40::StaticClass(),
        TCipher_SAFER_K64::StaticClass(), TCipher_SAFER_SK64::StaticClass(), TCipher_SAFER_K128::StaticClass(),
        TCipher_SAFER_SK128::StaticClass(), TCipher_TEA::StaticClass(), TCipher_TEAN::StaticClass(),
        TCipher_3Way::StaticClass(), TCipher_Twofish::StaticClass(), TCipher_Square::StaticClass(),
        TCipher_Shark::StaticClass(), TCipher_Q128::StaticClass(), TCipher_SCOP::StaticClass()}) {
    for (int len : {1, 5, cls->KeySize / 2, cls->KeySize}) ExpectRoundTrip(cls, len, uint32_t(len), 10);
  }
}

// ---- Square, SHARK, Q128, SCOP ------------------------------------------------

TEST(CipherASquare, SevenByteKeyEqualsTheKeyWithNineZeros) {
  const Bytes key = Hex("01020304050607"), block = Hex("00112233445566778899AABBCCDDEEFF");
  Bytes padded = key;
  padded.resize(16);
  EXPECT_EQ(Encrypt<TCipher_Square>(key, block), Encrypt<TCipher_Square>(padded, block));
}

// Round keys with zero bytes: the all-zero key and keys of a single byte.
TEST(CipherAShark, DecryptionInvertsForKeysWithZeroBytes) {
  std::mt19937 rng(70);
  for (const Bytes& key : {Bytes(16, 0), Bytes{0x01}, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}}) {
    for (int n = 0; n < 20; ++n) {
      const Bytes block = Random(rng, 8);
      EXPECT_EQ(Decrypt<TCipher_Shark>(key, Encrypt<TCipher_Shark>(key, block)), block);
    }
  }
}

// The key material starts at key byte 1 and wraps to byte 0: moving byte 0
// to the end changes the result, which a schedule starting at byte 0 would
// show the other way round.
TEST(CipherAShark, KeyMaterialStartsAtByteOne) {
  std::mt19937 rng(71);
  const Bytes key = Random(rng, 16), block = Random(rng, 8);
  Bytes rotated(key.begin() + 1, key.end());
  rotated.push_back(key[0]);
  EXPECT_NE(Encrypt<TCipher_Shark>(key, block), Encrypt<TCipher_Shark>(rotated, block));
  // A key shorter than 16 bytes is padded before the rotation: byte 15 (a
  // zero) leads the material of the last round key.
  Bytes shortKey = Random(rng, 15), padded = shortKey;
  padded.push_back(0);
  EXPECT_EQ(Encrypt<TCipher_Shark>(shortKey, block), Encrypt<TCipher_Shark>(padded, block));
}

TEST(CipherAQ128, DecryptionInvertsForShortAndFullKeys) {
  ExpectRoundTrip(TCipher_Q128::StaticClass(), 5, 80);
  ExpectRoundTrip(TCipher_Q128::StaticClass(), 16, 81);
}

// SCOP changes its table while coding; each coding action starts again from
// the table saved after the key was installed.
TEST(CipherASCOP, EveryActionStartsFromTheSavedTable) {
  const std::string key = "scop key";
  TCipher_SCOP c, fresh;
  c.Init(key.data(), int(key.size()), nullptr);
  fresh.Init(key.data(), int(key.size()), nullptr);
  Bytes data(1000, 0);
  // Coding outside an action (as InitKey does with the digest) runs the
  // table on; the next action restores it.
  Bytes scratch(300, 7);
  c.EncryptData(scratch.data(), scratch.data(), int64_t(scratch.size()));
  Bytes first = data, second = data, reference = data;
  c.ProcessBuffer(first.data(), int64_t(first.size()), caEncode);
  c.ProcessBuffer(second.data(), int64_t(second.size()), caEncode);
  fresh.ProcessBuffer(reference.data(), int64_t(reference.size()), caEncode);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first, reference);
  c.ProcessBuffer(first.data(), int64_t(first.size()), caDecode);
  EXPECT_EQ(first, data);
}

// Within one call the table runs on: two equal 128-byte blocks are coded
// with different key streams although the indexes restart at each block.
TEST(CipherASCOP, ConsecutiveBlocksUseDifferentKeyStreams) {
  TCipher_SCOP c;
  const uint8_t key[32] = {1, 2, 3};
  c.Init(key, 32, nullptr);
  c.SetMode(cmECB);
  Bytes data(256, 0x33);
  c.EncryptData(data.data(), data.data(), int64_t(data.size()));
  EXPECT_FALSE(std::equal(data.begin(), data.begin() + 128, data.begin() + 128));
  c.ResetFeedback();
  c.DecryptData(data.data(), data.data(), int64_t(data.size()));
  EXPECT_EQ(data, Bytes(256, 0x33));
}

// A one-byte key expands through the zeroed buffer: every generated byte is
// the key byte (zeros then renumbered), so it differs from the key 0x01.
TEST(CipherASCOP, OneByteKeysAreDefined) {
  const Bytes block(128, 0);
  EXPECT_EQ(Encrypt<TCipher_SCOP>(Bytes{9}, block), Encrypt<TCipher_SCOP>(Bytes{9}, block));
  EXPECT_NE(Encrypt<TCipher_SCOP>(Bytes{9}, block), Encrypt<TCipher_SCOP>(Bytes{1}, block));
  ExpectRoundTrip(TCipher_SCOP::StaticClass(), 1, 90, 5);
}

// A pass phrase keys every cipher of the group with the first
// min(KeySize, 32) bytes of its RIPEMD-256 digest (Blowfish and SCOP get 32
// of their 56 and 48); for SCOP the coding of the digest that InitKey runs
// must not disturb the table that coding starts from.
TEST(CipherAKeys, PassPhraseKeysTakeTheDigestCutToTheKeySize) {
  const std::string phrase = "correct horse battery staple";
  const std::string digest = THash_RipeMD256::StaticClass()->DigestOfString(phrase, nullptr, 1);
  ASSERT_EQ(digest.size(), 32u);
  std::mt19937 rng(100);
  const Bytes data = Random(rng, 5000);
  for (TCipherClass cls :
       {TCipher_Blowfish::StaticClass(), TCipher_Gost::StaticClass(), TCipher_IDEA::StaticClass(),
        TCipher_SAFER_K40::StaticClass(), TCipher_SAFER_SK64::StaticClass(), TCipher_SAFER_SK128::StaticClass(),
        TCipher_TEA::StaticClass(), TCipher_TEAN::StaticClass(), TCipher_3Way::StaticClass(),
        TCipher_Twofish::StaticClass(), TCipher_Square::StaticClass(), TCipher_Shark::StaticClass(),
        TCipher_Q128::StaticClass(), TCipher_SCOP::StaticClass()}) {
    TProtectionRef<TCipher> byPhrase = cls->Create(phrase), byKey = cls->Create();
    byKey->Init(digest.data(), std::min(cls->KeySize, 32), nullptr);
    EXPECT_EQ(0, std::memcmp(byPhrase->IV(), byKey->IV(), size_t(cls->BlockSize))) << cls->Name;
    Bytes a = data, b = data;
    byPhrase->ProcessBuffer(a.data(), int64_t(a.size()), caEncode);
    byKey->ProcessBuffer(b.data(), int64_t(b.size()), caEncode);
    EXPECT_EQ(a, b) << cls->Name;
  }
}

// Each class's self-test data are its coding of the library's common test
// input; they pin the exact output of every variant, also of those without
// an independent peer (TEA, TEAN, Q128, SCOP, the 40-bit SAFER keys).
TEST(CipherAKnownAnswers, EachClassReproducesItsSelfTestData) {
  struct {
    TCipherClass cls;
    const uint8_t* (*answer)();
  } cases[] = {
      {TCipher_Blowfish::StaticClass(), TCipher_Blowfish::KnownAnswer},
      {TCipher_Gost::StaticClass(), TCipher_Gost::KnownAnswer},
      {TCipher_IDEA::StaticClass(), TCipher_IDEA::KnownAnswer},
      {TCipher_SAFER::StaticClass(), TCipher_SAFER::KnownAnswer},
      {TCipher_SAFER_K40::StaticClass(), TCipher_SAFER_K40::KnownAnswer},
      {TCipher_SAFER_SK40::StaticClass(), TCipher_SAFER_SK40::KnownAnswer},
      {TCipher_SAFER_K64::StaticClass(), TCipher_SAFER_K64::KnownAnswer},
      {TCipher_SAFER_SK64::StaticClass(), TCipher_SAFER_SK64::KnownAnswer},
      {TCipher_SAFER_K128::StaticClass(), TCipher_SAFER_K128::KnownAnswer},
      {TCipher_SAFER_SK128::StaticClass(), TCipher_SAFER_SK128::KnownAnswer},
      {TCipher_TEA::StaticClass(), TCipher_TEA::KnownAnswer},
      {TCipher_TEAN::StaticClass(), TCipher_TEAN::KnownAnswer},
      {TCipher_3Way::StaticClass(), TCipher_3Way::KnownAnswer},
      {TCipher_Twofish::StaticClass(), TCipher_Twofish::KnownAnswer},
      {TCipher_Square::StaticClass(), TCipher_Square::KnownAnswer},
      {TCipher_Shark::StaticClass(), TCipher_Shark::KnownAnswer},
      {TCipher_Q128::StaticClass(), TCipher_Q128::KnownAnswer},
      {TCipher_SCOP::StaticClass(), TCipher_SCOP::KnownAnswer},
  };
  const uint8_t* input = TCipher::KnownAnswer();
  for (const auto& c : cases) {
    TProtectionRef<TCipher> cipher = c.cls->Create();
    cipher->Init(input, std::min(c.cls->KeySize, 32), nullptr);
    uint8_t out[32];
    cipher->EncryptData(input, out, 32);
    EXPECT_EQ(0, std::memcmp(out, c.answer(), 32)) << c.cls->Name;
    EXPECT_NE(c.answer(), input) << c.cls->Name;
  }
}
