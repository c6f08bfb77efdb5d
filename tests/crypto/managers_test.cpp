// THashManager and TCipherManager: selection by display name, descriptions,
// key setup and whole-file coding.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "tests/crypto/CryptoTestUtil.h"
#include "tests/crypto/TestAlgorithms.h"

using crypto_test::RandomBytes;
using crypto_test::ReadFile;
using crypto_test::ScratchDir;
using crypto_test::WriteFile;

namespace {

// The program's cipher list, in its order.
const char* const kProgramCiphers[38] = {
    "3Way",          "Blowfish",          "Cast 128",         "Cast 256",
    "DES Double 16byte", "DES Double 8byte", "DES Single 8byte", "DES Triple 16byte",
    "DES Triple 24byte", "DES Triple 8byte", "DESX",             "Diamond ",
    "Diamond II Lite", "FROG",            "Gost",             "IDEA",
    "Mars",          "Misty 1",           "NewDES",           "Q128",
    "RC2",           "RC4",               "RC5",              "RC6",
    "Rijndael",      "SAFER-K128",        "SAFER-K40",        "SAFER-K64",
    "SAFER-SK128",   "SAFER-SK40",        "SAFER-SK64",       "SCOP",
    "Sapphire II",   "Shark",             "Square",           "TEA",
    "TEA extended",  "Twofish"};

struct Managers {
  TOwned<THashManager> hash{new THashManager};
  TOwned<TCipherManager> cipher{new TCipherManager};
  Managers() { cipher->SetHashManager(hash.get()); }
};

}  // namespace

TEST(HashManager, DefaultsAndSelection) {
  TOwned<THashManager> m(new THashManager);
  EXPECT_EQ(m->StoredHashClassName(), "");
  EXPECT_EQ(m->Description(), "Hash, 256bit Digestsize");
  EXPECT_EQ(m->Algorithm(), "Ripe Message Digest 256");
  EXPECT_EQ(m->GetDigestSize(), 32);
  EXPECT_EQ(m->StoredHashClassName(), "THash_RipeMD256");
  m->SetAlgorithm("message digest 5");
  EXPECT_EQ(m->Algorithm(), "Message Digest 5");
  EXPECT_EQ(m->Description(), "Hash, 128bit Digestsize");
  m->SetAlgorithm("CRC-32");
  EXPECT_EQ(m->Description(), "Checksum, 32bit Digestsize");
  m->SetAlgorithm("no such hash");
  EXPECT_EQ(m->Algorithm(), "Ripe Message Digest 256");
  // The stored class name is matched exactly.
  m->ReadStoredHashClassName("thash_md5");
  EXPECT_EQ(m->StoredHashClassName(), "THash_RipeMD256");
  m->ReadStoredHashClassName("THash_MD5");
  EXPECT_EQ(m->StoredHashClassName(), "THash_MD5");
  m->SetHashClass(nullptr);
  EXPECT_EQ(m->GetHashClass(), DefaultHashClass());
}

TEST(CipherManager, DefaultsAndSelection) {
  TOwned<TCipherManager> m(new TCipherManager);
  EXPECT_EQ(m->StoredCipherClassName(), "");
  EXPECT_EQ(m->Mode(), cmCTS);
  EXPECT_EQ(m->Description(), "448bit Key");
  EXPECT_EQ(m->Algorithm(), "Blowfish");
  m->SetAlgorithm("IDEA");
  EXPECT_EQ(m->Description(), "free for non-commercial, 128bit Key");
  m->SetAlgorithm("Diamond ");
  EXPECT_EQ(m->Algorithm(), "Blowfish");
  EXPECT_EQ(m->GetCipher()->ClassType(), FindCipherClass("Blowfish"));
  m->SetAlgorithm("DES Triple 24byte");
  EXPECT_EQ(m->StoredCipherClassName(), "TCipher_3TDES");
  m->ReadStoredCipherClassName("TCipher_rc2");
  EXPECT_EQ(m->StoredCipherClassName(), "TCipher_3TDES");
  m->ReadStoredCipherClassName("TCipher_RC2");
  EXPECT_EQ(m->Algorithm(), "RC2");
}

TEST(CipherManager, ModeAndKeyFollowTheSelection) {
  TOwned<TCipherManager> m(new TCipherManager);
  m->SetMode(cmCBC);
  m->SetAlgorithm("Twofish");
  EXPECT_EQ(m->GetCipher()->Mode(), cmCBC);
  m->InitKey("phrase");
  TCipher* c = m->GetCipher();
  m->SetAlgorithm("twofish");  // the same class: object and key stay
  EXPECT_EQ(m->GetCipher(), c);
  EXPECT_TRUE(c->Initialized());
  m->SetMode(cmOFB);
  EXPECT_EQ(c->Mode(), cmOFB);
  m->SetAlgorithm("Gost");  // another class: a new object without a key
  EXPECT_FALSE(m->GetCipher()->Initialized());
  EXPECT_EQ(m->GetCipher()->Mode(), cmOFB);
}

TEST(CipherManager, TheHashManagerGivesTheKeysHash) {
  Managers m;
  m.hash->SetAlgorithm("Message Digest 5");
  m.cipher->SetAlgorithm("Blowfish");
  m.cipher->InitKey("phrase");
  EXPECT_EQ(m.cipher->GetCipher()->HashClass(), FindHashClass("MD5"));
  // Without a hash manager the object keeps the class it was given last.
  m.hash.reset();
  EXPECT_EQ(m.cipher->HashManager(), nullptr);
  m.cipher->InitKey("phrase");
  EXPECT_EQ(m.cipher->GetCipher()->HashClass(), FindHashClass("MD5"));
  TOwned<TCipherManager> fresh(new TCipherManager);
  fresh->InitKey("phrase");
  EXPECT_EQ(fresh->GetCipher()->HashClass(), DefaultHashClass());
}

TEST(CipherManager, EveryProgramCipherCodesFilesBothWays) {
  ScratchDir dir;
  Managers m;
  for (const char* name : kProgramCiphers) {
    // Every entry names a registered cipher, but "Diamond ", which means Blowfish.
    EXPECT_EQ(FindCipherClass(name) == nullptr, std::string(name) == "Diamond ") << name;
    m.cipher->SetAlgorithm(name);
    m.cipher->InitKey(std::string("pass phrase for ") + name);
    const int b = m.cipher->GetCipher()->BlockSize();
    for (size_t n : {size_t{0}, size_t{1}, size_t(b - 1), size_t{4097}, size_t{9000}}) {
      const std::string plain = RandomBytes(n, static_cast<uint32_t>(n + b));
      WriteFile(dir.Path("plain"), plain);
      m.cipher->EncodeFile(dir.Path("plain"), dir.Path("enc"));
      const std::string enc = ReadFile(dir.Path("enc"));
      ASSERT_EQ(enc.size(), n) << name;
      if (n > 16) {
        EXPECT_NE(enc, plain) << name;
      }
      m.cipher->DecodeFile(dir.Path("enc"), dir.Path("dec"));
      EXPECT_TRUE(ReadFile(dir.Path("dec")) == plain) << name << " " << n;
    }
  }
}

TEST(CipherManager, DiamondWithABlankIsBlowfish) {
  ScratchDir dir;
  const std::string plain = RandomBytes(5000, 3);
  WriteFile(dir.Path("plain"), plain);
  Managers a, b;
  a.cipher->SetAlgorithm("Diamond ");
  a.cipher->InitKey("same");
  a.cipher->EncodeFile(dir.Path("plain"), dir.Path("a"));
  b.cipher->SetAlgorithm("Blowfish");
  b.cipher->InitKey("same");
  b.cipher->EncodeFile(dir.Path("plain"), dir.Path("b"));
  EXPECT_TRUE(ReadFile(dir.Path("a")) == ReadFile(dir.Path("b")));
}

TEST(CipherManager, EncodeInPlaceWithTheSameName) {
  ScratchDir dir;
  const std::string plain = RandomBytes(10000, 4);
  WriteFile(dir.Path("f"), plain);
  TOwned<TCipherManager> m(new TCipherManager);
  m->InitKey("k");
  m->EncodeFile(dir.Path("f"), dir.Path("f"));
  EXPECT_EQ(ReadFile(dir.Path("f")).size(), plain.size());
  EXPECT_NE(ReadFile(dir.Path("f")), plain);
  m->DecodeFile(dir.Path("f"), dir.Path("f"));
  EXPECT_TRUE(ReadFile(dir.Path("f")) == plain);
}

TEST(CipherManager, WithoutAKeyNothingIsCreated) {
  ScratchDir dir;
  WriteFile(dir.Path("plain"), "data");
  TOwned<TCipherManager> m(new TCipherManager);
  EXPECT_THROW(m->EncodeFile(dir.Path("plain"), dir.Path("enc")), ECipherException);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("enc")));
}

TEST(CipherManager, ProgressBelongsToEachCall) {
  // Two managers coding at the same time each hear only of their own file.
  ScratchDir dir;
  WriteFile(dir.Path("small"), RandomBytes(5000, 5));
  WriteFile(dir.Path("large"), RandomBytes(300000, 6));
  std::vector<std::pair<int64_t, int64_t>> small, large;
  TOwned<TCipherManager> a(new TCipherManager), b(new TCipherManager);
  a->SetOnProgress([&](TObject*, int64_t c, int64_t m) { small.emplace_back(c, m); });
  b->SetOnProgress([&](TObject*, int64_t c, int64_t m) { large.emplace_back(c, m); });
  a->InitKey("a");
  b->InitKey("b");
  std::thread t([&] {
    for (int i = 0; i < 20; ++i) b->EncodeFile(dir.Path("large"), dir.Path("large.enc"));
  });
  for (int i = 0; i < 20; ++i) a->EncodeFile(dir.Path("small"), dir.Path("small.enc"));
  t.join();
  ASSERT_EQ(small.size(), 20u * 4);
  for (auto& r : small) EXPECT_TRUE(r.second == 5000 || (r.first == 0 && r.second == 0));
  for (auto& r : large) EXPECT_TRUE(r.second == 300000 || (r.first == 0 && r.second == 0));
  EXPECT_EQ(small[1], std::make_pair(int64_t{4096}, int64_t{5000}));
}

TEST(StandardRegistries, HashesInTheirOrder) {
  const char* const names[28] = {
      "Message Digest 4", "Message Digest 5", "Secure Hash Algorithm", "Secure Hash Algorithm 1",
      "Ripe Message Digest 128", "Ripe Message Digest 160", "Ripe Message Digest 256",
      "Ripe Message Digest 320", "Haval-128", "Haval-160", "Haval-192", "Haval-224", "Haval-256",
      "Sapphire II-128", "Sapphire II-160", "Sapphire II-192", "Sapphire II-224", "Sapphire II-256",
      "Sapphire II-288", "Sapphire II-320", "Snefru-256", "Square", "Tiger", "XOR-16", "XOR-32",
      "CRC-16 CCITT", "CRC-16 Standard", "CRC-32"};
  std::vector<THashClassEntry> standard;
  for (const THashClassEntry& e : HashClassList())
    if (e.Class->Name.substr(0, 5) == "THash" || e.Class->Name.substr(0, 5) == "Thash")
      standard.push_back(e);
  ASSERT_GE(standard.size(), 28u);
  for (int i = 0; i < 28; ++i) {
    EXPECT_EQ(standard[i].DisplayName, names[i]);
    EXPECT_EQ(standard[i].Note, i < 23 ? "Hash" : "Checksum");
  }
  for (const char* n : {"RipeMD256", "THash_RipeMD256", "Ripe Message Digest 256", "ripe MESSAGE digest 256"})
    EXPECT_EQ(FindHashClass(n), DefaultHashClass()) << n;
  EXPECT_EQ(FindHashClass("CRC16_Standard"), nullptr);
  ASSERT_NE(FindHashClass("Thash_CRC16_Standard"), nullptr);
  EXPECT_EQ(FindHashClass("Thash_CRC16_Standard")->Name, "Thash_CRC16_Standard");
}

TEST(StandardRegistries, CipherLookups) {
  for (const char* n : {"Blowfish", "blowfish", "TCipher_Blowfish"})
    EXPECT_EQ(FindCipherClass(n), DefaultCipherClass()) << n;
  ASSERT_NE(FindCipherClass("DES Triple 24byte"), nullptr);
  EXPECT_EQ(FindCipherClass("DES Triple 24byte")->Name, "TCipher_3TDES");
  EXPECT_EQ(FindCipherClass("SAFER_K40"), nullptr);
  EXPECT_EQ(FindCipherClass("Diamond "), nullptr);
  EXPECT_EQ(FindCipherClass("TCipher_SAFER"), nullptr);  // the abstract parent is not registered
}

TEST(StandardRegistries, EveryCipherRefusesOrHandlesShortKeys) {
  // The key buffer holds exactly Size bytes, so a schedule that reads past
  // it, or divides by an empty length, shows under the sanitizers.
  for (const TCipherClassEntry& e : CipherClassList()) {
    if (e.Class->Name.substr(0, 8) != "TCipher_") continue;
    for (int size : {0, 1, 2, 3, 5}) {
      std::unique_ptr<uint8_t[]> key(new uint8_t[static_cast<size_t>(size)]);
      for (int i = 0; i < size; ++i) key[i] = static_cast<uint8_t>(0x31 + i);
      TProtectionRef<TCipher> c = e.Class->Create();
      try {
        c->Init(key.get(), size, nullptr);
      } catch (const ECipherException& x) {
        EXPECT_EQ(x.FailureCode(), errInvalidKeySize) << e.Class->Name;
        EXPECT_GT(e.Class->MinKeySize, size) << e.Class->Name;
        EXPECT_FALSE(c->Initialized());
        continue;
      }
      EXPECT_LE(e.Class->MinKeySize, size) << e.Class->Name;
      const std::string plain = RandomBytes(100, static_cast<uint32_t>(size));
      std::string data = plain;
      c->ProcessBuffer(data.data(), 100, caEncode);
      c->ProcessBuffer(data.data(), 100, caDecode);
      EXPECT_TRUE(data == plain) << e.Class->Name << " key " << size;
    }
  }
}

TEST(StandardRegistries, CiphersInTheirOrder) {
  const char* const names[39] = {
      "3Way", "Blowfish", "Gost", "IDEA", "Q128", "SAFER-K40", "SAFER-SK40", "SAFER-K64",
      "SAFER-SK64", "SAFER-K128", "SAFER-SK128", "SCOP", "Shark", "Square", "TEA", "TEA extended",
      "Twofish", "Cast 128", "Cast 256", "DES Single 8byte", "DES Double 8byte",
      "DES Double 16byte", "DES Triple 8byte", "DES Triple 16byte", "DES Triple 24byte", "DESX",
      "Diamond II", "Diamond II Lite", "FROG", "Mars", "Misty 1", "NewDES", "RC2", "RC4", "RC5",
      "RC6", "Rijndael", "Sapphire II", "Skipjack"};
  std::vector<TCipherClassEntry> standard;
  for (const TCipherClassEntry& e : CipherClassList())
    if (e.Class->Name.substr(0, 8) == "TCipher_") standard.push_back(e);
  ASSERT_GE(standard.size(), 39u);
  for (int i = 0; i < 39; ++i) EXPECT_EQ(standard[i].DisplayName, names[i]) << i;
  TOwned<TCipherManager> m(new TCipherManager);
  m->SetAlgorithm("RC4");
  EXPECT_EQ(m->Description(), "Patented by RSA, 2048bit Key");
  m->SetAlgorithm("Misty 1");
  EXPECT_EQ(m->Algorithm(), "Misty 1");
  EXPECT_EQ(m->Description(), "free for non-commercial, 128bit Key");
}
