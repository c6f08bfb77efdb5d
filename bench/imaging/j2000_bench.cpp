// Decoding JPEG-2000 through TImagoIO beside opj_decompress of the same
// library, in one run: a 2400 x 1600 picture coded losslessly and at 1/20 of
// its raw size, as a JP2 file. The peer's figures include starting its
// process and writing the decoded pixels to a PPM file (it has no output to
// nowhere), a few per cent of its time. Medians of the runs.
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

constexpr int kW = 2400, kH = 1600;

// The picture of the other imaging benchmarks, smaller.
const std::string& File(const std::string& name, double rate) {
  static std::map<std::string, std::string> files;
  auto it = files.find(name);
  if (it != files.end()) return it->second;
  const std::string p = image_bench::Dir() + "/" + name + ".jp2";
  TImagoIO io(nullptr);
  TIEBitmap* b = io.IEBitmap();
  b->Allocate(kW, kH, ieRGB24);
  for (int y = 0; y < kH; ++y) {
    uint8_t* row = b->GetScanline(y);
    for (int x = 0; x < kW; ++x) {
      row[x * 3] = static_cast<uint8_t>(x / 10 + (x * y) % 7);
      row[x * 3 + 1] = static_cast<uint8_t>(y / 7 + x % 5);
      row[x * 3 + 2] = static_cast<uint8_t>((x + y) / 16);
    }
  }
  io.Params()->J2000Rate = rate;
  io.SaveToFile(p);
  return files[name] = p;
}

void Ours(benchmark::State& state, const std::string& name, double rate) {
  const std::string& f = File(name, rate);
  image_bench::Timed(state, "ours-" + name, [&] {
    TImagoIO io(nullptr);
    io.LoadFromFile(f);
    return !io.Aborted() && io.IEBitmap()->Width() == kW;
  });
}

void Peer(benchmark::State& state, const std::string& name, double rate) {
  const std::string cmd = "/usr/bin/opj_decompress -quiet -i " + File(name, rate) + " -o " +
                          image_bench::Dir() + "/out.ppm > /dev/null 2>&1";
  image_bench::Timed(state, "opj-" + name, [&] { return std::system(cmd.c_str()) == 0; });
}

}  // namespace

BENCHMARK_CAPTURE(Ours, lossless, "lossless", 1.0)->Name("decode_jp2_2400x1600_lossless/ours")
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Peer, lossless, "lossless", 1.0)->Name("decode_jp2_2400x1600_lossless/opj_decompress")
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, lossy, "lossy", 0.05)->Name("decode_jp2_2400x1600_lossy/ours")
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Peer, lossy, "lossy", 0.05)->Name("decode_jp2_2400x1600_lossy/opj_decompress")
    ->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  image_bench::InitializeInTurns(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const auto& t = image_bench::Seconds();
  for (const char* name : {"lossless", "lossy"}) {
    const std::string n = name;
    if (!t.count("ours-" + n) || !t.count("opj-" + n)) continue;
    const double ours = t.at("ours-" + n), peer = t.at("opj-" + n);
    std::printf("decode 2400x1600 JP2 (%s): median ours %.1f ms, opj_decompress %.1f ms, ours/opj %.2fx\n",
                name, ours * 1e3, peer * 1e3, ours / peer);
  }
  for (const char* f : {"lossless.jp2", "lossy.jp2", "out.ppm"})
    std::remove((image_bench::Dir() + "/" + f).c_str());
  ::rmdir(image_bench::Dir().c_str());
  return 0;
}
