// The standard digests against independent libraries on many random
// messages of many lengths, fed to our objects in random pieces:
// MD4, MD5, SHA-1, RIPEMD-128/160/256/320 and Tiger against Crypto++ (MD5,
// SHA-1 and RIPEMD-160 also against OpenSSL), 3-pass HAVAL in all sizes
// against mhash, and the Snefru compression against RHash.
#include <gtest/gtest.h>

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md4.h>
#include <cryptopp/md5.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/sha.h>
#include <cryptopp/tiger.h>
#include <mhash.h>
#include <openssl/evp.h>
#include <rhash.h>

#include <cstdlib>
#include <cstring>
#include <functional>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/THash_Haval256.h"
#include "crypto/hash/THash_MD4.h"
#include "crypto/hash/THash_MD5.h"
#include "crypto/hash/THash_RipeMD128.h"
#include "crypto/hash/THash_RipeMD160.h"
#include "crypto/hash/THash_RipeMD256.h"
#include "crypto/hash/THash_RipeMD320.h"
#include "crypto/hash/THash_SHA1.h"
#include "crypto/hash/THash_Snefru.h"
#include "crypto/hash/THash_Tiger.h"
#include "tests/crypto/hash/HashTestKit.h"
#include "tests/crypto/hash/SnefruReference.h"

using namespace hash_test;

namespace {

using PeerDigest = std::function<Bytes(const Bytes&)>;

template <typename H>
PeerDigest CryptoPP() {
  return [](const Bytes& m) {
    H h;
    Bytes out(H::DIGESTSIZE);
    h.CalculateDigest(out.data(), m.data(), m.size());
    return out;
  };
}

PeerDigest OpenSSL(const EVP_MD* md) {
  return [md](const Bytes& m) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned n = 0;
    EVP_Digest(m.data(), m.size(), out.data(), &n, md, nullptr);
    out.resize(n);
    return out;
  };
}

// Messages of every length up to 300 bytes and some longer ones.
std::vector<Bytes> Messages() {
  std::mt19937 rng(2024);
  std::vector<Bytes> out;
  for (size_t n = 0; n <= 300; ++n) out.push_back(Random(rng, n));
  for (int i = 0; i < 40; ++i) out.push_back(Random(rng, 301 + rng() % 20000));
  return out;
}

void CheckAgainst(THashClass Class, const PeerDigest& Peer, const char* PeerName) {
  std::mt19937 rng(99);
  for (const Bytes& m : Messages()) {
    const Bytes expected = Peer(m);
    ASSERT_EQ(DigestOf(Class, m), expected)
        << Class->Name << " vs " << PeerName << ", " << m.size() << " bytes";
    ASSERT_EQ(DigestInPieces(Class, m, rng, 97), expected)
        << Class->Name << " in pieces vs " << PeerName << ", " << m.size() << " bytes";
  }
}

TEST(HashInteropTest, Md4FamilyAgainstCryptoPP) {
  CheckAgainst(THash_MD4::StaticClass(), CryptoPP<CryptoPP::Weak::MD4>(), "Crypto++");
  CheckAgainst(THash_MD5::StaticClass(), CryptoPP<CryptoPP::Weak::MD5>(), "Crypto++");
  CheckAgainst(THash_SHA1::StaticClass(), CryptoPP<CryptoPP::SHA1>(), "Crypto++");
  CheckAgainst(THash_RipeMD128::StaticClass(), CryptoPP<CryptoPP::RIPEMD128>(), "Crypto++");
  CheckAgainst(THash_RipeMD160::StaticClass(), CryptoPP<CryptoPP::RIPEMD160>(), "Crypto++");
  CheckAgainst(THash_RipeMD256::StaticClass(), CryptoPP<CryptoPP::RIPEMD256>(), "Crypto++");
  CheckAgainst(THash_RipeMD320::StaticClass(), CryptoPP<CryptoPP::RIPEMD320>(), "Crypto++");
  CheckAgainst(THash_Tiger::StaticClass(), CryptoPP<CryptoPP::Tiger>(), "Crypto++");
}

TEST(HashInteropTest, Md4FamilyAgainstOpenSSL) {
  CheckAgainst(THash_MD5::StaticClass(), OpenSSL(EVP_md5()), "OpenSSL");
  CheckAgainst(THash_SHA1::StaticClass(), OpenSSL(EVP_sha1()), "OpenSSL");
  if (const EVP_MD* rmd = EVP_get_digestbyname("RIPEMD160"))
    CheckAgainst(THash_RipeMD160::StaticClass(), OpenSSL(rmd), "OpenSSL");
}

TEST(HashInteropTest, Haval3PassesAgainstMhash) {
  const struct {
    THashClass (*Class)();
    hashid Id;
  } sizes[] = {{THash_Haval256::StaticClass, MHASH_HAVAL256},
               {THash_Haval224::StaticClass, MHASH_HAVAL224},
               {THash_Haval192::StaticClass, MHASH_HAVAL192},
               {THash_Haval160::StaticClass, MHASH_HAVAL160},
               {THash_Haval128::StaticClass, MHASH_HAVAL128}};
  std::mt19937 rng(5);
  for (const auto& s : sizes) {
    for (const Bytes& m : Messages()) {
      MHASH td = mhash_init(s.Id);
      ASSERT_NE(td, MHASH_FAILED);
      mhash(td, m.data(), static_cast<mutils_word32>(m.size()));
      auto* d = static_cast<uint8_t*>(mhash_end(td));
      const Bytes expected(d, d + mhash_get_block_size(s.Id));
      std::free(d);  // mhash hands out malloc memory

      TProtectionRef<THash> h = s.Class()->Create();
      static_cast<THash_Haval256&>(*h).SetRounds(3);
      h->Reset();
      for (size_t done = 0; done < m.size();) {
        const size_t n = std::min<size_t>(m.size() - done, 1 + rng() % 200);
        h->Update(m.data() + done, static_cast<int64_t>(n));
        done += n;
      }
      h->Finish();
      ASSERT_EQ(Digest(*h), expected) << s.Class()->Name << "/3, " << m.size() << " bytes";
    }
  }
}

TEST(HashInteropTest, HavalLengthIsUnsignedBeyond256MiB) {
  // From 2^28 bytes on, the bit count no longer fits a signed 32-bit number;
  // the length field carries the true 64-bit count, as published.
  std::mt19937 rng(6);
  const Bytes chunk = Random(rng, 1 << 20);
  MHASH td = mhash_init(MHASH_HAVAL256);
  ASSERT_NE(td, MHASH_FAILED);
  THash_Haval256 h;
  h.SetRounds(3);
  h.Reset();
  for (int i = 0; i < 257; ++i) {
    mhash(td, chunk.data(), static_cast<mutils_word32>(chunk.size()));
    h.Update(chunk.data(), static_cast<int64_t>(chunk.size()));
  }
  auto* d = static_cast<uint8_t*>(mhash_end(td));
  const Bytes expected(d, d + 32);
  std::free(d);
  h.Finish();
  EXPECT_EQ(Digest(h), expected);
}

TEST(HashInteropTest, SnefruCompressionAgainstRHash) {
  rhash_library_init();
  for (const Bytes& m : Messages()) {
    Bytes expected(32);
    ASSERT_EQ(rhash_msg(RHASH_SNEFRU256, m.data(), m.size(), expected.data()), 0);
    ASSERT_EQ(PublishedSnefru(m), expected) << m.size() << " bytes";
    // The library's own byte order and length place give another digest.
    if (!m.empty()) {
      ASSERT_NE(DigestOf(THash_Snefru::StaticClass(), m), expected) << m.size() << " bytes";
    }
  }
}

}  // namespace
