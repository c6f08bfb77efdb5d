// TCipher: the modes as defined (checked against a plain model written from
// the definitions), block grids, keys, IVs, wiping and the registry, with the
// toy cipher of the tests.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "crypto/TCipher.h"
#include "crypto/THash.h"
#include "rtl/TStream.h"
#include "tests/crypto/CryptoTestUtil.h"
#include "tests/crypto/TestAlgorithms.h"

using crypto_test::RandomBytes;
using Bytes = std::vector<uint8_t>;

namespace {

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

TProtectionRef<TCipher> Keyed(TCipherClass cls, TCipherMode mode) {
  TProtectionRef<TCipher> c = cls->Create();
  c->Init(kKey, 16, nullptr);
  c->SetMode(mode);
  return c;
}

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The modes written straight from their definitions, one byte or block at a
// time, with E taken from a keyed cipher object.
struct Model {
  TCipher* E;
  Bytes F;
  int B;
  Bytes Enc(const Bytes& x) {
    Bytes w = x;
    E->EncryptBlock(w.data());
    return w;
  }
  Bytes Dec(const Bytes& x) {
    Bytes w = x;
    E->DecryptBlock(w.data());
    return w;
  }
  static Bytes Xor(const Bytes& a, const Bytes& b) {
    Bytes r(a.size());
    for (size_t i = 0; i < a.size(); ++i) r[i] = a[i] ^ b[i];
    return r;
  }
  void Shift(uint8_t last) {
    F.erase(F.begin());
    F.push_back(last);
  }
  // Final piece rule of the chaining modes; returns the keystream.
  Bytes Tail() {
    Bytes w = Enc(F);
    F = Xor(w, F);
    return w;
  }
  Bytes Run(TCipherMode mode, bool decode, const Bytes& in) {
    Bytes out = in;
    size_t i = 0;
    if (mode == cmCFB || mode == cmOFB || mode == cmCFBMAC) {
      for (; i < in.size(); ++i) {
        Bytes w = Enc(F);
        if (mode == cmCFB) {
          out[i] = in[i] ^ w[0];
          Shift(decode ? in[i] : out[i]);
        } else if (mode == cmOFB) {
          out[i] = in[i] ^ w[0];
          Shift(w[0]);
        } else {
          Shift(in[i] ^ w[0]);
        }
      }
      return out;
    }
    for (; i + B <= in.size(); i += B) {
      Bytes p(in.begin() + i, in.begin() + i + B), c;
      switch (mode) {
        case cmCTS:
          if (!decode) {
            c = Enc(Xor(p, F));
            F = Xor(c, F);
          } else {
            c = Xor(Dec(p), F);
            F = Xor(p, F);
          }
          break;
        case cmCBC:
          if (!decode) {
            c = Enc(Xor(p, F));
            F = c;
          } else {
            c = Xor(Dec(p), F);
            F = p;
          }
          break;
        case cmCTSMAC: {
          Bytes w = Enc(Xor(p, F));
          F = Xor(w, F);
          c = p;
          break;
        }
        case cmCBCMAC:
          F = Enc(Xor(p, F));
          c = p;
          break;
        default:
          c = decode ? Dec(p) : Enc(p);
      }
      std::copy(c.begin(), c.end(), out.begin() + i);
    }
    if (i < in.size()) {
      Bytes w = Tail();
      if (mode != cmCTSMAC && mode != cmCBCMAC)
        for (size_t k = i; k < in.size(); ++k) out[k] = in[k] ^ w[k - i];
    }
    return out;
  }
};

constexpr TCipherMode kAllModes[] = {cmCTS, cmCBC, cmCFB, cmOFB, cmECB, cmCTSMAC, cmCBCMAC, cmCFBMAC};
constexpr TCipherMode kDataModes[] = {cmCTS, cmCBC, cmCFB, cmOFB, cmECB};

bool IsMac(TCipherMode m) { return m >= cmCTSMAC; }

}  // namespace

TEST(CipherModes, AgreeWithTheirDefinitions) {
  for (TCipherClass cls : {TCipher_Toy::StaticClass(), TCipher_Toy12::StaticClass()}) {
    for (TCipherMode mode : kAllModes) {
      for (size_t n : {0, 1, 7, 8, 11, 12, 13, 23, 24, 50}) {
        auto c = Keyed(cls, mode);
        auto e = Keyed(cls, mode);
        const Bytes plain = ToBytes(RandomBytes(n, static_cast<uint32_t>(n * 31 + mode)));
        Model m{e.get(), Bytes(c->IV(), c->IV() + c->BlockSize()), c->BlockSize()};
        const Bytes want = m.Run(mode, false, plain);
        Bytes got = plain;
        c->EncryptData(got.data(), got.data(), static_cast<int64_t>(n));
        EXPECT_EQ(got, want) << cls->Name << " mode " << int(mode) << " n " << n;
        EXPECT_EQ(Bytes(c->Feedback(), c->Feedback() + c->BlockSize()), m.F);
        if (IsMac(mode)) {
          EXPECT_EQ(got, plain);
          continue;
        }
        // Decoding from the same IV gives the plain bytes back, into another buffer too.
        c->ResetFeedback();
        Model d{e.get(), Bytes(c->IV(), c->IV() + c->BlockSize()), c->BlockSize()};
        Bytes back(n);
        c->DecryptData(got.data(), back.data(), static_cast<int64_t>(n));
        EXPECT_EQ(back, plain) << cls->Name << " mode " << int(mode) << " n " << n;
        EXPECT_EQ(back, d.Run(mode, true, got));
        EXPECT_EQ(Bytes(c->Feedback(), c->Feedback() + c->BlockSize()), d.F);
      }
    }
  }
}

TEST(CipherModes, EncryptedFileStructure) {
  // cmCTS from the IV: C0 = E(P0 xor IV), C1 = E(P1 xor C0 xor IV).
  auto c = Keyed(TCipher_Toy::StaticClass(), cmCTS);
  const Bytes plain = ToBytes(RandomBytes(16, 77));
  Bytes enc = plain;
  c->ProcessBuffer(enc.data(), 16, caEncode);
  Bytes iv(c->IV(), c->IV() + 8), b0(8), b1(8);
  for (int i = 0; i < 8; ++i) b0[i] = plain[i] ^ iv[i];
  c->EncryptBlock(b0.data());
  for (int i = 0; i < 8; ++i) b1[i] = plain[8 + i] ^ b0[i] ^ iv[i];
  c->EncryptBlock(b1.data());
  EXPECT_EQ(Bytes(enc.begin(), enc.begin() + 8), b0);
  EXPECT_EQ(Bytes(enc.begin() + 8, enc.end()), b1);
}

TEST(CipherModes, RoundTripEveryLengthThroughStreams) {
  const std::string big = RandomBytes(3 * 1024 * 1024 + 5, 99);
  for (TCipherClass cls : {TCipher_Toy::StaticClass(), TCipher_Toy12::StaticClass()}) {
    const int b = cls->BlockSize;
    for (TCipherMode mode : kDataModes) {
      auto c = Keyed(cls, mode);
      for (size_t n : {size_t{0}, size_t{1}, size_t(b - 1), size_t(b), size_t{4095}, size_t{4096},
                       size_t{4097}, size_t{10000}, big.size()}) {
        if (n == big.size() && (mode == cmCFB || mode == cmOFB)) continue;  // byte modes are slow
        const std::string plain = big.substr(0, n);
        TStringStream src(plain), enc, dec;
        c->ProcessStream(&src, &enc, -1, caEncode);
        ASSERT_EQ(enc.Size(), static_cast<int64_t>(n));
        if (n > 16) {
          EXPECT_NE(enc.DataString(), plain);
        }
        c->ProcessStream(&enc, &dec, -1, caDecode);
        EXPECT_TRUE(dec.DataString() == plain) << cls->Name << " mode " << int(mode) << " n " << n;
        EXPECT_TRUE(std::memcmp(c->Feedback(), c->IV(), static_cast<size_t>(b)) == 0);
      }
    }
  }
}

TEST(CipherModes, BlocksAreCountedFromEachCall) {
  // A short final piece moves the feedback: 7 + 7 differs from 14.
  auto c = Keyed(TCipher_Toy::StaticClass(), cmCTS);
  const std::string plain = RandomBytes(14, 5);
  std::string one = plain, two = plain;
  c->EncryptData(one.data(), one.data(), 14);
  c->ResetFeedback();
  c->EncryptData(two.data(), two.data(), 7);
  c->EncryptData(two.data() + 7, two.data() + 7, 7);
  EXPECT_NE(one, two);

  // With 12-byte blocks every 4096-byte piece ends in a 4-byte final piece.
  auto d = Keyed(TCipher_Toy12::StaticClass(), cmCTS);
  const std::string big = RandomBytes(8192, 6);
  std::string whole = big, pieces = big;
  d->ProcessBuffer(whole.data(), 8192, caEncode);
  TStringStream src(big), enc;
  d->ProcessStream(&src, &enc, -1, caEncode);
  pieces = enc.DataString();
  EXPECT_NE(whole, pieces);
  EXPECT_EQ(whole.substr(0, 4092), pieces.substr(0, 4092));
  // Decoding must use the same division.
  d->ProcessBuffer(whole.data(), 8192, caDecode);
  EXPECT_EQ(whole, big);
  TStringStream encIn(pieces), dec;
  d->ProcessStream(&encIn, &dec, -1, caDecode);
  EXPECT_TRUE(dec.DataString() == big);
}

TEST(CipherModes, MacModesLeaveDataAndKeepTheirValueInTheWorkBlock) {
  for (TCipherMode mode : {cmCTSMAC, cmCBCMAC, cmCFBMAC}) {
    auto c = Keyed(TCipher_Toy::StaticClass(), mode);
    auto e = Keyed(TCipher_Toy::StaticClass(), mode);
    const std::string plain = RandomBytes(29, 8);
    std::string data = plain;
    Model m{e.get(), Bytes(c->IV(), c->IV() + 8), 8};
    m.Run(mode, false, ToBytes(plain));
    c->ProcessBuffer(data.data(), 29, caEncode);
    EXPECT_EQ(data, plain);
    EXPECT_EQ(Bytes(c->WorkBlock(), c->WorkBlock() + 8), m.F);
    EXPECT_EQ(0, std::memcmp(c->Feedback(), c->IV(), 8));
    // Decoding in a MAC mode runs the encoding.
    c->ProcessBuffer(data.data(), 29, caDecode);
    EXPECT_EQ(Bytes(c->WorkBlock(), c->WorkBlock() + 8), m.F);
  }
}

TEST(CipherModes, EcbFullBlocksAndAShortFinalPieceThatDecodes) {
  auto c = Keyed(TCipher_Toy::StaticClass(), cmECB);
  const std::string plain = RandomBytes(21, 9);
  std::string enc = plain;
  c->ProcessBuffer(enc.data(), 21, caEncode);
  std::string block = plain.substr(8, 8);
  c->EncryptBlock(block.data());
  EXPECT_EQ(enc.substr(8, 8), block);
  EXPECT_NE(enc.substr(16), plain.substr(16));
  c->ProcessBuffer(enc.data(), 21, caDecode);
  EXPECT_EQ(enc, plain);
}

TEST(CipherModes, ActionsScrambleWipeAndCalculate) {
  auto c = Keyed(TCipher_Toy::StaticClass(), cmCTS);
  const std::string plain = RandomBytes(40, 10);
  std::string a = plain, b = plain, w = plain, k = plain;
  c->ProcessBuffer(a.data(), 40, caEncode);
  c->ProcessBuffer(b.data(), 40, caScramble);
  EXPECT_EQ(a, b);
  // Calculating only reads the data; the feedback ends where encoding's did.
  c->ProcessBuffer(k.data(), 40, caCalculate);
  EXPECT_EQ(k, plain);
  // caCalculate neither starts nor ends at the IV: F is left where it ran to.
  EXPECT_NE(0, std::memcmp(c->Feedback(), c->IV(), 8));
  c->ResetFeedback();
  std::string viaEncode = plain;
  c->EncryptData(viaEncode.data(), viaEncode.data(), 40);
  const Bytes fEncode(c->Feedback(), c->Feedback() + 8);
  c->ResetFeedback();
  c->BeginAction(caCalculate);
  c->ProcessChunk(k.data(), 40, caCalculate);
  EXPECT_EQ(Bytes(c->Feedback(), c->Feedback() + 8), fEncode);
  EXPECT_EQ(k, plain);
  c->EndAction(caCalculate);
  c->ProcessBuffer(w.data(), 40, caWipe);
  EXPECT_NE(w, plain);
  EXPECT_NE(w, a);  // from a random feedback
  // An action missing from Actions is not performed.
  c->SetActions(TCodeActions{caDecode});
  std::string n = plain;
  c->ProcessBuffer(n.data(), 40, caEncode);
  EXPECT_EQ(n, plain);
}

TEST(CipherKeys, WithoutAKeyCodingRaisesError3) {
  TProtectionRef<TCipher> c = TCipher_Toy::StaticClass()->Create("");
  EXPECT_FALSE(c->Initialized());
  std::string data = "12345678";
  try {
    c->ProcessBuffer(data.data(), 8, caEncode);
    FAIL();
  } catch (const ECipherException& e) {
    EXPECT_EQ(e.FailureCode(), 3);
    EXPECT_STREQ(e.what(), "TCipher_Toy is not initialized call Init() or InitKey() before.");
  }
  EXPECT_THROW(c->EncryptData(data.data(), data.data(), 8), ECipherException);
  EXPECT_THROW(c->DecryptData(data.data(), data.data(), 8), ECipherException);
  EXPECT_EQ(data, "12345678");
}

TEST(CipherKeys, EmptyOrNegativeKeySizesRaiseLongKeysAreCut) {
  TProtectionRef<TCipher> c = TCipher_Toy::StaticClass()->Create();
  for (int size : {0, -5}) {
    try {
      c->Init(kKey, size, nullptr);
      FAIL();
    } catch (const ECipherException& e) {
      EXPECT_EQ(e.FailureCode(), errInvalidKeySize);
    }
    EXPECT_FALSE(c->Initialized());
  }
  uint8_t longKey[40];
  for (int i = 0; i < 40; ++i) longKey[i] = static_cast<uint8_t>(i + 1);
  auto d = TCipher_Toy::StaticClass()->Create();
  c->Init(longKey, 40, nullptr);
  d->Init(longKey, 16, nullptr);
  EXPECT_EQ(0, std::memcmp(c->IV(), d->IV(), 8));
}

TEST(CipherKeys, TheIvIsTheEncryptionOfOnesUnlessGiven) {
  auto c = Keyed(TCipher_Toy::StaticClass(), cmCTS);
  uint8_t ones[8];
  std::memset(ones, 0xFF, 8);
  c->EncryptBlock(ones);
  EXPECT_EQ(0, std::memcmp(c->IV(), ones, 8));
  EXPECT_EQ(0, std::memcmp(c->Feedback(), ones, 8));
  const uint8_t iv[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  c->Init(kKey, 16, iv);
  EXPECT_EQ(0, std::memcmp(c->IV(), iv, 8));
}

TEST(CipherKeys, InitKeyHashesThePassPhrase) {
  TProtectionRef<TCipher> c = TCipher_Toy::StaticClass()->Create();
  c->UseHashClass(THash_Toy::StaticClass());
  c->InitKey("");
  EXPECT_TRUE(c->Initialized());
  c->InitKey("pass phrase");
  const Bytes iv1(c->IV(), c->IV() + 8);
  c->InitKey("pass phrase");
  EXPECT_EQ(Bytes(c->IV(), c->IV() + 8), iv1);
  // The key is the digest cut to KeySize (16 of the toy hash's 16).
  TProtectionRef<THash> h = THash_Toy::StaticClass()->Create();
  h->Reset();
  h->Update("pass phrase", 11);
  h->Finish();
  auto d = TCipher_Toy::StaticClass()->Create();
  d->Init(h->GetDigest(), 16, nullptr);
  EXPECT_EQ(Bytes(d->IV(), d->IV() + 8), iv1);
  // The feedback is back at the IV after the key setup.
  EXPECT_EQ(0, std::memcmp(c->Feedback(), c->IV(), 8));
}

TEST(CipherKeys, PassPhrasesAreHashedAsWindows1252WhenTheyCanBe) {
  auto viaBytes = [](const std::string& bytes) {
    TProtectionRef<THash> h = THash_Toy::StaticClass()->Create();
    h->Reset();
    h->Update(bytes.data(), static_cast<int64_t>(bytes.size()));
    h->Finish();
    auto d = TCipher_Toy::StaticClass()->Create();
    d->Init(h->GetDigest(), 16, nullptr);
    return Bytes(d->IV(), d->IV() + 8);
  };
  auto viaPhrase = [](const std::string& phrase) {
    TProtectionRef<TCipher> c = TCipher_Toy::StaticClass()->Create();
    c->UseHashClass(THash_Toy::StaticClass());
    c->InitKey(phrase);
    return Bytes(c->IV(), c->IV() + 8);
  };
  EXPECT_EQ(viaPhrase("caf\xC3\xA9 \xE2\x82\xAC"), viaBytes("caf\xE9 \x80"));  // "café €"
  EXPECT_EQ(viaPhrase("\xE6\x97\xA5\xE6\x9C\xAC"), viaBytes("\xE6\x97\xA5\xE6\x9C\xAC"));  // no 1252 form
  EXPECT_EQ(viaPhrase("plain"), viaBytes("plain"));
}

TEST(CipherKeys, WipeStateAndHashClassChanges) {
  auto c = Keyed(TCipher_Toy::StaticClass(), cmCTS);
  c->WipeState();
  EXPECT_FALSE(c->Initialized());
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(c->IV()[i], 0xFF);
    EXPECT_EQ(c->Feedback()[i], 0xFF);
    EXPECT_EQ(c->WorkBlock()[i], 0x00);
  }
  c->UseHashClass(THash_Toy::StaticClass());
  THash* h = c->GetHashObject();
  EXPECT_EQ(h->ClassType(), THash_Toy::StaticClass());
  EXPECT_EQ(c->GetHashObject(), h);
  c->UseHashClass(THash_Toy::StaticClass());
  EXPECT_EQ(c->GetHashObject(), h);
}

TEST(CipherClassInfo, SizesAreClassLevelFacts) {
  int b, k, s;
  TCipher_Toy12::StaticClass()->GetSizes(b, k, s);
  EXPECT_EQ(b, 12);
  EXPECT_EQ(k, 16);
  EXPECT_EQ(s, 16);
  EXPECT_EQ(TCipher_Toy::StaticClass()->GetMaxKeySize(), 16);
  EXPECT_TRUE(TCipher_Toy12::StaticClass()->InheritsFrom(TCipher::StaticClass()));
  TProtectionRef<TCipher> c = TCipher_Toy12::StaticClass()->Create();
  EXPECT_EQ(c->BlockSize(), 12);
  EXPECT_EQ(c->ClassName(), "TCipher_Toy12");
}

TEST(CipherRegistry, RegisterAndFind) {
  ASSERT_TRUE(RegisterCipherClass(TCipher_Toy::StaticClass(), "  Toy Cipher  ", "a note"));
  ASSERT_TRUE(RegisterCipherClass(TCipher_Toy12::StaticClass(), "", ""));
  EXPECT_FALSE(RegisterCipherClass(nullptr, "x", ""));
  EXPECT_EQ(FindCipherClass("Toy"), TCipher_Toy::StaticClass());
  EXPECT_EQ(FindCipherClass("tOY"), TCipher_Toy::StaticClass());
  EXPECT_EQ(FindCipherClass("TCipher_Toy"), TCipher_Toy::StaticClass());
  EXPECT_EQ(FindCipherClass("toy cipher"), TCipher_Toy::StaticClass());
  EXPECT_EQ(FindCipherClass("Toy Cipher "), nullptr);  // a trailing blank finds nothing
  EXPECT_EQ(FindCipherClass("Toy12"), TCipher_Toy12::StaticClass());
  EXPECT_EQ(FindCipherClass("No such cipher"), nullptr);
  EXPECT_EQ(CipherClassDisplayName(TCipher_Toy::StaticClass()), "Toy Cipher");
  EXPECT_EQ(CipherClassDisplayName(TCipher_Toy12::StaticClass()), "Toy12");
  EXPECT_EQ(CipherClassEntryText(TCipher_Toy::StaticClass()), "Toy Cipher=a note");
  // Registering again renames in place.
  auto position = [](TCipherClass cls) {
    auto list = CipherClassList();
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i].Class == cls) return static_cast<int>(i);
    return -1;
  };
  const int before = position(TCipher_Toy::StaticClass());
  RegisterCipherClass(TCipher_Toy::StaticClass(), "Renamed Toy", "");
  EXPECT_EQ(position(TCipher_Toy::StaticClass()), before);
  EXPECT_EQ(FindCipherClass("Renamed Toy"), TCipher_Toy::StaticClass());
  EXPECT_EQ(FindCipherClass("Toy Cipher"), nullptr);
  RegisterCipherClass(TCipher_Toy::StaticClass(), "Toy Cipher", "a note");
}
