// Decoding a 6000 x 4000 (24-megapixel) JPEG through TImagoIO beside djpeg of
// the same library, and a PNG of the same picture beside pngtopam, in one
// run. The peers' figures include starting their process and writing the
// decoded pixels to /dev/null, a small part of their time.
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


// The picture, written once by our own writers: smooth gradients with fine
// detail, as a photograph has.
const std::string& File(const std::string& ext) {
  static std::map<std::string, std::string> files;
  auto it = files.find(ext);
  if (it != files.end()) return it->second;
  const std::string p = Dir() + "/x" + ext;
  TImagoIO io(nullptr);
  image_bench::FillPhoto(io.IEBitmap());
  io.Params()->JpegQuality = 90;
  io.Params()->PngCompression = 6;
  io.Params()->PngFilter = 5;  // the library's adaptive choice
  io.SaveToFile(p);
  return files[ext] = p;
}



bool OursLoad(const std::string& file) {
  TImagoIO io(nullptr);
  io.LoadFromFile(file);
  return !io.Aborted() && io.IEBitmap()->Width() == kW && io.IEBitmap()->Height() == kH;
}

void OursJpeg(benchmark::State& state) {
  const std::string& f = File(".jpg");
  Timed(state, "jpeg-ours", [&] { return OursLoad(f); });
}

void Djpeg(benchmark::State& state) {
  const std::string cmd = "/usr/bin/djpeg -outfile /dev/null " + File(".jpg");
  Timed(state, "jpeg-djpeg", [&] { return std::system(cmd.c_str()) == 0; });
}

void OursPng(benchmark::State& state) {
  const std::string& f = File(".png");
  Timed(state, "png-ours", [&] { return OursLoad(f); });
}

void Pngtopam(benchmark::State& state) {
  const std::string cmd = "/usr/bin/pngtopam " + File(".png") + " > /dev/null";
  Timed(state, "png-pngtopam", [&] { return std::system(cmd.c_str()) == 0; });
}

}  // namespace

BENCHMARK(OursJpeg)->Name("decode_jpeg_6000x4000/ours")->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(Djpeg)->Name("decode_jpeg_6000x4000/djpeg")->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(OursPng)->Name("decode_png_6000x4000/ours")->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(Pngtopam)->Name("decode_png_6000x4000/pngtopam")->UseManualTime()->Iterations(4)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& s = Seconds();
  if (s.count("jpeg-ours") && s.count("jpeg-djpeg"))
    std::printf("\ndecode 24-megapixel JPEG: ours %.1f ms, djpeg %.1f ms, ours/djpeg %.2fx (aim: within 1.1x)\n",
                s["jpeg-ours"] * 1e3, s["jpeg-djpeg"] * 1e3, s["jpeg-ours"] / s["jpeg-djpeg"]);
  if (s.count("png-ours") && s.count("png-pngtopam"))
    std::printf("decode 24-megapixel PNG: ours %.1f ms, pngtopam %.1f ms, ours/pngtopam %.2fx\n",
                s["png-ours"] * 1e3, s["png-pngtopam"] * 1e3, s["png-ours"] / s["png-pngtopam"]);
  for (const char* ext : {".jpg", ".png"}) std::remove((Dir() + "/x" + ext).c_str());
  ::rmdir(Dir().c_str());
  return 0;
}
