// Throughput of Blowfish, GOST, IDEA, SAFER, TEA, 3-Way, Twofish, Square,
// SHARK, Q128 and SCOP in cmCTS over 64 MiB, beside Crypto++ in CBC (and
// OpenSSL for Blowfish) for the same algorithm where a peer has one (the
// ratio is ours / peer's). Twofish, TEA and TEAN are compared with the
// published algorithms they differ from in one detail each.
#include <benchmark/benchmark.h>
#include <cryptopp/3way.h>
#include <cryptopp/blowfish.h>
#include <cryptopp/gost.h>
#include <cryptopp/idea.h>
#include <cryptopp/modes.h>
#include <cryptopp/safer.h>
#include <cryptopp/shark.h>
#include <cryptopp/square.h>
#include <cryptopp/tea.h>
#include <cryptopp/twofish.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <string>
#include <vector>

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

#include "bench/crypto/CipherBench.h"

namespace {

using cipher_bench::Buffer;
using cipher_bench::kSize;
using cipher_bench::Ours;
using cipher_bench::Peer;

// OpenSSL's Blowfish lives in its legacy provider (loaded beside the
// default one); without it the benchmark says so instead of measuring.
void OpenSSLBlowfish(benchmark::State& state) {
  static const bool loaded = OSSL_PROVIDER_load(nullptr, "legacy") && OSSL_PROVIDER_load(nullptr, "default");
  EVP_CIPHER* cipher = loaded ? EVP_CIPHER_fetch(nullptr, "BF-CBC", nullptr) : nullptr;
  if (!cipher) {
    state.SkipWithError("no legacy provider");
    return;
  }
  std::vector<uint8_t> key(32, 0x42), iv(8, 0);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex2(ctx, cipher, nullptr, nullptr, nullptr);
  EVP_CIPHER_CTX_set_key_length(ctx, 32);
  EVP_EncryptInit_ex2(ctx, nullptr, key.data(), iv.data(), nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  auto& b = Buffer();
  for (auto _ : state) {
    int out = 0;
    EVP_EncryptUpdate(ctx, b.data(), &out, b.data(), static_cast<int>(b.size()));
    benchmark::DoNotOptimize(b.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  EVP_CIPHER_free(cipher);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

// Each cipher beside its peer, as "name/ours" and "name/Crypto++".
const bool kRegistered = [] {
  auto add = [](const std::string& name, auto fn, auto... args) {
    benchmark::RegisterBenchmark(name.c_str(), fn, args...)->Unit(benchmark::kMillisecond);
  };
  add("Blowfish/ours", Ours<TCipher_Blowfish>);
  add("Blowfish/Crypto++", Peer<CryptoPP::Blowfish>, 32);
  add("Blowfish/OpenSSL", OpenSSLBlowfish);
  add("Gost/ours", Ours<TCipher_Gost>);
  add("Gost/Crypto++", Peer<CryptoPP::GOST>, 32);
  add("IDEA/ours", Ours<TCipher_IDEA>);
  add("IDEA/Crypto++", Peer<CryptoPP::IDEA>, 16);
  add("SAFER-K40/ours", Ours<TCipher_SAFER_K40>);
  add("SAFER-SK40/ours", Ours<TCipher_SAFER_SK40>);
  add("SAFER-K64/ours", Ours<TCipher_SAFER_K64>);
  add("SAFER-K64/Crypto++", Peer<CryptoPP::SAFER_K>, 8);
  add("SAFER-SK64/ours", Ours<TCipher_SAFER_SK64>);
  add("SAFER-SK64/Crypto++", Peer<CryptoPP::SAFER_SK>, 8);
  add("SAFER-K128/ours", Ours<TCipher_SAFER_K128>);
  add("SAFER-K128/Crypto++", Peer<CryptoPP::SAFER_K>, 16);
  add("SAFER-SK128/ours", Ours<TCipher_SAFER_SK128>);
  add("SAFER-SK128/Crypto++", Peer<CryptoPP::SAFER_SK>, 16);
  add("TEA/ours", Ours<TCipher_TEA>);
  add("TEA/Crypto++", Peer<CryptoPP::TEA>, 16);
  add("TEAN/ours", Ours<TCipher_TEAN>);
  add("TEAN/Crypto++ XTEA", Peer<CryptoPP::XTEA>, 16);
  add("3Way/ours", Ours<TCipher_3Way>);
  add("3Way/Crypto++", Peer<CryptoPP::ThreeWay>, 12);
  add("Twofish/ours", Ours<TCipher_Twofish>);
  add("Twofish/Crypto++", Peer<CryptoPP::Twofish>, 32);
  add("Square/ours", Ours<TCipher_Square>);
  add("Square/Crypto++", Peer<CryptoPP::Square>, 16);
  add("Shark/ours", Ours<TCipher_Shark>);
  add("Shark/Crypto++", Peer<CryptoPP::SHARK>, 16);
  add("Q128/ours", Ours<TCipher_Q128>);
  add("SCOP/ours", Ours<TCipher_SCOP>);
  return true;
}();

}  // namespace
