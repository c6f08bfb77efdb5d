// The shared frame of the imaging benchmarks: a scratch folder, the test
// picture, and the timings kept by name for the closing ratio lines (medians).
#pragma once

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "imaging/model/TIEBitmap.h"

namespace image_bench {

constexpr int kW = 6000, kH = 4000;

// One folder under /tmp for the whole run.
inline const std::string& Dir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/nobrivo-bench-XXXXXX";
    const char* d = mkdtemp(tmpl);
    return std::string(d ? d : "/tmp");
  }();
  return dir;
}

// kW x kH 24-bit: smooth gradients with fine detail, as a photograph has.
inline void FillPhoto(TIEBitmap* b) {
  b->MemoryThreshold = int64_t{1} << 40;
  b->Allocate(kW, kH, ieRGB24);
  for (int y = 0; y < kH; ++y) {
    uint8_t* row = b->GetScanline(y);
    for (int x = 0; x < kW; ++x) {
      row[x * 3] = static_cast<uint8_t>(x / 24 + (x * y) % 7);
      row[x * 3 + 1] = static_cast<uint8_t>(y / 16 + x % 5);
      row[x * 3 + 2] = static_cast<uint8_t>((x + y) / 40);
    }
  }
}

// Starts the benchmark library with our runs and the peers' taken in turns,
// in random order, three times over, so that a burst of load on a shared
// machine slows both sides alike. Flags given on the command line win.
inline void InitializeInTurns(int* argc, char** argv) {
  static std::vector<char*> args;
  static char repetitions[] = "--benchmark_repetitions=3";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.assign({argv[0], repetitions, interleave});
  args.insert(args.end(), argv + 1, argv + *argc);
  int n = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&n, args.data());
  *argc = n;
}

// Every time taken, by name.
inline std::map<std::string, std::vector<double>>& Samples() {
  static std::map<std::string, std::vector<double>> m;
  return m;
}
inline void AddSample(const std::string& name, double seconds) { Samples()[name].push_back(seconds); }

// The median time of each named run (the best alone flatters whoever met a
// quiet moment of the machine).
inline std::map<std::string, double>& Seconds() {
  static std::map<std::string, double> m;
  m.clear();
  for (const auto& [name, times] : Samples()) {
    std::vector<double> v = times;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    if (n) m[name] = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  }
  return m;
}

// Times f (which answers whether it worked) per iteration as manual time.
template <typename F>
void Timed(benchmark::State& state, const std::string& name, F&& f) {
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!f()) {
      state.SkipWithError(("failed: " + name).c_str());
      return;
    }
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(t);
    AddSample(name, t);
  }
}

}  // namespace image_bench
