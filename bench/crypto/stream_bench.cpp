// Throughput of RC4, Sapphire II, Diamond II, Diamond II Lite and FROG in
// cmCTS over 64 MiB, RC4 beside OpenSSL's RC4 (the ratio is ours / peer's).
#include <benchmark/benchmark.h>
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/rc4.h>

#include <string>
#include <vector>

#include "crypto/cipher/TCipher_Diamond2.h"
#include "crypto/cipher/TCipher_FROG.h"
#include "crypto/cipher/TCipher_RC4.h"
#include "crypto/cipher/TCipher_Sapphire.h"

#include "bench/crypto/CipherBench.h"

namespace {

using cipher_bench::Buffer;
using cipher_bench::kSize;
using cipher_bench::Ours;

void OpenSSLRC4(benchmark::State& state) {
  const std::vector<uint8_t> key(32, 0x42);
  RC4_KEY k;
  RC4_set_key(&k, static_cast<int>(key.size()), key.data());
  auto& b = Buffer();
  for (auto _ : state) {
    RC4(&k, b.size(), b.data(), b.data());
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

const bool kRegistered = [] {
  auto add = [](const std::string& name, auto fn) {
    benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMillisecond);
  };
  add("RC4/ours", Ours<TCipher_RC4>);
  add("RC4/OpenSSL", OpenSSLRC4);
  add("Sapphire/ours", Ours<TCipher_Sapphire>);
  add("Diamond2/ours", Ours<TCipher_Diamond2>);
  add("Diamond2Lite/ours", Ours<TCipher_Diamond2Lite>);
  add("FROG/ours", Ours<TCipher_FROG>);
  return true;
}();

}  // namespace

#pragma GCC diagnostic pop
