// The shared frame of the cipher benchmarks: one 64 MiB buffer, our cipher
// keyed from a pass phrase coding the whole buffer in one ProcessBuffer call,
// and a Crypto++ cipher in CBC beside it.
#pragma once

#include <benchmark/benchmark.h>
#include <cryptopp/modes.h>

#include <cstdint>
#include <vector>

#include "crypto/TCipher.h"

namespace cipher_bench {

constexpr size_t kSize = 64 << 20;

inline std::vector<uint8_t>& Buffer() {
  static std::vector<uint8_t> buffer(kSize, 0x5A);
  return buffer;
}

template <typename C>
void Ours(benchmark::State& state) {
  TProtectionRef<TCipher> c = C::StaticClass()->Create("benchmark");
  auto& b = Buffer();
  for (auto _ : state) {
    c->ProcessBuffer(b.data(), static_cast<int64_t>(b.size()), caEncode);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

// P is a Crypto++ block cipher.
template <typename P>
void Peer(benchmark::State& state, size_t keyLength) {
  std::vector<uint8_t> key(keyLength, 0x42), iv(P::BLOCKSIZE, 0);
  typename CryptoPP::CBC_Mode<P>::Encryption e;
  e.SetKeyWithIV(key.data(), key.size(), iv.data());
  auto& b = Buffer();
  for (auto _ : state) {
    e.ProcessData(b.data(), b.data(), b.size());
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}

}  // namespace cipher_bench
