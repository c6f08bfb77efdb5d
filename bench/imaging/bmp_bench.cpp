// Loading a 6000 x 4000 24-bit bitmap file through TImagoIO beside
// ImageMagick decoding the same file (`convert x.bmp ppm:-`), in one run.
// ImageMagick's figure includes writing its decoded pixels to a pipe that
// discards them, a small part of its time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {
constexpr int kW = 6000, kH = 4000;

std::string Dir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/nobrivo-bmp-bench-XXXXXX";
    const char* d = mkdtemp(tmpl);
    return std::string(d ? d : "/tmp");
  }();
  return dir;
}

// The test file, written once by our own writer: a smooth picture with fine
// detail, as a photograph has.
const std::string& File() {
  static std::string path = [] {
    const std::string p = Dir() + "/x.bmp";
    TImagoIO io(nullptr);
    TIEBitmap* b = io.IEBitmap();
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
    io.SaveToFile(p);
    return p;
  }();
  return path;
}

std::map<std::string, double>& Seconds() {
  static std::map<std::string, double> m;
  return m;
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
    auto& s = Seconds()[name];
    s = s == 0 ? t : std::min(s, t);
  }
}

void OursLoad(benchmark::State& state) {
  const std::string& file = File();
  Timed(state, "ours", [&] {
    TImagoIO io(nullptr);
    io.LoadFromFile(file);
    return !io.Aborted() && io.IEBitmap()->Width() == kW;
  });
}

void ImageMagickLoad(benchmark::State& state) {
  const std::string cmd = "/usr/bin/convert " + File() + " ppm:- > /dev/null";
  Timed(state, "imagemagick", [&] { return std::system(cmd.c_str()) == 0; });
}

}  // namespace

BENCHMARK(OursLoad)->Name("load_bmp_6000x4000x24/ours")->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(ImageMagickLoad)->Name("load_bmp_6000x4000x24/imagemagick")->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& s = Seconds();
  if (s.count("ours") && s.count("imagemagick"))
    std::printf("\nload 6000x4000 24-bit BMP: ours %.1f ms, ImageMagick %.1f ms, ImageMagick/ours %.1fx (aim: 3x)\n",
                s["ours"] * 1e3, s["imagemagick"] * 1e3, s["imagemagick"] / s["ours"]);
  std::remove(File().c_str());
  ::rmdir(Dir().c_str());
  return 0;
}
