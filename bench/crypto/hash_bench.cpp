// Throughput of every digest and checksum over 64 MiB, beside OpenSSL (MD5,
// SHA-1, RIPEMD-160) or Crypto++ (MD4, RIPEMD-128/256/320, Tiger) for the
// same algorithm (the ratio is ours / peer's).
#include <benchmark/benchmark.h>
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md4.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/tiger.h>
#include <openssl/evp.h>

#include <string>
#include <vector>

#include "crypto/hash/THash_CRC16_CCITT.h"
#include "crypto/hash/THash_CRC32.h"
#include "crypto/hash/THash_Haval256.h"
#include "crypto/hash/THash_MD4.h"
#include "crypto/hash/THash_MD5.h"
#include "crypto/hash/THash_RipeMD128.h"
#include "crypto/hash/THash_RipeMD160.h"
#include "crypto/hash/THash_RipeMD256.h"
#include "crypto/hash/THash_RipeMD320.h"
#include "crypto/hash/THash_SHA.h"
#include "crypto/hash/THash_SHA1.h"
#include "crypto/hash/THash_Sapphire320.h"
#include "crypto/hash/THash_Snefru.h"
#include "crypto/hash/THash_Square.h"
#include "crypto/hash/THash_Tiger.h"
#include "crypto/hash/THash_XOR16.h"
#include "crypto/hash/THash_XOR32.h"
#include "crypto/hash/Thash_CRC16_Standard.h"

namespace {

constexpr size_t kSize = 64 << 20;

std::vector<uint8_t>& Buffer() {
  static std::vector<uint8_t> buffer(kSize, 0x5A);
  return buffer;
}

void Ours(benchmark::State& state, THashClass Class) {
  TProtectionRef<THash> h = Class->Create();
  auto& b = Buffer();
  for (auto _ : state) {
    h->Reset();
    h->Update(b.data(), static_cast<int64_t>(b.size()));
    h->Finish();
    benchmark::DoNotOptimize(h->GetDigest());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

void OpenSSL(benchmark::State& state, const char* Name) {
  const EVP_MD* md = EVP_get_digestbyname(Name);
  if (!md) return state.SkipWithError("not in this OpenSSL");
  auto& b = Buffer();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned n = 0;
  for (auto _ : state) {
    EVP_Digest(b.data(), b.size(), digest, &n, md, nullptr);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

template <typename H>
void CryptoPP(benchmark::State& state) {
  auto& b = Buffer();
  unsigned char digest[H::DIGESTSIZE];
  for (auto _ : state) {
    H().CalculateDigest(digest, b.data(), b.size());
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

const bool kRegistered = [] {
  auto add = [](const std::string& name, auto fn, auto... args) {
    benchmark::RegisterBenchmark(name.c_str(), fn, args...)->Unit(benchmark::kMillisecond);
  };
  add("MD4/ours", Ours, THash_MD4::StaticClass());
  add("MD4/Crypto++", CryptoPP<CryptoPP::Weak::MD4>);
  add("MD5/ours", Ours, THash_MD5::StaticClass());
  add("MD5/OpenSSL", OpenSSL, "MD5");
  add("SHA/ours", Ours, THash_SHA::StaticClass());
  add("SHA1/ours", Ours, THash_SHA1::StaticClass());
  add("SHA1/OpenSSL", OpenSSL, "SHA1");
  add("RipeMD128/ours", Ours, THash_RipeMD128::StaticClass());
  add("RipeMD128/Crypto++", CryptoPP<CryptoPP::RIPEMD128>);
  add("RipeMD160/ours", Ours, THash_RipeMD160::StaticClass());
  add("RipeMD160/OpenSSL", OpenSSL, "RIPEMD160");
  add("RipeMD256/ours", Ours, THash_RipeMD256::StaticClass());
  add("RipeMD256/Crypto++", CryptoPP<CryptoPP::RIPEMD256>);
  add("RipeMD320/ours", Ours, THash_RipeMD320::StaticClass());
  add("RipeMD320/Crypto++", CryptoPP<CryptoPP::RIPEMD320>);
  add("Tiger/ours", Ours, THash_Tiger::StaticClass());
  add("Tiger/Crypto++", CryptoPP<CryptoPP::Tiger>);
  add("Haval128/ours", Ours, THash_Haval128::StaticClass());
  add("Haval160/ours", Ours, THash_Haval160::StaticClass());
  add("Haval192/ours", Ours, THash_Haval192::StaticClass());
  add("Haval224/ours", Ours, THash_Haval224::StaticClass());
  add("Haval256/ours", Ours, THash_Haval256::StaticClass());
  add("Sapphire128/ours", Ours, THash_Sapphire128::StaticClass());
  add("Sapphire160/ours", Ours, THash_Sapphire160::StaticClass());
  add("Sapphire192/ours", Ours, THash_Sapphire192::StaticClass());
  add("Sapphire224/ours", Ours, THash_Sapphire224::StaticClass());
  add("Sapphire256/ours", Ours, THash_Sapphire256::StaticClass());
  add("Sapphire288/ours", Ours, THash_Sapphire288::StaticClass());
  add("Sapphire320/ours", Ours, THash_Sapphire320::StaticClass());
  add("Snefru/ours", Ours, THash_Snefru::StaticClass());
  add("Square/ours", Ours, THash_Square::StaticClass());
  add("XOR16/ours", Ours, THash_XOR16::StaticClass());
  add("XOR32/ours", Ours, THash_XOR32::StaticClass());
  add("CRC16_CCITT/ours", Ours, THash_CRC16_CCITT::StaticClass());
  add("CRC16_Standard/ours", Ours, Thash_CRC16_Standard::StaticClass());
  add("CRC32/ours", Ours, THash_CRC32::StaticClass());
  return true;
}();

}  // namespace
