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

#include "bench/imaging/ImageBench.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace {
using image_bench::Dir;
using image_bench::kH;
using image_bench::kW;
using image_bench::Seconds;
using image_bench::Timed;


// The test file, written once by our own writer: a smooth picture with fine
// detail, as a photograph has.
const std::string& File() {
  static std::string path = [] {
    const std::string p = Dir() + "/x.bmp";
    TImagoIO io(nullptr);
    image_bench::FillPhoto(io.IEBitmap());
    io.SaveToFile(p);
    return p;
  }();
  return path;
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
