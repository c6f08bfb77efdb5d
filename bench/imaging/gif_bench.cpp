// Decoding a 4000 x 3000 GIF of 256 colours through TImagoIO beside giftopnm,
// in one run, with the medians of both and their ratio at the end. The
// peer's figure includes starting its process and writing the decoded pixels
// to /dev/null; ours includes expanding the indexes to 24-bit pixels.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/imaging/ImageBench.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {
using image_bench::Dir;

constexpr int kW = 4000, kH = 3000;

// Every time of each named run, for the medians.
std::map<std::string, std::vector<double>>& Times() {
  static std::map<std::string, std::vector<double>> m;
  return m;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

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
    Times()[name].push_back(t);
  }
}

// A photograph-like picture of 256 colours, written once by our writer.
const std::string& File() {
  static const std::string path = [] {
    const std::string p = Dir() + "/picture.gif";
    TIEBitmap b;
    b.MemoryThreshold = int64_t{1} << 40;
    b.Allocate(kW, kH, iePalette8);
    for (int i = 0; i < 256; ++i)
      b.SetPaletteEntry(i, MakeRGBTriple(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                         static_cast<uint8_t>(i * 7)));
    for (int y = 0; y < kH; ++y) {
      uint8_t* row = b.GetScanline(y);
      for (int x = 0; x < kW; ++x) row[x] = static_cast<uint8_t>(x / 16 + y / 12 + (x * y) % 3);
    }
    TImagoIO io(nullptr);
    io.AttachIEBitmap(&b);
    io.Params()->BitsPerSample = 8;
    io.SaveToFile(p);
    return p;
  }();
  return path;
}

void Ours(benchmark::State& state) {
  const std::string& f = File();
  Timed(state, "ours", [&] {
    TImagoIO io(nullptr);
    io.LoadFromFile(f);
    return !io.Aborted() && io.IEBitmap()->Width() == kW && io.IEBitmap()->Height() == kH;
  });
}

void Giftopnm(benchmark::State& state) {
  const std::string cmd = "/usr/bin/giftopnm " + File() + " > /dev/null";
  Timed(state, "giftopnm", [&] { return std::system(cmd.c_str()) == 0; });
}

}  // namespace

BENCHMARK(Ours)->Name("decode_gif_4000x3000/ours")->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(Giftopnm)->Name("decode_gif_4000x3000/giftopnm")->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  image_bench::InitializeInTurns(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& t = Times();
  if (t.count("ours") && t.count("giftopnm")) {
    const double ours = Median(t["ours"]), peer = Median(t["giftopnm"]);
    std::printf("\ndecode 12-megapixel GIF (medians of %zu and %zu runs): ours %.1f ms, giftopnm %.1f ms, "
                "ours/giftopnm %.2fx\n",
                t["ours"].size(), t["giftopnm"].size(), ours * 1e3, peer * 1e3, ours / peer);
  }
  std::remove(File().c_str());
  ::rmdir(Dir().c_str());
  return 0;
}
